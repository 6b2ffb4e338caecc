// tarnwick-bench: measures the sandboxed terminal, any other terminal
// command given, and a relay that only copies bytes (the limit, in the last
// column), each on a virtual serial device with a pseudo-terminal console.
//
//   tarnwick-bench [--bytes N] [--samples N] [--idle SECONDS]
//                  [--stream SECONDS] [[--ready TEXT] COMMAND]...
//
// Each COMMAND is a shell command line in which {device} stands for the
// link to its virtual device in the build's device folder, e.g.
// 'picocom -q -b 115200 {device}': every terminal opens its device through
// a link, as Tarnwick opens its COM2. It counts as started when the console
// shows TEXT, or without --ready when the program has put its console into
// raw mode. All run side by side, idle, until their memory is taken at one
// moment; then each in turn meets the latency samples, a paste, the flood,
// the streams and the reconnect, and ends.
//
// The figures: flood throughput, also as a share of the relay's, and CPU
// per byte, also as a multiple of the relay's; receive and keystroke
// latency; paste throughput; CPU use while the device sends at 115200 baud
// a byte at a time and in 8-byte bursts, the wake-ups in the first, and
// the latency of marked bytes within it; the time until a line from a
// device that vanished and came back at its link shows; idle CPU and
// wake-ups; idle PSS and anonymous memory; peak resident memory; start-up.
// Every byte of the flood, the paste and the streams is checked.
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/measurements.h"
#include "bench/reconnect.h"
#include "bench/relay.h"
#include "bench/stream.h"

namespace {

// Starts a terminal whose device is at the link given.
using Launcher = std::function<std::unique_ptr<ConsoleSession>(const std::string& link)>;

struct Contender {
    std::string name;
    Launcher launch;
    std::string linkName;  // where the device is published, in the device directory
    std::string ready;     // console text that ends the start; empty: raw mode
    std::string exitKeys;  // empty: ended with SIGTERM
};

struct Options {
    size_t floodBytes = 8 << 20;
    int samples = 300;
    double idleSeconds = 5;
    double streamSeconds = 3;
    std::vector<Contender> contenders;
};

struct Figures {
    double startupMs = 0;
    IdleFigures idle;
    Percentiles receive, keystroke;
    PasteFigures paste;
    FloodFigures flood;
    StreamFigures byteByByte, bursts;
    ReconnectFigures reconnect;
    long pssKb = 0;
    long anonymousKb = 0;
    long peakKb = 0;
    std::string failure;
};

std::string Substituted(std::string command, const std::string& device) {
    for (size_t at; (at = command.find("{device}")) != std::string::npos;) {
        command.replace(at, 8, device);
    }
    return command;
}

// The shell execs the command, so the session's process is the terminal.
Launcher ShellCommand(const std::string& command) {
    return [command](const std::string& link) {
        return std::make_unique<ConsoleSession>(
            std::vector<std::string>{"/bin/sh", "-c", "exec " + Substituted(command, link)});
    };
}

Launcher Relay() {
    return [](const std::string& link) {
        return std::make_unique<ConsoleSession>(ConsoleSession::Console::kTerminal,
                                                [&link] { return RunRelay(link); });
    };
}

// A terminal running on a virtual device of its own.
struct Running {
    std::unique_ptr<VirtualSerialDevice> device = std::make_unique<VirtualSerialDevice>();
    std::unique_ptr<ConsoleSession> terminal;
};

// Starts the contender and times its start; nullptr, and why in figures,
// when it does not start.
std::unique_ptr<Running> Start(const Contender& contender, Figures& figures) {
    mkdir(TARNWICK_SANDBOX_DEVICE_DIR, 0755);
    auto running = std::make_unique<Running>();
    std::string error;
    if (!running->device->Open(std::string(TARNWICK_SANDBOX_DEVICE_DIR "/") + contender.linkName,
                               error)) {
        figures.failure = error;
        return nullptr;
    }
    running->terminal = contender.launch(running->device->linkPath());
    ConsoleSession& terminal = *running->terminal;

    const bool started = contender.ready.empty() ? terminal.WaitForRawKeyboard(10000)
                                                 : terminal.WaitForOutput(contender.ready, 10000);
    figures.startupMs =
        std::chrono::duration<double, std::milli>(ConsoleSession::Clock::now() - terminal.started())
            .count();
    if (!started || !terminal.WaitForRawKeyboard(10000)) {
        figures.failure = "did not start: " + terminal.output();
        return nullptr;
    }
    return running;
}

// Latencies, the paste and the flood, then the peak of its memory; the
// streams; last the reconnect, which some terminals do not outlive. Ends
// the terminal.
void MeasureTraffic(Running& running, const Contender& contender, const Options& options,
                    Figures& figures) {
    ConsoleSession& terminal = *running.terminal;
    std::mt19937 random(20261206);
    figures.receive = MeasureReceiveLatency(terminal, *running.device, options.samples, random);
    figures.keystroke = MeasureKeystrokeLatency(terminal, *running.device, options.samples, random);
    figures.paste = MeasurePaste(terminal, *running.device, 64 << 10);
    figures.flood = MeasureFlood(terminal, *running.device, options.floodBytes);
    figures.peakKb = terminal.PeakResidentKb();
    figures.byteByByte =
        MeasureStream(terminal, *running.device, options.streamSeconds, 1, options.samples, random);
    figures.bursts = MeasureStream(terminal, *running.device, options.streamSeconds, 8, 0, random);
    std::string error;
    figures.reconnect = MeasureReconnect(terminal, running.device, error);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: no new device: %s\n", contender.name.c_str(), error.c_str());
    }
    if (contender.exitKeys.empty()) {
        terminal.Signal(SIGTERM);
    } else {
        terminal.Type(contender.exitKeys);
    }
    terminal.WaitForExit(2000);
}

