// The game's menu, credits, story intro and connecting screen, run by the game host on the
// stand-in clock with null graphics: the menu waits for the whole background loading, then
// builds its buttons and starts its tune; leaving waits for the buttons; the credits roll at
// 48 pixels a second, cannot be dragged below their start and close by button, back key or
// end of roll; the web pages' address; the intro's strip speed, stop, fade and every way out
// with the tune stopped; the countdown and the leave messages of the connecting screen (each
// way out sends one; past the wait it is sent again every step until the screen has gone).
#include <gtest/gtest.h>

#include <math.h>

#include <set>

#include "engine/graphics/VortanSurface.h"
#include "game/VexAssetTables.h"
#include "game/VexConnectingState.h"
#include "game/VexIntroState.h"
#include "game/VexTrainingState.h"
#include "platform/OrloWebServer.h"
#include "tests/game/ScreenTestSupport.h"

namespace {

using stest::Screens;

const float kW = 800.0f, kH = 480.0f;

TEST_F(Screens, MenuWaitsForTheWholeLoadingThenBuildsItsButtonsAndPlaysItsTuneOnce)
{
    stest::WriteTunes(app);
    Steps(60);
    ASSERT_NE(nullptr, Menu());
    EXPECT_FALSE(Menu()->IsReady());
    EXPECT_EQ(0, Menu()->GetButtons()->GetButtonCount());
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    EXPECT_FALSE(game.IsLoadingDone());
    LoadMenu();
    EXPECT_TRUE(game.IsLoadingDone());
    // Seven buttons and the hidden close button of the credits.
    ASSERT_EQ(8, Menu()->GetButtons()->GetButtonCount());
    const int ids[] = {3, 5, 6, 2, 4, 8, 0, 7};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ids[i], Menu()->GetButtons()->GetButton(i)->id);
        EXPECT_EQ(i < 7 ? 1 : 0, Menu()->GetButtons()->GetButton(i)->visible);
    }
    // s = 100: the battle button at the centre, half size s.
    CVexButton* battle = MenuButton(VEX_MENU_BUTTON_BATTLE);
    EXPECT_FLOAT_EQ(400.0f, battle->centre.x);
    EXPECT_FLOAT_EQ(100.0f, battle->halfSize.x);
    EXPECT_FLOAT_EQ(400.0f - 125.0f, MenuButton(VEX_MENU_BUTTON_TRAINING)->centre.x);
    CVortanSoundMusicPlayer* tune = app.GetMusicPlayer();
    ASSERT_NE(nullptr, tune);
    Steps(40);
    EXPECT_EQ(tune, app.GetMusicPlayer()); // started once, not again
}

TEST_F(Screens, ALeavingButtonWaitsForTheButtonsAndTheTuneStops)
{
    stest::WriteTunes(app);
    LoadMenu();
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    // A press long enough to shrink the button: its growing back delays the leaving.
    CVexButton* training = MenuButton(VEX_MENU_BUTTON_TRAINING);
    Down(training->centre.x, training->centre.y);
    Seconds(0.2f);
    Up();
    EXPECT_TRUE(Menu()->IsLeaving());
    EXPECT_FALSE(Menu()->IsDone());
    // Another button held down meanwhile keeps the manager busy: the menu stays.
    CVexButton* intro = MenuButton(VEX_MENU_BUTTON_INTRO);
    Down(intro->centre.x, intro->centre.y);
    Seconds(3.0f);
    ASSERT_NE(nullptr, Menu());
    EXPECT_FALSE(Menu()->IsDone());
    // Slid off and lifted: no click; the button grows back and the menu leaves.
    game.OnPointerMove(0, 5, 5);
    Steps(1);
    Up();
    Seconds(0.3f);
    EXPECT_EQ(nullptr, Menu());
    EXPECT_NE(nullptr, dynamic_cast<CVexTrainingState*>(Screen(VEX_STATE_TRAINING)));
    EXPECT_EQ(nullptr, Screen(VEX_STATE_INTRO));
    EXPECT_EQ(nullptr, app.GetMusicPlayer());

    // Back from training, the assets are loaded: the buttons come at once.
    BackKey();
    Seconds(0.2f);
    ASSERT_NE(nullptr, Menu());
    Steps(2);
    EXPECT_TRUE(Menu()->IsReady());
}

