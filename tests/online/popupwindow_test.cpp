// The toast and the advert in the real application window under Xvfb (GLES2 on Mesa, the test
// clock), over a flat screen, with the shipped layouts and pictures: the advert's picture after a
// lost context, the frame pacing, the challenge dialog opened by a tap. With the
// stand-in lobby's notices and adverts: whole frames against ImageMagick composites of the pack's
// pictures at the places the slide's formulas and the layouts give, taps by xdotool beside and
// on the toast and on the advert's buttons, the links opened on a fake browser. The lobby closing
// under the return guard, an unlock saved at exit, and the portrait area.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/VortanDateTime.h"
#include "engine/VortanTimer.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "online/OrloOnlineFactory.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloAchievementInterfaces.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/SessionTestSupport.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/OnlineStubs.h"
#include "tests/platform/PrivateBus.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowAppSupport.h"
#include "tests/ui/RecordingBusService.h"

namespace {

using winapp::H;
using winapp::Near;
using winapp::Pixel;
using winapp::Rgb;
using winapp::W;

const unsigned kBelow = 0x406080; // the screen under the pop-ups

// A flat screen that counts the taps that reach it.
class FlatScreen : public ptest::GameStateStub {
public:
    void Render() override { m_application->GetGraphics()->Clear(0xFF000000 | kBelow, nullptr); }
    int OnPointerDown(int, int, int) override
    {
        ++taps;
        return 1;
    }
    int taps = 0;
};

// The window tests' application with the online client's toast and advert.
class PopupApp : public winapp::BesideBuildApp {
public:
    int StartSession() { return OpenSession(); }
    // The X events waiting, handled as the program's loop handles them between frames.
    void HandleEvents()
    {
        XSync(GetDisplay(), False);
        while (XPending(GetDisplay()) != 0) {
            XEvent event;
            XNextEvent(GetDisplay(), &event);
            HandleXEvent(&event);
        }
    }
    COrloNetworkSession* Session() { return dynamic_cast<COrloNetworkSession*>(m_session); }
    COrloToastNotification* Toast() { return dynamic_cast<COrloToastNotification*>(m_toast); }
    void SetMenu(IOrloMenuState* menu) { m_menu = menu; }
    COrloAdvertisement* Advert() { return dynamic_cast<COrloAdvertisement*>(m_advertisement); }
    // Without the 800 x 480 read-back, each frame is read back at the graphics' own size.
    void Update() override
    {
        BesideBuildApp::Update();
        if (!readBack && IsCreated())
            frame = gtest_graphics::ReadRgb(GetGraphics()->GetWidth(), GetGraphics()->GetHeight());
    }
};

// The online menu as a flat screen that records the pages asked for and the taps it gets.
class FlatMenu : public ptest::MenuStateStub {
public:
    void Render() override { m_application->GetGraphics()->Clear(0xFF000000 | kBelow, nullptr); }
    void ShowPage(const CVortanString& page, int shown) override
    {
        pages.push_back(VortanUTF8Of(page) + " " + std::to_string(shown));
    }
    int OnPointerDown(int, int, int) override
    {
        ++taps;
        return 1;
    }
    void Logout() override
    {
        if (onLogout)
            onLogout();
    }
    std::vector<std::string> pages;
    int taps = 0;
    std::function<void()> onLogout;
};

COrloOnlineFactory g_factory;

// A private system bus for the whole program, its fake browser recording the links opened:
// the bus library reads the bus address once per process.
class FakeBrowser : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Start(dir, {"com.nokia.osso_browser", "com.nokia.mce"}));
    }
    // The links opened so far, one a line.
    std::string Links() const
    {
        std::string links;
        std::istringstream in(vtest::ReadWholeFile(dir.File("records")));
        for (std::string line; std::getline(in, line);)
            if (line.compare(0, 9, "load_url ") == 0)
                links += line.substr(9) + "\n";
        return links;
    }

private:
    vtest::TempDir dir;
    bustest::RecordingBus recorder;
};

FakeBrowser* g_browser = (FakeBrowser*)::testing::AddGlobalTestEnvironment(new FakeBrowser());

