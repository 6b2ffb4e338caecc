#include "platform/posix/com_names.h"

#include <errno.h>
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
    if (!Fits(std::snprintf(path, MAX_PATH, "%s/com%" PRIu64, linksDir, number))) return false;
    // Only a link that is not there leaves the number to the prefix: a folder
    // that cannot be searched, or that is not one, hides whether it is.
    struct stat status;
    if (lstat(path, &status) == 0) return true;
    if (errno != ENOENT) return false;
    return Fits(std::snprintf(path, MAX_PATH, "%s%" PRIu64, prefix, number - 1));
}
