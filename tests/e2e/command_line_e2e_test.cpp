// Which port and speed the program's command-line words choose.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>

#include <cctype>

#include "tests/e2e/sandbox_ports.h"
#include "tests/e2e/terminal_session.h"

namespace {

const char kDefault[] = "Set default baudrate 9600 bauds\r\n";
const char kNonStandard[] = "Non standard baudrate. Set baudrate to 9600 bauds\r\n";

struct CommandLineCase {
    std::vector<std::string> words;
    int port;
    std::string baudMessage;
};

void PrintTo(const CommandLineCase& c, std::ostream* out) {
    for (const std::string& word : c.words) *out << '[' << word << ']';
    *out << " -> COM" << c.port;
}

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

std::string CaseName(const ::testing::TestParamInfo<CommandLineCase>& info) {
    std::string name = "Tail" + std::to_string(info.index);
    for (const std::string& word : info.param.words) {
        name += '_';
        for (char c : word) name += std::isalnum(static_cast<unsigned char>(c)) ? c : 'x';
    }
    return name;
}

TEST_P(CommandLineTest, ChoosesPortAndSpeed) {
    const CommandLineCase& c = GetParam();
    ClearSandboxPorts();
    std::unique_ptr<VirtualSerialDevice> ports[] = {PublishSandboxPort(1), PublishSandboxPort(2)};
    VirtualSerialDevice& chosen = *ports[c.port - 1];
    VirtualSerialDevice& other = *ports[2 - c.port];

    TerminalSession session(c.words);
    ASSERT_TRUE(session.WaitForOutput("Press ESC, ESC to exit\r\n")) << session.output();
    EXPECT_EQ(session.output(), kBanner + c.baudMessage + OpenedText(c.port));

    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.Type("k");
    EXPECT_EQ(chosen.Receive(1, 5000), "k");
    session.Type("\x1b\x1b");
    EXPECT_EQ(chosen.Receive(2, 5000), "\x1b\x1b");
    EXPECT_EQ(other.Receive(1, 0), "");
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

INSTANTIATE_TEST_SUITE_P(
    Words, CommandLineTest,
    ::testing::Values(
        CommandLineCase{{}, 2, kDefault}, CommandLineCase{{"com1"}, 1, kDefault},
        CommandLineCase{{"COM1"}, 1, kDefault}, CommandLineCase{{"Com1"}, 1, kDefault},
        CommandLineCase{{"com1", "19200"}, 1, "Set baudrate to 19200 bauds\r\n"},
        CommandLineCase{{"19200"}, 2, "Set baudrate to 19200 bauds\r\n"},
        CommandLineCase{{"19200", "com1"}, 2, "Set baudrate to 19200 bauds\r\n"},
        CommandLineCase{{"com1", "256000", "110"}, 1, "Set baudrate to 256000 bauds\r\n"},
        CommandLineCase{{"com1", "com1"}, 1, kNonStandard},
        CommandLineCase{{"com1x"}, 2, kNonStandard}, CommandLineCase{{"09600"}, 2, kNonStandard},
        CommandLineCase{{"9600bps"}, 2, kNonStandard},
        CommandLineCase{{"9600"}, 2, "Set baudrate to 9600 bauds\r\n"},
        CommandLineCase{{"com1com1com1com1com1com1"}, 2, kNonStandard},
        CommandLineCase{{"  com1 ", "\t300"}, 1, "Set baudrate to 300 bauds\r\n"}),
    CaseName);

TEST(PortSettingsTest, DeviceRunsAtTheChosenSpeedRaw8N1) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(1);
    TerminalSession session({"com1", "19200"});
    ASSERT_TRUE(session.WaitForOutput("Press ESC, ESC to exit\r\n")) << session.output();

    termios settings;
    ASSERT_EQ(tcgetattr(device->deviceFd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B19200));
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_NE(settings.c_iflag & INPCK, 0u);
}

}  // namespace
