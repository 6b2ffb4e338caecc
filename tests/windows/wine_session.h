// The Windows program under Wine, in the tests' private prefix, with a
// pseudo-terminal as its console and keys typed through the key injector.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/console_session.h"

// Deadlines only stop a hang: a first Wine start on a busy machine can take
// many seconds.
const int kWineDeadlineMs = 120000;

class WineSession {
public:
    // Starts the Windows program at this Linux path with these words on its
    // command line. Refuses to start (and says so on screen()) unless the
    // prefix maps COM1 and COM2 to the sandbox ports.
    WineSession(const std::string& program, const std::vector<std::string>& words);
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    // Until the screen holds text, or the time is up.
    bool WaitForScreen(const std::string& text, int timeoutMs = kWineDeadlineMs);
    // Presses one key for each byte.
    void Type(const std::string& keys);
    // The program's exit code once it has ended (its low eight bits, as
    // Wine passes it on), -1 if it did not end in time.
    int WaitForExit(int timeoutMs = kWineDeadlineMs);

    // What the console shows so far (see ScreenText), or why nothing started.
    std::string screen() const;

private:
    int m_keys = -1;  // the named pipe the key injector reads
    std::unique_ptr<ConsoleSession> m_wine;
    std::string m_problem;
};

// What windows_wine_prefix found when Wine could not start even its own
// programs on this machine, or nothing.
std::string WhyWineCannotStart();

// The text of what Wine wrote to the terminal: its control sequences
// removed, except that a cursor move forward stands for the blanks it
// passes over.
std::string ScreenText(const std::string& output);
