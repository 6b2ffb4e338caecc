// The port class and the terminal on a recording fake of the communications
// calls: the port class's tests, and a fuzz target for the command line
// whose seeds every build replays; a libFuzzer program in sanitizer builds.
#include <gtest/gtest.h>
#include <strings.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/console.h"
#include "serial/com_port.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"

namespace {

// What the fake's device is told. It never has input: a read, which would
// wait for the line, is a fault, and so is a call on a handle not open.
struct Device {
    int failing = 0;   // the call that fails: 1 CreateFileA, 2 GetCommState, 3 SetCommState
    std::string name;  // the device last opened
    DCB written{};     // the record last applied
    std::vector<DWORD> sleeps;
    std::vector<BYTE> sent;
    int open = 0, faults = 0;
} g;

const HANDLE kHandle = reinterpret_cast<HANDLE>(0x100);

bool IsOpen(HANDLE handle) {
    const bool open = handle == kHandle && g.open > 0;
    g.faults += open ? 0 : 1;
    return open;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    g.name = fileName;
    g.open += g.failing == 1 ? 0 : 1;
    return g.failing == 1 ? INVALID_HANDLE_VALUE : kHandle;
}
BOOL CloseHandle(HANDLE handle) { return IsOpen(handle) && g.open-- > 0; }
BOOL GetCommState(HANDLE handle, LPDCB dcb) {
    std::memset(dcb, 0xFF, sizeof *dcb);  // DTR and RTS on, as handshakes
    return IsOpen(handle) && g.failing != 2;
}
BOOL SetCommState(HANDLE handle, LPDCB dcb) {
    g.written = *dcb;
    return IsOpen(handle) && g.failing != 3;
}
BOOL PurgeComm(HANDLE handle, DWORD) { return IsOpen(handle); }
BOOL ClearCommError(HANDLE handle, LPDWORD, LPCOMSTAT status) {
    *status = COMSTAT();
    return IsOpen(handle);
}
BOOL ReadFile(HANDLE handle, LPVOID, DWORD, LPDWORD done, LPOVERLAPPED) {
    ++g.faults;
    *done = 0;
    return IsOpen(handle);
}
BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    g.sent.insert(g.sent.end(), static_cast<const BYTE*>(buffer),
                  static_cast<const BYTE*>(buffer) + count);
    *done = count;
    return IsOpen(handle);
}
void Sleep(DWORD milliseconds) { g.sleeps.push_back(milliseconds); }

// The fuzz target's console: nothing shown, and ESC ESC on the keyboard.
int g_escKeysLeft = 0;
void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", what);
    std::abort();
}
int _cprintf(const char*, ...) { return 0; }
int _putch(int character) { return character; }
int _kbhit() { return Require(g_escKeysLeft > 0, "the loop ends after ESC ESC"), 1; }
int _getch() { return --g_escKeysLeft, 27; }
int IsEscKey(int key) { return key == 27; }

// An input is a mode byte, then the text, up to a NUL byte. mode & 3: where
// opening the port fails (0 nowhere, 1 CreateFileA, 2 GetCommState,
// 3 SetCommState); with mode & 4 the text is a whole command line, else the
// tail after the program name. The seeds start with a digit.
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

    g = Device();
    g.failing = data[0] & 3;
    g_escKeysLeft = 2;
    const int status = TerminalMain(line);
    char first[21] = "";
    std::sscanf(line, "%20s", first);
    const bool opens = (data[0] & 3) == 0;
    Require(status == (opens ? 0 : 1), "status 0 when the port opens, else 1");
    Require(g.name == (strcasecmp(first, "com1") == 0 ? "COM1" : "COM2"), "the port asked for");
    Require(g.sent == (opens ? std::vector<BYTE>{27, 27} : std::vector<BYTE>{}),
            "both ESC keys, and nothing else, go to the port");
    Require(g.open == 0 && g.faults == 0, "no handle left open or misused");
    return 0;
}

namespace {

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override { g = Device(); }
    void TearDown() override {
        port.Close();
        EXPECT_EQ(g.open, 0) << "device handle left open";
        EXPECT_EQ(g.faults, 0) << "a call on a closed handle, or a read that would wait";
    }
    CComPort port;
};

// DTR and RTS, which a pseudo-terminal lacks, are off after every open.
TEST_F(ComPortTest, OpenTurnsDtrAndRtsOffAndTakesNoNameOver20Characters) {
    ASSERT_EQ(port.Open("COM2"), 1);
    EXPECT_EQ(g.written.fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_EQ(g.written.fRtsControl, RTS_CONTROL_DISABLE);
    port.Close();
    port.Close();
    {
        CComPort destroyedOpen;
        ASSERT_EQ(destroyedOpen.Open("COM1"), 1);
    }
    const std::string twenty(20, 'n');
    EXPECT_EQ(port.Open((twenty + "n").c_str()), 0);
    EXPECT_EQ(g.name, "COM1") << "a 21-character name reached the device";
    ASSERT_EQ(port.Open(twenty.c_str()), 1);
    EXPECT_EQ(port.Open("COM1"), 0);
    EXPECT_EQ(g.name, twenty) << "an open port was opened again";
    g.failing = 3;  // a failed reopen stays closed but keeps the new settings
    EXPECT_EQ(port.Reconfigure(4800, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.IsOpen(), 0);
    g.failing = 0;
    ASSERT_EQ(port.Open("COM7"), 1);
    EXPECT_EQ(g.written.BaudRate, 4800u);
}

TEST_F(ComPortTest, ReadByteChecksAtOnceThenAfterEachFiveMsSleep) {
    ASSERT_EQ(port.Open("COM2"), 1);
    BYTE byte = 0;
    for (const DWORD limitMs : {0, 4, 5, 9, 20}) {
        g.sleeps.clear();
        EXPECT_EQ(port.ReadByte(byte, limitMs), 0);
        EXPECT_EQ(g.sleeps, std::vector<DWORD>(limitMs / 5, 5)) << limitMs;
    }
}

TEST(CommandLineFuzzer, EverySeedKeepsTheRules) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_FUZZ_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string input{std::istreambuf_iterator<char>(file), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
        ++seeds;
    }
    EXPECT_GT(seeds, 20);
}

}  // namespace
