#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// A process started without its standard input, output or error gets them
// on /dev/null before anything else, as shells and daemons do. Otherwise the
// first file the program opens, its port, would take the free descriptor,
// and the console's text and keys would go to and come from the port.
struct StandardFilesOpener {
    StandardFilesOpener() {
        for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
            if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) open("/dev/null", O_RDWR);
        }
    }
} g_standardFilesOpener;

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
