// The figures the benchmark takes of one running terminal program.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

#include "tools/console_session.h"
#include "tools/virtual_serial_device.h"

struct Percentiles {
    double p50Ms = 0;
    double p99Ms = 0;
};

// The 50th and 99th percentiles; zeros when there are no samples.
Percentiles Summarise(std::vector<double> samplesMs);

struct IdleFigures {
    double cpuPercent = 0;
    double wakeupsPerSecond = 0;
};

struct FloodFigures {
    double megabytesPerSecond = 0;
    double cpuNsPerByte = 0;
    size_t bytesShown = 0;
    bool intact = false;  // every byte shown, unchanged and in order
};

struct PasteFigures {
    double bytesPerSecond = 0;
    bool intact = false;  // every byte arrived, unchanged and in order
};

// CPU use and wake-ups (context switches) while nothing happens.
IdleFigures MeasureIdle(ConsoleSession& terminal, double seconds);

// From a byte leaving the device to its showing on the console, over
// samples taken at random moments.
Percentiles MeasureReceiveLatency(ConsoleSession& terminal, VirtualSerialDevice& device,
                                  int samples, std::mt19937& random);

// From a key typed on the console to its arrival at the device.
Percentiles MeasureKeystrokeLatency(ConsoleSession& terminal, VirtualSerialDevice& device,
                                    int samples, std::mt19937& random);

// Text typed into the console in one write: bytes a second from the write
// to the arrival of the last byte at the device.
PasteFigures MeasurePaste(ConsoleSession& terminal, VirtualSerialDevice& device, size_t bytes);

// The device sends bytes of every value as fast as the terminal takes
// them; each byte shown is checked against what was sent.
FloodFigures MeasureFlood(ConsoleSession& terminal, VirtualSerialDevice& device, size_t bytes);
