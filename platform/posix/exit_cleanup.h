// Cleanups that run however the process ends, and around its stops.
//
// Cleanups run at normal exit and when a signal whose default action ends
// the process arrives (TERM, HUP, INT, QUIT, PIPE, ALRM, USR1 and all the
// rest but KILL). After them the signal is raised again and ends the process
// with its default action, as if it had never been caught. Only signals at
// their default action are taken over: one ignored by whoever started the
// process stays ignored, and another handler stays in place.
#pragma once

// Each cleanup must be async-signal-safe and must cope with running twice
// (a signal during normal exit). Later registrations run first.
void RunAtEveryExit(void (*cleanup)());

// On SIGTSTP, beforeStop runs and then the process stops as it would by
// default; afterContinue runs once it goes on, or at once where the kernel
// refuses the stop, and on every SIGCONT, also after a SIGSTOP, which cannot
// be caught. Both must be async-signal-safe. One pair per process.
void RunAroundStops(void (*beforeStop)(), void (*afterContinue)());

// Runs the cleanups and ends the process by SIGHUP, even where SIGHUP is
// ignored: for a console that has gone away.
[[noreturn]] void EndAsHungUp();
