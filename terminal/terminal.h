// The terminal program: banner and usage, the command-line words, opening
// the port and the keyboard/port bridging loop.
#pragma once

#include "platform/comm.h"

// How long each pass of the loop waits for a byte from the port.
const DWORD kTerminalPollTimeoutMs = 20;

// Runs the whole program on the command-line tail "[com1] [baudrate]".
// Returns the exit status: 0 after ESC ESC, 1 when the port cannot be opened.
int TerminalMain(const char* commandTail);
