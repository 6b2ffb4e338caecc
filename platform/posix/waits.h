// Where the process waits: on what it polls next, never on a clock.
//
// The program looks at two things, its port and its keyboard, and waits in
// between. Every wait watches the keyboard as well, once it is in use: a
// key ends the wait and is read at once, so keys are read as they are typed
// and never pile up into one read (see console_keys.h). Before it waits, the
// console is given what was gathered for it, and what it cannot take yet
// ends the wait when it has room.
#pragma once

#include <poll.h>

const int kWaitedMax = 16;

// Waits until one of the count (at most kWaitedMax) entries of fds has an
// event it asks for, a key is typed, the console has room for what waits
// for it, a signal comes, or timeoutMs passes (-1: no limit).
void Wait(pollfd* fds, int count, int timeoutMs);
