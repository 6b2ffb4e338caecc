#include "platform/posix/com_names.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdint>

namespace {

// The number of a "COM<n>" name; 0 when the name is not one.
uint64_t ComNumber(const char* name) {
    if (strncasecmp(name, "COM", 3) != 0) return 0;
    const char* digits = name + 3;
    if (*digits < '1' || *digits > '9') return 0;
    uint64_t number = 0;
    for (const char* c = digits; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return 0;
        number = number * 10 + static_cast<uint64_t>(*c - '0');
        if (number > UINT32_MAX) return 0;
    }
    return number;
}

}  // namespace

std::string DevicePathForName(const char* name, const char* prefix, const char* linksDir) {
    const uint64_t number = ComNumber(name);
    if (number == 0) return name;
    const std::string link = std::string(linksDir) + "/com" + std::to_string(number);
    struct stat status;
    if (lstat(link.c_str(), &status) == 0) return link;
    return prefix + std::to_string(number - 1);
}
