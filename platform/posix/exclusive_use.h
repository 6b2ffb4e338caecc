// Exclusive use of a device, as share mode 0 asks for it.
//
// flock keeps out other programs that lock (and root, which TIOCEXCL does
// not stop); TIOCEXCL keeps out those that do not lock. The kernel drops
// the lock with the descriptor, but the exclusive flag stays on a device
// that someone else keeps open (the other side of a pseudo-terminal, a
// logger), so it is taken back on close and however the process ends.
#pragma once

// False when another program holds the device. A file that is no terminal
// cannot take TIOCEXCL; it is let through here.
bool TakeExclusiveUse(int fd);
void ReleaseExclusiveUse(int fd);
