#include "platform/process.h"

std::string ProcessCommandLine(int argc, char** argv) {
    std::string commandLine = "\"";
    for (const char* c = argc > 0 ? argv[0] : ""; *c != '\0'; ++c) {
        if (*c != '"') commandLine += *c;
    }
    commandLine += '"';
    for (int i = 1; i < argc; ++i) {
        commandLine += ' ';
        commandLine += argv[i];
    }
    return commandLine;
}
