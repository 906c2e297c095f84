// The online menu's own pages in the real application under Xvfb, on the stand-in clock, with
// its real session to the stand-in lobby through ORLO_LOBBY, its sound going to ALSA's file
// plugin and its browser and vibrator calls to a recording service on a private bus: the name
// and e-mail checks, the login form with typed and stored credentials, refused accounts,
// registration, the error page, the settings rows (heard, felt, kept over a restart) and the
// language chooser (the stand-in told, the choice kept in "stats.dat" and after a restart), a
// right-aligned language, the start page's variants and adverts, the about text, the own
// page's entry, achievements and coloured results, the pages turned to portrait, and the way
// back after a match.
// First: X11's macros would break the headers after it.
#include "tests/support/WindowAppSupport.h"

#include <GLES2/gl2.h>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "VortanSound/VortanMusicElements.h"
#include "VortanSound/VortanMusicPlayer.h"
#include "VortanSound/VortanSoundEngine.h"
#include "engine/VortanArray.h"
#include "engine/VortanTimer.h"
#include "engine/graphics/VortanSurface.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "online/menu/OrloServerImage.h"
#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Records.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/PrivateBus.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/RecordingBusService.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/Slider.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

// Xlib's macros after every other header.
#include <X11/Xlib.h>

namespace {

// The application with the data packs of the build directory (beside the program).
class MenuApp : public winapp::PacksBesideBuildApp {
public:
    // What the game was told at a match's end: "id:value ..." and the flag.
    void EndMatch(const CVortanArray<i32>* ids, const CVortanArray<i32>* places, int flag) override
    {
        std::string line;
        for (int i = 0; ids && places && i < ids->GetSize() && i < places->GetSize(); ++i)
            line += std::to_string((*ids)[i]) + ":" + std::to_string((*places)[i]) + " ";
        ended.push_back(line + "flag " + std::to_string(flag));
        COrlogateApplication::EndMatch(ids, places, flag);
    }
    std::vector<std::string> ended;
    // Handles the window's pending events as the program's loop would.
    void PumpEvents()
    {
        while (XPending(GetDisplay()) != 0) {
            XEvent event;
            XNextEvent(GetDisplay(), &event);
            HandleXEvent(&event);
        }
    }
};

// The settings as an application holds them: the sounds and the music (on, volume), the
// vibration (stored, and as the device services have it) and the language in use.
std::string Settings(COrlogateApplication* a)
{
    std::ostringstream out;
    out << "sounds " << !a->GetSoundsMute() << " " << a->GetSoundsVolume() << ", music "
        << !a->GetMusicMute() << " " << a->GetMusicVolume() << ", vibration " << a->GetVibrations()
        << " " << a->GetDevice()->GetVibrations() << ", "
        << VortanUTF8Of(a->GetLanguage()->GetCurrentLanguage()->code);
    return out.str();
}

// The program started again on the saved "stats.dat", without a window, sound or a session:
// its settings as it applies them at its start.
class Restarted : public winapp::PacksBesideBuildApp {
public:
    std::string Start(const CVortanString& name)
    {
        SetAppName(name);
        return InitPlatform() == VORTAN_OK ? Settings(this) : "no start";
    }
};

class MenuPages : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Tall enough for the window turned to portrait.
        xvfb = new gtest_graphics::Xvfb("800x800x24");
        home = new vtest::TempDir();
        state = new vtest::TempDir();
        setenv("HOME", home->Path().c_str(), 1);
        // The sound goes to ALSA's file plugin, the device's calls to a recording browser and
        // vibrator on a private system bus (both read once per process: before the program).
        vtest::WriteWholeFile(home->File(".asoundrc"),
                              "pcm.!default { type file; slave.pcm \"null\"; file \"" +
                                  home->File("capture.raw") + "\"; format \"raw\" }\n");
        unsetenv("ALSA_CONFIG_PATH");
        bus = new bustest::PrivateBus();
        if (bus->Start(*state, "bus")) {
            fake = bustest::StartRecording(*state, bus->address,
                                           {"com.nokia.mce", "com.nokia.osso_browser"});
            bustest::WaitFor(state->File("ready"));
            setenv("DBUS_SYSTEM_BUS_ADDRESS", bus->address.c_str(), 1);
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
        standin = new ntest::StandIn(state->Path(), 0, 0);
        std::ifstream ports(state->Path() + "/ports.0");
        int lobby = 0, game = 0;
        ports >> lobby >> game >> control;
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(standin->lobby)).c_str(), 1);
        VortanTestClock::Set(5000000000ull);
        COrlogateApplication::RegisterOnlineFactory(&factory);
        app = new MenuApp();
        if (app->Create(nullptr, 800, 480, new ptest::GameStateStub()) != VORTAN_OK)
            return;
        // Intro, title, then the menu, which logs in as a guest.
        Until([] { return Menu() && Menu()->GetLoginState() == 2; }, 60);
        // The menu hears of the login a frame or more after the controller's state says so; it
        // then loads the item list (and any packs) behind its loading page. Both have to be
        // over before the pages are looked at.
        Until([] { return Menu()->IsLoading() || Menu()->IsItemCheckPending(); }, 60);
        Until([] { return !Menu()->IsLoading() && !Menu()->IsItemCheckPending(); }, 60);
        // The pages are laid out (and all but the current one hidden) while they show.
        Menu()->SetMenuShown(true);
        Step();
    }
    static void TearDownTestSuite()
    {
        delete app;
        app = nullptr;
        VortanTestClock::Clear();
        delete standin;
        bustest::Stop(fake);
        if (bus)
            bustest::Stop(bus->pid);
        delete bus;
        delete state;
        delete home;
        delete xvfb;
    }
    void SetUp() override
    {
        ASSERT_TRUE(xvfb->Ok());
        ASSERT_GT(standin->lobby, 0);
        ASSERT_NE(nullptr, Menu());
        ASSERT_EQ(2, Menu()->GetLoginState());
    }

    static COrloMenuState* Menu()
    {
        return app ? dynamic_cast<COrloMenuState*>(app->GetMenuState()) : nullptr;
    }
    static void Step(float dt = 0.05f)
    {
        VortanTestClock::Advance((u64)(dt * 1e9));
        app->Frame();
        usleep(2000);
    }
    // Frames until the condition holds (the session's threads run in real time).
    static bool Until(const std::function<bool()>& condition, int seconds)
    {
        for (int i = 0; i < seconds * 100; ++i) {
            if (condition())
                return true;
            Step();
        }
        return condition();
    }
    static CWidget* Find(const char* path)
    {
        return Menu()->GetPageRoot()->FindByPath(CVortanString(path));
    }
    static CWidget* Named(const char* name)
    {
        return Menu()->GetRoot()->FindChild(CVortanString(name), -1);
    }
    template <typename T>
    static T* As(CWidget* w)
    {
        return WidgetCast<T>(w);
    }
    static std::string Page() { return VortanUTF8Of(Menu()->GetCurrentPageName()); }
    // Navigates and lets the pages settle (their show events run).
    static void Go(const char* page)
    {
        Menu()->GetPageRoot()->NavigateTo(CVortanString(page));
        Menu()->GetPageRoot()->FinishTransitions();
        Step();
    }
    static std::string TextOf(CWidget* w)
    {
        CTextWidget* t = WidgetCast<CTextWidget>(w);
        return t ? VortanUTF8Of(t->GetText()) : std::string("<none>");
    }
    // What a text field draws (a localised caption has no typed text).
    static std::string Shown(CWidget* w)
    {
        CTextWidget* t = WidgetCast<CTextWidget>(w);
        return t ? VortanUTF8Of(t->GetDisplayText()) : std::string("<none>");
    }
    static std::string Language(int i) { return VortanUTF8Of(app->GetLanguage()->GetText(i)); }
    // The stand-in's answer to a control line.
    static std::string Control(const std::string& line)
    {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_port = htons((unsigned short)control);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string answer;
        if (connect(fd, (sockaddr*)&a, sizeof a) == 0) {
            const std::string out = line + "\n";
            if (write(fd, out.data(), out.size()) == (ssize_t)out.size()) {
                char c;
                while (read(fd, &c, 1) == 1 && c != '\n')
                    answer += c;
            }
        }
        close(fd);
        return answer;
    }
    // With VEX_SHOTS naming a directory, the next frame is kept there as a picture.
    static void Keep(const std::string& name)
    {
        if (!getenv("VEX_SHOTS"))
            return;
        Step();
        const int w = app->GetGraphics()->GetWidth(), h = app->GetGraphics()->GetHeight();
        vtest::KeepPicture("VEX_SHOTS", gtest_graphics::ReadRgb(w, h), w, h, name);
    }
    // The program's window resized as a turned screen would resize it.
    static bool Resize(int w, int h)
    {
        Display* x = XOpenDisplay(nullptr);
        if (!x)
            return false;
        XResizeWindow(x, (Window)app->GetWindow(), (unsigned)w, (unsigned)h);
        XSync(x, False);
        XCloseDisplay(x);
        return Until(
            [&] {
                app->PumpEvents();
                return Menu()->GetRoot() && Menu()->GetRoot()->GetRect().GetWidth() == w &&
                       Menu()->GetRoot()->GetRect().GetHeight() == h;
            },
            10);
    }
    // "stats.dat" as Python reads it, one "name kind value" line per entry.
    static std::string Stats()
    {
        std::string out;
        for (const std::string& line :
             vtest::ReadStats(VortanUTF8Of(app->GetSettings()->GetPath())))
            out += line + "\n";
        return out;
    }
    // Types into a text field as a finished input would leave it.
    static void Type(const char* path, const char* text)
    {
        CTextWidget* t = As<CTextWidget>(Find(path));
        ASSERT_NE(nullptr, t) << path;
        t->SetText(CVortanString(text));
    }
    static void LoginAs(const char* name, const char* password, int keep)
    {
        Menu()->ShowLoginScreen();
        Type("//loginscreen_input//user_login", name);
        Type("//loginscreen_input//user_password", password);
        As<CToggleButton>(Find("//loginscreen_input//user_autologin"))->SetState(keep);
        EXPECT_EQ(1, Menu()->RunEvent("login_orlogate", Find("//loginscreen_root//login_button")));
        Until([] { return Menu()->GetLoginState() == 2 && !Menu()->IsLoading(); }, 20);
    }
    // The calls the recording browser and vibrator got, one "member argument" a line.
    static std::vector<std::string> BusCalls()
    {
        std::vector<std::string> lines;
        std::istringstream in(vtest::ReadWholeFile(state->File("records")));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    static gtest_graphics::Xvfb* xvfb;
    static vtest::TempDir* home;
    static vtest::TempDir* state;
    static ntest::StandIn* standin;
    static bustest::PrivateBus* bus;
    static pid_t fake;
    static int control;
    static COrloOnlineFactory factory;
    static MenuApp* app;
};

