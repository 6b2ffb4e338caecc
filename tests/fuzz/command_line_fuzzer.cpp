// Fuzzes the command line: arbitrary bytes as the program's whole command
// line, or as the tail that TerminalMain reads its words from, through the
// real terminal and port code on the recording fake of the communications
// calls and a console that records what is shown and holds ESC ESC.
//
// An input is a mode byte, then the text (which ends at its first NUL byte):
//   mode & 3  where opening the port fails: 0 nowhere, 1 CreateFileA,
//             2 GetCommState, 3 SetCommState;
//   mode & 4  the text is a whole command line, cut with CommandLineTail
//             before TerminalMain gets it; otherwise it is the tail itself.
// The seeds in corpus/ start with a digit as their mode byte.
#include <strings.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/console.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"
#include "tests/console_text.h"
#include "tests/serial/fake_comm.h"

namespace {

std::string g_shown;
int g_escKeysLeft = 0;

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

// The speed the console announced for the word; 0 when the text is none of
// the three announcements the word may get.
DWORD AnnouncedSpeed(const std::string& text, const std::string& word) {
    if (word.empty()) return text == kDefaultSpeedText ? 9600 : 0;
    if (text == kNonStandardSpeedText) return 9600;
    if (text != SpeedText(word) || word.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    return static_cast<DWORD>(std::strtoul(word.c_str(), nullptr, 10));
}

}  // namespace

int _cprintf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    char text[512];  // far more than any message of the program needs
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Require(length >= 0 && static_cast<size_t>(length) < sizeof text, "a message fits");
    g_shown.append(text, static_cast<size_t>(length));
    return length;
}

int _kbhit() {
    Require(g_escKeysLeft > 0, "the loop ends after ESC ESC");
    return 1;
}

int _getch() {
    --g_escKeysLeft;
    return 27;
}

int _putch(int character) {
    g_shown += static_cast<char>(character);
    return character;
}

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
    g_shown.clear();
    g_escKeysLeft = 2;
    const int status = TerminalMain(line);

    // The port from the first word; the speed from the word after "com1",
    // or else the first.
    std::istringstream words(line);
    std::string first, second;
    words >> first >> second;
    const bool com1 = strcasecmp(first.c_str(), "com1") == 0;
    const int port = com1 ? 1 : 2;
    const bool opens = failingCall == 0;
    Require(status == (opens ? 0 : 1), "status 0 when the port opens, else 1");
    Require(fake::g.name == "COM" + std::to_string(port), "the port is the one the words ask for");

    const std::string afterOpen = opens ? OpenedText(port) : FailureText(port);
    const size_t speedTextSize = g_shown.size() - kBanner.size() - afterOpen.size();
    Require(
        g_shown.size() > kBanner.size() + afterOpen.size() &&
            g_shown.compare(0, kBanner.size(), kBanner) == 0 &&
            g_shown.compare(g_shown.size() - afterOpen.size(), afterOpen.size(), afterOpen) == 0,
        "the console shows the banner, the speed and the opening or failure text");
    const DWORD speed =
        AnnouncedSpeed(g_shown.substr(kBanner.size(), speedTextSize), com1 ? second : first);
    Require(speed != 0, "the speed is announced as the word asks");
    if (failingCall == 0 || failingCall == 3) {
        Require(fake::g.written.BaudRate == speed, "the device gets the announced speed");
    }
    Require(fake::g.sent == (opens ? std::vector<BYTE>{27, 27} : std::vector<BYTE>{}),
            "both ESC keys, and nothing else, go to the port");
    Require(fake::g.open.empty(), "no handle is left open");
    Require(fake::g.faults == 0, "no call uses a closed handle or waits for the line");
    return 0;
}
