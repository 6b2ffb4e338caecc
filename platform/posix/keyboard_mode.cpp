#include "platform/posix/keyboard_mode.h"

#include <errno.h>
#include <termios.h>
#include <unistd.h>

#include "platform/posix/console_output.h"
#include "platform/posix/console_terminal.h"
#include "platform/posix/exit_cleanup.h"

namespace {

// Read at exit and by signal handlers, so written before registering.
int g_terminal = -1;
termios g_savedSettings;

// What was gathered for the console goes out in the raw mode it was meant
// for; then the terminal gets its own settings back. Both are single
// system calls, safe in a signal handler.
void RestoreConsole() {
    FlushConsoleOutputAtEnd();
    while (tcsetattr(g_terminal, TCSANOW, &g_savedSettings) != 0 && errno == EINTR) {
    }
}

termios RawSettings(termios settings) {
    settings.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return settings;
}

}  // namespace

void EnterKeyboardRawMode() {
    static bool entered = false;
    if (entered) return;
    entered = true;

    const int terminal = Console().input;
    termios saved;
    if (!isatty(terminal) || tcgetattr(terminal, &saved) != 0) return;
    g_terminal = terminal;
    g_savedSettings = saved;
    RunAtEveryExit(RestoreConsole);

    const termios raw = RawSettings(saved);
    while (tcsetattr(terminal, TCSANOW, &raw) != 0 && errno == EINTR) {
    }
}
