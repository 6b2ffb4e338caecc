#include "platform/posix/com_names.h"

#include <strings.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>

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

// Whether snprintf's result filled a path buffer without cutting it short.
bool Fits(int length) { return length >= 0 && length < MAX_PATH; }

}  // namespace

bool DevicePathForName(const char* name, const char* prefix, const char* linksDir,
                       char (&path)[MAX_PATH]) {
    const uint64_t number = ComNumber(name);
    if (number == 0) return Fits(std::snprintf(path, MAX_PATH, "%s", name));
    struct stat status;
    if (Fits(std::snprintf(path, MAX_PATH, "%s/com%" PRIu64, linksDir, number)) &&
        lstat(path, &status) == 0) {
        return true;
    }
    return Fits(std::snprintf(path, MAX_PATH, "%s%" PRIu64, prefix, number - 1));
}
