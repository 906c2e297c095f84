// Start-up and shutdown: the single-instance lock on private lock files, then the real program
// under a private X server with its own home (refused and simultaneous starts, start-up
// failures and their statuses, the title giving way to the game, and every way it can end).
#include <gtest/gtest.h>
// Xlib's macros after the test framework's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
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
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/VortanExitStatus.h"
#include "engine/platform/VortanSingleInstance.h"
#include "tests/support/RealProgram.h"
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

// The bound of every wait for what a copy of the program does (start, show, end).
const int kBoundSeconds = 60;

bool WaitFor(const std::function<bool()>& condition)
{
    return vtest::WaitUntil(condition, kBoundSeconds * 1000, 20);
}

// A process that tries to take the lock and, when it got it, keeps it until it is told to
// end or is killed. It reports "y" when it holds the lock, else "n" and the owner it was told;
// `take`, when given, takes it in its place (and reports).
class LockHolder {
public:
    explicit LockHolder(const std::string& path, const std::function<std::string()>& take = nullptr)
    {
        int ready[2], stop[2];
        if (pipe(ready) != 0 || pipe(stop) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(ready[0]);
            close(stop[1]);
            CVortanSingleInstance lock;
            std::string answer = take ? take()
                                 : lock.Acquire(path.c_str()) == 0 && lock.IsHeld()
                                     ? "y"
                                     : "n" + std::to_string(lock.GetOwner());
            if (write(ready[1], answer.data(), answer.size()) < 0)
                _exit(1);
            close(ready[1]);
            char c;
            while (read(stop[0], &c, 1) > 0) {}
            _exit(0);
        }
        close(ready[1]);
        close(stop[0]);
        char buffer[32];
        ssize_t n;
        while ((n = read(ready[0], buffer, sizeof(buffer))) > 0)
            answer.append(buffer, (size_t)n);
        close(ready[0]);
        m_stop = stop[1];
    }
    ~LockHolder() { End(); }

    bool Holds() const { return answer == "y"; }
    // Ends normally (its descriptors closed by the exit).
    void End()
    {
        if (m_stop >= 0) {
            close(m_stop);
            m_stop = -1;
            waitpid(pid, nullptr, 0);
        }
    }
    void Kill()
    {
        if (m_stop >= 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            close(m_stop);
            m_stop = -1;
        }
    }

    pid_t pid = -1;
    std::string answer;

private:
    int m_stop = -1;
};

TEST(SingleInstanceLock, TakenWhateverTheFileSays)
{
    vtest::TempDir dir;
    std::string lock = dir.File("app.lock");
    CVortanSingleInstance instance;
    EXPECT_EQ(0, instance.Acquire(lock.c_str())); // missing: created
    EXPECT_TRUE(instance.IsHeld());
    instance.Release();
    EXPECT_EQ(OwnPid(), Read(lock)); // decimal, no line end

    const std::string contents[] = {
        std::to_string(DeadPid()),         // the process is gone
        std::to_string((int)getppid()),    // a live process that holds no lock
        "1",                               // another live one
        OwnPid() /* this very process */,  //
        "",                                //
        "not a pid",                       //
        "0",                               //
        "-42",                             //
        "99999999999999999999",            // beyond any process id
        "123456789012345678901234567890\n" // longer than the id that replaces it
    };
    for (const std::string& text : contents) {
        ASSERT_TRUE(vtest::WriteWholeFile(lock, text));
        EXPECT_EQ(0, instance.Acquire(lock.c_str())) << "'" << text << "'";
        EXPECT_TRUE(instance.IsHeld()) << "'" << text << "'";
        // This process's own reading of the file would let go of its lock: release first.
        instance.Release();
        EXPECT_EQ(OwnPid(), Read(lock)) << "'" << text << "'";
    }
}

