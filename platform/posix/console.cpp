// The console calls: formatted text, key polling, unechoed keys and raw
// bytes out.
#include "platform/console.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/posix/console_terminal.h"
#include "platform/posix/keyboard_mode.h"

namespace {

// A key that _kbhit has taken from the terminal and _getch has not yet
// handed out, and whether input has ended (end of file, terminal gone).
int g_waitingKey = -1;
bool g_inputEnded = false;

// Takes one byte from the console input, waiting at most timeoutMs (-1:
// for ever). -1 when none came.
int ReadKey(int timeoutMs) {
    while (!g_inputEnded) {
        pollfd waiting{Console().input, POLLIN, 0};
        const int ready = poll(&waiting, 1, timeoutMs);
        if (ready == 0) return -1;
        if (ready < 0) {
            if (errno == EINTR) continue;
            g_inputEnded = true;
            break;
        }
        unsigned char key = 0;
        const ssize_t count = read(Console().input, &key, 1);
        if (count == 1) return key;
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) g_inputEnded = true;
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
    if (static_cast<size_t>(length) < sizeof small) {
        return WriteToConsole(small, static_cast<unsigned long>(length)) ? length : -1;
    }

    std::vector<char> large(static_cast<size_t>(length) + 1);
    va_start(arguments, format);
    std::vsnprintf(large.data(), large.size(), format, arguments);
    va_end(arguments);
    return WriteToConsole(large.data(), static_cast<unsigned long>(length)) ? length : -1;
}

int _kbhit() {
    EnterKeyboardRawMode();
    if (g_waitingKey == -1) g_waitingKey = ReadKey(0);
    return g_waitingKey != -1 ? 1 : 0;
}

int _getch() {
    EnterKeyboardRawMode();
    int key = g_waitingKey;
    g_waitingKey = -1;
    if (key == -1) key = ReadKey(-1);
    return key;
}

int _putch(int character) {
    const unsigned char byte = static_cast<unsigned char>(character);
    return WriteToConsole(&byte, 1) ? byte : EOF;
}
