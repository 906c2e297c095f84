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
#include "online/OrloAdvertisement.h"
#include "online/OrloMenuState.h"
#include "online/OrloNotification.h"
#include "online/OrloToastNotification.h"
#include "platform/OrloState.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrloTitleState.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/TestSupport.h"

namespace {

typedef std::vector<std::string> Log;

// A screen that writes every call into the log; its input answers are configurable.
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
        log->push_back(name + " delete");
        if (alive)
            alive->erase(name);
    }
    int Init(COrloApplication* app) override
    {
        log->push_back(name + " init");
        m_application = app;
        return initResult;
    }
    void Release() override { log->push_back(name + " release"); }
    int Load() override
    {
        log->push_back(name + " load");
        return 1;
    }
    void Unload() override { log->push_back(name + " unload"); }
    int Update(float) override
    {
        log->push_back(name + " update");
        return updateResult;
    }
    void Render() override { log->push_back(name + " render"); }
    int OnPointerDown(int, int, int) override { return Input("down"); }
    int OnPointerMove(int, int, int) override { return Input("move"); }
    int OnPointerUp(int, int, int) override { return Input("up"); }
    int OnKeyDown(int key) override
    {
        log->push_back(name + " key " + std::to_string(key));
        return consume;
    }
    int OnChar(unsigned short c) override
    {
        log->push_back(name + " char " + std::to_string(c));
        return consume;
    }
    int OnActiveChanged(bool active) override
    {
        log->push_back(name + " active " + std::to_string(active ? 1 : 0));
        return consume;
    }
    int OnContextLost() override
    {
        log->push_back(name + " lost");
        return contextResult;
    }
    int OnContextRestored() override
    {
        log->push_back(name + " restored");
        return contextResult;
    }
    int OnResize(int w, int h) override
    {
        log->push_back(name + " resize " + std::to_string(w) + "x" + std::to_string(h));
        return 1;
    }

    int Input(const char* what)
    {
        log->push_back(name + " " + what);
        return consume;
    }

    std::string name;
    Log* log;
    std::set<std::string>* alive;
    int initResult = 1;
    int updateResult = 0;
    int consume = 1;
    int contextResult = 1;
};

// A game state that records the calls the platform makes on it.
class FakeGame : public IOrloGameState {
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
        log->push_back("game init");
        return 1;
    }
    void Release() override { log->push_back("game release"); }
    int Load() override { return 1; }
    void Unload() override {}
    int Update(float) override { return 1; }
    void Render() override {}
    int OnActiveChanged(bool active) override
    {
        log->push_back(std::string("game active ") + (active ? "1" : "0"));
        return 1;
    }
    int OnContextLost() override
    {
        log->push_back("game lost");
        return 1;
    }
    int OnContextRestored() override
    {
        log->push_back("game restored");
        return 1;
    }
    int GetGameNumber() override { return 64; }
    void GetVersion(CVortanString& out) override { out = "1.57"; }
    void GetAppName(CVortanString& out) override { out = "StackTest"; }
    int GetMinPlayers() override { return 2; }
    int GetMaxPlayers() override { return 2; }
    int GetEditionFlag() override { return 0; }
    void GetAppSecret(CVortanString& out) override { out = "x"; }
    void OnHook32() override {}
    void OnHook33() override {}
    void OnLeaveGame() override { log->push_back("game leave"); }
    void StartMatch(int) override {}
    int OnConnectionLost(int) override { return 0; }
    int OnPlayerLeft(int) override { return 0; }
    float GetTurnClock() override { return 0.0f; }
    void OnGameData(const u8*, int) override {}
    void OnGameClosed() override {}
    void SetSessionFlag(int) override {}

    Log* log;
    bool* deleted;
};

// An online menu that takes the game in the way the real one does (SetApplication, Init).
class FakeMenu : public COrloMenuState {
public:
    FakeMenu(IOrloGameState* game, Log* log) : game(game), log(log) {}
    ~FakeMenu() override { delete game; }
    int Init(COrloApplication* app) override
    {
        m_application = app;
        game->SetApplication(static_cast<COrlogateApplication*>(app));
        return game->Init(app);
    }
    void Release() override { game->Release(); }
    IOrloGameState* game;
    Log* log;
};

