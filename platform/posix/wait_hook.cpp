#include "platform/posix/wait_hook.h"

namespace {

void (*g_hook)() = nullptr;

}  // namespace

void SetBeforeWaitHook(void (*hook)()) { g_hook = hook; }

void BeforeWait() {
    if (g_hook != nullptr) g_hook();
}
