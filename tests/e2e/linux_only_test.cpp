// The Linux program's adapter for the scenario table, what only it has, the tools and the demo.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "tests/e2e/e2e.h"

// The scenario table's Linux program, run from a folder whose name holds a
// blank and double quotes, on a pseudo-terminal at the kernel's defaults.
const int kDeadlineMs = 5000;
const bool kLastKeyMayBeLost = false;
const bool kOwnsTheConsole = true;

std::string WhyNotRun(const char*) { return ""; }

std::unique_ptr<TestSession> StartProgram(const std::vector<std::string>& words) {
    std::vector<std::string> argv{ProgramInFolder(TARNWICK_SANDBOX_PROGRAM, "Tarnwick \"Term\"")};
    argv.insert(argv.end(), words.begin(), words.end());
    return std::make_unique<TestSession>(argv);
}

std::string ScreenText(const TestSession& program) { return program.output(); }

// Keys typed before the keyboard is raw would be echoed by the terminal.
void TypeKeys(TestSession& program, const std::string& keys) {
    program.WaitForRawKeyboard();
    program.Type(keys);
}

namespace {

// The programs find their users' own port links in the build tree, not in the home of whoever
// runs the tests.
const std::string kUsersLinks = TARNWICK_SANDBOX_CONFIG_HOME "/tarnwick-sandbox";
const bool g_configHomeSet = setenv("XDG_CONFIG_HOME", TARNWICK_SANDBOX_CONFIG_HOME, 1) == 0;

std::unique_ptr<VirtualSerialDevice> Com2() {
    ClearSandboxPorts();
    std::filesystem::remove_all(kUsersLinks);
    return PublishSandboxPort(2);
}

int ExecSandbox() { return execl(TARNWICK_SANDBOX_PROGRAM, TARNWICK_SANDBOX_PROGRAM, nullptr); }

// As a shell with job control runs it: in a process group of its own, put in the terminal's
// foreground. A session leader's group is orphaned, and the kernel refuses to stop it.
int ExecSandboxAsJob() {
    const pid_t job = fork();
    if (job == 0) {
        signal(SIGTTOU, SIG_IGN);  // so that it may take the terminal from the background
        setpgid(0, 0);
        tcsetpgrp(STDIN_FILENO, getpid());
        signal(SIGTTOU, SIG_DFL);
        return ExecSandbox();
    }
    int status = 0;
    waitpid(job, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Bytes of every value, in no simple order.
std::string Flood(size_t size) {
    std::string flood(size, '\0');
    for (size_t i = 0; i < size; ++i) flood[i] = static_cast<char>(i * 7 + i / 256);
    return flood;
}

// COM2 published and the program running on it, its keyboard raw.
class OnCom2 : public ::testing::Test {
protected:
    void SetUp() override {
        device = Com2();
        session.emplace(std::vector<std::string>{TARNWICK_SANDBOX_PROGRAM});
        ASSERT_TRUE(session->WaitForOutput(OpenedText(2))) << session->output();
        ASSERT_TRUE(session->WaitForRawKeyboard());
    }
    std::unique_ptr<VirtualSerialDevice> device;
    std::optional<TestSession> session;
};

// A loop that slept in 5 ms steps would wake 200 times a second. Gone, the device is waited for
// without waking or spinning, and keys typed meanwhile are dropped; taken by another program when
// it comes back, it is left alone. Back as a new pseudo-terminal behind its link, it is set up as
// before, and what it sent before the program had it is shown too.
TEST_F(OnCom2, IdleOrWaitingForItsDeviceItDoesNotWakeAndADeviceThatComesBackIsTakenAgain) {
    const auto expectRest = [&](const char* state) {
        const auto [cpuSeconds, wakeUps] = session->UseOver(1000);
        EXPECT_LT(wakeUps, 10) << state;
        EXPECT_LT(cpuSeconds, 0.05) << state;
    };
    expectRest("idle");
    device->Vanish();
    unlink(SandboxPortPath(2).c_str());
    expectRest("device gone");
    session->Type("lost");
    const auto held = PublishSandboxPort(5);
    ASSERT_EQ(flock(held->deviceFd(), LOCK_EX), 0);
    LinkSandboxPort(2, held->linkPath());
    expectRest("device held by another program");
    EXPECT_EQ(DeviceLine(*held).find(" raw"), std::string::npos) << "set up while held";

    const auto back = PublishSandboxPort(6);
    back->Send("boot text");
    EXPECT_EQ(back->Receive(9, 5000), "boot text");  // echoed by a device nobody has set up
    LinkSandboxPort(2, back->linkPath());
    EXPECT_TRUE(session->WaitForOutput("boot text")) << "not taken again, or its first text lost";
    back->Send(" and more");
    EXPECT_TRUE(session->WaitForOutput("boot text and more"));
    session->Type("k");
    EXPECT_EQ(back->Receive(1, 5000), "k") << "keys typed while it was gone arrived";
    EXPECT_EQ(DeviceLine(*back), "9600 8N1 raw");
    EXPECT_EQ(Unread(*held), "");
    back->Vanish();
    session->Type("\x1b\x1b");
    EXPECT_EQ(session->WaitForEnding(), "exit 0");
    EXPECT_TRUE(session->ConsoleRestored());
    ClearSandboxPorts();
}

// A board printing at 115200 baud, a byte every 86.8 us: woken once a byte, the program would wake
// 11,520 times a second.
TEST_F(OnCom2, AStreamAtLineRateWakesItOnceABatchNotOnceAByte) {
    std::atomic<bool> streaming{true};
    std::thread board([&] {
        prctl(PR_SET_TIMERSLACK, 1UL);  // single bytes, not pairs a late wake-up sends together
        auto due = std::chrono::steady_clock::now();
        for (; streaming; due += std::chrono::nanoseconds(86806)) {
            std::this_thread::sleep_until(due);
            device->Send("s", 0);
        }
    });
    const long wakeUps = session->UseOver(1000).second;
    streaming = false;
    board.join();
    EXPECT_LT(wakeUps, 11520 / 10);
    EXPECT_TRUE(session->WaitForOutput(std::string(11000, 's'))) << "bytes lost";
}

// At one key per 20 ms pass, 50,000 keys took 1,000 s. The paste leaves room for one key in what
// the program holds, and an arrow after an ESC falls there. Fewer keys fit the device's buffer,
// so keys wait for it too; while it takes none, keys are still read, and ESC ESC still ends.
TEST_F(OnCom2, APasteGoesOnAtOnceInOrderAnArrowIsOneWhereverItFallsAndEscEscEndsWhileStalled) {
    std::string keys(TARNWICK_SANDBOX_KEYS_HELD - 2, 'k');
    for (size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<char>('a' + i * 7 % 26);
    session->Type(keys);
    const std::string received = device->Receive(keys.size(), 5000);
    EXPECT_TRUE(received == keys) << received.size() << " keys came, or they changed";
    for (const std::string key : {"\x1b", "\x1b[A"}) {
        session->Type(key);
        EXPECT_EQ(device->Receive(key.size(), 5000), key) << "the arrow ended the program";
    }
    session->Type(std::string(TARNWICK_SANDBOX_KEYS_HELD + 100000, 'k') +
                  "\x1b\x1b");  // more than it holds
    EXPECT_EQ(session->WaitForEnding(), "exit 0");
    EXPECT_TRUE(session->ConsoleRestored());
}

// Stopped again and again during a flood, as a shell's job, it gives the terminal back and takes it
// again when continued; as a session leader, whose stop the kernel refuses, it takes it again at
// once. Either way it shows every byte once, in order.
TEST(Stops, TheTerminalGoesBackWhileStoppedAndAFloodArrivesWhole) {
    for (const bool asJob : {true, false}) {
        auto device = Com2();
        TestSession session(ConsoleSession::Console::kTerminal,
                            asJob ? ExecSandboxAsJob : ExecSandbox);
        ASSERT_TRUE(session.WaitForOutput(OpenedText(2))) << session.output();
        ASSERT_TRUE(session.WaitForRawKeyboard());
        session.SignalForeground(SIGWINCH);  // a window resized, which changes nothing
        session.Collect(100);
        EXPECT_TRUE(session.WaitForRawKeyboard()) << "a resized window gave the terminal back";
        const std::string flood = Flood(4 << 20);
        const size_t opened = session.output().size();
        std::thread sender([&] { device->Send(flood, 60000); });
        for (int stops = 0; stops < 300; ++stops) {
            session.SignalForeground(SIGTSTP);
            if (asJob && !session.WaitFor([&] { return session.ConsoleRestored(); })) {
                ADD_FAILURE() << "stopped raw";
                break;
            }
            bool raw = false;  // a SIGCONT that comes before the stop is lost with it
            for (int tries = 0; tries < 100 && !raw; ++tries) {
                session.SignalForeground(SIGCONT);
                raw = session.WaitForRawKeyboard(50);
            }
            if (!raw) {
                ADD_FAILURE() << "continued with the terminal cooked";
                break;
            }
        }
        session.WaitFor([&] { return session.output().size() >= opened + flood.size(); }, 30000);
        sender.join();
        EXPECT_TRUE(session.output().substr(opened) == flood) << "lost, doubled or changed";
        session.Type("\x1b\x1b");
        EXPECT_EQ(session.WaitForEnding(), "exit 0");
    }
}

// 0 stands for ESC ESC, two keys a moment apart. Nobody reads the console meanwhile, so that
// what the program shows waits for room.
class EndDuringAFlood : public OnCom2, public ::testing::WithParamInterface<int> {};

TEST_P(EndDuringAFlood, RestoresTheTerminalAndFreesThePort) {
    std::atomic<bool> ended{false};
    std::thread flood([&] {
        while (!ended) device->Send(std::string(4096, 'f'), 20);
    });
    EXPECT_TRUE(session->WaitForOutput("ffff"));
    for (const char* key : {"\x1b", "\x1b"}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (GetParam() == 0) session->Type(key);
    }
    if (GetParam() != 0) session->Signal(GetParam());
    const std::string ending = session->WaitForEndingUnread(1000);
    ended = true;
    flood.join();
    EXPECT_EQ(ending, GetParam() == 0 ? "exit 0" : "signal " + std::to_string(GetParam()));
    EXPECT_TRUE(session->ConsoleRestored());
    EXPECT_TRUE(PortIsFree(*device)) << "lock or exclusive flag left behind";
}

INSTANTIATE_TEST_SUITE_P(EscEscAndSignals, EndDuringAFlood,
                         ::testing::Values(0, SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM,
                                           SIGUSR1, SIGUSR2, SIGRTMIN));

// COM2 opens what the user's own link names, or else what the system's names. A dangling link, a
// links folder that may not be searched, or a folder of the user's that others may write to keeps
// it closed: never the numbered port. It runs as a user who may open both ports, but is not
// root, who may search any folder; the user's folder is the user's.
TEST(PortLinks, TheUsersLinkComesFirstAndAnyDoubtKeepsThePortClosed) {
    auto numbered = Com2();
    const auto adapter = PublishSandboxPort(3);
    for (const VirtualSerialDevice* port : {numbered.get(), adapter.get()}) {
        chmod(port->devicePath().c_str(), 0666);
    }
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const std::string system = TARNWICK_SANDBOX_LINKS_DIR, users = kUsersLinks;
    const std::string device = adapter->linkPath(), unplugged = SandboxPortPath(9);
    for (const std::string& folder : {system, users}) std::filesystem::create_directories(folder);
    // Only root may give the user's folder a group that is not the user's.
    const gid_t ownGroup = nobody->pw_gid, otherGroup = geteuid() == 0 ? 0 : ownGroup;
    const struct {
        std::string usersLink, systemLink;
        mode_t usersMode, systemMode;
        gid_t usersGroup;
        bool opens;
    } cases[] = {{"", device, 0755, 0755, ownGroup, true},
                 {"", unplugged, 0755, 0755, ownGroup, false},
                 {"", device, 0755, 0700, ownGroup, false},
                 {device, unplugged, 0755, 0755, ownGroup, true},
                 {device, "", 0775, 0755, ownGroup, true},
                 {device, "", 0775, 0755, otherGroup, otherGroup == ownGroup},
                 {device, "", 0777, 0755, ownGroup, false}};
    for (const auto& c : cases) {
        if (geteuid() == 0) {
            EXPECT_EQ(chown(users.c_str(), nobody->pw_uid, c.usersGroup), 0);
        }
        for (const auto& [folder, target] :
             {std::pair{users, c.usersLink}, {system, c.systemLink}}) {
            unlink((folder + "/com2").c_str());
            if (!target.empty()) std::filesystem::create_symlink(target, folder + "/com2");
        }
        chmod(users.c_str(), c.usersMode);
        chmod(system.c_str(), c.systemMode);
        TestSession program(ConsoleSession::Console::kTerminal, [nobody] {
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                                   setuid(nobody->pw_uid) != 0)) {
                return 1;
            }
            return ExecSandbox();
        });
        if (c.opens) {
            EXPECT_TRUE(program.WaitForOutput(OpenedText(2))) << program.output();
            TypeKeys(program, "\x1b\x1b");
            EXPECT_EQ(adapter->Receive(2, 5000), "\x1b\x1b");
        }
        EXPECT_EQ(program.WaitForEnding(), c.opens ? "exit 0" : "exit 1") << &c - cases;
        EXPECT_EQ(program.output(),
                  kBanner + kDefaultSpeedText + (c.opens ? OpenedText(2) : FailureText(2)));
        EXPECT_EQ(Unread(*numbered), "") << "the numbered port was used";
    }
    chmod(system.c_str(), 0755);
    std::filesystem::remove_all(users);
    ClearSandboxPorts();
}

// Standard output left non-blocking by another program (`... | head -c 10`).
TEST(NoTerminal, StandardInputAndOutputStandInForTheConsole) {
    auto device = Com2();
    TestSession session(ConsoleSession::Console::kPipes, [] {
        fcntl(STDOUT_FILENO, F_SETFL, fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
        return ExecSandbox();
    });
    ASSERT_TRUE(session.WaitForOutput(OpenedText(2))) << session.output();
    session.Type("keys");
    EXPECT_EQ(device->Receive(4, 5000), "keys");

    // Input ended, it waits without spinning, and still shows what the port
    // sends, every byte of every value, though nobody reads for a while.
    session.EndInput();
    const auto [cpuSeconds, wakeUps] = session.UseOver(500);
    EXPECT_LT(wakeUps, 10);
    EXPECT_LT(cpuSeconds, 0.05);
    const size_t opened = session.output().size();
    const std::string flood = Flood(1 << 20);
    std::thread sender([&] { device->Send(flood, 30000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    session.WaitFor([&] { return session.output().size() >= opened + flood.size(); }, 30000);
    sender.join();
    EXPECT_TRUE(session.output().substr(opened) == flood) << "lost, changed or reordered";
    session.HangUp();
    device->Send("to a closed pipe");
    EXPECT_EQ(session.WaitForEnding(), "signal " + std::to_string(SIGPIPE));
    EXPECT_TRUE(PortIsFree(*device)) << "lock or exclusive flag left behind";
}

TEST(NoTerminal, AClosedStandardOutputIsNoPlaceForThePort) {
    auto device = Com2();
    TestSession session(ConsoleSession::Console::kPipes, [] {
        close(STDOUT_FILENO);
        return ExecSandbox();
    });
    session.Type("\x1b\x1b");
    EXPECT_EQ(session.WaitForEnding(), "exit 0");
    EXPECT_EQ(Unread(*device), "\x1b\x1b") << "the console's text went to the port";
}

// `setsid tarnwick` from a shell: its terminal used as it is, and waited for.
TEST(NoTerminal, AnotherSessionsTerminalKeepsItsSettings) {
    auto device = Com2();
    TestSession shell(ConsoleSession::Console::kTerminal, [] {
        fcntl(STDOUT_FILENO, F_SETFL, O_NONBLOCK);
        if (fork() == 0 && setsid() != -1) ExecSandbox();
        return wait(nullptr) == -1;
    });
    ASSERT_TRUE(shell.WaitForOutput("Press ESC, ESC to exit")) << shell.output();
    const std::string flood(1 << 18, 'f');  // more than the terminal holds unread
    std::thread sender([&] { device->Send(flood, 30000); });
    const auto readSlowly = [&] {  // the terminal stays full, and room comes in pieces
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return shell.output().find(flood) != std::string::npos;
    };
    EXPECT_TRUE(shell.WaitFor(readSlowly, 30000)) << "output lost";
    sender.join();
    shell.Type("\x04");  // Ctrl-D: end of input for now, no hang-up
    device->Send("after Ctrl-D");
    EXPECT_TRUE(shell.WaitForOutput("after Ctrl-D")) << "Ctrl-D ended the program";
    shell.Type("x\r\x1b\x1b\r");
    EXPECT_EQ(device->Receive(4, 5000), "x\n\x1b\x1b") << "keys not taken as typed";
    EXPECT_EQ(shell.WaitForEnding(), "exit 0");
}

// As under nohup: the terminal goes away, and no SIGHUP ends the program.
TEST(HangUp, ATerminalGoneEndsTheProgramWhereSIGHUPIsIgnored) {
    auto device = Com2();
    TestSession session(ConsoleSession::Console::kTerminal, [] {
        signal(SIGHUP, SIG_IGN);
        return ExecSandbox();
    });
    ASSERT_TRUE(session.WaitForRawKeyboard());
    session.HangUp();
    EXPECT_EQ(session.WaitForEnding(), "signal " + std::to_string(SIGHUP));
    EXPECT_TRUE(PortIsFree(*device)) << "lock or exclusive flag left behind";
}

TEST(HangUp, KeysLeftAfterEscEscDoNotReachTheShell) {
    auto device = Com2();
    TestSession shell(ConsoleSession::Console::kTerminal, [] {
        const int status = std::system(TARNWICK_SANDBOX_PROGRAM);
        if (std::system("stty raw") != 0) return 1;  // so that a partial line counts
        int left = -1;
        ioctl(STDIN_FILENO, FIONREAD, &left);
        std::printf("status %d, %d keys left\n", WEXITSTATUS(status), left);
        return 0;
    });
    ASSERT_TRUE(shell.WaitForRawKeyboard());
    // Typed while it is stopped: ESC ESC comes in its first read, and behind it more keys
    // than the terminal's input buffer holds, some still on their way as the program ends.
    shell.SignalGroup(SIGSTOP);
    shell.Type("\x1b\x1b" + std::string(10000, 'x'));
    shell.SignalGroup(SIGCONT);
    EXPECT_TRUE(shell.WaitForOutput("status 0, 0 keys left")) << shell.output();
}

// The tools' command lines, answered with a status and a text; a file in
// the way is left as it was.
TEST(Tools, AnswerEveryCommandLineWithoutTouchingAnyFile) {
    const std::string notes = TARNWICK_SANDBOX_DEVICE_DIR "/notes.txt";
    const std::string vdev = TARNWICK_VDEV_PROGRAM, bench = TARNWICK_BENCH_PROGRAM;
    const struct {
        std::vector<std::string> argv;
        std::string ending, shown;
    } cases[] = {{{vdev, "--help"}, "exit 0", "usage: tarnwick-vdev LINK"},
                 {{vdev, "--link"}, "exit 2", "unknown option --link"},
                 {{vdev, notes}, "exit 1", notes + " exists and is not a symbolic link"},
                 {{bench, "--help"}, "exit 0", "usage: tarnwick-bench"},
                 {{bench, "-h"}, "exit 2", "unknown option -h"},
                 {{bench, "--bytes", "-1"}, "exit 2", "--bytes needs a whole number"},
                 {{bench, "--samples", "1.5"}, "exit 2", "--samples needs a whole number"},
                 {{bench, "--idle", "inf"}, "exit 2", "--idle needs a number of seconds"},
                 {{bench, "--stream", "0"}, "exit 2", "--stream needs a number of seconds"},
                 {{bench, "x {device}", "--ready", "x"}, "exit 2", "--ready x has no COMMAND"}};
    for (const auto& c : cases) {
        std::ofstream(notes) << "important\n";
        TestSession tool(c.argv);
        EXPECT_EQ(tool.WaitForEnding(), c.ending) << c.argv.back();
        EXPECT_NE(tool.output().find(c.shown), std::string::npos) << tool.output();
        std::string kept;
        EXPECT_EQ(std::getline(std::ifstream(notes), kept) ? kept : "", "important");
    }
    unlink(notes.c_str());
}

// Ended by a signal, the virtual device and the benchmark remove their links.
TEST(Tools, ASignalEndsThemWithoutLeavingALink) {
    const std::string com2 = SandboxPortPath(2);
    struct stat link;
    for (const std::vector<std::string>& tool :
         {std::vector<std::string>{TARNWICK_VDEV_PROGRAM, com2, "--run", "sleep", "30"},
          {TARNWICK_BENCH_PROGRAM, "--idle", "30"}}) {
        ClearSandboxPorts();
        TestSession running(tool);
        ASSERT_TRUE(running.WaitFor([&] { return lstat(com2.c_str(), &link) == 0; })) << tool[0];
        running.Signal(SIGTERM);
        EXPECT_EQ(running.WaitForEnding(), "signal 15") << tool[0];
        EXPECT_NE(lstat(com2.c_str(), &link), 0) << tool[0] << " left its link behind";
    }
}

TEST(Demo, EchoesControlBytesInCaretFormAndLeavesOnEscEsc) {
    const std::string com2 = SandboxPortPath(2);
    ClearSandboxPorts();
    ASSERT_EQ(symlink("/dev/left-by-an-earlier-run", com2.c_str()), 0);  // replaced
    TestSession demo({TARNWICK_VDEV_PROGRAM, com2, "--run", TARNWICK_SANDBOX_PROGRAM});
    ASSERT_TRUE(demo.WaitForOutput("Press ESC, ESC to exit\r\n")) << demo.output();
    ASSERT_TRUE(demo.WaitForRawKeyboard());
    demo.output().clear();
    demo.Type("a\x03\x1b[A\x7f\xc3\xa9\r");
    const std::string line = "a^C^[[A^?\xc3\xa9";
    EXPECT_TRUE(demo.WaitForOutput("device received: " + line + "\r\n")) << demo.output();
    EXPECT_EQ(demo.output(), line + "\r\ndevice received: " + line + "\r\n");
    demo.Type("\x1b\x1b");
    EXPECT_EQ(demo.WaitForEnding(), "exit 0");
    EXPECT_EQ(demo.output().find('\x1b'), std::string::npos) << demo.output();
}

}  // namespace
