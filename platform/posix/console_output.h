// Output to the console, gathered in blocks.
//
// Single bytes collect in a block that is written when it fills, before the
// process waits for anything (see waits.h), and at exit (see
// console_terminal.h), so a stream of bytes costs one write per block and no
// byte waits longer than the loop that shows it keeps busy. Text is written
// at once, after what was gathered.
#pragma once

#include <cstddef>

// Adds one byte. False when the console refused the block it completed.
bool ConsoleOutputByte(unsigned char byte);
// Writes what was gathered, then the text.
bool ConsoleOutputText(const char* text, size_t size);
// Writes what was gathered.
bool FlushConsoleOutput();
// The same as the process ends, however it ends: async-signal-safe, and does
// nothing if a signal came in the middle of a write of the block.
void FlushConsoleOutputAtEnd();