TEST(SingleInstanceLock, ALiveHolderStopsTheStartAndIsNamedUntilItEndsHoweverItEnds)
{
    vtest::TempDir dir;
    std::string lock = dir.File("app.lock");
    CVortanSingleInstance mine;
    {
        LockHolder holder(lock);
        ASSERT_TRUE(holder.Holds()) << holder.answer;
        EXPECT_EQ(std::to_string(holder.pid), Read(lock));
        EXPECT_NE(0, mine.Acquire(lock.c_str()));
        EXPECT_FALSE(mine.IsHeld());
        EXPECT_EQ(holder.pid, mine.GetOwner());
        // The lock, not the text, names the holder.
        ASSERT_TRUE(vtest::WriteWholeFile(lock, std::to_string(DeadPid())));
        EXPECT_NE(0, mine.Acquire(lock.c_str()));
        EXPECT_EQ(holder.pid, mine.GetOwner());
        holder.End();
        EXPECT_EQ(0, mine.Acquire(lock.c_str()));
        EXPECT_TRUE(mine.IsHeld());

        // Held here, it stops another process, which is told who holds it.
        LockHolder second(lock);
        EXPECT_EQ("n" + OwnPid(), second.answer);
        mine.Release();
    }
    {
        // A holder killed outright leaves its id in the file but no lock.
        LockHolder holder(lock);
        ASSERT_TRUE(holder.Holds()) << holder.answer;
        holder.Kill();
        EXPECT_EQ(0, mine.Acquire(lock.c_str()));
        mine.Release();
        EXPECT_EQ(OwnPid(), Read(lock));
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
    CVortanSingleInstance instance;
    // Where only a lock of this program's may be taken (a test's own lock file), the link stays.
    EXPECT_EQ(VORTAN_LOCK_NOT_A_LOCK, instance.Acquire(lock.c_str(), true));
    EXPECT_EQ(parent, Read(lock));
    EXPECT_EQ(0, instance.Acquire(lock.c_str()));
    EXPECT_TRUE(instance.IsHeld());
    instance.Release();
    // The link's target is neither read as a lock nor written; the link is replaced by a lock.
    EXPECT_EQ(parent, Read(victim));
    struct stat st;
    ASSERT_EQ(0, lstat(lock.c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(OwnPid(), Read(lock));

    // A dangling link as well.
    ASSERT_EQ(0, unlink(lock.c_str()));
    ASSERT_EQ(0, symlink(dir.File("nowhere").c_str(), lock.c_str()));
    EXPECT_EQ(0, instance.Acquire(lock.c_str()));
    EXPECT_TRUE(instance.IsHeld());
    instance.Release();
    EXPECT_NE(0, access(dir.File("nowhere").c_str(), F_OK));
    EXPECT_EQ(OwnPid(), Read(lock));
}

TEST(SingleInstanceLock, UnusableLockFileDoesNotStopOrHang)
{
    vtest::TempDir dir;
    std::string lock = dir.File("app.lock");
    CVortanSingleInstance instance;
    ASSERT_EQ(0, mkdir(lock.c_str(), 0700));
    EXPECT_EQ(0, instance.Acquire(lock.c_str()));
    EXPECT_FALSE(instance.IsHeld());
    ASSERT_EQ(0, rmdir(lock.c_str()));
    // A named pipe with no writer or reader: opening it must not block.
    ASSERT_EQ(0, mkfifo(lock.c_str(), 0600));
    EXPECT_EQ(0, instance.Acquire(lock.c_str()));
    EXPECT_FALSE(instance.IsHeld());
    EXPECT_EQ(0, instance.Acquire(""));
    EXPECT_EQ(0, instance.Acquire(dir.File("no/such/dir/app.lock").c_str()));
}

// The program's own check: on the machine's one lock file, unless a test names a file of its
// own (ORLO_LOCK_FILE), whatever holds the machine's.
TEST(SingleInstanceLock, TheProgramTakesTheMachinesLockUnlessATestNamesItsOwn)
{
    auto program = [](const char* named) {
        return [named] {
            if (named)
                setenv("ORLO_LOCK_FILE", named, 1);
            else
                unsetenv("ORLO_LOCK_FILE");
            int owner = -1;
            return CheckSingleInstance(&owner) == 0 ? "y" : "n" + std::to_string(owner);
        };
    };
    vtest::TempDir dir;
    const std::string own = dir.File("app.lock");
    LockHolder mine("", program(own.c_str()));
    ASSERT_TRUE(mine.Holds()) << mine.answer;
    EXPECT_EQ(std::to_string(mine.pid), Read(own));
    LockHolder second("", program(own.c_str()));
    EXPECT_EQ("n" + std::to_string(mine.pid), second.answer);

    // Without the name (or with an empty one) the machine's file: the copy takes it, or is
    // told the holder that a look at the file names in the same moment (someone's copy may
    // come and go meanwhile: then again). A file of another user's that no copy holds stops
    // neither.
    for (const char* named : {(const char*)nullptr, ""}) {
        std::string seen;
        EXPECT_TRUE(WaitFor([&] {
            LockHolder copy("", program(named));
            CVortanSingleInstance probe;
            const std::string look =
                probe.Acquire(VORTAN_LOCK_FILE) == 0 ? "y" : "n" + std::to_string(probe.GetOwner());
            probe.Release();
            seen = "copy " + std::to_string(copy.pid) + " " + copy.answer + ", look " + look;
            if (copy.Holds())
                return look == "n" + std::to_string(copy.pid) ||
                       (look == "y" && access(VORTAN_LOCK_FILE, W_OK) != 0);
            return look == copy.answer;
        })) << (named ? "empty name: " : "no name: ")
            << seen;
    }
}

// --- the real program ---------------------------------------------------------------------------

// The exit status of the child, or -1 when it has not ended within the bound.
int WaitExit(pid_t pid)
{
    int status = 0;
    bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The lines the program wrote about itself ("orlogate: ...") in a standard-error log; the
// libraries' own chatter is left out.
std::vector<std::string> ProgramLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(Read(log));
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 10, "orlogate: ") == 0)
            lines.push_back(line.substr(10));
    return lines;
}

// A private copy of the program with links to the build's data packs beside it (the program
// takes its packs from its own directory), so that a test can take packs away or damage them.
class ProgramCopy {
public:
    ProgramCopy()
    {
        std::string program = vtest::BinaryDir() + "/orlogate";
        if (!vtest::WriteWholeFile(Program(), Read(program)) || chmod(Program().c_str(), 0755))
            return;
        DIR* packs = opendir(vtest::BinaryDir().c_str());
        if (!packs)
            return;
        while (struct dirent* entry = readdir(packs)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dmp") == 0)
                symlink((vtest::BinaryDir() + "/" + name).c_str(), Pack(name).c_str());
        }
        closedir(packs);
    }
    std::string Program() const { return m_dir.File("orlogate"); }
    std::string Pack(const std::string& name) const { return m_dir.File(name); }
    void Remove(const std::string& name) { unlink(Pack(name).c_str()); }
    void Damage(const std::string& name)
    {
        Remove(name);
        vtest::WriteWholeFile(Pack(name), "DMP2 is how it starts, but nothing else is right");
    }
    void Restore(const std::string& name)
    {
        Remove(name);
        rmdir(Pack(name).c_str());
        symlink((vtest::BinaryDir() + "/" + name).c_str(), Pack(name).c_str());
    }

private:
    vtest::TempDir m_dir;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = vtest::BinaryDir() + "/orlogate";
        ASSERT_EQ(0, access(program.c_str(), X_OK)) << program;
        ASSERT_TRUE(display.Ok());
        stats = home.Path() + "/.Zorbix/stats.dat";
        x = XOpenDisplay(display.Name().c_str());
        ASSERT_NE(nullptr, x);
    }
    void TearDown() override
    {
        if (x)
            XCloseDisplay(x);
    }

    // Starts the program (this build's, or `path`) with the private home. Its standard error
    // goes to `log` (none: discarded); `inChild` adjusts the environment before the start.
    pid_t Start(const std::string& log = std::string(),
                const std::function<void()>& inChild = nullptr,
                const std::string& path = std::string())
    {
        std::string exe = path.empty() ? program : path;
        std::string before = StatsIdentity();
        pid_t pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Path().c_str(), 1);
            // Mesa's driver keeps allocations it cannot name once unloaded; the program's own
            // memory is checked by the in-process tests.
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            // A lock of its own: it runs beside a copy that someone runs on this machine.
            setenv("ORLO_LOCK_FILE", lock.c_str(), 1);
            if (inChild)
                inChild();
            int null = open("/dev/null", O_WRONLY);
            int err = log.empty() ? null : open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (null >= 0)
                dup2(null, 1);
            if (err >= 0)
                dup2(err, 2);
            execl(exe.c_str(), exe.c_str(), "--ignored-argument", (char*)nullptr);
            _exit(127);
        }
        statsAtStart[pid] = before;
        return pid;
    }

    // Start() with the game's state dump turned on; the dump of an earlier run goes first.
    pid_t StartWithDump(const std::string& log, const std::string& path = std::string())
    {
        unlink(DumpPath().c_str());
        return Start(
            log, [&] { setenv("ORLO_STATE_DUMP", DumpPath().c_str(), 1); }, path);
    }
    std::string DumpPath() const { return logs.File("state.txt"); }
    // The game's menu is up: the dump's first line names it the one screen.
    bool ShowsGameMenu() { return Read(DumpPath()).compare(0, 13, "screens menu\n") == 0; }

    // The settings file's inode and time of change ("" when there is none): every save
    // renames a new file into place.
    std::string StatsIdentity()
    {
        struct stat st;
        if (stat(stats.c_str(), &st) != 0)
            return std::string();
        return std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) + ":" +
               std::to_string(st.st_mtim.tv_nsec);
    }

    // The program's window (WM_CLASS "VortanEngineApp"), or 0.
    Window FindWindow() { return vtest::FindProgramWindow(x); }

    // Waits until the program is up (lock written, window shown, settings saved by this
    // start); its window.
    Window WaitUp(pid_t pid)
    {
        Window window = 0;
        bool up = WaitFor([&] {
            window = FindWindow();
            std::string now = StatsIdentity();
            return window && Read(lock) == std::to_string(pid) && !now.empty() &&
                   now != statsAtStart[pid];
        });
        EXPECT_TRUE(up);
        return up ? window : 0;
    }

    // Whether a tenth of the window's pixels or more are not black.
    bool ShowsAPicture(Window window)
    {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(x, window, &attributes))
            return false;
        XImage* image = XGetImage(x, window, 0, 0, (unsigned)attributes.width,
                                  (unsigned)attributes.height, AllPlanes, ZPixmap);
        if (!image)
            return false;
        long lit = 0;
        for (int y = 0; y < image->height; ++y)
            for (int i = 0; i < image->width; ++i)
                lit += (XGetPixel(image, i, y) & 0xFFFFFF) != 0;
        long all = (long)image->width * image->height;
        XDestroyImage(image);
        return all > 0 && lit * 10 >= all;
    }

    // Runs the program until it is up, then closes its window.
    void RunOnce(const std::function<void(pid_t, Window)>& whileRunning = nullptr)
    {
        pid_t pid = Start();
        ASSERT_GT(pid, 0);
        Window window = WaitUp(pid);
        if (window && whileRunning)
            whileRunning(pid, window);
        if (window)
            vtest::CloseWindow(x, window);
        EXPECT_EQ(0, WaitExit(pid));
        // The file stays behind, naming the process that has ended.
        EXPECT_EQ(std::to_string(pid), Read(lock));
    }

    // The settings file as "name kind value" lines, read by Python.
    std::vector<std::string> ReadStats() { return vtest::ReadStats(stats); }
    std::string Launches()
    {
        for (const std::string& line : ReadStats())
            if (line.compare(0, 23, "__Orlo_TimesLaunched 0 ") == 0)
                return line.substr(23);
        return "none";
    }

    vtest::VirtualDisplay display;
    vtest::TempDir home;
    vtest::TempDir logs;
    const std::string lock = logs.File("orlo_app.lock");
    std::string program;
    std::string stats;
    std::map<pid_t, std::string> statsAtStart;
    Display* x = nullptr;
};

