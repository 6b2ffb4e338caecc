// What the program leaves of the terminal it ran on, and its open failure.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "tests/e2e/sandbox_ports.h"
#include "tests/e2e/terminal_session.h"

namespace {

TEST(OpenFailureTest, SaysSoAndExitsWithStatusOne) {
    ClearSandboxPorts();
    TerminalSession session({"com1", "600"});
    const termios before = session.StartSettings();
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(session.output(), std::string(kBanner) + "Set baudrate to 600 bauds\r\n" +
                                    "Can't open port COM1!\r\nExiting...\r\n");
    EXPECT_TRUE(SameSettings(before, session.ConsoleSettings()));
}

TEST(OpenFailureTest, PortHeldByAnotherProgramIsNotOpened) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    TerminalSession first({});
    ASSERT_TRUE(first.WaitForOutput("Press ESC, ESC to exit\r\n")) << first.output();

    TerminalSession second({});
    const int status = second.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(second.output().find("Can't open port COM2!\r\nExiting...\r\n"), std::string::npos);

    device->Send("still here");
    EXPECT_TRUE(first.WaitForOutput("still here"));
}

TEST(TerminalSettingsTest, RestoredAfterEscEsc) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    TerminalSession session({});
    const termios before = session.StartSettings();
    ASSERT_TRUE(session.WaitForRawKeyboard());
    EXPECT_FALSE(SameSettings(before, session.ConsoleSettings()));
    session.Type("\x1b\x1b");
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(SameSettings(before, session.ConsoleSettings()));
    EXPECT_TRUE(PortIsFree(*device));
}

TEST(NoTerminalTest, StandardInputAndOutputStandInForTheConsole) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    TerminalSession session({}, TerminalSession::Console::kPipes);
    ASSERT_TRUE(session.WaitForOutput(OpenedText(2))) << session.output();
    session.Type("keys");
    EXPECT_EQ(device->Receive(4, 5000), "keys");

    // Once input has ended the program still shows what the port sends.
    session.EndInput();
    device->Send("shown");
    EXPECT_TRUE(session.WaitForOutput(OpenedText(2) + "shown"));
    session.Signal(SIGTERM);
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

class EndingSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(EndingSignalTest, DuringAFloodRestoresTheTerminalFreesThePortAndDies) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    TerminalSession session({});
    const termios before = session.StartSettings();
    int status = -1;
    {
        DeviceFlood flood(*device, std::string(4096, 'f'));
        ASSERT_TRUE(session.WaitForOutput("ffff"));
        session.Signal(GetParam());
        status = session.WaitForExit();
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << status;
    EXPECT_TRUE(SameSettings(before, session.ConsoleSettings()));
    EXPECT_TRUE(PortIsFree(*device));
}

INSTANTIATE_TEST_SUITE_P(Signals, EndingSignalTest,
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGQUIT));

}  // namespace
