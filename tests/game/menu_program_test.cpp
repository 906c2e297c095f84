// The built program on a private X server with a private home, driven as a person would with
// xdotool and watched through the window's pixels. With the stand-in lobby: the title gives way
// to the online menu, which logs in as a guest and hides over the game's menu; the credits roll
// and close, the story intro plays and is skipped, the training picker shows its hint and then
// its scenes, the first scene is won by dragging the squib (found where the game's state dump
// says it is) and the second opens, the Orlo button shows the online menu and hides it again,
// the game menu's exit logs out onto the login page, and closing the window ends the program
// cleanly. Without a lobby the login error page shows. With VEX_SHOTS set the screens are kept
// as pictures.
#include <gtest/gtest.h>
// Xlib's macros after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <math.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/VortanSingleInstance.h"
#include "tests/online/StandInProcess.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VirtualDisplay.h"

namespace {

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

// The program holds one machine-wide lock file: runs of the real program take turns.
struct MachineLockTurn {
    MachineLockTurn()
        : fd(open("/tmp/orlogate_startup_test.turn", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        flock(fd, LOCK_EX);
    }
    ~MachineLockTurn() { close(fd); }
    int fd;
};

// Mean colour of a box of the window.
struct Colour {
    double r = 0, g = 0, b = 0;
    double Brightness() const { return (r + g + b) / 3; }
};

class ProgramMenu : public ::testing::Test {
protected:
    // Whether the stand-in lobby runs beside the program.
    virtual bool WithLobby() const { return true; }
    void SetUp() override
    {
        ASSERT_TRUE(display.Ok());
        x = XOpenDisplay(display.Name().c_str());
        ASSERT_NE(nullptr, x);
        const std::string program = vtest::BinaryDir() + "/orlogate";
        ASSERT_EQ(0, access(program.c_str(), X_OK)) << program;
        // A copy of the program that someone runs on this machine holds the one lock.
        if (!WaitFor(
                [] {
                    CVortanSingleInstance probe;
                    const bool free = probe.Acquire(VORTAN_LOCK_FILE) == 0;
                    probe.Release();
                    return free;
                },
                30))
            GTEST_SKIP() << "the program is running on this machine";
        const std::string dump = DumpPath();
        // The lobby's address: the stand-in's, or a port where nothing listens.
        std::string lobby = "127.0.0.1:1";
        if (WithLobby()) {
            server.reset(new ntest::StandIn(state.Path(), 0, 0));
            ASSERT_GT(server->lobby, 0);
            lobby = "127.0.0.1:" + std::to_string(server->lobby);
        }
        pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Path().c_str(), 1);
            setenv("ORLO_LOBBY", lobby.c_str(), 1);
            setenv("DISPLAY", display.Name().c_str(), 1);
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            setenv("ORLO_STATE_DUMP", dump.c_str(), 1);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(program.c_str(), program.c_str(), (char*)nullptr);
            _exit(127);
        }
        ASSERT_TRUE(WaitFor([&] { return (window = FindWindow()) != 0; }, 60));
    }
    void TearDown() override
    {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (x)
            XCloseDisplay(x);
    }
    Window FindWindow()
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
    Colour Mean(int l, int t, int r, int b)
    {
        Colour c;
        XImage* image =
            XGetImage(x, window, l, t, (unsigned)(r - l), (unsigned)(b - t), AllPlanes, ZPixmap);
        if (!image)
            return c;
        for (int y = 0; y < image->height; ++y)
            for (int i = 0; i < image->width; ++i) {
                unsigned long p = XGetPixel(image, i, y);
                c.r += (p >> 16) & 255;
                c.g += (p >> 8) & 255;
                c.b += p & 255;
            }
        const double n = (double)image->width * image->height;
        c.r /= n;
        c.g /= n;
        c.b /= n;
        XDestroyImage(image);
        return c;
    }
    // The menu's online battle button (green, a white arrow on it) at the screen's centre.
    bool ShowsMenu()
    {
        Colour c = Mean(322, 232, 336, 246); // left of the white arrow
        return c.g > c.r + 60 && c.g > c.b + 60;
    }
    // The Orlo button: its orange disc left of the gate in the top left corner.
    bool ShowsOrloButton()
    {
        Colour c = Mean(18, 44, 22, 48);
        return c.r > 200 && c.g > 100 && c.g < 170 && c.b < 80;
    }
    // The login page: the user name field's pale bar on the dark blue page.
    bool ShowsLoginPage()
    {
        Colour field = Mean(300, 140, 500, 150), page = Mean(300, 300, 500, 310);
        return field.Brightness() > 220 && page.b > page.r + 20 && page.Brightness() < 80;
    }
    // The login error page: dark red.
    bool ShowsLoginError()
    {
        Colour c = Mean(0, 200, 800, 210);
        return c.r > c.b + 20 && c.r > c.g + 20;
    }
    bool Dark(int l, int t, int r, int b, double below)
    {
        return Mean(l, t, r, b).Brightness() < below;
    }
    void Click(int px, int py)
    {
        // Held a little: a press and release within one game step would be no touch.
        EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mousemove", "--sync", std::to_string(px),
                                        std::to_string(py), "mousedown", "1", "sleep", "0.15",
                                        "mouseup", "1"}));
    }
    // The values of a line of a state dump ("key value..."), empty without it.
    static std::vector<std::string> Dumped(const std::string& dump, const std::string& key)
    {
        std::istringstream in(dump);
        std::vector<std::string> values;
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string word;
            if (!(words >> word) || word != key)
                continue;
            while (words >> word)
                values.push_back(word);
        }
        return values;
    }
    // The player's squib on the screen, from the dump, during the player's turn.
    bool DumpedSquib(int& cx, int& cy)
    {
        // One read: the game replaces the whole file at once.
        const std::string dump = vtest::ReadWholeFile(DumpPath());
        const std::vector<std::string> at = Dumped(dump, "squib0_screen");
        if (Dumped(dump, "screens") != std::vector<std::string>{"play"} ||
            Dumped(dump, "round_state") != std::vector<std::string>{"7"} ||
            Dumped(dump, "turn_active") != std::vector<std::string>{"1"} || at.size() != 2)
            return false;
        cx = atoi(at[0].c_str());
        cy = atoi(at[1].c_str());
        return true;
    }
    std::string DumpPath() const { return home.File("state.txt"); }
    // The aim of the first turn of the first scene's winning line, kept beside its source.
    static bool FirstWinningAim(float& x, float& y)
    {
        std::istringstream in(
            vtest::ReadWholeFile(std::string(VORTAN_SOURCE_DIR) + "/data/scenes/01.txt"));
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string hash, tag;
            int button = 0;
            if (words >> hash >> tag && hash == "#" && tag == "win:" && words >> button >> x >> y)
                return button == 2; // the jump
        }
        return false;
    }
    // Presses at (x0, y0), moves to (x1, y1) in small steps and lets go there.
    void Drag(int x0, int y0, int x1, int y1)
    {
        std::vector<std::string> argv{
            "xdotool", "mousemove", "--sync", std::to_string(x0), std::to_string(y0), "mousedown",
            "1",       "sleep",     "0.2"};
        for (int k = 1; k <= 8; ++k) {
            argv.insert(argv.end(), {"mousemove", "--sync", std::to_string(x0 + (x1 - x0) * k / 8),
                                     std::to_string(y0 + (y1 - y0) * k / 8), "sleep", "0.1"});
        }
        argv.insert(argv.end(), {"sleep", "0.3", "mouseup", "1"});
        EXPECT_EQ(0, vtest::RunProgram(argv));
    }
    void Keep(const std::string& name)
    {
        const char* dir = getenv("VEX_SHOTS");
        if (dir)
            vtest::RunProgram(
                {"import", "-window", "root", std::string(dir) + "/" + name + ".png"});
    }
    void Close()
    {
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

    MachineLockTurn turn;
    vtest::VirtualDisplay display;
    vtest::TempDir home;
    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> server;
    Display* x = nullptr;
    Window window = 0;
    pid_t pid = -1;
};

