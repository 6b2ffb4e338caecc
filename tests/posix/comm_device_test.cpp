// Exclusive use, the input queue, purges and transfers on a pseudo-terminal.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/posix/pty_port.h"

namespace {

DWORD Queued(HANDLE port) {
    COMSTAT status{};
    return ClearCommError(port, nullptr, &status) ? status.cbInQue : ~0u;
}

bool Opens(const std::string& name) {
    const HANDLE port = OpenPort(name);
    CloseHandle(port);
    return port != INVALID_HANDLE_VALUE;
}

int ExclusiveFlag(int fd) {
    int exclusive = -1;
    ioctl(fd, TIOCGEXCL, &exclusive);
    return exclusive;
}

class CommDevice : public PtyPort {
protected:
    // Sends data and gives the pseudo-terminal a moment to deliver it.
    void Deliver(const std::string& data) {
        const DWORD expected = Queued(m_port) + static_cast<DWORD>(data.size());
        ASSERT_TRUE(m_device.Send(data));
        for (int tries = 0; tries < 500 && Queued(m_port) < expected; ++tries) Sleep(10);
        ASSERT_EQ(Queued(m_port), expected);
    }
};

// Another program's exclusive flag is no bar to root, so it is looked for,
// and left in place.
TEST_F(CommDevice, ClosingClearsTheExclusiveFlagAndOtherProgramsClaimsKeepThePortClosed) {
    const int other = open(m_device.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_NE(flock(other, LOCK_SH | LOCK_NB), 0) << "the lock held is not exclusive";
    CloseHandle(m_port);
    m_port = INVALID_HANDLE_VALUE;
    EXPECT_EQ(ExclusiveFlag(m_device.deviceFd()), 0) << "the exclusive flag outlived the handle";

    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(Opens(m_device.linkPath())) << "another program's lock ignored";
    close(other);
    ASSERT_EQ(ioctl(m_device.deviceFd(), TIOCEXCL, 0), 0);
    EXPECT_FALSE(Opens(m_device.linkPath())) << "another program's exclusive flag ignored";
    EXPECT_EQ(ExclusiveFlag(m_device.deviceFd()), 1) << "another program's exclusive flag cleared";
}

TEST_F(CommDevice, QueueCountPurgeAndReadsThatWaitForTheWholeCount) {
    Deliver("0123456789");
    char buffer[10] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(m_port, buffer, 3, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "012");
    EXPECT_EQ(Queued(m_port), 7u) << "the rest of the input was not kept";

    // The other side of a pseudo-terminal takes 4095 bytes before it reads;
    // the rest wait on the way, where an output flush would discard them.
    const std::string block(4096, 'o');
    EXPECT_TRUE(WriteFile(m_port, block.data(), 4096, &got, nullptr));
    EXPECT_TRUE(PurgeComm(m_port, PURGE_TXABORT | PURGE_TXCLEAR));
    EXPECT_EQ(m_device.Receive(4096, 5000).size(), 4096u) << "the purge discarded written bytes";
    EXPECT_EQ(Queued(m_port), 7u) << "the output purge discarded input";
    EXPECT_TRUE(PurgeComm(m_port, PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_EQ(Queued(m_port), 0u) << "the input purge kept input";

    // The reader takes what is queued, then waits for the rest, which comes
    // in two writes.
    Deliver("ab");
    BOOL ok = FALSE;
    std::thread reader([&] { ok = ReadFile(m_port, buffer, 4, &got, nullptr); });
    EXPECT_TRUE(m_device.Send("c"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(m_device.Send("d"));
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(buffer, got), "abcd") << "the read returned before its count was done";
}

TEST_F(CommDevice, VanishedDeviceFailsWithoutHanging) {
    char buffer[10];
    std::thread reader([&] { ReadFile(m_port, buffer, 10, nullptr, nullptr); });
    m_device.Vanish();  // the reader must wake, or the join waits for ever
    reader.join();
    COMSTAT status{};
    EXPECT_FALSE(ClearCommError(m_port, nullptr, &status)) << "a vanished device looks idle";
    EXPECT_FALSE(WriteFile(m_port, "abc", 3, nullptr, nullptr)) << "a write to nowhere succeeded";
}

}  // namespace
