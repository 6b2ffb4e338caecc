#include "platform/process.h"

#include <windows.h>

// The system keeps the command line as the user wrote it, quotes included.
std::string ProcessCommandLine(int, char**) { return GetCommandLineA(); }
