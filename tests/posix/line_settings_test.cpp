// Device control blocks against termios2 records, without a device.
#include "platform/posix/line_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// A raw 8N1 record at 9600 with unusual flow control characters and flags no
// control block describes, which every translation must keep.
termios2 RawRecord() {
    termios2 t;
    std::memset(&t, 0, sizeof t);
    t.c_iflag = IGNBRK | IUTF8;
    t.c_oflag = ONLCR;
    t.c_cflag = B9600 | CS8 | CLOCAL | CREAD | HUPCL;
    t.c_cc[VSTART] = 0x05;
    t.c_cc[VSTOP] = 0x06;
    t.c_cc[VMIN] = 1;
    t.c_ispeed = t.c_ospeed = 9600;
    return t;
}

TEST(LineSettings, DeviceRecordsSurviveTheRoundTripUnchanged) {
    const struct {
        tcflag_t cflag, iflag;  // speed code, frame and flow control
        speed_t speed;
        BYTE bits, parity, stopBits;
    } cases[] = {
        {B9600 | CS8, 0, 9600, 8, NOPARITY, ONESTOPBIT},
        {BOTHER | CS7 | PARENB | CSTOPB, INPCK, 250000, 7, EVENPARITY, TWOSTOPBITS},
        {B19200 | CS8 | PARENB | PARODD, INPCK, 19200, 8, ODDPARITY, ONESTOPBIT},
        {B115200 | CS7 | PARENB | PARODD | CMSPAR, 0, 115200, 7, MARKPARITY, ONESTOPBIT},
        {B1200 | CS6 | PARENB | CMSPAR, INPCK, 1200, 6, SPACEPARITY, ONESTOPBIT},
        {B110 | CS5 | CSTOPB, 0, 110, 5, NOPARITY, ONE5STOPBITS},
        {B57600 | CS8 | CRTSCTS, 0, 57600, 8, NOPARITY, ONESTOPBIT},
        {B38400 | CS8, IXON | IXOFF, 38400, 8, NOPARITY, ONESTOPBIT},
        {BOTHER | CS8 | CSTOPB | CRTSCTS, IXON, 14400, 8, NOPARITY, TWOSTOPBITS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        termios2 record = RawRecord();
        record.c_cflag = (record.c_cflag & ~(CBAUD | CSIZE)) | c.cflag;
        record.c_iflag |= c.iflag;
        record.c_ispeed = record.c_ospeed = c.speed;
        DCB dcb;
        Termios2ToDcb(record, 0, dcb);
        EXPECT_EQ(std::make_tuple(dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits),
                  std::make_tuple(c.speed, c.bits, c.parity, c.stopBits));
        EXPECT_EQ(dcb.fOutX != 0, (c.iflag & IXON) != 0) << "output flow control";
        EXPECT_EQ(dcb.fInX != 0, (c.iflag & IXOFF) != 0) << "input flow control";
        EXPECT_EQ(dcb.fParity != 0, (c.iflag & INPCK) != 0) << "parity checking";
        EXPECT_TRUE(DcbIsSupported(dcb));
        termios2 back = record;
        DcbToTermios2(dcb, back);
        EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0) << "a flag changed on the way back";
    }
}

}  // namespace
