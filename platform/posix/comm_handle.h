// What a communications HANDLE points to on this platform.
#pragma once

#include <cstddef>

#include "platform/comm.h"
#include "platform/posix/com_names.h"

struct CommHandle {
    int fd;                 // -1 while the device is gone (see device_return.h)
    bool exclusiveFlagSet;  // TIOCEXCL set by this handle, to be cleared on close
    CommHandle* next;       // the next open handle

    // What opens the device again as it was opened.
    char name[MAX_PATH];
    int accessFlags;
    bool exclusive;
    bool settingsApplied;  // settings holds what SetCommState applied last
    DCB settings;
    NameFolders folders;  // those its name went through
    int changes;          // inotify while the device is gone; else, or with none to be had, -1
    size_t readSinceStep;  // bytes read since the last polling step (see stream_gathering.h)

    // Input taken from the kernel in one read and handed out from here, so
    // that a stream of one-byte reads costs no system call per byte. The
    // kernel's terminal input buffer holds no more than this at a time.
    static constexpr size_t kInputCapacity = 4096;
    size_t inputStart;
    size_t inputEnd;
    unsigned char input[kInputCapacity];

    size_t InputQueued() const { return inputEnd - inputStart; }
};

// The handle's object, or nullptr for a null or invalid handle.
inline CommHandle* ToCommHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return static_cast<CommHandle*>(handle);
}
