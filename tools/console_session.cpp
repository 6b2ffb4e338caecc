#include "tools/console_session.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utmp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

ConsoleSession::Clock::time_point Deadline(int timeoutMs) {
    return ConsoleSession::Clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

ConsoleSession::ConsoleSession(const std::vector<std::string>& argv, Console console) {
    Start(console, [&argv] {
        std::vector<char*> pointers;
        for (const std::string& word : argv) pointers.push_back(const_cast<char*>(word.c_str()));
        pointers.push_back(nullptr);
        execv(pointers[0], pointers.data());
        _exit(127);
    });
}

ConsoleSession::ConsoleSession(Console console, const std::function<int()>& body) {
    Start(console, [&body] { std::exit(body()); });
}

void ConsoleSession::Start(Console console, const std::function<void()>& run) {
    int programSide[2] = {-1, -1};  // its standard input and output
    if (console == Console::kTerminal) {
        if (openpty(&m_console, &programSide[0], nullptr, nullptr, nullptr) != 0) return;
        fcntl(m_console, F_SETFD, FD_CLOEXEC);
        // Non-blocking, so that typing into a program that reads no more fails.
        fcntl(m_console, F_SETFL, O_NONBLOCK);
        m_screen = m_keys = m_console;
    } else {
        int input[2], output[2];
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) return;
        programSide[0] = input[0];
        programSide[1] = output[1];
        m_keys = input[1];
        fcntl(m_keys, F_SETFL, O_NONBLOCK);
        m_screen = output[0];
    }

    std::fflush(nullptr);  // or the child's exit writes out the caller's buffered output
    m_started = Clock::now();
    m_pid = fork();
    if (m_pid == 0) {
        if (console == Console::kTerminal) {
            close(m_console);
            login_tty(programSide[0]);  // its own session, with this as controlling terminal
        } else {
            setsid();  // its own session, with no controlling terminal
            dup2(programSide[0], STDIN_FILENO);
            dup2(programSide[1], STDOUT_FILENO);
        }
        run();
    }
    for (int fd : programSide) {
        if (fd != -1) close(fd);
    }
}

ConsoleSession::~ConsoleSession() {
    if (m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == 0) {
        kill(-m_pid, SIGKILL);  // it leads its own session: whatever it started goes too
        waitpid(m_pid, nullptr, 0);
    }
    EndInput();
    if (m_screen != -1) close(m_screen);
}

size_t ConsoleSession::Collect(int timeoutMs) {
    pollfd waiting{m_screen, POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) <= 0) return 0;
    char buffer[1 << 16];
    const ssize_t count = read(m_screen, buffer, sizeof buffer);
    if (count <= 0) {
        // The program's side has closed; nothing more will come.
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return 0;
    }
    m_output.append(buffer, static_cast<size_t>(count));
    return static_cast<size_t>(count);
}

bool ConsoleSession::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        Collect(1);
    }
    return true;
}

bool ConsoleSession::WaitForOutput(const std::string& text, int timeoutMs) {
    return WaitFor([&] { return m_output.find(text) != std::string::npos; }, timeoutMs);
}

bool ConsoleSession::WaitForRawKeyboard(int timeoutMs) {
    return WaitFor([this] { return (ConsoleSettings().c_lflag & ICANON) == 0; }, timeoutMs);
}

bool ConsoleSession::Type(const std::string& keys, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    size_t done = 0;
    while (done < keys.size()) {
        const ssize_t count = write(m_keys, keys.data() + done, keys.size() - done);
        if (count > 0) {
            done += static_cast<size_t>(count);
            continue;
        }
        if (count < 0 && errno != EINTR && errno != EAGAIN) return false;
        pollfd room{m_keys, POLLOUT, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || poll(&room, 1, static_cast<int>(left.count())) == 0) return false;
    }
    return true;
}

void ConsoleSession::Signal(int signalNumber) { kill(m_pid, signalNumber); }

void ConsoleSession::EndInput() {
    if (m_keys != -1 && m_keys != m_screen) close(m_keys);
    m_keys = -1;
}

int ConsoleSession::WaitForExit(int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            while (Collect(0) > 0) {  // what it wrote last
            }
            return status;
        }
        if (Clock::now() >= deadline) return -1;
        Collect(5);
    }
}

termios ConsoleSession::ConsoleSettings() const {
    termios settings{};
    tcgetattr(m_console, &settings);
    return settings;
}

double ConsoleSession::CpuSeconds() const {
    clockid_t clock;
    timespec used{};
    if (clock_getcpuclockid(m_pid, &clock) != 0 || clock_gettime(clock, &used) != 0) return -1;
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}

long ConsoleSession::ProcField(const char* file, const char* name) const {
    std::ifstream fields("/proc/" + std::to_string(m_pid) + "/" + file);
    const size_t length = std::strlen(name);
    for (std::string line; std::getline(fields, line);) {
        if (line.compare(0, length, name) == 0) return std::stol(line.substr(length));
    }
    return -1;
}

long ConsoleSession::ContextSwitches() const {
    return ProcField("status", "voluntary_ctxt_switches:") +
           ProcField("status", "nonvoluntary_ctxt_switches:");
}

std::pair<double, long> ConsoleSession::UseOver(int ms) const {
    const double cpu = CpuSeconds();
    const long switches = ContextSwitches();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return {CpuSeconds() - cpu, ContextSwitches() - switches};
}

long ConsoleSession::PeakResidentKb() const { return ProcField("status", "VmHWM:"); }

long ConsoleSession::ProportionalSetKb() const { return ProcField("smaps_rollup", "Pss:"); }

long ConsoleSession::AnonymousKb() const { return ProcField("smaps_rollup", "Anonymous:"); }