gtest_graphics::Xvfb* MenuPages::xvfb = nullptr;
vtest::TempDir* MenuPages::home = nullptr;
vtest::TempDir* MenuPages::state = nullptr;
ntest::StandIn* MenuPages::standin = nullptr;
bustest::PrivateBus* MenuPages::bus = nullptr;
pid_t MenuPages::fake = -1;
int MenuPages::control = 0;
COrloOnlineFactory MenuPages::factory;
MenuApp* MenuPages::app = nullptr;

// The state dump's menu lines: the page in front, the connections, and the rectangles of the
// named widgets a person sees, as the layout's fractions of the 800 x 480 screen give them.
TEST_F(MenuPages, TheStateDumpNamesThePageTheConnectionsAndWhereTheVisibleWidgetsAre)
{
    COrloMenuState* menu = Menu();
    Go("loginscreen_root");
    std::string dump;
    menu->DumpState(dump);
    auto has = [&](const std::string& line) {
        return ("\n" + dump).find("\n" + line + "\n") != std::string::npos;
    };
    EXPECT_TRUE(has("menu_shown 1")) << dump;
    EXPECT_TRUE(has("menu_page loginscreen_root")) << dump;
    EXPECT_TRUE(has("lobby_state 5")) << dump; // logged in as a guest
    EXPECT_TRUE(has("game_state 0")) << dump;
    // menu_login.xml: the login button at (0.55, 0.8), 0.35 x 0.12 of the screen; its label
    // carries its caption.
    EXPECT_TRUE(has("widget login_button 440 384 720 442")) << dump;
    EXPECT_TRUE(has("widget login_button_label 440 384 720 442 " + Language(500))) << dump;
    // Another page's widgets and a hidden widget of this page are left out.
    EXPECT_EQ(std::string::npos, dump.find("widget start_players ")) << dump;
    EXPECT_FALSE(Find("//loginscreen_root//user_autologin_on")->IsVisible());
    EXPECT_EQ(std::string::npos, dump.find("widget user_autologin_on ")) << dump;
    // A shown text's extent and its widget's size; the caption fits, a long text does not.
    auto textSize = [&](const std::string& name) {
        std::vector<int> v;
        const size_t at = ("\n" + dump).find("\ntextsize " + name + " ");
        if (at == std::string::npos)
            return v;
        std::istringstream in(dump.substr(at + name.size() + 10));
        int n;
        for (int i = 0; i < 4 && in >> n; ++i)
            v.push_back(n);
        return v;
    };
    std::vector<int> size = textSize("login_button_label");
    ASSERT_EQ(4u, size.size()) << dump;
    EXPECT_GT(size[0], 20);
    EXPECT_LT(size[0], 280);
    EXPECT_EQ(280, size[2]);
    EXPECT_EQ(58, size[3]);
    CTextWidget* label = As<CTextWidget>(Find("//loginscreen_root//login_button_label"));
    const CVortanString caption = label->GetText();
    label->SetText(CVortanString("A caption far too long for the button it is written on"));
    dump.clear();
    menu->DumpState(dump);
    size = textSize("login_button_label");
    ASSERT_EQ(4u, size.size()) << dump;
    EXPECT_GT(size[0], 280);
    label->SetText(caption);
    // A widget reaching past the screen's edge gives its uncut rectangle; one inside does not.
    EXPECT_EQ(std::string::npos, dump.find("offscreen login_button ")) << dump;
    CWidget* button = Find("//loginscreen_root//login_button");
    const CVortanRect rect = button->GetRect();
    button->SetPosition(rect.left + 200, rect.top);
    dump.clear();
    menu->DumpState(dump);
    EXPECT_TRUE(has("widget login_button 640 384 800 442")) << dump;
    EXPECT_TRUE(has("offscreen login_button 640 384 920 442")) << dump;
    button->SetPosition(rect.left, rect.top);

    // A fade-in running on the screen (a tapped button's) is counted until it has ended.
    EXPECT_TRUE(has("fading 0")) << dump;
    CImageWidget* faded = As<CImageWidget>(button);
    faded->StartFadeIn();
    dump.clear();
    menu->DumpState(dump);
    EXPECT_FALSE(has("fading 0")) << dump;
    EXPECT_NE(std::string::npos, dump.find("\nfading ")) << dump;
    for (int i = 0; i < 100 && faded->GetFadeTimeLeft() > 0.0f; ++i)
        Step();
    dump.clear();
    menu->DumpState(dump);
    EXPECT_TRUE(has("fading 0")) << dump;

    // A field tapped takes typing: it is named as edited until a tap elsewhere ends that.
    EXPECT_EQ(std::string::npos, dump.find("editing ")) << dump;
    const size_t field = ("\n" + dump).find("\nwidget user_login ");
    ASSERT_NE(std::string::npos, field) << dump;
    int r[4] = {};
    std::istringstream(dump.substr(field + 18)) >> r[0] >> r[1] >> r[2] >> r[3];
    menu->OnPointerDown(0, (r[0] + r[2]) / 2, (r[1] + r[3]) / 2);
    menu->OnPointerUp(0, (r[0] + r[2]) / 2, (r[1] + r[3]) / 2);
    Step();
    dump.clear();
    menu->DumpState(dump);
    EXPECT_TRUE(has("editing user_login")) << dump;
    EXPECT_EQ(dump.find("editing "), dump.rfind("editing ")) << dump;
    menu->OnPointerDown(0, 400, 20);
    menu->OnPointerUp(0, 400, 20);
    Step();
    dump.clear();
    menu->DumpState(dump);
    EXPECT_EQ(std::string::npos, dump.find("editing ")) << dump;

    // Over the game the pages are gone from the dump; the Orlo button stays.
    menu->SetMenuShown(false);
    Step();
    dump.clear();
    menu->DumpState(dump);
    EXPECT_TRUE(has("menu_shown 0")) << dump;
    EXPECT_EQ(std::string::npos, dump.find("widget login_button ")) << dump;
    EXPECT_NE(std::string::npos, dump.find("widget orlo_button ")) << dump;
    menu->SetMenuShown(true);
    Step();
}

