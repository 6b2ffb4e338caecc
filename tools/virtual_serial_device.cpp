#include "tools/virtual_serial_device.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// The devices published and not yet destroyed, for RemovePublishedLinks to
// read in a signal handler: each slot is filled before it is marked in use.
struct PublishedLink {
    char link[PATH_MAX];
    char device[PATH_MAX];
    volatile sig_atomic_t inUse;
};
PublishedLink g_published[8];  // room for the bench: its terminals and its relay

// Removes link if it still leads to device: a link someone has replaced
// since is not this process's to remove.
void RemoveLinkIfOurs(const char* link, const char* device) {
    char target[PATH_MAX];
    const ssize_t length = readlink(link, target, sizeof target - 1);
    if (length <= 0) return;
    target[length] = '\0';
    if (strcmp(target, device) == 0) unlink(link);
}

// Lists a link for RemovePublishedLinks; nullptr when the list is full.
PublishedLink* ListPublished(const std::string& link, const char* device) {
    for (PublishedLink& published : g_published) {
        if (published.inUse || link.size() >= sizeof published.link) continue;
        strcpy(published.link, link.c_str());
        strcpy(published.device, device);
        published.inUse = 1;
        return &published;
    }
    return nullptr;
}

std::string Failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
    return ms > 0 ? static_cast<int>(ms) : 0;
}

}  // namespace

VirtualSerialDevice::~VirtualSerialDevice() {
    Vanish();
    for (PublishedLink& published : g_published) {
        if (published.inUse && m_linkPath == published.link) published.inUse = 0;
    }
    if (!m_linkPath.empty()) RemoveLinkIfOurs(m_linkPath.c_str(), m_devicePath.c_str());
}

void VirtualSerialDevice::RemovePublishedLinks() {
    for (PublishedLink& published : g_published) {
        if (published.inUse) RemoveLinkIfOurs(published.link, published.device);
    }
}

bool VirtualSerialDevice::Open(const std::string& linkPath, std::string& error) {
    m_controller = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_controller == -1) {
        error = Failure("posix_openpt");
        return false;
    }
    if (grantpt(m_controller) != 0 || unlockpt(m_controller) != 0) {
        error = Failure("unlockpt");
        return false;
    }
    char name[128];
    if (ptsname_r(m_controller, name, sizeof name) != 0) {
        error = Failure("ptsname");
        return false;
    }
    m_devicePath = name;

    m_deviceHold = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_deviceHold == -1) {
        error = Failure(m_devicePath.c_str());
        return false;
    }

    // A link left by an earlier run is replaced; anything else at linkPath,
    // such as a file or a device node, is not ours to remove.
    struct stat existing;
    if (lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = linkPath + " exists and is not a symbolic link; it is left as it is";
            return false;
        }
        unlink(linkPath.c_str());
    }
    // Listed before it is made, so that a signal that comes meanwhile finds it.
    PublishedLink* published = ListPublished(linkPath, name);
    if (symlink(name, linkPath.c_str()) != 0) {
        if (published != nullptr) published->inUse = 0;
        error = Failure(linkPath.c_str());
        return false;
    }
    m_linkPath = linkPath;
    return true;
}

void VirtualSerialDevice::Vanish() {
    if (m_deviceHold != -1) close(m_deviceHold);
    if (m_controller != -1) close(m_controller);
    m_deviceHold = -1;
    m_controller = -1;
}

bool VirtualSerialDevice::Send(const std::string& data, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t count = write(m_controller, data.data() + sent, data.size() - sent);
        if (count > 0) {
            sent += static_cast<size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd room{m_controller, POLLOUT, 0};
        if (poll(&room, 1, RemainingMs(deadline)) == 0) return false;
    }
    return true;
}

std::string VirtualSerialDevice::Receive(size_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string received;
    while (received.size() < count) {
        char buffer[4096];
        const size_t wanted = std::min(sizeof buffer, count - received.size());
        const ssize_t got = read(m_controller, buffer, wanted);
        if (got > 0) {
            received.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd waiting{m_controller, POLLIN, 0};
        const int left = RemainingMs(deadline);
        if (left == 0 || poll(&waiting, 1, left) == 0) break;
    }
    return received;
}
