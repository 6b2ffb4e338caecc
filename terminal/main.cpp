#include <string>

#include "platform/process.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"

int main(int argc, char** argv) {
    const std::string commandLine = ProcessCommandLine(argc, argv);
    return TerminalMain(CommandLineTail(commandLine.c_str()));
}
