// The platform application's screen stack and frame update with recording screens: push,
// remove, finish, send-to-back and bring-to-front, input routing to the pop-ups and the
// screens, the two-frame reload after a lost context, activation (sound paused, music
// position kept), the game state's calls before it is initialised, and the shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VortanSound/VortanMusicElements.h"
#include "VortanSound/VortanMusicPlayer.h"
#include "VortanSound/VortanSoundEngine.h"
#include "engine/VortanRunnable.h"
#include "platform/OrloNotification.h"
#include "platform/OrloState.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrloTitleState.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/OnlineStubs.h"
#include "tests/support/TestSupport.h"

namespace {

typedef std::vector<std::string> Log;
typedef std::vector<std::string> Names;

// A screen that writes every call into the log; its answers are configurable.
class FakeState : public IOrloState {
public:
    FakeState(const std::string& name, Log* log, std::set<std::string>* alive = nullptr)
        : name(name), log(log), alive(alive)
    {
        if (alive)
            alive->insert(name);
    }
    ~FakeState() override
    {
        Say("delete");
        if (alive)
            alive->erase(name);
    }
    int Init(COrloApplication* app) override
    {
        m_application = app;
        return Say("init", initResult);
    }
    void Release() override { Say("release"); }
    int Load() override { return Say("load", VORTAN_OK); }
    void Unload() override { Say("unload"); }
    int Update(float) override { return Say("update", updateResult); }
    void Render() override { Say("render"); }
    int OnPointerDown(int, int, int) override { return Say("down", consume); }
    int OnPointerMove(int, int, int) override { return Say("move", consume); }
    int OnPointerUp(int, int, int) override { return Say("up", consume); }
    int OnKeyDown(int key) override { return Say("key " + std::to_string(key), consume); }
    int OnChar(unsigned short c) override { return Say("char " + std::to_string(c), consume); }
    int OnActiveChanged(bool active) override
    {
        return Say(active ? "active 1" : "active 0", consume);
    }
    int OnContextLost() override { return Say("lost", contextResult); }
    int OnContextRestored() override { return Say("restored", contextResult); }
    int Say(const std::string& what, int result = 0)
    {
        log->push_back(name + " " + what);
        return result;
    }

