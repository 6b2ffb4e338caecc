// The console calls in a process of their own with a pseudo-terminal as its
// console: when gathered output reaches the screen, and keys in a busy loop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "platform/comm.h"
#include "platform/console.h"
#include "tools/console_session.h"

namespace {

const ConsoleSession::Console kTerminal = ConsoleSession::Console::kTerminal;

TEST(ConsoleOutputTest, GatheredBytesAreShownBeforeTheProcessSleeps) {
    ConsoleSession session(kTerminal, [] {
        _putch('a');
        _putch('b');
        Sleep(60000);
        return 0;
    });
    EXPECT_TRUE(session.WaitForOutput("ab"));
}

TEST(ConsoleOutputTest, AFullBlockIsShownWhileTheProcessIsBusy) {
    ConsoleSession session(kTerminal, [] {
        for (int i = 0; i < 10000; ++i) _putch('x');
        pause();
        return 0;
    });
    EXPECT_TRUE(session.WaitForOutput(std::string(4096, 'x')));
}

// Ended normally or by a signal, the process shows what it gathered, and in
// raw mode: written after the terminal's settings came back, the line feed
// would come out as CR LF.
class ConsoleEndTest : public ::testing::TestWithParam<int> {};

TEST_P(ConsoleEndTest, GatheredBytesAreShownBeforeTheTerminalIsRestored) {
    const int signalNumber = GetParam();
    ConsoleSession session(kTerminal, [signalNumber] {
        termios settings;
        tcgetattr(STDIN_FILENO, &settings);
        settings.c_oflag |= OPOST | ONLCR;
        tcsetattr(STDIN_FILENO, TCSANOW, &settings);
        _kbhit();
        _putch('\n');
        _putch('z');
        if (signalNumber != 0) raise(signalNumber);
        return 0;
    });
    const int status = session.WaitForExit();
    EXPECT_TRUE(signalNumber == 0 ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                                  : WIFSIGNALED(status) && WTERMSIG(status) == signalNumber)
        << status;
    EXPECT_EQ(session.output(), "\nz");
}

INSTANTIATE_TEST_SUITE_P(ExitAndSignals, ConsoleEndTest, ::testing::Values(0, SIGTERM, SIGHUP));

TEST(KeyboardTest, ABusyLoopThatNeverWaitsStillSeesAKey) {
    ConsoleSession session(kTerminal, [] {
        while (!_kbhit()) {
        }
        _putch(_getch());
        return 0;
    });
    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.Type("q");
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(session.output(), "q");
}

}  // namespace
