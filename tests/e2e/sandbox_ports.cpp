#include "tests/e2e/sandbox_ports.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SandboxPortPath(int number) {
    return std::string(TARNWICK_SANDBOX_DEVICE_DIR) + "/ttyS" + std::to_string(number - 1);
}

std::string SandboxLinkPath(int number) {
    return std::string(TARNWICK_SANDBOX_LINKS_DIR) + "/com" + std::to_string(number);
}

}  // namespace

std::vector<std::string> SandboxCommand(const std::vector<std::string>& words) {
    std::vector<std::string> argv{TARNWICK_SANDBOX_PROGRAM};
    argv.insert(argv.end(), words.begin(), words.end());
    return argv;
}

std::string SandboxProgramInFolderWithSpace() {
    const std::string program = TARNWICK_SANDBOX_PROGRAM;
    const std::string folder = TARNWICK_SANDBOX_DEVICE_DIR "/Tarnwick Terminal";
    const std::string link = folder + program.substr(program.rfind('/'));
    mkdir(folder.c_str(), 0755);
    unlink(link.c_str());
    EXPECT_EQ(symlink(program.c_str(), link.c_str()), 0) << link;
    return link;
}

std::unique_ptr<VirtualSerialDevice> PublishSandboxPort(int number) {
    mkdir(TARNWICK_SANDBOX_DEVICE_DIR, 0755);
    auto device = std::make_unique<VirtualSerialDevice>();
    std::string error;
    EXPECT_TRUE(device->Open(SandboxPortPath(number), error)) << error;
    return device;
}

bool PortIsFree(const VirtualSerialDevice& device) {
    const int fd = open(device.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 1;
    const bool free = fd != -1 && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                      ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 0;
    if (fd != -1) close(fd);
    return free;
}

std::string DeviceLine(const VirtualSerialDevice& device) {
    termios2 line{};
    if (ioctl(device.deviceFd(), TCGETS2, &line) != 0) return "unreadable";
    const bool frame8N1 = (line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)) == CS8;
    const bool raw = (line.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (line.c_oflag & OPOST) == 0;
    const bool custom = (line.c_cflag & CBAUD) == BOTHER;
    return std::to_string(line.c_ospeed) + (custom ? " custom" : "") +
           (frame8N1 ? " 8N1" : " not 8N1") + (raw ? " raw" : " cooked");
}

std::string EveryByteValue(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

DeviceFlood::DeviceFlood(VirtualSerialDevice& device, const std::string& pattern)
    : m_sender([this, &device, pattern] {
          while (!m_stop) device.Send(pattern, 20);
      }) {}

DeviceFlood::~DeviceFlood() {
    m_stop = true;
    m_sender.join();
}

void LinkSandboxPort(int number, const std::string& target) {
    const std::string links = TARNWICK_SANDBOX_LINKS_DIR;
    mkdir(links.substr(0, links.rfind('/')).c_str(), 0755);
    mkdir(links.c_str(), 0755);
    unlink(SandboxLinkPath(number).c_str());
    EXPECT_EQ(symlink(target.c_str(), SandboxLinkPath(number).c_str()), 0) << target;
}

void ClearSandboxPorts() {
    for (int number : {1, 2}) {
        unlink(SandboxPortPath(number).c_str());
        unlink(SandboxLinkPath(number).c_str());
    }
}
