// Opening, querying, purging and transferring on pseudo-terminals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>

#include "platform/comm.h"
#include "platform/posix/com_names.h"
#include "tools/virtual_serial_device.h"

namespace {

struct Closer {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Port = std::unique_ptr<void, Closer>;

Port OpenPort(const std::string& name) {
    return Port(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}
bool IsOpen(const Port& port) { return port.get() != INVALID_HANDLE_VALUE; }

DWORD Queued(const Port& port) {
    COMSTAT status{};
    return ClearCommError(port.get(), nullptr, &status) ? status.cbInQue : ~0u;
}

// A virtual device linked as prefix + process id, so that test processes
// running side by side do not meet; it opens as COM<process id + 1>.
class CommDevice : public ::testing::Test {
protected:
    void SetUp() override {
        alarm(60);  // a call that hangs ends the run instead of stalling it
        const std::string prefix = kComDevicePrefix;
        mkdir(prefix.substr(0, prefix.rfind('/')).c_str(), 0700);
        std::string error;
        ASSERT_TRUE(m_device.Open(prefix + std::to_string(getpid()), error)) << error;
        termios raw;  // as the terminal leaves it: bytes pass as they come
        ASSERT_EQ(tcgetattr(m_device.deviceFd(), &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(m_device.deviceFd(), TCSANOW, &raw), 0);
    }
    void TearDown() override { alarm(0); }

    // Sends data and gives the pseudo-terminal a moment to deliver it.
    void Deliver(const Port& port, const std::string& data) {
        const DWORD expected = Queued(port) + static_cast<DWORD>(data.size());
        ASSERT_TRUE(m_device.Send(data));
        for (int tries = 0; tries < 500 && Queued(port) < expected; ++tries) Sleep(10);
        ASSERT_EQ(Queued(port), expected);
    }

    VirtualSerialDevice m_device;
};

TEST_F(CommDevice, OpensTerminalsByComNameLinkOrPathAndFilesWithoutLineSettings) {
    const std::string comName = "com" + std::to_string(getpid() + 1);
    for (const std::string& name : {comName, m_device.linkPath(), m_device.devicePath()}) {
        DCB dcb{};
        EXPECT_TRUE(GetCommState(OpenPort(name).get(), &dcb)) << name;
    }
    EXPECT_FALSE(IsOpen(OpenPort("/tmp/tarnwick-posix-comm-tests/missing")));
    EXPECT_FALSE(IsOpen(OpenPort("COM4000000000")));

    char file[] = "/tmp/tarnwick-posix-comm-tests/plainXXXXXX";
    close(mkstemp(file));
    Port plain = OpenPort(file);
    DCB dcb{};
    EXPECT_TRUE(IsOpen(plain));
    EXPECT_FALSE(GetCommState(plain.get(), &dcb));
    unlink(file);
}

TEST_F(CommDevice, ExclusiveUseLastsUntilTheHandleIsClosed) {
    const int probe = open(m_device.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    for (int round = 0; round < 2; ++round) {
        Port first = OpenPort(m_device.linkPath());
        ASSERT_TRUE(IsOpen(first));
        EXPECT_FALSE(IsOpen(OpenPort(m_device.devicePath())));
        first.reset();
        int exclusive = -1;
        EXPECT_TRUE(ioctl(probe, TIOCGEXCL, &exclusive) == 0 && exclusive == 0);
    }
    // Another program's exclusive flag keeps the port closed, root or not,
    // and stays that program's.
    ASSERT_EQ(ioctl(probe, TIOCEXCL, 0), 0);
    EXPECT_FALSE(IsOpen(OpenPort(m_device.linkPath())));
    int exclusive = 0;
    EXPECT_TRUE(ioctl(probe, TIOCGEXCL, &exclusive) == 0 && exclusive == 1);
    close(probe);
}

TEST_F(CommDevice, QueueCountPurgeAndReadsThatWaitForTheWholeCount) {
    Port port = OpenPort(m_device.linkPath());
    Deliver(port, "0123456789");
    char buffer[10] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(port.get(), buffer, 3, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "012");
    EXPECT_EQ(Queued(port), 7u);
    EXPECT_TRUE(PurgeComm(port.get(), PURGE_TXABORT | PURGE_TXCLEAR));
    EXPECT_EQ(Queued(port), 7u);
    EXPECT_TRUE(PurgeComm(port.get(), PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_EQ(Queued(port), 0u);

    // The reader takes what is there, then waits for the rest.
    Deliver(port, "ab");
    BOOL ok = FALSE;
    std::thread reader([&] { ok = ReadFile(port.get(), buffer, 4, &got, nullptr); });
    ASSERT_TRUE(m_device.Send("cd"));
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(buffer, got), "abcd");

    // Bytes counted in by one handle go with it.
    Deliver(port, "lost");
    port.reset();
    EXPECT_EQ(Queued(OpenPort(m_device.linkPath())), 0u);
}

TEST_F(CommDevice, VanishedDeviceFailsWithoutHanging) {
    Port port = OpenPort(m_device.linkPath());
    char buffer[10];
    DWORD done = 0;
    BOOL ok = TRUE;
    std::thread reader([&] { ok = ReadFile(port.get(), buffer, 10, &done, nullptr); });
    m_device.Vanish();  // also wakes the waiting reader
    reader.join();
    EXPECT_TRUE(!ok || done < 10);
    COMSTAT status{};
    EXPECT_FALSE(ClearCommError(port.get(), nullptr, &status));
    ok = WriteFile(port.get(), "abc", 3, &done, nullptr);
    EXPECT_TRUE(!ok || done < 3);
}

}  // namespace
