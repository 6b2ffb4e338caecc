#include "platform/posix/com_names.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

std::string PathFor(const char* name) {
    char path[MAX_PATH];
    return DevicePathForName(name, "/p/tty", "/nonexistent", path) ? path : "(does not fit)";
}

TEST(DevicePathForName, NumberedPortsTakeThePrefixAndEverythingElseIsAPath) {
    const std::pair<const char*, const char*> numbered[] = {
        {"COM1", "/p/tty0"}, {"com2", "/p/tty1"}, {"Com10", "/p/tty9"}, {"cOM256", "/p/tty255"}};
    for (const auto& [name, path] : numbered) EXPECT_EQ(PathFor(name), path) << name;

    // No number from 1, without a leading zero, that fits in 32 bits; the
    // last is 2^64 + 1.
    for (const char* path : {"COM0", "COM01", "COM", "COMx", "COM1x", "COM+1", " COM1", "LPT1",
                             "./COM1", "COM99999999999", "COM18446744073709551617"}) {
        EXPECT_EQ(PathFor(path), path);
    }
}

}  // namespace