class PopupWindow : public winapp::WindowFixture<PopupApp> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        COrlogateApplication::RegisterOnlineFactory(&g_factory);
        app = new PopupApp();
        COrlogateApplication::RegisterOnlineFactory(nullptr);
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, W, H, new ptest::GameStateStub()));
        while (app->GetStateCount() > 0)
            app->RemoveState(app->GetStateAt(0));
        screen = new FlatScreen();
        ASSERT_EQ(VORTAN_OK, app->PushState(screen));
        ASSERT_NE(nullptr, app->Toast());
        Step(0.0f);
    }
    void TearDown() override
    {
        const char* keep = getenv("VORTAN_KEEP_SHOTS");
        if (keep && app)
            vtest::WriteWholeFile(
                std::string(keep) + "/" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".rgb",
                std::string(app->frame.begin(), app->frame.end()));
        WindowFixture::TearDown();
    }
    void Step(float dt)
    {
        VortanTestClock::Advance((u64)llround(dt * 1e9));
        app->Frame();
    }
    // A touch by xdotool: pressed, held over frames, let go over frames.
    void Tap(int px, int py)
    {
        ASSERT_EQ(0, vtest::MovePointer(px, py));
        ASSERT_EQ(0, vtest::RunProgram({"xdotool", "mousedown", "1"}));
        Settle();
        ASSERT_EQ(0, vtest::RunProgram({"xdotool", "mouseup", "1"}));
        Settle();
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i) {
            usleep(30000);
            app->HandleEvents();
            Step(0.0f);
        }
    }
    static int Expected(double t, double duration, double h = 72.0)
    {
        double y;
        if (t <= 0.5)
            y = H - h * 2.0 * t;
        else if (t <= duration - 0.5)
            y = H - h;
        else
            y = H - h * (1.0 - 2.0 * (t - (duration - 0.5)));
        return (int)floor(y + 0.5);
    }

    FlatScreen* screen = nullptr;
};

} // namespace

TEST_F(PopupWindow, TheAdvertsPictureDrawsTheSameAfterALostContext)
{
    std::string png;
    ASSERT_EQ(0, vtest::RunProgram(
                     {"convert", "-size", "240x150", "gradient:#ff8000-#0040ff", "png:-"}, &png));
    CVortanArray<i32> frames;
    app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click"),
                             (const u8*)png.data(), (int)png.size(), 1000, 60000, &frames,
                             CVortanString("http://ok"), 0, CVortanString("Title"),
                             CVortanString());
    Step(0.25f);
    Step(0.25f);
    const int left = (W - 400) / 2 + 80, top = (H - 300) / 2 + 52;
    std::vector<unsigned> before;
    for (int y = top + 2; y < top + 148; y += 7)
        before.push_back(Pixel(app->frame, left + 120, y));
    ASSERT_NE(nullptr, app->Advert()->GetSurface());
    ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
    ASSERT_EQ(VORTAN_OK, app->RestoreGraphics());
    Step(0.0f);
    Step(0.0f);
    Step(0.0f);
    std::vector<unsigned> after;
    for (int y = top + 2; y < top + 148; y += 7)
        after.push_back(Pixel(app->frame, left + 120, y));
    EXPECT_EQ(before, after);
    EXPECT_FALSE(Near(before.front(), before.back(), 40)); // the gradient was drawn
}

TEST_F(PopupWindow, AShowingToastKeepsTheFramePacingAwake)
{
    app->ShowToast(CVortanString("A long one"), 20.0f, 3);
    for (int i = 0; i < 10; ++i)
        Step(0.5f);
    EXPECT_EQ(0, app->IsIdle()); // 5 s without input, but a toast shows
    for (int i = 0; i < 32; ++i)
        Step(0.5f);
    EXPECT_FALSE(app->Toast()->IsShowing());
    for (int i = 0; i < 10; ++i)
        Step(0.5f);
    EXPECT_EQ(1, app->IsIdle()); // gone for 5 s: idle
}

