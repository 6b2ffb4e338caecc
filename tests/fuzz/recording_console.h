// Console calls for the fuzz target: what the program shows is recorded, and
// the keyboard holds ESC ESC, after which the program must not ask for more.
#pragma once

#include <string>

namespace recording_console {

extern std::string g_shown;

// Nothing shown yet; ESC ESC waiting.
void Reset();

}  // namespace recording_console
