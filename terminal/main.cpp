#include "platform/process.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"

int main(int argc, char** argv) {
    return TerminalMain(CommandLineTail(ProcessCommandLine(argc, argv)));
}
