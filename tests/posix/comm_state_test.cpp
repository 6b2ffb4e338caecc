// GetCommState and SetCommState against what a pseudo-terminal really holds.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "tests/posix/pty_port.h"

namespace {

using CommState = PtyPort;

// XON/XOFF go too: on a port still cooked they are the line discipline's
// defaults, which nobody chose.
TEST_F(CommState, TheTerminalsSettingsMakeACookedDeviceRaw8N1) {
    termios2 cooked = Held();
    cooked.c_iflag = ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | IXON | IXOFF | IXANY;
    cooked.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag |= CSTOPB | CRTSCTS | B1200 << IBSHIFT;  // input at a speed of its own
    cooked.c_ispeed = 1200;
    cooked.c_cc[VMIN] = 0;
    cooked.c_cc[VTIME] = 5;
    ASSERT_EQ(ioctl(m_device.deviceFd(), TCSETS2, &cooked), 0);
    ASSERT_TRUE(SetAsTheTerminalDoes());
    const termios2 held = Held();
    EXPECT_EQ(held.c_iflag, IGNBRK | INPCK) << "input is translated, flow-controlled or unchecked";
    EXPECT_EQ(held.c_lflag, 0u) << "the line is cooked, echoes or raises signals";
    EXPECT_EQ(held.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
              CS8 | CLOCAL | CREAD)
        << "not 8N1, or with hardware flow control";
    EXPECT_EQ(held.c_ispeed, held.c_ospeed) << "input kept a speed of its own";
    EXPECT_EQ(held.c_cc[VMIN], 1) << "reads would return with no byte";
    EXPECT_EQ(held.c_cc[VTIME], 0) << "reads would wait for a time";
}

// Someone's deliberate XON/XOFF stays, and so does every flag the terminal
// does not set.
TEST_F(CommState, APortAlreadyRawKeepsWhatTheTerminalDoesNotSet) {
    termios2 raw = Held();
    raw.c_iflag |= IXON | IXOFF | IXANY;
    raw.c_cflag |= HUPCL;
    ASSERT_EQ(ioctl(m_device.deviceFd(), TCSETS2, &raw), 0);
    ASSERT_TRUE(SetAsTheTerminalDoes());
    const termios2 held = Held();
    EXPECT_EQ(held.c_iflag & (IXON | IXOFF | IXANY), IXON | IXOFF | IXANY)
        << "software flow control someone chose was dropped";
    EXPECT_EQ(held.c_cflag & HUPCL, static_cast<tcflag_t>(HUPCL))
        << "a flag the terminal does not set was dropped";
}

TEST_F(CommState, RefusedSettingsLeaveTheDeviceAsItWas) {
    const termios2 before = Held();
    DCB set;
    ASSERT_TRUE(GetCommState(m_port, &set));
    void (*const refused[])(DCB&) = {
        [](DCB& d) { d.fBinary = 0; },
        [](DCB& d) { d.ByteSize = 9; },
        [](DCB& d) { d.StopBits = ONE5STOPBITS; },
        [](DCB& d) { d.fOutxDsrFlow = 1; },
        [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; },
    };
    for (const auto change : refused) {
        DCB dcb = set;
        dcb.BaudRate = 57600;  // a change that would show
        change(dcb);
        EXPECT_FALSE(SetCommState(m_port, &dcb));
        const termios2 after = Held();
        EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0) << "a refused record changed it";
    }
}

TEST_F(CommState, APlainFileOpensButHasNoLineSettings) {
    char file[] = "/tmp/tarnwick-posix-comm-tests/plainXXXXXX";
    close(mkstemp(file));
    const HANDLE plain = OpenPort(file);
    unlink(file);
    DCB dcb;
    ASSERT_NE(plain, INVALID_HANDLE_VALUE) << "refused for want of an exclusive flag";
    EXPECT_FALSE(GetCommState(plain, &dcb)) << "a file taken for a terminal";
    CloseHandle(plain);
}

}  // namespace
