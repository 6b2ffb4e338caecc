// The port class on the recording fake, and the command-line fuzzer's seeds.
#include "serial/com_port.h"

#include <filesystem>
#include <fstream>

#include "tests/serial/fake_comm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

using fake::g;

namespace {

class ComPortTest : public fake::Test {
protected:
    void TearDown() override {
        port.Close();
        fake::Test::TearDown();
    }
    CComPort port;
};

// The device's own record with the line settings and handshaking replaced:
// binary, parity checked, no hardware flow control, DTR and RTS off.
DCB Expected(DWORD baud, BYTE size, BYTE parity, BYTE stop) {
    DCB d = g.reported;
    d.BaudRate = baud;
    d.ByteSize = size;
    d.Parity = parity;
    d.StopBits = stop;
    d.fOutxDsrFlow = d.fOutxCtsFlow = 0;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    d.fRtsControl = RTS_CONTROL_DISABLE;
    d.fBinary = d.fParity = 1;
    return d;
}

TEST_F(ComPortTest, OpenTakesTheStoredSettingsAndPurgesBothWaysOnOpenAndClose) {
    g.queue = {1, 2, 3};  // left from before the open
    ASSERT_EQ(port.Open("COM2"), 1);
    EXPECT_EQ(g.written, Expected(9600, 8, NOPARITY, ONESTOPBIT)) << "wrong or lost settings";
    EXPECT_EQ(port.BytesAvailable(), 0u) << "input from before the open was kept";
    port.Close();
    port.Close();
    EXPECT_EQ(g.purges, std::vector<DWORD>(2, 0x0F)) << "not both ways, once on open and close";
    {
        CComPort destroyedOpen;
        ASSERT_EQ(destroyedOpen.Open("COM1"), 1);
    }
    const std::string twenty(20, 'n');
    EXPECT_EQ(port.Open((twenty + "n").c_str()), 0);
    EXPECT_EQ(g.name, "COM1") << "a 21-character name reached the device";
    ASSERT_EQ(port.Open(twenty.c_str()), 1);
    EXPECT_EQ(port.Open("COM1"), 0);
    EXPECT_EQ(g.name, twenty) << "an open port was opened again";
}

TEST_F(ComPortTest, SettingsReachTheDeviceOnlyWhenItIsOpenedAgain) {
    BYTE buffer[4] = {};
    port.SetParams(2400, 7, ODDPARITY, TWOSTOPBITS);
    EXPECT_EQ(port.Reconfigure(19200, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.Read(buffer, 4), 0xFFFFFFFFu);
    EXPECT_EQ(port.Write(buffer, 4), 0);
    EXPECT_EQ(port.WriteByte('a'), 0);
    EXPECT_EQ(port.ReadByte(buffer[0], 20), 0);
    EXPECT_TRUE(g.sleeps.empty()) << "a closed port waited";
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    ASSERT_EQ(port.Open("COM7"), 1);
    EXPECT_EQ(g.written, Expected(2400, 7, ODDPARITY, TWOSTOPBITS)) << "a closed port took them";
    port.SetParams(115200, 8, NOPARITY, ONESTOPBIT);
    EXPECT_EQ(g.written.BaudRate, 2400u) << "an open port took new settings";
    g.name.clear();
    EXPECT_EQ(port.Reconfigure(19200, 7, EVENPARITY, ONESTOPBIT), 1);
    EXPECT_EQ(g.name, "COM7");
    EXPECT_EQ(g.written, Expected(19200, 7, EVENPARITY, ONESTOPBIT));
    g.setStateFails = true;  // a failed reopen stays closed but keeps the new settings
    EXPECT_EQ(port.Reconfigure(4800, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.IsOpen(), 0);
    g.setStateFails = false;
    ASSERT_EQ(port.Open("COM7"), 1);
    EXPECT_EQ(g.written.BaudRate, 4800u);
}

TEST_F(ComPortTest, ReadsTakeOnlyWhatIsQueuedAndWaitInFiveMsSteps) {
    ASSERT_EQ(port.Open("COM2"), 1);
    const DWORD cases[][3] = {{3, 10, 3}, {10, 3, 3}, {5, 0, 0}, {0, 10, 0}};  // queued, max, got
    for (const auto& c : cases) {
        g.queue.assign(c[0], 'q');
        std::string buffer(16, '\0');
        EXPECT_EQ(port.Read(&buffer[0], c[1]), c[2]) << c[0] << " queued, max " << c[1];
        EXPECT_EQ(buffer.find_first_not_of('q'), c[2]);
        EXPECT_EQ(g.queue.size(), c[0] - c[2]) << "the rest of the input was not kept";
    }
    BYTE byte = 0;
    for (const DWORD limitMs : {0, 4, 5, 9, 20}) {  // a check at once, then one after each sleep
        g.sleeps.clear();
        EXPECT_EQ(port.ReadByte(byte, limitMs), 0);
        EXPECT_EQ(g.sleeps, std::vector<DWORD>(limitMs / 5, 5)) << limitMs;
    }
    g.sleeps.clear();
    g.arriveAfterSleeps = 2;
    g.arriving = 0x5A;
    EXPECT_EQ(port.ReadByte(byte, 20), 1);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(g.sleeps.size(), 2u) << "went on waiting after the byte came";
    g.queue = {1};
    g.readFails = true;
    EXPECT_EQ(port.Read(&byte, 1), 0u);
    g.readFails = false;
    EXPECT_EQ(port.WriteByte('k'), 1) << "the failed read's error stopped the next write";
}

TEST(CommandLineFuzzer, EverySeedKeepsTheRules) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_FUZZ_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string input{std::istreambuf_iterator<char>(file), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
        ++seeds;
    }
    EXPECT_GT(seeds, 20);
}

}  // namespace
