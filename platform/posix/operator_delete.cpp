// The programs are linked without the C++ runtime library. The one thing
// they still ask of it is operator delete: a class with a virtual
// destructor has a deleting destructor, which calls it, though nothing in
// the programs is made with new. Here it is the C library's free, as the
// runtime's own is.
#include <cstddef>
#include <cstdlib>

void operator delete(void* memory) noexcept { std::free(memory); }

void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
