#include "platform/posix/console_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/posix/exit_cleanup.h"

namespace {

// Read by signal handlers, so written before they can run: the console
// (output -1 until it is set up), the terminal whose modes are the
// program's (-1 when none is) and its own settings.
ConsoleFiles g_console{-1, -1, false};
int g_terminal = -1;
termios g_ownSettings;
volatile sig_atomic_t g_keyboardRaw = 0;

// The output block. The exit writes it unless a write of it is under way;
// the main path stores a byte before it counts it.
const int kBlockSize = 4096;
unsigned char g_block[kBlockSize];
volatile sig_atomic_t g_gathered = 0;
volatile sig_atomic_t g_writing = 0;

termios ProgramSettings() {
    termios settings = g_ownSettings;
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    if (!g_keyboardRaw) return settings;
    settings.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return settings;
}

// Never TCSADRAIN or TCSAFLUSH, which would wait for a console that may not
// read.
void Apply(const termios& settings) {
    while (tcsetattr(g_terminal, TCSANOW, &settings) != 0 && errno == EINTR) {
    }
}

void RestoreAtExit() {
    if (!g_writing && g_gathered > 0) {
        g_writing = 1;  // for a signal during normal exit, which runs this again
        const ssize_t written = write(g_console.output, g_block, static_cast<size_t>(g_gathered));
        static_cast<void>(written);
        g_gathered = 0;
        g_writing = 0;
    }
    if (g_terminal == -1) return;
    Apply(g_ownSettings);
    // Drops what the line discipline holds, and what is still on its way.
    if (g_keyboardRaw) tcflush(g_terminal, TCIFLUSH);
}

void RestoreBeforeStop() {
    if (g_terminal != -1) Apply(g_ownSettings);
}

// In the background the shell owns the terminal; fg sends SIGCONT again.
void ReapplyAfterContinue() {
    if (g_terminal != -1 && tcgetpgrp(g_terminal) == getpgrp()) Apply(ProgramSettings());
}

// Standard output opened anew where it is a pipe or a terminal, so that it
// can be non-blocking without changing it for the programs that share it. A
// file never makes a write wait; anything else is used as it is.
int OutputOfOurOwn() {
    struct stat status;
    if (fstat(STDOUT_FILENO, &status) != 0 ||
        !(S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode))) {
        return STDOUT_FILENO;
    }
    const int own = open("/proc/self/fd/1", O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return own != -1 ? own : STDOUT_FILENO;
}

void SetUp() {
    const int controlling = open("/dev/tty", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ConsoleFiles files{controlling, controlling, true};
    if (controlling == -1)
        files = ConsoleFiles{STDIN_FILENO, OutputOfOurOwn(), isatty(STDIN_FILENO) != 0};
    if (controlling != -1 && tcgetattr(controlling, &g_ownSettings) == 0) g_terminal = controlling;
    g_console = files;
    RunAtEveryExit(RestoreAtExit);
    RunAroundStops(RestoreBeforeStop, ReapplyAfterContinue);
    if (g_terminal != -1) Apply(ProgramSettings());
}

}  // namespace

const ConsoleFiles& Console() {
    if (g_console.output == -1) SetUp();
    return g_console;
}

void EnterKeyboardRawMode() {
    Console();
    g_keyboardRaw = 1;
    if (g_terminal != -1) Apply(ProgramSettings());
}

bool GatherOutput(unsigned char byte) {
    const int gathered = g_gathered;
    g_block[gathered] = byte;
    std::atomic_signal_fence(std::memory_order_release);
    g_gathered = gathered + 1;
    return gathered + 1 < kBlockSize || WriteGatheredOutput();
}

bool OutputFull() { return g_gathered == kBlockSize; }

bool OutputGathered() { return g_gathered != 0; }

bool WriteGatheredOutput() {
    const int gathered = g_gathered;
    if (gathered == 0) return true;
    const int output = Console().output;
    g_writing = 1;
    ssize_t written;
    do {
        written = write(output, g_block, static_cast<size_t>(gathered));
    } while (written < 0 && errno == EINTR);
    const bool refused = written < 0 && errno != EAGAIN;
    const int taken = refused ? gathered : written < 0 ? 0 : static_cast<int>(written);
    std::memmove(g_block, g_block + taken, static_cast<size_t>(gathered - taken));
    g_gathered = gathered - taken;
    g_writing = 0;
    return !refused;
}

void DropGatheredOutput() { g_gathered = 0; }
