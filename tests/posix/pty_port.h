// A pseudo-terminal published as the tests' COM<process id + 1>, so that test
// programs running side by side do not meet, and a port opened on it by that
// name and set as the terminal opens and sets it.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/comm.h"
#include "platform/posix/com_names.h"
#include "platform/posix/line_settings.h"
#include "tools/virtual_serial_device.h"

inline HANDLE OpenPort(const std::string& name) {
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override {
        alarm(60);  // a call that hangs ends the run instead of stalling it
        const std::string prefix = kComDevicePrefix;
        mkdir(prefix.substr(0, prefix.rfind('/')).c_str(), 0700);
        std::string error;
        ASSERT_TRUE(m_device.Open(prefix + std::to_string(getpid()), error)) << error;
        m_port = OpenPort("COM" + std::to_string(getpid() + 1));
        ASSERT_NE(m_port, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SetAsTheTerminalDoes());
    }
    void TearDown() override {
        CloseHandle(m_port);
        alarm(0);
    }

    // Much as the terminal sets its port: what the device reports, raw,
    // parity checked, with one stop bit and no hardware flow control.
    bool SetAsTheTerminalDoes() {
        DCB dcb;
        if (!GetCommState(m_port, &dcb)) return false;
        dcb.StopBits = ONESTOPBIT;
        dcb.fOutxCtsFlow = 0;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fBinary = 1;
        dcb.fParity = 1;
        return SetCommState(m_port, &dcb) != FALSE;
    }

    // What the device holds, read on its own side.
    termios2 Held() const {
        termios2 settings{};
        EXPECT_EQ(ioctl(m_device.deviceFd(), TCGETS2, &settings), 0);
        return settings;
    }

    VirtualSerialDevice m_device;
    HANDLE m_port = INVALID_HANDLE_VALUE;
};
