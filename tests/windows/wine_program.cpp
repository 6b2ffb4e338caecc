// The Windows program under Wine in the tests' private prefix, with a
// pseudo-terminal as its console and keys typed by the key injector. Wine
// writes the console's text with Windows line ends already, so the terminal
// passes it on unchanged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/e2e/e2e.h"

namespace {

const std::string kPrefix = TARNWICK_WINE_DIR "/prefix";
const std::string kKeys = TARNWICK_WINE_DIR "/keys";
const int kDeadlineMs = 120000;  // only stops a hang: a first Wine start can take long

// Wine gives the machine's own serial ports COM names unless told otherwise.
bool ComPortsAreSandboxed() {
    std::error_code error;
    for (int n : {1, 2}) {
        if (std::filesystem::read_symlink(kPrefix + "/dosdevices/com" + std::to_string(n), error) !=
            TARNWICK_SANDBOX_DEVICE_DIR "/ttyS" + std::to_string(n - 1)) {
            return false;
        }
    }
    return true;
}

// What Wine wrote to the terminal as text: its control sequences removed,
// except that a cursor move forward stands for the blanks it passes over.
std::string ScreenText(const std::string& output) {
    static const std::regex sequence("\x1b\\[([0-9;?]*)([@-~])");
    std::string text;
    auto last = output.begin();
    for (std::sregex_iterator it(output.begin(), output.end(), sequence), end; it != end; ++it) {
        text.append(last, (*it)[0].first);
        if ((*it)[2] == "C") text.append(std::max(1, std::atoi((*it)[1].str().c_str())), ' ');
        last = (*it)[0].second;
    }
    return text.append(last, output.end());
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
        ADD_FAILURE() << "not started: " << kPrefix << " leads COM1 and COM2 elsewhere";
        return;
    }
    unlink(kKeys.c_str());
    mkfifo(kKeys.c_str(), 0600);
    m_keys = open(kKeys.c_str(), O_RDWR | O_CLOEXEC);  // so that the injector's open never waits
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
        "KEY_INJECTOR_KEYS=Z:" + kKeys,
        TARNWICK_WINE,
        TARNWICK_WINDOWS_DIR "/key-injector.exe",
        "Z:" + ProgramInFolder(TARNWICK_WINDOWS_DIR "/tarnwick.exe", "Tarnwick Terminal")};
    command.insert(command.end(), words.begin(), words.end());
    m_session = std::make_unique<TestSession>(command);
}

ProgramUnderTest::~ProgramUnderTest() { close(m_keys); }

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
