// The port class and the terminal on a recording fake of the communications
// calls: the port class's own tests, and a fuzz target for the command-line
// reading, whose seeds every build replays. With the sanitizers (clang) this
// file is also a libFuzzer program of its own, run by .ci/hardening.
#include <gtest/gtest.h>
#include <strings.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>

#include "platform/console.h"
#include "serial/com_port.h"
#include "terminal/command_line.h"
#include "terminal/terminal.h"

namespace {

// What the fake's device is told and holds. A call on a handle that is not
// open, or a read that would wait for the line, is a fault.
struct Device {
    bool createFails = false, getStateFails = false, setStateFails = false, readFails = false;
    DCB reported{};             // what GetCommState reports: every field unlike what Open writes
    std::deque<BYTE> queue;     // bytes waiting to be read
    bool errorPending = false;  // after a failed read, until ClearCommError
    std::string name;           // the device last opened
    DCB written{};              // the record last applied
    std::vector<DWORD> purges, sleeps;
    std::vector<BYTE> sent;
    int open = 0, faults = 0;

    Device() {
        std::memset(&reported, 0xFF, sizeof reported);
        reported.fBinary = reported.fParity = 0;
    }
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
    g.open += g.createFails ? 0 : 1;
    return g.createFails ? INVALID_HANDLE_VALUE : kHandle;
}
BOOL CloseHandle(HANDLE handle) { return IsOpen(handle) && g.open-- > 0; }
BOOL GetCommState(HANDLE handle, LPDCB dcb) {
    *dcb = g.reported;
    return IsOpen(handle) && !g.getStateFails;
}
BOOL SetCommState(HANDLE handle, LPDCB dcb) {
    g.written = *dcb;
    return IsOpen(handle) && !g.setStateFails;
}
BOOL PurgeComm(HANDLE handle, DWORD flags) {
    g.purges.push_back(flags);
    if (flags & PURGE_RXCLEAR) g.queue.clear();
    return IsOpen(handle);
}
BOOL ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT status) {
    *errors = g.errorPending = false;
    *status = COMSTAT();
    status->cbInQue = static_cast<DWORD>(g.queue.size());
    return IsOpen(handle);
}
BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    g.faults += count > g.queue.size() ? 1 : 0;
    g.errorPending = g.errorPending || g.readFails;
    for (*done = 0; *done < count && !g.queue.empty() && !g.errorPending; ++*done) {
        static_cast<BYTE*>(buffer)[*done] = g.queue.front();
        g.queue.pop_front();
    }
    return IsOpen(handle) && !g.errorPending;
}
BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    *done = g.errorPending ? 0 : count;
    g.sent.insert(g.sent.end(), static_cast<const BYTE*>(buffer),
                  static_cast<const BYTE*>(buffer) + *done);
    return IsOpen(handle) && !g.errorPending;
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
    g.createFails = (data[0] & 3) == 1;
    g.getStateFails = (data[0] & 3) == 2;
    g.setStateFails = (data[0] & 3) == 3;
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

// The device's own record with the line settings and handshaking replaced:
// binary, parity checked, no hardware flow control, DTR and RTS off.
DCB Expected(DWORD baud, BYTE size, BYTE parity, BYTE stop) {
    DCB d = g.reported;
    d.BaudRate = baud;
    d.ByteSize = size;
    d.Parity = parity;
    d.StopBits = stop;
    d.fOutxDsrFlow = d.fOutxCtsFlow = 0;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    d.fRtsControl = RTS_CONTROL_DISABLE;
    d.fBinary = d.fParity = 1;
    return d;
}

bool operator==(const DCB& a, const DCB& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(ComPortTest, OpenTakesTheStoredSettingsAndPurgesBothWaysOnOpenAndClose) {
    g.queue = {1, 2, 3};  // left from before the open
    ASSERT_EQ(port.Open("COM2"), 1);
    EXPECT_TRUE(g.written == Expected(9600, 8, NOPARITY, ONESTOPBIT)) << "wrong or lost settings";
    EXPECT_EQ(port.BytesAvailable(), 0u) << "input from before the open was kept";
    port.Close();
    port.Close();
    EXPECT_EQ(g.purges, std::vector<DWORD>(2, 0x0F)) << "not both ways, once on open and close";
    {
        CComPort destroyedOpen;
        ASSERT_EQ(destroyedOpen.Open("COM1"), 1);
    }
    const std::string twenty(20, 'n');
    EXPECT_EQ(port.Open((twenty + "n").c_str()), 0);
    EXPECT_EQ(g.name, "COM1") << "a 21-character name reached the device";
    port.SetParams(2400, 7, ODDPARITY, TWOSTOPBITS);
    ASSERT_EQ(port.Open(twenty.c_str()), 1);
    EXPECT_EQ(port.Open("COM1"), 0);
    EXPECT_EQ(g.name, twenty) << "an open port was opened again";
    EXPECT_TRUE(g.written == Expected(2400, 7, ODDPARITY, TWOSTOPBITS));
    g.setStateFails = true;  // a failed reopen stays closed but keeps the new settings
    EXPECT_EQ(port.Reconfigure(4800, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.IsOpen(), 0);
    g.setStateFails = false;
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
    g.queue = {1};
    g.readFails = true;
    EXPECT_EQ(port.ReadByte(byte, 0), 0);
    g.readFails = false;
    EXPECT_EQ(port.WriteByte('k'), 1) << "the failed read's error stopped the next write";
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
