// Opening, closing, purging, querying and transferring on a device, and
// the polling step's sleep.
//
// Devices stay non-blocking. A write that must wait for room waits as every
// wait does (see waits.h), and so does the polling step.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/comm.h"
#include "platform/posix/com_names.h"
#include "platform/posix/comm_handle.h"
#include "platform/posix/console_keys.h"
#include "platform/posix/exclusive_use.h"
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

// Moves what the kernel holds into the handle's input queue once that queue
// is empty, in one read that returns at once. False when the device has
// gone: unplugged or its other side closed (EIO), or hung up, as the
// polling step finds (a hung-up device reads as ending).
bool RefillInput(CommHandle& device) {
    if (device.InputQueued() != 0) return true;
    device.inputStart = device.inputEnd = 0;
    ssize_t got;
    do {
        got = read(device.fd, device.input, CommHandle::kInputCapacity);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return errno == EAGAIN;
    device.inputEnd = static_cast<size_t>(got);
    return !device.gone;
}

DWORD TakeQueuedInput(CommHandle& device, unsigned char* bytes, DWORD wanted) {
    const DWORD count = static_cast<DWORD>(std::min<size_t>(device.InputQueued(), wanted));
    std::memcpy(bytes, device.input + device.inputStart, count);
    device.inputStart += count;
    return count;
}

// A handle for fd with an empty input queue; nullptr when memory is short.
// The handle comes from malloc, which needs no C++ runtime library.
CommHandle* NewCommHandle(int fd, bool exclusiveFlagSet) {
    void* storage = std::malloc(sizeof(CommHandle));
    if (storage == nullptr) return nullptr;
    g_openDevices = new (storage) CommHandle{fd, exclusiveFlagSet, false, g_openDevices, 0, 0, {}};
    return g_openDevices;
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

    char path[MAX_PATH];
    if (!DevicePathForName(fileName, kComDevicePrefix, kPortLinksDir, path)) {
        return INVALID_HANDLE_VALUE;
    }
    const int fd = open(path, accessFlags | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd == -1) return INVALID_HANDLE_VALUE;

    bool flagSet = false;
    if (shareMode == 0) {
        const ExclusiveUse exclusive = TakeExclusiveUse(fd);
        if (exclusive == ExclusiveUse::kRefused) {
            close(fd);
            return INVALID_HANDLE_VALUE;
        }
        flagSet = exclusive == ExclusiveUse::kFlagSet;
    }
    CommHandle* device = NewCommHandle(fd, flagSet);
    if (device == nullptr) {
        if (flagSet) ReleaseExclusiveUse(fd);
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return device;
}

BOOL CloseHandle(HANDLE handle) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr) return FALSE;
    if (device->exclusiveFlagSet) ReleaseExclusiveUse(device->fd);
    const int result = close(device->fd);
    DeleteCommHandle(device);
    return result == 0 ? TRUE : FALSE;
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
    if (device == nullptr || !RefillInput(*device)) return FALSE;
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
    if (device == nullptr || buffer == nullptr) return FALSE;
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
// was asked: an idle program does not wake. A device that has gone reports
// that for ever and is watched no more.
void Sleep(DWORD milliseconds) {
    pollfd watched[kDevicesWatchedMax];
    CommHandle* devices[kDevicesWatchedMax];
    int count = 0;
    bool allWatched = true;
    for (CommHandle* device = g_openDevices; device != nullptr; device = device->next) {
        if (device->InputQueued() != 0) return;
        if (device->gone) continue;
        if (count == kDevicesWatchedMax) {
            allWatched = false;
            continue;
        }
        devices[count] = device;
        watched[count++] = pollfd{device->fd, POLLIN, 0};
    }
    if (KeysHeld()) return;
    const bool untilSomething = g_openDevices != nullptr && allWatched;
    Wait(watched, count,
         untilSomething ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, INT_MAX)));
    for (int i = 0; i < count; ++i) {
        if ((watched[i].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) devices[i]->gone = true;
    }
}