TEST_F(PopupWindow, ATapOnAChallengeToastOpensTheMenusChallengeDialog)
{
    app->RemoveState(screen);
    screen = nullptr;
    FlatMenu* menu = new FlatMenu();
    ASSERT_EQ(VORTAN_OK, app->PushState(menu));
    app->SetMenu(menu);
    app->ShowToast(CVortanString("A duel?"), 20.0f, 3);
    Step(0.5f);
    Step(0.5f);
    Tap(400, 100); // beside the strip: the menu's
    EXPECT_EQ(1, menu->taps);
    EXPECT_TRUE(menu->pages.empty());
    Tap(400, H - 30);
    EXPECT_EQ(1, menu->taps);
    EXPECT_EQ(std::vector<std::string>{"challenge_received 1"}, menu->pages);
    for (int i = 0; i < 2; ++i)
        Step(0.5f); // the tapped toast has gone
    app->ShowToast(CVortanString("Just a message"), 0.0f, 1);
    Step(0.5f);
    Step(0.5f);
    Tap(400, H - 30);
    EXPECT_EQ(1u, menu->pages.size());
    app->SetMenu(nullptr);
}

TEST_F(PopupWindow, TheLobbyClosingHidesTheAdvertUnlessTheReturnGuardIsSet)
{
    app->RemoveState(screen);
    screen = nullptr;
    FlatMenu* menu = new FlatMenu();
    ASSERT_EQ(VORTAN_OK, app->PushState(menu));
    app->SetMenu(menu);
    CVortanArray<i32> frames;
    app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click"), nullptr, 0,
                             1000, 5000, &frames, CVortanString("http://ok"), 0,
                             CVortanString("Title"), CVortanString());
    Step(0.0f);
    ASSERT_TRUE(app->Advert()->IsShown());
    // The lobby closes while the application returns to the menu (its guard set): kept.
    menu->onLogout = [&] { app->OnLobbyStateChanged(nullptr, IOrloNetworkSession::LOBBY_CLOSED); };
    app->ReturnToMenu(true);
    EXPECT_TRUE(app->Advert()->IsShown());
    // Closing on its own: there is nobody to ask for the next one, and the advert goes.
    app->OnLobbyStateChanged(nullptr, IOrloNetworkSession::LOBBY_CLOSED);
    EXPECT_FALSE(app->Advert()->IsShown());
    app->SetMenu(nullptr);
}

