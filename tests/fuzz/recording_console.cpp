#include "tests/fuzz/recording_console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/console.h"

namespace {

int g_escKeysLeft = 0;

}  // namespace

namespace recording_console {

std::string g_shown;

void Reset() {
    g_shown.clear();
    g_escKeysLeft = 2;
}

}  // namespace recording_console

using recording_console::g_shown;

int _cprintf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    char text[512];  // far more than any message of the program needs
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<size_t>(length) >= sizeof text) std::abort();
    g_shown.append(text, static_cast<size_t>(length));
    return length;
}

int _kbhit() {
    if (g_escKeysLeft == 0) {
        std::fputs("the loop went on after ESC ESC\n", stderr);
        std::abort();
    }
    return 1;
}

int _getch() {
    --g_escKeysLeft;
    return 27;
}

int _putch(int character) {
    g_shown += static_cast<char>(character);
    return character;
}