void PrintRow(const char* label, const std::vector<Figures>& all,
              const std::function<std::string(const Figures&)>& cell) {
    std::printf("%-40s", label);
    for (const Figures& figures : all) {
        std::printf("%14s", figures.failure.empty() ? cell(figures).c_str() : "-");
    }
    std::printf("\n");
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A figure against the relay's; "-" when the relay has none, as when it
// did not start.
std::string Ratio(double value, double relayValue, double scale, int decimals) {
    return relayValue > 0 ? Fixed(scale * value / relayValue, decimals) : "-";
}

void Report(const Options& options, const std::vector<Figures>& all) {
    const Figures& relay = all.back();
    std::printf("%-40s", "");
    for (const Contender& contender : options.contenders) {
        std::printf("%14s", contender.name.c_str());
    }
    std::printf("\n");
    PrintRow("flood throughput (MB/s)", all,
             [](const Figures& f) { return Fixed(f.flood.megabytesPerSecond, 2); });
    PrintRow("flood throughput (% of the relay's)", all, [&](const Figures& f) {
        return Ratio(f.flood.megabytesPerSecond, relay.flood.megabytesPerSecond, 100, 1);
    });
    PrintRow("flood shown intact", all,
             [](const Figures& f) { return std::string(f.flood.intact ? "yes" : "NO"); });
    PrintRow("CPU per received byte (ns)", all,
             [](const Figures& f) { return Fixed(f.flood.cpuNsPerByte, 1); });
    PrintRow("CPU per received byte (x the relay's)", all, [&](const Figures& f) {
        return Ratio(f.flood.cpuNsPerByte, relay.flood.cpuNsPerByte, 1, 2);
    });
    PrintRow("receive latency p50 (ms)", all,
             [](const Figures& f) { return Fixed(f.receive.p50Ms, 2); });
    PrintRow("receive latency p99 (ms)", all,
             [](const Figures& f) { return Fixed(f.receive.p99Ms, 2); });
    PrintRow("keystroke latency p50 (ms)", all,
             [](const Figures& f) { return Fixed(f.keystroke.p50Ms, 2); });
    PrintRow("keystroke latency p99 (ms)", all,
             [](const Figures& f) { return Fixed(f.keystroke.p99Ms, 2); });
    PrintRow("paste throughput (bytes/s)", all,
             [](const Figures& f) { return Fixed(f.paste.bytesPerSecond, 0); });
    PrintRow("paste arrived intact", all,
             [](const Figures& f) { return std::string(f.paste.intact ? "yes" : "NO"); });
    PrintRow("stream CPU, byte by byte (%)", all,
             [](const Figures& f) { return Fixed(f.byteByByte.cpuPercent, 2); });
    PrintRow("stream CPU, 8-byte bursts (%)", all,
             [](const Figures& f) { return Fixed(f.bursts.cpuPercent, 2); });
    PrintRow("stream wake-ups, byte by byte (per s)", all,
             [](const Figures& f) { return Fixed(f.byteByByte.wakeupsPerSecond, 0); });
    PrintRow("stream shown intact", all, [](const Figures& f) {
        return std::string(f.byteByByte.intact && f.bursts.intact ? "yes" : "NO");
    });
    PrintRow("receive latency in stream p50 (ms)", all,
             [](const Figures& f) { return Fixed(f.byteByByte.marked.p50Ms, 2); });
    PrintRow("receive latency in stream p99 (ms)", all,
             [](const Figures& f) { return Fixed(f.byteByByte.marked.p99Ms, 2); });
    PrintRow("reconnect (ms)", all, [](const Figures& f) {
        return f.reconnect.ms < 0 ? std::string("no") : Fixed(f.reconnect.ms, 1);
    });
    PrintRow("reconnect kept early bytes", all, [](const Figures& f) {
        return std::string(f.reconnect.keptEarlyBytes ? "yes" : "no");
    });
    PrintRow("idle CPU (%)", all, [](const Figures& f) { return Fixed(f.idle.cpuPercent, 3); });
    PrintRow("idle wake-ups (per s)", all,
             [](const Figures& f) { return Fixed(f.idle.wakeupsPerSecond, 0); });
    PrintRow("idle PSS (KB)", all, [](const Figures& f) { return std::to_string(f.pssKb); });
    PrintRow("idle anonymous memory (KB)", all,
             [](const Figures& f) { return std::to_string(f.anonymousKb); });
    PrintRow("peak resident memory (KB)", all,
             [](const Figures& f) { return std::to_string(f.peakKb); });
    PrintRow("start-up (ms)", all, [](const Figures& f) { return Fixed(f.startupMs, 1); });
    for (size_t i = 0; i < all.size(); ++i) {
        if (!all[i].failure.empty()) {
            std::printf("%s failed: %s\n", options.contenders[i].name.c_str(),
                        all[i].failure.c_str());
        }
    }
}

const char kUsage[] =
    "usage: tarnwick-bench [--bytes N] [--samples N] [--idle SECONDS] [--stream SECONDS]\n"
    "                      [[--ready TEXT] 'COMMAND ... {device} ...']...\n";

// A format for the defaults: the flood size, the samples, the idle and the
// stream seconds.
const char kHelp[] =
    "\n"
    "Measures the sandboxed Tarnwick, each COMMAND ({device}: the link to its\n"
    "virtual serial device) and a relay that only copies bytes, the limit, and\n"
    "prints for each:\n"
    "  flood: throughput, also as %% of the relay's, and CPU per received byte,\n"
    "    also as a multiple of the relay's\n"
    "  receive and keystroke latency, 50th and 99th percentile\n"
    "  paste: 64 KiB typed in one write, in bytes a second\n"
    "  stream: CPU use while the device sends at 115200 baud, a byte at a time\n"
    "    and in 8-byte bursts; wake-ups, and the receive latency of marked\n"
    "    bytes, while it sends a byte at a time\n"
    "  reconnect: ms until a line from a device that vanished and came back\n"
    "    at its link shows, or no; whether the line sent first was kept\n"
    "  idle CPU and wake-ups; idle PSS and anonymous memory; peak resident\n"
    "    memory; start-up\n"
    "\n"
    "  --bytes N         flood size (default %zu)\n"
    "  --samples N       latency samples (default %d)\n"
    "  --idle SECONDS    idle time (default %g)\n"
    "  --stream SECONDS  length of each stream (default %g)\n"
    "  --ready TEXT      the next COMMAND has started when its console shows\n"
    "                    TEXT; without it, once its console is raw\n"
    "\n"
    "Ends with status 1 when a terminal did not start, or lost bytes of the\n"
    "flood, the paste or a stream.\n";

// The number in text, whole and from 1 to max; 0 when it is not one.
unsigned long long WholeNumber(const char* text, unsigned long long max) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    const bool whole = *text >= '0' && *text <= '9' && *end == '\0' && errno == 0;
    return whole && number <= max ? number : 0;
}

