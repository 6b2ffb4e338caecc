// What the end-to-end tests share: the program's console text, the sandbox
// ports, the console session a test drives like a user, and the program the
// scenario table runs.
#pragma once

#include <pty.h>
#include <sys/wait.h>

#include <cstring>
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
    std::string WaitForEnding(int timeoutMs = 5000) {
        const int status = WaitForExit(timeoutMs);
        if (status == -1) return "running";
        return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                 : "signal " + std::to_string(WTERMSIG(status));
    }
    // Closes this side of the console: a terminal hangs up, pipes break.
    void HangUp() {
        EndInput();
        close(m_screen);
        m_screen = m_console = -1;
    }
    // Whether the console has the settings it started with, a new
    // pseudo-terminal's.
    bool ConsoleRestored() const {
        termios fresh{};
        int sides[2];
        openpty(&sides[0], &sides[1], nullptr, nullptr, nullptr);
        tcgetattr(sides[1], &fresh);
        close(sides[0]);
        close(sides[1]);
        const termios now = ConsoleSettings();
        return now.c_iflag == fresh.c_iflag && now.c_oflag == fresh.c_oflag &&
               now.c_cflag == fresh.c_cflag && now.c_lflag == fresh.c_lflag &&
               std::memcmp(now.c_cc, fresh.c_cc, sizeof now.c_cc) == 0;
    }
};

// What the scenario table runs: the Linux program (linux_program.cpp) or the
// Windows program under Wine (windows/wine_program.cpp); a test program
// links one of the two.
class ProgramUnderTest {
public:
    // Starts the program with these words on its command line.
    explicit ProgramUnderTest(const std::vector<std::string>& words);
    ~ProgramUnderTest();
    bool WaitForScreen(const std::string& text);
    void Type(const std::string& keys);  // one key press for each byte
    std::string WaitForEnding();
    std::string Screen() const;
    bool ConsoleRestored() const;

    // Why the program cannot be run so here (notOnWine: why the Windows
    // program cannot), or nothing.
    static std::string WhyNotRun(const char* notOnWine);
    static const bool kLastKeyMayBeLost;

private:
    std::unique_ptr<TestSession> m_session;
    int m_keys = -1;  // where keys are typed, if not on the console
};
