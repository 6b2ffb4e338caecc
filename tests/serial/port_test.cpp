#include "serial/port.h"

#include <gmock/gmock.h>

#include "tests/serial/fake_comm.h"

using fake::g;
using ::testing::ElementsAre;

namespace {

// g_port lives as long as the process: each test leaves it closed with the default settings.
class PortTest : public fake::Test {
protected:
    void TearDown() override { PortClose(), PortSetParams(9600, 8, 0, 0), fake::Test::TearDown(); }
};

std::vector<DWORD> Line() {
    return {g.written.BaudRate, g.written.ByteSize, g.written.Parity, g.written.StopBits};
}

TEST_F(PortTest, ReadByteGivesTheByteAsZeroTo255OrMinusOne) {
    EXPECT_EQ(PortReadByte(20), -1);  // closed: at once
    EXPECT_TRUE(g.calls.empty());
    ASSERT_EQ(PortOpen("COM2"), 1);
    g.queue = {0xFF, 0x00, 0x41};
    EXPECT_EQ(PortReadByte(20), 255);
    EXPECT_EQ(PortReadByte(20), 0);
    EXPECT_EQ(PortReadByte(0), 0x41);
    EXPECT_TRUE(fake::Values("Sleep").empty());
    EXPECT_EQ(PortReadByte(20), -1);
    EXPECT_EQ(fake::Values("Sleep").size(), 4u);
}

TEST_F(PortTest, SettingsTakeEffectAtTheNextOpen) {
    PortSetParams(57600, 7, EVENPARITY, TWOSTOPBITS);
    ASSERT_EQ(PortOpen("COM1"), 1);
    EXPECT_THAT(Line(), ElementsAre(57600u, 7u, EVENPARITY, TWOSTOPBITS));
    PortSetParams(1200, 8, NOPARITY, ONESTOPBIT);
    EXPECT_EQ(fake::Values("SetCommState").size(), 1u);
    PortClose();
    ASSERT_EQ(PortOpen("COM1"), 1);
    EXPECT_THAT(Line(), ElementsAre(1200u, 8u, NOPARITY, ONESTOPBIT));
}

TEST_F(PortTest, FunctionsActOnTheOneProcessWidePort) {
    ASSERT_EQ(PortOpen("COM2"), 1);
    EXPECT_EQ(PortIsOpen() + g_port.IsOpen(), 2);
    EXPECT_EQ(PortWriteByte(0x1B) + PortWrite("hi", 2), 2);
    EXPECT_THAT(g.sent, ElementsAre(0x1B, 'h', 'i'));
    g.writeFails = true, g.queue = {1, 2, 3, 4};
    EXPECT_EQ(PortWriteByte(0x1B) + PortWrite("hi", 2), 0);
    BYTE buf[2];
    EXPECT_EQ(PortBytesAvailable(), 4u);
    EXPECT_EQ(PortRead(buf, 2), 2u);
    EXPECT_EQ(PortReconfigure(4800, 7, ODDPARITY, TWOSTOPBITS), 1);
    EXPECT_THAT(Line(), ElementsAre(4800u, 7u, ODDPARITY, TWOSTOPBITS));
    PortClose();
    EXPECT_EQ(PortIsOpen(), 0);
    EXPECT_EQ(PortRead(buf, 2), 0xFFFFFFFFu);
}

TEST_F(PortTest, DestroyingAnOpenPortPurgesAndClosesIt) {
    {
        CComPort port;
        ASSERT_EQ(port.Open("COM3"), 1);
        g.calls.clear();
    }
    EXPECT_THAT(fake::Names(), ElementsAre("PurgeComm", "CloseHandle"));
    EXPECT_THAT(fake::Values("PurgeComm"), ElementsAre(0x0Fu));
}

}  // namespace
