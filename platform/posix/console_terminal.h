// The console on this platform: the controlling terminal, opened on first
// use, or standard input and output when the process has none.
#pragma once

struct ConsoleFiles {
    int input;
    int output;
};

const ConsoleFiles& Console();

// Writes every byte, continuing over short writes and signals. False when
// the console refuses them.
bool WriteToConsole(const void* data, unsigned long size);
