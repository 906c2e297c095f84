// The built program run as a new user would run it: on a private X server with a private home
// and the stand-in lobby, driven with xdotool. The Orlo button opens the login page, a new
// player registers (name, terms, e-mail and password typed), gets the thank-you page and the
// start page; closed and started again, the program logs the account in by itself.
#include <gtest/gtest.h>
// Xlib's macros after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
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

class ProgramRegistration : public ::testing::Test {
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
    // The process of the program: started, and the window found.
    void StartProgram()
    {
        pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Path().c_str(), 1);
            setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(server->lobby)).c_str(), 1);
            setenv("DISPLAY", display.Name().c_str(), 1);
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string program = vtest::BinaryDir() + "/orlogate";
            execl(program.c_str(), program.c_str(), (char*)nullptr);
            _exit(127);
        }
        ASSERT_TRUE(WaitFor([&] { return (window = FindWindow()) != 0; }, 60));
    }
    void StopProgram()
    {
        Close();
        int status = -1;
        ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30));
        pid = -1;
        window = 0;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    void Type(const std::string& text)
    {
        EXPECT_EQ(0, vtest::RunProgram({"xdotool", "type", "--delay", "40", text}));
    }
    // The stand-in's answer to a control line (its third port).
    std::string Control(const std::string& line)
    {
        std::ifstream ports(state.Path() + "/ports.0");
        int lobby = 0, game = 0, control = 0;
        ports >> lobby >> game >> control;
        std::string answer;
        vtest::RunProgram({vtest::Python(), "-c",
                           "import socket,sys\n"
                           "s=socket.create_connection(('127.0.0.1',int(sys.argv[1])))\n"
                           "s.sendall((sys.argv[2]+'\\n').encode())\n"
                           "print(s.makefile().readline().strip())",
                           std::to_string(control), line},
                          &answer);
        while (!answer.empty() && answer.back() == '\n')
            answer.pop_back();
        return answer;
    }
};

TEST_F(ProgramRegistration, ANewPlayerRegistersIsLoggedInAndIsLoggedInAloneOnTheNextStart)
{
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 60));
    ASSERT_TRUE(WaitFor([&] { return ShowsOrloButton(); }, 20));
    // The welcome toast slides over the bottom of the screen and takes the taps there: the sea
    // shows again once it has gone.
    ASSERT_TRUE(WaitFor([&] { return Mean(100, 450, 300, 470).b > 80; }, 20));
    // A guest: the Orlo button opens the login page.
    Click(50, 50);
    ASSERT_TRUE(WaitFor([&] { return ShowsLoginPage(); }, 10));
    Keep("register_login");
    Click(360, 412); // new player
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    Click(400, 168);
    Type("typedplayer");
    Click(580, 392); // next: the lobby checks the name
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Keep("register_terms");
    Click(208, 292); // agree
    Click(580, 392); // next
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    Click(400, 158);
    Type("typed@example.org");
    Click(400, 264);
    Type("pass1234");
    Keep("register_email");
    Click(580, 392); // create the account
    ASSERT_TRUE(WaitFor(
        [&] {
            return vtest::ReadWholeFile(state.Path() + "/state.json").find("typedplayer|") !=
                   std::string::npos;
        },
        20));

    // The stand-in keeps the account with the hash of the password and its salt.
    const std::string accounts = vtest::ReadWholeFile(state.Path() + "/state.json");
    const size_t at = accounts.find("typedplayer|");
    ASSERT_NE(std::string::npos, at) << accounts;
    std::string line = accounts.substr(at, accounts.find('"', at) - at);
    std::vector<std::string> fields;
    for (size_t from = 0;;) {
        size_t bar = line.find('|', from);
        fields.push_back(line.substr(from, bar - from));
        if (bar == std::string::npos)
            break;
        from = bar + 1;
    }
    ASSERT_GE(fields.size(), 4u);
    std::string md5;
    vtest::RunProgram({vtest::Python(), "-c",
                       "import hashlib,sys;print(hashlib.md5(sys.argv[1].encode()).hexdigest())",
                       "pass1234" + fields[1]},
                      &md5);
    EXPECT_EQ(fields[2] + "\n", md5);
    const std::string id = fields[3];
    // Logged in with the new account: the thank-you page shows.
    EXPECT_TRUE(WaitFor(
        [&] { return (" " + Control("online") + " ").find(" " + id + " ") != std::string::npos; },
        20))
        << Control("online");
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    Keep("register_thanks");

    Click(400, 364); // continue: the menu hides over the game
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 10));
    StopProgram();
    EXPECT_EQ(std::string::npos, (" " + Control("online") + " ").find(" " + id + " "));

    // Started again, the account logs in by itself.
    StartProgram();
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 60));
    EXPECT_TRUE(WaitFor(
        [&] { return (" " + Control("online") + " ").find(" " + id + " ") != std::string::npos; },
        20))
        << Control("online");
    StopProgram();
}

} // namespace
