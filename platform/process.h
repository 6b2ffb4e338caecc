// The process's whole command line, program name included.
#pragma once

// On Windows the command line as the system keeps it; argc and argv are not
// used. Elsewhere it is rebuilt from argv: the program name in double
// quotes (any quotes inside it dropped), then every argument after a single
// space, so that cutting the program name off yields the arguments joined
// with single spaces. The text stays as it is until the next call.
const char* ProcessCommandLine(int argc, char** argv);
