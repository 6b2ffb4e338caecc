// The sandbox terminal program running with a pseudo-terminal as its
// console, driven from the test like a user at a keyboard.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <vector>

class TerminalSession {
public:
    enum class Console { kTerminal, kPipes };

    // Starts the program with these arguments. With kTerminal its console
    // is a pseudo-terminal in the usual cooked mode, but without output
    // processing so that its text arrives byte for byte. With kPipes it has
    // no controlling terminal, and pipes are its standard input and output.
    explicit TerminalSession(const std::vector<std::string>& arguments,
                             Console console = Console::kTerminal);
    // Runs body instead, in a process of its own with such a console; its
    // result is the exit status (a normal exit, so exit handlers run).
    TerminalSession(Console console, const std::function<int()>& body);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Collects console output until it holds text, or the time is up.
    bool WaitForOutput(const std::string& text, int timeoutMs = 5000);
    bool WaitForOutputSize(size_t size, int timeoutMs = 5000);
    // Until the program has put its keyboard into raw mode.
    bool WaitForRawKeyboard(int timeoutMs = 5000);
    void Type(const std::string& keys);
    // Ends the program's standard input (kPipes only).
    void EndInput();
    void Signal(int signalNumber);
    // The wait status once the program has ended, -1 if it did not in time.
    int WaitForExit(int timeoutMs = 5000);

    // Everything the console has shown so far.
    const std::string& output() const { return m_output; }
    termios ConsoleSettings() const;
    // The CPU time the program has used so far.
    double CpuSeconds() const;

private:
    void Start(Console console, const std::function<void()>& run);
    void Collect(int timeoutMs);

    pid_t m_pid = -1;
    int m_console = -1;  // the pseudo-terminal, if any
    int m_screen = -1;   // where the program's console text comes out
    int m_keys = -1;     // where keys go in
    std::string m_output;
};

// Whether two terminal settings are the same in every flag and character.
bool SameSettings(const termios& left, const termios& right);