TEST_F(PopupWindow, AnUnlockNotYetSavedIsInTheFileAfterTheWindowCloses)
{
    IOrloAchievementStation* station = app->GetAchievements();
    ASSERT_NE(nullptr, station); // from the built definitions pack
    IOrloAchievementList* list = station->FindList(ptest::GameStateStub().GetGameNumber());
    ASSERT_NE(nullptr, list);
    ASSERT_NE(nullptr, list->Find(2));
    CVortanString path;
    app->GetUserDataPath(path, CVortanString("ach.dat"));
    const std::string dat = VortanBytesOf(path);
    CVortanDateTime at;
    at.Set(2026, 11, 7, 3, 4, 5);
    list->Find(2)->SetUnlocked(1); // recorded, not saved
    list->Find(2)->SetUnlockTime(at);
    ASSERT_FALSE(vtest::Exists(dat));

    // Closed as a person closes it: the window manager's request.
    XEvent close = {};
    close.xclient.type = ClientMessage;
    close.xclient.window = app->GetWindow();
    close.xclient.message_type = XInternAtom(app->GetDisplay(), "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = (long)XInternAtom(app->GetDisplay(), "WM_DELETE_WINDOW", False);
    XSendEvent(app->GetDisplay(), app->GetWindow(), False, NoEventMask, &close);
    app->HandleEvents();
    EXPECT_EQ(nullptr, app->GetAchievements()); // the station is gone: the program has ended
    std::string read;
    ASSERT_EQ(0, vtest::RunProgram({vtest::Python(), "-c",
                                    "import struct,sys\n"
                                    "b=open(sys.argv[1],'rb').read()\n"
                                    "v,n=struct.unpack_from('<ii',b)\n"
                                    "print(len(b),v,n,[struct.unpack_from('<i6H',b,8+16*i) "
                                    "for i in range(n)])",
                                    dat},
                                   &read));
    EXPECT_EQ("24 1 1 [(2, 2026, 11, 7, 3, 4, 5)]\n", read);
}

namespace {

// A picture of the pack, placed: the part of the file given by `crop` (all of it when empty),
// stretched to w x h (as it is when 0), its top left corner at (x, y).
struct Layer {
    std::string file;
    std::string crop;
    int w, h, x, y;
};

// A box (left, top, right, bottom; right and bottom outside) whose pixels are not compared.
struct Box {
    int l, t, r, b;
};

// The pictures of the pack for a 480-pixel short side, taken out once by the pack tool.
std::string PackPicture(const std::string& name)
{
    static vtest::TempDir dir;
    static const bool extracted =
        vtest::RunProgram({vtest::BinaryDir() + "/tools/vortanpack", "extract",
                           vtest::BinaryDir() + "/orlolobby_480.dmp", dir.Path()}) == 0;
    EXPECT_TRUE(extracted);
    return dir.File(name);
}

// ImageMagick's arguments that paint the boxes black.
std::vector<std::string> Masked(const std::vector<Box>& masks)
{
    std::vector<std::string> argv{"-fill", "black"};
    for (const Box& m : masks)
        argv.insert(argv.end(),
                    {"-draw", "rectangle " + std::to_string(m.l) + "," + std::to_string(m.t) + "," +
                                  std::to_string(m.r - 1) + "," + std::to_string(m.b - 1)});
    return argv;
}

// The number of pixels of a frame (w x h, RGB) that differ (by more than a small fuzz) from the
// screen's colour with the layers composed over it, outside the masks; the pictures are made in
// the directory, and kept under <build>/popup_shots when they differ (always in the directory
// VORTAN_KEEP_SHOTS names, when it does).
long Differing(const vtest::TempDir& shots, const std::string& name, const Rgb& frame, int w, int h,
               const std::vector<Layer>& layers, const std::vector<Box>& masks)
{
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    char below[8];
    snprintf(below, sizeof(below), "#%06X", kBelow);
    std::vector<std::string> want{"convert", "-size", size, std::string("xc:") + below};
    for (const Layer& l : layers) {
        want.insert(want.end(), {"(", l.file});
        if (!l.crop.empty())
            want.insert(want.end(), {"-crop", l.crop, "+repage"});
        if (l.w > 0)
            want.insert(want.end(), {"-filter", "Triangle", "-resize",
                                     std::to_string(l.w) + "x" + std::to_string(l.h) + "!"});
        want.insert(want.end(),
                    {")", "-geometry", "+" + std::to_string(l.x) + "+" + std::to_string(l.y),
                     "-composite"});
    }
    const std::vector<std::string> mask = Masked(masks);
    want.insert(want.end(), mask.begin(), mask.end());
    want.push_back(shots.File(name + "_want.png"));
    EXPECT_EQ(0, vtest::RunProgram(want));
    vtest::WriteWholeFile(shots.File(name + ".rgb"), std::string(frame.begin(), frame.end()));
    std::vector<std::string> got{"convert", "-size", size,
                                 "-depth",  "8",     "rgb:" + shots.File(name + ".rgb")};
    got.insert(got.end(), mask.begin(), mask.end());
    got.push_back(shots.File(name + "_got.png"));
    EXPECT_EQ(0, vtest::RunProgram(got));
    std::string count;
    vtest::RunProgram({"convert", shots.File(name + "_want.png"), shots.File(name + "_got.png"),
                       "-metric", "AE", "-fuzz", "2%", "-compare", "-write",
                       shots.File(name + "_diff.png"), "-format", "%[distortion]", "info:"},
                      &count);
    const long n = count.empty() ? -1 : atol(count.c_str());
    const char* keepAll = getenv("VORTAN_KEEP_SHOTS");
    if (n != 0 || keepAll) {
        const std::string keep = keepAll ? keepAll : vtest::BinaryDir() + "/popup_shots";
        mkdir(keep.c_str(), 0755);
        for (const char* suffix : {"_want.png", "_got.png", "_diff.png"})
            vtest::WriteWholeFile(keep + "/" + name + suffix,
                                  vtest::ReadWholeFile(shots.File(name + suffix)));
        vtest::RunProgram({"convert", "-size", size, "-depth", "8",
                           "rgb:" + shots.File(name + ".rgb"), keep + "/" + name + ".png"});
    }
    return n;
}

// The pixels of a frame (w wide) inside the box whose colour is near the given one.
int CountNear(const Rgb& frame, int w, const Box& box, unsigned colour, int tolerance)
{
    int n = 0;
    for (int y = box.t; y < box.b; ++y)
        for (int i = box.l; i < box.r; ++i) {
            const size_t at = ((size_t)y * w + i) * 3;
            n += Near(((unsigned)frame[at] << 16) | ((unsigned)frame[at + 1] << 8) | frame[at + 2],
                      colour, tolerance)
                     ? 1
                     : 0;
        }
    return n;
}

// The window with the application's session logged in as a guest at the stand-in lobby.
class PopupWindowLobby : public PopupWindow {
protected:
    void SetUp() override
    {
        server.reset(new ntest::StandIn(state.Path(), 0, 0));
        ASSERT_GT(server->control, 0);
        ASSERT_NO_FATAL_FAILURE(PopupWindow::SetUp());
        ASSERT_EQ(VORTAN_OK, app->StartSession());
        COrloNetworkSession* session = app->Session();
        ASSERT_NE(nullptr, session);
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), server->lobby, &log));
        ASSERT_TRUE(Pump([&] { return (session->GetStatus() & 0xFF) == 3; }));
        session->SendLogin(CVortanString("guest"), CVortanString("0"), &log);
        ASSERT_TRUE(Pump([&] { return (session->GetStatus() & 0xFF) == 5; }));
        who = std::to_string(session->GetOwnPlayerId());
    }
    void TearDown() override
    {
        PopupWindow::TearDown();
        server.reset();
    }
    // Frames of no time until the condition holds (the lobby's messages arrive between them).
    bool Pump(const std::function<bool()>& condition)
    {
        return vtest::WaitUntil([&] {
            Step(0.0f);
            return condition();
        });
    }
    std::string Control(const std::string& line)
    {
        return ntest::ControlLine(server->control, line);
    }
    int AdvertRequests()
    {
        const std::string answer = Control("adverts");
        return answer.compare(0, 3, "ok ") == 0 ? atoi(answer.c_str() + 3) : -1;
    }
    long Differing(const std::string& name, const std::vector<Layer>& layers,
                   const std::vector<Box>& masks)
    {
        return ::Differing(shots, name, app->frame, W, H, layers, masks);
    }
    int Count(const Box& box, unsigned colour, int tolerance)
    {
        return CountNear(app->frame, W, box, colour, tolerance);
    }
    // The toast's strip, icon and (masked) text with the strip's top at y. A tapped strip fades
    // its icon in again (for a second): then the icon is masked too.
    long ToastDiffers(const std::string& name, int y, const char* icon, bool fading = false)
    {
        std::vector<Layer> layers;
        if (y < H)
            layers = {{PackPicture("toast-strip.png"), "", W, 72, 0, y},
                      {PackPicture(icon), "", 0, 0, 12, y + 12}};
        std::vector<Box> masks{{72, y, W, y + 72}};
        if (fading)
            masks.push_back({12, y + 12, 60, y + 60});
        return Differing(name, layers, masks);
    }

    vtest::TempDir state;
    vtest::TempDir shots;
    std::unique_ptr<ntest::StandIn> server;
    ntest::SessionLog log;
    std::string who;
};

