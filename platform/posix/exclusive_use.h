// Exclusive use of a device, as share mode 0 asks for it.
//
// flock keeps out other programs that lock (and root, which TIOCEXCL does
// not stop); TIOCEXCL keeps out those that do not lock. A device that
// already carries another program's TIOCEXCL is refused as well, since
// root's open goes through it. The kernel drops the lock with the
// descriptor, but the exclusive flag stays on a device that someone else
// keeps open (the other side of a pseudo-terminal, a logger), so the flag
// this process set is taken back on close and however the process ends.
#pragma once

enum class ExclusiveUse {
    kRefused,     // another program holds the device
    kFlagSet,     // locked, and the exclusive flag is this process's to clear
    kLockedOnly,  // locked; the file is no terminal and has no such flag
};

ExclusiveUse TakeExclusiveUse(int fd);
// Clears the exclusive flag that TakeExclusiveUse set.
void ReleaseExclusiveUse(int fd);
