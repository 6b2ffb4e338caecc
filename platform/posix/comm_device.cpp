// Opening, closing, purging, querying and transferring on a device.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/comm.h"
#include "platform/posix/com_names.h"
#include "platform/posix/comm_handle.h"

namespace {

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

// flock keeps out other programs that lock (and root, which TIOCEXCL does
// not stop); TIOCEXCL keeps out those that do not lock. A file that is no
// terminal cannot take TIOCEXCL; it is let through here and refused when its
// line settings are asked for.
bool TakeExclusiveUse(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    return ioctl(fd, TIOCEXCL) == 0 || errno == ENOTTY || errno == EINVAL;
}

// Reads and writes wait as on the original platform: O_NONBLOCK was only
// there so that the open would not wait for carrier.
bool MakeBlocking(int fd) {
    const int statusFlags = fcntl(fd, F_GETFL);
    return statusFlags != -1 && fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) == 0;
}

// Whether the device still holds output it has not sent. A
// pseudo-terminal never does: there an output flush would discard bytes
// already written and on their way to the other side.
bool OutputPending(int fd) {
    int outQueue = 0;
    return ioctl(fd, TIOCOUTQ, &outQueue) != 0 || outQueue > 0;
}

// Waits until written bytes have left the device, so that a write is done
// when it returns, as a synchronous write is on the original platform.
bool DrainOutput(int fd) {
    while (tcdrain(fd) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    const int accessFlags = OpenFlagsForAccess(desiredAccess);
    if (fileName == nullptr || accessFlags == -1 || creationDisposition != OPEN_EXISTING ||
        (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0) {
        return INVALID_HANDLE_VALUE;
    }

    const std::string path = DevicePathForName(fileName, kComDevicePrefix);
    const int fd = open(path.c_str(), accessFlags | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd == -1) return INVALID_HANDLE_VALUE;

    const bool exclusive = shareMode == 0;
    if ((exclusive && !TakeExclusiveUse(fd)) || !MakeBlocking(fd)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return new CommHandle{fd, exclusive};
}

BOOL CloseHandle(HANDLE handle) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr) return FALSE;
    // The exclusive flag outlives this descriptor on a device that someone
    // else keeps open (a pseudo-terminal's own side, say): take it back.
    if (device->exclusive) ioctl(device->fd, TIOCNXCL);
    const int result = close(device->fd);
    delete device;
    return result == 0 ? TRUE : FALSE;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr) return FALSE;
    const bool input = (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
    const bool output = (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0 && OutputPending(device->fd);
    if (!input && !output) return TRUE;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return tcflush(device->fd, queue) == 0 ? TRUE : FALSE;
}

BOOL ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT status) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr) return FALSE;
    // A device that has gone (hung up, unplugged) answers EIO here.
    int inQueue = 0;
    if (ioctl(device->fd, TIOCINQ, &inQueue) != 0) return FALSE;
    int outQueue = 0;
    if (ioctl(device->fd, TIOCOUTQ, &outQueue) != 0) outQueue = 0;

    if (errors != nullptr) *errors = 0;
    if (status != nullptr) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = static_cast<DWORD>(inQueue);
        status->cbOutQue = static_cast<DWORD>(outQueue);
    }
    return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr || buffer == nullptr) return FALSE;
    auto* bytes = static_cast<unsigned char*>(buffer);
    DWORD done = 0;
    BOOL ok = TRUE;
    while (done < bytesToRead) {
        const ssize_t count = read(device->fd, bytes + done, bytesToRead - done);
        if (count > 0) {
            done += static_cast<DWORD>(count);
        } else if (count == 0) {
            break;  // end of data: a short count, as after a time-out
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
        } else if (count == 0 || errno != EINTR) {
            ok = FALSE;
            break;
        }
    }
    if (ok && !DrainOutput(device->fd)) ok = FALSE;
    if (bytesWritten != nullptr) *bytesWritten = done;
    return ok;
}