class FakeToast : public COrloToastNotification {
public:
    explicit FakeToast(Log* log) : log(log) {}
    bool IsShowing() override { return showing; }
    int GetCurrentKind() override { return kind; }
    int OnPointerDown(int, int, int) override { return Input("toast down"); }
    int OnPointerMove(int, int, int) override { return Input("toast move"); }
    int OnPointerUp(int, int, int) override { return Input("toast up"); }
    int Input(const char* what)
    {
        log->push_back(what);
        return consume;
    }
    Log* log;
    bool showing = false;
    int kind = 1;
    int consume = 1;
};

class FakeOverlay : public COrloNotification {
public:
    explicit FakeOverlay(Log* log) : log(log) {}
    int OnPointerDown(int, int, int) override
    {
        log->push_back("overlay down");
        return consume;
    }
    void Update(float) override { log->push_back("overlay update"); }
    void Render() override { log->push_back("overlay render"); }
    void Release() override { log->push_back("overlay release"); }
    Log* log;
    int consume = 0;
};

class FakeAdvert : public COrloAdvertisement {
public:
    explicit FakeAdvert(Log* log, bool* deleted) : log(log), deleted(deleted) {}
    ~FakeAdvert() override { *deleted = true; }
    int OnPointerDown(int, int, int) override
    {
        log->push_back("advert down");
        return 1;
    }
    Log* log;
    bool* deleted;
};

// The application with access to the parts a test puts in place.
class TestApp : public COrlogateApplication {
public:
    void SetToast(COrloToastNotification* toast) { m_toast = toast; }
    void AddOverlay(COrloNotification* overlay) { m_overlays.Add(overlay); }
    void SetAdvert(COrloAdvertisement* advert) { m_advertisement = advert; }
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
        if (result != 1)
            m_menu = nullptr;
        else
            m_ownsGameState = 0;
        return result;
    }
    int CreateSessionAndMenu() override
    {
        ++menuRequests;
        return menuResult;
    }
    // Runs the frame's runnables (the music player) as the engine's frame does.
    void RunListeners(float dt)
    {
        for (int i = 0; i < m_runnables.GetCount(); ++i)
            ((IVortanRunnable*)m_runnables.GetAt(i))->Run(dt);
    }
    int menuRequests = 0;
    int menuResult = 1;
};

std::vector<std::string> Order(TestApp& app)
{
    std::vector<std::string> out;
    for (int i = 0; i < app.GetStateCount(); ++i)
        out.push_back(static_cast<FakeState*>(app.GetStateAt(i))->name);
    return out;
}

class StateStackTest : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("DISPLAY"); }
    FakeState* Make(const char* name) { return new FakeState(name, &log, &alive); }
    // Pushes screens so that the first named is the front one, and clears the log.
    void Stack(TestApp& app, std::initializer_list<FakeState*> screens)
    {
        for (FakeState* s : screens)
            ASSERT_EQ(1, app.PushState(s));
        log.clear();
    }
    Log log;
    std::set<std::string> alive;
};

// --- pushing and removing -------------------------------------------------------------------------

TEST_F(StateStackTest, PushLoadsOnlyOntoAnEmptyStack)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    EXPECT_EQ(1, app.PushState(a));
    EXPECT_EQ((Log{"A init", "A load"}), log);
    log.clear();
    EXPECT_EQ(1, app.PushState(b));
    // Behind the front screen: initialised, neither loaded nor unloading the front.
    EXPECT_EQ((Log{"B init"}), log);
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), Order(app));
}

TEST_F(StateStackTest, PushWithFailingInitDeletesTheScreenAndReturnsItsCode)
{
    TestApp app;
    FakeState* a = Make("A");
    a->initResult = 9;
    EXPECT_EQ(9, app.PushState(a));
    EXPECT_EQ((Log{"A init", "A delete"}), log);
    EXPECT_EQ(0, app.GetStateCount());
    EXPECT_EQ(2, app.PushState(nullptr));
}

TEST_F(StateStackTest, RemoveStateFrontBelowAndAbsent)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    FakeState* c = Make("C");
    Stack(app, {a, b, c});
    EXPECT_EQ(1, app.RemoveState(b));  // below the front: not unloaded, no one loaded
    EXPECT_EQ((Log{"B release", "B delete"}), log);
    log.clear();
    EXPECT_EQ(1, app.RemoveState(a));
    EXPECT_EQ((Log{"A unload", "A release", "A delete", "C load"}), log);
    log.clear();
    FakeState outside("X", &log);
    EXPECT_EQ(0, app.RemoveState(&outside));
    EXPECT_TRUE(std::find(log.begin(), log.end(), "X release") == log.end());
}

// --- the frame update ------------------------------------------------------------------------------

