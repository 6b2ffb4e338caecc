// Opening, closing, purging, querying and transferring on a device, and
// the polling step's sleep.
//
// Devices stay non-blocking. A write that must wait for room waits as every
// wait does (see waits.h), and so does the polling step. A device that has
// gone is waited for (see device_return.h).
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "platform/comm.h"
#include "platform/posix/com_names.h"
#include "platform/posix/comm_handle.h"
#include "platform/posix/console_keys.h"
#include "platform/posix/device_return.h"
#include "platform/posix/stream_gathering.h"
#include "platform/posix/waits.h"

namespace {

// The open handles, newest first: the polling step waits on them.
CommHandle* g_openDevices = nullptr;

// A step watches this many devices at most; with more open it lasts only
// as long as asked.
const int kDevicesWatchedMax = kWaitedMax;

int OpenFlagsForAccess(DWORD desiredAccess) {
    switch (desiredAccess & (GENERIC_READ | GENERIC_WRITE)) {
        case GENERIC_READ | GENERIC_WRITE:
            return O_RDWR;
        case GENERIC_READ:
            return O_RDONLY;
        case GENERIC_WRITE:
            return O_WRONLY;
        default:
            return -1;
    }
}

// Whether the device still holds output it has not sent. A
// pseudo-terminal never does: there an output flush would discard bytes
// already written and on their way to the other side.
bool OutputPending(int fd) {
    int outQueue = 0;
    return ioctl(fd, TIOCOUTQ, &outQueue) != 0 || outQueue > 0;
}

// Moves what the kernel holds into the empty input queue, in one read that
// returns at once. False when the device has gone: unplugged or its other
// side closed (EIO, ENXIO), or hung up (a hung-up device reads as ending).
bool RefillInput(CommHandle& device) {
    if (device.fd == -1) return false;
    device.inputStart = device.inputEnd = 0;
    ssize_t got;
    do {
        got = read(device.fd, device.input, CommHandle::kInputCapacity);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        device.inputEnd = static_cast<size_t>(got);
        device.readSinceStep += static_cast<size_t>(got);
    }
    if (got > 0 || (got < 0 && errno == EAGAIN)) return true;
    if (got == 0 || errno == EIO || errno == ENXIO) LoseDevice(device);
    return false;
}

// Byte by byte: the loop reads one at a time, where a memcpy of a count
// only known at run time costs more than the byte.
DWORD TakeQueuedInput(CommHandle& device, unsigned char* bytes, DWORD wanted) {
    const DWORD count = static_cast<DWORD>(std::min<size_t>(device.InputQueued(), wanted));
    const unsigned char* queued = device.input + device.inputStart;
    for (DWORD i = 0; i < count; ++i) bytes[i] = queued[i];
    device.inputStart += count;
    return count;
}

// A handle with nothing open and an empty input queue; nullptr when memory
// is short. It comes from malloc, which needs no C++ runtime library, and is
// not cleared, so that the queue takes no memory until input comes.
CommHandle* NewCommHandle() {
    void* storage = std::malloc(sizeof(CommHandle));
    if (storage == nullptr) return nullptr;
    CommHandle* device = new (storage) CommHandle;
    device->fd = device->changes = -1;
    device->exclusiveFlagSet = device->settingsApplied = false;
    device->readSinceStep = 0;
    device->inputStart = device->inputEnd = 0;
    device->next = g_openDevices;
    g_openDevices = device;
    return device;
}

void DeleteCommHandle(CommHandle* device) {
    CommHandle** link = &g_openDevices;
    while (*link != device) link = &(*link)->next;
    *link = device->next;
    std::free(device);
}

// Waits until the device has room for more output, taking the keys typed
// meanwhile. False when they ask the program to leave: the write gives up,
// and the keys held before them go with it.
bool WaitForRoom(int fd) {
    while (!KeysAskToLeave()) {
        pollfd room{fd, POLLOUT, 0};
        Wait(&room, 1, -1);
        if (room.revents != 0) return true;
    }
    DropKeysBeforeLeaving();
    return false;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    const int accessFlags = OpenFlagsForAccess(desiredAccess);
    if (fileName == nullptr || accessFlags == -1 || creationDisposition != OPEN_EXISTING ||
        (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0) {
        return INVALID_HANDLE_VALUE;
    }

    CommHandle* device = NewCommHandle();
    if (device == nullptr) return INVALID_HANDLE_VALUE;
    device->exclusive = shareMode == 0;
    device->fd = OpenNamed(fileName, accessFlags, device->exclusive, device->exclusiveFlagSet,
                           device->folders);
    if (device->fd == -1) {
        DeleteCommHandle(device);
        return INVALID_HANDLE_VALUE;
    }
    std::snprintf(device->name, MAX_PATH, "%s", fileName);  // fits, as its path did
    device->accessFlags = accessFlags;
    return device;
}

BOOL CloseHandle(HANDLE handle) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr) return FALSE;
    const int closed = device->fd != -1 ? CloseDevice(*device) : 0;
    if (device->changes != -1) close(device->changes);
    DeleteCommHandle(device);
    return closed == 0 ? TRUE : FALSE;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr) return FALSE;
    // The abort flags end overlapped transfers, which this layer has none of.
    const bool input = (flags & PURGE_RXCLEAR) != 0;
    const bool output = (flags & PURGE_TXCLEAR) != 0 && OutputPending(device->fd);
    if (input) device->inputStart = device->inputEnd = 0;
    if (!input && !output) return TRUE;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return tcflush(device->fd, queue) == 0 ? TRUE : FALSE;
}

