// A program running with a console of the caller's making, watched and
// driven from the other side like a user at a keyboard: a pseudo-terminal
// that becomes its controlling terminal, or pipes with no terminal at all.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class ConsoleSession {
public:
    using Clock = std::chrono::steady_clock;
    enum class Console { kTerminal, kPipes };

    // Runs argv (argv[0] a path). With kTerminal its console is a new
    // pseudo-terminal at the kernel's default settings. With kPipes the program
    // has no controlling terminal, and pipes are its standard input and
    // output.
    explicit ConsoleSession(const std::vector<std::string>& argv,
                            Console console = Console::kTerminal);
    // Runs body instead, in a process of its own with such a console; its
    // result is the exit status (a normal exit, so exit handlers run).
    ConsoleSession(Console console, const std::function<int()>& body);
    // Kills the program, and what it started, if it is still running.
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    // Adds what the console shows within timeoutMs to output(); returns how
    // many bytes came.
    size_t Collect(int timeoutMs);
    // Collects until done() holds; false if the time ran out first.
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
    bool WaitForOutput(const std::string& text, int timeoutMs = 5000);
    // Until the program has put its console into raw mode.
    bool WaitForRawKeyboard(int timeoutMs = 5000);
    // Writes the keys as typed; false when the program has not taken them
    // all within timeoutMs.
    bool Type(const std::string& keys, int timeoutMs = 10000);
    void Signal(int signalNumber);
    // The wait status once the program has ended, -1 if it did not in time.
    int WaitForExit(int timeoutMs = 5000);

    // Everything the console has shown so far; the caller may take it away.
    std::string& output() { return m_output; }
    const std::string& output() const { return m_output; }
    // The side the console's output comes out of, for polling.
    int screen() const { return m_screen; }
    Clock::time_point started() const { return m_started; }
    // Of the running program: CPU time used, context switches made (each a
    // wake-up or a preemption), the peak of its resident memory, its
    // proportional set size (each shared page charged in part to each
    // process that maps it) and its anonymous memory (pages no file backs).
    double CpuSeconds() const;
    long ContextSwitches() const;
    // The CPU seconds used and the context switches made over the next ms.
    std::pair<double, long> UseOver(int ms) const;
    long PeakResidentKb() const;
    long ProportionalSetKb() const;
    long AnonymousKb() const;

protected:
    termios ConsoleSettings() const;
    // Ends the program's standard input (kPipes only).
    void EndInput();

    pid_t m_pid = -1;
    int m_console = -1;  // the pseudo-terminal, if any
    int m_screen = -1;
    int m_keys = -1;

private:
    void Start(Console console, const std::function<void()>& run);
    // A field of /proc/<pid>/<file>, in the file's unit; -1 when absent.
    long ProcField(const char* file, const char* name) const;

    std::string m_output;
    Clock::time_point m_started;
};
