#include "platform/posix/exit_cleanup.h"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// Signals whose default action is not to end the process, and the two that
// cannot be caught.
const int kNotEnding[] = {SIGKILL, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU,
                          SIGCONT, SIGCHLD, SIGURG,  SIGWINCH};
const int kMaxCleanups = 4;

// Read by signal handlers: each is stored before it is counted or used.
void (*g_cleanups[kMaxCleanups])();
volatile sig_atomic_t g_cleanupCount = 0;
void (*g_beforeStop)() = nullptr;
void (*g_afterContinue)() = nullptr;

void RunCleanups() {
    for (int i = g_cleanupCount - 1; i >= 0; --i) g_cleanups[i]();
}

bool Ends(int signalNumber) {
    for (int notEnding : kNotEnding) {
        if (signalNumber == notEnding) return false;
    }
    return true;
}

// Installs handler for signalNumber if the signal is at its default action.
void TakeOver(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction previous;
    if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) return;
    struct sigaction action {};
    action.sa_handler = handler;
    sigfillset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(signalNumber, &action, nullptr);
}

void SetDefaultAction(int signalNumber) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signalNumber, &action, nullptr);
}

// Installed with SA_RESETHAND, so the signal raised again ends the process
// once the handler returns and unblocks it.
void CleanUpAndDie(int signalNumber) {
    const int savedErrno = errno;
    RunCleanups();
    raise(signalNumber);
    errno = savedErrno;
}

// Stops as SIGTSTP does by default, then takes the signal over again. The
// kernel refuses the stop to a process group that no shell controls (an
// orphaned one, such as a session leader's); then, as after a stop, the
// program goes on as it was.
void StopAfterwards(int) {
    const int savedErrno = errno;
    g_beforeStop();
    struct sigaction ours;
    sigaction(SIGTSTP, nullptr, &ours);
    SetDefaultAction(SIGTSTP);
    raise(SIGTSTP);  // pending until unblocked here
    sigset_t stop, blocked;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, &blocked);
    sigprocmask(SIG_SETMASK, &blocked, nullptr);  // continued, or never stopped
    sigaction(SIGTSTP, &ours, nullptr);
    g_afterContinue();
    errno = savedErrno;
}

void Continued(int) {
    const int savedErrno = errno;
    g_afterContinue();
    errno = savedErrno;
}

void InstallEndingHandlers() {
    std::atexit(RunCleanups);
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
        if (Ends(signalNumber)) TakeOver(signalNumber, CleanUpAndDie, SA_RESETHAND);
    }
}

}  // namespace

void RunAtEveryExit(void (*cleanup)()) {
    if (g_cleanupCount == kMaxCleanups) std::abort();  // a new caller needs a bigger table
    if (g_cleanupCount == 0) InstallEndingHandlers();
    g_cleanups[g_cleanupCount] = cleanup;
    g_cleanupCount = g_cleanupCount + 1;
}

void RunAroundStops(void (*beforeStop)(), void (*afterContinue)()) {
    if (g_beforeStop != nullptr) std::abort();  // one pair per process
    g_beforeStop = beforeStop;
    g_afterContinue = afterContinue;
    TakeOver(SIGTSTP, StopAfterwards, SA_RESTART);
    TakeOver(SIGCONT, Continued, SA_RESTART);
}

void EndAsHungUp() {
    SetDefaultAction(SIGHUP);
    RunCleanups();
    sigset_t hangUp;
    sigemptyset(&hangUp);
    sigaddset(&hangUp, SIGHUP);
    sigprocmask(SIG_UNBLOCK, &hangUp, nullptr);
    raise(SIGHUP);
    _exit(128 + SIGHUP);  // not reached
}
