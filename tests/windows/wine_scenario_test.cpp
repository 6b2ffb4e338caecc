// The scenarios run by the Windows program under Wine. Screen text is
// compared as ScreenText gives it; bytes on the port exactly.
#include <gtest/gtest.h>

#include "tests/e2e/sandbox_ports.h"
#include "tests/e2e/scenarios.h"
#include "tests/windows/wine_session.h"

namespace {

// Wine's WriteFile returns before the byte has left, and its PurgeComm on
// closing can discard the second ESC from a pseudo-terminal before the
// other side has it: that last byte is sent but not looked for.
std::string ArrivingSurely(const std::string& keys, bool last) {
    return last && !keys.empty() ? keys.substr(0, keys.size() - 1) : keys;
}

// Skips where Wine cannot start at all, as windows_wine_prefix found.
class WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string why = WhyWineCannotStart();
        if (!why.empty()) GTEST_SKIP() << why;
    }
};

class WineScenario : public WineTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(WineScenario, ShowsAndSendsWhatTheUserExpects) {
    const Scenario& scenario = GetParam();
    if (scenario.notOnWine != nullptr) GTEST_SKIP() << scenario.notOnWine;
    ClearSandboxPorts();
    std::unique_ptr<VirtualSerialDevice> ports[2];
    if (scenario.status == 0) {
        ports[0] = PublishSandboxPort(1);
        ports[1] = PublishSandboxPort(2);
    }
    WineSession session(SandboxProgramInFolderWithSpace(), scenario.words);

    if (scenario.status == 0) {
        VirtualSerialDevice& chosen = *ports[scenario.port - 1];
        ASSERT_TRUE(session.WaitForScreen(OpenedText(scenario.port))) << session.screen();
        for (size_t i = 0; i < scenario.steps.size(); ++i) {
            const Step& step = scenario.steps[i];
            session.Type(step.keys);
            const std::string arriving = ArrivingSurely(step.keys, i + 1 == scenario.steps.size());
            EXPECT_EQ(chosen.Receive(arriving.size(), kWineDeadlineMs), arriving)
                << "keys lost or changed";
            ASSERT_TRUE(chosen.Send(step.fromPort));
            EXPECT_TRUE(session.WaitForScreen(step.fromPort)) << "port bytes not shown";
        }
        EXPECT_EQ(DeviceLine(chosen), ExpectedDeviceLine(scenario));
        EXPECT_EQ(ports[2 - scenario.port]->Receive(1, 0), "") << "the other port was used";
    }
    EXPECT_EQ(session.WaitForExit(), scenario.status);
    EXPECT_EQ(session.screen(), ExpectedScreen(scenario));
}

INSTANTIATE_TEST_SUITE_P(Table, WineScenario, ::testing::ValuesIn(kScenarios), ScenarioName);

// The console ends the program, as Windows does, and the key is not sent.
using WineConsole = WineTest;

TEST_F(WineConsole, CtrlCEndsTheProgramAndIsNotSent) {
    ClearSandboxPorts();
    auto device = PublishSandboxPort(2);
    WineSession session(SandboxProgramInFolderWithSpace(), {});
    ASSERT_TRUE(session.WaitForScreen(OpenedText(2))) << session.screen();
    session.Type("\x03");
    EXPECT_NE(session.WaitForExit(), -1);
    EXPECT_EQ(device->Receive(1, 0), "");
}

}  // namespace
