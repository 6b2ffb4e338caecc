#include "platform/posix/console_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

ConsoleFiles OpenConsole() {
    const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal == -1) return ConsoleFiles{STDIN_FILENO, STDOUT_FILENO};
    return ConsoleFiles{terminal, terminal};
}

}  // namespace

const ConsoleFiles& Console() {
    static const ConsoleFiles console = OpenConsole();
    return console;
}

bool WriteToConsole(const void* data, unsigned long size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = write(Console().output, bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<unsigned long>(written);
        } else if (written == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}