// Called before every read, so it asks the kernel nothing while input is
// queued here, and leaves the output queue at 0.
BOOL ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT status) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr || (device->InputQueued() == 0 && !RefillInput(*device))) return FALSE;
    if (errors != nullptr) *errors = 0;
    if (status != nullptr) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = static_cast<DWORD>(device->InputQueued());
    }
    return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr || buffer == nullptr) return FALSE;
    auto* bytes = static_cast<unsigned char*>(buffer);
    DWORD done = TakeQueuedInput(*device, bytes, bytesToRead);
    BOOL ok = TRUE;
    while (done < bytesToRead) {
        const ssize_t count = read(device->fd, bytes + done, bytesToRead - done);
        if (count > 0) {
            done += static_cast<DWORD>(count);
        } else if (count == 0) {
            break;  // end of data: a short count, as after a time-out
        } else if (errno == EAGAIN) {
            pollfd waiting{device->fd, POLLIN, 0};
            Wait(&waiting, 1, -1);
        } else if (errno != EINTR) {
            ok = FALSE;
            break;
        }
    }
    if (bytesRead != nullptr) *bytesRead = done;
    return ok;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr || buffer == nullptr || device->fd == -1) return FALSE;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    DWORD done = 0;
    BOOL ok = TRUE;
    while (done < bytesToWrite) {
        const ssize_t count = write(device->fd, bytes + done, bytesToWrite - done);
        if (count > 0) {
            done += static_cast<DWORD>(count);
        } else if (count < 0 && (errno == EINTR || (errno == EAGAIN && WaitForRoom(device->fd)))) {
            continue;
        } else {
            if (count < 0 && (errno == EIO || errno == ENXIO)) LoseDevice(*device);
            ok = FALSE;
            break;
        }
    }
    if (bytesWritten != nullptr) *bytesWritten = done;
    return ok;
}

// The step waits on what its caller polls next: the open devices and the
// keyboard. While they have nothing, nothing can change for the caller, so
// it lasts until one of them has something or a signal comes, however long
// was asked: an idle program does not wake. While a port streams, it
// gathers its bytes for a while first (see stream_gathering.h). For a
// device that has gone it waits on the changes that may bring it back, and
// tries it then.
void Sleep(DWORD milliseconds) {
    pollfd watched[kDevicesWatchedMax];
    CommHandle* devices[kDevicesWatchedMax];
    int count = 0;
    bool allWatched = true;
    bool timerStandsIn = false;
    if (KeysHeld()) return;
    size_t read = 0;  // since the last step
    for (CommHandle* device = g_openDevices; device != nullptr; device = device->next) {
        if (device->InputQueued() != 0) return;
        read = std::max(read, std::exchange(device->readSinceStep, 0));
        if (count == kDevicesWatchedMax) {
            allWatched = false;
            continue;
        }
        const bool gone = device->fd == -1;
        timerStandsIn = timerStandsIn || (gone && device->changes == -1);
        devices[count] = device;
        watched[count++] = pollfd{gone ? device->changes : device->fd, POLLIN, 0};
    }
    // A port that sent a queue's worth since the last step sends faster
    // than windows could carry it: the step looks at it at once.
    if (read < CommHandle::kInputCapacity && StreamGathers(read != 0)) {
        Wait(nullptr, 0, kGatherMs);
        return;
    }
    const bool untilSomething = g_openDevices != nullptr && allWatched;
    int timeoutMs = untilSomething ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, INT_MAX));
    if (timerStandsIn && (timeoutMs == -1 || timeoutMs > kReturnTimerMs)) {
        timeoutMs = kReturnTimerMs;
    }
    Wait(watched, count, timeoutMs);
    bool portBytes = false;
    for (int i = 0; i < count; ++i) {
        CommHandle& device = *devices[i];
        const short events = watched[i].revents;
        if (device.fd == -1) {
            if (events != 0 || device.changes == -1) TryReturn(device);
        } else if ((events & POLLIN) != 0) {
            portBytes = true;
        } else if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            LoseDevice(device);  // with something left to read, the read finds it gone
        }
    }
    if (portBytes) NotePortWake();
}
