// Start-up: the single-instance lock on private lock files (live, dead, empty, foreign and own
// process ids, links, odd file types), then the real program under a private X server with
// its own home directory: the second start ends at once with 0, closing the window ends the
// program with 0, and the settings file of the first start holds the default keys in order
// (read back by an independent Python reader); the launch counter counts up on the next start.
#include <gtest/gtest.h>
// Xlib's macros after the test framework's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/VortanSingleInstance.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VirtualDisplay.h"

namespace {

std::string Read(const std::string& path)
{
    return vtest::ReadWholeFile(path);
}
std::string OwnPid()
{
    return std::to_string((int)getpid());
}

// A process id that certainly belonged to a process that has ended.
int DeadPid()
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return (int)pid;
}

TEST(SingleInstanceLock, LivePidStopsTheStartStaleContentsAreTakenOver)
{
    vtest::TempDir dir;
    std::string lock = dir.File("app.lock");
    EXPECT_EQ(0, CheckSingleInstanceAt(lock.c_str())); // missing: created
    EXPECT_EQ(OwnPid(), Read(lock));                   // decimal, no line end
    std::string parent = std::to_string((int)getppid());
    ASSERT_TRUE(vtest::WriteWholeFile(lock, parent));
    EXPECT_NE(0, CheckSingleInstanceAt(lock.c_str()));
    EXPECT_EQ(parent, Read(lock));
    const std::string stale[] = {
        std::to_string(DeadPid()), // the process is gone
        "",
        "not a pid",
        OwnPid() /* this very process */,
        "0",
        "-42",
        "99999999999999999999", // beyond any process id
    };
    for (const std::string& contents : stale) {
        ASSERT_TRUE(vtest::WriteWholeFile(lock, contents));
        EXPECT_EQ(0, CheckSingleInstanceAt(lock.c_str())) << "'" << contents << "'";
        EXPECT_EQ(OwnPid(), Read(lock)) << "'" << contents << "'";
    }
}

