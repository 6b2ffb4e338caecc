// The relay: the least any terminal has to do, run as a contender so that
// the others' figures can be read against the limit of this machine.
#pragma once

#include <string>

// Opens the device through its link and copies bytes, unchanged, in large
// blocks: device to console and console to device. Both are made raw first;
// the console last, so that a raw console means it has started. When the
// device hangs up it opens the link again as soon as there is something to
// open. Returns when the console goes; SIGTERM ends it.
int RunRelay(const std::string& linkPath);
