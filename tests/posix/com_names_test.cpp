#include "platform/posix/com_names.h"

#include <gtest/gtest.h>

namespace {

TEST(DevicePathForName, NumberedPortsTakeThePrefixAndEverythingElseIsAPath) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "/p/tty0"},
        {"com2", "/p/tty1"},
        {"Com10", "/p/tty9"},
        {"cOM256", "/p/tty255"},
        {"COM0", "COM0"},
        {"COM01", "COM01"},
        {"COM", "COM"},
        {"COMx", "COMx"},
        {"COM1x", "COM1x"},
        {"COM+1", "COM+1"},
        {" COM1", " COM1"},
        {"LPT1", "LPT1"},
        {"COM99999999999", "COM99999999999"},
        {"COM18446744073709551617", "COM18446744073709551617"},  // 2^64 + 1
        {"./COM1", "./COM1"},
        {"/dev/pts/3", "/dev/pts/3"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DevicePathForName(c.name, "/p/tty", "/nonexistent"), c.path) << "name \"" << c.name << '"';
    }
}

}  // namespace
