// The terminal from start to end as a user meets it: one table, run by the
// program under test, the Linux program or the Windows one under Wine.
#include <gtest/gtest.h>

#include "tests/e2e/e2e.h"

namespace {

// Keys typed, each of which must reach the port, then bytes the port sends,
// which must reach the screen.
struct Step {
    std::string keys, fromPort;
};

struct Scenario {
    std::string name;
    std::vector<std::string> words;  // the command line after the program
    int port;                        // the COM number chosen
    std::string speedText;
    unsigned speed;  // bits per second the port runs at
    std::vector<Step> steps;
    int status;             // 0: both ports are there; 1: none is, and the open fails
    const char* notOnWine;  // why the Windows program cannot be run so, or nullptr
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

const char kWineSpeeds[] = "Wine sets a non-standard speed by a divisor, which a pty lacks";
// Speeds without a standard code on Linux, set as a custom speed.
bool IsCustom(unsigned speed) {
    return speed == 14400 || speed == 56000 || speed == 128000 || speed == 256000;
}

Scenario Words(const std::string& name, std::vector<std::string> words, int port,
               const std::string& speedText, unsigned speed = 9600,
               const char* notOnWine = nullptr) {
    const std::vector<Step> keyAndLeave = {{"k", "port text"}, {"\x1b\x1b", ""}};
    return {name, std::move(words), port, speedText, speed, keyAndLeave, 0, notOnWine};
}

Scenario Keys(const char* name, std::vector<Step> steps, const char* notOnWine = nullptr) {
    return {name, {}, 2, kDefaultSpeedText, 9600, std::move(steps), 0, notOnWine};
}

// Every key a Windows console can carry as a character: all but NUL, and
// Ctrl-C, which the console keeps; ESC comes last.
std::string EveryConsoleKey() {
    std::string keys;
    for (int value = 1; value < 256; ++value) {
        if (value != 3 && value != 27) keys += static_cast<char>(value);
    }
    return keys;
}

std::vector<Scenario> AllScenarios() {
    std::vector<Scenario> all = {
        Words("no words", {}, 2, kDefaultSpeedText),
        Words("com1", {"com1"}, 1, kDefaultSpeedText),
        Words("COM1", {"COM1"}, 1, kDefaultSpeedText),
        Words("com1 19200", {"com1", "19200"}, 1, SpeedText("19200"), 19200),
        Words("19200 com1", {"19200", "com1"}, 2, SpeedText("19200"), 19200),
        Words("com1 256000 110", {"com1", "256000", "110"}, 1, SpeedText("256000"), 256000,
              kWineSpeeds),
        Words("com1 com1", {"com1", "com1"}, 1, kNonStandardSpeedText),
        Words("com1x", {"com1x"}, 2, kNonStandardSpeedText),
        Words("09600", {"09600"}, 2, kNonStandardSpeedText),
        Words("9600bps", {"9600bps"}, 2, kNonStandardSpeedText),
        Words("long first word", {"com1com1com1com1com1com1"}, 2, kNonStandardSpeedText),
        Words("blanks inside words", {"  com1 ", "\t300"}, 1, SpeedText("300"), 300,
              "Wine quotes arguments that hold blanks on the Windows command line"),
        Keys("ESC, a letter, ESC does not end", {{"\033a\033", "still here"}, {"\x1b", ""}}),
        Keys("port text between two ESCs", {{"\x1b", "between"}, {"\x1b", ""}}),
        Keys("ESC and later an arrow, or Alt and an arrow, do not end",
             {{"\x1b", "later"},
              {"\x1bOA", ""},
              {"\x1b", ""},
              {"\x1b[B", ""},
              {"\x1b", ""},
              {"\x1b\x1b[C", ""},
              {"\x1b\x1b", ""}},
             "Wine's console types an arrow's bytes as keys of their own, ESC among them"),
        Keys("every console key goes to the port unechoed",
             {{EveryConsoleKey(), "!"}, {"\x1b\x1b", ""}}),
        Keys("NUL and Ctrl-C keys", {{std::string("\0\x03", 2), ""}, {"\x1b\x1b", ""}},
             "Wine's console cannot type a NUL key and ends the program on Ctrl-C"),
        Keys("flow control bytes pass a port at the kernel's defaults",
             {{"", std::string("A\023B\021\000\377\n", 7)}, {"x", ""}, {"\x1b\x1b", ""}},
             "Wine's console acts on the control bytes it shows"),
        {"the port does not open", {"com1", "600"}, 1, SpeedText("600"), 600, {}, 1, nullptr},
    };
    for (unsigned speed : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                           115200, 128000, 256000}) {
        const std::string word = std::to_string(speed);
        all.push_back(Words(word, {word}, 2, SpeedText(word), speed,
                            IsCustom(speed) ? kWineSpeeds : nullptr));
    }
    return all;
}

std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name = info.param.name;
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class ScenarioTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(ScenarioTest, ShowsAndSendsWhatTheUserExpects) {
    const Scenario& scenario = GetParam();
    const std::string whyNot = WhyNotRun(scenario.notOnWine);
    if (!whyNot.empty()) GTEST_SKIP() << whyNot;
    ClearSandboxPorts();
    std::unique_ptr<VirtualSerialDevice> ports[2];
    for (int number : {1, 2}) {
        if (scenario.status == 0) ports[number - 1] = PublishSandboxPort(number);
    }
    const auto program = StartProgram(scenario.words);

    std::string screen = kBanner + scenario.speedText +
                         (scenario.status == 0 ? OpenedText : FailureText)(scenario.port);
    if (scenario.status == 0) {
        VirtualSerialDevice& chosen = *ports[scenario.port - 1];
        ASSERT_TRUE(WaitForScreen(*program, screen)) << ScreenText(*program);
        for (const Step& step : scenario.steps) {
            TypeKeys(*program, step.keys);
            const bool mayLoseOne = kLastKeyMayBeLost && &step == &scenario.steps.back();
            const std::string arriving = step.keys.substr(0, step.keys.size() - mayLoseOne);
            // On Windows one key a pass of up to 20 ms: 50 a second while the port is silent.
            EXPECT_EQ(chosen.Receive(arriving.size(), 30000), arriving) << "keys lost or changed";
            ASSERT_TRUE(chosen.Send(step.fromPort));
            screen += step.fromPort;
            EXPECT_TRUE(WaitForScreen(*program, screen)) << "port bytes not shown";
        }
        EXPECT_EQ(DeviceLine(chosen), std::to_string(scenario.speed) +
                                          (IsCustom(scenario.speed) ? " custom" : "") + " 8N1 raw");
    }
    EXPECT_EQ(program->WaitForEnding(kDeadlineMs), "exit " + std::to_string(scenario.status));
    EXPECT_EQ(ScreenText(*program), screen);
    if (scenario.status == 0) {
        EXPECT_EQ(Unread(*ports[2 - scenario.port]), "") << "the other port was used";
    }
    EXPECT_TRUE(!kOwnsTheConsole || program->ConsoleRestored()) << "the terminal not restored";
}

INSTANTIATE_TEST_SUITE_P(Table, ScenarioTest, ::testing::ValuesIn(AllScenarios()), ScenarioName);

}  // namespace
