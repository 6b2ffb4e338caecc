// The Linux layer under the port module, opened through the process-wide
// port, on a pseudo-terminal published as COM<process id + 1>.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <thread>

#include "platform/posix/com_names.h"
#include "serial/port.h"
#include "tools/virtual_serial_device.h"

namespace {

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override {
        alarm(60);  // a call that hangs ends the run instead of stalling it
        std::string error;
        ASSERT_TRUE(device.Open(kComDevicePrefix + std::to_string(getpid()), error)) << error;
    }
    void TearDown() override { PortClose(); }

    int Open() {
        PortSetParams(9600, 8, NOPARITY, ONESTOPBIT);
        return PortOpen(name.c_str());
    }
    termios2 Held() const {  // the device's settings, on its own side
        termios2 settings{};
        ioctl(device.deviceFd(), TCGETS2, &settings);
        return settings;
    }
    int ExclusiveFlag() const {
        int flag = -1;
        ioctl(device.deviceFd(), TIOCGEXCL, &flag);
        return flag;
    }

    VirtualSerialDevice device;
    const std::string name = "COM" + std::to_string(getpid() + 1);
};

// A cooked port's XON/XOFF are the line discipline's, not a choice; a port
// someone made raw keeps them, and every flag the terminal does not set.
TEST_F(PtyPort, ACookedPortBecomesRaw8N1AndARawOneKeepsWhatTheTerminalDoesNotSet) {
    termios2 cooked = Held();
    cooked.c_iflag = ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | IXON | IXOFF | IXANY;
    cooked.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag |= CSTOPB | CRTSCTS | B1200 << IBSHIFT;  // input at a speed of its own
    cooked.c_cc[VMIN] = 0;
    cooked.c_cc[VTIME] = 5;
    ioctl(device.deviceFd(), TCSETS2, &cooked);
    ASSERT_EQ(Open(), 1);
    termios2 held = Held();
    EXPECT_EQ(held.c_iflag, IGNBRK | INPCK) << "input is translated, flow-controlled or unchecked";
    EXPECT_EQ(held.c_lflag, 0u) << "the line is cooked, echoes or raises signals";
    EXPECT_EQ(held.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD | CIBAUD),
              CS8 | CLOCAL | CREAD)
        << "not 8N1, with hardware flow control or input at a speed of its own";
    EXPECT_EQ(held.c_cc[VMIN], 1) << "reads would return with no byte";
    EXPECT_EQ(held.c_cc[VTIME], 0) << "reads would wait for a time";

    PortClose();
    held.c_iflag |= IXON | IXOFF | IXANY;
    held.c_cflag |= HUPCL;
    ioctl(device.deviceFd(), TCSETS2, &held);
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(Held().c_iflag, held.c_iflag) << "software flow control someone chose was dropped";
    EXPECT_EQ(Held().c_cflag, held.c_cflag) << "a flag the terminal does not set was dropped";
}

// Another program's exclusive flag does not stop root: it is looked for, and kept.
TEST_F(PtyPort, TheTerminalHoldsThePortAloneAndLeavesOtherProgramsClaimsInPlace) {
    ASSERT_EQ(Open(), 1);
    const int other = open(device.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_NE(flock(other, LOCK_SH | LOCK_NB), 0) << "the lock held is not exclusive";
    PortClose();
    EXPECT_EQ(ExclusiveFlag(), 0) << "the exclusive flag outlived the port";
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0) << "the lock outlived the port";
    EXPECT_EQ(Open(), 0) << "another program's lock ignored";
    close(other);
    ioctl(device.deviceFd(), TIOCEXCL, 0);
    EXPECT_EQ(Open(), 0) << "another program's exclusive flag ignored";
    EXPECT_EQ(ExclusiveFlag(), 1) << "another program's exclusive flag cleared";
}

// What the terminal itself does not use: the module's other operations, and
// calls the module does not make, as the layer promises them.
TEST_F(PtyPort, BulkTransfersQueueSizeReconfigurePurgeAndReadsThatWait) {
    char buffer[10] = {};
    EXPECT_EQ(PortIsOpen() + PortReconfigure(57600, 8, NOPARITY, ONESTOPBIT), 0) << "closed";
    EXPECT_EQ(PortRead(buffer, 3), 0xFFFFFFFFu);
    EXPECT_EQ(PortReadByte(20), -1);
    device.Send("stale");  // the port, still cooked, echoes it once it holds it
    ASSERT_EQ(device.Receive(5, 5000), "stale");
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(PortBytesAvailable(), 0u) << "input from before the open was kept";
    EXPECT_EQ(PortIsOpen(), 1);
    device.Send("0123456789");
    for (int tries = 0; tries < 500 && PortBytesAvailable() < 10; ++tries) Sleep(10);
    EXPECT_EQ(PortRead(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(PortBytesAvailable(), 7u) << "the rest of the input was not kept";
    PortSetParams(115200, 8, NOPARITY, ONESTOPBIT);
    EXPECT_EQ(Held().c_ospeed, 9600u) << "an open port took new settings";
    EXPECT_EQ(PortReconfigure(57600, 8, NOPARITY, ONESTOPBIT), 1);
    EXPECT_EQ(Held().c_ospeed, 57600u);
    EXPECT_EQ(PortBytesAvailable(), 0u) << "input from before the reopen was kept";
    // The other side of a pseudo-terminal takes 4 KB before it reads; what it
    // has not read is on its way, where an output purge would discard it.
    EXPECT_EQ(PortWrite(std::string(4096, 'o').data(), 4096), 1);
    PortClose();
    EXPECT_EQ(PortIsOpen(), 0);
    EXPECT_EQ(device.Receive(4096, 5000).size(), 4096u) << "the close discarded written bytes";

    const HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    COMSTAT status{};
    device.Send("ab");
    for (int tries = 0; tries < 500 && status.cbInQue < 2; ++tries) {
        Sleep(10);
        ClearCommError(port, nullptr, &status);
    }
    EXPECT_TRUE(PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_TRUE(ClearCommError(port, nullptr, &status));
    EXPECT_EQ(status.cbInQue, 0u) << "the input purge kept input";
    DWORD got = 0;
    std::thread reader([&] { EXPECT_TRUE(ReadFile(port, buffer, 4, &got, nullptr)); });
    device.Send("cd");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    device.Send("ef");
    reader.join();
    EXPECT_EQ(std::string(buffer, got), "cdef") << "the read returned before its count was done";
    CloseHandle(port);
}

}  // namespace