// Where the next contender's device is published.
std::string NextLink(const Options& options) {
    return "bench-port-" + std::to_string(options.contenders.size());
}

// The seconds in text, above 0 and at most an hour; 0 when it is not such.
double Seconds(const char* text) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    return *end == '\0' && seconds > 0 && seconds <= 3600 ? seconds : 0;
}

// Reads the command line into options; why it is not understood, or nothing.
std::string ParseArguments(int argc, char** argv, Options& options) {
    options.contenders.push_back(Contender{"tarnwick",
                                           ShellCommand(TARNWICK_SANDBOX_PROGRAM " 115200"),
                                           "ttyS1", "Press ESC, ESC to exit", "\x1b\x1b"});
    std::string ready;
    bool readyGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool flag = argument == "--bytes" || argument == "--samples" ||
                          argument == "--idle" || argument == "--stream" || argument == "--ready";
        if (flag && i + 1 == argc) return argument + " needs a value";
        const std::string value = flag ? argv[++i] : "";
        if (argument == "--bytes") {
            options.floodBytes = WholeNumber(value.c_str(), 1ull << 32);
            if (options.floodBytes == 0) {
                return "--bytes needs a whole number from 1 to 4294967296, not " + value;
            }
        } else if (argument == "--samples") {
            options.samples = static_cast<int>(WholeNumber(value.c_str(), 1000000));
            if (options.samples == 0) {
                return "--samples needs a whole number from 1 to 1000000, not " + value;
            }
        } else if (argument == "--idle" || argument == "--stream") {
            double& seconds = argument == "--idle" ? options.idleSeconds : options.streamSeconds;
            seconds = Seconds(value.c_str());
            if (seconds == 0) {
                return argument + " needs a number of seconds above 0, at most 3600, not " + value;
            }
        } else if (argument == "--ready") {
            ready = value;
            readyGiven = true;
        } else if (argument[0] == '-') {
            return "unknown option " + argument;
        } else {
            const std::string name = argument.substr(0, argument.find(' '));
            options.contenders.push_back(Contender{name.substr(name.rfind('/') + 1),
                                                   ShellCommand(argument), NextLink(options), ready,
                                                   ""});
            ready.clear();
            readyGiven = false;
        }
    }
    options.contenders.push_back(Contender{"relay (limit)", Relay(), NextLink(options), "", ""});
    return readyGiven ? "--ready " + ready + " has no COMMAND after it" : "";
}

