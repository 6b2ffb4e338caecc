// Where the process waits: on what it polls next, never on a clock.
//
// The program looks at two things, its port and its keyboard, and waits in
// between. Every wait that can last watches the keyboard as well as what
// it waits for, so that a key ends it at once, and keys typed while a
// write waits for room are taken instead of left unread. The keyboard
// takes part from its first use on, through the calls it registers.
//
// Work deferred while the process is busy is done before it waits: the
// console gathers output in blocks, and writes them out first, so that
// nothing shown is held back for the length of the wait.
#pragma once

#include <poll.h>

// Sets what to run before waiting (the console's output flush).
void SetBeforeWaitHook(void (*hook)());

// Runs it; every wait calls it.
void BeforeWait();

// What waits need of the keyboard.
struct KeyboardCalls {
    int (*input)();         // the descriptor keys come from; -1 once it has ended
    void (*takeKeys)();     // reads what has been typed, without waiting
    bool (*holdsKeys)();    // keys taken and not handed out yet
    bool (*asksToLeave)();  // see KeyboardAsksToLeave
};
void WatchKeyboard(const KeyboardCalls& keyboard);

// Whether the keyboard holds keys taken and not handed out yet.
bool KeyboardHoldsKeys();
// Whether the keys typed ask the program to leave: two ESC keys in a row,
// and no key after them handed out yet. A write that waits for room then
// gives up, and the keys held from before the two are dropped: they would
// not reach the device before the program ends either.
bool KeyboardAsksToLeave();

// Waits until one of the count descriptors of fds has an event it asks for,
// the keyboard has input (which is then taken), a signal comes, or
// timeoutMs passes (-1: no limit). fds must have room for one more entry.
void WaitForEvents(pollfd* fds, int count, int timeoutMs);