// A widget's box in the area (800 x 480 unless given) from the fractions of its layout: the left
// and top truncated, the width and height rounded.
Box Area(float x, float y, float w, float h, int width = W, int height = H)
{
    const int l = (int)(x * (float)width), t = (int)(y * (float)height);
    return {l, t, l + (int)lroundf(w * (float)width), t + (int)lroundf(h * (float)height)};
}

// The advert's widgets.
const Box kTitle = Area(0.32f, 0.20834f, 0.36f, 0.075f);
const Box kClosing = Area(0.27f, 0.62084f, 0.46f, 0.05833f);
const Box kPicture = Area(0.35f, 0.29584f, 0.30f, 0.3125f);
const Box kOk = Area(0.425f, 0.69584f, 0.15f, 0.08333f);
const Box kClose = Area(0.685f, 0.20417f, 0.05f, 0.08333f);

} // namespace

TEST_F(PopupWindowLobby, ANoticeSlidesInHoldsAndSlidesOutAsComposed)
{
    ASSERT_EQ("ok", Control("notify " + who + " 1 5 Hello from the lobby"));
    ASSERT_TRUE(Pump([&] { return app->Toast()->IsShowing(); }));
    double t = 0.0;
    for (double at : {0.25, 1.0, 2.625}) {
        while (t < at) { // frames of at most a second
            const double dt = std::min(0.5, at - t);
            Step((float)dt);
            t += dt;
        }
        const int y = Expected(at, 3.0);
        const std::string name = "notice_" + std::to_string((int)(at * 1000));
        EXPECT_EQ(0, ToastDiffers(name, y, "toast-icon-message.png")) << at;
        EXPECT_GT(Count({72, y, W, std::min(H, y + 72)}, 0xFFFFFF, 40), 20) << at; // the text
    }
    Step(0.375f);
    EXPECT_EQ(0, ToastDiffers("notice_3000", H, nullptr));
}

