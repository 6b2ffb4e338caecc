// The Windows program under Wine, in the tests' private prefix, with a
// pseudo-terminal as its console and keys typed through the key injector:
// keys typed on a Unix terminal do not reach a program that polls the
// console under Wine. Wine writes the console's text with Windows line ends
// already, so the terminal passes it on unchanged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/console_text.h"
#include "tests/e2e/program_under_test.h"
#include "tests/e2e/sandbox.h"

namespace {

const std::string kPrefix = TARNWICK_WINE_DIR "/prefix";
const std::string kKeysPath = TARNWICK_WINE_DIR "/keys";
// Only stops a hang: a first Wine start on a busy machine can take long.
const int kDeadlineMs = 120000;

// Wine gives the machine's own serial ports COM names unless told otherwise.
bool ComPortsAreSandboxed() {
    for (int number : {1, 2}) {
        const std::string link = kPrefix + "/dosdevices/com" + std::to_string(number);
        const std::string wanted = TARNWICK_SANDBOX_DEVICE_DIR "/ttyS" + std::to_string(number - 1);
        char target[4096];
        const ssize_t length = readlink(link.c_str(), target, sizeof target);
        if (length <= 0 || std::string(target, static_cast<size_t>(length)) != wanted) return false;
    }
    return true;
}

// What Wine wrote to the terminal as text: its control sequences removed,
// except that a cursor move forward stands for the blanks it passes over.
std::string ScreenText(const std::string& output) {
    std::string text;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output.compare(i, 2, "\x1b[") != 0) {
            text += output[i];
            continue;
        }
        size_t end = i + 2;  // parameters, up to the final byte
        while (end < output.size() && (output[end] < 0x40 || output[end] > 0x7e)) ++end;
        if (end < output.size() && output[end] == 'C') {
            text.append(static_cast<size_t>(std::max(1, std::atoi(output.c_str() + i + 2))), ' ');
        }
        i = end;
    }
    return text;
}

}  // namespace

const bool ProgramUnderTest::kLastKeyMayBeLost = true;  // Wine's purge on closing

std::string ProgramUnderTest::WhyNotRun(const char* notOnWine) {
    std::ifstream cannotStart(kPrefix + ".cannot-start");  // see make_wine_prefix.sh
    const std::string why{std::istreambuf_iterator<char>(cannotStart), {}};
    return why.empty() && notOnWine != nullptr ? notOnWine : why;
}

ProgramUnderTest::ProgramUnderTest(const std::vector<std::string>& words) {
    if (!ComPortsAreSandboxed()) {
        ADD_FAILURE() << "not started: COM1 and COM2 of " << kPrefix << " do not lead to "
                      << TARNWICK_SANDBOX_DEVICE_DIR << " (windows_wine_prefix prepares it)";
        return;
    }
    // Held open for reading too, so that the injector's open does not wait.
    unlink(kKeysPath.c_str());
    mkfifo(kKeysPath.c_str(), 0600);
    m_keys = open(kKeysPath.c_str(), O_RDWR | O_CLOEXEC);
    std::vector<std::string> command{
        "/bin/sh",
        "-c",
        "stty -opost && exec \"$@\"",
        "sh",
        "/usr/bin/env",
        "-u",
        "DISPLAY",
        "WINEPREFIX=" + kPrefix,
        "WINEDEBUG=-all",
        "KEY_INJECTOR_KEYS=Z:" + kKeysPath,
        TARNWICK_WINE,
        TARNWICK_WINDOWS_DIR "/key-injector.exe",
        "Z:" + ProgramInFolder(TARNWICK_WINDOWS_DIR "/tarnwick.exe", "Tarnwick Terminal")};
    command.insert(command.end(), words.begin(), words.end());
    m_session = std::make_unique<TestSession>(command);
}

ProgramUnderTest::~ProgramUnderTest() {
    if (m_keys != -1) close(m_keys);
}

bool ProgramUnderTest::WaitForScreen(const std::string& text) {
    return m_session && m_session->WaitFor([&] { return Screen().find(text) != std::string::npos; },
                                           kDeadlineMs);
}

void ProgramUnderTest::Type(const std::string& keys) {
    EXPECT_EQ(write(m_keys, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

// Wine passes on the low eight bits of the program's exit code.
std::string ProgramUnderTest::WaitForEnding() {
    if (!m_session) return "not started";
    const std::string ending = m_session->WaitForEnding(kDeadlineMs);
    while (m_session->Collect(0) > 0) {
    }
    return ending;
}

std::string ProgramUnderTest::Screen() const {
    return m_session ? ScreenText(m_session->output()) : "";
}

bool ProgramUnderTest::ConsoleRestored() const { return true; }  // Wine's own terminal

namespace {

// On Windows Ctrl-C belongs to the console: it ends the program with
// STATUS_CONTROL_C_EXIT, 58 in its low eight bits (Wine 8 ends it with 0),
// and the key is not sent.
TEST(WineConsole, CtrlCEndsTheProgramAndIsNotSent) {
    const std::string whyNot = ProgramUnderTest::WhyNotRun(nullptr);
    if (!whyNot.empty()) GTEST_SKIP() << whyNot;
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    ProgramUnderTest program({});
    ASSERT_TRUE(program.WaitForScreen(OpenedText(2))) << program.Screen();
    program.Type("\x03");
    const std::string ending = program.WaitForEnding();
    EXPECT_TRUE(ending == "exit 58" || ending == "exit 0") << ending;
    EXPECT_EQ(Unread(*device), "") << "Ctrl-C was sent";
}

}  // namespace
