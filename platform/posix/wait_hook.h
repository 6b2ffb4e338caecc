// Work deferred while the process is busy, done before it waits.
//
// The console gathers output in blocks and looks at the keyboard only now
// and then while bytes stream through; both must catch up before the
// process sleeps or waits on a device, so that nothing shown or typed is
// held back for the length of the wait.
#pragma once

// Sets what to run before waiting (the console's output flush).
void SetBeforeWaitHook(void (*hook)());

// Runs it and counts the wait; called by Sleep, by writes that wait for the
// device, and before blocking on the keyboard.
void BeforeWait();

// How many waits BeforeWait has counted.
unsigned long WaitCount();