TEST_F(MenuPages, NameAndEmailChecksTakeTheFirstFailingRuleAndShowItsText)
{
    COrloMenuState* menu = Menu();
    struct Row {
        const char* name;
        int message; // 0: accepted
    } names[] = {{"abc", 16},
                 {"abcdefghijklmnop", 16},
                 {"ab c", 17},
                 {"abcd", 0},
                 {"abcdefghijklmno", 0},
                 {"guest", 18},
                 {"Guest", 0},
                 {"a-_9Z", 0},
                 {"\xc3\xa4\x62\x63\x64", 17},
                 {"gu\xc3\xa9st", 17}};
    for (const Row& r : names) {
        CVortanString name;
        name.AssignUTF8(r.name, -1);
        EXPECT_EQ(r.message == 0, menu->ValidatePlayerName(name)) << r.name;
        if (r.message) {
            EXPECT_EQ("loginscreen_error", Page()) << r.name;
            EXPECT_EQ(Language(12), TextOf(Find("//loginscreen_error//loginerror_title")));
            EXPECT_EQ(Language(r.message), TextOf(Find("//loginscreen_error//loginerror_message")))
                << r.name;
            // Flags 2: the try-again label, no recover button, no update link.
            EXPECT_FALSE(Find("//loginscreen_error//button_recover")->IsVisible());
            EXPECT_EQ(Language(10), TextOf(Find("//loginscreen_error//label_tryagain")));
        }
        menu->ShowLoginScreen();
    }
    const std::string longest = "a@" + std::string(251, 'b') + ".fi"; // 256 units
    struct Mail {
        std::string address;
        int message;
    } mails[] = {{"a@b.c", 19},       {"ab@c.d", 0},    {longest, 0},
                 {longest + "x", 19}, {"a b@c.de", 20}, {"x+y@z.fi", 20}};
    for (const Mail& m : mails) {
        EXPECT_EQ(m.message == 0, menu->ValidateEmail(CVortanString(m.address.c_str())))
            << m.address;
        if (m.message) {
            EXPECT_EQ(Language(m.message), TextOf(Find("//loginscreen_error//loginerror_message")));
        }
        menu->ShowLoginScreen();
    }

    // The login button checks a name with "@" as an e-mail address.
    Type("//loginscreen_input//user_login", "a@b");
    EXPECT_EQ(0, menu->RunEvent("login_orlogate", nullptr));
    EXPECT_EQ(Language(19), TextOf(Find("//loginscreen_error//loginerror_message")));
    menu->ShowLoginScreen();
    Type("//loginscreen_input//user_login", "abc");
    EXPECT_EQ(0, menu->RunEvent("login_orlogate", nullptr));
    EXPECT_EQ(Language(16), TextOf(Find("//loginscreen_error//loginerror_message")));
    EXPECT_EQ(2, menu->GetLoginState()) << "a failed check sends nothing";
    menu->ShowLoginScreen();
}

TEST_F(MenuPages, TheErrorPageOffersRecoverByBitZeroAndAWebLinkInsteadOfTryAgain)
{
    COrloMenuState* menu = Menu();
    CVortanString link("https://example.org/update");
    menu->ShowLoginError(CVortanString("T"), CVortanString("M"), 1, &link);
    EXPECT_EQ("loginscreen_error", Page());
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_TRUE(Find("//loginscreen_error//button_recover")->IsVisible());
    CWebButton* update = As<CWebButton>(Find("//loginscreen_error//button_update"));
    ASSERT_NE(nullptr, update);
    EXPECT_TRUE(update->IsVisible());
    EXPECT_EQ("https://example.org/update", VortanUTF8Of(update->GetUrl()));
    EXPECT_FALSE(Find("//loginscreen_error//button_tryagain")->IsVisible());

    // Flags 0 without a link: try again says text 11.
    menu->ShowLoginError(CVortanString("T"), CVortanString("M"), 0, nullptr);
    EXPECT_FALSE(Find("//loginscreen_error//button_recover")->IsVisible());
    EXPECT_FALSE(update->IsVisible());
    EXPECT_TRUE(Find("//loginscreen_error//button_tryagain")->IsVisible());
    EXPECT_EQ(Language(11), TextOf(Find("//loginscreen_error//label_tryagain")));

    // What is no web address is no link.
    const char* bad[] = {"javascript:alert(1)", "file:///etc/passwd", "http://", "http:// x",
                         "ftp://example.org"};
    for (const char* text : bad) {
        CVortanString l(text);
        menu->ShowLoginError(CVortanString("T"), CVortanString("M"), 2, &l);
        EXPECT_FALSE(update->IsVisible()) << text;
        EXPECT_TRUE(Find("//loginscreen_error//button_tryagain")->IsVisible()) << text;
    }
    CVortanString tooLong(("http://h/" + std::string(ORLO_SERVER_LINK_MAX, 'a')).c_str());
    EXPECT_EQ(0, IsServerLink(tooLong));
    EXPECT_EQ(1, IsServerLink(CVortanString("http://h/")));

    // The update button opens its link in the browser.
    menu->ShowLoginError(CVortanString("T"), CVortanString("M"), 0, &link);
    const size_t calls = BusCalls().size();
    EXPECT_EQ(1, update->Click());
    ASSERT_TRUE(Until([&] { return BusCalls().size() > calls; }, 10));
    EXPECT_EQ("load_url https://example.org/update", BusCalls()[calls]);

    // Accounts the lobby refuses, suspended (-4), of too old a client (-7), unknown (an empty
    // challenge) and with a wrong password (-2): their texts, with the recover button and "try
    // again" (flags 3).
    const struct {
        const char* name;
        const char* password;
        int text;
    } refused[] = {{"frozen", "icecold", 31},
                   {"oldtimer", "sepia", 32},
                   {"nobody_here", "whatever", 18},
                   {"bobcat", "builder41", 18}};
    for (const auto& r : refused) {
        menu->ShowLoginScreen();
        Type("//loginscreen_input//user_login", r.name);
        Type("//loginscreen_input//user_password", r.password);
        EXPECT_EQ(1, menu->RunEvent("login_orlogate", nullptr));
        ASSERT_TRUE(Until([] { return Page() == "loginscreen_error" && !Menu()->IsLoading(); }, 20))
            << r.name;
        EXPECT_EQ(0, menu->GetLoginState());
        EXPECT_EQ(Language(12), TextOf(Find("//loginscreen_error//loginerror_title")));
        EXPECT_EQ(Language(r.text), TextOf(Find("//loginscreen_error//loginerror_message")));
        EXPECT_TRUE(Find("//loginscreen_error//button_recover")->IsVisible());
        EXPECT_FALSE(update->IsVisible());
        EXPECT_EQ(Language(10), TextOf(Find("//loginscreen_error//label_tryagain")));
    }
    menu->LoginAsGuest();
    ASSERT_TRUE(Until([] { return Menu()->GetLoginState() == 2 && !Menu()->IsLoading(); }, 20));
    menu->ShowLoginScreen();
}

