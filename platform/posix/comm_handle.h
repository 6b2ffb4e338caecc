// What a communications HANDLE points to on this platform.
#pragma once

#include <cstddef>

#include "platform/comm.h"

struct CommHandle {
    int fd;
    bool exclusiveFlagSet;  // TIOCEXCL set by this handle, to be cleared on close
    bool gone;              // hung up or unplugged: no longer watched while waiting
    CommHandle* next;       // the next open handle

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
