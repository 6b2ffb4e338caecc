#include "platform/posix/console_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include "platform/posix/console_output.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/posix/waits.h"

namespace {

// Read by signal handlers and at exit, so written before they can run: the
// terminal (-1 when the console is none), its own settings, and the two
// modes the program runs it in, output as is and then raw keys as well.
int g_terminal = -1;
termios g_ownSettings;
termios g_outputAsIs;
termios g_rawKeys;
volatile sig_atomic_t g_keyboardRaw = 0;

const termios& ProgramSettings() { return g_keyboardRaw ? g_rawKeys : g_outputAsIs; }

void Apply(const termios& settings, int when) {
    while (tcsetattr(g_terminal, when, &settings) != 0 && errno == EINTR) {
    }
}

// What was gathered goes out in the mode it was meant for; then the
// terminal gets its own settings back.
void Restore(int when) {
    FlushConsoleOutputAtEnd();
    if (g_terminal != -1) Apply(g_ownSettings, when);
}

// At the end, without the keys nobody read. TCSAFLUSH drops only what the
// line discipline holds; the flush before it drops as well what is still
// on its way to it, which would otherwise reach the shell.
void RestoreAtExit() {
    if (g_keyboardRaw && g_terminal != -1) tcflush(g_terminal, TCIFLUSH);
    Restore(g_keyboardRaw ? TCSAFLUSH : TCSANOW);
}

void RestoreBeforeStop() { Restore(TCSANOW); }

// In the background the shell owns the terminal; fg sends SIGCONT again.
void ReapplyAfterContinue() {
    if (g_terminal != -1 && tcgetpgrp(g_terminal) == getpgrp()) Apply(ProgramSettings(), TCSANOW);
}

void CatchUpBeforeWaiting() { FlushConsoleOutput(); }

ConsoleFiles OpenConsole() {
    ConsoleFiles files{STDIN_FILENO, STDOUT_FILENO, false};
    const int controlling = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (controlling != -1) files = ConsoleFiles{controlling, controlling, false};
    files.inputIsTerminal = isatty(files.input) != 0;

    // Only the controlling terminal is the program's to set. Another one on
    // standard input or output belongs to the session that controls it
    // (`setsid tarnwick` from a shell) and is used as it is, like a pipe.
    termios own;
    if (controlling != -1 && tcgetattr(controlling, &own) == 0) {
        g_ownSettings = own;
        g_outputAsIs = own;
        g_outputAsIs.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        g_rawKeys = g_outputAsIs;
        g_rawKeys.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR |
                                                    IGNCR | ICRNL | IXON);
        g_rawKeys.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        g_rawKeys.c_cc[VMIN] = 1;
        g_rawKeys.c_cc[VTIME] = 0;
        g_terminal = controlling;
    }
    RunAtEveryExit(RestoreAtExit);
    RunAroundStops(RestoreBeforeStop, ReapplyAfterContinue);
    SetBeforeWaitHook(CatchUpBeforeWaiting);
    if (g_terminal != -1) Apply(g_outputAsIs, TCSANOW);
    return files;
}

}  // namespace

const ConsoleFiles& Console() {
    static const ConsoleFiles console = OpenConsole();
    return console;
}

void EnterKeyboardRawMode() {
    if (g_keyboardRaw) return;
    Console();
    g_keyboardRaw = 1;
    if (g_terminal != -1) Apply(g_rawKeys, TCSANOW);
}