TEST_F(StateStackTest, FinishedScreenLeavesInTheNextUpdate)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    Stack(app, {a, b});
    a->Finish();
    EXPECT_EQ(2, app.GetStateCount());  // nothing happens before the update
    app.Update();
    EXPECT_EQ((Log{"A unload", "A release", "A delete", "B load", "B update", "B render"}), log);
    EXPECT_EQ((std::vector<std::string>{"B"}), Order(app));
    EXPECT_EQ(0, app.IsQuitRequested());
}

TEST_F(StateStackTest, LastScreenFinishingQuitsInTheSameFrame)
{
    TestApp app;
    FakeState* a = Make("A");
    Stack(app, {a});
    a->Finish();
    app.Update();
    EXPECT_EQ(1, app.IsQuitRequested());
    EXPECT_EQ(1, app.IsExiting());  // Quit ran the shutdown
    EXPECT_TRUE(alive.empty());
}

TEST_F(StateStackTest, UpdateGoesDownToTheFirstNonZeroAndRendersOnlyTheFront)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    FakeState* c = Make("C");
    Stack(app, {a, b, c});
    b->updateResult = 1;
    app.Update();
    EXPECT_EQ((Log{"A update", "B update", "A render"}), log);
}

TEST_F(StateStackTest, SendToBackUnloadsOnlyTheFrontAndLoadsTheNewFront)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    FakeState* c = Make("C");
    Stack(app, {a, b, c});

    b->SendToBack();  // not the front: it was never loaded, so it is not unloaded
    app.Update();
    EXPECT_EQ((std::vector<std::string>{"A", "C", "B"}), Order(app));
    EXPECT_EQ((Log{"A update", "C update", "B update", "A render"}), log);
    EXPECT_EQ(0, b->WantsSendToBack());
    log.clear();

    a->SendToBack();
    app.Update();
    EXPECT_EQ((std::vector<std::string>{"C", "B", "A"}), Order(app));
    EXPECT_EQ((Log{"A unload", "C load", "C update", "B update", "A update", "C render"}), log);
}

TEST_F(StateStackTest, TheOnlyScreenSentToBackIsLoadedAgain)
{
    TestApp app;
    FakeState* a = Make("A");
    Stack(app, {a});
    a->SendToBack();
    app.Update();
    EXPECT_EQ((Log{"A unload", "A load", "A update", "A render"}), log);
    EXPECT_EQ(0, app.IsQuitRequested());
}

TEST_F(StateStackTest, FinishAndSendToBackInOneFrameAreHandledInStackOrder)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    FakeState* c = Make("C");
    Stack(app, {a, b, c});
    a->Finish();
    b->SendToBack();
    app.Update();
    EXPECT_EQ((std::vector<std::string>{"C", "B"}), Order(app));
    EXPECT_EQ((Log{"A unload", "A release", "A delete", "B load", "B unload", "C load", "C update", "B update",
                   "C render"}),
              log);
}

TEST_F(StateStackTest, BringToFrontHappensInTheNextUpdate)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    FakeState* c = Make("C");
    Stack(app, {a, b, c});
    EXPECT_EQ(1, app.RequestBringToFront(c));
    EXPECT_TRUE(log.empty());
    app.Update();
    EXPECT_EQ((std::vector<std::string>{"C", "A", "B"}), Order(app));
    EXPECT_EQ((Log{"A unload", "C load", "C update", "A update", "B update", "C render"}), log);

    // Already the front: nothing to do; not in the stack: 0.
    log.clear();
    EXPECT_EQ(1, app.BringStateToFront(c));
    FakeState outside("X", &log);
    EXPECT_EQ(0, app.BringStateToFront(&outside));
    EXPECT_TRUE(log.empty());
}

TEST_F(StateStackTest, RequestsForScreensNotInTheStackAreDropped)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    Stack(app, {a, b});
    FakeState outside("X", &log);
    app.RequestBringToFront(&outside);
    // A request for a screen that is removed before the update must not touch it.
    app.RequestBringToFront(b);
    app.RemoveState(b);
    log.clear();
    app.Update();
    EXPECT_EQ((std::vector<std::string>{"A"}), Order(app));
    EXPECT_EQ((Log{"A update", "A render"}), log);
}

// --- input ------------------------------------------------------------------------------------

