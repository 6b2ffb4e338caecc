// The console on this platform: the controlling terminal, opened on first
// use, or standard input and output when the process has none.
#pragma once

struct ConsoleFiles {
    int input;
    int output;
};

const ConsoleFiles& Console();