    std::string name;
    Log* log;
    std::set<std::string>* alive;
    int initResult = VORTAN_OK, updateResult = 0, consume = 1, contextResult = VORTAN_OK;
};

// A game state that records the calls the platform makes on it.
class FakeGame : public ptest::GameStateStub {
public:
    FakeGame(Log* log, bool* deleted) : log(log), deleted(deleted) {}
    ~FakeGame() override
    {
        if (deleted)
            *deleted = true;
    }
    int Init(COrloApplication* app) override
    {
        m_application = app;
        return Say("game init");
    }
    void Release() override { Say("game release"); }
    int OnActiveChanged(bool active) override
    {
        return Say(active ? "game active 1" : "game active 0");
    }
    int OnContextLost() override { return Say("game lost"); }
    int OnContextRestored() override { return Say("game restored"); }
    void OnLeaveGame() override { Say("game leave"); }
    int Say(const char* what)
    {
        log->push_back(what);
        return VORTAN_OK;
    }
    Log* log;
    bool* deleted;
};

// An online menu that takes the game in the way the real one does (SetApplication, Init).
class FakeMenu : public ptest::MenuStateStub {
public:
    explicit FakeMenu(IOrloGameState* game) : game(game) {}
    ~FakeMenu() override { delete game; }
    int Init(COrloApplication* app) override
    {
        m_application = app;
        game->SetApplication(static_cast<COrlogateApplication*>(app));
        return game->Init(app);
    }
    void Release() override { game->Release(); }
    IOrloGameState* game;
};

// Pop-ups that log their calls; the toast and the advertisement take what they are given.
struct Logger {
    int Say(const char* what, int result = 1)
    {
        log->push_back(what);
        return result;
    }
    Log* log;
};

class FakeToast : public ptest::ToastStub, public Logger {
public:
    explicit FakeToast(Log* log) : Logger{log} {}
    bool IsShowing() override { return showing; }
    int GetCurrentKind() override { return kind; }
    int OnPointerDown(int, int, int) override { return Say("toast down"); }
    int OnPointerMove(int, int, int) override { return Say("toast move"); }
    int OnPointerUp(int, int, int) override { return Say("toast up"); }
    void Release() override { Say("toast release"); }
    bool showing = false;
    int kind = 1;
};

class FakeOverlay : public COrloNotification, public Logger {
public:
    explicit FakeOverlay(Log* log) : Logger{log} {}
    int OnPointerDown(int, int, int) override { return Say("overlay down", 0); }
    void Update(float) override { Say("overlay update"); }
    void Render() override { Say("overlay render"); }
    void Release() override { Say("overlay release"); }
};

class FakeAdvert : public ptest::AdvertisementStub, public Logger {
public:
    explicit FakeAdvert(Log* log, bool* deleted) : Logger{log}, deleted(deleted) {}
    ~FakeAdvert() override { *deleted = true; }
    int OnPointerDown(int, int, int) override { return Say("advert down"); }
    bool* deleted;
};

// The application with access to the parts a test puts in place.
class TestApp : public COrlogateApplication {
public:
    explicit TestApp(Log* log = nullptr) : log(log) {}
    void SetToast(IOrloToastNotification* toast) { m_toast = toast; }
    void AddOverlay(COrloNotification* overlay) { m_overlays.Add(overlay); }
    void SetAdvert(IOrloAdvertisement* advert) { m_advertisement = advert; }
    void SetSoundEngine(CVortanSoundEngine* engine) { m_soundEngine = engine; }
    void SetSettings(COrloStatsStore* settings) { m_settings = settings; }
    void SetGame(IOrloGameState* game)
    {
        m_gameState = game;
        m_ownsGameState = 1;
    }
    // Pushes a menu that takes the game in, as the online part does.
    int PushMenu(FakeMenu* menu)
    {
        m_menu = menu;
        int result = PushState(menu);
        if (result != VORTAN_OK)
            m_menu = nullptr;
        else
            m_ownsGameState = 0;
        return result;
    }
    int CreateSessionAndMenu() override
    {
        ++menuRequests;
        return VORTAN_OK;
    }
    void ReleaseAll() override
    {
        if (log)
            log->push_back("resources");
        COrlogateApplication::ReleaseAll();
    }
    // Runs the frame's runnables (the music player) as the engine's frame does.
    void RunListeners(float dt)
    {
        for (int i = 0; i < m_runnables.GetCount(); ++i)
            ((IVortanRunnable*)m_runnables.GetAt(i))->Run(dt);
    }
    Names Order()
    {
        Names out;
        for (int i = 0; i < GetStateCount(); ++i)
            out.push_back(static_cast<FakeState*>(GetStateAt(i))->name);
        return out;
    }
    Log* log;
    int menuRequests = 0;
};

class StateStackTest : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("DISPLAY"); }
    // Pushes screens so that the first named is the front one, and clears the log.
    std::vector<FakeState*> Stack(TestApp& app, std::initializer_list<const char*> names)
    {
        std::vector<FakeState*> screens;
        for (const char* name : names) {
            screens.push_back(new FakeState(name, &log, &alive));
            EXPECT_EQ(VORTAN_OK, app.PushState(screens.back()));
        }
        log.clear();
        return screens;
    }
    // The log since the last call.
    Log Take()
    {
        Log out;
        out.swap(log);
        return out;
    }
    Log log;
    std::set<std::string> alive;
};

TEST_F(StateStackTest, PushLoadsOnlyOntoAnEmptyStackAndRemoveUnloadsOnlyTheFront)
{
    TestApp app;
    FakeState* failing = new FakeState("F", &log, &alive);
    failing->initResult = VORTAN_E_FAIL;
    EXPECT_EQ(VORTAN_E_FAIL, app.PushState(failing)); // deleted, its code returned
    EXPECT_EQ(VORTAN_E_ARGUMENT, app.PushState(nullptr));
    EXPECT_EQ((Log{"F init", "F delete"}), Take());

    FakeState* a = new FakeState("A", &log, &alive);
    FakeState* b = new FakeState("B", &log, &alive);
    FakeState* c = new FakeState("C", &log, &alive);
    EXPECT_EQ(VORTAN_OK, app.PushState(a));
    EXPECT_EQ((Log{"A init", "A load"}), Take());
    EXPECT_EQ(VORTAN_OK, app.PushState(b));
    EXPECT_EQ(VORTAN_OK, app.PushState(c));
    // Behind the front screen: initialised, neither loaded nor unloading the front.
    EXPECT_EQ((Log{"B init", "C init"}), Take());
    EXPECT_EQ((Names{"A", "B", "C"}), app.Order());

    EXPECT_EQ(1, app.RemoveState(b)); // below the front: not unloaded, no one loaded
    EXPECT_EQ((Log{"B release", "B delete"}), Take());
    EXPECT_EQ(1, app.RemoveState(a));
    EXPECT_EQ((Log{"A unload", "A release", "A delete", "C load"}), Take());
    FakeState outside("X", &log);
    EXPECT_EQ(0, app.RemoveState(&outside));
    EXPECT_TRUE(log.empty());
}