TEST_F(StateStackTest, PointerGoesToToastOverlayAdvertThenScreens)
{
    TestApp app;
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    Stack(app, {a, b});
    FakeToast* toast = new FakeToast(&log);
    app.SetToast(toast);
    FakeOverlay* overlay = new FakeOverlay(&log);
    app.AddOverlay(overlay);
    bool advertDeleted = false;
    FakeAdvert* advert = new FakeAdvert(&log, &advertDeleted);
    app.SetAdvert(advert);
    a->consume = 0;

    // The toast is asked only while it shows; the advert only while it is shown.
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"overlay down", "A down", "B down"}), log);
    log.clear();

    advert->SetShown(1);
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"overlay down", "advert down"}), log);
    log.clear();

    toast->showing = true;
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"toast down"}), log);
    log.clear();
    app.OnPointerUp(0, 10, 20);
    app.OnPointerMove(0, 11, 21);
    EXPECT_EQ((Log{"toast up", "toast move"}), log);
    log.clear();

    // A challenge toast with no online menu: consumed, nothing else happens.
    toast->kind = COrloToastNotification::KIND_CHALLENGE;
    app.OnPointerDown(0, 10, 20);
    EXPECT_EQ((Log{"toast down"}), log);
    log.clear();

    // Keys and characters go to the screens only, from the front until one takes them.
    app.OnKeyDown(0xff0d);
    app.OnChar('x');
    EXPECT_EQ((Log{"A key 65293", "B key 65293", "A char 120", "B char 120"}), log);
    log.clear();
    a->consume = 1;
    app.OnKeyDown(0xff1b);
    EXPECT_EQ((Log{"A key 65307"}), log);
}

TEST_F(StateStackTest, ClosedPopUpsAreDeletedByTheUpdate)
{
    TestApp app;
    FakeState* a = Make("A");
    Stack(app, {a});
    FakeOverlay* overlay = new FakeOverlay(&log);
    app.AddOverlay(overlay);
    bool advertDeleted = false;
    FakeAdvert* advert = new FakeAdvert(&log, &advertDeleted);
    app.SetAdvert(advert);
    advert->Close();
    overlay->Close();
    app.Update();
    EXPECT_TRUE(advertDeleted);
    EXPECT_EQ(nullptr, app.GetAdvertisement());
    EXPECT_EQ((Log{"overlay update", "overlay release", "A update", "A render"}), log);
}

// --- lost graphics context ---------------------------------------------------------------------------

TEST_F(StateStackTest, ReloadRunsOverTwoFramesWithoutUpdatingTheScreens)
{
    TestApp app;
    app.ReplaceGraphicsExt(nullptr);  // software back buffer: restoring always succeeds
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    Stack(app, {a, b});
    bool gameDeleted = false;
    app.SetGame(new FakeGame(&log, &gameDeleted));

    EXPECT_EQ(1, app.UnloadAllSurfaceTextures());
    // The game is not initialised yet (no menu took it in): it is not told.
    EXPECT_EQ((Log{"A lost", "B lost"}), log);
    log.clear();

    EXPECT_EQ(1, app.RestoreGraphics());
    EXPECT_EQ(1, app.GetReloadStep());
    app.Update();  // the reload screen
    EXPECT_EQ(2, app.GetReloadStep());
    EXPECT_TRUE(log.empty());
    app.Update();  // the textures
    EXPECT_EQ(0, app.GetReloadStep());
    EXPECT_EQ((Log{"A restored", "B restored"}), log);
    log.clear();
    app.Update();
    EXPECT_EQ((Log{"A update", "B update", "A render"}), log);
}

TEST_F(StateStackTest, FailedReloadQuits)
{
    TestApp app;
    app.ReplaceGraphicsExt(nullptr);
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    Stack(app, {a, b});
    a->contextResult = 4;
    EXPECT_EQ(4, app.UnloadAllSurfaceTextures());
    EXPECT_EQ((Log{"A lost"}), log);  // the first failure ends the walk
    log.clear();
    app.RestoreGraphics();
    app.Update();
    app.Update();
    EXPECT_EQ(1, app.IsExiting());
    EXPECT_EQ("A restored", log.front());
    EXPECT_TRUE(alive.empty());
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

    FakeMenu* menu = new FakeMenu(game, &log);
    ASSERT_EQ(1, app.PushMenu(menu));
    log.clear();
    app.SetActive(false);
    app.UnloadAllSurfaceTextures();
    EXPECT_EQ((Log{"game active 0", "game lost"}), log);

    // The menu owns the game now: removing the menu deletes it, once.
    app.RemoveState(menu);
    EXPECT_TRUE(gameDeleted);
    EXPECT_EQ(nullptr, app.GetGameState());
    EXPECT_EQ(nullptr, app.GetMenuState());
    app.SetActive(true);  // must not touch the deleted game
}

