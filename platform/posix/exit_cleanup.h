// Cleanups that run however the process ends: at normal exit, and when
// SIGTERM, SIGHUP, SIGINT or SIGQUIT ends it. After the cleanups the signal
// is raised again and ends the process with its default action, as if it
// had never been caught. Signals ignored by whoever started the process
// stay ignored.
#pragma once

// Each cleanup must be async-signal-safe and must cope with running twice
// (a signal during normal exit). Later registrations run first.
void RunAtEveryExit(void (*cleanup)());
