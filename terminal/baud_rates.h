// The named baud rates the command line may ask for, and their lookup.
#pragma once

#include "platform/comm.h"

struct BaudRateName {
    const char* name;
    DWORD baudRate;
};

const int kBaudRateCount = 15;
extern const BaudRateName g_baudRates[kBaudRateCount];

// Looks the word up in g_baudRates (exact text, letter case significant),
// announces the result on the console, stores the chosen rate with 8 data
// bits, no parity and one stop bit through PortSetParams, and returns the
// rate: 9600 for an empty or unknown word.
DWORD SelectBaudRate(const char* word);
