// GetCommState and SetCommState on the kernel's termios2 record.
#include "platform/posix/comm_state.h"

#include <errno.h>
#include <sys/ioctl.h>

#include "platform/posix/comm_handle.h"
#include "platform/posix/line_settings.h"

namespace {

// A device without modem lines (a pseudo-terminal) answers ENOTTY or
// EINVAL; that is no failure.
bool SetModemLine(int fd, int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
    return errno == ENOTTY || errno == EINVAL;
}

int ModemLines(int fd) {
    int lines = 0;
    return ioctl(fd, TIOCMGET, &lines) == 0 ? lines : 0;
}

// Whether the device took what it was given: a driver that cannot do a
// speed or a frame quietly keeps what it can.
bool TookSettings(const termios2& wanted, const termios2& applied) {
    DCB asked;
    DCB got;
    Termios2ToDcb(wanted, 0, asked);
    Termios2ToDcb(applied, 0, got);
    return asked.BaudRate == got.BaudRate && asked.ByteSize == got.ByteSize &&
           asked.Parity == got.Parity && asked.StopBits == got.StopBits &&
           asked.fOutxCtsFlow == got.fOutxCtsFlow && asked.fBinary == got.fBinary &&
           asked.fParity == got.fParity && asked.fOutX == got.fOutX && asked.fInX == got.fInX;
}

}  // namespace

BOOL GetCommState(HANDLE handle, LPDCB dcb) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr || dcb == nullptr) return FALSE;
    termios2 settings;
    if (ioctl(device->fd, TCGETS2, &settings) != 0) return FALSE;
    Termios2ToDcb(settings, ModemLines(device->fd), *dcb);
    return TRUE;
}

bool ApplySettings(int fd, const DCB& dcb) {
    termios2 previous;
    if (!DcbIsSupported(dcb) || ioctl(fd, TCGETS2, &previous) != 0) return false;
    termios2 wanted = previous;
    DcbToTermios2(dcb, wanted);
    if (ioctl(fd, TCSETS2, &wanted) != 0) return false;

    termios2 applied;
    if (ioctl(fd, TCGETS2, &applied) != 0 || !TookSettings(wanted, applied)) {
        ioctl(fd, TCSETS2, &previous);
        return false;
    }

    const bool hardwareFlow = dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    return SetModemLine(fd, TIOCM_DTR, dcb.fDtrControl == DTR_CONTROL_ENABLE) &&
           (hardwareFlow || SetModemLine(fd, TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE));
}

BOOL SetCommState(HANDLE handle, LPDCB dcb) {
    CommHandle* device = ToCommHandle(handle);
    if (device == nullptr || dcb == nullptr || !ApplySettings(device->fd, *dcb)) return FALSE;
    device->settings = *dcb;
    device->settingsApplied = true;
    return TRUE;
}
