// The Linux program, run from a folder whose name holds a blank and double
// quotes, on a pseudo-terminal at the kernel's default settings.
#include "tests/e2e/e2e.h"

const int kDeadlineMs = 5000;
const bool kLastKeyMayBeLost = false;
const bool kOwnsTheConsole = true;

std::string WhyNotRun(const char*) { return ""; }

std::unique_ptr<TestSession> StartProgram(const std::vector<std::string>& words) {
    std::vector<std::string> argv{ProgramInFolder(TARNWICK_SANDBOX_PROGRAM, "Tarnwick \"Term\"")};
    argv.insert(argv.end(), words.begin(), words.end());
    return std::make_unique<TestSession>(argv);
}

std::string ScreenText(const TestSession& program) { return program.output(); }

// Keys typed before the keyboard is raw would be echoed by the terminal.
void TypeKeys(TestSession& program, const std::string& keys) {
    program.WaitForRawKeyboard();
    program.Type(keys);
}
