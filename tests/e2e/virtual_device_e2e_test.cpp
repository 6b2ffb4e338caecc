// tarnwick-vdev as users run it: its command line, and the demo.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/sandbox_ports.h"
#include "tools/console_session.h"

namespace {

const std::string kNotes = TARNWICK_SANDBOX_DEVICE_DIR "/notes.txt";

struct VdevCase {
    std::vector<std::string> arguments;
    int status;
    std::string shown;
};

void PrintTo(const VdevCase& c, std::ostream* out) {
    for (const std::string& argument : c.arguments) *out << '[' << argument << ']';
}

class VdevCommandLineTest : public ::testing::TestWithParam<VdevCase> {};

TEST_P(VdevCommandLineTest, AnswersWithoutTouchingAnyFile) {
    std::ofstream(kNotes) << "important\n";
    std::vector<std::string> argv{TARNWICK_VDEV_PROGRAM};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    ConsoleSession vdev(argv);
    const int status = vdev.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == GetParam().status) << status;
    EXPECT_NE(vdev.output().find(GetParam().shown), std::string::npos) << vdev.output();
    std::stringstream notes;
    notes << std::ifstream(kNotes).rdbuf();
    EXPECT_EQ(notes.str(), "important\n");
    unlink(kNotes.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, VdevCommandLineTest,
    ::testing::Values(VdevCase{{"--help"}, 0, "usage: tarnwick-vdev LINK"},
                      VdevCase{{"-h"}, 0, "usage: tarnwick-vdev LINK"},
                      VdevCase{{"--link"}, 2, "unknown option --link"},
                      VdevCase{{kNotes}, 1, kNotes + " exists and is not a symbolic link"},
                      VdevCase{{kNotes, "--run", "true"}, 1, "not a symbolic link"}));

TEST(DemoTest, EchoesControlBytesInCaretFormAndLeavesOnEscEsc) {
    const std::string com2 = TARNWICK_SANDBOX_DEVICE_DIR "/ttyS1";
    ClearSandboxPorts();
    ASSERT_EQ(symlink("/dev/left-by-an-earlier-run", com2.c_str()), 0);  // replaced
    ConsoleSession demo({TARNWICK_VDEV_PROGRAM, com2, "--run", TARNWICK_SANDBOX_PROGRAM});
    ASSERT_TRUE(demo.WaitForOutput("Press ESC, ESC to exit\r\n")) << demo.output();
    ASSERT_TRUE(demo.WaitForRawKeyboard());
    demo.output().clear();

    demo.Type("a\x03\x1b[A\x7f\xc3\xa9\r");
    const std::string line = "a^C^[[A^?\xc3\xa9";
    EXPECT_TRUE(demo.WaitForOutput("device received: " + line + "\r\n")) << demo.output();
    EXPECT_EQ(demo.output(), line + "\r\ndevice received: " + line + "\r\n");
    demo.Type("\x1b\x1b");
    const int status = demo.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(demo.output().find('\x1b'), std::string::npos) << demo.output();
}

}  // namespace
