#include "terminal/command_line.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

const char* SkipBlanks(const char* text) {
    while (IsBlank(*text)) ++text;
    return text;
}

}  // namespace

const char* CommandLineTail(const char* commandLine) {
    const char* position = SkipBlanks(commandLine);
    if (*position == '"') {
        ++position;
        while (*position != '\0' && *position != '"') ++position;
        if (*position == '"') ++position;
    } else {
        while (*position != '\0' && !IsBlank(*position)) ++position;
    }
    return SkipBlanks(position);
}
