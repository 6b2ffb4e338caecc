#include "tests/e2e/sandbox.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

namespace {

std::string LinkPath(int n) { return TARNWICK_SANDBOX_LINKS_DIR "/com" + std::to_string(n); }

void Link(const std::string& target, const std::string& link) {
    std::filesystem::create_directories(link.substr(0, link.rfind('/')));
    unlink(link.c_str());
    EXPECT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
}

}  // namespace

std::string SandboxPortPath(int n) {
    return TARNWICK_SANDBOX_DEVICE_DIR "/ttyS" + std::to_string(n - 1);
}

void ClearSandboxPorts() {
    for (const std::string& path :
         {SandboxPortPath(1), SandboxPortPath(2), LinkPath(1), LinkPath(2)}) {
        unlink(path.c_str());
    }
}

std::unique_ptr<VirtualSerialDevice> PublishSandboxPort(int number) {
    std::filesystem::create_directories(TARNWICK_SANDBOX_DEVICE_DIR);
    auto device = std::make_unique<VirtualSerialDevice>();
    std::string error;
    EXPECT_TRUE(device->Open(SandboxPortPath(number), error)) << error;
    return device;
}

void LinkSandboxPort(int number, const std::string& target) { Link(target, LinkPath(number)); }

std::string ProgramInFolder(const std::string& program, const std::string& folder) {
    const std::string link =
        TARNWICK_SANDBOX_DEVICE_DIR "/" + folder + program.substr(program.rfind('/'));
    Link(program, link);
    return link;
}

std::string DeviceLine(const VirtualSerialDevice& device) {
    termios2 line{};
    ioctl(device.deviceFd(), TCGETS2, &line);
    const bool frame8N1 = (line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)) == CS8;
    const bool raw = (line.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (line.c_oflag & OPOST) == 0;
    return std::to_string(line.c_ospeed) + ((line.c_cflag & CBAUD) == BOTHER ? " custom" : "") +
           (frame8N1 ? " 8N1" : " not 8N1") + (raw ? " raw" : " cooked");
}

std::string Unread(VirtualSerialDevice& device) {
    EXPECT_EQ(write(device.deviceFd(), "\x02", 1), 1);
    std::string unread;
    for (std::string byte; (byte = device.Receive(1, 5000)) != "\x02"; unread += byte) {
        if (byte.empty()) return unread + " (and no end)";
    }
    return unread;
}

bool PortIsFree(const VirtualSerialDevice& device) {
    const int fd = open(device.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 1;
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCGEXCL, &exclusive) == 0;
    close(fd);
    return free && exclusive == 0;
}
