#include "platform/posix/console_keys.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "platform/posix/console_terminal.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/posix/own_pages.h"
#include "platform/posix/waits.h"

namespace {

// The held keys, a ring of kKeysHeldMax bytes in pages of their own. Keys
// are counted from the first taken: those from g_handedOut up to g_taken
// are held.
unsigned char* g_keys = nullptr;
unsigned long long g_taken = 0;
unsigned long long g_handedOut = 0;

bool g_inputEnded = false;

unsigned long long Held() { return g_taken - g_handedOut; }

// A terminal that reports the end of its input has hung up; a file or pipe
// has only run out, and the program goes on showing what the port sends.
void InputEnded() {
    if (Console().inputIsTerminal) EndAsHungUp();
    g_inputEnded = true;
}

// Reads at most size bytes of what the input holds now; 0 when none.
size_t ReadWaiting(unsigned char* bytes, size_t size) {
    while (!g_inputEnded) {
        pollfd waiting{Console().input, POLLIN, 0};
        const int ready = poll(&waiting, 1, 0);
        if (ready == 0) return 0;
        if (ready < 0) {
            if (errno == EINTR) continue;
            InputEnded();
            break;
        }
        const ssize_t count = read(Console().input, bytes, size);
        if (count > 0) return static_cast<size_t>(count);
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) InputEnded();
    }
    return 0;
}

}  // namespace

void TakeTypedKeys() {
    if (g_keys == nullptr) g_keys = static_cast<unsigned char*>(MapOwnPages(kKeysHeldMax));
    const size_t room = static_cast<size_t>(kKeysHeldMax - Held());
    if (g_keys == nullptr || room == 0) return;  // keys stay with the terminal
    const size_t slot = static_cast<size_t>(g_taken % kKeysHeldMax);
    g_taken += ReadWaiting(g_keys + slot, std::min(room, kKeysHeldMax - slot));
}

void WaitForTypedKey() {
    BeforeWait();
    while (!KeysHeld() && !g_inputEnded) {
        pollfd waiting{Console().input, POLLIN, 0};
        if (poll(&waiting, 1, -1) < 0 && errno != EINTR) {
            InputEnded();
            break;
        }
        TakeTypedKeys();
    }
}

bool KeysHeld() { return Held() != 0; }

int NextKey() {
    if (!KeysHeld()) return -1;
    return g_keys[g_handedOut++ % kKeysHeldMax];
}

int KeyboardInput() { return g_inputEnded ? -1 : Console().input; }