TEST_F(MenuPages, RegistrationChecksTermsAndNameThenLogsInTheNewAccountWithItsHash)
{
    COrloMenuState* menu = Menu();
    Go("loginscreen_playername");
    // Not an external account: no terms on the name page.
    EXPECT_FALSE(Find("//loginscreen_playername//tos_elements")->IsVisible());
    Type("//loginscreen_playername//input_playername", "alice");
    CWidget* next = Find("//loginscreen_playername//playername_next");
    EXPECT_EQ(1, menu->RunEvent("validate_user", next));
    EXPECT_TRUE(Find("//loginscreen_playername//username_loading")->IsVisible());
    ASSERT_TRUE(Until(
        [] { return Find("//loginscreen_playername//text_usernametaken")->IsVisible(); }, 10));
    EXPECT_FALSE(Find("//loginscreen_playername//username_loading")->IsVisible());
    EXPECT_EQ(Language(57), TextOf(Find("//loginscreen_playername//text_usernametaken")));

    // In "new" mode the terms show, and switched off they keep the page.
    Go("loginscreen_root");
    menu->ShowPlayerNameScreen();
    menu->GetPageRoot()->FinishTransitions();
    Step();
    EXPECT_TRUE(Find("//loginscreen_playername//tos_elements")->IsVisible());
    EXPECT_EQ(0, menu->RunEvent("validate_user", next));
    EXPECT_EQ(Language(26), TextOf(Find("//loginscreen_error//loginerror_message")));
    menu->ClearExternalLogin();

    // A free name goes on to the confirmation, whose agree switch starts off.
    Go("loginscreen_root");
    Go("loginscreen_playername");
    Type("//loginscreen_playername//input_playername", "newcomer7");
    EXPECT_FALSE(Find("//loginscreen_playername//tos_elements")->IsVisible());
    EXPECT_EQ(1, menu->RunEvent("validate_user", next))
        << TextOf(Find("//loginscreen_error//loginerror_message"));
    ASSERT_TRUE(Until([] { return Page() == "loginscreen_confirm"; }, 10));
    menu->GetPageRoot()->FinishTransitions();
    Step();
    CToggleButton* agree = As<CToggleButton>(Find("//loginscreen_confirm//button_agree"));
    ASSERT_NE(nullptr, agree);
    EXPECT_EQ(0, agree->GetState());
    EXPECT_EQ(0, menu->RunEvent("check_tos", Find("//loginscreen_confirm//confirm_next")));
    EXPECT_EQ(Language(26), TextOf(Find("//loginscreen_error//loginerror_message")));
    agree->SetState(1);
    EXPECT_EQ(1, menu->RunEvent("check_tos", Find("//loginscreen_confirm//confirm_next")));

    // E-mail page: a short password is refused, then the account is made and logged in.
    Go("loginscreen_email");
    Type("//loginscreen_email//input_email", "new@example.org");
    Type("//loginscreen_email//input_password", "abc");
    EXPECT_EQ(0, menu->RunEvent("validate_email", nullptr));
    EXPECT_EQ(Language(27), TextOf(Find("//loginscreen_error//loginerror_message")));
    // The service's refusals of an account, each with its own text.
    const int refusals[][2] = {{-1, 22}, {-2, 23}, {-3, 24}, {-4, 25}, {-9, 25}};
    for (const auto& r : refusals) {
        menu->OnConfirmEmailAck(nullptr, r[0], CVortanString("refused"));
        EXPECT_EQ(Language(21), TextOf(Find("//loginscreen_error//loginerror_title")));
        EXPECT_EQ(Language(r[1]), TextOf(Find("//loginscreen_error//loginerror_message")));
    }
    // A changed name empties the password.
    Type("//loginscreen_email//input_password", "abcd");
    Type("//loginscreen_playername//input_playername", "newcomer8");
    EXPECT_EQ("", TextOf(Find("//loginscreen_email//input_password")));
    Type("//loginscreen_playername//input_playername", "newcomer7");
    Type("//loginscreen_email//input_password", "abcd");
    EXPECT_EQ(1, menu->RunEvent("validate_email", nullptr));
    ASSERT_TRUE(Until([] { return Page() == "loginscreen_thank"; }, 20));
    EXPECT_FALSE(menu->IsGuest());
    EXPECT_EQ("newcomer7", VortanUTF8Of(menu->CLoginController::GetUserName()));
    EXPECT_TRUE(menu->CanAutoLogin()) << "the new account logs in by itself next time";
    // The thank-you page's close hides the menu.
    menu->RunEvent("thank_you_close", nullptr);
    EXPECT_FALSE(menu->IsMenuShown());
}

TEST_F(MenuPages, StoredCredentialsShowMaskedLogInWithoutTheWidgetAndSwitchingOffForgetsThem)
{
    COrloMenuState* menu = Menu();
    LoginAs("bobcat", "builder42", 1);
    ASSERT_EQ(2, menu->GetLoginState());
    EXPECT_EQ("bobcat", VortanUTF8Of(menu->CLoginController::GetUserName()));
    const std::string stored = VortanUTF8Of(menu->GetStoredPassword());
    EXPECT_EQ(32u, stored.size()) << "the challenge answer, not the password, is kept";
    std::string stats = Stats();
    EXPECT_NE(std::string::npos, stats.find("__Orlo_UserName 2 bobcat"));
    EXPECT_NE(std::string::npos, stats.find("__Orlo_AutoLogin 1 1"));
    EXPECT_EQ(std::string::npos, stats.find("builder42"));

    // The restored form: the name and "*****" shown, nothing typed, the toggle on.
    menu->ShowLoginScreen();
    CTextWidget* name = As<CTextWidget>(Find("//loginscreen_input//user_login"));
    CTextWidget* password = As<CTextWidget>(Find("//loginscreen_input//user_password"));
    EXPECT_EQ("", VortanUTF8Of(name->GetText()));
    EXPECT_EQ("bobcat", VortanUTF8Of(name->GetDisplayText()));
    EXPECT_EQ("", VortanUTF8Of(password->GetText()));
    EXPECT_EQ("*****", VortanUTF8Of(password->GetDisplayText()));
    EXPECT_EQ(1, As<CToggleButton>(Find("//loginscreen_input//user_autologin"))->GetState());

    // Log in untouched: the stored answer goes out again and is accepted as it is.
    EXPECT_EQ(1, menu->RunEvent("login_orlogate", nullptr));
    ASSERT_TRUE(Until([] { return Menu()->GetLoginState() == 2 && !Menu()->IsLoading(); }, 20));
    EXPECT_EQ("bobcat", VortanUTF8Of(menu->CLoginController::GetUserName()));
    EXPECT_EQ(stored, VortanUTF8Of(menu->GetStoredPassword()));

    // Auto-login off: the field shows nothing and the stored credentials are gone.
    menu->ShowLoginScreen();
    CToggleButton* keep = As<CToggleButton>(Find("//loginscreen_input//user_autologin"));
    keep->SetState(0);
    menu->RunEvent("autologin_toggled", keep);
    EXPECT_EQ("", VortanUTF8Of(password->GetText()));
    EXPECT_EQ("", VortanUTF8Of(password->GetDisplayText()));
    app->GetSettings()->Save();
    stats = Stats();
    EXPECT_NE(std::string::npos, stats.find("__Orlo_AutoLogin 1 0"));
    EXPECT_FALSE(menu->CanAutoLogin());
}

