#include "bench/stream.h"

#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = ConsoleSession::Clock;

constexpr long long kBytesPerSecond = 11520;  // 115200 baud, 10 bits a byte
constexpr char kMarked = '\xff';

// Byte i of the stream: any value but kMarked, in no simple order.
char StreamByte(size_t i) {
    return static_cast<char>(((static_cast<uint32_t>(i) * 2654435761u) >> 24) % 255);
}

// When byte `at` of a stream begun at start is due on the line.
timespec DueTime(const timespec& start, size_t at) {
    const long long ns = start.tv_nsec + static_cast<long long>(at) * 1000000000 / kBytesPerSecond;
    return timespec{start.tv_sec + static_cast<time_t>(ns / 1000000000),
                    static_cast<long>(ns % 1000000000)};
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

}  // namespace

StreamFigures MeasureStream(ConsoleSession& terminal, VirtualSerialDevice& device, double seconds,
                            size_t burst, int marks, std::mt19937& random) {
    const size_t bursts = static_cast<size_t>(seconds * kBytesPerSecond) / burst + 1;
    std::string bytes(bursts * burst, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = StreamByte(i);
    std::uniform_int_distribution<size_t> place(bytes.size() / 10, bytes.size() * 9 / 10);
    for (size_t left = std::min(static_cast<size_t>(marks), bytes.size() / 10); left > 0;) {
        char& byte = bytes[place(random)];
        if (byte != kMarked) --left;
        byte = kMarked;
    }
    while (terminal.Collect(50) > 0) {
    }
    terminal.output().clear();

    // Marked bytes cost the terminal what any byte costs, so one run gives
    // both its CPU use and their latencies.
    std::vector<Clock::time_point> markSent;
    double cpuUsed = 0;
    long switches = 0;
    Clock::duration streamed{};
    std::thread sender([&] {
        prctl(PR_SET_TIMERSLACK, 1UL);  // the default 50 us would make every wake late
        const double cpuBefore = terminal.CpuSeconds();
        const long switchesBefore = terminal.ContextSwitches();
        timespec start;
        clock_gettime(CLOCK_MONOTONIC, &start);
        const auto begun = Clock::now();
        for (size_t at = 0; at < bytes.size(); at += burst) {
            const timespec due = DueTime(start, at);
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            const auto sent = Clock::now();
            const std::string piece = bytes.substr(at, burst);
            markSent.insert(markSent.end(), std::count(piece.begin(), piece.end(), kMarked), sent);
            if (!device.Send(piece, 1000)) break;
        }
        streamed = Clock::now() - begun;
        cpuUsed = terminal.CpuSeconds() - cpuBefore;
        switches = terminal.ContextSwitches() - switchesBefore;
    });

    // Read as soon as the console has something, so that the reading adds
    // nothing to the latencies.
    std::vector<Clock::time_point> markShown;
    size_t shown = 0;
    bool unchanged = true;
    auto lastProgress = Clock::now();
    while (shown < bytes.size() && Seconds(Clock::now() - lastProgress) < 2) {
        if (terminal.Collect(100) == 0) continue;
        lastProgress = Clock::now();
        for (const char byte : terminal.output()) {
            if (byte == kMarked) markShown.push_back(lastProgress);
            unchanged = unchanged && shown < bytes.size() && byte == bytes[shown];
            ++shown;
        }
        terminal.output().clear();
    }
    sender.join();

    std::vector<double> latencies;
    for (size_t i = 0; i < std::min(markSent.size(), markShown.size()); ++i) {
        latencies.push_back(Seconds(markShown[i] - markSent[i]) * 1000);
    }
    StreamFigures figures;
    figures.cpuPercent = 100 * cpuUsed / Seconds(streamed);
    figures.wakeupsPerSecond = static_cast<double>(switches) / Seconds(streamed);
    figures.marked = Summarise(latencies);
    figures.intact = unchanged && shown == bytes.size();
    return figures;
}
