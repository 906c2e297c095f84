// The built program on a private X server with a private home, driven as a person would with
// xdotool and watched through the window's pixels. With the stand-in lobby: the title gives way
// to the online menu, which logs in as a guest and hides over the game's menu; the credits roll
// and close, the story intro plays and is skipped, the training picker shows its hint and then
// its scenes, the Orlo button shows the online menu and hides it again, the game menu's exit
// logs out onto the login page, and closing the window ends the program cleanly. Without a
// lobby the login error page shows. With VEX_SHOTS set the screens are kept as pictures.
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
#include <string>
#include <thread>

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
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(100));
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
