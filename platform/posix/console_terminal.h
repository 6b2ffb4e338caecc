// The console on this platform, its modes, and the output gathered for it.
//
// The console is the controlling terminal, or standard input and output
// when the process has none. Only a controlling terminal gets the program's
// modes: from the console's setting up on, its output processing is off, so
// that text reaches the screen byte for byte, and from EnterKeyboardRawMode
// on keys also arrive one byte at a time, unechoed, and no key raises a
// signal. A terminal on standard input or output that is not the
// controlling one belongs to the session that controls it and is used as
// it is, like a pipe.
//
// Output is gathered in a block and written when the block fills, and
// before every wait (see waits.h), so a stream of bytes costs one write per
// block. No write waits: what the console does not take stays gathered, and
// waits watch the console for room.
//
// At every exit, signals included, what was gathered is written as far as
// the console takes it at once, and then the terminal gets its own settings
// back; keys typed for the program and not read are dropped, so that they
// do not reach the shell. Before a stop by SIGTSTP the terminal gets its own
// settings back, and after SIGCONT the program's while it runs in the
// foreground.
#pragma once

struct ConsoleFiles {
    int input;
    int output;
    bool inputIsTerminal;  // rather than a file or pipe, whose end is only an end
};

// The console's files, set up on first use.
const ConsoleFiles& Console();
void EnterKeyboardRawMode();

// Gathers one byte, and writes the block if that fills it. False when the
// console refused the block (which is then dropped).
bool GatherOutput(unsigned char byte);
// Whether the block is full because the console took nothing of it yet.
bool OutputFull();
// Whether bytes wait for the console to take them.
bool OutputGathered();
// Writes what was gathered, as far as the console takes it now. False when
// the console refused it (which is then dropped).
bool WriteGatheredOutput();
// Drops what was gathered, for a program that is leaving.
void DropGatheredOutput();
