#include "platform/posix/waits.h"

#include <algorithm>

#include "platform/posix/console_keys.h"
#include "platform/posix/console_terminal.h"

void Wait(pollfd* fds, int count, int timeoutMs) {
    // A full block is what a wait for the console's room waits for: once the
    // write before the wait has made room, the wait ends at once.
    const bool full = OutputFull();
    WriteGatheredOutput();
    // poll passes over a negative descriptor.
    pollfd watched[kWaitedMax + 2];
    std::copy(fds, fds + count, watched);
    const int keyboard = count, console = count + 1;
    watched[keyboard] = pollfd{KeyboardToWatch(), POLLIN, 0};
    watched[console] = pollfd{full || OutputGathered() ? Console().output : -1, POLLOUT, 0};
    if (poll(watched, static_cast<nfds_t>(count) + 2, timeoutMs) <= 0) return;
    std::copy(watched, watched + count, fds);
    if (watched[keyboard].revents != 0) TakeTypedKeys();
}
