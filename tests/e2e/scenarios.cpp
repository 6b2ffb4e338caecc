#include "tests/e2e/scenarios.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "tests/console_text.h"

namespace {

const std::vector<Step> kKeyAndLeave = {{"k", "port text"}, {"\x1b\x1b", ""}};
const char kWineSpeeds[] =
    "Wine sets non-standard speeds through a serial driver's divisor, which a pseudo-terminal "
    "lacks";

Scenario Speed(const char* word, unsigned speed, const char* notOnWine = nullptr) {
    return {word, {word}, 2, SpeedText(word), speed, kKeyAndLeave, 0, notOnWine};
}

Scenario Words(const char* name, std::vector<std::string> words, int port,
               const std::string& speedText, unsigned speed = 9600,
               const char* notOnWine = nullptr) {
    return {name, std::move(words), port, speedText, speed, kKeyAndLeave, 0, notOnWine};
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

}  // namespace

const std::vector<Scenario> kScenarios = {
    Words("no words", {}, 2, kDefaultSpeedText),
    Words("com1", {"com1"}, 1, kDefaultSpeedText),
    Words("COM1", {"COM1"}, 1, kDefaultSpeedText),
    Words("Com1", {"Com1"}, 1, kDefaultSpeedText),
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
    Speed("110", 110),
    Speed("300", 300),
    Speed("600", 600),
    Speed("1200", 1200),
    Speed("2400", 2400),
    Speed("4800", 4800),
    Speed("9600", 9600),
    Speed("14400", 14400, kWineSpeeds),
    Speed("19200", 19200),
    Speed("38400", 38400),
    Speed("56000", 56000, kWineSpeeds),
    Speed("57600", 57600),
    Speed("115200", 115200),
    Speed("128000", 128000, kWineSpeeds),
    Speed("256000", 256000, kWineSpeeds),
    Keys("ESC, a letter, ESC does not end", {{"\033a\033", "still here"}, {"\x1b", ""}}),
    Keys("port text between two ESCs", {{"\x1b", "between"}, {"\x1b", ""}}),
    Keys("every console key goes to the port unechoed",
         {{EveryConsoleKey(), "!"}, {"\x1b\x1b", ""}}),
    Keys("NUL and Ctrl-C keys", {{std::string("\0\x03", 2), ""}, {"\x1b\x1b", ""}},
         "Wine's console cannot type a NUL key and ends the program on Ctrl-C"),
    Keys("flow control bytes pass a port at the kernel's defaults",
         {{"", std::string("A\023B\021\000\377", 6)}, {"x", ""}, {"\x1b\x1b", ""}},
         "Wine's console acts on the control bytes it shows"),
    {"the port does not open", {"com1", "600"}, 1, SpeedText("600"), 600, {}, 1, nullptr},
};

std::string ExpectedScreen(const Scenario& scenario) {
    std::string screen = kBanner + scenario.speedText;
    if (scenario.status != 0) return screen + FailureText(scenario.port);
    screen += OpenedText(scenario.port);
    for (const Step& step : scenario.steps) screen += step.fromPort;
    return screen;
}

std::string ExpectedDeviceLine(const Scenario& scenario) {
    // The rates that Linux has no standard speed code for.
    const unsigned custom[] = {14400, 56000, 128000, 256000};
    const bool isCustom =
        std::find(std::begin(custom), std::end(custom), scenario.speed) != std::end(custom);
    return std::to_string(scenario.speed) + (isCustom ? " custom" : "") + " 8N1 raw";
}

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        if (*c == ' ' || *c == ',') name += '_';
    }
    return name;
}
