// tarnwick-vdev: a virtual serial device that echoes what it receives and
// answers each line, for trying the terminal without hardware.
#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/echo_device.h"
#include "tools/virtual_serial_device.h"

namespace {

const char kUsage[] =
    "usage: tarnwick-vdev LINK [--run COMMAND [ARGUMENT...]]\n"
    "       tarnwick-vdev --help\n"
    "\n"
    "Publishes a virtual serial device as the symbolic link LINK, replacing a\n"
    "symbolic link there but nothing else. The device echoes what it receives,\n"
    "control bytes in caret form (ESC as ^[), and answers each line ended\n"
    "with Enter. It serves until interrupted, or with --run while COMMAND\n"
    "runs, and then exits with COMMAND's status. LINK goes with it; stopped\n"
    "by a signal, it ends by that signal. Status 1: LINK cannot be made;\n"
    "2: the command line is not understood.\n";

volatile sig_atomic_t g_stopSignal = 0;  // the signal that asked it to stop, or 0

void RequestStop(int signalNumber) { g_stopSignal = signalNumber; }

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

// Why the command line is not understood; empty when it is.
std::string Problem(int argc, char** argv) {
    if (argc < 2) return "no LINK given";
    if (argv[1][0] == '-') return std::string("unknown option ") + argv[1];
    const bool run = argc >= 3 && std::strcmp(argv[2], "--run") == 0;
    if (argc == 2 || (run && argc >= 4)) return "";
    if (run) return "--run needs a COMMAND";
    return std::string("unexpected argument ") + argv[2];
}

// Publishes the device as link and serves until a signal asks it to stop,
// or while command runs; returns the exit status. The link goes with the
// device.
int Serve(const char* link, char** command) {
    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &stop, nullptr);
    VirtualSerialDevice device;
    std::string error;
    if (!device.Open(link, error)) {
        std::fprintf(stderr, "tarnwick-vdev: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "tarnwick-vdev: %s is %s, echoing\n", device.linkPath().c_str(),
                 device.devicePath().c_str());

    const pid_t child = command != nullptr ? StartCommand(command) : -1;
    EchoDevice echo(device);
    while (!g_stopSignal) {
        echo.Serve(50);
        int status = 0;
        if (child > 0 && waitpid(child, &status, WNOHANG) == child) return ExitStatusOf(status);
    }
    if (child > 0) kill(child, SIGTERM);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string problem = Problem(argc, argv);
    if (!problem.empty()) {
        std::fprintf(stderr, "tarnwick-vdev: %s\n%s", problem.c_str(), kUsage);
        return 2;
    }
    const int status = Serve(argv[1], argc >= 4 ? argv + 3 : nullptr);
    // Stopped by a signal, it ends by that signal, its link removed.
    if (g_stopSignal != 0) {
        signal(g_stopSignal, SIG_DFL);
        raise(g_stopSignal);
    }
    return status;
}
