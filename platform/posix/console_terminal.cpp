#include "platform/posix/console_terminal.h"

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
