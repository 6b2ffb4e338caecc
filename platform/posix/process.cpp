#include "platform/process.h"

#include <string.h>

#include <cstdlib>

namespace {

// The line last rebuilt, kept as the system keeps its own on Windows.
char* g_commandLine = nullptr;

}  // namespace

const char* ProcessCommandLine(int argc, char** argv) {
    const char* name = argc > 0 ? argv[0] : "";
    size_t size = strlen(name) + 3;  // two quotes and the terminating NUL
    for (int i = 1; i < argc; ++i) size += 1 + strlen(argv[i]);
    std::free(g_commandLine);
    g_commandLine = static_cast<char*>(std::malloc(size));
    if (g_commandLine == nullptr) std::abort();  // out of memory before the program has begun

    char* end = g_commandLine;
    *end++ = '"';
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c != '"') *end++ = *c;
    }
    *end++ = '"';
    for (int i = 1; i < argc; ++i) {
        *end++ = ' ';
        end = stpcpy(end, argv[i]);
    }
    *end = '\0';
    return g_commandLine;
}
