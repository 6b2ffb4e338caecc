#include <errno.h>
#include <time.h>

#include "platform/comm.h"
#include "platform/posix/wait_hook.h"

void Sleep(DWORD milliseconds) {
    BeforeWait();
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