TEST_F(MenuPages, SettingsRowsMapBothWaysAndTheSlidersUseTheVolumeMapping)
{
    COrloMenuState* menu = Menu();
    menu->ShowPage(CVortanString("settings_root"), 1);
    CToggleButton* sounds = As<CToggleButton>(Find("//settings_root//setting_mute"));
    CToggleButton* music = As<CToggleButton>(Find("//settings_root//setting_music"));
    CToggleButton* vibration = As<CToggleButton>(Find("//settings_root//setting_vibration"));
    CSlider* volume = As<CSlider>(Find("//settings_root//setting_sounds_volume"));
    CSlider* musicVolume = As<CSlider>(Find("//settings_root//setting_music_volume"));
    CToggleButton* effects = As<CToggleButton>(Named("setting_sound_effects"));
    ASSERT_TRUE(sounds && music && vibration && volume && musicVolume && effects);
    // Music to be heard: a short tune remembered while the music is off.
    const std::string tune = home->File("tune.wav"), mp3 = home->File("tune.mp3");
    ASSERT_EQ(0, vtest::RunProgram(
                     {"sox", "-n", "-r", "44100", "-c", "2", tune, "synth", "0.3", "sine", "440"}));
    ASSERT_EQ(0, vtest::RunProgram({"lame", "--quiet", tune, mp3}));
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "fakesink");
    app->SetMusicMute(true);
    app->PlayMusic(CVortanString(mp3.c_str()), true);
    // Sounds on, their volume, music on, its volume, vibration.
    int want[5] = {1, -2000, 1, -2000, 1};
    app->SetSoundsMute(false), app->SetSoundsVolume(-2000), app->SetMusicMute(false);
    app->SetMusicVolume(-2000), app->SetVibrations(true);
    // Each switch at both ends and each slider also in the middle: the value it names changes
    // and no other, the page shows it again, the mixer, the music player and the vibrator take
    // it, and the program started again on the saved "stats.dat" reads it back.
    const struct {
        CWidget* widget;
        const char *change, *init;
        int setting;
    } controls[] = {{sounds, "toggle_sounds", "init_sounds", 0},
                    {effects, "toggle_sound_effects", "init_sound_effects", 0},
                    {volume, "sounds_slider_changed", "init_sounds_slider", 1},
                    {music, "toggle_music", "init_music", 2},
                    {musicVolume, "music_slider_changed", "init_music_slider", 3},
                    {vibration, "toggle_vibration", "init_vibration", 4}};
    const int volumes[3] = {-10000, -5000, 0};
    for (const auto& c : controls)
        for (int k = 0; k < 3; ++k) {
            CToggleButton* toggle = As<CToggleButton>(c.widget);
            if (toggle && k == 1)
                continue;
            SCOPED_TRACE(std::string(c.change) + " " + std::to_string(k));
            if (toggle) {
                toggle->SetState(k / 2);
                menu->RunEvent(c.change, toggle);
                toggle->SetState(1 - k / 2);
            } else {
                As<CSlider>(c.widget)->SetValue(k / 2.0f); // its change event runs
            }
            want[c.setting] = toggle ? k / 2 : volumes[k];
            menu->RunEvent(c.init, c.widget);
            if (toggle)
                EXPECT_EQ(k / 2, toggle->GetState());
            else
                EXPECT_FLOAT_EQ(k / 2.0f, As<CSlider>(c.widget)->GetValue());
            EXPECT_EQ(want[0], sounds->GetState());
            std::ostringstream line;
            line << "sounds " << want[0] << " " << want[1] << ", music " << want[2] << " "
                 << want[3] << ", vibration " << want[4] << " " << want[4] << ", en";
            EXPECT_EQ(line.str(), Settings(app));
            EXPECT_EQ(!want[0], app->GetSoundEngine()->IsMuted());
            CVortanSoundMusicPlayer* player = app->GetMusicPlayer();
            ASSERT_EQ(want[2], player != nullptr);
            EXPECT_EQ(want[3], player ? player->GetVolume() : want[3]);
            app->GetSettings()->Save();
            EXPECT_EQ(line.str(), Restarted().Start(app->GetAppName()));
        }
    app->StopMusic();
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr);

    // Showing a stored volume writes nothing back (no drift of a unit each time).
    app->SetMusicVolume(-3333);
    for (int i = 0; i < 3; ++i)
        menu->RunEvent("init_music_slider", musicVolume);
    EXPECT_EQ(-3333, app->GetMusicVolume());
    volume->SetValue(0.25f);
    EXPECT_EQ(-7500, app->GetSoundsVolume()) << "the slider's change event sets the volume";
    app->GetSettings()->Save();
    Keep("pages_settings");
    const std::string stats = Stats();
    EXPECT_NE(std::string::npos, stats.find("__Orlo_Sounds_Volume 0 -7500"));
    EXPECT_NE(std::string::npos, stats.find("__Orlo_Music_Volume 0 -3333"));

    // The sound switched off silences the next sound in what ALSA's file plugin writes; on
    // again, the beep is heard whole.
    const std::string pack = home->File("beep.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(
        pack, vtest::MakePack({{"/beep.wav",
                                stest::PcmWave(1, 44100, 16,
                                               stest::Samples16(std::vector<int>(4410, 8000)))}})));
    ASSERT_EQ(1, app->OpenPack(CVortanString(pack.c_str()), 1));
    CVortanSoundWave* beep = app->GetSound(CVortanString("beep.wav"), ORLO_SOUND_LOAD_NOW);
    ASSERT_NE(nullptr, beep);
    app->SetSoundsVolume(0);
    auto loudFrames = [&] {
        const std::string capture = home->File("capture.raw");
        const size_t from = vtest::ReadWholeFile(capture).size() & ~(size_t)3;
        beep->Play(0);
        Until([&] { return !beep->IsPlaying(); }, 5);
        // The mixer writes a period every period, silence or not: once half a second more
        // has reached the file, the beep's last samples have too.
        auto size = [&] {
            struct stat info;
            return stat(capture.c_str(), &info) == 0 ? (long)info.st_size : 0L;
        };
        const long ended = size();
        EXPECT_TRUE(vtest::WaitUntil([&] { return size() >= ended + 44100 * 4 / 2; }, 20000, 20));
        const std::vector<int16_t> s = stest::ToSamples16(vtest::ReadWholeFile(capture), from);
        int loud = 0;
        for (size_t i = 0; i + 1 < s.size(); i += 2)
            loud += s[i] != 0 || s[i + 1] != 0;
        return loud;
    };
    sounds->SetState(0);
    menu->RunEvent("toggle_sounds", sounds);
    EXPECT_EQ(0, loudFrames());
    sounds->SetState(1);
    menu->RunEvent("toggle_sounds", sounds);
    EXPECT_NEAR(4410, loudFrames(), 8);
    app->ReleaseSound(beep);

    // Vibration off: the next toast leaves the vibrator alone; on again, it buzzes once.
    auto buzzes = [] {
        int n = 0;
        for (const std::string& call : BusCalls())
            n += call == "req_vibrator_pattern_activate PatternTouchscreen";
        return n;
    };
    const int before = buzzes();
    vibration->SetState(0);
    menu->RunEvent("toggle_vibration", vibration);
    app->ShowToast(CVortanString("quiet"), 0.5f, 0);
    for (int i = 0; i < 10; ++i)
        Step();
    vibration->SetState(1);
    menu->RunEvent("toggle_vibration", vibration);
    app->ShowToast(CVortanString("buzz"), 0.5f, 0);
    // The calls reach the fakes in the order they were made: a buzz of the quiet toast would
    // be recorded before the one awaited here.
    EXPECT_TRUE(Until([&] { return buzzes() > before; }, 10));
    usleep(200000);
    EXPECT_EQ(before + 1, buzzes());
    menu->SetMenuShown(false);
}

