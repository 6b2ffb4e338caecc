#include "platform/process.h"

#include <windows.h>

// The system keeps the command line as the user wrote it, quotes included.
const char* ProcessCommandLine(int, char**) { return GetCommandLineA(); }