TEST_F(PopupWindowLobby, TapsByXdotoolBesideAndOnTheToast)
{
    ASSERT_EQ("ok", Control("notify " + who + " 4 0 Sharpshooter"));
    ASSERT_TRUE(Pump([&] { return app->Toast()->IsShowing(); }));
    Step(0.5f);
    Step(0.5f); // 1.0 s: at rest
    Tap(400, 100);
    EXPECT_EQ(1, screen->taps);
    EXPECT_EQ(0, ToastDiffers("beside", H - 72, "toast-icon-achievement.png"));
    Tap(400, H - 30);
    EXPECT_EQ(1, screen->taps); // taken by the strip, which now slides out from 2.5 s
    Step(0.25f);
    EXPECT_EQ(0, ToastDiffers("tapped", Expected(2.75, 3.0), "toast-icon-achievement.png", true));
    Step(0.25f); // 1.5 s after the start
    EXPECT_FALSE(app->Toast()->IsShowing());
    EXPECT_EQ(0, ToastDiffers("tapped_gone", H, nullptr));
}

TEST_F(PopupWindowLobby, AnAdvertsPanelStripCountdownAndCloseButtonAsComposed)
{
    // Three frames of 240 x 150 that tell their rows and columns apart.
    const std::string strip = shots.File("strip.png");
    ASSERT_EQ(0, vtest::RunProgram({"convert", "-size", "240x150", "gradient:#ff0000-#ffff00",
                                    "pattern:checkerboard", "gradient:#00ff00-#0000ff", "-append",
                                    strip}));
    std::string size;
    vtest::RunProgram({"identify", "-format", "%wx%h", strip}, &size);
    ASSERT_EQ("240x450", size);
    ASSERT_EQ("ok", Control("advert " + who + " image=" + strip +
                            " frames=1000,500,500 delay=1000 countdown=2000 flags=0"
                            " title=\"Full game\" click=http://c ok=http://o"));
    ASSERT_TRUE(Pump([&] { return app->Advert() && app->Advert()->IsShown(); }));
    const Box p = Area(0.25f, 0.1875f, 0.5f, 0.625f);
    const Layer panel = {PackPicture("ad-panel.png"), "", p.r - p.l, p.b - p.t, p.l, p.t};
    // The buttons' first frames (the upper halves), stretched to the widgets.
    const Layer ok = {
        PackPicture("ad-button.png"), "120x40+0+0", kOk.r - kOk.l, kOk.b - kOk.t, kOk.l, kOk.t};
    const Layer close = {PackPicture("ad-close.png"), "40x40+0+0", kClose.r - kClose.l,
                         kClose.b - kClose.t,         kClose.l,    kClose.t};
    const struct {
        float step;
        int frame;
        bool closable;
    } seen[] = {{0.25f, 0, false}, {1.0f, 1, false}, {0.5f, 2, false}, {0.5f, 0, true}};
    Step(0.0f); // the picture decoded
    double t = 0.0;
    for (const auto& s : seen) {
        Step(s.step);
        t += s.step;
        std::vector<Layer> layers{
            panel,
            {strip, "240x150+0+" + std::to_string(150 * s.frame), 0, 0, kPicture.l, kPicture.t},
            ok};
        if (s.closable)
            layers.push_back(close);
        const std::string name = "advert_" + std::to_string((int)(t * 1000));
        EXPECT_EQ(0, Differing(name, layers, {kTitle, kClosing})) << t;
        EXPECT_GT(Count(kTitle, 0x202830, 40), 20) << t;   // the title
        EXPECT_GT(Count(kClosing, 0x404040, 40), 20) << t; // the countdown, then text 209
    }
    EXPECT_EQ(0, AdvertRequests());
}