TEST_F(StateStackTest, UpdateFinishesScreensAndGoesDownToTheFirstNonZero)
{
    TestApp app;
    auto s = Stack(app, {"A", "B", "C"});
    s[1]->updateResult = 1;
    app.Update();
    EXPECT_EQ((Log{"A update", "B update", "A render"}), Take());

    s[0]->Finish();
    EXPECT_EQ(3, app.GetStateCount()); // nothing happens before the update
    app.Update();
    EXPECT_EQ((Log{"A unload", "A release", "A delete", "B load", "B update", "B render"}), Take());
    EXPECT_EQ((Names{"B", "C"}), app.Order());

    s[1]->Finish();
    app.Update();
    s[2]->Finish();
    app.Update(); // the last screen finishing quits in the same frame
    EXPECT_EQ(1, app.IsQuitRequested());
    EXPECT_EQ(1, app.IsExiting()); // Quit ran the shutdown
    EXPECT_TRUE(alive.empty());
}

TEST_F(StateStackTest, SendToBackUnloadsOnlyTheFrontAndLoadsTheNewFront)
{
    TestApp app;
    auto s = Stack(app, {"A", "B", "C"});
    s[1]->SendToBack(); // not the front: it was never loaded, so it is not unloaded
    app.Update();
    EXPECT_EQ((Names{"A", "C", "B"}), app.Order());
    EXPECT_EQ((Log{"A update", "C update", "B update", "A render"}), Take());
    EXPECT_EQ(0, s[1]->WantsSendToBack());
    s[0]->SendToBack();
    app.Update();
    EXPECT_EQ((Names{"C", "B", "A"}), app.Order());
    EXPECT_EQ((Log{"A unload", "C load", "C update", "B update", "A update", "C render"}), Take());

    // Finish and send-to-back in one frame are handled in stack order.
    s[2]->Finish();
    s[1]->SendToBack();
    app.Update();
    EXPECT_EQ((Names{"A", "B"}), app.Order());
    EXPECT_EQ((Log{"C unload", "C release", "C delete", "B load", "B unload", "A load", "A update",
                   "B update", "A render"}),
              Take());

    // The only screen sent to back is loaded again.
    TestApp single;
    auto one = Stack(single, {"S"});
    one[0]->SendToBack();
    single.Update();
    EXPECT_EQ((Log{"S unload", "S load", "S update", "S render"}), Take());
    EXPECT_EQ(0, single.IsQuitRequested());
}

TEST_F(StateStackTest, BringToFrontHappensInTheNextUpdateAndStaleRequestsAreDropped)
{
    TestApp app;
    auto s = Stack(app, {"A", "B", "C"});
    EXPECT_EQ(1, app.RequestBringToFront(s[2]));
    EXPECT_TRUE(log.empty());
    app.Update();
    EXPECT_EQ((Names{"C", "A", "B"}), app.Order());
    EXPECT_EQ((Log{"A unload", "C load", "C update", "A update", "B update", "C render"}), Take());
    // Already the front: nothing to do; not in the stack: 0.
    EXPECT_EQ(1, app.BringStateToFront(s[2]));
    FakeState outside("X", &log);
    EXPECT_EQ(0, app.BringStateToFront(&outside));
    EXPECT_TRUE(log.empty());

    // A request for a screen that is removed before the update must not touch it.
    app.RequestBringToFront(&outside);
    app.RequestBringToFront(s[1]);
    app.RemoveState(s[1]);
    app.RemoveState(s[0]);
    log.clear();
    app.Update();
    EXPECT_EQ((Names{"C"}), app.Order());
    EXPECT_EQ((Log{"C update", "C render"}), Take());
}

