// The Linux program, run from a folder whose name holds a blank and double
// quotes, on a pseudo-terminal at the kernel's default settings.
#include <gtest/gtest.h>

#include "tests/e2e/e2e.h"

const bool ProgramUnderTest::kLastKeyMayBeLost = false;

std::string ProgramUnderTest::WhyNotRun(const char*) { return ""; }

ProgramUnderTest::ProgramUnderTest(const std::vector<std::string>& words) {
    std::vector<std::string> argv{ProgramInFolder(TARNWICK_SANDBOX_PROGRAM, "Tarnwick \"Term\"")};
    argv.insert(argv.end(), words.begin(), words.end());
    m_session = std::make_unique<TestSession>(argv);
}

ProgramUnderTest::~ProgramUnderTest() = default;

bool ProgramUnderTest::WaitForScreen(const std::string& text) {
    return m_session->WaitForOutput(text);
}

// Keys typed before the keyboard is raw would be echoed by the terminal.
void ProgramUnderTest::Type(const std::string& keys) {
    EXPECT_TRUE(m_session->WaitForRawKeyboard());
    m_session->Type(keys);
}

std::string ProgramUnderTest::WaitForEnding() { return m_session->WaitForEnding(); }

std::string ProgramUnderTest::Screen() const { return m_session->output(); }

bool ProgramUnderTest::ConsoleRestored() const { return m_session->ConsoleRestored(); }