TEST_F(MenuPages, TheChooserMarksTheCurrentLanguageAndChoosingReplacesTheLabelsAndTellsTheLobby)
{
    COrloMenuState* menu = Menu();
    // The stand-in sent its second language at the login: it is listed.
    ASSERT_TRUE(Until([] { return app->GetLanguage()->GetLanguageCount() >= 2; }, 10));
    menu->SetMenuShown(true);
    std::string settings = Settings(app);
    Go("language_root");
    CInfiniteList* list = As<CInfiniteList>(Find("//language_root//language_list"));
    ASSERT_NE(nullptr, list);
    Step();
    Step();
    ASSERT_GE(list->GetChildCount(), 2);
    EXPECT_EQ(0, menu->GetSelectedLanguage());
    CWidget* first = list->GetChild(0);
    CWidget* second = list->GetChild(1);
    EXPECT_EQ("English", TextOf(first->FindChild(CVortanString("language-name"), -1)));
    EXPECT_TRUE(first->FindChild(CVortanString("selected"), -1)->IsVisible());
    EXPECT_FALSE(second->FindChild(CVortanString("selected"), -1)->IsVisible());
    const std::string accented = TextOf(second->FindChild(CVortanString("language-name"), -1));

    // Choosing without a selection keeps the language; a click outside the items chooses none.
    menu->RunEvent("select_language_item", first);
    EXPECT_EQ(-1, menu->GetSelectedLanguage());
    menu->RunEvent("choose_language", nullptr);
    EXPECT_EQ("en", VortanUTF8Of(app->GetLanguage()->GetCurrentLanguage()->code));

    CWidget* button = second->FindChild(CVortanString("select-button"), -1);
    menu->RunEvent("select_language_item", button);
    EXPECT_EQ(1, menu->GetSelectedLanguage());
    EXPECT_TRUE(second->FindChild(CVortanString("selected"), -1)->IsVisible());
    EXPECT_FALSE(first->FindChild(CVortanString("selected"), -1)->IsVisible());
    const std::string before = Shown(Find("//language_root//language_title"));
    menu->RunEvent("choose_language", nullptr);
    EXPECT_EQ("xa", VortanUTF8Of(app->GetLanguage()->GetCurrentLanguage()->code));
    EXPECT_EQ(accented, VortanUTF8Of(app->GetLanguage()->GetCurrentLanguage()->name));
    EXPECT_NE(before, Shown(Find("//language_root//language_title")));
    EXPECT_EQ(Language(609), Shown(Find("//language_root//language_title")));
    EXPECT_EQ(Language(600), Shown(Find("//settings_root//settings_title")));
    app->GetSettings()->Save();
    EXPECT_NE(std::string::npos, Stats().find("__Orlo_Language 2 xa"));
    // The language and nothing else changed, and the program started again speaks it.
    EXPECT_EQ(settings.replace(settings.size() - 2, 2, "xa"), Settings(app));
    EXPECT_EQ(settings, Restarted().Start(app->GetAppName()));
    Keep("pages_language_chosen");
    EXPECT_TRUE(Until([] { return Control("language " + std::string("bobcat")) == "ok xa"; }, 10))
        << Control("language bobcat");

    // Back to English for the tests after this one.
    menu->ShowPage(CVortanString("settings_root"), 1);
    menu->RunEvent("update_settings_language_label",
                   Find("//settings_root//settings_language_label"));
    EXPECT_EQ(accented, TextOf(Find("//settings_root//settings_language_label")));
    app->SetLanguage(CVortanString("en"));
    menu->SetMenuShown(false);
}

TEST_F(MenuPages, ARightAlignedLanguageDrawsTheLanguageLabelAgainstItsRightEdge)
{
    COrloMenuState* menu = Menu();
    // The English texts under another name, marked right-aligned, as the next pack.
    vtest::TempDir dir;
    ASSERT_EQ(0, vtest::RunProgram(
                     {vtest::Python(), "-c",
                      "import sys\n"
                      "t = open(sys.argv[1], 'rb').read().decode('utf-16-le')\n"
                      "for a, b in (('NAME=English', 'NAME=Rightward'), ('CODE=en', 'CODE=rw'),\n"
                      "             ('FLAGS=VE_TEXT_LEFT', 'FLAGS=VE_TEXT_RIGHT')):\n"
                      "    assert a in t\n"
                      "    t = t.replace(a, b)\n"
                      "open(sys.argv[2], 'wb').write(t.encode('utf-16-le'))\n",
                      vtest::BinaryDir() + "/datapacks/orlolanguage_0000/texts.txt",
                      dir.File("texts.txt")}));
    char name[32];
    snprintf(name, sizeof name, "orlolanguage_%04d.dmp", app->GetLanguage()->GetLanguageCount());
    CVortanString path;
    app->GetUserDataPath(path, CVortanString(name));
    ASSERT_TRUE(vtest::WriteWholeFile(
        VortanUTF8Of(path),
        vtest::MakePack({{"/texts.txt", vtest::ReadWholeFile(dir.File("texts.txt"))}})));
    ASSERT_EQ(VORTAN_OK, app->GetLanguage()->ReloadPacks());

    menu->SetMenuShown(true);
    Go("settings_root");
    CTextWidget* label = As<CTextWidget>(Find("//settings_root//settings_language_label"));
    ASSERT_NE(nullptr, label);
    int left = 0, top = 0;
    for (CWidget* w = label; w; w = w->GetParent()) {
        left += w->GetRect().left;
        top += w->GetRect().top;
    }
    const int right = left + label->GetRect().GetWidth();
    const int bottom = top + label->GetRect().GetHeight();
    // The label's ink: the columns where the frame with its text differs from one without.
    auto ink = [&](int* first, int* last) {
        std::vector<unsigned char> blank(800 * 480 * 4), drawn(800 * 480 * 4);
        label->SetText(CVortanString());
        Step();
        glReadPixels(0, 0, 800, 480, GL_RGBA, GL_UNSIGNED_BYTE, blank.data());
        menu->RunEvent("update_settings_language_label", label);
        Step();
        glReadPixels(0, 0, 800, 480, GL_RGBA, GL_UNSIGNED_BYTE, drawn.data());
        *first = 800;
        *last = -1;
        for (int y = 480 - bottom; y < 480 - top; ++y)
            for (int x = 0; x < 800; ++x)
                for (int c = 0; c < 3; ++c) {
                    const size_t i = ((size_t)y * 800 + x) * 4 + c;
                    if (abs(blank[i] - drawn[i]) > 40) {
                        *first = std::min(*first, x);
                        *last = std::max(*last, x);
                    }
                }
    };
    int first = 0, last = 0;
    ink(&first, &last);
    EXPECT_EQ("English", TextOf(label));
    EXPECT_LE(first - left, 6);
    EXPECT_GT(right - last, 30) << left << " " << first << " " << last << " " << right;
    ASSERT_EQ(VORTAN_OK, app->SetLanguage(CVortanString("rw")));
    ink(&first, &last);
    EXPECT_EQ("Rightward", TextOf(label));
    EXPECT_LE(right - last, 6);
    EXPECT_GT(first - left, 30) << left << " " << first << " " << last << " " << right;
    Keep("pages_settings_right_aligned");

    app->SetLanguage(CVortanString("en"));
    unlink(VortanUTF8Of(path).c_str());
    app->GetLanguage()->ReloadPacks();
    menu->SetMenuShown(false);
}

TEST_F(MenuPages, StartAboutAndAdvertsFollowTheMatchFlagAndTheServerImages)
{
    COrloMenuState* menu = Menu();
    menu->SetInMatch(1);
    menu->ShowStartScreen();
    EXPECT_FALSE(Find("//startscreen_root//startscreen")->IsVisible());
    EXPECT_TRUE(Find("//startscreen_root//startscreen_ingame")->IsVisible());
    menu->SetMenuShown(true);
    Go("startscreen_root");
    Keep("pages_start_ingame");
    menu->SetInMatch(0);
    menu->ShowStartScreen();
    EXPECT_TRUE(Find("//startscreen_root//startscreen")->IsVisible());
    EXPECT_FALSE(Find("//startscreen_root//startscreen_ingame")->IsVisible());

    menu->SetMenuShown(true);
    Go("about_root");
    EXPECT_EQ("PlatformTest\nVersion 1.57", TextOf(Find("//about_root//about_text")));
    Keep("pages_about");

    // The login asked for both adverts: they arrived with their images and links.
    CWebButton* more = As<CWebButton>(Named("button_moregames"));
    CWebButton* cup = As<CWebButton>(Named("button-tournaments"));
    ASSERT_TRUE(more && cup);
    ASSERT_TRUE(Until([&] { return more->GetImage() && cup->IsVisible(); }, 10));
    EXPECT_EQ(0u, VortanUTF8Of(more->GetUrl()).find("http"));
    EXPECT_NE(nullptr, As<CImageWidget>(Named("cl-icon-tournament"))->GetImage());
    EXPECT_NE("", TextOf(Named("label-tournament")));
    Keep("pages_start");

    // A second advert of the same name reuses the registered surface.
    CVortanSurface* registered = app->FindSurface(CVortanString("imageandlink_moregames"));
    ASSERT_NE(nullptr, registered);
    EXPECT_EQ(registered, more->GetImage());
    const std::string png =
        vtest::ReadWholeFile(vtest::BinaryDir() + "/datapacks/orlolobby_480/avatar.png");
    ASSERT_FALSE(png.empty());
    menu->OnImageAndLink(CVortanString("moregames"), (int)png.size(), (const u8*)png.data(),
                         CVortanString("not a link"), CVortanString());
    EXPECT_EQ(registered, more->GetImage());
    EXPECT_EQ("", VortanUTF8Of(more->GetUrl())) << "what is no web address is no link";
    app->ReleaseSurface(registered);
    // Other names are neither decoded nor registered.
    menu->OnImageAndLink(CVortanString("other"), (int)png.size(), (const u8*)png.data(),
                         CVortanString("http://x/"), CVortanString());
    EXPECT_EQ(nullptr, app->FindSurface(CVortanString("imageandlink_other")));
}