TEST_F(StateStackTest, PointerGoesToToastOverlayAdvertThenScreensAndKeysToScreens)
{
    TestApp app;
    auto s = Stack(app, {"A", "B"});
    FakeToast* toast = new FakeToast(&log);
    app.SetToast(toast);
    app.AddOverlay(new FakeOverlay(&log));
    bool advertDeleted = false;
    FakeAdvert* advert = new FakeAdvert(&log, &advertDeleted);
    app.SetAdvert(advert);
    s[0]->consume = 0;

    // The toast is asked only while it shows; the advert only while it is shown.
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"overlay down", "A down", "B down"}), Take());
    advert->SetShown(1);
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"overlay down", "advert down"}), Take());
    toast->showing = true;
    app.OnPointerDown(0, 10, 20);
    app.OnPointerUp(0, 10, 20);
    app.OnPointerMove(0, 11, 21);
    EXPECT_EQ((Log{"toast down", "toast up", "toast move"}), Take());
    // A challenge toast with no online menu: consumed, nothing else happens.
    toast->kind = IOrloToastNotification::KIND_CHALLENGE;
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"toast down"}), Take());

    // Keys and characters go to the screens only, from the front until one takes them.
    app.OnKeyDown(0xff0d);
    app.OnChar('x');
    EXPECT_EQ((Log{"A key 65293", "B key 65293", "A char 120", "B char 120"}), Take());
    s[0]->consume = 1;
    app.OnKeyDown(0xff1b);
    EXPECT_EQ((Log{"A key 65307"}), Take());

    // Closed pop-ups are deleted by the update.
    TestApp other;
    Stack(other, {"P"});
    FakeOverlay* overlay = new FakeOverlay(&log);
    other.AddOverlay(overlay);
    bool closedDeleted = false;
    FakeAdvert* closing = new FakeAdvert(&log, &closedDeleted);
    other.SetAdvert(closing);
    closing->Close();
    overlay->Close();
    other.Update();
    EXPECT_TRUE(closedDeleted);
    EXPECT_EQ(nullptr, other.GetAdvertisement());
    EXPECT_EQ((Log{"overlay update", "overlay release", "P update", "P render"}), Take());
}

TEST_F(StateStackTest, ReloadRunsOverTwoFramesAndAFailureQuits)
{
    TestApp app;
    app.ReplaceGraphicsExt(nullptr); // software back buffer: restoring always succeeds
    auto s = Stack(app, {"A", "B"});
    bool gameDeleted = false;
    app.SetGame(new FakeGame(&log, &gameDeleted));
    EXPECT_EQ(VORTAN_OK, app.UnloadAllSurfaceTextures());
    // The game is not initialised yet (no menu took it in): it is not told.
    EXPECT_EQ((Log{"A lost", "B lost"}), Take());
    EXPECT_EQ(VORTAN_OK, app.RestoreGraphics());
    EXPECT_EQ(1, app.GetReloadStep());
    app.Update(); // the reload screen
    EXPECT_EQ(2, app.GetReloadStep());
    EXPECT_TRUE(log.empty());
    app.Update(); // the textures
    EXPECT_EQ(0, app.GetReloadStep());
    EXPECT_EQ((Log{"A restored", "B restored"}), Take());
    app.Update();
    EXPECT_EQ((Log{"A update", "B update", "A render"}), Take());

    s[0]->contextResult = VORTAN_E_MALFORMED;
    EXPECT_EQ(VORTAN_E_MALFORMED, app.UnloadAllSurfaceTextures());
    EXPECT_EQ((Log{"A lost"}), Take()); // the first failure ends the walk
    app.RestoreGraphics();
    app.Update();
    app.Update();
    EXPECT_EQ(1, app.IsExiting());
    EXPECT_EQ("A restored", log.front());
    EXPECT_TRUE(alive.empty());
    EXPECT_TRUE(gameDeleted);
}