TEST(SingleInstanceLock, LinksAreNotFollowed)
{
    vtest::TempDir dir;
    std::string lock = dir.File("app.lock");
    std::string victim = dir.File("victim.txt");
    std::string parent = std::to_string((int)getppid());
    ASSERT_TRUE(vtest::WriteWholeFile(victim, parent));
    ASSERT_EQ(0, symlink(victim.c_str(), lock.c_str()));
    EXPECT_EQ(0, CheckSingleInstanceAt(lock.c_str()));
    // The link's target is neither read as a lock nor written; the link is replaced by a lock.
    EXPECT_EQ(parent, Read(victim));
    struct stat st;
    ASSERT_EQ(0, lstat(lock.c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(OwnPid(), Read(lock));

    // A dangling link as well.
    ASSERT_EQ(0, unlink(lock.c_str()));
    ASSERT_EQ(0, symlink(dir.File("nowhere").c_str(), lock.c_str()));
    EXPECT_EQ(0, CheckSingleInstanceAt(lock.c_str()));
    EXPECT_NE(0, access(dir.File("nowhere").c_str(), F_OK));
    EXPECT_EQ(OwnPid(), Read(lock));
}

TEST(SingleInstanceLock, UnwritableOrOddLockDoesNotStopOrHang)
{
    vtest::TempDir dir;
    std::string lock = dir.File("app.lock");
    ASSERT_EQ(0, mkdir(lock.c_str(), 0700));
    EXPECT_EQ(0, CheckSingleInstanceAt(lock.c_str()));
    ASSERT_EQ(0, rmdir(lock.c_str()));
    // A named pipe with no writer or reader: opening it must not block.
    ASSERT_EQ(0, mkfifo(lock.c_str(), 0600));
    EXPECT_EQ(0, CheckSingleInstanceAt(lock.c_str()));
    EXPECT_EQ(0, CheckSingleInstanceAt(""));
}

// The program holds the one machine-wide lock file; concurrent runs of this test (other build
// directories) take turns.
struct MachineLockTurn {
    MachineLockTurn()
        : fd(open("/tmp/orlogate_startup_test.turn", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        flock(fd, LOCK_EX);
    }
    ~MachineLockTurn() { close(fd); }
    int fd;
};

bool WaitFor(const std::function<bool()>& condition, int seconds)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// The exit status of the child, or -1 when it has not ended within the time.
int WaitExit(pid_t pid, int seconds)
{
    int status = 0;
    bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = vtest::BinaryDir() + "/orlogate";
        ASSERT_EQ(0, access(program.c_str(), X_OK)) << program;
        ASSERT_TRUE(display.Ok());
        // Someone's own copy of the program running on this machine holds the lock.
        std::string holder = Read(VORTAN_LOCK_FILE);
        if (!holder.empty() && holder != OwnPid() && atoi(holder.c_str()) > 0 &&
            access(("/proc/" + holder).c_str(), F_OK) == 0)
            GTEST_SKIP() << "the program is running on this machine";
        if (access(VORTAN_LOCK_FILE, F_OK) == 0 && access(VORTAN_LOCK_FILE, W_OK) != 0)
            GTEST_SKIP() << VORTAN_LOCK_FILE << " belongs to another user";
        stats = home.Path() + "/.Zorbix/stats.dat";
    }

    pid_t Start(bool withDisplay = true)
    {
        pid_t pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Path().c_str(), 1);
            if (!withDisplay)
                unsetenv("DISPLAY");
            // Mesa's driver keeps allocations it cannot name once unloaded; the program's own
            // memory is checked by the in-process tests.
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
            execl(program.c_str(), program.c_str(), "--ignored-argument", (char*)nullptr);
            _exit(127);
        }
        return pid;
    }

    // The program's window (WM_CLASS "VortanEngineApp"), or 0.
    static Window FindWindow(Display* x)
    {
        Window root = DefaultRootWindow(x), parent, *children = nullptr, found = 0;
        unsigned int count = 0;
        if (!XQueryTree(x, root, &root, &parent, &children, &count))
            return 0;
        for (unsigned int i = 0; i < count && !found; ++i) {
            XClassHint hint;
            if (XGetClassHint(x, children[i], &hint)) {
                found = strcmp(hint.res_name, "VortanEngineApp") == 0 ? children[i] : 0;
                XFree(hint.res_name);
                XFree(hint.res_class);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    // Runs the program until it is up (lock written, settings saved, window shown), then
    // closes its window the way a window manager does.
    void RunOnce(const std::function<void(pid_t)>& whileRunning)
    {
        pid_t pid = Start();
        ASSERT_GT(pid, 0);
        Display* x = XOpenDisplay(display.Name().c_str());
        ASSERT_NE(nullptr, x);
        Window window = 0;
        bool up = WaitFor(
            [&] {
                window = FindWindow(x);
                return window && Read(VORTAN_LOCK_FILE) == std::to_string(pid) &&
                       access(stats.c_str(), F_OK) == 0;
            },
            60);
        EXPECT_TRUE(up);
        if (up && whileRunning)
            whileRunning(pid);
        if (window) {
            XEvent event = {};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = (long)XInternAtom(x, "WM_DELETE_WINDOW", False);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(x, window, False, NoEventMask, &event);
            XFlush(x);
        }
        EXPECT_EQ(0, WaitExit(pid, 60));
        XCloseDisplay(x);
        // The lock stays behind, naming the process that has ended.
        EXPECT_EQ(std::to_string(pid), Read(VORTAN_LOCK_FILE));
    }

    // The settings file as "name kind value" lines, read by Python.
    std::vector<std::string> ReadStats()
    {
        const char* reader = R"PY(
import struct, sys
d = open(sys.argv[1], 'rb').read()
version, count = struct.unpack_from('<ii', d, 0)
o = 8
def text():
    global o
    n, = struct.unpack_from('<i', d, o)
    o += 4 + 2 * n
    return d[o - 2 * n:o].decode('utf-16-le')
print('version', version)
for i in range(count):
    name = text()
    kind, = struct.unpack_from('<h', d, o); o += 2
    if kind == 2:
        value = text()
    else:
        value, = struct.unpack_from('<i', d, o); o += 4
    print(name, kind, value)
print('end', o == len(d))
)PY";
        std::string out;
        EXPECT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", reader, stats}, &out));
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    MachineLockTurn turn;
    vtest::VirtualDisplay display;
    vtest::TempDir home;
    std::string program;
    std::string stats;
};

TEST_F(ProgramTest, SecondInstanceEndsAtOnceAndSettingsCountLaunches)
{
    // A stale lock from an earlier run is taken over.
    ASSERT_TRUE(vtest::WriteWholeFile(VORTAN_LOCK_FILE, std::to_string(DeadPid())));

    RunOnce([&](pid_t first) {
        pid_t second = Start();
        EXPECT_EQ(0, WaitExit(second, 30));
        EXPECT_EQ(std::to_string(first), Read(VORTAN_LOCK_FILE));
    });

    std::vector<std::string> lines = ReadStats();
    ASSERT_EQ(10u, lines.size());
    // No IMEI on this machine: a random identity "f0" + 30 hex digits + "0f".
    const std::string uid = lines[8].substr(std::min<size_t>(lines[8].size(), 13));
    EXPECT_EQ(
        (std::vector<std::string>{"version 1", "__Orlo_Language 2 en", "__Orlo_Sounds_Mute 1 1",
                                  "__Orlo_Sounds_Volume 0 -2000", "__Orlo_Music_Mute 1 1",
                                  "__Orlo_Music_Volume 0 -2000", "__Orlo_Vibrations 1 1",
                                  "__Orlo_TimesLaunched 0 1", "__Orlo_UID 2 " + uid, "end True"}),
        lines);
    ASSERT_EQ(34u, uid.size());
    EXPECT_EQ("f0", uid.substr(0, 2));
    EXPECT_EQ("0f", uid.substr(32));
    EXPECT_EQ(std::string::npos, uid.substr(2, 30).find_first_not_of("0123456789abcdef"));

    // The next start takes the dead lock over, counts up and keeps the identity.
    RunOnce(nullptr);
    lines = ReadStats();
    ASSERT_EQ(10u, lines.size());
    EXPECT_EQ("__Orlo_TimesLaunched 0 2", lines[7]);
    EXPECT_EQ("__Orlo_UID 2 " + uid, lines[8]);

    // While another live process holds the lock the program ends at once, touching nothing.
    ASSERT_TRUE(vtest::WriteWholeFile(VORTAN_LOCK_FILE, OwnPid()));
    std::string before = Read(stats);
    EXPECT_EQ(0, WaitExit(Start(), 30));
    EXPECT_EQ(before, Read(stats));
    EXPECT_EQ(OwnPid(), Read(VORTAN_LOCK_FILE));
    vtest::WriteWholeFile(VORTAN_LOCK_FILE, std::to_string(DeadPid()));
}

TEST_F(ProgramTest, FailedStartEndsWithZero)
{
    ASSERT_TRUE(vtest::WriteWholeFile(VORTAN_LOCK_FILE, std::to_string(DeadPid())));
    // No X server to open a window on.
    EXPECT_EQ(0, WaitExit(Start(false), 30));
}

} // namespace