TEST_F(MenuPages, ServerImagesAreCheckedBeforeTheyAreDecoded)
{
    const std::string png =
        vtest::ReadWholeFile(vtest::BinaryDir() + "/datapacks/orlolobby_480/avatar.png");
    int w = 0, h = 0;
    ASSERT_EQ(VORTAN_OK, ReadServerImageSize((const u8*)png.data(), (int)png.size(), &w, &h));
    std::string identify;
    vtest::RunProgram({"identify", "-format", "%w %h",
                       vtest::BinaryDir() + "/datapacks/orlolobby_480/avatar.png"},
                      &identify);
    EXPECT_EQ(identify, std::to_string(w) + " " + std::to_string(h));
    EXPECT_EQ(1, IsServerImageAcceptable((const u8*)png.data(), (int)png.size()));
    // A header that claims a huge picture, and bytes cut before the size.
    std::string huge = png;
    huge[16] = 0;
    huge[17] = 0x10; // width 1048576+
    EXPECT_EQ(0, IsServerImageAcceptable((const u8*)huge.data(), (int)huge.size()));
    EXPECT_EQ(0, IsServerImageAcceptable((const u8*)png.data(), 20));
    EXPECT_EQ(nullptr, DecodeServerImage(app, (const u8*)huge.data(), (int)huge.size()));
    // A JPEG's frame header gives its size.
    vtest::TempDir dir;
    vtest::RunProgram({"convert", "-size", "37x21", "xc:red", dir.File("a.jpg")});
    const std::string jpg = vtest::ReadWholeFile(dir.File("a.jpg"));
    ASSERT_EQ(VORTAN_OK, ReadServerImageSize((const u8*)jpg.data(), (int)jpg.size(), &w, &h));
    EXPECT_EQ(37, w);
    EXPECT_EQ(21, h);
    EXPECT_EQ(VORTAN_E_MALFORMED, ReadServerImageSize((const u8*)"GIF89a", 6, &w, &h));
}

