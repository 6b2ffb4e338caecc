#include "platform/posix/com_names.h"

#include <errno.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

bool OwnedByUserOrRoot(const struct stat& status) {
    return status.st_uid == getuid() || status.st_uid == 0;
}

// Whether nobody but the user, or root, can change what the folder holds.
bool Trusted(const struct stat& folder) {
    const bool groupWrites = (folder.st_mode & S_IWGRP) != 0 && folder.st_gid != getgid();
    return OwnedByUserOrRoot(folder) && (folder.st_mode & S_IWOTH) == 0 && !groupWrites;
}

enum class Link { kNone, kFound, kDoubt };

// Looks for com<number> in folder, the user's own where usersOwn is set.
Link FindLink(const char* folder, bool usersOwn, uint64_t number, char (&path)[MAX_PATH],
              NameFolders& folders) {
    folders.Add(folder);  // also where it is not there yet
    struct stat status;
    if (stat(folder, &status) != 0) return errno == ENOENT ? Link::kNone : Link::kDoubt;
    if (usersOwn && !Trusted(status)) return Link::kDoubt;
    if (!Fits(std::snprintf(path, MAX_PATH, "%s/com%" PRIu64, folder, number))) return Link::kDoubt;
    if (lstat(path, &status) != 0) return errno == ENOENT ? Link::kNone : Link::kDoubt;
    return !usersOwn || OwnedByUserOrRoot(status) ? Link::kFound : Link::kDoubt;
}

// The user's links folder, or an empty text without HOME; false when it does
// not fit.
bool UserLinksFolder(char (&folder)[MAX_PATH]) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    folder[0] = '\0';
    if (config != nullptr && config[0] == '/') {
        return Fits(std::snprintf(folder, MAX_PATH, "%s/%s", config, kUserLinksName));
    }
    return home == nullptr ||
           Fits(std::snprintf(folder, MAX_PATH, "%s/.config/%s", home, kUserLinksName));
}

void AddFolderOf(const char* path, NameFolders& folders) {
    char folder[MAX_PATH];
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        folders.Add(".");
        return;
    }
    const size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    folders.Add(folder);
}

// Adds the folder of path and of every link it leads through. Where a link
// cannot be followed any further, its target's folder is the last.
void AddFoldersOnTheWay(const char* path, NameFolders& folders) {
    char current[MAX_PATH];
    std::snprintf(current, MAX_PATH, "%s", path);
    for (int links = 0; links < 40; ++links) {  // the kernel's limit too
        AddFolderOf(current, folders);
        char target[MAX_PATH];
        const ssize_t length = readlink(current, target, MAX_PATH - 1);
        if (length <= 0) return;
        // A relative target is in the link's folder.
        const char* slash = std::strrchr(current, '/');
        const size_t kept = target[0] == '/' || slash == nullptr ? 0 : slash + 1 - current;
        if (kept + static_cast<size_t>(length) >= MAX_PATH) return;
        std::memcpy(current + kept, target, static_cast<size_t>(length));
        current[kept + static_cast<size_t>(length)] = '\0';
    }
}

// Writes to path the file that name opens, adding the links folders looked in.
bool ChoosePath(const char* name, char (&path)[MAX_PATH], NameFolders& folders) {
    const uint64_t number = ComNumber(name);
    if (number == 0) return Fits(std::snprintf(path, MAX_PATH, "%s", name));
    char userFolder[MAX_PATH];
    if (!UserLinksFolder(userFolder)) return false;
    const struct {
        const char* folder;
        bool usersOwn;
    } linksFolders[] = {{userFolder, true}, {kPortLinksDir, false}};
    for (const auto& links : linksFolders) {
        if (links.folder[0] == '\0') continue;
        const Link link = FindLink(links.folder, links.usersOwn, number, path, folders);
        if (link != Link::kNone) return link == Link::kFound;
    }
    return Fits(std::snprintf(path, MAX_PATH, "%s%" PRIu64, kComDevicePrefix, number - 1));
}

}  // namespace

void NameFolders::Add(const char* folder) {
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(paths[i], folder) == 0) return;
    }
    if (count < kMax && Fits(std::snprintf(paths[count], MAX_PATH, "%s", folder))) ++count;
}

bool DevicePathForName(const char* name, char (&path)[MAX_PATH], NameFolders& folders) {
    if (!ChoosePath(name, path, folders)) return false;
    AddFoldersOnTheWay(path, folders);
    return true;
}