TEST_F(ProgramMenu, FromTheTitleThroughTheGamesMenuCreditsIntroAndTrainingToAClose)
{
    const auto start = std::chrono::steady_clock::now();
    // The title, then the game's menu once its assets are loaded (s = 100 on 800 x 480).
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 60));
    Keep("run_menu");
    // The welcome toast slides over the bottom of the screen and takes the taps there: the sea
    // shows again once it has gone.
    ASSERT_TRUE(WaitFor([&] { return Mean(100, 450, 300, 470).b > 80; }, 20));

    // The credits roll over the darkened menu (the Orlo button and its hint stay bright at the
    // top left); their close button brings the menu back.
    Click(190, 260);
    ASSERT_TRUE(WaitFor([&] { return !ShowsMenu() && Dark(400, 0, 800, 100, 60); }, 10));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    Keep("run_credits");
    Click(400, 440);
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 10));

    // The intro: black left of the strip coming in from the right, the skip button ends it;
    // the menu comes back once the assets are loaded again.
    Click(295, 325);
    ASSERT_TRUE(
        WaitFor([&] { return Dark(100, 100, 300, 360, 5) && !Dark(650, 60, 790, 360, 30); }, 10));
    Keep("run_intro");
    Click(400, 432);
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 30));

    // Training: the hint darkens the picker, then the fifteen scenes (the first open).
    Click(255, 170); // the training button where no other button overlaps it
    ASSERT_TRUE(WaitFor([&] { return !ShowsMenu(); }, 10));
    Keep("run_training_hint");
    std::this_thread::sleep_for(std::chrono::milliseconds(5500));
    Keep("run_training");
    Colour first = Mean(230, 170, 250, 190), second = Mean(310, 170, 330, 190);
    // Scene 2 is locked: drawn at half opacity, the picture behind shows through.
    EXPECT_GT(fabs(first.Brightness() - second.Brightness()), 10.0);

    // The first scene, won with its winning line: the jump, aimed by dragging back from the
    // squib, where the game's state dump puts it on the screen once the view rests.
    Click(240, 180);
    int squibX = 0, squibY = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            int x1 = 0, y1 = 0, x2 = -1, y2 = -1;
            if (!DumpedSquib(x1, y1))
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            if (!DumpedSquib(x2, y2) || x1 != x2 || y1 != y2)
                return false; // the view still moves
            squibX = x2;
            squibY = y2;
            return true;
        },
        20));
    Keep("run_battle");
    // The drag d from the finger to the squib gives the aim (-d.x, d.y) x (|d| - 40) x 0.75 /
    // (200 |d|) on this screen, 40 pixels being the squib's own touch radius.
    float aimX = 0.0f, aimY = 0.0f;
    ASSERT_TRUE(FirstWinningAim(aimX, aimY));
    const float aim = hypotf(aimX, aimY), drag = aim * 200.0f / 0.75f + 40.0f;
    const int toX = (int)lroundf(squibX + aimX / aim * drag);
    const int toY = (int)lroundf(squibY - aimY / aim * drag);
    Drag(squibX, squibY, toX, toY);
    // Won: the next button (green, below the middle) comes up.
    ASSERT_TRUE(WaitFor(
        [&] {
            Colour next = Mean(370, 345, 380, 355);
            return next.g > next.r + 40 && next.g > next.b + 40;
        },
        30));
    Keep("run_won");
    Click(400, 360);
    // The picker again: the second scene open now, the third still locked.
    ASSERT_TRUE(WaitFor(
        [&] {
            Colour next = Mean(370, 345, 380, 355);
            return !(next.g > next.r + 40 && next.g > next.b + 40);
        },
        10));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Keep("run_training_after");
    Colour two = Mean(310, 170, 330, 190), three = Mean(390, 170, 410, 190);
    EXPECT_GT(fabs(two.Brightness() - three.Brightness()), 10.0);
    EXPECT_LT(fabs(two.Brightness() - Mean(230, 170, 250, 190).Brightness()), 10.0);
    Click(400, 440);
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 10));

    // The Orlo button (top left) shows the online menu over the game and hides it again.
    ASSERT_TRUE(WaitFor([&] { return ShowsOrloButton(); }, 10));
    Click(50, 50);
    ASSERT_TRUE(WaitFor([&] { return !ShowsMenu() && ShowsLoginPage(); }, 10));
    Keep("run_online_menu");
    Click(50, 50);
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 10));

    // The game menu's exit logs out onto the login page, the Orlo button hidden.
    Click(505, 325);
    ASSERT_TRUE(WaitFor([&] { return ShowsLoginPage() && !ShowsOrloButton(); }, 10));
    Keep("run_logged_out");
    EXPECT_EQ(0, waitpid(pid, nullptr, WNOHANG));

    Close();
    int status = -1;
    ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30));
    pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("real_seconds", (int)seconds.count());
}

class ProgramWithoutLobby : public ProgramMenu {
protected:
    bool WithLobby() const override { return false; }
};

TEST_F(ProgramWithoutLobby, TheLoginErrorPageShowsAndAClose)
{
    ASSERT_TRUE(WaitFor([&] { return ShowsLoginError(); }, 60));
    Keep("run_no_lobby");
    EXPECT_FALSE(ShowsOrloButton());
    Close();
    int status = -1;
    ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30));
    pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