TEST_F(MenuPages, TheOwnPageShowsTheEntryAchievementsAndColouredResults)
{
    COrloMenuState* menu = Menu();
    LoginAs("alice", "wonderland", 0);
    ASSERT_EQ("alice", VortanUTF8Of(menu->CLoginController::GetUserName()));
    menu->SetMenuShown(true);
    Go("me_root");
    ASSERT_TRUE(Until([] { return Menu()->GetSelfItem() && Menu()->GetSelfItem()->GetTag(); }, 10));
    CWidget* self = menu->GetSelfItem();
    EXPECT_EQ("alice", TextOf(self->FindChild(CVortanString("player_name"), -1)));
    // alice: rank 1, score 2480, 41 won, 12 lost, 3 tied (data/standin/accounts.txt).
    EXPECT_EQ("2480", TextOf(self->FindChild(CVortanString("my_score"), -1)));
    EXPECT_EQ("1", TextOf(self->FindChild(CVortanString("my_rank"), -1)));
    EXPECT_EQ("41", TextOf(self->FindChild(CVortanString("my_wins"), -1)));
    EXPECT_EQ("73", TextOf(self->FindChild(CVortanString("my_wins_percent"), -1)));
    EXPECT_EQ("5", TextOf(self->FindChild(CVortanString("my_ties_percent"), -1)));
    EXPECT_EQ("21", TextOf(self->FindChild(CVortanString("my_losses_percent"), -1)));

    // Achievements: the account's first five of data/standin/achievements.txt.
    ASSERT_TRUE(Until([] { return TextOf(Named("my_achievement_1")) != ""; }, 10));
    EXPECT_EQ("First blood", TextOf(Named("my_achievement_1")));
    EXPECT_NE(nullptr, As<CImageWidget>(Named("my_achievement_image_1"))->GetImage());
    // Results, latest first: won, tie and lost in their texts and colours.
    ASSERT_TRUE(Until([] { return TextOf(Named("my_result_1")) != ""; }, 10));
    Step();
    const u32 colours[3] = {0xFFFF0000u, 0xFFFFCC00u, 0xFF00FF00u};
    int seen[3] = {0, 0, 0};
    for (int n = 1; n <= 6; ++n) {
        CTextWidget* row = As<CTextWidget>(
            self->FindChild(CVortanString(("my_result_" + std::to_string(n)).c_str()), -1));
        if (!row || row->GetText().IsEmpty())
            continue;
        for (int i = 0; i < 3; ++i) {
            if (VortanUTF8Of(row->GetText()) == Language(42 + i)) {
                EXPECT_EQ(colours[i], row->GetTextColor());
                ++seen[i];
            }
        }
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    Keep("pages_me");

    // The pixels: a won row draws green, a lost one red.
    Step();
    std::vector<unsigned char> rgba(800 * 480 * 4);
    glReadPixels(0, 0, 800, 480, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int green = 0, red = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        green += rgba[i] < 40 && rgba[i + 1] > 200 && rgba[i + 2] < 40;
        red += rgba[i] > 200 && rgba[i + 1] < 40 && rgba[i + 2] < 40;
    }
    EXPECT_GT(green, 20);
    EXPECT_GT(red, 20);

    EXPECT_FALSE(Named("my_achievements_none")->IsVisible());

    // None at all: the rows empty and the panel says there are none yet.
    CVortanArray<SAchievementInfo> list;
    menu->OnAchievementList(list);
    EXPECT_EQ("", TextOf(Named("my_achievement_1")));
    EXPECT_TRUE(Named("my_achievements_none")->IsVisible());
    EXPECT_EQ("No achievements yet.", Shown(Named("my_achievements_none")));
    Keep("pages_me_none");

    // Fewer than five achievements empty the rest; more show five.
    SAchievementInfo a;
    a.name = CVortanString("One");
    list.SetAtGrow(0, a);
    menu->OnAchievementList(list);
    EXPECT_EQ("One", TextOf(Named("my_achievement_1")));
    EXPECT_FALSE(Named("my_achievements_none")->IsVisible());
    EXPECT_EQ("", TextOf(Named("my_achievement_2")));
    EXPECT_EQ(nullptr, As<CImageWidget>(Named("my_achievement_image_2"))->GetImage());
    for (int i = 1; i < 7; ++i) {
        a.name = CVortanString(("A" + std::to_string(i)).c_str());
        list.SetAtGrow(i, a);
    }
    menu->OnAchievementList(list);
    EXPECT_EQ("A4", TextOf(Named("my_achievement_5")));

    // Results below -1 still give a colour and text.
    EXPECT_EQ(0, COrloMenuState::ResultIndex(-1));
    EXPECT_EQ(1, COrloMenuState::ResultIndex(0));
    EXPECT_EQ(2, COrloMenuState::ResultIndex(1));
    EXPECT_EQ(2, COrloMenuState::ResultIndex(-5));
    SMatchResult r;
    r.result = -5;
    r.points = 7;
    r.opponent = CVortanString("zed");
    menu->OnMatchResults(5, r);
    EXPECT_EQ(Language(44), TextOf(self->FindChild(CVortanString("my_result_6"), -1)));
    EXPECT_EQ("7", TextOf(self->FindChild(CVortanString("my_points_6"), -1)));

    // Negative and huge counts: shares within 0..100 summed without overflow.
    SPlayerListItem p;
    p.name = CVortanString("p");
    p.group[3] = 0x7FFFFFFF;
    p.group[4] = 0x7FFFFFFF;
    p.group[5] = -4;
    menu->FillPlayerList(self, p);
    EXPECT_EQ("50", TextOf(self->FindChild(CVortanString("my_wins_percent"), -1)));
    EXPECT_EQ("0", TextOf(self->FindChild(CVortanString("my_ties_percent"), -1)));
    EXPECT_EQ("0", TextOf(self->FindChild(CVortanString("my_ties"), -1)));
    menu->SetMenuShown(false);
}

// The screen turned: every page is laid out anew in 480 x 800 (VEX_SHOTS keeps the pictures).
TEST_F(MenuPages, TurnedToPortraitThePagesAreBuiltAgainAndTheOwnEntryComesBack)
{
    COrloMenuState* menu = Menu();
    ASSERT_TRUE(Resize(480, 800));
    menu->SetMenuShown(true);
    const char* pages[] = {"loginscreen_root", "startscreen_root", "settings_root"};
    for (const char* page : pages) {
        Go(page);
        EXPECT_EQ(page, Page());
        for (int i = 0; i < 40; ++i)
            Step();
        Keep(std::string("portrait_") + page);
    }
    Go("me_root");
    ASSERT_TRUE(Until([] { return Menu()->GetSelfItem() && Menu()->GetSelfItem()->GetTag(); }, 10));
    ASSERT_TRUE(Until([] { return TextOf(Named("my_result_1")) != ""; }, 10));
    CWidget* self = menu->GetSelfItem();
    EXPECT_EQ("alice", TextOf(self->FindChild(CVortanString("player_name"), -1)));
    Keep("portrait_me_root");
    // The longest name's line is wider than the entry in portrait: the score line and the
    // coins' line under it keep clear of it, and the figures of each line of one another.
    CTextWidget* name = As<CTextWidget>(self->FindChild(CVortanString("player_name"), -1));
    ASSERT_NE(nullptr, name);
    name->SetText(CVortanString("WWWWWWWWWWWWWWW"));
    Keep("portrait_me_longest_name");
    const char* line[] = {"label_rank", "my_rank", "label_score", "my_score", "orlocoins_amount"};
    int right = 0, top = -1;
    for (const char* n : line) {
        CWidget* w = self->FindChild(CVortanString(n), -1);
        ASSERT_NE(nullptr, w) << n;
        EXPECT_GE(w->GetRect().top, name->GetRect().bottom) << n;
        EXPECT_GE(w->GetRect().left, w->GetRect().top == top ? right - 1 : 0) << n; // rounding
        right = w->GetRect().right, top = w->GetRect().top;
    }
    EXPECT_LE(right, self->GetRect().GetWidth());
    ASSERT_TRUE(Resize(800, 480));
    menu->SetMenuShown(false);
}

TEST_F(MenuPages, AfterAMatchAGuestLandsOnTheLoginPageAndAnAccountOnAnEmptyStartPage)
{
    COrloMenuState* menu = Menu();
    ASSERT_FALSE(menu->IsGuest());
    menu->ShowPage(CVortanString("settings_root"), 1);
    menu->SetInMatch(1);
    menu->ResetToStartPage();
    EXPECT_EQ("startscreen_root", Page());
    EXPECT_EQ(0, menu->IsInMatch());
    EXPECT_FALSE(menu->IsMenuShown());

    // Joined to a room, the registry holds alice (101, data/standin/accounts.txt); with a
    // second player the way back reports both to the game: the own one with the number of
    // players, the other with 1.
    COrloNetworkSession* session = dynamic_cast<COrloNetworkSession*>(app->GetNetworkSession());
    ASSERT_NE(nullptr, session);
    session->SendJoin(1, 2);
    ASSERT_TRUE(Until([&] { return session->GetLobby()->GetPlayerCount() == 1; }, 10));
    COrloPlayer* other = new COrloPlayer();
    other->playerId = 555;
    other->name = CVortanString("zed");
    ASSERT_EQ(1, session->GetLobby()->AddPlayer(other));
    app->ended.clear();
    menu->ShowPage(CVortanString("settings_root"), 1);
    menu->ShowPage(CVortanString("about_root"), 1);
    menu->LeaveGameToLobby();
    EXPECT_EQ("startscreen_root", Page());
    EXPECT_EQ(std::vector<std::string>({"101:2 555:1 flag 1"}), app->ended);
    session->SendLeave();

    // A guest: the login page.
    menu->Logout();
    menu->LoginAsGuest();
    ASSERT_TRUE(Until([] { return Menu()->GetLoginState() == 2 && Menu()->IsGuest(); }, 20));
    menu->ShowPage(CVortanString("settings_root"), 1);
    menu->ResetToStartPage();
    EXPECT_EQ("loginscreen_root", Page());
    menu->ShowPage(CVortanString("about_root"), 1);
    menu->LeaveGameToLobby();
    EXPECT_EQ("loginscreen_root", Page());
}

// Last: it leaves the login in the external mode.
TEST_F(MenuPages, TheExternalLoginsFourOutcomesFollowTheCookiesOfTheLoadedPage)
{
    COrloMenuState* menu = Menu();
    // Nothing reported yet: nothing happens.
    Go("loginscreen_root");
    EXPECT_EQ(1, menu->RunEvent("google_loaded", nullptr));
    EXPECT_EQ("loginscreen_root", Page());

    // Refused by the page: its status text on the error page.
    menu->OnExternalCookie(CVortanString("auth_status"), CVortanString("denied by user"));
    menu->RunEvent("google_loaded", nullptr);
    EXPECT_EQ("loginscreen_error", Page());
    EXPECT_EQ("denied by user", TextOf(Find("//loginscreen_error//loginerror_message")));
    EXPECT_EQ("", VortanUTF8Of(menu->GetExternalStatus()));

    // "ok" without its id and token: text 28.
    Go("loginscreen_root");
    menu->OnExternalCookie(CVortanString("auth_status"), CVortanString("ok"));
    menu->OnExternalCookie(CVortanString("auth_id"), CVortanString("g-1"));
    EXPECT_EQ(0, menu->RunEvent("google_loaded", nullptr));
    EXPECT_EQ(Language(28), TextOf(Find("//loginscreen_error//loginerror_message")));

    // "new" before a name is confirmed: the user picks a name first, in "new" mode.
    menu->ClearExternalLogin();
    Go("loginscreen_root");
    menu->OnExternalCookie(CVortanString("auth_status"), CVortanString("new"));
    menu->RunEvent("google_loaded", nullptr);
    menu->GetPageRoot()->FinishTransitions();
    Step();
    EXPECT_EQ("loginscreen_playername", Page());
    EXPECT_TRUE(Find("//loginscreen_playername//tos_elements")->IsVisible());

    // "ok" with both: the external login goes to the lobby, which knows no account of this
    // kind for the id and asks for a name.
    menu->ClearExternalLogin();
    Go("loginscreen_root");
    menu->OnExternalCookie(CVortanString("auth_status"), CVortanString("ok"));
    menu->OnExternalCookie(CVortanString("auth_id"), CVortanString("g-999"));
    menu->OnExternalCookie(CVortanString("auth_token"), CVortanString("t"));
    EXPECT_EQ(1, menu->RunEvent("google_loaded", nullptr));
    EXPECT_EQ(Language(33), TextOf(Find("//loading_dialog//text_title")));
    EXPECT_EQ(Language(33), TextOf(Find("//loading_dialog//text_description")));
    EXPECT_EQ("", VortanUTF8Of(menu->GetExternalStatus()));
    EXPECT_EQ(2, menu->GetMode());
    // No account is linked to it here: the lobby's refusal on the error page.
    EXPECT_TRUE(Until([] { return Page() == "loginscreen_error"; }, 10)) << Page();
    EXPECT_NE(std::string::npos,
              TextOf(Find("//loginscreen_error//loginerror_message")).find("No account"));
    menu->ValidateUserName(CVortanString("newbie")); // external: one name confirmed, one logged in
    ASSERT_TRUE(Until([] { return Page() == "loginscreen_confirm"; }, 10)) << Page();
    menu->OnLoginSucceeded(CVortanString("alice"), CVortanString(), 1);
    EXPECT_TRUE(Until([] { return Page() == "loginscreen_nameconflict"; }, 10)) << Page();
    EXPECT_EQ(Language(507), Shown(Find("//loginscreen_nameconflict//conflict_text")));
    menu->OnLoginSucceeded(CVortanString("newbie"), CVortanString(), 1);
    EXPECT_TRUE(Until([] { return Page() == "loginscreen_thank"; }, 10)) << Page();
}

} // namespace
