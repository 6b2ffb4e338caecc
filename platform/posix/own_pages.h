// Buffers in pages of their own.
//
// A large buffer among the program's small variables, or among the small
// objects on the heap, spreads them over more pages than they fill. In pages
// of its own it leaves them together, and costs no memory until it is
// written.
#pragma once

#include <cstddef>

// Zeroed memory for size bytes; nullptr when there is none.
void* MapOwnPages(size_t size);
void UnmapOwnPages(void* pages, size_t size);
