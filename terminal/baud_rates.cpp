#include "terminal/baud_rates.h"

#include <cstring>

#include "platform/console.h"
#include "serial/port.h"

const BaudRateName g_baudRates[kBaudRateCount] = {
    {"110", 110},     {"300", 300},     {"600", 600},       {"1200", 1200},     {"2400", 2400},
    {"4800", 4800},   {"9600", 9600},   {"14400", 14400},   {"19200", 19200},   {"38400", 38400},
    {"56000", 56000}, {"57600", 57600}, {"115200", 115200}, {"128000", 128000}, {"256000", 256000},
};

DWORD SelectBaudRate(const char* word) {
    DWORD baudRate = 9600;
    const BaudRateName* match = nullptr;
    for (int row = 0; row < kBaudRateCount; ++row) {
        if (std::strcmp(word, g_baudRates[row].name) == 0) {
            match = &g_baudRates[row];
            baudRate = match->baudRate;
            break;
        }
    }

    if (match) {
        _cprintf("Set baudrate to %s bauds\r\n", match->name);
    } else if (word[0] != '\0') {
        _cprintf("Non standard baudrate. Set baudrate to 9600 bauds\r\n");
    } else {
        _cprintf("Set default baudrate 9600 bauds\r\n");
    }

    PortSetParams(baudRate, 8, NOPARITY, ONESTOPBIT);
    return baudRate;
}
