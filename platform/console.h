// Console input and output of the runtime library, its case-blind text
// comparison, and whether a key is the ESC key.
//
// On Windows these come from the C runtime. Elsewhere they are implemented
// in platform/posix/ on the controlling terminal; only when the process has
// none do standard input and output stand in.
//
//   _cprintf  formats text and writes it straight to the console.
//   _kbhit    nonzero when a key is waiting; never blocks. The first call
//             puts the keyboard into raw mode: keys are not echoed and
//             no key raises a signal. The terminal's own settings come
//             back at every exit, signals included.
//   _getch    takes one key byte, unechoed; -1 once input has ended.
//   IsEscKey  whether the key byte _getch returned last is the ESC key
//             itself. On Windows every 27 is; other keys there come as 0
//             or 0xE0 and a code. A Unix terminal sends many keys (the
//             arrows, function keys) as sequences that begin with 27.
//   _putch    writes one byte to the console, unchanged.
//   _stricmp  compares two texts ignoring letter case.
#pragma once

#ifdef _WIN32
#include <conio.h>
#include <string.h>

inline int IsEscKey(int key) { return key == 27 ? 1 : 0; }
#else

int _cprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int _kbhit();
int _getch();
int IsEscKey(int key);
int _putch(int character);
int _stricmp(const char* left, const char* right);

#endif
