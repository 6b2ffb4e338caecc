// Raw keyboard mode on the console, and its undoing.
#pragma once

// From the first call on, the console's keys arrive one byte at a time,
// unechoed and with no signal characters, and output passes unchanged. The
// terminal's own settings are put back at normal exit and when SIGTERM,
// SIGHUP, SIGINT or SIGQUIT ends the process. Does nothing when the console
// input is no terminal.
void EnterKeyboardRawMode();
