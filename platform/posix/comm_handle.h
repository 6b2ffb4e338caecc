// What a communications HANDLE points to on this platform.
#pragma once

#include "platform/comm.h"

struct CommHandle {
    int fd;
    bool exclusive;  // opened with share mode 0: locked and TIOCEXCL set
};

// The handle's object, or nullptr for a null or invalid handle.
inline CommHandle* ToCommHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return static_cast<CommHandle*>(handle);
}
