#include "platform/posix/stream_gathering.h"

#include <time.h>

namespace {

long long g_lastPortWakeNs = 0;
int g_closePortWakes = 0;  // in a row, up to kWakesToStream

long long NowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

bool StreamGathers(bool bytesCame) {
    if (!bytesCame) g_closePortWakes = 0;
    return g_closePortWakes == kWakesToStream;
}

void NotePortWake() {
    const long long now = NowNs();
    const bool close = now - g_lastPortWakeNs < kStreamGapNs;
    g_closePortWakes = close ? g_closePortWakes + (g_closePortWakes < kWakesToStream) : 1;
    g_lastPortWakeNs = now;
}
