#include "terminal/terminal.h"

#include <cstdio>

#include "platform/console.h"
#include "serial/port.h"
#include "terminal/baud_rates.h"

namespace {

// Reads one word of up to 20 characters at text, skipping white space
// first. Returns how many characters the read consumed, or 0 (and an empty
// word) when no word is left.
int ReadWord(const char* text, char (&word)[21]) {
    int consumed = 0;
    if (std::sscanf(text, "%20s%n", word, &consumed) != 1) {
        word[0] = '\0';
        return 0;
    }
    return consumed;
}

}  // namespace

int TerminalMain(const char* commandTail) {
    int portNumber = 2;
    int escPressed = 0;
    const char* position = commandTail;
    char word[21];

    _cprintf("\r\nTarnwick program started\r\n");
    _cprintf("Usage:\r\nTarnwick [com1] [baudrate]\r\n");
    _cprintf("Parameter [com1] is optional for COM1 port using. Default is COM2\r\n");
    _cprintf("Parameter [baudrate] can be number of bauds: 110,300,600...256000\r\n");

    const int consumed = ReadWord(position, word);
    if (consumed != 0 && _stricmp(word, "com1") == 0) {
        portNumber = 1;
        position += consumed;
    }

    ReadWord(position, word);
    SelectBaudRate(word);

    std::snprintf(word, sizeof word, "COM%d", portNumber);
    if (!PortOpen(word)) {
        _cprintf("Can't open port %s!\r\nExiting...\r\n", word);
        return 1;
    }

    _cprintf("Serial port %s successfully opened\r\n", word);
    _cprintf("Keyboard input comes to port\r\n");
    _cprintf("Port output comes to screen\r\n");
    _cprintf("Press ESC, ESC to exit\r\n");

    for (;;) {
        if (_kbhit()) {
            const BYTE key = static_cast<BYTE>(_getch());
            PortWriteByte(key);
            if (IsEscKey(key)) {
                if (escPressed) break;
                escPressed = 1;
            } else {
                escPressed = 0;
            }
        }
        const int received = PortReadByte(kTerminalPollTimeoutMs);
        if (received != -1) _putch(received);
    }

    PortClose();
    return 0;
}
