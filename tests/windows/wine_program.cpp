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
#include <stdexcept>

#include "tests/e2e/e2e.h"

namespace {

const std::string kPrefix = TARNWICK_WINE_DIR "/prefix";
const std::string kKeys = TARNWICK_WINE_DIR "/keys";

int g_keys = -1;  // where the key injector reads the keys to type

}  // namespace

const int kDeadlineMs = 120000;       // only stops a hang: a first Wine start can take long
const bool kLastKeyMayBeLost = true;  // Wine's purge on closing can discard it
const bool kOwnsTheConsole = false;   // Wine's own terminal

std::string WhyNotRun(const char* notOnWine) {
    std::ifstream cannotStart(kPrefix + ".cannot-start");  // see make_wine_prefix.sh
    const std::string why{std::istreambuf_iterator<char>(cannotStart), {}};
    return why.empty() && notOnWine != nullptr ? notOnWine : why;
}

std::unique_ptr<TestSession> StartProgram(const std::vector<std::string>& words) {
    // Wine gives the machine's own serial ports COM names unless told otherwise.
    for (int n : {1, 2}) {
        const std::string com = kPrefix + "/dosdevices/com" + std::to_string(n);
        std::error_code error;
        if (std::filesystem::read_symlink(com, error) != SandboxPortPath(n)) {
            throw std::runtime_error("not started: " + com + " leads elsewhere");
        }
    }
    unlink(kKeys.c_str());
    mkfifo(kKeys.c_str(), 0600);
    close(g_keys);
    g_keys = open(kKeys.c_str(), O_RDWR | O_CLOEXEC);  // so that the injector's open never waits
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
    return std::make_unique<TestSession>(command);
}

// What Wine wrote to the terminal as text: its control sequences removed,
// except that a cursor move forward stands for the blanks it passes over.
std::string ScreenText(const TestSession& program) {
    static const std::regex sequence("\x1b\\[([0-9;?]*)([@-~])");
    const std::string& output = program.output();
    std::string text;
    auto last = output.begin();
    for (std::sregex_iterator it(output.begin(), output.end(), sequence), end; it != end; ++it) {
        text.append(last, (*it)[0].first);
        if ((*it)[2] == "C") text.append(std::max(1, std::atoi((*it)[1].str().c_str())), ' ');
        last = (*it)[0].second;
    }
    return text.append(last, output.end());
}

void TypeKeys(TestSession&, const std::string& keys) {
    EXPECT_EQ(write(g_keys, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}