TEST_F(Screens, TheExitButtonAndTheBackKeyReturnToThePlatformTheBackKeyClosingTheCreditsFirst)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_CREDITS));
    ASSERT_TRUE(Menu()->IsCreditsOpen());
    for (int i = 0; i < 8; ++i) {
        CVexButton* b = Menu()->GetButtons()->GetButton(i);
        EXPECT_EQ(b->id == VEX_MENU_BUTTON_CLOSE_CREDITS ? 1 : 0, b->visible) << b->id;
    }
    BackKey();
    EXPECT_FALSE(Menu()->IsCreditsOpen());
    EXPECT_EQ(0, app.returnsToMenu);
    EXPECT_EQ(0, MenuButton(VEX_MENU_BUTTON_CLOSE_CREDITS)->visible);
    EXPECT_EQ(1, MenuButton(VEX_MENU_BUTTON_BATTLE)->visible);
    BackKey();
    EXPECT_EQ(1, app.returnsToMenu); // ReturnToMenu(true)
    Seconds(0.5f);
    TapButton(MenuButton(VEX_MENU_BUTTON_EXIT));
    EXPECT_EQ(2, app.returnsToMenu);
    // The close button closes them too.
    Seconds(0.5f);
    TapButton(MenuButton(VEX_MENU_BUTTON_CREDITS));
    ASSERT_TRUE(Menu()->IsCreditsOpen());
    Seconds(0.5f);
    TapButton(MenuButton(VEX_MENU_BUTTON_CLOSE_CREDITS));
    EXPECT_FALSE(Menu()->IsCreditsOpen());
}

TEST_F(Screens, CreditsRowsFadeInAtTheLowerFifthAndOutBeforeTheButtonsOfTheTopCorners)
{
    // Fully shown between 128 and 320, hidden below 384 and above 96 (the top corners'
    // buttons end at 64 and 89).
    EXPECT_FLOAT_EQ(1.0f, CVexMenuState::CreditsRowOpacity(200.0f, kW, kH));
    EXPECT_FLOAT_EQ(1.0f, CVexMenuState::CreditsRowOpacity(320.0f, kW, kH));
    EXPECT_FLOAT_EQ(0.5f, CVexMenuState::CreditsRowOpacity(352.0f, kW, kH));
    EXPECT_LE(CVexMenuState::CreditsRowOpacity(384.0f, kW, kH), 0.0f);
    EXPECT_FLOAT_EQ(1.0f, CVexMenuState::CreditsRowOpacity(128.0f, kW, kH));
    EXPECT_FLOAT_EQ(0.5f, CVexMenuState::CreditsRowOpacity(112.0f, kW, kH));
    EXPECT_LE(CVexMenuState::CreditsRowOpacity(96.0f, kW, kH), 0.0f);
    EXPECT_LT(CVexMenuState::CreditsRowOpacity(20.0f, kW, kH), 0.0f);
}

TEST_F(Screens, TheCreditsRiseATenthOfTheScreenASecondAndCannotBeDraggedBelowTheirStart)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_CREDITS));
    const int opened = game.GetGameClock();
    Seconds(2.0f);
    float elapsed = (float)(game.GetGameClock() - opened) / 1000.0f;
    EXPECT_NEAR(-48.0f * elapsed, Menu()->GetCreditsScroll(), 0.01f);
    EXPECT_NEAR(-96.0f, Menu()->GetCreditsScroll(), 1.6f);

    // Dragged down 60 pixels: the roll follows the finger and does not rise meanwhile.
    Down(400, 200);
    const float before = Menu()->GetCreditsScroll();
    for (int i = 1; i <= 6; ++i) {
        game.OnPointerMove(0, 400, 200 + 10 * i);
        Steps(1);
    }
    EXPECT_NEAR(before + 60.0f, Menu()->GetCreditsScroll(), 0.01f);
    // Further down than its start: it stays at its start.
    for (int i = 1; i <= 10; ++i) {
        game.OnPointerMove(0, 400, 260 + 10 * i);
        Steps(1);
    }
    EXPECT_EQ(0.0f, Menu()->GetCreditsScroll());
    // Let go, it rises again.
    Up();
    Seconds(1.0f);
    EXPECT_LT(Menu()->GetCreditsScroll(), -40.0f);

    // At its end (the roll's length plus a screen) it closes by itself.
    const float end = Menu()->GetCreditsEnd();
    Seconds(-end / 48.0f + 0.5f);
    EXPECT_FALSE(Menu()->IsCreditsOpen());
    EXPECT_EQ(1, MenuButton(VEX_MENU_BUTTON_BATTLE)->visible);
}