TEST_F(StateStackTest, GameIsToldOnlyOnceAMenuInitialisedIt)
{
    TestApp app;
    app.ReplaceGraphicsExt(nullptr);
    bool gameDeleted = false;
    FakeGame* game = new FakeGame(&log, &gameDeleted);
    app.SetGame(game);
    app.SetActive(true);
    app.UnloadAllSurfaceTextures();
    EXPECT_TRUE(log.empty());

    FakeMenu* menu = new FakeMenu(game);
    ASSERT_EQ(VORTAN_OK, app.PushMenu(menu));
    log.clear();
    app.SetActive(false);
    app.UnloadAllSurfaceTextures();
    EXPECT_EQ((Log{"game active 0", "game lost"}), log);
    // The menu owns the game now: removing the menu deletes it, once.
    app.RemoveState(menu);
    EXPECT_TRUE(gameDeleted);
    EXPECT_EQ(nullptr, app.GetGameState());
    EXPECT_EQ(nullptr, app.GetMenuState());
    app.SetActive(true); // must not touch the deleted game
}

TEST_F(StateStackTest, SetActivePausesSoundTellsTheFrontAndDropsTheAdvert)
{
    TestApp app;
    CVortanSoundEngine* engine = new CVortanSoundEngine();
    app.SetSoundEngine(engine);
    auto s = Stack(app, {"A", "B"});
    bool advertDeleted = false;
    app.SetAdvert(new FakeAdvert(&log, &advertDeleted));
    app.SetActive(false);
    EXPECT_EQ(1, engine->IsPaused());
    EXPECT_EQ((Log{"A active 0"}), Take()); // the front takes it (non-zero)
    EXPECT_TRUE(advertDeleted);
    s[0]->consume = 0;
    app.SetActive(true);
    EXPECT_EQ(0, engine->IsPaused());
    EXPECT_EQ((Log{"A active 1", "B active 1"}), log);
}

class MusicFixture : public StateStackTest {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new vtest::TempDir();
        std::string wav = s_dir->File("track.wav");
        s_mp3 = s_dir->File("track.mp3");
        ASSERT_EQ(0, vtest::RunProgram({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav,
                                        "synth", "8", "sine", "330"}));
        ASSERT_EQ(0, vtest::RunProgram({"lame", "--quiet", "-b", "128", wav, s_mp3}));
    }
    static void TearDownTestSuite() { delete s_dir; }
    void SetUp() override
    {
        StateStackTest::SetUp();
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "fakesink sync=true");
    }
    void TearDown() override { CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr); }

    // Settings with the platform's music keys.
    static COrloStatsStore* Settings(int musicMuted)
    {
        COrloStatsStore* settings = new COrloStatsStore();
        settings->AddEntry(CVortanString(ORLO_KEY_MUSIC_MUTE))->SetBool(musicMuted);
        settings->AddEntry(CVortanString(ORLO_KEY_MUSIC_VOLUME))->SetInt(-2000);
        settings->AddEntry(CVortanString(ORLO_KEY_SOUNDS_VOLUME))->SetInt(-2000);
        return settings;
    }
    // Frames until the player reports at least `seconds`.
    static float PlayUntil(TestApp& app, float seconds)
    {
        float position = 0.0f;
        for (int i = 0; i < 400 && position < seconds; ++i) {
            app.RunListeners(0.01f);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            position = app.GetMusicPlayer() ? app.GetMusicPlayer()->GetPosition() : 0.0f;
        }
        return position;
    }

    static vtest::TempDir* s_dir;
    static std::string s_mp3;
};
vtest::TempDir* MusicFixture::s_dir = nullptr;
std::string MusicFixture::s_mp3;

TEST_F(MusicFixture, DeactivationKeepsTheMusicPosition)
{
    TestApp app;
    app.SetSettings(Settings(0));
    Stack(app, {"A"});
    CVortanString file(s_mp3.c_str());
    ASSERT_EQ(VORTAN_OK, app.PlayMusic(file, true));
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    ASSERT_GE(PlayUntil(app, 0.6f), 0.6f);

    app.SetActive(false);
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    EXPECT_TRUE(app.GetRememberedMusic() == file);
    int remembered = app.GetRememberedMusicPosition();
    EXPECT_GE(remembered, 600);
    EXPECT_LT(remembered, 8000);

    app.SetActive(true);
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    EXPECT_EQ(remembered, app.GetRememberedMusicPosition());
    // The new player continues from the remembered place: the first position it reports is
    // already there.
    EXPECT_GE(PlayUntil(app, 0.001f), remembered / 1000.0f - 0.05f);
    EXPECT_EQ(CVortanSoundMusicPlayer::STATE_PLAYING, app.GetMusicPlayer()->GetState());
}

