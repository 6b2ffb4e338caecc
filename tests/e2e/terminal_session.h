// The sandboxed terminal program running on a console of the test's making.
#pragma once

#include <string>
#include <vector>

#include "tools/console_session.h"

class TerminalSession : public ConsoleSession {
public:
    explicit TerminalSession(const std::vector<std::string>& arguments,
                             Console console = Console::kTerminal);
};