TEST_F(Screens, TheWebPagesGoThroughTheServiceForwardAddress)
{
    LoadMenu();
    CVortanString url;
    Menu()->MakeForwardUrl("help", url);
    EXPECT_EQ(std::string(ORLO_WEB_SERVER) + "/api/forward.php?link=help&game=64&release=0&rid=Ovi",
              VortanUTF8Of(url));
    Menu()->MakeForwardUrl("facebook", url);
    EXPECT_EQ(std::string(ORLO_WEB_SERVER) +
                  "/api/forward.php?link=facebook&game=64&release=0&rid=Ovi",
              VortanUTF8Of(url));
    // A page opens and the menu stays as it is.
    TapButton(MenuButton(VEX_MENU_BUTTON_HELP));
    Seconds(0.5f);
    ASSERT_NE(nullptr, Menu());
    EXPECT_FALSE(Menu()->IsLeaving());
}

// --- the story intro ---------------------------------------------------------------------------

CVexIntroState* Intro(const stest::ScreenGame& game)
{
    return dynamic_cast<CVexIntroState*>(game.GetState(VEX_STATE_INTRO));
}

TEST_F(Screens, TheIntroStripRunsAt177PixelsASecondStopsCentredFadesAndReturnsToALoadingMenu)
{
    stest::WriteTunes(app);
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_INTRO));
    Seconds(0.3f);
    CVexIntroState* intro = Intro(game);
    ASSERT_NE(nullptr, intro);
    EXPECT_EQ(nullptr, Menu());
    EXPECT_FALSE(game.IsLoadingDone()); // the host restarted the loading
    EXPECT_NE(nullptr, app.GetMusicPlayer());
    EXPECT_EQ(VEX_INTRO_PANELS, intro->GetLoadedPanels());

    // Panels of 768 x 384 pixels, the first just right of the screen, no gaps.
    const float start = intro->GetPanelLeft(0);
    EXPECT_NEAR(kW, start + 0.0f, 177.0f * 0.3f);
    for (int k = 1; k < VEX_INTRO_PANELS; ++k)
        EXPECT_NEAR(768.0f, intro->GetPanelLeft(k) - intro->GetPanelLeft(k - 1), 0.01f);
    const int t0 = game.GetGameClock();
    Seconds(4.0f);
    const float seconds = (float)(game.GetGameClock() - t0) / 1000.0f;
    EXPECT_NEAR(0.23f * 768.0f * seconds, start - intro->GetPanelLeft(0), 0.05f);
    EXPECT_NEAR(176.64f, (start - intro->GetPanelLeft(0)) / seconds, 0.05f);

    // The overlay fades in once the strip has covered the screen's left edge.
    Seconds(1.0f);
    EXPECT_EQ(1, intro->GetOverlayState());
    Seconds(2.5f);
    EXPECT_EQ(2, intro->GetOverlayState());
    EXPECT_EQ(255.0f, intro->GetOverlayAlpha());

    for (int i = 0; i < 3000 && !intro->IsStopped(); ++i)
        Steps(1);
    ASSERT_TRUE(intro->IsStopped());
    EXPECT_EQ(4, intro->GetOverlayState());
    for (int k = 0; k < VEX_INTRO_PANELS; ++k)
        EXPECT_NEAR(kW / 2 - (10 - k) * 768.0f, intro->GetPanelCentre(k), 0.01f) << k;
    // 1.5 s of picture, then 3 s to black; then the menu.
    Seconds(1.4f);
    EXPECT_FALSE(intro->IsFinished());
    EXPECT_GT(intro->GetFade(), 1.0f);
    Seconds(2.0f);
    EXPECT_LT(intro->GetFade(), 0.9f);
    for (int i = 0; i < 60 && Intro(game); ++i)
        Steps(1);
    EXPECT_EQ(nullptr, Intro(game));
    ASSERT_NE(nullptr, Menu());
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    // The new menu waits for the whole loading again.
    EXPECT_FALSE(Menu()->IsReady());
    int steps = 0;
    while (!Menu()->IsReady() && steps < 300) {
        Steps(1);
        ++steps;
    }
    EXPECT_GE(steps, VEX_LOAD_ITEMS_ALL - 20);
}