TEST_F(PopupWindowLobby, TapsByXdotoolOnTheAdvertsPictureOKAndClose)
{
    const struct {
        int x, y;
        const char* link;
    } taps[] = {{(kPicture.l + kPicture.r) / 2, (kPicture.t + kPicture.b) / 2, "http://click_me\n"},
                {(kOk.l + kOk.r) / 2, (kOk.t + kOk.b) / 2, "http://ok_here\n"},
                {(kClose.l + kClose.r) / 2, (kClose.t + kClose.b) / 2, ""}};
    std::string links = g_browser->Links();
    int requests = 0;
    for (const auto& tap : taps) {
        ASSERT_EQ("ok", Control("advert " + who +
                                " delay=1000 countdown=0 flags=0 title=T"
                                " \"click=http://click me\" \"ok=http://ok here\""));
        ASSERT_TRUE(Pump([&] { return app->Advert() && app->Advert()->IsShown(); }));
        Step(0.1f);  // the close button shows at once
        Tap(20, 20); // outside the panel: taken by the advert all the same
        EXPECT_TRUE(app->Advert()->IsShown());
        Tap(tap.x, tap.y);
        Step(0.2f); // the buttons' click delay
        EXPECT_FALSE(app->Advert()->IsShown()) << tap.x << "," << tap.y;
        EXPECT_EQ(0, screen->taps);
        ++requests;
        EXPECT_TRUE(vtest::WaitUntil([&] { return AdvertRequests() == requests; }))
            << AdvertRequests();
        // The stand-in answers with the next advert of its catalogue: wait for it, so that it
        // does not replace the next one sent here.
        EXPECT_TRUE(Pump([&] { return app->Advert()->GetDelay() > 0.0f; }));
        links += tap.link;
        EXPECT_TRUE(vtest::WaitUntil([&] { return g_browser->Links() == links; }))
            << g_browser->Links();
    }
}

