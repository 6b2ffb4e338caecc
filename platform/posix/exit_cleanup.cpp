#include "platform/posix/exit_cleanup.h"

#include <errno.h>
#include <signal.h>

#include <cstdlib>

namespace {

const int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
const int kMaxCleanups = 4;

// Read by the signal handler: a cleanup is stored before it is counted.
void (*g_cleanups[kMaxCleanups])();
volatile sig_atomic_t g_cleanupCount = 0;

void RunCleanups() {
    for (int i = g_cleanupCount - 1; i >= 0; --i) g_cleanups[i]();
}

// Installed with SA_RESETHAND, so raising the signal again ends the process.
void CleanUpAndDie(int signalNumber) {
    const int savedErrno = errno;
    RunCleanups();
    raise(signalNumber);
    errno = savedErrno;
}

void InstallHandlers() {
    std::atexit(RunCleanups);
    for (int signalNumber : kEndingSignals) {
        struct sigaction previous;
        if (sigaction(signalNumber, nullptr, &previous) != 0) continue;
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = CleanUpAndDie;
        sigfillset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace

void RunAtEveryExit(void (*cleanup)()) {
    if (g_cleanupCount == kMaxCleanups) std::abort();  // a new caller needs a bigger table
    if (g_cleanupCount == 0) InstallHandlers();
    g_cleanups[g_cleanupCount] = cleanup;
    g_cleanupCount = g_cleanupCount + 1;
}
