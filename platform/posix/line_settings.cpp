#include "platform/posix/line_settings.h"

#include <cstring>

namespace {

struct SpeedCode {
    tcflag_t code;
    DWORD speed;
};

const SpeedCode kSpeedCodes[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
};

DWORD OutputSpeed(const termios2& settings) {
    const tcflag_t code = settings.c_cflag & CBAUD;
    if (code == BOTHER) return settings.c_ospeed;
    for (const SpeedCode& entry : kSpeedCodes) {
        if (entry.code == code) return entry.speed;
    }
    return 0;
}

// Standard speeds keep their classic code, so that drivers and programs
// that only know those codes see them; any other speed is BOTHER.
void SetSpeed(termios2& settings, DWORD speed) {
    tcflag_t code = BOTHER;
    for (const SpeedCode& entry : kSpeedCodes) {
        if (entry.speed == speed) code = entry.code;
    }
    settings.c_cflag &= ~(CBAUD | CIBAUD);  // input speed follows output
    settings.c_cflag |= code;
    settings.c_ispeed = speed;
    settings.c_ospeed = speed;
}

const tcflag_t kRawInputOff = BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL;
const tcflag_t kRawInputOn = IGNBRK;  // a break is no NUL byte
const tcflag_t kRawOutputOff = OPOST;
const tcflag_t kRawLocalOff = ICANON | ECHO | ECHONL | ISIG | IEXTEN;

bool IsRaw(const termios2& settings) {
    return (settings.c_iflag & kRawInputOff) == 0 && (settings.c_iflag & kRawInputOn) != 0 &&
           (settings.c_oflag & kRawOutputOff) == 0 && (settings.c_lflag & kRawLocalOff) == 0 &&
           settings.c_cc[VMIN] == 1 && settings.c_cc[VTIME] == 0;
}

void MakeRaw(termios2& settings) {
    settings.c_iflag &= ~kRawInputOff;
    settings.c_iflag |= kRawInputOn;
    settings.c_oflag &= ~kRawOutputOff;
    settings.c_lflag &= ~kRawLocalOff;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

BYTE DataBits(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

tcflag_t SizeFlag(BYTE byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

BYTE ParityCode(tcflag_t cflag) {
    if ((cflag & PARENB) == 0) return NOPARITY;
    if ((cflag & CMSPAR) != 0) return (cflag & PARODD) != 0 ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) != 0 ? ODDPARITY : EVENPARITY;
}

tcflag_t ParityFlags(BYTE parity) {
    switch (parity) {
        case ODDPARITY:
            return PARENB | PARODD;
        case EVENPARITY:
            return PARENB;
        case MARKPARITY:
            return PARENB | CMSPAR | PARODD;
        case SPACEPARITY:
            return PARENB | CMSPAR;
        default:
            return 0;
    }
}

void SetFlag(tcflag_t& flags, tcflag_t flag, bool on) {
    if (on) {
        flags |= flag;
    } else {
        flags &= ~flag;
    }
}

}  // namespace

void Termios2ToDcb(const termios2& settings, int modemLines, DCB& dcb) {
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    const tcflag_t cflag = settings.c_cflag;
    const bool hardwareFlow = (cflag & CRTSCTS) != 0;

    dcb.BaudRate = OutputSpeed(settings);
    dcb.fBinary = IsRaw(settings) ? 1 : 0;
    dcb.fParity = (settings.c_iflag & INPCK) != 0 ? 1 : 0;
    dcb.fOutxCtsFlow = hardwareFlow ? 1 : 0;
    dcb.fDtrControl = (modemLines & TIOCM_DTR) != 0 ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fTXContinueOnXoff = 1;  // the kernel keeps sending after it sent XOFF
    // A port still cooked has the line discipline's defaults, which nobody
    // chose: like a fresh port on Windows it has no software flow control.
    const bool configured = (settings.c_lflag & ICANON) == 0;
    dcb.fOutX = configured && (settings.c_iflag & IXON) != 0 ? 1 : 0;
    dcb.fInX = configured && (settings.c_iflag & IXOFF) != 0 ? 1 : 0;
    dcb.fRtsControl = hardwareFlow                    ? RTS_CONTROL_HANDSHAKE
                      : (modemLines & TIOCM_RTS) != 0 ? RTS_CONTROL_ENABLE
                                                      : RTS_CONTROL_DISABLE;
    dcb.ByteSize = DataBits(cflag);
    dcb.Parity = ParityCode(cflag);
    if ((cflag & CSTOPB) == 0) {
        dcb.StopBits = ONESTOPBIT;
    } else {
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    }
    dcb.XonChar = static_cast<char>(settings.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
}

bool DcbIsSupported(const DCB& dcb) {
    if (dcb.fBinary == 0 || dcb.BaudRate == 0) return false;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return false;
    if (dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS) return false;
    // With five data bits the second stop bit is half a bit long.
    if (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) return false;
    if (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) return false;
    return dcb.fOutxDsrFlow == 0 && dcb.fDsrSensitivity == 0 &&
           dcb.fDtrControl != DTR_CONTROL_HANDSHAKE && dcb.fRtsControl != RTS_CONTROL_TOGGLE &&
           dcb.fNull == 0 && dcb.fErrorChar == 0;
}

void DcbToTermios2(const DCB& dcb, termios2& settings) {
    SetSpeed(settings, dcb.BaudRate);

    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR);
    settings.c_cflag |= SizeFlag(dcb.ByteSize) | ParityFlags(dcb.Parity) | CLOCAL | CREAD;
    SetFlag(settings.c_cflag, CSTOPB, dcb.StopBits != ONESTOPBIT);
    SetFlag(settings.c_cflag, CRTSCTS,
            dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE);

    SetFlag(settings.c_iflag, INPCK, dcb.fParity != 0);
    SetFlag(settings.c_iflag, IXON, dcb.fOutX != 0);
    if (dcb.fOutX == 0) settings.c_iflag &= ~IXANY;  // means nothing without IXON
    SetFlag(settings.c_iflag, IXOFF, dcb.fInX != 0);
    settings.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

    if (dcb.fBinary != 0) MakeRaw(settings);
}
