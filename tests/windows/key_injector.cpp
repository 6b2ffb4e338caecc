// KEY_INJECTOR_KEYS=<file> key-injector COMMAND-LINE
//
// Test helper for the Wine end-to-end tests. Runs COMMAND-LINE (the rest of
// this program's own command line, unchanged) on this console, and types
// every byte read from the file named by KEY_INJECTOR_KEYS into the console
// as one key press: a key-down and a key-up record whose character is the
// byte. Keys typed on a Unix terminal do not reach a program that polls the
// console under Wine; keys written into the console's input do. Exits with
// the program's exit code once it has ended.
#include <windows.h>

#include <cstdio>
#include <string>

#include "terminal/command_line.h"

namespace {

HANDLE g_keys = INVALID_HANDLE_VALUE;

void PressKey(HANDLE console, unsigned char character) {
    INPUT_RECORD press[2] = {};
    for (int i = 0; i < 2; ++i) {
        press[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& key = press[i].Event.KeyEvent;
        key.bKeyDown = i == 0;
        key.wRepeatCount = 1;
        key.uChar.AsciiChar = static_cast<CHAR>(character);
    }
    DWORD written = 0;
    WriteConsoleInputA(console, press, 2, &written);
}

DWORD WINAPI TypeKeys(LPVOID) {
    const HANDLE console =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    unsigned char keys[256];
    DWORD count = 0;
    while (ReadFile(g_keys, keys, sizeof keys, &count, nullptr) && count > 0) {
        for (DWORD i = 0; i < count; ++i) PressKey(console, keys[i]);
    }
    return 0;
}

// Ctrl-C is the program's to act on; this helper stays to report its end.
BOOL WINAPI IgnoreControlEvent(DWORD) { return TRUE; }

int Fail(const char* what, const std::string& name) {
    std::fprintf(stderr, "key-injector: cannot %s %s (error %lu)\n", what, name.c_str(),
                 GetLastError());
    return 127;
}

}  // namespace

int main() {
    std::string commandLine = CommandLineTail(GetCommandLineA());
    char keysPath[MAX_PATH] = "";
    GetEnvironmentVariableA("KEY_INJECTOR_KEYS", keysPath, sizeof keysPath);
    g_keys = CreateFileA(keysPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    if (g_keys == INVALID_HANDLE_VALUE) return Fail("open", keysPath);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &program)) {
        return Fail("start", commandLine);
    }
    SetConsoleCtrlHandler(IgnoreControlEvent, TRUE);
    CreateThread(nullptr, 0, TypeKeys, nullptr, 0, nullptr);

    WaitForSingleObject(program.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(program.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}