TEST_F(Screens, AFingerStillDownDoesNotSkipTheIntroANewTapDoesAndEveryWayOutStopsTheTune)
{
    stest::WriteTunes(app);
    LoadMenu();
    game.DeleteAllStates();
    ASSERT_EQ(VORTAN_OK, game.SetState(VEX_STATE_INTRO));
    const float skipX = kW / 2, skipY = kH - 1.2f * kW / 20;
    Down(skipX, skipY); // goes down in the intro's first step
    Seconds(0.5f);
    Up();
    Seconds(0.3f);
    ASSERT_NE(nullptr, Intro(game));
    EXPECT_FALSE(Intro(game)->IsLeaving());
    EXPECT_NE(nullptr, app.GetMusicPlayer());
    Tap(skipX, skipY);
    EXPECT_TRUE(Intro(game)->IsLeaving());
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    Seconds(0.3f);
    EXPECT_EQ(nullptr, Intro(game));
    EXPECT_NE(nullptr, Menu());

    // The back key.
    game.DeleteAllStates();
    game.SetState(VEX_STATE_INTRO);
    Steps(2);
    EXPECT_NE(nullptr, app.GetMusicPlayer());
    BackKey();
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    Seconds(0.2f);
    EXPECT_NE(nullptr, Menu());

    // The platform unloads the game while the intro plays.
    game.DeleteAllStates();
    game.SetState(VEX_STATE_INTRO);
    Steps(2);
    EXPECT_NE(nullptr, app.GetMusicPlayer());
    game.Unload();
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
}

// An application that holds a picture for each intro slide and counts the references the game
// holds on them.
class SlideCountingApp : public htest::HostApp {
public:
    SlideCountingApp()
    {
        for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
            CVortanSurface* surface = new CVortanSurface();
            CVortanSurfaceDesc desc = {4, 4, 0, VORTAN_PIXEL_ARGB8888, 0};
            EXPECT_EQ(VORTAN_OK, surface->Create(this, &desc));
            EXPECT_EQ(1, AddSurface(CVexAssetTables::Get().IntroSlideName(k), surface));
            slides.insert(surface);
        }
    }
    CVortanSurface* GetSurface(const CVortanString& name, CVortanFloatRect* rect) override
    {
        CVortanSurface* surface = htest::HostApp::GetSurface(name, rect);
        if (slides.count(surface))
            ++held;
        return surface;
    }
    int ReleaseSurface(CVortanSurface*& surface) override
    {
        if (slides.count(surface))
            --held;
        return htest::HostApp::ReleaseSurface(surface);
    }
    std::set<CVortanSurface*> slides;
    int held = 0;
};

typedef stest::ScreensOn<SlideCountingApp> IntroGraphics;

TEST_F(IntroGraphics, ALostContextGivesBackTheSlidesAndARestoreTakesEachOnce)
{
    LoadMenu();
    game.DeleteAllStates();
    ASSERT_EQ(VORTAN_OK, game.SetState(VEX_STATE_INTRO));
    Steps(2);
    ASSERT_NE(nullptr, Intro(game));
    EXPECT_EQ(VEX_INTRO_PANELS, app.held);
    game.OnContextLost();
    EXPECT_EQ(0, app.held);
    game.OnContextRestored();
    EXPECT_EQ(VEX_INTRO_PANELS, app.held);
    EXPECT_EQ(VEX_INTRO_PANELS, Intro(game)->GetLoadedPanels());
    // A restore without a loss before it does not pile references up either.
    game.OnContextRestored();
    EXPECT_EQ(VEX_INTRO_PANELS, app.held);
    Intro(game)->OnBack(0);
    for (int i = 0; i < 60 && Intro(game); ++i)
        Steps(1);
    EXPECT_EQ(nullptr, Intro(game));
    EXPECT_EQ(0, app.held);
}

// --- the connecting screen ---------------------------------------------------------------------

CVexConnectingState* Connecting(const stest::ScreenGame& game)
{
    return dynamic_cast<CVexConnectingState*>(game.GetState(VEX_STATE_CONNECTING));
}

