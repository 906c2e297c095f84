// Helpers of the game screen tests: the game with its real screens on an application without a
// window (stand-in clock, null graphics), counting the leave messages it would send; stepping
// it and touching it through the host's pointer entries; and the two tunes as short MP3 files.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "VortanSound/VortanMusicElements.h"
#include "engine/platform/VortanKeys.h"
#include "game/StateGame.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexMenuState.h"
#include "tests/game/GameHostSupport.h"

namespace stest {

// The game with its own screens. The service's leave message is only counted; asked for an
// opponent, it plays a connected lobby that looks for one (unless told there is no service).
class ScreenGame : public CStateGame {
public:
    void SendLeave() override { ++leaves; }
    void LeaveGame() override
    {
        ++joins;
        if (!lobbyConnected)
            CStateGame::LeaveGame();
    }
    int leaves = 0;
    int joins = 0;
    bool lobbyConnected = true;
};

// The two tunes beside the program (0.3 s each, sox and lame), played into a file sink.
inline void WriteTunes(htest::HostApp& app)
{
    const std::string wav = app.dir.File("tune.wav");
    ASSERT_EQ(0, vtest::RunProgram({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                                    "0.3", "sine", "440"}));
    for (const char* name : {"SquibTheme.mp3", "SquibIntro.mp3"})
        ASSERT_EQ(0, vtest::RunProgram({"lame", "--quiet", "-b", "128", wav, app.dir.File(name)}));
    static std::string sink;
    sink = "filesink location=" + app.dir.File("music.raw");
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, sink.c_str());
}

// The game on an application of type App (a htest::HostApp).
template <class App>
class ScreensOn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, game.Init(&app));
        ASSERT_EQ(VORTAN_OK, game.Load());
    }
    void TearDown() override
    {
        game.Release();
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr);
    }
    // n fixed steps, each drawn once.
    void Steps(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceMs(VEX_STEP_MS);
            game.Update(0.0f);
            game.Render();
        }
    }
    void Seconds(float s) { Steps((int)(s * 1000.0f / VEX_STEP_MS + 0.5f)); }
    void Down(float x, float y, int id = 0)
    {
        game.OnPointerDown(id, (int)x, (int)y);
        Steps(1);
    }
    void Up(int id = 0)
    {
        game.OnPointerUp(id, 0, 0);
        Steps(1);
    }
    void Tap(float x, float y, int id = 0)
    {
        Down(x, y, id);
        game.OnPointerUp(id, (int)x, (int)y);
        Steps(1);
    }
    void TapButton(CVexButton* button)
    {
        ASSERT_NE(nullptr, button);
        Tap(button->centre.x + button->bobOffset.x, button->centre.y + button->bobOffset.y);
    }
    // The device's Back key, as the platform hands it to the game.
    void BackKey() { EXPECT_EQ(0, game.OnKeyDown((int)VORTAN_XKEYSYM_BACK)); }
    CVexState* Screen(int type) const { return game.GetState(type); }
    CVexMenuState* Menu() const { return dynamic_cast<CVexMenuState*>(Screen(VEX_STATE_MENU)); }
    // Steps until the menu has built its buttons (at most 10 s of steps).
    void LoadMenu()
    {
        for (int i = 0; i < 300 && !(Menu() && Menu()->IsReady()); ++i)
            Steps(1);
        ASSERT_TRUE(Menu() && Menu()->IsReady());
    }
    CVexButton* MenuButton(int id) const { return Menu()->GetButtons()->FindButton(id); }

    htest::DrivenClock clock;
    App app;
    ScreenGame game;
};

typedef ScreensOn<htest::HostApp> Screens;

} // namespace stest
