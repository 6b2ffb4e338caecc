// Fuzzes the command-line reading through the real terminal and port code,
// on the recording fake of the communications calls and a console that
// holds ESC ESC. An input is a mode byte, then the text (up to a NUL byte):
// mode & 3 says where opening the port fails (0 nowhere, 1 CreateFileA,
// 2 GetCommState, 3 SetCommState); with mode & 4 the text is a whole command
// line, else the tail after the program name. Seeds start with a digit.
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"
#include "tests/serial/fake_comm.h"

namespace {

int g_escKeysLeft = 0;

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", what);
    std::abort();
}

}  // namespace

int _cprintf(const char*, ...) { return 0; }
int _putch(int character) { return character; }
int _kbhit() {
    Require(g_escKeysLeft > 0, "the loop ends after ESC ESC");
    return 1;
}
int _getch() {
    --g_escKeysLeft;
    return 27;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* line = text.c_str();
    const char* tail = CommandLineTail(line);
    // The program name ends at its closing quote, or unquoted at a blank.
    const char* name = line + std::strspn(line, " \t");
    const char* end = *name == '"' ? std::strchr(name + 1, '"') : name + std::strcspn(name, " \t");
    end = end == nullptr ? name + std::strlen(name) : end + (*name == '"');
    Require(tail == end + std::strspn(end, " \t"), "the program name and its blanks are cut off");
    if (data[0] & 4) line = tail;

    fake::Reset();
    fake::g.createFails = (data[0] & 3) == 1;
    fake::g.getStateFails = (data[0] & 3) == 2;
    fake::g.setStateFails = (data[0] & 3) == 3;
    g_escKeysLeft = 2;
    const int status = TerminalMain(line);
    char first[21] = "";
    std::sscanf(line, "%20s", first);
    const bool opens = (data[0] & 3) == 0;
    Require(status == (opens ? 0 : 1), "status 0 when the port opens, else 1");
    Require(fake::g.name == (strcasecmp(first, "com1") == 0 ? "COM1" : "COM2"),
            "the port asked for");
    Require(fake::g.sent == (opens ? std::vector<BYTE>{27, 27} : std::vector<BYTE>{}),
            "both ESC keys, and nothing else, go to the port");
    Require(fake::g.open == 0 && fake::g.faults == 0, "no handle left open or misused");
    return 0;
}
