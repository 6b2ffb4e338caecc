// tarnwick-vdev: a virtual serial device that echoes what it receives and
// answers each line, for trying the terminal without hardware.
//
//   tarnwick-vdev LINK                   serve until interrupted
//   tarnwick-vdev LINK --run COMMAND...  serve while COMMAND runs; exit with
//                                        its status
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/virtual_serial_device.h"

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void RequestStop(int) { g_stopRequested = 1; }

// Echoes every byte; after a carriage return (Enter) also answers with the
// line received. Bytes the terminal is not reading are dropped, as on a line.
class EchoDevice {
public:
    explicit EchoDevice(VirtualSerialDevice& device) : m_device(device) {}

    void Serve(int timeoutMs) {
        pollfd waiting{m_device.fd(), POLLIN, 0};
        if (poll(&waiting, 1, timeoutMs) <= 0) return;
        char buffer[4096];
        const ssize_t count = read(m_device.fd(), buffer, sizeof buffer);
        for (ssize_t i = 0; i < count; ++i) Take(buffer[i]);
    }

private:
    void Take(char byte) {
        Reply(std::string(1, byte));
        if (byte != '\r') {
            m_line += byte;
            return;
        }
        Reply("\ndevice received: " + m_line + "\r\n");
        m_line.clear();
    }

    void Reply(const std::string& text) { m_device.Send(text, 0); }

    VirtualSerialDevice& m_device;
    std::string m_line;
};

pid_t StartCommand(char** command) {
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        std::fprintf(stderr, "tarnwick-vdev: cannot run %s: %s\n", command[0],
                     std::strerror(errno));
        _exit(127);
    }
    return child;
}

int ExitStatusOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv) {
    const bool runCommand = argc >= 4 && std::strcmp(argv[2], "--run") == 0;
    if (argc != 2 && !runCommand) {
        std::fprintf(stderr, "usage: tarnwick-vdev LINK [--run COMMAND [ARGUMENT...]]\n");
        return 2;
    }

    VirtualSerialDevice device;
    std::string error;
    if (!device.Open(argv[1], error)) {
        std::fprintf(stderr, "tarnwick-vdev: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "tarnwick-vdev: %s is %s, echoing\n", device.linkPath().c_str(),
                 device.devicePath().c_str());

    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &stop, nullptr);

    const pid_t child = runCommand ? StartCommand(argv + 3) : -1;
    EchoDevice echo(device);
    while (!g_stopRequested) {
        echo.Serve(50);
        int status = 0;
        if (child > 0 && waitpid(child, &status, WNOHANG) == child) return ExitStatusOf(status);
    }
    if (child > 0) kill(child, SIGTERM);
    return 0;
}