// --- activation -------------------------------------------------------------------------------

TEST_F(StateStackTest, SetActivePausesSoundTellsTheFrontAndDropsTheAdvert)
{
    TestApp app;
    CVortanSoundEngine* engine = new CVortanSoundEngine();
    app.SetSoundEngine(engine);
    FakeState* a = Make("A");
    FakeState* b = Make("B");
    Stack(app, {a, b});
    bool advertDeleted = false;
    app.SetAdvert(new FakeAdvert(&log, &advertDeleted));

    app.SetActive(false);
    EXPECT_EQ(1, engine->IsPaused());
    EXPECT_EQ((Log{"A active 0"}), log);  // the front takes it (non-zero)
    EXPECT_TRUE(advertDeleted);
    log.clear();
    a->consume = 0;
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
        ASSERT_EQ(0, vtest::RunProgram({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "8",
                                        "sine", "330"}));
        ASSERT_EQ(0, vtest::RunProgram({"lame", "--quiet", "-b", "128", wav, s_mp3}));
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override
    {
        StateStackTest::SetUp();
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "fakesink sync=true");
    }
    void TearDown() override { CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr); }

    // Settings with the platform's music keys (music not muted).
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
    FakeState* a = Make("A");
    Stack(app, {a});
    CVortanString file(s_mp3.c_str());
    ASSERT_EQ(1, app.PlayMusic(file, true));
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    float played = PlayUntil(app, 0.6f);
    ASSERT_GE(played, 0.6f);

    app.SetActive(false);
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    EXPECT_TRUE(app.GetRememberedMusic() == file);
    int remembered = app.GetRememberedMusicPosition();
    EXPECT_GE(remembered, 600);
    EXPECT_LT(remembered, 8000);

    app.SetActive(true);
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    EXPECT_EQ(remembered, app.GetRememberedMusicPosition());
    // The new player continues from the remembered place, not from the start: the first
    // position it reports is already there.
    float resumed = PlayUntil(app, 0.001f);
    EXPECT_GE(resumed, remembered / 1000.0f - 0.05f);
    EXPECT_EQ(CVortanSoundMusicPlayer::STATE_PLAYING, app.GetMusicPlayer()->GetState());
}

TEST_F(MusicFixture, MutedMusicIsRememberedAndStartsWhenUnmuted)
{
    TestApp app;
    COrloStatsStore* settings = Settings(1);
    app.SetSettings(settings);
    CVortanString file(s_mp3.c_str());
    EXPECT_EQ(1, app.PlayMusic(file, false));
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    app.SetMusicMute(false);
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    EXPECT_EQ(0, settings->Find(CVortanString(ORLO_KEY_MUSIC_MUTE))->boolValue);
    app.StopMusic();
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    app.SetMusicMute(true);
    app.SetMusicMute(false);  // nothing remembered: nothing plays
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
}

TEST_F(StateStackTest, VolumeSettersClampAndChangeOnlyExistingKeys)
{
    TestApp app;
    COrloStatsStore* settings = new COrloStatsStore();
    settings->AddEntry(CVortanString(ORLO_KEY_SOUNDS_VOLUME))->SetInt(-2000);
    app.SetSettings(settings);
    app.SetSoundsVolume(500);
    EXPECT_EQ(0, app.GetSoundsVolume());
    app.SetSoundsVolume(-20000);
    EXPECT_EQ(-10000, app.GetSoundsVolume());
    app.SetMusicVolume(-3000);  // no such key: nothing is created
    EXPECT_EQ(nullptr, settings->Find(CVortanString(ORLO_KEY_MUSIC_VOLUME)));
    EXPECT_EQ(0, app.GetMusicVolume());
    EXPECT_TRUE(app.GetVibrations());  // missing: on
    EXPECT_FALSE(app.GetSoundsMute());
}

// --- the game state's platform services without an online part ------------------------------------

