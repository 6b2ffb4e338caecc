#include "bench/reconnect.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = ConsoleSession::Clock;

constexpr int kResendMs = 50;
constexpr int kDeadlineMs = 3000;

// Sending number n: letters, digits and spaces, which a device nobody has
// configured yet passes as they are.
std::string Line(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "back again %03d ", n);
    return text;
}

int MsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace

ReconnectFigures MeasureReconnect(ConsoleSession& terminal,
                                  std::unique_ptr<VirtualSerialDevice>& device,
                                  std::string& error) {
    while (terminal.Collect(50) > 0) {
    }
    terminal.output().clear();
    const std::string link = device->linkPath();
    // Destroyed, the device vanishes and its link goes with it; before the
    // new one is made, which may get its number and would then lose its
    // link to the old one's removal.
    device.reset();
    device = std::make_unique<VirtualSerialDevice>();
    if (!device->Open(link, error)) return {};

    const auto published = Clock::now();
    int sendings = 0;
    while (MsSince(published) < kDeadlineMs) {
        if (MsSince(published) >= sendings * kResendMs) device->Send(Line(sendings++), 0);
        const int untilNextSending = sendings * kResendMs - MsSince(published);
        if (terminal.Collect(std::max(1, untilNextSending)) == 0) continue;
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - published).count();
        const std::string& shown = terminal.output();
        for (int n = 0; n < sendings; ++n) {
            if (shown.find(Line(n)) != std::string::npos) {
                return ReconnectFigures{ms, shown.find(Line(0)) != std::string::npos};
            }
        }
    }
    return {};
}
