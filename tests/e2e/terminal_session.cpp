#include "tests/e2e/terminal_session.h"

#include <errno.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point Deadline(int timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

TerminalSession::TerminalSession(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{TARNWICK_SANDBOX_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int terminal = -1;
    if (openpty(&m_console, &terminal, nullptr, nullptr, nullptr) != 0) return;
    termios settings;
    tcgetattr(terminal, &settings);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(terminal, TCSANOW, &settings);

    m_pid = fork();
    if (m_pid == 0) {
        close(m_console);
        login_tty(terminal);  // its own session, with this as controlling terminal
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(terminal);
}

TerminalSession::~TerminalSession() {
    if (m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_console != -1) close(m_console);
}

void TerminalSession::Collect(int timeoutMs) {
    pollfd waiting{m_console, POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) <= 0) return;
    char buffer[65536];
    const ssize_t count = read(m_console, buffer, sizeof buffer);
    if (count > 0) {
        m_output.append(buffer, static_cast<size_t>(count));
    } else {
        // The program's side has closed; nothing more will come.
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    }
}

bool TerminalSession::WaitForOutput(const std::string& text, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    while (m_output.find(text) == std::string::npos) {
        if (Clock::now() >= deadline) return false;
        Collect(10);
    }
    return true;
}

bool TerminalSession::WaitForRawKeyboard(int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    while ((ConsoleSettings().c_lflag & ICANON) != 0) {
        if (Clock::now() >= deadline) return false;
        Collect(5);
    }
    return true;
}

void TerminalSession::Type(const std::string& keys) {
    size_t done = 0;
    while (done < keys.size()) {
        const ssize_t count = write(m_console, keys.data() + done, keys.size() - done);
        if (count > 0) done += static_cast<size_t>(count);
        if (count < 0 && errno != EINTR && errno != EAGAIN) return;
    }
}

void TerminalSession::Signal(int signalNumber) { kill(m_pid, signalNumber); }

int TerminalSession::WaitForExit(int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            Collect(0);
            return status;
        }
        if (Clock::now() >= deadline) return -1;
        Collect(5);
    }
}

termios TerminalSession::ConsoleSettings() const {
    termios settings{};
    tcgetattr(m_console, &settings);
    return settings;
}

bool SameSettings(const termios& left, const termios& right) {
    return left.c_iflag == right.c_iflag && left.c_oflag == right.c_oflag &&
           left.c_cflag == right.c_cflag && left.c_lflag == right.c_lflag &&
           std::memcmp(left.c_cc, right.c_cc, sizeof left.c_cc) == 0;
}
