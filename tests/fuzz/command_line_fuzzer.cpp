// Fuzzes the command line: arbitrary bytes as the program's whole command
// line and as the tail that TerminalMain reads its words from, with the real
// terminal and port code on the recording fake of the communications calls.
//
// An input is a mode byte, then the text (which ends at its first NUL byte):
//   mode & 3  where opening the port fails: 0 nowhere, 1 CreateFileA,
//             2 GetCommState, 3 SetCommState;
//   mode & 4  the text is a whole command line, cut with CommandLineTail
//             before TerminalMain gets it; otherwise it is the tail itself.
// The seeds in corpus/ start with a digit as their mode byte.
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "terminal/baud_rates.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"
#include "tests/console_text.h"
#include "tests/fuzz/recording_console.h"
#include "tests/serial/fake_comm.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", what);
    std::abort();
}

// Whether what CommandLineTail cut off is blanks, one program name and
// blanks: a name in double quotes (the closing one missing only at the end of
// the text), or a run of other characters up to a blank or the end.
bool CutIsOneProgramName(const char* line, const char* tail) {
    const std::string cut(line, tail);
    const size_t start = cut.find_first_not_of(" \t");
    if (start == std::string::npos) return *tail == '\0';
    const size_t end = cut.find_last_not_of(" \t") + 1;
    const std::string name = cut.substr(start, end - start);
    if (name[0] == '"') {
        const size_t closing = name.find('"', 1);
        return closing == name.size() - 1 || (closing == std::string::npos && *tail == '\0');
    }
    return name.find_first_of(" \t") == std::string::npos && (end < cut.size() || *tail == '\0');
}

struct Choice {
    int port;
    std::string baudMessage;
    DWORD baudRate;
};

// What the words of the tail ask for, read here without sscanf: the port
// from the first word, the speed from the word after "com1" or else the
// first. (The program reads only 20 characters of a word, which cannot
// change the outcome: no word it looks for is that long.)
Choice ChoiceOf(const std::string& tail) {
    std::istringstream words(tail);
    std::string first, second;
    words >> first >> second;
    const bool com1 = strcasecmp(first.c_str(), "com1") == 0;
    const std::string& baudWord = com1 ? second : first;
    Choice choice{com1 ? 1 : 2, kDefaultSpeedText, 9600};
    if (!baudWord.empty()) choice.baudMessage = kNonStandardSpeedText;
    for (const BaudRateName& row : g_baudRates) {
        if (baudWord == row.name) {
            choice.baudMessage = SpeedText(baudWord);
            choice.baudRate = row.baudRate;
        }
    }
    return choice;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int failingCall = data[0] & 3;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* line = text.c_str();

    const char* tail = CommandLineTail(line);
    Require(tail >= line && tail <= line + std::strlen(line),
            "the tail lies inside the command line");
    Require(*tail != ' ' && *tail != '\t', "the tail starts with neither space nor tab");
    Require(CutIsOneProgramName(line, tail), "exactly the program name and its blanks are cut off");
    if (data[0] & 4) line = tail;

    fake::Reset();
    fake::g.createFails = failingCall == 1;
    fake::g.getStateFails = failingCall == 2;
    fake::g.setStateFails = failingCall == 3;
    recording_console::Reset();
    const int status = TerminalMain(line);

    const Choice choice = ChoiceOf(line);
    const std::string device = "COM" + std::to_string(choice.port);
    const bool opens = failingCall == 0;
    Require(status == (opens ? 0 : 1), "status 0 when the port opens, else 1");
    const std::string afterOpen = opens ? OpenedText(choice.port) : FailureText(choice.port);
    Require(recording_console::g_shown == kBanner + choice.baudMessage + afterOpen,
            "the console shows the banner, one speed message and the opening or failure text");
    Require(fake::g.name == device, "the device opened is the one announced");
    if (failingCall == 0 || failingCall == 3)
        Require(fake::g.written.BaudRate == choice.baudRate, "the device gets the announced speed");
    Require(fake::g.sent == (opens ? std::vector<BYTE>{27, 27} : std::vector<BYTE>{}),
            "both ESC keys, and nothing else, go to the port");
    Require(fake::g.open.empty(), "no handle is left open");
    Require(fake::g.faults == 0, "no call uses a closed handle or unexpected arguments");
    return 0;
}
