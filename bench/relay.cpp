#include "bench/relay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace {

void MakeRaw(int fd) {
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
}

// The device behind the link, raw; waits until there is one.
int OpenDevice(const std::string& linkPath) {
    for (;;) {
        const int device = open(linkPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (device != -1) {
            MakeRaw(device);
            return device;
        }
        const timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

// A failure shows at the next poll, as a hang-up or a console gone.
void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written <= 0) return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

}  // namespace

int RunRelay(const std::string& linkPath) {
    // The bench's handlers would remove the bench's links when SIGTERM ends
    // the relay.
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, SIG_DFL);
    // Forked, not started anew: the bench's devices and consoles would stay
    // open here, and not hang up when the bench closes them.
    close_range(3, ~0u, 0);

    int device = OpenDevice(linkPath);
    MakeRaw(STDIN_FILENO);
    std::vector<char> block(128 << 10);
    for (;;) {
        pollfd ends[2] = {{device, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(ends, 2, -1) < 0) continue;
        if (ends[0].revents != 0) {
            const ssize_t count = read(device, block.data(), block.size());
            if (count > 0) {
                WriteAll(STDOUT_FILENO, block.data(), static_cast<size_t>(count));
            } else {
                close(device);
                device = OpenDevice(linkPath);
            }
        }
        if (ends[1].revents != 0) {
            const ssize_t count = read(STDIN_FILENO, block.data(), block.size());
            if (count <= 0) return 0;
            WriteAll(device, block.data(), static_cast<size_t>(count));
        }
    }
}
