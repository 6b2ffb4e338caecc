// The console calls in a process of their own with a pseudo-terminal as its
// console: when gathered output reaches the screen, and keys in a busy loop.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "platform/comm.h"
#include "platform/console.h"
#include "tools/console_session.h"

namespace {

// More than two full blocks, gathered without a wait, then a sleep.
TEST(ConsoleOutputTest, NoGatheredByteIsLostOrHeldBackWhenTheProcessSleeps) {
    ConsoleSession session(ConsoleSession::Console::kTerminal, [] {
        for (int i = 0; i < 10000; ++i) _putch('x');
        Sleep(60000);
        return 0;
    });
    EXPECT_TRUE(session.WaitForOutput(std::string(10000, 'x'))) << "output lost or held back";
}

// Ended normally (0) or by a signal, the process shows what it gathered, and
// in raw mode: written after the terminal's own settings came back, the line
// feed would come out as CR LF.
class ConsoleEndTest : public ::testing::TestWithParam<int> {};

TEST_P(ConsoleEndTest, GatheredBytesAreShownBeforeTheTerminalIsRestored) {
    const int signalNumber = GetParam();
    ConsoleSession session(ConsoleSession::Console::kTerminal, [signalNumber] {
        _kbhit();
        _putch('\n');
        _putch('z');
        if (signalNumber != 0) raise(signalNumber);
        return 0;
    });
    session.WaitForExit();
    EXPECT_EQ(session.output(), "\nz") << "lost, or shown after the terminal's settings came back";
}

INSTANTIATE_TEST_SUITE_P(ExitAndSignals, ConsoleEndTest, ::testing::Values(0, SIGTERM, SIGHUP));

TEST(KeyboardTest, ABusyLoopThatNeverWaitsStillSeesAKey) {
    ConsoleSession session(ConsoleSession::Console::kTerminal, [] {
        while (!_kbhit()) {
        }
        _putch(_getch());
        return 0;
    });
    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.Type("q");
    EXPECT_TRUE(session.WaitForOutput("q")) << "the loop never saw the key";
}

}  // namespace
