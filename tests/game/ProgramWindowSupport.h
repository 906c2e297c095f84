// The built program on a private X server with a private home and (unless a test says
// otherwise) the stand-in lobby, driven as a person would with xdotool and watched through the
// window's pixels and the game's state dump: what the program tests share.
#pragma once
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
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/VortanSingleInstance.h"
#include "tests/online/StandInProcess.h"
#include "tests/support/RealProgram.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VirtualDisplay.h"

namespace ptest {

bool WaitFor(const std::function<bool()>& condition, int seconds)
{
    return vtest::WaitUntil(condition, seconds * 1000, 50);
}

// Mean colour of a box of the window.
struct Colour {
    double r = 0, g = 0, b = 0;
    double Brightness() const { return (r + g + b) / 3; }
};

class ProgramWindow : public ::testing::Test {
protected:
    // Whether the stand-in lobby runs beside the program, and its further options.
    virtual bool WithLobby() const { return true; }
    virtual std::vector<std::string> StandInOptions() const { return {}; }
    void SetUp() override
    {
        ASSERT_TRUE(display.Ok());
        x = XOpenDisplay(display.Name().c_str());
        ASSERT_NE(nullptr, x);
        // A picture asked of the window before the program has mapped it fails (BadMatch):
        // Mean() then sees nothing and the wait goes on, where Xlib's own handler would end
        // the test program.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
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
            server.reset(new ntest::StandIn(state.Path(), 0, 0, StandInOptions()));
            ASSERT_GT(server->lobby, 0);
            lobby = "127.0.0.1:" + std::to_string(server->lobby);
        }
        m_lobby = lobby;
        StartProgram();
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
    Window FindWindow() { return vtest::FindProgramWindow(x); }
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
        Colour c = Mean(350, 232, 364, 246); // left of the white arrow
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
    // A guest's first screens: the menu, the Orlo button and the welcome toast gone (it slides
    // over the bottom of the screen and takes the taps there); then the Orlo button opens the
    // login page. False when a step does not come.
    bool OpenLoginPage()
    {
        if (!WaitFor([&] { return ShowsMenu(); }, 60) ||
            !WaitFor([&] { return ShowsOrloButton(); }, 20) ||
            !WaitFor([&] { return Mean(100, 450, 300, 470).b > 80; }, 20))
            return false;
        Click(50, 50);
        return WaitFor([&] { return ShowsLoginPage(); }, 10);
    }
    // The account's name and password typed into the login page as a person would (each field
    // tapped once it holds still, and what was typed seen in it before going on), then "Log
    // in"; true once the stand-in lists the player id online. A step that does not come is
    // told on the test's output with the dump of that moment.
    bool LogInAs(const std::string& name, const std::string& password, int playerId)
    {
        if (!TypeInto("user_login", name) || !TypeInto("user_password", password))
            return false;
        int r[4];
        if (!WaitForWidgetAt("login_button", 580, 412) || !DumpedWidget("login_button", r)) {
            ADD_FAILURE() << "no login button:\n" << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Click((r[0] + r[2]) / 2, (r[1] + r[3]) / 2);
        const std::string id = " " + std::to_string(playerId) + " ";
        if (WaitFor([&] { return (" " + Control("online") + " ").find(id) != std::string::npos; },
                    60))
            return true;
        ADD_FAILURE() << "not online after the login:\n" << vtest::ReadWholeFile(DumpPath());
        return false;
    }
    // Taps the named text field of the shown page once it holds still, waits until the field
    // takes typing (a key pressed before the tap is handled would go to the field before),
    // types the text and waits until the field holds it.
    bool TypeInto(const std::string& field, const std::string& text)
    {
        int r[4];
        if (!WaitFor([&] { return DumpedWidget(field, r); }, 20) ||
            !WaitForWidgetAt(field, (r[0] + r[2]) / 2, (r[1] + r[3]) / 2) ||
            !DumpedWidget(field, r)) {
            ADD_FAILURE() << "no field " << field << ":\n" << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Click((r[0] + r[2]) / 2, (r[1] + r[3]) / 2);
        const std::vector<std::string> editing{field};
        if (!WaitFor([&] { return Dumped(vtest::ReadWholeFile(DumpPath()), "editing") == editing; },
                     20)) {
            ADD_FAILURE() << "the field " << field << " does not take typing:\n"
                          << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Type(text);
        if (WaitFor([&] { return DumpedWidgetText(field) == text; }, 20))
            return true;
        ADD_FAILURE() << "the field " << field << " does not show what was typed:\n"
                      << vtest::ReadWholeFile(DumpPath());
        return false;
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
        // A game button sees a touch only when a game step sees the finger down: a press and
        // release between two steps (a slow frame) would be no touch. Such a press is held
        // until the dump's count of fingers gone down moves on.
        const std::string dump = vtest::ReadWholeFile(DumpPath());
        const std::vector<std::string> downs = Dumped(dump, "touch_downs");
        if (downs.size() == 1 && OnGameButton(dump, px, py)) {
            EXPECT_EQ(0, vtest::MovePointer(px, py));
            EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mousedown", "1"}));
            EXPECT_TRUE(WaitFor(
                [&] {
                    const std::vector<std::string> now =
                        Dumped(vtest::ReadWholeFile(DumpPath()), "touch_downs");
                    return now.size() == 1 && now[0] != downs[0];
                },
                20))
                << "the game did not see the press at " << px << " " << py;
            EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mouseup", "1"}));
            return;
        }
        // Held a little, as a person's tap.
        EXPECT_EQ(0, vtest::MovePointer(px, py));
        EXPECT_EQ(
            0, vtest::RunProgram({"xdotool", "mousedown", "1", "sleep", "0.15", "mouseup", "1"}));
    }
    // Whether the point lies on a visible game button of the dump with the game in front (no
    // online menu or toast over it).
    static bool OnGameButton(const std::string& dump, int px, int py)
    {
        if (Dumped(dump, "menu_shown") == std::vector<std::string>{"1"} ||
            Dumped(dump, "toast") == std::vector<std::string>{"1"})
            return false;
        std::istringstream in(dump);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string word;
            int id = 0, image = 0, r[4];
            if (words >> word && word == "gamebutton" &&
                words >> id >> image >> r[0] >> r[1] >> r[2] >> r[3] && px >= r[0] && px < r[2] &&
                py >= r[1] && py < r[3])
                return true;
        }
        return false;
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
    // The rectangle (left, top, right, bottom) of the named widget in the dump, while it shows,
    // and the text the dump gives for it ("" without one).
    bool DumpedWidget(const std::string& name, int rect[4], std::string* text = nullptr)
    {
        std::istringstream in(vtest::ReadWholeFile(DumpPath()));
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string word, widget;
            if (!(words >> word >> widget) || word != "widget" || widget != name)
                continue;
            if (!(words >> rect[0] >> rect[1] >> rect[2] >> rect[3]))
                return false;
            if (text) {
                std::getline(words, *text);
                if (!text->empty())
                    text->erase(0, 1);
            }
            return true;
        }
        return false;
    }
    std::string DumpedWidgetText(const std::string& name)
    {
        int rect[4];
        std::string text;
        return DumpedWidget(name, rect, &text) ? text : std::string();
    }
    // Waits until the named widget shows over the point and holds still there (its page has
    // slid in), as a person waits before tapping it. The dump is written when it changes, so a
    // rectangle that moves keeps changing the file.
    bool WaitForWidgetAt(const std::string& name, int px, int py, int seconds = 20)
    {
        int last[4] = {0, 0, 0, 0};
        bool seen = false;
        std::chrono::steady_clock::time_point since;
        return WaitFor(
            [&] {
                int r[4];
                if (!DumpedWidget(name, r) || px < r[0] || px >= r[2] || py < r[1] || py >= r[3]) {
                    seen = false;
                    return false;
                }
                const auto now = std::chrono::steady_clock::now();
                if (!seen || memcmp(r, last, sizeof(r)) != 0) {
                    memcpy(last, r, sizeof(r));
                    since = now;
                    seen = true;
                    return false;
                }
                return now - since >= std::chrono::milliseconds(250);
            },
            seconds);
    }
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
        EXPECT_EQ(0, vtest::MovePointer(x0, y0));
        EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mousedown", "1", "sleep", "0.2"}));
        for (int k = 1; k <= 8; ++k) {
            EXPECT_EQ(0, vtest::MovePointer(x0 + (x1 - x0) * k / 8, y0 + (y1 - y0) * k / 8));
            EXPECT_EQ(0, vtest::RunProgram({"xdotool", "sleep", "0.1"}));
        }
        EXPECT_EQ(0, vtest::RunProgram({"xdotool", "sleep", "0.3", "mouseup", "1"}));
    }
    void Keep(const std::string& name)
    {
        const char* dir = getenv("VEX_SHOTS");
        if (dir)
            vtest::RunProgram(
                {"import", "-window", "root", std::string(dir) + "/" + name + ".png"});
    }
    // The program ends by itself within the bound, with status 0.
    void ExpectCleanExit()
    {
        int status = -1;
        ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30));
        pid = -1;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
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

    // The process of the program (again, after a stop): started, and its window found.
    void StartProgram()
    {
        const std::string program = vtest::BinaryDir() + "/orlogate";
        const std::string dump = DumpPath();
        pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Path().c_str(), 1);
            setenv("ORLO_LOBBY", m_lobby.c_str(), 1);
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

    vtest::MachineLockTurn turn;
    vtest::VirtualDisplay display;
    vtest::TempDir home;
    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> server;
    Display* x = nullptr;
    Window window = 0;
    pid_t pid = -1;
    std::string m_lobby; // the lobby the program is given
};

} // namespace ptest
