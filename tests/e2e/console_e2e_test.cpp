// The Linux program beyond the scenario table: other programs, port links,
// no terminal, signals, stops, floods and a vanished device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include "tests/e2e/sandbox_ports.h"
#include "tools/console_session.h"

namespace {

using Console = ConsoleSession::Console;

bool ExitedWith(int status, int code) { return WIFEXITED(status) && WEXITSTATUS(status) == code; }
bool DiedOf(int status, int signalNumber) {
    return WIFSIGNALED(status) && WTERMSIG(status) == signalNumber;
}

// The program as the last step of a process of the test's making.
int ExecSandbox() {
    execl(TARNWICK_SANDBOX_PROGRAM, TARNWICK_SANDBOX_PROGRAM, nullptr);
    return 127;
}

// COM2 published and the program running on it, its keyboard raw.
class OnCom2 : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSandboxPorts();
        device = PublishSandboxPort(2);
        session.emplace(SandboxCommand({}));
        ASSERT_TRUE(session->WaitForOutput(OpenedText(2))) << session->output();
        ASSERT_TRUE(session->WaitForRawKeyboard());
    }
    std::unique_ptr<VirtualSerialDevice> device;
    std::optional<ConsoleSession> session;
};

TEST_F(OnCom2, AMebibyteOfEveryByteValueArrivesIntactAndInOrder) {
    const size_t opened = session->output().size();
    const std::string flood = EveryByteValue(1 << 20);
    std::thread sender([&] { device->Send(flood, 30000); });
    const bool arrived = session->WaitForOutputSize(opened + flood.size(), 30000);
    sender.join();
    ASSERT_TRUE(arrived) << session->output().size() - opened << " bytes shown";
    EXPECT_TRUE(session->output().substr(opened) == flood) << "bytes lost, changed or reordered";
}

TEST_F(OnCom2, AVanishedDeviceNeitherSpinsNorKeepsEscEscFromEnding) {
    device->Vanish();
    const double cpuBefore = session->CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(session->CpuSeconds() - cpuBefore, 0.1) << "busy while the device is gone";
    session->Type("\x1b\x1b");
    EXPECT_TRUE(ExitedWith(session->WaitForExit(), 0));
}

TEST_F(OnCom2, ResizedItKeepsTheTerminalStoppedItGivesItBackContinuedTakesItAgain) {
    session->Signal(SIGWINCH);  // a window resized, which changes nothing
    session->Collect(100);
    EXPECT_TRUE(session->WaitForRawKeyboard()) << "a resized window gave the terminal back";
    session->Signal(SIGTSTP);
    for (int tries = 0; tries < 500; ++tries) {
        if (SameSettings(session->StartSettings(), session->ConsoleSettings())) break;
        session->Collect(10);
    }
    EXPECT_TRUE(SameSettings(session->StartSettings(), session->ConsoleSettings()))
        << "stopped with the terminal raw";
    session->Signal(SIGCONT);
    EXPECT_TRUE(session->WaitForRawKeyboard()) << "continued with the terminal cooked";
    session->Type("\x1b\x1b");
    EXPECT_TRUE(ExitedWith(session->WaitForExit(), 0));
}

// 0 stands for ESC ESC.
class EndDuringAFlood : public OnCom2, public ::testing::WithParamInterface<int> {};

TEST_P(EndDuringAFlood, RestoresTheTerminalAndFreesThePort) {
    int status = -1;
    {
        DeviceFlood flood(*device, std::string(4096, 'f'));
        ASSERT_TRUE(session->WaitForOutput("ffff"));
        if (GetParam() == 0) {
            session->Type("\x1b\x1b");
        } else {
            session->Signal(GetParam());
        }
        status = session->WaitForExit();
    }
    EXPECT_TRUE(GetParam() == 0 ? ExitedWith(status, 0) : DiedOf(status, GetParam())) << status;
    EXPECT_TRUE(SameSettings(session->StartSettings(), session->ConsoleSettings()));
    EXPECT_TRUE(PortIsFree(*device)) << "lock or exclusive flag left behind";
}

INSTANTIATE_TEST_SUITE_P(EscEscAndSignals, EndDuringAFlood,
                         ::testing::Values(0, SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM,
                                           SIGUSR1, SIGUSR2, SIGRTMIN));

TEST(PortLinks, ALinkChoosesTheDeviceAndADanglingOneDoesNotOpen) {
    ClearSandboxPorts();
    auto numbered = PublishSandboxPort(2);
    VirtualSerialDevice adapter;
    std::string error;
    ASSERT_TRUE(adapter.Open(TARNWICK_SANDBOX_DEVICE_DIR "/ttyUSB0", error)) << error;
    LinkSandboxPort(2, adapter.linkPath());
    ConsoleSession linked(SandboxCommand({}));
    ASSERT_TRUE(linked.WaitForOutput(OpenedText(2))) << linked.output();
    linked.Type("\x1b\x1b");
    EXPECT_EQ(adapter.Receive(2, 5000), "\x1b\x1b");
    EXPECT_EQ(numbered->Receive(1, 0), "") << "the numbered port was used";
    EXPECT_TRUE(ExitedWith(linked.WaitForExit(), 0));

    LinkSandboxPort(2, TARNWICK_SANDBOX_DEVICE_DIR "/unplugged");
    ConsoleSession dangling(SandboxCommand({}));
    EXPECT_TRUE(ExitedWith(dangling.WaitForExit(), 1)) << "fell back to the numbered port";
    EXPECT_EQ(dangling.output(), kBanner + kDefaultSpeedText + FailureText(2));
    ClearSandboxPorts();
}

// Standard output left non-blocking by another program, as in
// `... | tarnwick | head -c 10`.
TEST(NoTerminal, StandardInputAndOutputStandInForTheConsole) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ConsoleSession session(Console::kPipes, [] {
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
    EXPECT_TRUE(DiedOf(session.WaitForExit(), SIGPIPE));
    EXPECT_TRUE(PortIsFree(*device)) << "lock or exclusive flag left behind";
}

// As under nohup: the terminal goes away, and no SIGHUP ends the program.
TEST(HangUp, ATerminalGoneEndsTheProgramWhereSIGHUPIsIgnored) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ConsoleSession session(Console::kTerminal, [] {
        signal(SIGHUP, SIG_IGN);
        return ExecSandbox();
    });
    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.HangUp();
    EXPECT_TRUE(DiedOf(session.WaitForExit(), SIGHUP)) << "still running without a terminal";
    EXPECT_TRUE(PortIsFree(*device)) << "lock or exclusive flag left behind";
}

TEST(HangUp, KeysLeftAfterEscEscDoNotReachTheShell) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ConsoleSession shell(Console::kTerminal, [] {
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

}  // namespace