TEST_F(Screens, TheCountdownRunsFromTenToOneAndAfter20SecondsTheLeaveGoesOutOnce)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_BATTLE));
    for (int i = 0; i < 30 && !Connecting(game); ++i)
        Steps(1);
    ASSERT_NE(nullptr, Connecting(game));
    const int start = game.GetGameClock(); // the screen was made in this step
    int seen[12] = {0};
    while (Connecting(game) && game.GetGameClock() - start < 19500) {
        const float t = (float)(game.GetGameClock() - start) / 1000.0f;
        const int c = Connecting(game)->GetCountdown();
        ASSERT_TRUE(c >= 1 && c <= 10) << c;
        ++seen[c];
        if (t > 0.1f && t < 1.9f) {
            EXPECT_EQ(10, c) << t;
        }
        if (t > 18.1f && t < 19.4f) {
            EXPECT_EQ(1, c) << t;
        }
        Steps(1);
    }
    for (int c = 1; c <= 10; ++c)
        EXPECT_GT(seen[c], 0) << c;
    EXPECT_EQ(0, game.leaves);
    Seconds(1.0f);
    Seconds(2.0f);
    EXPECT_EQ(1, game.leaves); // once, not on every later step
    EXPECT_EQ(nullptr, Connecting(game));
    EXPECT_NE(nullptr, Menu());
}

TEST_F(Screens, TheExitButtonAndTheBackKeySendTheLeaveAndTheLeftGameEndsTheScreen)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_BATTLE));
    Seconds(0.3f);
    ASSERT_NE(nullptr, Connecting(game));
    TapButton(Connecting(game)->GetButtons()->FindButton(0));
    EXPECT_EQ(1, game.leaves);
    Seconds(0.3f);
    EXPECT_EQ(nullptr, Connecting(game));
    ASSERT_NE(nullptr, Menu());

    TapButton(MenuButton(VEX_MENU_BUTTON_BATTLE));
    Seconds(0.3f);
    ASSERT_NE(nullptr, Connecting(game));
    // Each press of the back key sends the leave.
    BackKey();
    BackKey();
    EXPECT_EQ(3, game.leaves);
    Seconds(0.3f);
    EXPECT_NE(nullptr, Menu());

    TapButton(MenuButton(VEX_MENU_BUTTON_BATTLE));
    Seconds(0.3f);
    ASSERT_NE(nullptr, Connecting(game));
    game.OnLeaveGame();
    Steps(2);
    EXPECT_EQ(nullptr, Connecting(game));
    EXPECT_NE(nullptr, Menu());
    EXPECT_EQ(3, game.leaves);
    EXPECT_EQ(3, game.joins);

    // Without the service the online button comes straight back to the menu.
    game.lobbyConnected = false;
    Seconds(0.5f);
    TapButton(MenuButton(VEX_MENU_BUTTON_BATTLE));
    Seconds(0.3f);
    EXPECT_EQ(nullptr, Connecting(game));
    EXPECT_NE(nullptr, Menu());
    EXPECT_EQ(3, game.leaves);
}

TEST_F(Screens, PastTheWaitTheLeaveIsSentAgainEveryStepUntilTheScreenHasGone)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_BATTLE));
    Seconds(0.3f);
    ASSERT_NE(nullptr, Connecting(game));
    // A finger held on the exit button keeps the screen (its button is busy) past the wait.
    CVexButton* exit = Connecting(game)->GetButtons()->FindButton(0);
    ASSERT_NE(nullptr, exit);
    Down(exit->centre.x, exit->centre.y);
    const int start = game.GetGameClock();
    while (Connecting(game) && game.GetGameClock() - start < 19000)
        Steps(1);
    EXPECT_EQ(0, game.leaves);
    Seconds(2.0f);
    ASSERT_NE(nullptr, Connecting(game));
    EXPECT_TRUE(Connecting(game)->IsLeaving());
    const int sent = game.leaves;
    EXPECT_GE(sent, 2);
    Steps(3);
    EXPECT_EQ(sent + 3, game.leaves); // one a step
    Up();
    for (int i = 0; i < 100 && Connecting(game); ++i)
        Steps(1);
    EXPECT_EQ(nullptr, Connecting(game));
    EXPECT_NE(nullptr, Menu());
}

} // namespace
