#include "serial/com_port.h"

#include <gmock/gmock.h>

#include "tests/serial/fake_comm.h"

using fake::g;
using ::testing::ElementsAre;
using Names = std::vector<std::string>;

namespace {

class ComPortTest : public fake::Test {
protected:
    void TearDown() override { port.Close(), fake::Test::TearDown(); }
    void Open(const char* name = "COM2") {
        ASSERT_EQ(port.Open(name), 1);
        g.calls.clear();
    }
    CComPort port;
};

// The device's own record with the line settings and handshaking replaced.
DCB Expected(DWORD baud, BYTE size, BYTE parity, BYTE stop) {
    DCB d = g.reported;
    d.BaudRate = baud, d.ByteSize = size, d.Parity = parity, d.StopBits = stop;
    d.fOutxDsrFlow = 0, d.fDtrControl = 0, d.fOutxCtsFlow = 0, d.fRtsControl = 0, d.fBinary = 1,
    d.fParity = 1;
    return d;
}

TEST_F(ComPortTest, OpenTakesTheDeviceExclusivelyWithTheStoredSettings) {
    ASSERT_EQ(port.Open("COM2"), 1);
    EXPECT_THAT(
        (std::vector<DWORD>{g.access, g.share, g.disposition, g.attributes}),
        ElementsAre(GENERIC_READ | GENERIC_WRITE, 0u, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    EXPECT_THAT(fake::Names(),
                ElementsAre("CreateFileA", "GetCommState", "SetCommState", "PurgeComm"));
    EXPECT_EQ(g.written, Expected(9600, 8, NOPARITY, ONESTOPBIT));
    g.calls.clear();
    port.Close();
    port.Close();
    EXPECT_THAT(fake::Names(), ElementsAre("PurgeComm", "CloseHandle"));
    port.SetParams(115200, 7, EVENPARITY, TWOSTOPBITS);
    ASSERT_EQ(port.Open("COM1"), 1);
    EXPECT_EQ(g.written, Expected(115200, 7, EVENPARITY, TWOSTOPBITS));
    EXPECT_THAT(fake::Values("PurgeComm"), ElementsAre(0x0Fu, 0x0Fu));  // on close and on open
}

TEST_F(ComPortTest, OpenRefusesLongNamesAndASecondOpen) {
    const std::string twenty(20, 'n');
    EXPECT_EQ(port.Open((twenty + "n").c_str()), 0);
    EXPECT_TRUE(g.calls.empty());
    Open(twenty.c_str());
    EXPECT_EQ(port.Open("COM1"), 0);
    EXPECT_TRUE(g.calls.empty());
    ASSERT_EQ(port.Reconfigure(9600, 8, NOPARITY, ONESTOPBIT), 1);  // reopens by the kept name
    EXPECT_EQ(g.name, twenty);
}

TEST_F(ComPortTest, FailedOpenLeavesNoHandleAndAllowsARetry) {
    const struct {
        const char* what;
        bool fake::State::*fails;
        Names calls;
    } cases[] = {{"no device", &fake::State::createFails, {"CreateFileA"}},
                 {"no settings",
                  &fake::State::getStateFails,
                  {"CreateFileA", "GetCommState", "CloseHandle"}},
                 {"settings rejected",
                  &fake::State::setStateFails,
                  {"CreateFileA", "GetCommState", "SetCommState", "CloseHandle"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake::Reset();
        g.*c.fails = true;
        EXPECT_EQ(port.Open("COM2"), 0);
        EXPECT_EQ(port.IsOpen(), 0);
        EXPECT_EQ(fake::Names(), c.calls);
        EXPECT_TRUE(g.open.empty());
        g.*c.fails = false;
        EXPECT_EQ(port.Open("COM2"), 1);
        port.Close();
    }
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
        for (int i = 0; i < c.sleeps; ++i)
            expected.insert(expected.end(), {"Sleep", "ClearCommError"});
        EXPECT_EQ(fake::Names(), expected);
        EXPECT_EQ(fake::Values("Sleep"), std::vector<DWORD>(c.sleeps, 5));
    }
    g.calls.clear(), g.arriveAfterSleeps = 2, g.arriving = 0x5A;
    EXPECT_EQ(port.ReadByte(byte, 20), 1);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(fake::Values("Sleep").size(), 2u);
}

TEST_F(ComPortTest, ReadTakesOnlyWhatIsQueued) {
    Open();
    const struct {
        DWORD queued, max, got;
    } cases[] = {{3, 10, 3}, {10, 3, 3}, {5, 0, 0}, {0, 10, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.queued << " queued, max " << c.max);
        g.calls.clear(), g.queue.assign(c.queued, 'q');
        std::string buf(16, '\0');
        EXPECT_EQ(port.Read(&buf[0], c.max), c.got);
        EXPECT_EQ(fake::Values("ReadFile"), std::vector<DWORD>(c.got ? 1 : 0, c.got));
        EXPECT_EQ(g.queue.size(), c.queued - c.got);
        EXPECT_EQ(buf.find_first_not_of('q'), c.got);
    }
    g.queue = {1, 2, 3}, g.readFails = true, g.calls.clear();
    BYTE byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), 0u);
    EXPECT_THAT(fake::Names(), ElementsAre("ClearCommError", "ReadFile", "ClearCommError"));
    g.readFails = false, g.clearErrorFails = true;
    EXPECT_EQ(port.Read(&byte, 1) + port.BytesAvailable(), 0u);
    EXPECT_EQ(fake::Values("ReadFile").size(), 1u);
    g.clearErrorFails = false;
    EXPECT_EQ(port.BytesAvailable(), 3u);
}

TEST_F(ComPortTest, ClosedObjectLeavesTheDeviceAndItsSettingsAlone) {
    port.SetParams(2400, 7, ODDPARITY, TWOSTOPBITS);
    Open();
    port.Close();
    g.calls.clear();
    BYTE buf[4] = {};
    EXPECT_EQ(port.Read(buf, 4), 0xFFFFFFFFu);
    EXPECT_EQ(port.Write(buf, 4) + port.WriteByte('a') + port.ReadByte(buf[0], 20) + port.IsOpen(),
              0);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    EXPECT_EQ(port.Reconfigure(19200, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_TRUE(g.calls.empty());
    Open();
    EXPECT_EQ(g.written, Expected(2400, 7, ODDPARITY, TWOSTOPBITS));
}

TEST_F(ComPortTest, ReconfigureReopensTheSameDeviceWithNewSettings) {
    Open("COM7");
    EXPECT_EQ(port.Reconfigure(19200, 7, ODDPARITY, TWOSTOPBITS), 1);
    EXPECT_THAT(fake::Names(), ElementsAre("PurgeComm", "CloseHandle", "CreateFileA",
                                           "GetCommState", "SetCommState", "PurgeComm"));
    EXPECT_EQ(g.name, "COM7");
    EXPECT_EQ(g.written, Expected(19200, 7, ODDPARITY, TWOSTOPBITS));
    g.setStateFails = true;  // a failed reopen stays closed but keeps the new settings
    EXPECT_EQ(port.Reconfigure(2400, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.IsOpen(), 0);
    g.setStateFails = false;
    Open("COM7");
    EXPECT_EQ(g.written.BaudRate, 2400u);
}

}  // namespace
