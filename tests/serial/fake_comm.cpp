#include "tests/serial/fake_comm.h"

fake::State fake::g;

void fake::Reset() {
    g = State();
    // Every field unlike what Open writes, so that kept fields show.
    std::memset(&g.reported, 0xFF, sizeof(DCB));
    g.reported.fBinary = g.reported.fParity = 0;
}

using fake::g;

namespace {

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

BOOL CloseHandle(HANDLE handle) {
    if (!IsOpen(handle)) return FALSE;
    --g.open;
    return TRUE;
}

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
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    *done = g.errorPending ? 0 : count;
    g.sent.insert(g.sent.end(), bytes, bytes + *done);
    return IsOpen(handle) && !g.errorPending;
}

void Sleep(DWORD milliseconds) {
    g.sleeps.push_back(milliseconds);
    if (g.sleeps.size() == g.arriveAfterSleeps) g.queue.push_back(g.arriving);
}
