#include "platform/posix/keyboard_mode.h"

#include <errno.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/console_terminal.h"

namespace {

const int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

// Read by the signal handler, so written before the handlers are installed.
int g_terminal = -1;
termios g_savedSettings;

// Async-signal-safe: tcsetattr is a single ioctl.
void RestoreSettings() {
    while (tcsetattr(g_terminal, TCSANOW, &g_savedSettings) != 0 && errno == EINTR) {
    }
}

void RestoreAtExit() { RestoreSettings(); }

// Installed with SA_RESETHAND: once the terminal is back, the signal is sent
// again and ends the process with its default action as if never caught.
void RestoreAndDie(int signalNumber) {
    const int savedErrno = errno;
    RestoreSettings();
    raise(signalNumber);
    errno = savedErrno;
}

void RestoreOnEndingSignals() {
    for (int signalNumber : kEndingSignals) {
        struct sigaction previous;
        if (sigaction(signalNumber, nullptr, &previous) != 0) continue;
        if (previous.sa_handler == SIG_IGN) continue;  // ignored by whoever started us
        struct sigaction action {};
        action.sa_handler = RestoreAndDie;
        sigfillset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &action, nullptr);
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
    std::atexit(RestoreAtExit);
    RestoreOnEndingSignals();

    const termios raw = RawSettings(saved);
    while (tcsetattr(terminal, TCSANOW, &raw) != 0 && errno == EINTR) {
    }
}
