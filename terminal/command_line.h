// Cutting the program's own name off a whole command line.
#pragma once

// Returns the command-line tail: what follows the program name, pointing
// into the same text. Leading spaces and tabs are skipped, then the name,
// then the spaces and tabs after it. A name that begins with a double quote
// runs through the next double quote (or to the end of the text); any other
// name runs to the first space, tab or the end.
const char* CommandLineTail(const char* commandLine);
