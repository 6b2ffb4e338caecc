#include "tests/e2e/terminal_session.h"

namespace {

std::vector<std::string> SandboxCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{TARNWICK_SANDBOX_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

}  // namespace

TerminalSession::TerminalSession(const std::vector<std::string>& arguments, Console console)
    : ConsoleSession(SandboxCommand(arguments), console) {}
