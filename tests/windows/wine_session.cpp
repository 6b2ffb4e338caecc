#include "tests/windows/wine_session.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

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

}  // namespace

WineSession::WineSession(const std::string& program, const std::vector<std::string>& words) {
    if (!ComPortsAreSandboxed(m_output)) return;

    // Held open for reading as well, so that the injector's open does not
    // wait for a writer.
    unlink(kKeysPath.c_str());
    if (mkfifo(kKeysPath.c_str(), 0600) != 0) return;
    m_keys = open(kKeysPath.c_str(), O_RDWR | O_CLOEXEC);

    std::vector<std::string> command{TARNWICK_WINE, TARNWICK_WINDOWS_DIR "/key-injector.exe",
                                     "Z:" + program};
    command.insert(command.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);

    // Without output processing, so that Wine's text arrives as written.
    int programSide = -1;
    if (openpty(&m_console, &programSide, nullptr, nullptr, nullptr) != 0) return;
    termios settings;
    tcgetattr(programSide, &settings);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(programSide, TCSANOW, &settings);

    m_pid = fork();
    if (m_pid == 0) {
        close(m_console);
        login_tty(programSide);
        setenv("WINEPREFIX", kPrefix.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("KEY_INJECTOR_KEYS", ("Z:" + kKeysPath).c_str(), 1);
        unsetenv("DISPLAY");  // no windows: the console is the terminal
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(programSide);
}

WineSession::~WineSession() {
    if (m_pid > 0) {
        // The injector leads a process group with the console and the program.
        kill(-m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_keys, m_console}) {
        if (fd != -1) close(fd);
    }
}

bool WineSession::Collect(int timeoutMs) {
    if (m_console == -1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return false;
    }
    pollfd waiting{m_console, POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) <= 0) return false;
    char buffer[65536];
    const ssize_t count = read(m_console, buffer, sizeof buffer);
    if (count <= 0) {
        // Every program has let go of the console: nothing more will come.
        close(m_console);
        m_console = -1;
        return false;
    }
    m_output.append(buffer, static_cast<size_t>(count));
    return true;
}

bool WineSession::WaitForScreen(const std::string& text, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (screen().find(text) == std::string::npos) {
        if (Clock::now() >= deadline || m_console == -1) return false;
        Collect(10);
    }
    return true;
}

void WineSession::Type(const std::string& keys) {
    size_t done = 0;
    while (m_keys != -1 && done < keys.size()) {
        const ssize_t count = write(m_keys, keys.data() + done, keys.size() - done);
        if (count < 0 && errno != EINTR) return;
        if (count > 0) done += static_cast<size_t>(count);
    }
}

int WineSession::WaitForExit(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            // Its console text is all written by now; take what is left.
            while (Collect(0)) {
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (Clock::now() >= deadline) return -1;
        Collect(5);
    }
    return -1;
}

std::string WineSession::screen() const { return ScreenText(m_output); }

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
