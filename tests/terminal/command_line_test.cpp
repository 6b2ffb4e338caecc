#include "terminal/command_line.h"

#include <gtest/gtest.h>

namespace {

struct TailCase {
    const char* commandLine;
    const char* tail;
};

class CommandLineTailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandLineTailTest, CutsOffTheProgramName) {
    EXPECT_STREQ(CommandLineTail(GetParam().commandLine), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CommandLineTailTest,
    ::testing::Values(TailCase{"", ""}, TailCase{"tarnwick", ""},
                      TailCase{"tarnwick com1 19200", "com1 19200"},
                      TailCase{" \t tarnwick \t com1", "com1"}, TailCase{"tarnwick\tcom1", "com1"},
                      TailCase{"\"C:\\Program Files\\tarnwick.exe\" com1", "com1"},
                      TailCase{"\"tarnwick\"com1", "com1"},
                      TailCase{"\"unterminated name com1", ""}, TailCase{"tar\"nwick com1", "com1"},
                      TailCase{"tarnwick \"com1\" 300", "\"com1\" 300"},
                      TailCase{"tarnwick\ncom1", ""}, TailCase{"tarnwick   ", ""}));

}  // namespace
