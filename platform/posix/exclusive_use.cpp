#include "platform/posix/exclusive_use.h"

#include <errno.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include "platform/posix/exit_cleanup.h"

namespace {

// Descriptors (plus one; 0 is a free slot) whose exclusive flag is to be
// taken back at the end. Read by signal handlers. Devices beyond the table
// still work; only their flag is not taken back if the process is killed.
const int kTrackedCapacity = 16;
volatile sig_atomic_t g_tracked[kTrackedCapacity];
bool g_releaseAtEndRegistered = false;

void ReleaseAllAtEnd() {
    for (int i = 0; i < kTrackedCapacity; ++i) {
        if (g_tracked[i] != 0) ioctl(g_tracked[i] - 1, TIOCNXCL, 0);
    }
}

void Track(int fd) {
    if (!g_releaseAtEndRegistered) {
        RunAtEveryExit(ReleaseAllAtEnd);
        g_releaseAtEndRegistered = true;
    }
    for (int i = 0; i < kTrackedCapacity; ++i) {
        if (g_tracked[i] == 0) {
            g_tracked[i] = fd + 1;
            return;
        }
    }
}

void Untrack(int fd) {
    for (int i = 0; i < kTrackedCapacity; ++i) {
        if (g_tracked[i] == fd + 1) g_tracked[i] = 0;
    }
}

}  // namespace

ExclusiveUse TakeExclusiveUse(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return ExclusiveUse::kRefused;
    int heldExclusively = 0;
    if (ioctl(fd, TIOCGEXCL, &heldExclusively) != 0) {
        const bool noTerminal = errno == ENOTTY || errno == EINVAL;
        return noTerminal ? ExclusiveUse::kLockedOnly : ExclusiveUse::kRefused;
    }
    if (heldExclusively != 0 || ioctl(fd, TIOCEXCL, 0) != 0) return ExclusiveUse::kRefused;
    Track(fd);
    return ExclusiveUse::kFlagSet;
}

void ReleaseExclusiveUse(int fd) {
    Untrack(fd);
    ioctl(fd, TIOCNXCL, 0);
}
