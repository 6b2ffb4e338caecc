#include "serial/com_port.h"

#include <gmock/gmock.h>

#include "serial/port.h"
#include "tests/serial/fake_comm.h"

using fake::g;
using ::testing::ElementsAre;
using Names = std::vector<std::string>;

namespace {

class ComPortTest : public fake::Test {
protected:
    void TearDown() override {
        port.Close();
        fake::Test::TearDown();
    }
    void Open(const char* name = "COM2") {
        ASSERT_EQ(port.Open(name), 1);
        g.calls.clear();
    }
    CComPort port;
};

// The device's own record with the line settings and handshaking replaced.
DCB Expected(DWORD baud, BYTE size, BYTE parity, BYTE stop) {
    DCB d = g.reported;
    d.BaudRate = baud;
    d.ByteSize = size;
    d.Parity = parity;
    d.StopBits = stop;
    d.fOutxDsrFlow = 0;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    d.fOutxCtsFlow = 0;
    d.fRtsControl = RTS_CONTROL_DISABLE;
    d.fBinary = 1;
    d.fParity = 1;
    return d;
}

TEST_F(ComPortTest, OpenTakesTheDeviceExclusivelyWithTheStoredSettings) {
    ASSERT_EQ(port.Open("COM2"), 1);
    EXPECT_EQ(g.access, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(g.share, 0u) << "not exclusive";
    EXPECT_EQ(g.disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(g.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_THAT(fake::Names(),
                ElementsAre("CreateFileA", "GetCommState", "SetCommState", "PurgeComm"));
    EXPECT_EQ(g.written, Expected(9600, 8, NOPARITY, ONESTOPBIT)) << "wrong or lost settings";
    g.calls.clear();
    port.Close();
    port.Close();
    EXPECT_THAT(fake::Names(), ElementsAre("PurgeComm", "CloseHandle")) << "closed twice";
    port.SetParams(115200, 7, EVENPARITY, TWOSTOPBITS);
    ASSERT_EQ(port.Open("COM1"), 1);
    EXPECT_EQ(g.written, Expected(115200, 7, EVENPARITY, TWOSTOPBITS));
    EXPECT_THAT(fake::Values("PurgeComm"), ElementsAre(0x0Fu, 0x0Fu)) << "purge on close and open";
}

TEST_F(ComPortTest, OpenRefusesLongNamesAndASecondOpen) {
    const std::string twenty(20, 'n');
    EXPECT_EQ(port.Open((twenty + "n").c_str()), 0);
    EXPECT_TRUE(g.calls.empty()) << "a 21-character name reached the device";
    Open(twenty.c_str());
    EXPECT_EQ(port.Open("COM1"), 0);
    EXPECT_TRUE(g.calls.empty()) << "an open port was opened again";
}

TEST_F(ComPortTest, ReadByteChecksAtOnceThenAfterEachFiveMsSleep) {
    Open();
    BYTE byte = 0;
    const struct {
        DWORD limitMs;
        int sleeps;
    } cases[] = {{0, 0}, {4, 0}, {5, 1}, {9, 1}, {20, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limitMs);
        g.calls.clear();
        EXPECT_EQ(port.ReadByte(byte, c.limitMs), 0);
        Names expected{"ClearCommError"};
        for (int i = 0; i < c.sleeps; ++i) {
            expected.insert(expected.end(), {"Sleep", "ClearCommError"});
        }
        EXPECT_EQ(fake::Names(), expected);
        EXPECT_EQ(fake::Values("Sleep"), std::vector<DWORD>(c.sleeps, 5));
    }
    g.calls.clear();
    g.arriveAfterSleeps = 2;
    g.arriving = 0x5A;
    EXPECT_EQ(port.ReadByte(byte, 20), 1);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(fake::Values("Sleep").size(), 2u) << "went on waiting after the byte came";
}

TEST_F(ComPortTest, ReadTakesOnlyWhatIsQueued) {
    Open();
    const struct {
        DWORD queued, max, got;
    } cases[] = {{3, 10, 3}, {10, 3, 3}, {5, 0, 0}, {0, 10, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.queued << " queued, max " << c.max);
        g.calls.clear();
        g.queue.assign(c.queued, 'q');
        std::string buf(16, '\0');
        EXPECT_EQ(port.Read(&buf[0], c.max), c.got);
        EXPECT_EQ(fake::Values("ReadFile"), std::vector<DWORD>(c.got ? 1 : 0, c.got));
        EXPECT_EQ(g.queue.size(), c.queued - c.got);
        EXPECT_EQ(buf.find_first_not_of('q'), c.got);
    }
    g.queue = {1, 2, 3};
    g.readFails = true;
    g.calls.clear();
    BYTE byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), 0u);
    EXPECT_THAT(fake::Names(), ElementsAre("ClearCommError", "ReadFile", "ClearCommError"))
        << "a failed read must clear the device's error state";
    g.readFails = false;
    g.clearErrorFails = true;
    EXPECT_EQ(port.Read(&byte, 1), 0u);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    EXPECT_EQ(fake::Values("ReadFile").size(), 1u) << "read without a queue count";
    g.clearErrorFails = false;
    EXPECT_EQ(port.BytesAvailable(), 3u);
}

TEST_F(ComPortTest, ReconfigureReopensAnOpenPortAndLeavesAClosedOneAlone) {
    port.SetParams(2400, 7, ODDPARITY, TWOSTOPBITS);
    EXPECT_EQ(port.Reconfigure(19200, 8, NOPARITY, ONESTOPBIT), 0);
    BYTE buf[4] = {};
    EXPECT_EQ(port.Read(buf, 4), 0xFFFFFFFFu);
    EXPECT_EQ(port.Write(buf, 4), 0);
    EXPECT_EQ(port.WriteByte('a'), 0);
    EXPECT_EQ(port.ReadByte(buf[0], 20), 0);
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    EXPECT_TRUE(g.calls.empty()) << "a closed port used the device";

    Open("COM7");
    EXPECT_EQ(g.written, Expected(2400, 7, ODDPARITY, TWOSTOPBITS))
        << "a closed port took new settings";
    EXPECT_EQ(port.Reconfigure(19200, 7, EVENPARITY, ONESTOPBIT), 1);
    EXPECT_THAT(fake::Names(), ElementsAre("PurgeComm", "CloseHandle", "CreateFileA",
                                           "GetCommState", "SetCommState", "PurgeComm"));
    EXPECT_EQ(g.name, "COM7");
    EXPECT_EQ(g.written, Expected(19200, 7, EVENPARITY, ONESTOPBIT));
    g.setStateFails = true;  // a failed reopen stays closed but keeps the new settings
    EXPECT_EQ(port.Reconfigure(4800, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.IsOpen(), 0);
    g.setStateFails = false;
    Open("COM7");
    EXPECT_EQ(g.written.BaudRate, 4800u);
}

TEST_F(ComPortTest, DestroyingAnOpenPortPurgesAndClosesIt) {
    {
        CComPort other;
        ASSERT_EQ(other.Open("COM3"), 1);
        g.calls.clear();
    }
    EXPECT_THAT(fake::Names(), ElementsAre("PurgeComm", "CloseHandle"));
    EXPECT_THAT(fake::Values("PurgeComm"), ElementsAre(0x0Fu));
}

TEST_F(ComPortTest, ProcessWideReadByteGivesZeroTo255OrMinusOne) {
    EXPECT_EQ(PortReadByte(20), -1);
    EXPECT_TRUE(g.calls.empty()) << "a closed port waited";
    ASSERT_EQ(PortOpen("COM2"), 1);
    g.queue = {0xFF, 0x00};
    EXPECT_EQ(PortReadByte(20), 255);
    EXPECT_EQ(PortReadByte(20), 0);
    EXPECT_EQ(PortReadByte(20), -1);
    EXPECT_EQ(fake::Values("Sleep").size(), 4u);
    PortClose();
}

}  // namespace
