#include "platform/posix/console_keys.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/console_terminal.h"
#include "platform/posix/exit_cleanup.h"

namespace {

const unsigned char kEsc = 27;

enum class Keyboard { kUnused, kWatched, kEnded };
Keyboard g_keyboard = Keyboard::kUnused;

// The held keys: a ring of kKeysHeldMax from the first key read on. Keys
// are counted from the first held; those from g_handedOut up to g_taken are
// held.
struct HeldKey {
    unsigned char byte;
    bool escKey;
};
HeldKey* g_keys = nullptr;
unsigned long long g_taken = 0;
unsigned long long g_handedOut = 0;
bool g_lastHandedOutWasEscKey = false;
// ESC keys in a row among the keys read last; at two the program is to leave.
int g_escKeysInARow = 0;

unsigned long long Held() { return g_taken - g_handedOut; }

bool StartsSequence(const unsigned char* bytes, size_t count) {
    return count > 1 && bytes[0] == kEsc &&
           (bytes[1] == '[' || bytes[1] == 'O' || StartsSequence(bytes + 1, count - 1));
}

// Holds a key read, or drops it: once the program is to leave, when no
// more are held, and with no memory for the ring, where ESC ESC still
// counts.
void Hold(unsigned char byte, bool escKey) {
    if (g_escKeysInARow < 2) g_escKeysInARow = escKey ? g_escKeysInARow + 1 : 0;
    if (g_escKeysInARow == 2 || g_keys == nullptr || Held() == kKeysHeldMax) return;
    g_keys[g_taken++ % kKeysHeldMax] = HeldKey{byte, escKey};
}

}  // namespace

void StartKeyboard() {
    if (g_keyboard != Keyboard::kUnused) return;
    EnterKeyboardRawMode();
    g_keyboard = Keyboard::kWatched;
}

int KeyboardToWatch() { return g_keyboard == Keyboard::kWatched ? Console().input : -1; }

void TakeTypedKeys() {
    if (g_keyboard != Keyboard::kWatched) return;
    const ConsoleFiles& console = Console();
    pollfd typed{console.input, POLLIN, 0};
    if (poll(&typed, 1, 0) <= 0) return;
    unsigned char keys[4096];  // all that a terminal holds unread
    const ssize_t count = read(console.input, keys, sizeof keys);
    if (count > 0) {
        if (g_keys == nullptr)
            g_keys = static_cast<HeldKey*>(std::malloc(kKeysHeldMax * sizeof(HeldKey)));
        for (ssize_t i = 0; i < count; ++i) {
            const size_t rest = static_cast<size_t>(count - i);
            Hold(keys[i], keys[i] == kEsc && !StartsSequence(keys + i, rest));
        }
    } else if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    } else if (!console.inputIsTerminal) {
        g_keyboard = Keyboard::kEnded;  // a file or pipe has run out
    } else if (count < 0 || (typed.revents & POLLHUP) != 0) {
        EndAsHungUp();
    }
    // A terminal that reads as ending without hanging up has had Ctrl-D
    // typed in its own cooked mode: that ends a read, not the input.
}

bool KeysHeld() { return Held() != 0 || KeysAskToLeave(); }

int NextKey() {
    if (Held() != 0) {
        const HeldKey key = g_keys[g_handedOut++ % kKeysHeldMax];
        g_lastHandedOutWasEscKey = key.escKey;
        return key.byte;
    }
    if (!KeysAskToLeave()) return -1;
    g_lastHandedOutWasEscKey = true;
    return kEsc;
}

bool LastKeyWasEscKey() { return g_lastHandedOutWasEscKey; }

bool KeysAskToLeave() { return g_escKeysInARow == 2; }

void DropKeysBeforeLeaving() { g_handedOut = g_taken; }
