#include "bench/measurements.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

using Clock = ConsoleSession::Clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Pause(std::mt19937& random, int maxMs) {
    std::uniform_int_distribution<int> microseconds(0, maxMs * 1000);
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds(random)));
}

// Byte i of the flood: every value occurs, in no simple order.
unsigned char FloodByte(size_t i) {
    return static_cast<unsigned char>((static_cast<uint32_t>(i) * 2654435761u) >> 24);
}

}  // namespace

Percentiles Summarise(std::vector<double> samplesMs) {
    Percentiles result;
    if (samplesMs.empty()) return result;
    std::sort(samplesMs.begin(), samplesMs.end());
    const auto at = [&](double fraction) {
        return samplesMs[static_cast<size_t>(fraction * static_cast<double>(samplesMs.size() - 1))];
    };
    result.p50Ms = at(0.50);
    result.p99Ms = at(0.99);
    return result;
}

IdleFigures MeasureIdle(ConsoleSession& terminal, double seconds) {
    const auto [cpuSeconds, switches] = terminal.UseOver(static_cast<int>(seconds * 1000));
    return IdleFigures{100.0 * cpuSeconds / seconds, static_cast<double>(switches) / seconds};
}

Percentiles MeasureReceiveLatency(ConsoleSession& terminal, VirtualSerialDevice& device,
                                  int samples, std::mt19937& random) {
    std::vector<double> latencies;
    for (int i = 0; i < samples; ++i) {
        while (terminal.Collect(0) > 0) {
        }
        terminal.output().clear();
        Pause(random, 10);
        const auto sent = Clock::now();
        if (!device.Send("r", 1000)) break;
        while (terminal.output().find('r') == std::string::npos) {
            if (terminal.Collect(1000) == 0) return Summarise(latencies);
        }
        latencies.push_back(MsSince(sent));
    }
    return Summarise(latencies);
}

Percentiles MeasureKeystrokeLatency(ConsoleSession& terminal, VirtualSerialDevice& device,
                                    int samples, std::mt19937& random) {
    std::vector<double> latencies;
    device.Receive(1 << 20, 0);
    for (int i = 0; i < samples; ++i) {
        Pause(random, 60);  // several loop passes, so every phase of a pass is sampled
        const auto typed = Clock::now();
        if (!terminal.Type("k") || device.Receive(1, 1000) != "k") break;
        latencies.push_back(MsSince(typed));
    }
    return Summarise(latencies);
}

PasteFigures MeasurePaste(ConsoleSession& terminal, VirtualSerialDevice& device, size_t bytes) {
    device.Receive(1 << 20, 0);
    std::string text(bytes, '\r');  // lines of letters, with no key a terminal acts on
    for (size_t i = 0; i < bytes; ++i) {
        if (i % 64 != 63) text[i] = static_cast<char>('a' + i % 26);
    }
    const auto typed = Clock::now();
    auto last = typed;
    std::thread typist([&] { terminal.Type(text, 300000); });
    std::string arrived;
    while (arrived.size() < bytes) {  // until 5 s pass with nothing
        const std::string more = device.Receive(bytes - arrived.size(), 5000);
        if (more.empty()) break;
        arrived += more;
        last = Clock::now();
    }
    typist.join();
    PasteFigures figures;
    figures.bytesPerSecond =
        static_cast<double>(arrived.size()) / std::chrono::duration<double>(last - typed).count();
    figures.intact = arrived == text;
    return figures;
}

FloodFigures MeasureFlood(ConsoleSession& terminal, VirtualSerialDevice& device, size_t bytes) {
    while (terminal.Collect(50) > 0) {
    }
    terminal.output().clear();
    std::vector<char> chunk(4096);
    size_t sent = 0;
    FloodFigures figures;
    figures.intact = true;

    const double cpuBefore = terminal.CpuSeconds();
    const auto start = Clock::now();
    auto lastProgress = start;
    while (figures.bytesShown < bytes && MsSince(lastProgress) < 5000) {
        pollfd ends[2] = {{terminal.screen(), POLLIN, 0},
                          {device.fd(), static_cast<short>(sent < bytes ? POLLOUT : 0), 0}};
        if (poll(ends, 2, 100) <= 0) continue;
        if ((ends[1].revents & POLLOUT) != 0) {
            const size_t count = std::min(chunk.size(), bytes - sent);
            for (size_t i = 0; i < count; ++i) chunk[i] = static_cast<char>(FloodByte(sent + i));
            const ssize_t written = write(device.fd(), chunk.data(), count);
            if (written > 0) sent += static_cast<size_t>(written);
        }
        if ((ends[0].revents & POLLIN) != 0 && terminal.Collect(0) > 0) {
            std::string& shown = terminal.output();
            for (size_t i = 0; i < shown.size(); ++i) {
                if (static_cast<unsigned char>(shown[i]) != FloodByte(figures.bytesShown + i)) {
                    figures.intact = false;
                }
            }
            figures.bytesShown += shown.size();
            shown.clear();
            lastProgress = Clock::now();
        }
    }
    const double seconds = std::chrono::duration<double>(lastProgress - start).count();
    figures.intact = figures.intact && figures.bytesShown == bytes;
    figures.megabytesPerSecond = static_cast<double>(figures.bytesShown) / 1e6 / seconds;
    figures.cpuNsPerByte =
        (terminal.CpuSeconds() - cpuBefore) * 1e9 / static_cast<double>(figures.bytesShown);
    return figures;
}
