// The console calls: formatted text, key polling, unechoed keys and raw
// bytes out.
#include "platform/console.h"

#include <errno.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/console_output.h"
#include "platform/posix/console_terminal.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/posix/wait_hook.h"

namespace {

// A busy loop calls _kbhit between bytes it shows; asking the terminal
// every time would cost a system call per byte. So the terminal is asked
// after every wait, and otherwise once kKeyCheckIntervalNs has passed, with
// the clock read only every kCallsPerClockRead calls.
const long long kKeyCheckIntervalNs = 500000;
const unsigned kCallsPerClockRead = 32;

unsigned long g_waitsAtKeyCheck = ~0ul;
unsigned g_callsSinceClockRead = 0;
long long g_lastKeyCheckNs = 0;

// A key that _kbhit has taken from the terminal and _getch has not yet
// handed out, and whether input from a file or pipe has ended.
int g_waitingKey = -1;
bool g_inputEnded = false;

long long NowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool KeyCheckDue() {
    if (g_waitsAtKeyCheck == WaitCount()) {
        if (++g_callsSinceClockRead < kCallsPerClockRead) return false;
        g_callsSinceClockRead = 0;
        if (NowNs() - g_lastKeyCheckNs < kKeyCheckIntervalNs) return false;
    }
    g_waitsAtKeyCheck = WaitCount();
    g_callsSinceClockRead = 0;
    g_lastKeyCheckNs = NowNs();
    return true;
}

// A terminal that reports the end of its input has hung up; a file or pipe
// has only run out, and the program goes on showing what the port sends.
void InputEnded() {
    if (Console().inputIsTerminal) EndAsHungUp();
    g_inputEnded = true;
}

// Takes one byte from the console input, waiting at most timeoutMs (-1:
// for ever). -1 when none came.
int ReadKey(int timeoutMs) {
    while (!g_inputEnded) {
        pollfd waiting{Console().input, POLLIN, 0};
        const int ready = poll(&waiting, 1, timeoutMs);
        if (ready == 0) return -1;
        if (ready < 0) {
            if (errno == EINTR) continue;
            InputEnded();
            break;
        }
        unsigned char key = 0;
        const ssize_t count = read(Console().input, &key, 1);
        if (count == 1) return key;
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) InputEnded();
    }
    return -1;
}

}  // namespace

int _cprintf(const char* format, ...) {
    char small[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    if (length < 0) return -1;
    const size_t size = static_cast<size_t>(length);
    if (size < sizeof small) return ConsoleOutputText(small, size) ? length : -1;

    char* large = static_cast<char*>(std::malloc(size + 1));
    if (large == nullptr) return -1;
    va_start(arguments, format);
    std::vsnprintf(large, size + 1, format, arguments);
    va_end(arguments);
    const bool written = ConsoleOutputText(large, size);
    std::free(large);
    return written ? length : -1;
}

int _kbhit() {
    EnterKeyboardRawMode();
    if (g_waitingKey == -1 && KeyCheckDue()) g_waitingKey = ReadKey(0);
    return g_waitingKey != -1 ? 1 : 0;
}

int _getch() {
    EnterKeyboardRawMode();
    int key = g_waitingKey;
    g_waitingKey = -1;
    if (key == -1) {
        BeforeWait();
        key = ReadKey(-1);
    }
    return key;
}

int _putch(int character) {
    const unsigned char byte = static_cast<unsigned char>(character);
    return ConsoleOutputByte(byte) ? byte : EOF;
}
