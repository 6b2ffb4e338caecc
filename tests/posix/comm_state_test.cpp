// GetCommState and SetCommState against what a pseudo-terminal really holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix/com_names.h"
#include "platform/posix/line_settings.h"
#include "tools/virtual_serial_device.h"

namespace {

// A virtual device opened exclusively, as the terminal opens it, and read
// back through a descriptor of the test's own.
class CommState : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string prefix = kComDevicePrefix;
        mkdir(prefix.substr(0, prefix.rfind('/')).c_str(), 0700);
        std::string error;
        ASSERT_TRUE(m_device.Open(prefix + std::to_string(getpid()), error)) << error;
        m_probe = open(m_device.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        m_port = CreateFileA(m_device.linkPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(m_port, INVALID_HANDLE_VALUE);
        m_dcb.DCBlength = sizeof m_dcb;  // what the terminal asks for
        m_dcb.BaudRate = 9600;
        m_dcb.fBinary = 1;
        m_dcb.fParity = 1;
        m_dcb.ByteSize = 8;
    }
    void TearDown() override {
        CloseHandle(m_port);
        close(m_probe);
    }

    termios2 Held() const {
        termios2 settings{};
        EXPECT_EQ(ioctl(m_probe, TCGETS2, &settings), 0);
        return settings;
    }
    static bool Same(const termios2& a, const termios2& b) { return !memcmp(&a, &b, sizeof a); }

    VirtualSerialDevice m_device;
    int m_probe = -1;
    HANDLE m_port = INVALID_HANDLE_VALUE;
    DCB m_dcb{};
};

TEST_F(CommState, TerminalSettingsMakeACookedDeviceRaw8N1) {
    termios2 cooked = Held();
    cooked.c_iflag = ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | IXON | IXOFF;
    cooked.c_oflag = OPOST | ONLCR;
    cooked.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag |= CSTOPB | CRTSCTS;
    ASSERT_EQ(ioctl(m_probe, TCSETS2, &cooked), 0);
    ASSERT_TRUE(SetCommState(m_port, &m_dcb));
    const termios2 held = Held();
    EXPECT_EQ(held.c_iflag, IGNBRK | INPCK);
    EXPECT_EQ(held.c_oflag & OPOST, 0u) << "output is translated";
    EXPECT_EQ(held.c_lflag, 0u) << "the line is cooked, echoes or raises signals";
    EXPECT_EQ(held.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
              CS8 | CLOCAL | CREAD);
    EXPECT_EQ(held.c_cc[VMIN], 1) << "reads would wait for more than a byte";
    EXPECT_EQ(held.c_cc[VTIME], 0) << "reads would wait for a time";
}

// Opened as the terminal opens it: the reported settings with its changes.
TEST_F(CommState, SoftwareFlowControlStaysOnlyOnAPortSomeoneMadeRaw) {
    const struct {
        const char* state;
        tcflag_t lflag;
        tcflag_t flowAfterOpen;
    } cases[] = {{"cooked, as the kernel leaves a port", ICANON | ECHO | ISIG, 0},
                 {"raw with XON/XOFF", 0, IXON | IXOFF | IXANY}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        termios2 before = Held();
        before.c_lflag = c.lflag;
        before.c_iflag |= IXON | IXOFF | IXANY;
        ASSERT_EQ(ioctl(m_probe, TCSETS2, &before), 0);
        DCB dcb{};
        ASSERT_TRUE(GetCommState(m_port, &dcb));
        dcb.fBinary = 1;
        dcb.fParity = 1;
        ASSERT_TRUE(SetCommState(m_port, &dcb));
        EXPECT_EQ(Held().c_iflag & (IXON | IXOFF | IXANY), c.flowAfterOpen);
    }
}

TEST_F(CommState, RefusedSettingsLeaveTheDeviceAsItWas) {
    ASSERT_TRUE(SetCommState(m_port, &m_dcb));
    const termios2 before = Held();
    void (*const refused[])(DCB&) = {
        [](DCB& d) { d.fBinary = 0; },
        [](DCB& d) { d.ByteSize = 9; },
        [](DCB& d) { d.StopBits = ONE5STOPBITS; },
        [](DCB& d) { d.fOutxDsrFlow = 1; },
        [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; },
    };
    for (const auto change : refused) {
        DCB dcb = m_dcb;
        dcb.BaudRate = 57600;  // a change that would show
        change(dcb);
        EXPECT_FALSE(SetCommState(m_port, &dcb));
        EXPECT_TRUE(Same(Held(), before)) << "a refused record changed the device";
    }
}

}  // namespace
