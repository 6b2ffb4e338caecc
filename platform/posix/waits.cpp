#include "platform/posix/waits.h"

namespace {

void (*g_hook)() = nullptr;
KeyboardCalls g_keyboard{};

}  // namespace

void SetBeforeWaitHook(void (*hook)()) { g_hook = hook; }

void BeforeWait() {
    if (g_hook != nullptr) g_hook();
}

void WatchKeyboard(const KeyboardCalls& keyboard) { g_keyboard = keyboard; }

bool KeyboardHoldsKeys() { return g_keyboard.holdsKeys != nullptr && g_keyboard.holdsKeys(); }

bool KeyboardAsksToLeave() { return g_keyboard.asksToLeave != nullptr && g_keyboard.asksToLeave(); }

void WaitForEvents(pollfd* fds, int count, int timeoutMs) {
    BeforeWait();
    // poll passes over a negative descriptor.
    fds[count] = pollfd{g_keyboard.input != nullptr ? g_keyboard.input() : -1, POLLIN, 0};
    if (poll(fds, static_cast<nfds_t>(count) + 1, timeoutMs) > 0 && fds[count].revents != 0) {
        g_keyboard.takeKeys();
    }
}
