// The training picker on the game host (stand-in clock, null graphics): fifteen buttons in three
// rows, each lock looking at the scene before it only; the hint while the first scene is not
// cleared, cut to a second by a tap, during which only the exit button reacts; the completion
// message once, remembered in the settings file (read back by an independent Python reader); a
// chosen scene reported to the host; a cleared scene opening the next on the next picker.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "game/VexAssetTables.h"
#include "game/VexTrainingState.h"
#include "platform/OrloStatsStore.h"
#include "tests/game/ScreenTestSupport.h"

namespace {

using stest::Screens;

// The entries of a settings file, as its own reader finds them: name -> " kind value".
std::map<std::string, std::string> ReadSettings(const std::string& path)
{
    std::map<std::string, std::string> entries;
    for (const std::string& line : vtest::ReadStats(path))
        entries[line.substr(0, line.find(' '))] = line.substr(line.find(' '));
    return entries;
}

class Training : public Screens {
protected:
    CVexTrainingState* Picker() const
    {
        return dynamic_cast<CVexTrainingState*>(Screen(VEX_STATE_TRAINING));
    }
    // A fresh picker, as after a battle: the old one goes and the menu leads to a new one.
    void OpenPicker()
    {
        game.DeleteAllStates();
        ASSERT_EQ(VORTAN_OK, game.SetState(VEX_STATE_TRAINING));
        Steps(1);
        ASSERT_NE(nullptr, Picker());
    }
    void ExpectLocks(const std::string& locks)
    {
        std::string got;
        for (int i = 0; i < VEX_TRAINING_COUNT; ++i)
            got += Picker()->GetSceneButton(i)->locked ? 'L' : 'o';
        EXPECT_EQ(locks, got);
    }
};

TEST_F(Training, FifteenScenesInThreeRowsTheFirstOpenAndAHintOnlyTheExitHearsDuring)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_TRAINING));
    Seconds(0.3f);
    ASSERT_NE(nullptr, Picker());
    CVexButtonManager* buttons = Picker()->GetButtons();
    ASSERT_EQ(16, buttons->GetButtonCount());
    // b = 40, d = 80: columns from x = 240, rows from y = 180, 84 apart.
    for (int i = 0; i < VEX_TRAINING_COUNT; ++i) {
        CVexButton* b = Picker()->GetSceneButton(i);
        ASSERT_NE(nullptr, b);
        EXPECT_FLOAT_EQ(240.0f + 80.0f * (i % 5), b->centre.x);
        EXPECT_FLOAT_EQ(180.0f + 84.0f * (i / 5), b->centre.y);
        EXPECT_EQ(std::to_string(i + 1), VortanUTF8Of(b->label));
        EXPECT_EQ(1, b->showLabel);
    }
    EXPECT_FLOAT_EQ(440.0f, buttons->FindButton(VEX_TRAINING_BUTTON_EXIT)->centre.y);
    ExpectLocks("oLLLLLLLLLLLLLL");
    EXPECT_FALSE(Picker()->IsFirstCleared());
    EXPECT_GT(Picker()->GetMessageTime(), 4.0f);

    // During the hint the scene button does not react; a tap leaves one second of it.
    TapButton(Picker()->GetSceneButton(0));
    EXPECT_FALSE(Picker()->IsLeaving());
    EXPECT_NEAR(1.0f - 0.033f, Picker()->GetMessageTime(), 0.0001f);
    Seconds(0.5f);
    const float left = Picker()->GetMessageTime();
    Tap(10, 10); // a tap in the last second changes nothing
    EXPECT_NEAR(left - 2 * 0.033f, Picker()->GetMessageTime(), 0.0001f);
    Seconds(0.6f);
    EXPECT_LE(Picker()->GetMessageTime(), 0.0f);

    // Afterwards the first scene is chosen: its index and the battle are reported.
    TapButton(Picker()->GetSceneButton(0));
    EXPECT_TRUE(Picker()->IsLeaving());
    EXPECT_EQ(0, Picker()->GetResult());
    EXPECT_EQ(VEX_STATE_PLAY, Picker()->GetNextState());
}

TEST_F(Training, TheExitButtonWorksDuringTheHintAndTheBackKeyLeavesToo)
{
    LoadMenu();
    TapButton(MenuButton(VEX_MENU_BUTTON_TRAINING));
    Seconds(0.3f);
    ASSERT_GT(Picker()->GetMessageTime(), 3.0f);
    TapButton(Picker()->GetButtons()->FindButton(VEX_TRAINING_BUTTON_EXIT));
    EXPECT_TRUE(Picker()->IsLeaving());
    EXPECT_EQ(VEX_STATE_MENU, Picker()->GetNextState());
    Seconds(0.3f);
    EXPECT_EQ(nullptr, Picker());
    EXPECT_NE(nullptr, Menu());
    OpenPicker();
    BackKey();
    Seconds(0.2f);
    EXPECT_NE(nullptr, Menu());
}

TEST_F(Training, EachLockLooksAtItsPredecessorOnlyAndAClearedSceneOpensTheNext)
{
    game.SetSceneCleared(4);
    OpenPicker();
    ExpectLocks("oLLLLoLLLLLLLLL");
    EXPECT_GT(Picker()->GetMessageTime(), 4.0f); // the first is still not cleared

    game.SetSceneCleared(0);
    OpenPicker();
    ExpectLocks("ooLLLoLLLLLLLLL");
    EXPECT_TRUE(Picker()->IsFirstCleared());
    EXPECT_LE(Picker()->GetMessageTime(), 0.0f);
    // Without a message every button reacts at once.
    TapButton(Picker()->GetSceneButton(1));
    EXPECT_TRUE(Picker()->IsLeaving());
    EXPECT_EQ(1, Picker()->GetResult());

    // The cleared marks are settings in "stats.dat", as its own reader finds them.
    std::map<std::string, std::string> saved = ReadSettings(app.dir.File("stats.dat"));
    EXPECT_EQ(1u, saved.count("scene_0_cleared"));
    EXPECT_EQ(1u, saved.count("scene_4_cleared"));
    EXPECT_EQ(0u, saved.count("scene_1_cleared"));
}

TEST_F(Training, TheCompletionMessageShowsOnceAndIsRememberedInTheSettingsFile)
{
    for (int i = 0; i < VEX_TRAINING_COUNT; ++i)
        game.SetSceneCleared(i);
    OpenPicker();
    ExpectLocks("ooooooooooooooo");
    EXPECT_TRUE(Picker()->IsFirstCleared());
    EXPECT_FALSE(Picker()->IsCompletionShown());
    EXPECT_GT(Picker()->GetMessageTime(), 4.0f);
    std::map<std::string, std::string> saved = ReadSettings(app.dir.File("stats.dat"));
    ASSERT_EQ(1u, saved.count(VEX_TRAINING_COMPLETE_KEY));
    EXPECT_EQ(" 1 1", saved[VEX_TRAINING_COMPLETE_KEY]); // a boolean true
    Seconds(5.1f);
    EXPECT_LE(Picker()->GetMessageTime(), 0.0f);

    OpenPicker();
    EXPECT_TRUE(Picker()->IsCompletionShown());
    EXPECT_LE(Picker()->GetMessageTime(), 0.0f);
}

} // namespace