namespace {

// The application on a portrait display of 480 x 800 of its own, its window turned to fit.
class PortraitWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        xvfb.reset(new gtest_graphics::Xvfb("480x800x24"));
        ASSERT_TRUE(xvfb->Ok());
        setenv("HOME", home.Path().c_str(), 1);
        VortanTestClock::Set(5000000000ull);
        COrlogateApplication::RegisterOnlineFactory(&g_factory);
        app = new PopupApp();
        COrlogateApplication::RegisterOnlineFactory(nullptr);
        app->readBack = false;
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, kW, kH, new ptest::GameStateStub()));
        // The program opens its window landscape; turned, the window is resized and every
        // pop-up is built again for the new area.
        XResizeWindow(app->GetDisplay(), app->GetWindow(), kW, kH);
        ASSERT_TRUE(vtest::WaitUntil([&] {
            app->HandleEvents();
            return app->GetGraphics()->GetWidth() == kW;
        }));
        ASSERT_EQ(kW, app->GetGraphics()->GetWidth());
        ASSERT_EQ(kH, app->GetGraphics()->GetHeight());
        while (app->GetStateCount() > 0)
            app->RemoveState(app->GetStateAt(0));
        ASSERT_EQ(VORTAN_OK, app->PushState(new FlatScreen()));
        Step(0.0f);
    }
    void TearDown() override
    {
        delete app;
        app = nullptr;
        VortanTestClock::Clear();
        xvfb.reset();
    }
    void Step(float dt)
    {
        VortanTestClock::Advance((u64)llround(dt * 1e9));
        app->Frame();
    }
    long Differs(const std::string& name, const std::vector<Layer>& layers,
                 const std::vector<Box>& masks)
    {
        return Differing(shots, name, app->frame, kW, kH, layers, masks);
    }
    int Count(const Box& box, unsigned colour, int tolerance)
    {
        return CountNear(app->frame, kW, box, colour, tolerance);
    }
    Box Portrait(float x, float y, float w, float h) { return Area(x, y, w, h, kW, kH); }

    static constexpr int kW = 480, kH = 800;
    vtest::TempDir home;
    vtest::TempDir shots;
    std::unique_ptr<gtest_graphics::Xvfb> xvfb;
    PopupApp* app = nullptr;
};

} // namespace

TEST_F(PortraitWindow, TheToastAndTheAdvertFitThePortraitArea)
{
    app->ShowToast(CVortanString("A duel? Tap here to see who asks"), 20.0f, 3);
    Step(0.5f);
    Step(0.5f);
    const Box strip = Portrait(0.0f, 0.9f, 1.0f, 0.1f);
    const Box icon = Portrait(0.025f, 0.92f, 0.1f, 0.06f);
    const Box text = Portrait(0.15f, 0.9f, 0.825f, 0.1f);
    EXPECT_EQ(0, Differs("portrait_toast",
                         {{PackPicture("toast-strip.png"), "", kW, strip.b - strip.t, 0, strip.t},
                          {PackPicture("toast-icon-challenge.png"), "", icon.r - icon.l,
                           icon.b - icon.t, icon.l, icon.t}},
                         {text}));
    EXPECT_GT(Count(text, 0xFFFFFF, 40), 20);
    app->Toast()->Release(); // the toast out of the way

    std::string png;
    ASSERT_EQ(0, vtest::RunProgram(
                     {"convert", "-size", "240x150", "gradient:#ff8000-#0040ff", "png:-"}, &png));
    const std::string picture = shots.File("picture.png");
    ASSERT_TRUE(vtest::WriteWholeFile(picture, png));
    CVortanArray<i32> frames;
    app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click"),
                             (const u8*)png.data(), (int)png.size(), 1000, 1000, &frames,
                             CVortanString("http://ok"), 0, CVortanString("Play the full game"),
                             CVortanString());
    Step(0.0f);
    Step(0.5f);
    Step(0.75f); // closable
    const Box panel = Portrait(0.08334f, 0.3125f, 0.83333f, 0.375f);
    const Box title = Portrait(0.2f, 0.325f, 0.6f, 0.045f);
    const Box image = Portrait(0.25f, 0.3775f, 0.5f, 0.1875f);
    const Box closing = Portrait(0.11667f, 0.5725f, 0.76667f, 0.035f);
    const Box ok = Portrait(0.375f, 0.6175f, 0.25f, 0.05f);
    const Box close = Portrait(0.80834f, 0.3225f, 0.08333f, 0.05f);
    EXPECT_EQ(0, Differs("portrait_advert",
                         {{PackPicture("ad-panel.png"), "", panel.r - panel.l, panel.b - panel.t,
                           panel.l, panel.t},
                          {picture, "", image.r - image.l, image.b - image.t, image.l, image.t},
                          {PackPicture("ad-button.png"), "120x40+0+0", ok.r - ok.l, ok.b - ok.t,
                           ok.l, ok.t},
                          {PackPicture("ad-close.png"), "40x40+0+0", close.r - close.l,
                           close.b - close.t, close.l, close.t}},
                         {title, closing}));
    EXPECT_GT(Count(title, 0x202830, 40), 20);
    EXPECT_GT(Count(closing, 0x404040, 40), 20);
}
