// The console on this platform: the controlling terminal, or standard
// input and output when the process has none, and the terminal modes the
// program runs it in. Only a controlling terminal gets them: a terminal on
// standard input or output that is not the controlling one is used as it
// is.
//
// On first use the console's output processing is turned off, so that
// text reaches the screen byte for byte; from EnterKeyboardRawMode on, keys
// also arrive one byte at a time, unechoed, and no key raises a signal.
// What was gathered for the screen is shown, and then the console gets its
// own settings back, at every exit, signals included, and before every stop
// by SIGTSTP; after SIGCONT the program's settings come back while it runs
// in the foreground. Keys typed for the program and not yet read are
// dropped as it ends, so that they do not reach the shell.
#pragma once

struct ConsoleFiles {
    int input;
    int output;
    // Whether the input is a terminal, whose end means it hung up, rather
    // than a file or pipe that has simply ended.
    bool inputIsTerminal;
};

const ConsoleFiles& Console();

void EnterKeyboardRawMode();
