// Line settings: the device control block against the kernel's termios2.
//
// termios2 carries any speed (BOTHER), so every rate reaches the device as
// asked. This header brings the kernel's termios definitions; a file that
// includes it cannot also include <termios.h>.
#pragma once

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "platform/comm.h"

// Describes a device's settings and modem lines (TIOCM_* bits, 0 when the
// device has none) as a device control block. fBinary is 1 when the device
// is in raw mode as DcbToTermios2 sets it. A device still in canonical
// (cooked) mode reports no software flow control, whatever IXON and IXOFF
// say: those are the line discipline's defaults, not anyone's choice.
void Termios2ToDcb(const termios2& settings, int modemLines, DCB& dcb);

// False for values the device cannot honour: no binary mode, no speed,
// data bits outside 5 to 8, parity code above 4, stop-bit code above 2 or
// not matching the data bits, DSR flow control or sensitivity, DTR
// handshake, RTS toggle, NUL stripping, error replacement.
bool DcbIsSupported(const DCB& dcb);

// Writes a supported control block into settings, keeping every flag that
// the block does not describe. Modem lines are left to the caller.
void DcbToTermios2(const DCB& dcb, termios2& settings);
