// The console calls: formatted text, key polling, unechoed keys and raw
// bytes out.
#include "platform/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/console_keys.h"
#include "platform/posix/console_terminal.h"
#include "platform/posix/waits.h"

namespace {

// A busy loop calls _kbhit between the bytes it shows, some tens of
// nanoseconds apart, and asking the terminal every time would cost a system
// call per byte. So while no key is held it is asked every
// kCallsPerKeyCheck calls, about every tenth of a millisecond while bytes
// stream through; the first call asks at once. Waits watch the keyboard
// themselves.
const unsigned kCallsPerKeyCheck = 4096;
unsigned g_callsToKeyCheck = 1;

// Waits for room while the console has taken nothing of a full block.
void WaitForOutputRoom() {
    while (OutputFull()) {
        if (KeysAskToLeave()) {
            DropGatheredOutput();  // the user is leaving before the console took it
        } else {
            Wait(nullptr, 0, -1);  // which writes first, and ends once there is room
        }
    }
}

// Gathers a byte; false when the console refused output.
bool Show(unsigned char byte) {
    if (OutputFull()) WaitForOutputRoom();
    return GatherOutput(byte);
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
    char* text = small;
    if (size >= sizeof small) {
        text = static_cast<char*>(std::malloc(size + 1));
        if (text == nullptr) return -1;
        va_start(arguments, format);
        std::vsnprintf(text, size + 1, format, arguments);
        va_end(arguments);
    }
    bool shown = true;
    for (size_t i = 0; i < size; ++i) shown = Show(static_cast<unsigned char>(text[i])) && shown;
    if (text != small) std::free(text);
    return WriteGatheredOutput() && shown ? length : -1;
}

int _kbhit() {
    StartKeyboard();
    if (KeysHeld()) return 1;
    if (--g_callsToKeyCheck != 0) return 0;
    g_callsToKeyCheck = kCallsPerKeyCheck;
    TakeTypedKeys();
    return KeysHeld() ? 1 : 0;
}

int _getch() {
    StartKeyboard();
    while (!KeysHeld() && KeyboardToWatch() != -1) Wait(nullptr, 0, -1);
    return NextKey();
}

int IsEscKey(int key) { return key == 27 && LastKeyWasEscKey() ? 1 : 0; }

int _putch(int character) {
    const unsigned char byte = static_cast<unsigned char>(character);
    return Show(byte) ? byte : EOF;
}
