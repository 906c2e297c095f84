// Touch buttons read the first finger of the host's touch table: a tap clicks at once, a
// held finger presses once and then holds, sliding off cancels, locked buttons and a
// two-finger pinch are ignored, the first of two overlapping buttons wins, and the manager
// stays busy while a button is held or still growing back.
#include <gtest/gtest.h>

#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "tests/game/GameHostSupport.h"

using htest::DrivenClock;
using htest::HostApp;

namespace {

class Listener : public CVexButtonListener {
public:
    void OnButtonPressed(CVexButton* b) override { events.push_back("pressed " + Id(b)); }
    void OnButtonClicked(CVexButton* b) override { events.push_back("clicked " + Id(b)); }
    void OnButtonHeld(CVexButton* b) override { events.push_back("held " + Id(b)); }
    static std::string Id(CVexButton* b) { return std::to_string(b->id); }
    std::vector<std::string> events;
};

class Buttons : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, game.Init(&app));
        ASSERT_EQ(VORTAN_OK, buttons.Init(game.GetRenderer()));
        buttons.SetListener(&listener);
        // A 100 x 60 button centred at (200, 200), and one overlapping its right half.
        a = buttons.AddButton(CVortanVector2(200, 200), CVortanVector2(50, 30), 8, 1, 0);
        b = buttons.AddButton(CVortanVector2(250, 200), CVortanVector2(50, 30), 8, 2, 0);
        a->bobbing = b->bobbing = 0;
    }
    void TearDown() override { game.Release(); }
    // One fixed step of the host (the touch table), then the buttons' update.
    void Step(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.AdvanceMs(33);
            game.Update(0.0f);
            buttons.Update(0.033f);
        }
    }

    DrivenClock clock;
    HostApp app;
    htest::TestGame game;
    CVexButtonManager buttons;
    Listener listener;
    CVexButton* a = nullptr;
    CVexButton* b = nullptr;
};

TEST_F(Buttons, ATapClicksAtOnceAndAHeldFingerPressesThenHolds)
{
    game.OnPointerDown(0, 160, 200);
    Step();
    EXPECT_EQ(VEX_BUTTON_PRESSING, a->state);
    EXPECT_TRUE(buttons.IsBusy());
    game.OnPointerUp(0, 160, 200);
    Step();
    // It had only shrunk to 0.934: back to full size in the same update, without a second
    // click.
    EXPECT_EQ(std::vector<std::string>({"clicked 1"}), listener.events);
    Step(3);
    EXPECT_EQ(VEX_BUTTON_IDLE, a->state);
    EXPECT_EQ(1.0f, a->scale);
    EXPECT_EQ(1u, listener.events.size());
    EXPECT_FALSE(buttons.IsBusy());

    // Held: 2 per second down to 0.8 takes four updates of 33 ms; then held every update.
    listener.events.clear();
    game.OnPointerDown(0, 160, 200);
    Step(3);
    EXPECT_TRUE(listener.events.empty());
    Step();
    EXPECT_EQ(std::vector<std::string>({"pressed 1"}), listener.events);
    EXPECT_EQ(0.8f, a->scale);
    Step(2);
    EXPECT_EQ(std::vector<std::string>({"pressed 1", "held 1", "held 1"}), listener.events);
    game.OnPointerUp(0, 160, 200);
    Step();
    EXPECT_EQ("clicked 1", listener.events.back());
}

TEST_F(Buttons, SlidingOffCancelsAndSlidingBackDoesNotPressAgain)
{
    game.OnPointerDown(0, 160, 200);
    Step(2);
    game.OnPointerMove(0, 400, 400);
    Step();
    EXPECT_EQ(VEX_BUTTON_RELEASING, a->state);
    game.OnPointerMove(0, 160, 200);
    Step();
    game.OnPointerUp(0, 160, 200);
    Step(4);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(VEX_BUTTON_IDLE, a->state);
    EXPECT_EQ(1.0f, a->scale);
}

TEST_F(Buttons, LockedHiddenAndPinchedButtonsDoNotReactAndTheFirstOfTwoWins)
{
    // The overlap (200..250): the first added takes the touch.
    game.OnPointerDown(0, 225, 200);
    Step();
    game.OnPointerUp(0, 225, 200);
    Step();
    EXPECT_EQ(std::vector<std::string>({"clicked 1"}), listener.events);
    EXPECT_EQ(VEX_BUTTON_IDLE, b->state);

    // Locked: the touch falls through to the next button.
    listener.events.clear();
    a->locked = 1;
    game.OnPointerDown(0, 225, 200);
    Step();
    game.OnPointerUp(0, 225, 200);
    Step();
    EXPECT_EQ(std::vector<std::string>({"clicked 2"}), listener.events);
    EXPECT_EQ(VEX_BUTTON_IDLE, a->state);

    // Hidden: not touchable, at rest.
    listener.events.clear();
    b->visible = 0;
    game.OnPointerDown(0, 280, 200);
    Step();
    game.OnPointerUp(0, 280, 200);
    Step();
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(VEX_BUTTON_IDLE, b->state);

    // Two fingers: nothing reacts.
    a->locked = 0;
    game.OnPointerDown(1, 600, 300);
    Step();
    game.OnPointerDown(0, 160, 200);
    Step();
    EXPECT_EQ(VEX_BUTTON_IDLE, a->state);
    game.OnPointerUp(0, 160, 200);
    Step();
    EXPECT_TRUE(listener.events.empty());
}

TEST_F(Buttons, BusyLastsUntilTheReleaseHasGrownBackAndTheListCanBeEdited)
{
    game.OnPointerDown(0, 160, 200);
    Step(70); // held for more than the idle limit: the finger keeps it busy
    EXPECT_TRUE(buttons.IsBusy());
    game.OnPointerUp(0, 160, 200);
    Step(3); // 0.8 grows back by 0.066 an update
    EXPECT_TRUE(buttons.IsBusy());
    Step();
    EXPECT_FALSE(buttons.IsBusy());

    EXPECT_EQ(b, buttons.FindButton(2));
    buttons.AddButton(CVortanVector2(0, 0), CVortanVector2(1, 1), 8, 2, 9);
    buttons.RemoveButton(2); // every button with the id
    EXPECT_EQ(nullptr, buttons.FindButton(2));
    EXPECT_EQ(1, buttons.GetButtonCount());
    buttons.ResetButtons();
    EXPECT_EQ(0, a->visible);
    EXPECT_EQ(VEX_BUTTON_IDLE, a->state);
    EXPECT_EQ(1.0f, a->scale);
    buttons.RemoveAllButtons();
    EXPECT_EQ(0, buttons.GetButtonCount());
}

} // namespace