TEST_F(MusicFixture, MutedMusicIsRememberedAndStartsWhenUnmuted)
{
    TestApp app;
    COrloStatsStore* settings = Settings(1);
    app.SetSettings(settings);
    EXPECT_EQ(VORTAN_OK, app.PlayMusic(CVortanString(s_mp3.c_str()), false));
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    app.SetMusicMute(false);
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    EXPECT_EQ(0, settings->Find(CVortanString(ORLO_KEY_MUSIC_MUTE))->boolValue);
    app.StopMusic();
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    app.SetMusicMute(true);
    app.SetMusicMute(false); // nothing remembered: nothing plays
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
}

TEST_F(StateStackTest, GameServicesWithoutSessionMenuOrAchievements)
{
    TestApp app;
    FakeGame game(&log, nullptr);
    EXPECT_EQ(VORTAN_E_RANGE, game.SetLanguage(CVortanString("en"))); // no language object
    EXPECT_EQ(-1, game.GetOwnPlayerId());                             // no application yet
    game.SetApplication(&app);
    game.SetApplication(nullptr); // the first application stays
    EXPECT_EQ(&app, game.GetApplication());
    EXPECT_EQ(-1, game.GetOwnPlayerId());
    EXPECT_EQ(0, game.GetLobbyPlayerCount());
    EXPECT_EQ(nullptr, game.GetLobbyPlayer(0));
    CVortanString name("x"), store;
    game.GetOwnPlayerName(name);
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(0, game.UnlockAchievement(1));
    EXPECT_EQ(0, game.IsAchievementUnlocked(1));
    game.GetStoreName(store);
    EXPECT_TRUE(store == CVortanString("Ovi"));
    // Leaving a match with no session: the game is told and the menu (absent) is asked for.
    game.LeaveGame();
    game.SendLeave();
    game.SendGameData((const u8*)"ab", 2, 0, 0);
    game.ReportMatchEnd(nullptr, nullptr, 1);
    EXPECT_EQ((Log{"game leave"}), log);
}

TEST_F(StateStackTest, ShutdownGoesPopUpsScreensGameThenResourcesOnce)
{
    // The pop-ups first (advertisement, overlays, toast), then the screens (front unloaded,
    // each released and deleted front to back), the game no menu took, and only then the
    // resources the screens held.
    class LoggingAdvert : public FakeAdvert {
    public:
        using FakeAdvert::FakeAdvert;
        void Release() override { Say("advert release"); }
    };
    class LoggingGame : public FakeGame {
    public:
        using FakeGame::FakeGame;
        ~LoggingGame() override { log->push_back("game delete"); }
    };
    bool advertDeleted = false, gameDeleted = false;
    {
        TestApp app(&log);
        Stack(app, {"A", "B"});
        app.SetAdvert(new LoggingAdvert(&log, &advertDeleted));
        app.AddOverlay(new FakeOverlay(&log));
        app.SetToast(new FakeToast(&log));
        app.SetGame(new LoggingGame(&log, &gameDeleted));
        app.OnExit();
        EXPECT_EQ(
            (Log{"advert release", "overlay release", "toast release", "A unload", "A release",
                 "A delete", "B release", "B delete", "game delete", "resources"}),
            Take());
        EXPECT_TRUE(advertDeleted);
        EXPECT_TRUE(gameDeleted);
        EXPECT_EQ(0, app.GetStateCount());
        app.OnExit(); // a second shutdown frees nothing twice
        app.log = nullptr;
    }
    EXPECT_TRUE(alive.empty());
}

TEST_F(StateStackTest, TitleStartsTheOnlinePartOnceButNotDuringExit)
{
    {
        TestApp app;
        ASSERT_EQ(VORTAN_OK, app.PushState(new COrloTitleState()));
        app.OnExit(); // the front title is unloaded by the shutdown
        EXPECT_EQ(0, app.menuRequests);
    }
    TestApp app;
    COrloTitleState* title = new COrloTitleState();
    ASSERT_EQ(VORTAN_OK, app.PushState(title));
    FakeState* other = new FakeState("B", &log);
    ASSERT_EQ(VORTAN_OK, app.PushState(other));
    app.BringStateToFront(other); // the title is left before 2.5 s
    EXPECT_EQ(1, app.menuRequests);
    EXPECT_EQ(1, title->IsMenuStarted());
    app.BringStateToFront(title);
    app.BringStateToFront(other);
    EXPECT_EQ(1, app.menuRequests);
}

} // namespace