TEST_F(StateStackTest, GameServicesWithoutSessionMenuOrAchievements)
{
    TestApp app;
    bool deleted = false;
    FakeGame game(&log, &deleted);
    EXPECT_EQ(3, game.SetLanguage(CVortanString("en")));  // no language object
    EXPECT_EQ(-1, game.GetOwnPlayerId());                 // no application yet
    game.SetApplication(&app);
    game.SetApplication(nullptr);  // the first application stays
    EXPECT_EQ(&app, game.GetApplication());
    EXPECT_EQ(-1, game.GetOwnPlayerId());
    EXPECT_EQ(0, game.GetLobbyPlayerCount());
    EXPECT_EQ(nullptr, game.GetLobbyPlayer(0));
    CVortanString name("x");
    game.GetOwnPlayerName(name);
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(0, game.UnlockAchievement(1));
    EXPECT_EQ(0, game.IsAchievementUnlocked(1));
    CVortanString store;
    game.GetStoreName(store);
    EXPECT_TRUE(store == CVortanString("Ovi"));
    // Leaving a match with no session: the game is told and the menu (absent) is asked for.
    game.LeaveGame();
    EXPECT_EQ((Log{"game leave"}), log);
    game.SendLeave();
    game.SendGameData((const u8*)"ab", 2, 0, 0);
    game.ReportMatchEnd(nullptr, nullptr, 1);
    EXPECT_EQ(1u, log.size());
}

// --- shutdown and the title's start of the online part ----------------------------------------------

TEST_F(StateStackTest, ExitDeletesTheGameWhenNoMenuTookIt)
{
    bool gameDeleted = false;
    {
        TestApp app;
        FakeState* a = Make("A");
        FakeState* b = Make("B");
        Stack(app, {a, b});
        app.SetGame(new FakeGame(&log, &gameDeleted));
        app.OnExit();
        EXPECT_TRUE(gameDeleted);
        EXPECT_EQ((Log{"A unload", "A release", "A delete", "B release", "B delete"}), log);
        EXPECT_EQ(0, app.GetStateCount());
        app.OnExit();  // a second shutdown frees nothing twice
    }
    EXPECT_TRUE(alive.empty());
}

TEST_F(StateStackTest, ShutdownGoesPopUpsScreensGameThenResources)
{
    // The pop-ups first (advertisement, overlays, toast), then the screens (front unloaded,
    // each released and deleted front to back), the game no menu took, and only then the
    // resources the screens held.
    class LoggingAdvert : public FakeAdvert {
    public:
        using FakeAdvert::FakeAdvert;
        void Release() override { log->push_back("advert release"); }
    };
    class LoggingToast : public FakeToast {
    public:
        using FakeToast::FakeToast;
        void Release() override { log->push_back("toast release"); }
    };
    class LoggingGame : public FakeGame {
    public:
        using FakeGame::FakeGame;
        ~LoggingGame() override { log->push_back("game delete"); }
    };
    class LoggingApp : public TestApp {
    public:
        explicit LoggingApp(Log* log) : log(log) {}
        void ReleaseAll() override
        {
            if (log)
                log->push_back("resources");
            TestApp::ReleaseAll();
        }
        Log* log;
    };
    bool advertDeleted = false;
    bool gameDeleted = false;
    {
        LoggingApp app(&log);
        Stack(app, {Make("A"), Make("B")});
        app.SetAdvert(new LoggingAdvert(&log, &advertDeleted));
        app.AddOverlay(new FakeOverlay(&log));
        app.SetToast(new LoggingToast(&log));
        app.SetGame(new LoggingGame(&log, &gameDeleted));
        app.OnExit();
        EXPECT_EQ((Log{"advert release", "overlay release", "toast release", "A unload", "A release", "A delete",
                       "B release", "B delete", "game delete", "resources"}),
                  log);
        EXPECT_TRUE(advertDeleted);
        EXPECT_TRUE(gameDeleted);
        app.log = nullptr;
    }
}

TEST_F(StateStackTest, TitleStartsTheOnlinePartOnceButNotDuringExit)
{
    {
        TestApp app;
        ASSERT_EQ(1, app.PushState(new COrloTitleState()));
        app.OnExit();  // the front title is unloaded by the shutdown
        EXPECT_EQ(0, app.menuRequests);
    }
    {
        TestApp app;
        COrloTitleState* title = new COrloTitleState();
        ASSERT_EQ(1, app.PushState(title));
        FakeState* other = Make("B");
        ASSERT_EQ(1, app.PushState(other));
        app.BringStateToFront(other);  // the title is left before 2.5 s
        EXPECT_EQ(1, app.menuRequests);
        EXPECT_EQ(1, title->IsMenuStarted());
        app.BringStateToFront(title);
        app.BringStateToFront(other);
        EXPECT_EQ(1, app.menuRequests);
    }
}

} // namespace
