// Device control blocks against termios2 records, without a device.
#include "platform/posix/line_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(LineSettings, DeviceRecordsSurviveTheRoundTripUnchanged) {
    // Raw, with unusual flow control characters and flags no control block
    // describes, which every translation must keep.
    termios2 raw{};
    raw.c_iflag = IGNBRK | IUTF8;
    raw.c_oflag = ONLCR;
    raw.c_cflag = CLOCAL | CREAD | HUPCL;
    raw.c_cc[VSTART] = 0x05;
    raw.c_cc[VSTOP] = 0x06;
    raw.c_cc[VMIN] = 1;
    const struct {
        tcflag_t cflag, iflag;  // speed code, frame and flow control
        speed_t speed;
        BYTE bits, parity, stopBits;
    } cases[] = {
        {BOTHER | CS7 | PARENB | CSTOPB, INPCK, 250000, 7, EVENPARITY, TWOSTOPBITS},
        {B19200 | CS8 | PARENB | PARODD | CRTSCTS, INPCK, 19200, 8, ODDPARITY, ONESTOPBIT},
        {B115200 | CS7 | PARENB | PARODD | CMSPAR, 0, 115200, 7, MARKPARITY, ONESTOPBIT},
        {B1200 | CS6 | PARENB | CMSPAR, INPCK | IXON | IXOFF, 1200, 6, SPACEPARITY, ONESTOPBIT},
        {B110 | CS5 | CSTOPB, 0, 110, 5, NOPARITY, ONE5STOPBITS},
        {BOTHER | CS8 | CSTOPB | CRTSCTS, IXON, 14400, 8, NOPARITY, TWOSTOPBITS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        termios2 record = raw;
        record.c_cflag |= c.cflag;
        record.c_iflag |= c.iflag;
        record.c_ispeed = c.speed;
        record.c_ospeed = c.speed;
        DCB dcb;
        Termios2ToDcb(record, 0, dcb);
        EXPECT_EQ(dcb.BaudRate, c.speed);
        EXPECT_EQ(dcb.ByteSize, c.bits);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.StopBits, c.stopBits);
        EXPECT_EQ(dcb.fOutX != 0, (c.iflag & IXON) != 0) << "output flow control";
        EXPECT_EQ(dcb.fInX != 0, (c.iflag & IXOFF) != 0) << "input flow control";
        EXPECT_EQ(dcb.fParity != 0, (c.iflag & INPCK) != 0) << "parity checking";
        EXPECT_TRUE(DcbIsSupported(dcb)) << "a device's own settings refused";
        termios2 back = record;
        DcbToTermios2(dcb, back);
        EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0)
            << "a flag changed on the way back";
    }
}

}  // namespace
