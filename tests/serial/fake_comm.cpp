#include "tests/serial/fake_comm.h"

#include <algorithm>

namespace fake {

State g;

void Reset() {
    g = State();
    // Every field unlike what Open writes, so that kept fields show.
    std::memset(&g.reported, 0xFF, sizeof(DCB));
    g.reported.DCBlength = sizeof(DCB);
    g.reported.fBinary = 0;
    g.reported.fParity = 0;
}

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const Call& c : g.calls) names.push_back(c.name);
    return names;
}

std::vector<DWORD> Values(const std::string& name) {
    std::vector<DWORD> values;
    for (const Call& c : g.calls) {
        if (c.name == name) values.push_back(c.value);
    }
    return values;
}

// Logs a call; false, and a fault, when the handle is not open.
static bool Use(const char* name, HANDLE handle, DWORD value = 0, const void* extra = nullptr) {
    g.calls.push_back({name, value});
    bool open = std::find(g.open.begin(), g.open.end(), handle) != g.open.end();
    if (!open || extra != nullptr) ++g.faults;
    return open;
}

}  // namespace fake

using fake::g;
using fake::Use;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile) {
    g.calls.push_back({"CreateFileA", 0});
    g.name = fileName;
    g.access = desiredAccess;
    g.share = shareMode;
    g.disposition = creationDisposition;
    g.attributes = flagsAndAttributes;
    if (security != nullptr || templateFile != nullptr) ++g.faults;
    if (g.createFails) return INVALID_HANDLE_VALUE;
    g.open.push_back(reinterpret_cast<HANDLE>(g.nextHandle++));
    return g.open.back();
}

BOOL CloseHandle(HANDLE handle) {
    if (!Use("CloseHandle", handle)) return FALSE;
    g.open.erase(std::find(g.open.begin(), g.open.end(), handle));
    return TRUE;
}

BOOL GetCommState(HANDLE handle, LPDCB dcb) {
    if (!Use("GetCommState", handle) || g.getStateFails) return FALSE;
    *dcb = g.reported;
    return TRUE;
}

BOOL SetCommState(HANDLE handle, LPDCB dcb) {
    g.written = *dcb;
    return Use("SetCommState", handle) && !g.setStateFails;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
    if (flags & PURGE_RXCLEAR) g.queue.clear();
    return Use("PurgeComm", handle, flags);
}

BOOL ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT status) {
    if (!Use("ClearCommError", handle) || g.clearErrorFails) return FALSE;
    *errors = 0;
    *status = COMSTAT();
    status->cbInQue = static_cast<DWORD>(g.queue.size());
    return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped) {
    *done = 0;
    if (!Use("ReadFile", handle, count, overlapped) || g.readFails) return FALSE;
    while (*done < count && !g.queue.empty()) {
        static_cast<BYTE*>(buffer)[(*done)++] = g.queue.front();
        g.queue.pop_front();
    }
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped) {
    *done = 0;
    if (!Use("WriteFile", handle, count, overlapped) || g.writeFails) return FALSE;
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    g.sent.insert(g.sent.end(), bytes, bytes + count);
    *done = count;
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    g.calls.push_back({"Sleep", milliseconds});
    if (static_cast<int>(fake::Values("Sleep").size()) == g.arriveAfterSleeps) {
        g.queue.push_back(g.arriving);
    }
}
