// The terminal from start to end as a user meets it: one table, run by two
// drivers, the Linux program on pseudo-terminals and the Windows program
// under Wine.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Keys typed, each of which must reach the port, then bytes the port sends,
// which must reach the screen.
struct Step {
    std::string keys;
    std::string fromPort;
};

struct Scenario {
    const char* name;
    std::vector<std::string> words;  // the command line after the program
    int port;                        // the COM number chosen
    std::string speedText;
    unsigned speed;  // bits per second the port runs at
    std::vector<Step> steps;
    int status;             // 0: both ports are there; 1: none is, and the open fails
    const char* notOnWine;  // why the Windows program cannot be run so, or nullptr
};

extern const std::vector<Scenario> kScenarios;

// Everything the screen shows.
std::string ExpectedScreen(const Scenario& scenario);
// The chosen port's line once the program has opened it (see DeviceLine).
std::string ExpectedDeviceLine(const Scenario& scenario);

void PrintTo(const Scenario& scenario, std::ostream* out);
// The scenario's name as a test name.
std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& info);
