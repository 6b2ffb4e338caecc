// The console calls: formatted text, key polling, unechoed keys and raw
// bytes out.
#include "platform/console.h"

#include <time.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/console_keys.h"
#include "platform/posix/console_output.h"
#include "platform/posix/console_terminal.h"
#include "platform/posix/waits.h"

namespace {

// A busy loop calls _kbhit between bytes it shows; asking the terminal
// every time would cost a system call per byte. So while keys are not held
// the terminal is asked once kKeyCheckIntervalNs has passed, with the clock
// read only every kCallsPerClockRead calls. Waits watch the keyboard
// themselves (see waits.h).
const long long kKeyCheckIntervalNs = 500000;
const unsigned kCallsPerClockRead = 32;

unsigned g_callsSinceClockRead = kCallsPerClockRead - 1;
long long g_lastKeyCheckNs = -kKeyCheckIntervalNs;

bool g_keyboardInUse = false;

long long NowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool KeyCheckDue() {
    if (++g_callsSinceClockRead < kCallsPerClockRead) return false;
    g_callsSinceClockRead = 0;
    const long long now = NowNs();
    if (now - g_lastKeyCheckNs < kKeyCheckIntervalNs) return false;
    g_lastKeyCheckNs = now;
    return true;
}

// From its first use on, the keyboard is raw and every wait watches it.
void UseKeyboard() {
    if (g_keyboardInUse) return;
    g_keyboardInUse = true;
    EnterKeyboardRawMode();
    WatchKeyboard(KeyboardCalls{KeyboardInput, TakeTypedKeys, KeysHeld, KeysAskToLeave});
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
    UseKeyboard();
    if (!KeysHeld() && KeyCheckDue()) TakeTypedKeys();
    return KeysHeld() ? 1 : 0;
}

int _getch() {
    UseKeyboard();
    if (!KeysHeld()) WaitForTypedKey();
    return NextKey();
}

int IsEscKey(int key) { return key == 27 && LastKeyWasEscKey() ? 1 : 0; }

int _putch(int character) {
    const unsigned char byte = static_cast<unsigned char>(character);
    return ConsoleOutputByte(byte) ? byte : EOF;
}
