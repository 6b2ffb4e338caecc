// KEY_INJECTOR_KEYS=<file> key-injector COMMAND-LINE: runs COMMAND-LINE on
// this console, presses a key for every byte read from the file and exits
// with its exit code. Under Wine, keys typed on a Unix terminal do not reach
// a program that polls the console; keys written into its input do.
#include <windows.h>

#include <cstdio>
#include <string>

#include "terminal/command_line.h"

namespace {

HANDLE g_keys = INVALID_HANDLE_VALUE;

DWORD WINAPI TypeKeys(LPVOID) {
    const HANDLE console =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    unsigned char keys[256];
    DWORD count = 0;
    while (ReadFile(g_keys, keys, sizeof keys, &count, nullptr) && count > 0) {
        for (DWORD i = 0; i < count; ++i) {
            INPUT_RECORD press[2] = {};  // key down, key up
            for (int j = 0; j < 2; ++j) {
                press[j].EventType = KEY_EVENT;
                press[j].Event.KeyEvent.bKeyDown = j == 0;
                press[j].Event.KeyEvent.wRepeatCount = 1;
                press[j].Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(keys[i]);
            }
            DWORD written = 0;
            WriteConsoleInputA(console, press, 2, &written);
        }
    }
    return 0;
}

}  // namespace

int main() {
    std::string commandLine = CommandLineTail(GetCommandLineA());
    char keysPath[MAX_PATH] = "";
    GetEnvironmentVariableA("KEY_INJECTOR_KEYS", keysPath, sizeof keysPath);
    g_keys = CreateFileA(keysPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program = {};
    if (g_keys == INVALID_HANDLE_VALUE ||
        !CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &program)) {
        std::fprintf(stderr, "key-injector: cannot start %s (error %lu)\n", commandLine.c_str(),
                     GetLastError());
        return 127;
    }
    CreateThread(nullptr, 0, TypeKeys, nullptr, 0, nullptr);
    WaitForSingleObject(program.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(program.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}
