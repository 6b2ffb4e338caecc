#include "platform/posix/own_pages.h"

#include <sys/mman.h>

void* MapOwnPages(size_t size) {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

void UnmapOwnPages(void* pages, size_t size) { munmap(pages, size); }
