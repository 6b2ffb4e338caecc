// What a communications HANDLE points to on this platform.
#pragma once

#include <cstddef>
#include <type_traits>

#include "platform/comm.h"

// Made in malloc's memory and given back with free, so that the program
// needs no C++ runtime library for new and delete.
struct CommHandle {
    int fd;
    bool exclusiveFlagSet;  // TIOCEXCL set by this handle, to be cleared on close

    // Input taken from the kernel in one read and handed out from here, so
    // that a stream of one-byte reads costs no system call per byte. The
    // kernel's terminal input buffer holds no more than this at a time.
    static constexpr size_t kInputCapacity = 4096;
    unsigned char input[kInputCapacity];
    size_t inputStart = 0;
    size_t inputEnd = 0;

    size_t InputQueued() const { return inputEnd - inputStart; }
};
static_assert(std::is_trivially_destructible_v<CommHandle>, "free does not run a destructor");

// The handle's object, or nullptr for a null or invalid handle.
inline CommHandle* ToCommHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return static_cast<CommHandle*>(handle);
}