// Links left behind by a benchmark that a signal ends would lead later
// programs to whatever terminal next gets their devices' numbers.
void RemoveLinksAndEnd(int signalNumber) {
    VirtualSerialDevice::RemovePublishedLinks();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        const Options defaults;
        std::printf(kHelp, defaults.floodBytes, defaults.samples, defaults.idleSeconds,
                    defaults.streamSeconds);
        return 0;
    }
    Options options;
    const std::string problem = ParseArguments(argc, argv, options);
    if (!problem.empty()) {
        std::fprintf(stderr, "tarnwick-bench: %s\n%s", problem.c_str(), kUsage);
        return 2;
    }
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, RemoveLinksAndEnd);
    const std::vector<Contender>& contenders = options.contenders;
    std::vector<Figures> all(contenders.size());
    // All run side by side until their memory is taken, at one moment: how
    // much of the C library's shared pages each is charged depends on how
    // many processes share them then.
    std::vector<std::unique_ptr<Running>> running;
    for (size_t i = 0; i < contenders.size(); ++i) {
        std::fprintf(stderr, "starting %s...\n", contenders[i].name.c_str());
        running.push_back(Start(contenders[i], all[i]));
    }
    for (size_t i = 0; i < contenders.size(); ++i) {
        if (running[i]) all[i].idle = MeasureIdle(*running[i]->terminal, options.idleSeconds);
    }
    for (size_t i = 0; i < contenders.size(); ++i) {
        if (!running[i]) continue;
        all[i].pssKb = running[i]->terminal->ProportionalSetKb();
        all[i].anonymousKb = running[i]->terminal->AnonymousKb();
    }
    for (size_t i = 0; i < contenders.size(); ++i) {
        if (!running[i]) continue;
        std::fprintf(stderr, "measuring %s...\n", contenders[i].name.c_str());
        MeasureTraffic(*running[i], contenders[i], options, all[i]);
        running[i].reset();
    }
    Report(options, all);
    for (const Figures& figures : all) {
        if (!figures.failure.empty() || !figures.flood.intact || !figures.paste.intact ||
            !figures.byteByByte.intact || !figures.bursts.intact) {
            return 1;
        }
    }
    return 0;
}
