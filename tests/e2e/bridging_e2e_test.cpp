// Keys to the port, port bytes to the console, and ESC ESC.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <optional>
#include <thread>

#include "tests/e2e/sandbox_ports.h"
#include "tests/e2e/terminal_session.h"

namespace {

class BridgingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSandboxPorts();
        device = PublishSandboxPort(2);
        session.emplace(std::vector<std::string>{});
        ASSERT_TRUE(session->WaitForOutput("Press ESC, ESC to exit\r\n")) << session->output();
        ASSERT_TRUE(session->WaitForRawKeyboard());
        opened = session->output().size();
    }

    // What the console has shown since the opening messages.
    std::string Shown() const { return session->output().substr(opened); }

    void ExpectEndsOnSecondEsc() {
        session->Type("\x1b");
        EXPECT_EQ(device->Receive(1, 5000), "\x1b");
        const int status = session->WaitForExit();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    std::unique_ptr<VirtualSerialDevice> device;
    std::optional<TerminalSession> session;
    size_t opened = 0;
};

TEST_F(BridgingTest, EscLetterEscDoesNotEndButEscEscDoes) {
    session->Type("\x1b");
    EXPECT_EQ(device->Receive(1, 5000), "\x1b");
    session->Type("a");
    EXPECT_EQ(device->Receive(1, 5000), "a");
    session->Type("\x1b");
    EXPECT_EQ(device->Receive(1, 5000), "\x1b");
    EXPECT_EQ(session->WaitForExit(100), -1) << "ended after ESC, a, ESC";
    ExpectEndsOnSecondEsc();
}

TEST_F(BridgingTest, PortBytesBetweenTwoEscsDoNotDisarmThem) {
    session->Type("\x1b");
    EXPECT_EQ(device->Receive(1, 5000), "\x1b");
    device->Send("between");
    ASSERT_TRUE(session->WaitForOutput("between"));
    ExpectEndsOnSecondEsc();
}

TEST_F(BridgingTest, EveryByteValuePassesUnchangedBothWays) {
    std::string all;
    for (int value = 0; value < 256; ++value) all += static_cast<char>(value);
    device->Send(all + all);
    ASSERT_TRUE(session->WaitForOutput(all + all, 10000)) << Shown().size();
    EXPECT_EQ(Shown(), all + all);

    // Keys that a terminal would act on (NUL, Ctrl-C, Ctrl-Q, Ctrl-S, Ctrl-Z,
    // Ctrl-\, CR, LF, DEL, 0xFF) go to the port as they are and are not shown.
    const std::string keys("a\x00\x03\x11\x13\x1a\x1c\r\n\x7f\xff", 11);
    session->Type(keys);
    EXPECT_EQ(device->Receive(keys.size(), 5000), keys);
    device->Send("!");
    ASSERT_TRUE(session->WaitForOutput(all + all + "!"));
    EXPECT_EQ(Shown(), all + all + "!");
    session->Type("\x1b");
    EXPECT_EQ(device->Receive(1, 5000), "\x1b");
    ExpectEndsOnSecondEsc();
}

TEST_F(BridgingTest, AMebibyteOfEveryByteValueArrivesIntactAndInOrder) {
    const std::string flood = EveryByteValue(1 << 20);
    std::thread sender([&] { device->Send(flood, 30000); });
    const bool arrived = session->WaitForOutputSize(opened + flood.size(), 30000);
    sender.join();
    ASSERT_TRUE(arrived) << Shown().size() << " bytes shown";
    EXPECT_TRUE(Shown() == flood);
    session->Type("\x1b");
    EXPECT_EQ(device->Receive(1, 5000), "\x1b");
    ExpectEndsOnSecondEsc();
}

TEST_F(BridgingTest, EscEscEndsTheProgramDuringAFlood) {
    int status = -1;
    {
        DeviceFlood flood(*device, std::string(4096, 'f'));
        ASSERT_TRUE(session->WaitForOutput("ffff"));
        session->Type("\x1b\x1b");
        status = session->WaitForExit();
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(PortIsFree(*device));
}

TEST_F(BridgingTest, AVanishedDeviceNeitherSpinsNorKeepsEscEscFromEnding) {
    device->Vanish();
    const double cpuBefore = session->CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(session->CpuSeconds() - cpuBefore, 0.1) << "busy while the device is gone";
    session->Type("\x1b\x1b");
    const int status = session->WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
