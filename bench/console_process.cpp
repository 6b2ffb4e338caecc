#include "bench/console_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <utmp.h>

#include <cstring>
#include <fstream>

ConsoleProcess::~ConsoleProcess() {
    if (m_pid > 0) End("", 0);
    if (m_console != -1) close(m_console);
}

bool ConsoleProcess::Start(const std::string& commandLine, std::string& error) {
    int terminal = -1;
    if (openpty(&m_console, &terminal, nullptr, nullptr, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    fcntl(m_console, F_SETFD, FD_CLOEXEC);
    const std::string execLine = "exec " + commandLine;
    m_started = Clock::now();
    m_pid = fork();
    if (m_pid == 0) {
        login_tty(terminal);
        execl("/bin/sh", "sh", "-c", execLine.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(terminal);
    if (m_pid < 0) error = std::string("fork: ") + std::strerror(errno);
    return m_pid > 0;
}

size_t ConsoleProcess::Read(int timeoutMs) {
    pollfd waiting{m_console, POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) <= 0) return 0;
    char buffer[1 << 16];
    const ssize_t count = read(m_console, buffer, sizeof buffer);
    if (count <= 0) return 0;
    m_shown.append(buffer, static_cast<size_t>(count));
    return static_cast<size_t>(count);
}

bool ConsoleProcess::WaitFor(const std::string& text, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_shown.find(text) == std::string::npos) {
        if (Clock::now() >= deadline) return false;
        Read(10);
    }
    return true;
}

bool ConsoleProcess::WaitForRawMode(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    termios settings;
    while (tcgetattr(m_console, &settings) == 0 && (settings.c_lflag & ICANON) != 0) {
        if (Clock::now() >= deadline) return false;
        Read(1);
    }
    return true;
}

bool ConsoleProcess::Type(const std::string& keys) {
    return write(m_console, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
}

int ConsoleProcess::End(const std::string& keys, int timeoutMs) {
    if (!keys.empty()) Type(keys);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, &status, 0);
            break;
        }
        Read(5);
    }
    m_pid = -1;
    return status;
}

double ConsoleProcess::CpuSeconds() const {
    clockid_t clock;
    timespec used{};
    if (clock_getcpuclockid(m_pid, &clock) != 0 || clock_gettime(clock, &used) != 0) return 0;
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}

long ConsoleProcess::StatusField(const char* name) const {
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    const size_t length = std::strlen(name);
    while (std::getline(status, line)) {
        if (line.compare(0, length, name) == 0) return std::stol(line.substr(length));
    }
    return -1;
}

long ConsoleProcess::ContextSwitches() const {
    return StatusField("voluntary_ctxt_switches:") + StatusField("nonvoluntary_ctxt_switches:");
}

long ConsoleProcess::PeakResidentKb() const { return StatusField("VmHWM:"); }
