// The rebuilt command line cuts back to the arguments. The end-to-end table
// runs the program from a path with a blank in it; double quotes in the path
// or in an argument are met only here.
#include <gtest/gtest.h>

#include <string>

#include "platform/process.h"
#include "terminal/command_line.h"

namespace {

TEST(ProcessCommandLineTest, TailIsTheArgumentsAsGivenWhateverQuotesThePathHolds) {
    char path[] = "/tmp/a\"b c\"d/tarnwick";
    char port[] = "\"com1\"";
    char speed[] = "19200";
    char* argv[] = {path, port, speed};
    const std::string commandLine = ProcessCommandLine(3, argv);
    EXPECT_STREQ(CommandLineTail(commandLine.c_str()), "\"com1\" 19200");
}

}  // namespace