TEST_F(ProgramTest, SecondStartIsRefusedNamingTheRunningCopyAndSettingsCountLaunches)
{
    // A stale lock from an earlier run is taken over.
    ASSERT_TRUE(vtest::WriteWholeFile(lock, std::to_string(DeadPid())));

    RunOnce([&](pid_t first, Window window) {
        std::string log = logs.File("second.log");
        pid_t second = Start(log);
        EXPECT_EQ(0, WaitExit(second));
        EXPECT_EQ((std::vector<std::string>{"another copy is running (process " +
                                            std::to_string(first) + ")"}),
                  ProgramLines(log));
        EXPECT_EQ(std::to_string(first), Read(lock));

        // The window names its process for window managers and task lists.
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        ASSERT_EQ(Success,
                  XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_PID", False), 0, 1, False,
                                     XA_CARDINAL, &type, &format, &count, &after, &data));
        ASSERT_NE(nullptr, data);
        EXPECT_EQ(1ul, count);
        EXPECT_EQ(32, format);
        EXPECT_EQ((long)first, *(long*)data);
        XFree(data);
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

    // The next start takes the file over, counts up and keeps the identity; so does one
    // whose file names a live process that holds no lock (a reused process id).
    RunOnce();
    ASSERT_TRUE(vtest::WriteWholeFile(lock, OwnPid()));
    RunOnce();
    lines = ReadStats();
    ASSERT_EQ(10u, lines.size());
    EXPECT_EQ("__Orlo_TimesLaunched 0 3", lines[7]);
    EXPECT_EQ("__Orlo_UID 2 " + uid, lines[8]);

    // A test's lock file (ORLO_LOCK_FILE) that names someone's file with other text in it stops
    // the start, and the file stays byte for byte as it was.
    const std::string notes = "12345 is the code\n";
    ASSERT_TRUE(vtest::WriteWholeFile(lock, notes));
    EXPECT_EQ(1, WaitExit(Start(logs.File("notes.log"))));
    EXPECT_EQ((std::vector<std::string>{"ORLO_LOCK_FILE names " + lock +
                                        ", which is not a lock file: it is left as it is"}),
              ProgramLines(logs.File("notes.log")));
    EXPECT_EQ(notes, Read(lock));
    EXPECT_EQ("3", Launches());
}

TEST_F(ProgramTest, TwentySimultaneousStartsRunExactlyOneCopyAndCountExactly)
{
    const int kStarts = 20;
    for (int round = 1; round <= 2; ++round) {
        // Every copy waits at a gate that opens for all of them at once.
        int gate[2];
        ASSERT_EQ(0, pipe(gate));
        std::vector<pid_t> pids;
        for (int i = 0; i < kStarts; ++i) {
            pids.push_back(Start(logs.File(std::to_string(i) + ".log"), [&] {
                close(gate[1]);
                char c;
                while (read(gate[0], &c, 1) > 0) {}
                close(gate[0]);
            }));
            ASSERT_GT(pids.back(), 0);
        }
        close(gate[0]);
        close(gate[1]);

        // All but one end at once with 0.
        std::vector<int> statuses(kStarts, -2);
        int ended = 0;
        WaitFor([&] {
            for (int i = 0; i < kStarts; ++i) {
                int status;
                if (statuses[i] == -2 && waitpid(pids[i], &status, WNOHANG) == pids[i]) {
                    statuses[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
                    ++ended;
                }
            }
            return ended >= kStarts - 1;
        });
        ASSERT_EQ(kStarts - 1, ended);
        int running = -1;
        for (int i = 0; i < kStarts; ++i) {
            if (statuses[i] == -2)
                running = i;
            else
                EXPECT_EQ(0, statuses[i]) << i;
        }
        ASSERT_GE(running, 0);
        // Each refused copy named the one that runs.
        const std::string named =
            "another copy is running (process " + std::to_string(pids[running]) + ")";
        for (int i = 0; i < kStarts; ++i) {
            if (i == running)
                continue;
            EXPECT_EQ(std::vector<std::string>{named},
                      ProgramLines(logs.File(std::to_string(i) + ".log")))
                << i;
        }
        Window window = WaitUp(pids[running]);
        ASSERT_NE(0ul, window);
        vtest::CloseWindow(x, window);
        EXPECT_EQ(0, WaitExit(pids[running]));
        EXPECT_EQ(std::to_string(round), Launches()) << "round " << round;
    }
}

TEST_F(ProgramTest, WithoutADisplayTheStartFailsWithStatus2AndCountsNothing)
{
    const std::string absent = ":4242";
    ASSERT_NE(0, access("/tmp/.X11-unix/X4242", F_OK));
    struct Case {
        std::function<void()> environment;
        std::string message;
    };
    const Case cases[] = {
        {[] { unsetenv("DISPLAY"); }, "no X display: DISPLAY is not set"},
        {[] { setenv("DISPLAY", "", 1); }, "no X display: DISPLAY is empty"},
        {[&] { setenv("DISPLAY", absent.c_str(), 1); },
         "cannot open the X display \"" + absent + "\""},
    };
    for (const Case& c : cases) {
        std::string log = logs.File("start.log");
        EXPECT_EQ(VORTAN_EXIT_NO_DISPLAY, WaitExit(Start(log, c.environment)));
        EXPECT_EQ(std::vector<std::string>{c.message}, ProgramLines(log));
    }
    EXPECT_FALSE(vtest::Exists(stats));
}

TEST_F(ProgramTest, AnUnusableLanguagePackStopsTheStartWithItsStatusAndCountsNothing)
{
    ProgramCopy copy;
    const std::string pack = "orlolanguage_0000.dmp";
    pid_t pid = Start(std::string(), nullptr, copy.Program());
    Window window = WaitUp(pid);
    ASSERT_NE(0ul, window);
    vtest::CloseWindow(x, window);
    ASSERT_EQ(0, WaitExit(pid));
    ASSERT_EQ("1", Launches());

    struct Case {
        std::function<void()> spoil;
        int status;
        std::string problem;
    };
    const Case cases[] = {
        {[&] { copy.Damage(pack); }, VORTAN_EXIT_PACK_DAMAGED, "is damaged"},
        {[&] { copy.Remove(pack); }, VORTAN_EXIT_PACK_MISSING, "is missing"},
        {[&] {
             copy.Remove(pack);
             mkdir(copy.Pack(pack).c_str(), 0755);
         },
         VORTAN_EXIT_PACK_UNREADABLE, "cannot be read"},
    };
    for (const Case& c : cases) {
        c.spoil();
        std::string log = logs.File("start.log");
        EXPECT_EQ(c.status, WaitExit(Start(log, nullptr, copy.Program())));
        EXPECT_EQ(std::vector<std::string>{"language pack " + copy.Pack(pack) + " " + c.problem},
                  ProgramLines(log));
        copy.Restore(pack);
    }
    EXPECT_EQ("1", Launches());
}

TEST_F(ProgramTest, MissingOrDamagedFontPacksStopTheStart)
{
    ProgramCopy copy;
    const char* sizes[] = {"640", "480", "360", "320", "240"};
    for (const char* size : sizes)
        copy.Remove(std::string("orlofonts_") + size + ".dmp");
    std::string log = logs.File("start.log");
    EXPECT_EQ(VORTAN_EXIT_PACK_MISSING, WaitExit(Start(log, nullptr, copy.Program())));
    EXPECT_EQ(
        std::vector<std::string>{"font pack " + copy.Pack("orlofonts_<size>.dmp") + " is missing"},
        ProgramLines(log));

    copy.Damage("orlofonts_320.dmp");
    EXPECT_EQ(VORTAN_EXIT_PACK_DAMAGED, WaitExit(Start(log, nullptr, copy.Program())));
    EXPECT_EQ(
        std::vector<std::string>{"font pack " + copy.Pack("orlofonts_320.dmp") + " is damaged"},
        ProgramLines(log));
}

TEST_F(ProgramTest, AnUnusableTitlePackIsToldAndTheProgramGoesOnIntoTheGame)
{
    ProgramCopy copy;
    struct Case {
        std::function<void()> spoil;
        std::string problem;
    };
    const Case cases[] = {
        {[&] { copy.Damage("title.dmp"); }, "is damaged"},
        {[&] { copy.Remove("title.dmp"); }, "is missing"},
    };
    int launches = 0;
    for (const Case& c : cases) {
        c.spoil();
        std::string log = logs.File("start.log");
        pid_t pid = StartWithDump(log, copy.Program());
        // The intro plays; with no title to show, the game follows at once.
        Window window = WaitUp(pid);
        ASSERT_NE(0ul, window);
        EXPECT_TRUE(WaitFor([&] { return ShowsGameMenu(); })) << Read(DumpPath());
        vtest::CloseWindow(x, window);
        EXPECT_EQ(0, WaitExit(pid));
        EXPECT_EQ(
            std::vector<std::string>{"title pack " + copy.Pack("title.dmp") + " " + c.problem},
            ProgramLines(log));
        EXPECT_EQ(std::to_string(++launches), Launches());
    }
}

TEST_F(ProgramTest, TheTitleGivesWayToTheHostedGameAndAClose)
{
    std::string log = logs.File("run.log");
    pid_t pid = StartWithDump(log);
    Window window = WaitUp(pid);
    ASSERT_NE(0ul, window);
    // The title's picture, then the game's menu (the game's own test follows it on from there);
    // the program runs on until its window is closed.
    EXPECT_TRUE(WaitFor([&] { return ShowsAPicture(window); }));
    EXPECT_TRUE(WaitFor([&] { return ShowsGameMenu(); })) << Read(DumpPath());
    EXPECT_EQ(0, waitpid(pid, nullptr, WNOHANG));
    ASSERT_EQ(0, unlink(stats.c_str()));
    vtest::CloseWindow(x, window);
    EXPECT_EQ(0, WaitExit(pid));
    EXPECT_TRUE(ProgramLines(log).empty());
    // The shutdown saved the settings.
    EXPECT_EQ(0, access(stats.c_str(), F_OK));
}

TEST_F(ProgramTest, ADamagedIntroPackIsToldAndTheProgramGoesOn)
{
    ProgramCopy copy;
    copy.Damage("orlointro.dmp");
    std::string log = logs.File("start.log");
    pid_t pid = Start(log, nullptr, copy.Program());
    Window window = WaitUp(pid);
    ASSERT_NE(0ul, window);
    // The black intro gives way to the title's picture.
    EXPECT_TRUE(WaitFor([&] { return ShowsAPicture(window); }));
    EXPECT_EQ(0, waitpid(pid, nullptr, WNOHANG));
    vtest::CloseWindow(x, window);
    EXPECT_EQ(0, WaitExit(pid));
    EXPECT_EQ(std::vector<std::string>{"intro pack " + copy.Pack("orlointro.dmp") + " is damaged"},
              ProgramLines(log));
}

TEST_F(ProgramTest, StopSignalsEndTheProgramAsACloseDoes)
{
    int launches = 0;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::string log = logs.File("run.log");
        pid_t pid = Start(log);
        ASSERT_NE(0ul, WaitUp(pid)) << signal;
        ++launches;
        // The shutdown writes the settings again.
        ASSERT_EQ(0, unlink(stats.c_str()));
        kill(pid, signal);
        EXPECT_EQ(0, WaitExit(pid)) << signal;
        EXPECT_EQ(std::to_string(launches), Launches()) << signal;
        EXPECT_TRUE(ProgramLines(log).empty()) << signal;
    }
}

TEST_F(ProgramTest, ADestroyedWindowEndsTheProgramAsACloseDoes)
{
    std::string log = logs.File("run.log");
    pid_t pid = Start(log);
    Window window = WaitUp(pid);
    ASSERT_NE(0ul, window);
    ASSERT_EQ(0, unlink(stats.c_str()));
    XDestroyWindow(x, window);
    XFlush(x);
    EXPECT_EQ(0, WaitExit(pid));
    EXPECT_EQ("1", Launches());
    EXPECT_TRUE(ProgramLines(log).empty());
    // Nothing is left holding the lock.
    RunOnce();
}

TEST_F(ProgramTest, ALostDisplayConnectionSavesTheSettingsAndEndsWithStatus7)
{
    std::string log = logs.File("run.log");
    pid_t pid = Start(log);
    Window window = WaitUp(pid);
    ASSERT_NE(0ul, window);
    ASSERT_EQ(0, unlink(stats.c_str()));
    // The server drops the program's connection, as a window manager's kill does.
    XKillClient(x, window);
    XFlush(x);
    EXPECT_EQ(VORTAN_EXIT_DISPLAY_LOST, WaitExit(pid));
    EXPECT_EQ("1", Launches());
    EXPECT_EQ(
        std::vector<std::string>{"lost the connection to the X display \"" + display.Name() + "\""},
        ProgramLines(log));
}

} // namespace
