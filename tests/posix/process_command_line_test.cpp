// The rebuilt command line cuts back to the arguments, whatever the
// program's path holds.
#include <gtest/gtest.h>

#include "platform/process.h"
#include "terminal/command_line.h"

namespace {

std::string TailOf(std::vector<std::string> argv) {
    std::vector<char*> pointers;
    for (std::string& word : argv) pointers.push_back(word.data());
    const std::string commandLine =
        ProcessCommandLine(static_cast<int>(pointers.size()), pointers.data());
    return CommandLineTail(commandLine.c_str());
}

TEST(ProcessCommandLineTest, TailIsTheArgumentsJoinedWithSpaces) {
    EXPECT_EQ(TailOf({"tarnwick"}), "");
    EXPECT_EQ(TailOf({"/opt/my tools/tarnwick", "com1", "19200"}), "com1 19200");
    EXPECT_EQ(TailOf({"/tmp/a\"b c\"d/tarnwick", "com1"}), "com1");
    EXPECT_EQ(TailOf({"tarnwick", "com1 19200", "x"}), "com1 19200 x");
    EXPECT_EQ(TailOf({"tarnwick", "\"quoted\""}), "\"quoted\"");
}

}  // namespace
