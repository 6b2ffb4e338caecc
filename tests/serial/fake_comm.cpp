#include "tests/serial/fake_comm.h"

#include <algorithm>
#include <cstdint>

fake::State fake::g;

void fake::Reset() {
    g = State();
    // Every field unlike what Open writes, so that kept fields show.
    std::memset(&g.reported, 0xFF, sizeof(DCB));
    g.reported.fBinary = g.reported.fParity = 0;
}

using fake::g;

namespace {

bool IsOpen(HANDLE handle) {
    if (std::find(g.open.begin(), g.open.end(), handle) != g.open.end()) return true;
    ++g.faults;
    return false;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    static std::intptr_t nextHandle = 0x100;
    g.name = fileName;
    if (g.createFails) return INVALID_HANDLE_VALUE;
    g.open.push_back(reinterpret_cast<HANDLE>(nextHandle++));
    return g.open.back();
}

BOOL CloseHandle(HANDLE handle) {
    if (!IsOpen(handle)) return FALSE;
    g.open.erase(std::find(g.open.begin(), g.open.end(), handle));
    return TRUE;
}

BOOL GetCommState(HANDLE handle, LPDCB dcb) {
    if (!IsOpen(handle) || g.getStateFails) return FALSE;
    *dcb = g.reported;
    return TRUE;
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
    if (!IsOpen(handle) || g.clearErrorFails) return FALSE;
    g.errorPending = false;
    *errors = 0;
    *status = COMSTAT();
    status->cbInQue = static_cast<DWORD>(g.queue.size());
    return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    *done = 0;
    if (!IsOpen(handle)) return FALSE;
    if (count > g.queue.size()) ++g.faults;
    if (g.readFails || g.errorPending) {
        g.errorPending = true;
        return FALSE;
    }
    for (; *done < count && !g.queue.empty(); ++*done) {
        static_cast<BYTE*>(buffer)[*done] = g.queue.front();
        g.queue.pop_front();
    }
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    *done = 0;
    if (!IsOpen(handle) || g.errorPending) return FALSE;
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    g.sent.insert(g.sent.end(), bytes, bytes + count);
    *done = count;
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    g.sleeps.push_back(milliseconds);
    if (static_cast<int>(g.sleeps.size()) == g.arriveAfterSleeps) g.queue.push_back(g.arriving);
}
