#include "tests/windows/wine_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

const std::string kPrefix = TARNWICK_WINE_DIR "/prefix";
const std::string kKeysPath = TARNWICK_WINE_DIR "/keys";

// Wine maps every serial device of this machine to a COM name unless told
// otherwise: only a prefix whose COM1 and COM2 lead to the sandbox ports
// may run the program.
bool ComPortsAreSandboxed(std::string& problem) {
    for (int number : {1, 2}) {
        const std::string link = kPrefix + "/dosdevices/com" + std::to_string(number);
        const std::string wanted =
            std::string(TARNWICK_SANDBOX_DEVICE_DIR) + "/ttyS" + std::to_string(number - 1);
        char target[4096];
        const ssize_t length = readlink(link.c_str(), target, sizeof target);
        if (length <= 0 || std::string(target, static_cast<size_t>(length)) != wanted) {
            problem = "not started: " + link + " does not lead to " + wanted +
                      " (the test windows_wine_prefix prepares the prefix)";
            return false;
        }
    }
    return true;
}

// Wine in the private prefix with no display (the console is the terminal),
// running the key injector, which runs the program. Wine writes the
// console's text with Windows line ends already, so the terminal passes it
// on unchanged, as a Windows console would show it.
std::vector<std::string> WineCommand(const std::string& program,
                                     const std::vector<std::string>& words) {
    std::vector<std::string> command{"/bin/sh",
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
                                     "Z:" + program};
    command.insert(command.end(), words.begin(), words.end());
    return command;
}

}  // namespace

WineSession::WineSession(const std::string& program, const std::vector<std::string>& words) {
    if (!ComPortsAreSandboxed(m_problem)) return;
    // Held open for reading as well, so that the injector's open does not
    // wait for a writer.
    unlink(kKeysPath.c_str());
    if (mkfifo(kKeysPath.c_str(), 0600) != 0) return;
    m_keys = open(kKeysPath.c_str(), O_RDWR | O_CLOEXEC);
    m_wine = std::make_unique<ConsoleSession>(WineCommand(program, words));
}

WineSession::~WineSession() {
    if (m_keys != -1) close(m_keys);
}

bool WineSession::WaitForScreen(const std::string& text, int timeoutMs) {
    const auto deadline = ConsoleSession::Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_wine && screen().find(text) == std::string::npos) {
        if (ConsoleSession::Clock::now() >= deadline) return false;
        m_wine->Collect(10);
    }
    return m_wine != nullptr;
}

void WineSession::Type(const std::string& keys) {
    if (m_keys != -1) static_cast<void>(write(m_keys, keys.data(), keys.size()));
}

int WineSession::WaitForExit(int timeoutMs) {
    if (!m_wine) return -1;
    const int status = m_wine->WaitForExit(timeoutMs);
    // Its console text is all written by now; take what is left.
    while (m_wine->Collect(0) > 0) {
    }
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string WineSession::screen() const {
    return m_wine ? ScreenText(m_wine->output()) : m_problem;
}

std::string WhyWineCannotStart() {
    std::ifstream why(kPrefix + ".cannot-start");
    return std::string(std::istreambuf_iterator<char>(why), std::istreambuf_iterator<char>());
}

std::string ScreenText(const std::string& output) {
    std::string text;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] != '\x1b' || i + 1 == output.size() || output[i + 1] != '[') {
            text += output[i];
            continue;
        }
        // ESC [ parameters, up to the final byte.
        size_t end = i + 2;
        while (end < output.size() && (output[end] < 0x40 || output[end] > 0x7e)) ++end;
        if (end < output.size() && output[end] == 'C') {
            text.append(static_cast<size_t>(std::max(1, std::atoi(output.c_str() + i + 2))), ' ');
        }
        i = end;
    }
    return text;
}
