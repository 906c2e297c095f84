// The built program on a private X server with a private home and (unless a test says
// otherwise) the stand-in lobby, driven as a person would with xdotool and watched through the
// window's pixels and the game's state dump: what the program tests share.
#pragma once
#include <gtest/gtest.h>
// Xlib's macros after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <limits.h>
#include <math.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/online/StandInProcess.h"
#include "tests/support/RealProgram.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VirtualDisplay.h"

namespace ptest {

// Bounds of the waits, only there to tell a hang: the program's start up to its menu (some
// seconds), and what a step brings (a second or two, however busy the machine).
const int kStartSeconds = 120;
const int kStepSeconds = 60;

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
        // The lobby's address: the stand-in's, or a port where nothing listens.
        std::string lobby = "127.0.0.1:1";
        if (WithLobby()) {
            server.reset(new ntest::StandIn(state.Path(), 0, 0, StandInOptions()));
            // The stand-in's own wait for its ports is short for a busy machine: on from there
            // until they are written.
            ASSERT_TRUE(WaitFor(
                [&] {
                    std::ifstream ports(state.Path() + "/ports.0");
                    return (bool)(ports >> server->lobby >> server->game >> server->control);
                },
                kStepSeconds));
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
    // No Orlo button: none in the dump, and the page's dark blue where it would be (over the
    // open online menu the button shows pale, not orange, which ShowsOrloButton() does not
    // tell from no button).
    bool ShowsNoOrloButton()
    {
        int r[4];
        return !DumpedWidget("orlo_button", r) && Dark(12, 12, 84, 84, 90);
    }
    // The login page: the user name field's pale bar on the dark blue page.
    bool ShowsLoginPage()
    {
        Colour field = Mean(300, 140, 500, 150), page = Mean(300, 300, 500, 310);
        return field.Brightness() > 220 && page.b > page.r + 20 && page.Brightness() < 80;
    }
    // The program has shown `count` toasts since its start (the welcome of each login is one;
    // the dump counts them) and the last has gone: the dump says none shows and, with the game
    // in front, the sea shows again along the bottom of the screen, where a toast slides over
    // it and takes the taps.
    bool WaitForToastsGone(int count)
    {
        std::string dump;
        if (WaitFor(
                [&] {
                    dump = vtest::ReadWholeFile(DumpPath());
                    const std::vector<std::string> shown = Dumped(dump, "toasts");
                    return shown.size() == 1 && atoi(shown[0].c_str()) >= count &&
                           Dumped(dump, "toast") == std::vector<std::string>{"0"};
                },
                kStepSeconds) &&
            (Dumped(dump, "menu_shown") == std::vector<std::string>{"1"} ||
             WaitFor([&] { return Mean(100, 450, 300, 470).b > 80; }, kStepSeconds)))
            return true;
        ADD_FAILURE() << "toast " << count << " has not come and gone:\n"
                      << vtest::ReadWholeFile(DumpPath());
        return false;
    }
    // A guest's first screens: the menu, the Orlo button and the welcome toast gone (it slides
    // over the bottom of the screen and takes the taps there); then the Orlo button opens the
    // login page. False when a step does not come.
    bool OpenLoginPage()
    {
        if (!WaitFor([&] { return ShowsMenu(); }, kStartSeconds) ||
            !WaitFor([&] { return ShowsOrloButton(); }, kStepSeconds) || !WaitForToastsGone(1))
            return false;
        Click(50, 50);
        return WaitFor([&] { return ShowsLoginPage(); }, kStepSeconds);
    }
    // The account's name and password typed into the login page as a person would (each field
    // tapped once it holds still, and what was typed seen in it before going on), then "Log
    // in"; true once the stand-in lists the player id online. A step that does not come is
    // told on the test's output with the dump of that moment.
    bool LogInAs(const std::string& name, const std::string& password, int playerId)
    {
        if (!TypeInto("user_login", name) || !TypeInto("user_password", password, true))
            return false;
        int r[4];
        if (!WaitForWidgetAt("login_button", 580, 412) || !DumpedWidget("login_button", r)) {
            ADD_FAILURE() << "no login button:\n" << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Click((r[0] + r[2]) / 2, (r[1] + r[3]) / 2);
        if (WaitForOnline(std::to_string(playerId), true))
            return true;
        ADD_FAILURE() << "not online after the login:\n" << vtest::ReadWholeFile(DumpPath());
        return false;
    }
    // Waits until the stand-in lists the player id online (`online`) or no longer lists it. A
    // control call that fails ends the wait as a failure: no answer tells neither.
    bool WaitForOnline(const std::string& playerId, bool online)
    {
        std::string answer;
        bool failed = false;
        const bool came = WaitFor(
            [&] {
                failed = !ControlOk("online", answer);
                return failed || ((" " + answer + " ").find(" " + playerId + " ") !=
                                  std::string::npos) == online;
            },
            kStepSeconds);
        if (came && !failed)
            return true;
        if (!failed)
            ADD_FAILURE() << "player " << playerId << (online ? " not" : " still")
                          << " online: " << answer;
        return false;
    }
    // The one player the stand-in lists online (the program's guest), or empty.
    std::string Guest()
    {
        const std::string online = Control("online");
        return online.size() > 3 && online.compare(0, 3, "ok ") == 0 ? online.substr(3) : "";
    }
    // Taps the named text field of the shown page once it holds still, waits until the field
    // takes typing (a key pressed before the tap is handled would go to the field before),
    // types the text and waits until the field shows it (a "*" each character where it masks).
    bool TypeInto(const std::string& field, const std::string& text, bool masked = false)
    {
        int r[4];
        if (!WaitFor([&] { return DumpedWidget(field, r); }, kStepSeconds) ||
            !WaitForWidgetAt(field, (r[0] + r[2]) / 2, (r[1] + r[3]) / 2) ||
            !DumpedWidget(field, r)) {
            ADD_FAILURE() << "no field " << field << ":\n" << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Click((r[0] + r[2]) / 2, (r[1] + r[3]) / 2);
        const std::vector<std::string> editing{field};
        if (!WaitFor([&] { return Dumped(vtest::ReadWholeFile(DumpPath()), "editing") == editing; },
                     kStepSeconds)) {
            ADD_FAILURE() << "the field " << field << " does not take typing:\n"
                          << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Type(text);
        if (WaitFor(
                [&] {
                    return DumpedWidgetText(field) ==
                           (masked ? std::string(text.size(), '*') : text);
                },
                kStepSeconds))
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
        if (OnGameButton(dump, px, py)) {
            EXPECT_EQ(0, vtest::MovePointer(px, py));
            EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mousedown", "1"}));
            EXPECT_TRUE(WaitForPressSeen(dump))
                << "the game did not see the press at " << px << " " << py;
            EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mouseup", "1"}));
            return;
        }
        // Held a little, as a person's tap: the online menu takes the press and the release as
        // they come, in their order.
        EXPECT_EQ(0, vtest::MovePointer(px, py));
        EXPECT_EQ(
            0, vtest::RunProgram({"xdotool", "mousedown", "1", "sleep", "0.15", "mouseup", "1"}));
    }
    // Whether the game is in front and takes a finger: no online menu or toast over it, and its
    // count of fingers gone down in the dump.
    static bool GameTakesTouch(const std::string& dump)
    {
        return Dumped(dump, "touch_downs").size() == 1 &&
               Dumped(dump, "menu_shown") != std::vector<std::string>{"1"} &&
               Dumped(dump, "toast") != std::vector<std::string>{"1"};
    }
    // After a press on the game: waits until its steps have seen the finger go down (the count
    // of the dump `before` the press moves on).
    bool WaitForPressSeen(const std::string& before)
    {
        const std::vector<std::string> downs = Dumped(before, "touch_downs");
        return WaitFor(
            [&] {
                const std::vector<std::string> now =
                    Dumped(vtest::ReadWholeFile(DumpPath()), "touch_downs");
                return now.size() == 1 && now != downs;
            },
            kStepSeconds);
    }
    // Whether the point lies on a visible game button of the dump with the game in front (no
    // online menu or toast over it).
    static bool OnGameButton(const std::string& dump, int px, int py)
    {
        if (!GameTakesTouch(dump))
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
    // The player's squib on the screen, from the dump, during the player's turn once the view
    // rests on it: the world point at the view's centre is the squib's (the camera eases there
    // as the turn begins; its point has four decimals).
    bool DumpedSquib(int& cx, int& cy)
    {
        // One read: the game replaces the whole file at once.
        const std::string dump = vtest::ReadWholeFile(DumpPath());
        const std::vector<std::string> at = Dumped(dump, "squib0_screen"),
                                       world = Dumped(dump, "squib0_world"),
                                       camera = Dumped(dump, "camera");
        if (Dumped(dump, "screens") != std::vector<std::string>{"play"} ||
            Dumped(dump, "round_state") != std::vector<std::string>{"7"} ||
            Dumped(dump, "turn_active") != std::vector<std::string>{"1"} || at.size() != 2 ||
            world.size() != 2 || camera.size() != 3)
            return false;
        for (int i = 0; i < 2; ++i)
            if (fabs(atof(camera[i].c_str()) - atof(world[i].c_str())) > 0.0001)
                return false; // the view still moves
        cx = atoi(at[0].c_str());
        cy = atoi(at[1].c_str());
        return true;
    }
    std::string DumpPath() const { return home.File("state.txt"); }
    // The rectangle (left, top, right, bottom) of the named widget in the dump, while it shows,
    // and the text the dump gives for it ("" without one).
    bool DumpedWidget(const std::string& name, int rect[4], std::string* text = nullptr)
    {
        return WidgetIn(vtest::ReadWholeFile(DumpPath()), name, rect, text);
    }
    static bool WidgetIn(const std::string& dump, const std::string& name, int rect[4],
                         std::string* text = nullptr)
    {
        std::istringstream in(dump);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string word, widget;
            if (!(words >> word >> widget) || word != "widget" || widget != name)
                continue;
            if (!(words >> rect[0] >> rect[1] >> rect[2] >> rect[3]))
                return false;
            if (text) {
                std::getline(words, *text);
                // A field shows its text on the line after its own.
                if (std::getline(in, line) &&
                    line.compare(0, 7 + name.size(), "field " + name + " ") == 0)
                    *text = line.substr(6 + name.size());
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
    // Waits until the named widget shows over the point on a page at rest, as a person waits
    // before tapping it: a page coming in stays hidden, or reaches past the screen's edge while
    // it slides in (the dump's offscreen line for it), until it is in place; and the widget
    // lies where the dump before put it.
    bool WaitForWidgetAt(const std::string& name, int px, int py, int seconds = kStepSeconds)
    {
        int last[4] = {0, 0, 0, 0};
        bool seen = false;
        return WaitFor(
            [&] {
                const std::string dump = vtest::ReadWholeFile(DumpPath());
                const std::vector<std::string> page = Dumped(dump, "menu_page");
                int r[4];
                if (!WidgetIn(dump, name, r) || px < r[0] || px >= r[2] || py < r[1] ||
                    py >= r[3] || page.size() != 1 ||
                    dump.find("\noffscreen " + page[0] + " ") != std::string::npos) {
                    seen = false;
                    return false;
                }
                const bool still = seen && memcmp(r, last, sizeof(r)) == 0;
                memcpy(last, r, sizeof(r));
                seen = true;
                return still;
            },
            seconds);
    }
    // The story intro's strip at rest, where it stays for seconds as it fades out before the
    // intro ends by itself: the left edge of its first picture once the last of its eleven
    // pictures (1.6 screen heights wide each) is centred on the 800 x 480 screen.
    static constexpr int kIntroStripAtRest = 400 - 10 * 768 - 768 / 2;
    // After a way out of the story intro was taken: waits until the game's menu shows again,
    // the strip never seen at rest on the way (the intro, left alone, ends by itself within a
    // step's bound). A step that does not come is told with the dump of that moment.
    bool WaitForMenuAfterIntro()
    {
        int lowest = INT_MAX;
        const std::vector<std::string> menu{"menu"};
        const bool back = WaitFor(
            [&] {
                const std::string dump = vtest::ReadWholeFile(DumpPath());
                const std::vector<std::string> strip = Dumped(dump, "intro_strip");
                if (strip.size() == 1)
                    lowest = std::min(lowest, atoi(strip[0].c_str()));
                return Dumped(dump, "screens") == menu && ShowsMenu();
            },
            kStepSeconds);
        if (back && lowest > kIntroStripAtRest)
            return true;
        ADD_FAILURE() << (back ? "the menu came back as the intro ended by itself"
                               : "the menu has not come back")
                      << " (the strip seen down to " << lowest << ", at rest at "
                      << kIntroStripAtRest << "):\n"
                      << vtest::ReadWholeFile(DumpPath());
        return false;
    }
    // Presses at (x0, y0), moves to (x1, y1) in small steps and lets go there. The game sees
    // the finger once per step (and takes an aim from where the step saw it): on the game the
    // press is held until a step has seen it go down, and the finger lets go once a step has
    // seen it down at the end. The online menu takes the press, the moves and the release as
    // they come, in their order.
    void Drag(int x0, int y0, int x1, int y1)
    {
        const std::string dump = vtest::ReadWholeFile(DumpPath());
        const bool game = GameTakesTouch(dump);
        EXPECT_EQ(0, vtest::MovePointer(x0, y0));
        EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mousedown", "1"}));
        if (game) {
            EXPECT_TRUE(WaitForPressSeen(dump))
                << "the game did not see the press at " << x0 << " " << y0;
        }
        for (int k = 1; k <= 8; ++k)
            EXPECT_EQ(0, vtest::MovePointer(x0 + (x1 - x0) * k / 8, y0 + (y1 - y0) * k / 8));
        if (game) {
            const std::vector<std::string> end = {std::to_string(x1), std::to_string(y1), "1"};
            EXPECT_TRUE(
                WaitFor([&] { return Dumped(vtest::ReadWholeFile(DumpPath()), "touch0") == end; },
                        kStepSeconds))
                << "the game did not see the finger at " << x1 << " " << y1 << ":\n"
                << vtest::ReadWholeFile(DumpPath());
        }
        EXPECT_EQ(0, vtest::RunProgram({"xdotool", "mouseup", "1"}));
    }
    // Polls `shows` as fast as it can and stops the program (SIGSTOP) the moment it holds, so
    // that what shows only for a while stays on the screen to be checked and kept; true once the
    // program is stopped with it showing. Resume() lets the program go on.
    bool StopWhen(const std::function<bool()>& shows, int seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (shows()) {
                int status = 0;
                kill(pid, SIGSTOP);
                if (waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status))
                    return false;
                // A round trip to the X server for what the program sent it before the stop,
                // then the screen is looked at again.
                XSync(x, False);
                if (shows()) {
                    stopped = true;
                    return true;
                }
                // It went in the moment before the stop.
                kill(pid, SIGCONT);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    void Resume()
    {
        if (stopped)
            kill(pid, SIGCONT);
        stopped = false;
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
        ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, kStepSeconds));
        pid = -1;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    void Close() { vtest::CloseWindow(x, window); }

    // The process of the program (again, after a stop): started, and its window found. The
    // dump of an earlier run goes first: what the waits read is this run's.
    void StartProgram()
    {
        const std::string program = vtest::BinaryDir() + "/orlogate";
        const std::string dump = DumpPath();
        unlink(dump.c_str());
        pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Path().c_str(), 1);
            setenv("ORLO_LOBBY", m_lobby.c_str(), 1);
            setenv("DISPLAY", display.Name().c_str(), 1);
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            setenv("ORLO_STATE_DUMP", dump.c_str(), 1);
            // A lock of its own: it runs beside a copy that someone runs on this machine.
            setenv("ORLO_LOCK_FILE", home.File("orlo_app.lock").c_str(), 1);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(program.c_str(), program.c_str(), (char*)nullptr);
            _exit(127);
        }
        ASSERT_TRUE(WaitFor([&] { return (window = FindWindow()) != 0; }, kStartSeconds));
    }
    void StopProgram()
    {
        Close();
        int status = -1;
        ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, kStepSeconds));
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
        return server ? ntest::ControlLine(server->control, line) : std::string();
    }
    // The stand-in's answer to a control line, in `answer`; false, the test failed, when the
    // call failed (no answer) or the stand-in refused the line (no "ok").
    bool ControlOk(const std::string& line, std::string& answer)
    {
        answer = Control(line);
        if (answer == "ok" || answer.compare(0, 3, "ok ") == 0)
            return true;
        ADD_FAILURE() << "the stand-in's control port answered \"" << answer << "\" to " << line;
        return false;
    }
    // The count N of the stand-in's "ok N" answer to a control line; -1, the test failed, when
    // the call failed or the answer holds no count.
    int ControlCount(const std::string& line)
    {
        std::string answer;
        if (!ControlOk(line, answer))
            return -1;
        char* end = nullptr;
        const long n = answer.size() > 3 ? strtol(answer.c_str() + 3, &end, 10) : -1;
        if (n >= 0 && end && *end == 0 && end != answer.c_str() + 3)
            return (int)n;
        ADD_FAILURE() << "no count in the stand-in's answer \"" << answer << "\" to " << line;
        return -1;
    }

    vtest::VirtualDisplay display;
    vtest::TempDir home;
    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> server;
    Display* x = nullptr;
    Window window = 0;
    pid_t pid = -1;
    bool stopped = false; // by StopWhen
    std::string m_lobby;  // the lobby the program is given
};

} // namespace ptest
