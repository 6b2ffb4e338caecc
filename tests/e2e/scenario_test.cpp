// The scenarios run by the Linux program, with a pseudo-terminal as its
// console and virtual devices as its ports.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/e2e/sandbox_ports.h"
#include "tests/e2e/scenarios.h"
#include "tools/console_session.h"

namespace {

class LinuxScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(LinuxScenario, ShowsAndSendsWhatTheUserExpects) {
    const Scenario& scenario = GetParam();
    ClearSandboxPorts();
    std::unique_ptr<VirtualSerialDevice> ports[2];
    if (scenario.status == 0) {
        ports[0] = PublishSandboxPort(1);
        ports[1] = PublishSandboxPort(2);
    }
    std::vector<std::string> argv{SandboxProgramInFolderWithSpace()};
    argv.insert(argv.end(), scenario.words.begin(), scenario.words.end());
    ConsoleSession session(argv);

    if (scenario.status == 0) {
        VirtualSerialDevice& chosen = *ports[scenario.port - 1];
        ASSERT_TRUE(session.WaitForOutput(OpenedText(scenario.port))) << session.output();
        ASSERT_TRUE(session.WaitForRawKeyboard());
        for (const Step& step : scenario.steps) {
            session.Type(step.keys);
            // One key per pass of up to 20 ms: 50 keys a second while the port is silent.
            EXPECT_EQ(chosen.Receive(step.keys.size(), 20000), step.keys) << "keys lost or changed";
            ASSERT_TRUE(chosen.Send(step.fromPort));
            EXPECT_TRUE(session.WaitForOutput(step.fromPort)) << "port bytes not shown";
        }
        EXPECT_EQ(DeviceLine(chosen), ExpectedDeviceLine(scenario));
        EXPECT_EQ(ports[2 - scenario.port]->Receive(1, 0), "") << "the other port was used";
    }
    const int status = session.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == scenario.status) << status;
    EXPECT_EQ(session.output(), ExpectedScreen(scenario));
    EXPECT_TRUE(SameSettings(session.StartSettings(), session.ConsoleSettings()))
        << "the terminal's settings were not restored";
}

INSTANTIATE_TEST_SUITE_P(Table, LinuxScenario, ::testing::ValuesIn(kScenarios), ScenarioName);

}  // namespace
