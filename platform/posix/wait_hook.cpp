#include "platform/posix/wait_hook.h"

namespace {

void (*g_hook)() = nullptr;
unsigned long g_waits = 0;

}  // namespace

void SetBeforeWaitHook(void (*hook)()) { g_hook = hook; }

void BeforeWait() {
    ++g_waits;
    if (g_hook != nullptr) g_hook();
}

unsigned long WaitCount() { return g_waits; }
