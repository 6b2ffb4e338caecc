#include "platform/posix/device_return.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix/comm_state.h"
#include "platform/posix/exclusive_use.h"

namespace {

// What can make a name open another file, or one at all. Not opening,
// reading or closing: the handle's own tries would wake it again.
const uint32_t kChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

// Watches folder, or where it is not there (udev removes an empty
// /dev/serial/by-id), the nearest folder above it that is.
bool WatchFolder(int changes, const char* path) {
    char folder[MAX_PATH];
    std::memcpy(folder, path, MAX_PATH);
    while (inotify_add_watch(changes, folder, kChanges) == -1) {
        char* slash = std::strrchr(folder, '/');
        if ((errno != ENOENT && errno != ENOTDIR) || slash == nullptr || folder[1] == '\0') {
            return false;
        }
        slash[slash == folder ? 1 : 0] = '\0';
    }
    return true;
}

}  // namespace

int OpenNamed(const char* name, int accessFlags, bool exclusive, bool& exclusiveFlagSet,
              NameFolders& folders) {
    char path[MAX_PATH];
    if (!DevicePathForName(name, path, folders)) return -1;
    const int fd = open(path, accessFlags | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    exclusiveFlagSet = false;
    if (fd == -1 || !exclusive) return fd;
    const ExclusiveUse use = TakeExclusiveUse(fd);
    if (use == ExclusiveUse::kRefused) {
        close(fd);
        return -1;
    }
    exclusiveFlagSet = use == ExclusiveUse::kFlagSet;
    return fd;
}

int CloseDevice(CommHandle& device) {
    if (device.exclusiveFlagSet) ReleaseExclusiveUse(device.fd);
    const int closed = close(device.fd);
    device.fd = -1;
    return closed;
}

void LoseDevice(CommHandle& device) {
    CloseDevice(device);
    device.changes = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    TryReturn(device);  // it may be back already
}

bool TryReturn(CommHandle& device) {
    char events[4096];  // each is only a reason to look again
    while (device.changes != -1 && read(device.changes, events, sizeof events) > 0) {
    }
    NameFolders folders;
    device.fd = OpenNamed(device.name, device.accessFlags, device.exclusive,
                          device.exclusiveFlagSet, folders);
    if (device.fd != -1 && device.settingsApplied && !ApplySettings(device.fd, device.settings)) {
        CloseDevice(device);
    }
    if (device.fd != -1) {
        if (device.changes != -1) close(device.changes);
        device.changes = -1;
        device.folders = folders;
        return true;
    }
    // Where the name leads now is watched too.
    for (int i = 0; i < folders.count; ++i) device.folders.Add(folders.paths[i]);
    bool watching = false;
    for (int i = 0; device.changes != -1 && i < device.folders.count; ++i) {
        watching = WatchFolder(device.changes, device.folders.paths[i]) || watching;
    }
    if (!watching && device.changes != -1) {  // a timer stands in
        close(device.changes);
        device.changes = -1;
    }
    return false;
}
