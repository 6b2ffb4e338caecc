// A terminal program running with a pseudo-terminal as its console, watched
// from the other side of that pseudo-terminal.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

using Clock = std::chrono::steady_clock;

class ConsoleProcess {
public:
    ConsoleProcess() = default;
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    // Runs the shell command line on a new pseudo-terminal that becomes its
    // controlling terminal. The shell execs the command, so pid() is the
    // terminal program itself.
    bool Start(const std::string& commandLine, std::string& error);

    // Reads what the console shows within timeoutMs and appends it to
    // shown(); returns how many bytes came.
    size_t Read(int timeoutMs);
    bool WaitFor(const std::string& text, int timeoutMs);
    // Until the program has put its console into raw mode.
    bool WaitForRawMode(int timeoutMs);
    bool Type(const std::string& keys);
    // Types the keys (if any), waits for the program to end and then stops
    // it with SIGTERM if it has not. Returns the wait status.
    int End(const std::string& keys, int timeoutMs);

    std::string& shown() { return m_shown; }
    int console() const { return m_console; }
    pid_t pid() const { return m_pid; }
    Clock::time_point started() const { return m_started; }

    double CpuSeconds() const;
    long ContextSwitches() const;
    long PeakResidentKb() const;

private:
    long StatusField(const char* name) const;

    pid_t m_pid = -1;
    int m_console = -1;
    std::string m_shown;
    Clock::time_point m_started;
};
