// The device sending at 115200 baud, paced as a real line paces it, while
// the bench watches the console.
#pragma once

#include <cstddef>
#include <random>

#include "bench/measurements.h"
#include "tools/console_session.h"
#include "tools/virtual_serial_device.h"

struct StreamFigures {
    double cpuPercent = 0;        // of one CPU
    double wakeupsPerSecond = 0;  // context switches
    Percentiles marked;           // from sending a marked byte to its showing
    bool intact = false;          // every byte shown, unchanged and in order
};

// For about `seconds` the device sends burst bytes at a time, each burst
// when a line at 115200 baud (8N1) would have carried it, on an absolute
// clock: 1 for a byte every 86.8 us, 8 for a UART that hands over its FIFO.
// CPU use and wake-ups are taken over exactly that time. `marks` of the
// bytes (at most one in ten), at random places away from the start and the
// end, take a value the others never take, and each is timed from its
// sending to its showing.
StreamFigures MeasureStream(ConsoleSession& terminal, VirtualSerialDevice& device, double seconds,
                            size_t burst, int marks, std::mt19937& random);
