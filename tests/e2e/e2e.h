// What the end-to-end tests share: the program's text, its ports and console,
// and the program the scenario table runs.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "tests/e2e/sandbox.h"
#include "tools/console_session.h"

const std::string kBanner =
    "\r\nTarnwick program started\r\nUsage:\r\nTarnwick [com1] [baudrate]\r\n"
    "Parameter [com1] is optional for COM1 port using. Default is COM2\r\n"
    "Parameter [baudrate] can be number of bauds: 110,300,600...256000\r\n";
const std::string kDefaultSpeedText = "Set default baudrate 9600 bauds\r\n";
const std::string kNonStandardSpeedText = "Non standard baudrate. Set baudrate to 9600 bauds\r\n";
inline std::string SpeedText(const std::string& w) { return "Set baudrate to " + w + " bauds\r\n"; }
inline std::string OpenedText(int port) {
    return "Serial port COM" + std::to_string(port) +
           " successfully opened\r\nKeyboard input comes to port\r\n"
           "Port output comes to screen\r\nPress ESC, ESC to exit\r\n";
}
inline std::string FailureText(int port) {
    return "Can't open port COM" + std::to_string(port) + "!\r\nExiting...\r\n";
}

// A console session with what only tests do to it.
class TestSession : public ConsoleSession {
public:
    using ConsoleSession::ConsoleSession;
    using ConsoleSession::EndInput;

    // "exit N" or "signal N" once the program has ended, or "running".
    std::string WaitForEnding(int timeoutMs = 5000) { return Ending(WaitForExit(timeoutMs)); }
    // The same while nobody reads what the console shows.
    std::string WaitForEndingUnread(int timeoutMs) {
        int status = 0;
        for (int waited = 0; waitpid(m_pid, &status, WNOHANG) == 0; waited += 5) {
            if (waited >= timeoutMs) return "running";
            usleep(5000);
        }
        m_pid = -1;
        return Ending(status);
    }
    // Sends the signal to the terminal's foreground process group, as a terminal does for
    // Ctrl-Z: the program, whether it leads its session or runs as a shell's job.
    void SignalForeground(int signalNumber) { kill(-tcgetpgrp(m_console), signalNumber); }
    // Sends the signal to the program and every process it started.
    void SignalGroup(int signalNumber) { kill(-m_pid, signalNumber); }
    // Closes this side of the console: a terminal hangs up, pipes break.
    void HangUp() {
        EndInput();
        close(m_screen);
        m_screen = m_console = -1;
    }
    static std::string Ending(int status) {
        if (status == -1) return "running";
        return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                 : "signal " + std::to_string(WTERMSIG(status));
    }
    // Whether the console is back in the cooked mode it started in.
    bool ConsoleRestored() const {
        const termios now = ConsoleSettings();
        const tcflag_t cooked = ICANON | ECHO | ISIG;
        return (now.c_lflag & cooked) == cooked && (now.c_oflag & OPOST) != 0;
    }
};

// The program the scenario table runs, as each test program's adapter runs
// it: the Linux one (linux_only_test.cpp) or the Windows one under Wine.
std::unique_ptr<TestSession> StartProgram(const std::vector<std::string>& words);
std::string ScreenText(const TestSession& program);            // what its console shows
void TypeKeys(TestSession& program, const std::string& keys);  // a key press per byte
// Why the program cannot be run so here (notOnWine: why the Windows program
// cannot), or nothing.
std::string WhyNotRun(const char* notOnWine);
extern const int kDeadlineMs;         // to start, show text or end
extern const bool kLastKeyMayBeLost;  // on its way to the port
extern const bool kOwnsTheConsole;    // sets its modes, so must put them back
inline bool WaitForScreen(TestSession& program, const std::string& text) {
    return program.WaitFor([&] { return ScreenText(program).find(text) != std::string::npos; },
                           kDeadlineMs);
}
