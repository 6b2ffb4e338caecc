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

const unsigned char kEsc = 27;

// The held keys, a ring of kKeysHeldMax bytes in pages of their own, then a
// bit for each saying whether it is the ESC key. Keys are counted from the
// first taken: those from g_handedOut up to g_taken are held.
unsigned char* g_keys = nullptr;
unsigned long long g_taken = 0;
unsigned long long g_handedOut = 0;

bool g_inputEnded = false;
bool g_lastTakenWasEscKey = false;
bool g_lastTakenDropped = false;
bool g_lastHandedOutWasEscKey = false;
// Two ESC keys in a row, the second numbered as keys are, until a key
// after them is handed out.
bool g_leaveAsked = false;
unsigned long long g_secondEsc = 0;

unsigned char* EscKeyBits() { return g_keys + kKeysHeldMax; }

unsigned long long Held() { return g_taken - g_handedOut; }

// Only an ESC byte's bit is ever read or written, so the bits cost no page
// until an ESC comes.
void Put(unsigned char key, bool escKey) {
    const unsigned long long slot = g_taken % kKeysHeldMax;
    const unsigned char bit = static_cast<unsigned char>(1u << (slot % 8));
    unsigned char& bits = EscKeyBits()[slot / 8];
    if (key == kEsc) bits = static_cast<unsigned char>(escKey ? bits | bit : bits & ~bit);
    g_keys[slot] = key;
    ++g_taken;
}

// Holds a key taken, or drops it when there is no room. The second of two
// ESC keys in a row is always held, and the first with it: the keys typed
// before them make room.
void Hold(unsigned char key, bool escKey) {
    if (escKey && g_lastTakenWasEscKey) {
        const unsigned firstKept = g_lastTakenDropped ? 0 : 1;  // held, or already handed out
        if (kKeysHeldMax - Held() < 2 - firstKept) g_handedOut = g_taken - firstKept;
        if (firstKept == 0) Put(kEsc, true);
        g_leaveAsked = true;
        g_secondEsc = g_taken;
    }
    g_lastTakenWasEscKey = escKey;
    g_lastTakenDropped = Held() == kKeysHeldMax;
    if (!g_lastTakenDropped) Put(key, escKey);
}

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
    if (g_keys == nullptr) g_keys = static_cast<unsigned char*>(MapOwnPages(kKeysHeldMax * 9 / 8));
    if (g_keys == nullptr) return;  // no memory: keys stay with the terminal
    // Keys are read straight into the ring, except while keys are being
    // dropped: then a read looks for ESC ESC first.
    unsigned char dropping[256];
    const size_t room = static_cast<size_t>(kKeysHeldMax - Held());
    const size_t slot = static_cast<size_t>(g_taken % kKeysHeldMax);
    const bool inPlace = room != 0 && !g_lastTakenDropped;
    unsigned char* typed = inPlace ? g_keys + slot : dropping;
    const size_t count =
        ReadWaiting(typed, inPlace ? std::min(room, kKeysHeldMax - slot) : sizeof dropping);
    for (size_t i = 0; i < count; ++i) {
        const bool sequenceFollows = i + 1 < count && (typed[i + 1] == '[' || typed[i + 1] == 'O');
        Hold(typed[i], typed[i] == kEsc && !sequenceFollows);
    }
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
    const unsigned long long slot = g_handedOut % kKeysHeldMax;
    const unsigned char key = g_keys[slot];
    g_lastHandedOutWasEscKey = key == kEsc && (EscKeyBits()[slot / 8] >> (slot % 8) & 1) != 0;
    if (g_handedOut > g_secondEsc) g_leaveAsked = false;
    ++g_handedOut;
    return key;
}

bool LastKeyWasEscKey() { return g_lastHandedOutWasEscKey; }

bool KeysAskToLeave() {
    if (!g_leaveAsked) return false;
    g_handedOut = std::max(g_handedOut, g_secondEsc - 1);  // from the first of the two
    return true;
}

int KeyboardInput() { return g_inputEnded ? -1 : Console().input; }
