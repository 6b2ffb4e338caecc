// The Windows program under Wine: its text, the port and speed its words
// choose, and its keys. Screen text is compared as ScreenText gives it;
// bytes on the port exactly.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "tests/e2e/sandbox_ports.h"
#include "tests/windows/wine_session.h"

namespace {

const std::string kProgram = TARNWICK_WINDOWS_DIR "/tarnwick.exe";
const std::string kPrompt = "Press ESC, ESC to exit\r\n";

// The program under a folder name with a space, which the system's command
// line then holds in double quotes.
std::string ProgramInFolderWithSpace() {
    const std::string folder = TARNWICK_WINE_DIR "/Tarnwick Terminal";
    const std::string link = folder + "/tarnwick.exe";
    mkdir(folder.c_str(), 0755);
    unlink(link.c_str());
    EXPECT_EQ(symlink(kProgram.c_str(), link.c_str()), 0);
    return link;
}

struct StartCase {
    std::vector<std::string> words;
    bool quotedName;
    int port;
    std::string baudMessage;
    speed_t speed;
};

// How a case is named in test names and messages.
std::string CaseName(const StartCase& c) {
    std::string name = c.quotedName ? "QuotedProgramName" : "Tail";
    for (const std::string& word : c.words) name += "_" + word;
    return name;
}

void PrintTo(const StartCase& c, std::ostream* out) { *out << CaseName(c); }

// ESC ESC ends the program with status 0. The second ESC is sent too, but
// is not looked for: Wine's WriteFile returns before the byte has left, and
// its PurgeComm on closing can discard it from a pseudo-terminal before the
// other side has it.
void ExpectEscEscEnds(WineSession& session, VirtualSerialDevice& device) {
    session.Type("\x1b");
    EXPECT_EQ(device.Receive(1, kWineDeadlineMs), "\x1b");
    session.Type("\x1b");
    EXPECT_EQ(session.WaitForExit(), 0);
}

class StartTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartTest, OpensTheChosenPortAtItsSpeed8N1) {
    const StartCase& c = GetParam();
    ClearSandboxPorts();
    std::unique_ptr<VirtualSerialDevice> ports[] = {PublishSandboxPort(1), PublishSandboxPort(2)};
    VirtualSerialDevice& chosen = *ports[c.port - 1];
    VirtualSerialDevice& other = *ports[2 - c.port];

    WineSession session(c.quotedName ? ProgramInFolderWithSpace() : kProgram, c.words);
    ASSERT_TRUE(session.WaitForScreen(kPrompt)) << session.screen();
    ASSERT_EQ(session.screen(), kBanner + c.baudMessage + OpenedText(c.port));

    termios settings;
    ASSERT_EQ(tcgetattr(chosen.deviceFd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), c.speed);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));

    session.Type("k");
    EXPECT_EQ(chosen.Receive(1, kWineDeadlineMs), "k");
    ExpectEscEscEnds(session, chosen);
    EXPECT_EQ(other.Receive(1, 0), "");
}

// Speeds a pseudo-terminal takes under Wine: it sets the others (14400,
// 56000, 128000, 256000) through a serial driver's custom divisor.
INSTANTIATE_TEST_SUITE_P(
    Words, StartTest,
    ::testing::Values(
        StartCase{{}, false, 2, "Set default baudrate 9600 bauds\r\n", B9600},
        StartCase{{"COM1"}, false, 1, "Set default baudrate 9600 bauds\r\n", B9600},
        StartCase{{"com1", "19200"}, false, 1, "Set baudrate to 19200 bauds\r\n", B19200},
        StartCase{{"115200", "com1"}, false, 2, "Set baudrate to 115200 bauds\r\n", B115200},
        StartCase{
            {"9600bps"}, false, 2, "Non standard baudrate. Set baudrate to 9600 bauds\r\n", B9600},
        StartCase{{"com1", "110"}, true, 1, "Set baudrate to 110 bauds\r\n", B110}),
    [](const ::testing::TestParamInfo<StartCase>& testInfo) { return CaseName(testInfo.param); });

TEST(OpenFailureTest, SaysSoAndExitsWithStatusOne) {
    ClearSandboxPorts();
    WineSession session(kProgram, {"com1", "600"});
    EXPECT_EQ(session.WaitForExit(), 1) << session.screen();
    EXPECT_EQ(session.screen(), std::string(kBanner) + "Set baudrate to 600 bauds\r\n" +
                                    "Can't open port COM1!\r\nExiting...\r\n");
}

// COM2 open at the default speed, its opening messages shown.
class BridgingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSandboxPorts();
        device = PublishSandboxPort(2);
        session = std::make_unique<WineSession>(kProgram, std::vector<std::string>{});
        ASSERT_TRUE(session->WaitForScreen(kPrompt)) << session->screen();
        opened = session->screen().size();
    }

    // What the console has shown since the opening messages.
    std::string Shown() const { return session->screen().substr(opened); }

    std::unique_ptr<VirtualSerialDevice> device;
    std::unique_ptr<WineSession> session;
    size_t opened = 0;
};

TEST_F(BridgingTest, PortTextIsShownAndKeysGoToThePortUnechoed) {
    device->Send("text from the port");
    ASSERT_TRUE(session->WaitForScreen("text from the port")) << session->screen();

    // Every character a key can carry (NUL cannot) but Ctrl-C, which the
    // console acts on: control characters, ESC without a second ESC, 0xFF.
    std::string keys;
    for (int value = 1; value < 256; ++value) {
        if (value != 3) keys += static_cast<char>(value);
    }
    session->Type(keys);
    EXPECT_EQ(device->Receive(keys.size(), kWineDeadlineMs), keys);
    device->Send("!");
    ASSERT_TRUE(session->WaitForScreen("port!")) << session->screen();
    EXPECT_EQ(Shown(), "text from the port!");

    ExpectEscEscEnds(*session, *device);
}

TEST_F(BridgingTest, EscLetterEscDoesNotEndButEscEscDoes) {
    session->Type("\033a\033");
    EXPECT_EQ(device->Receive(3, kWineDeadlineMs), "\033a\033");
    // Still running, and port text after an ESC does not disarm it.
    device->Send("running");
    ASSERT_TRUE(session->WaitForScreen("running")) << session->screen();
    session->Type("\x1b");
    EXPECT_EQ(session->WaitForExit(), 0);
}

// The console ends the program, as Windows does; its exit code is the
// platform's (0xC000013A on Windows).
TEST_F(BridgingTest, CtrlCEndsTheProgramAndIsNotSent) {
    session->Type("\x03");
    EXPECT_NE(session->WaitForExit(), -1);
    EXPECT_EQ(device->Receive(1, 0), "");
}

}  // namespace
