// What the program leaves of the terminal it ran on, and its open failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

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

TEST(PortLinksTest, ALinkChoosesTheDeviceAndADanglingOneDoesNotOpen) {
    ClearSandboxPorts();
    auto numbered = PublishSandboxPort(2);
    VirtualSerialDevice adapter;
    std::string error;
    ASSERT_TRUE(adapter.Open(TARNWICK_SANDBOX_DEVICE_DIR "/ttyUSB0", error)) << error;
    LinkSandboxPort(2, adapter.linkPath());
    TerminalSession linked({});
    ASSERT_TRUE(linked.WaitForOutput(OpenedText(2))) << linked.output();
    linked.Type("\x1b\x1b");
    EXPECT_EQ(adapter.Receive(2, 5000), "\x1b\x1b");
    EXPECT_EQ(numbered->Receive(1, 0), "");
    EXPECT_NE(linked.WaitForExit(), -1);

    LinkSandboxPort(2, TARNWICK_SANDBOX_DEVICE_DIR "/unplugged");
    TerminalSession dangling({});
    const int status = dangling.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(dangling.output().find("Can't open port COM2!\r\n"), std::string::npos);
    ClearSandboxPorts();
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

// Runs the sandbox program as the last step of body's process.
int ExecSandbox() {
    execl(TARNWICK_SANDBOX_PROGRAM, TARNWICK_SANDBOX_PROGRAM, nullptr);
    return 127;
}

// Standard output left non-blocking by another program, as in
// `... | tarnwick | head -c 10`.
TEST(NoTerminalTest, StandardInputAndOutputStandInForTheConsole) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ConsoleSession session(ConsoleSession::Console::kPipes, [] {
        fcntl(STDOUT_FILENO, F_SETFL, fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
        return ExecSandbox();
    });
    ASSERT_TRUE(session.WaitForOutput(OpenedText(2))) << session.output();
    session.Type("keys");
    EXPECT_EQ(device->Receive(4, 5000), "keys");

    // Once input has ended the program still shows what the port sends,
    // every byte of it, though nobody reads for a while.
    session.EndInput();
    const size_t opened = session.output().size();
    const std::string flood = EveryByteValue(300000);
    std::thread sender([&] { device->Send(flood, 30000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(session.WaitForOutputSize(opened + flood.size(), 30000));
    sender.join();
    EXPECT_TRUE(session.output().substr(opened) == flood) << session.output().size() - opened;

    session.HangUp();
    device->Send("to a closed pipe");
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
    EXPECT_TRUE(PortIsFree(*device));
}

// As under nohup: the terminal goes away, and no SIGHUP ends the program.
TEST(HangUpTest, ATerminalGoneEndsTheProgramWhereSIGHUPIsIgnored) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ConsoleSession session(ConsoleSession::Console::kTerminal, [] {
        signal(SIGHUP, SIG_IGN);
        return ExecSandbox();
    });
    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.HangUp();
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << status;
    EXPECT_TRUE(PortIsFree(*device));
}

TEST(TerminalSettingsTest, KeysLeftAfterEscEscDoNotReachTheShell) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ConsoleSession shell(ConsoleSession::Console::kTerminal, [] {
        const int status = std::system(TARNWICK_SANDBOX_PROGRAM);
        termios settings;  // non-canonical, so that a partial line counts
        tcgetattr(STDIN_FILENO, &settings);
        cfmakeraw(&settings);
        tcsetattr(STDIN_FILENO, TCSANOW, &settings);
        int left = -1;
        ioctl(STDIN_FILENO, FIONREAD, &left);
        std::printf("status %d, %d keys left\n", WEXITSTATUS(status), left);
        return 0;
    });
    ASSERT_TRUE(shell.WaitForRawKeyboard());
    shell.Type("\x1b\x1b[A");  // ESC, then the up arrow
    EXPECT_TRUE(shell.WaitForOutput("status 0, 0 keys left")) << shell.output();
}

TEST(TerminalSettingsTest, RestoredWhileStoppedAndRawAgainAfterwards) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    TerminalSession session({});
    const termios before = session.ConsoleSettings();
    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.Signal(SIGTSTP);
    for (int tries = 0; tries < 500 && !SameSettings(before, session.ConsoleSettings()); ++tries) {
        session.Collect(10);
    }
    EXPECT_TRUE(SameSettings(before, session.ConsoleSettings()));
    session.Signal(SIGCONT);
    EXPECT_TRUE(session.WaitForRawKeyboard());
    session.Type("\x1b\x1b");
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
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
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM,
                                           SIGUSR1, SIGUSR2, SIGRTMIN));

}  // namespace
