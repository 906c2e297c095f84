// The battle's controls and what it shows around the field: the zoom bar taken by a finger
// that slides onto it, and the loader turning beside the panel of an opponent who plays.
#include <gtest/gtest.h>

#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexCamera.h"
#include "game/VexRenderer.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Training;

TEST(BattleZoomBar, AFingerThatSlidesOntoTheBarHoldsItAndZooms)
{
    Training t;
    ASSERT_TRUE(t.Start(12));
    CVexPlayState* b = t.Battle();
    for (int i = 0; i < 45; ++i) // the camera settles
        t.Tick();
    const float h = t.game.GetRenderer()->GetViewHeight();
    // The bar: centre (0.0625 h, 0.5 h), half size (0.03125 h, 0.25 h).
    const float cx = 0.0625f * h, cy = 0.5f * h, hh = 0.25f * h;
    t.game.OnPointerDown(0, (int)(cx + 0.15f * h), (int)cy);
    t.Tick();
    EXPECT_EQ(0, b->IsZoomHeld());
    // Onto the bar, three quarters up: zoom 0.3 + 0.7 x 0.75.
    const int y75 = (int)(cy - 0.5f * hh);
    t.game.OnPointerMove(0, (int)cx, y75);
    t.Tick();
    CVexCamera& camera = t.game.GetRenderer()->GetCamera();
    const float t75 = ((cy + hh) - (float)y75) / (2.0f * hh);
    EXPECT_EQ(1, b->IsZoomHeld());
    EXPECT_NEAR(0.3f + 0.7f * t75, camera.GetTargetZoom(), 1e-5f);
    EXPECT_NEAR(0.3f + 0.7f * t75, b->Player(0).zoom, 1e-5f);
    EXPECT_EQ(0u, b->Player(0).aiming);
    // Held, it follows the finger off the bar's side too; below the bar is the least zoom.
    t.game.OnPointerMove(0, (int)(cx + 0.2f * h), (int)(cy + hh + 10.0f));
    t.Tick();
    EXPECT_NEAR(0.3f, camera.GetTargetZoom(), 1e-6f);
    t.game.OnPointerUp(0, (int)(cx + 0.2f * h), (int)(cy + hh + 10.0f));
    t.Tick();
    EXPECT_EQ(0, b->IsZoomHeld());
}

TEST(BattlePanels, TheLoaderTurnsBesideThePanelOnlyWhileTheOpponentPlays)
{
    btest::Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* shooter = match.ReadyShooter();
    CVexPlayState* waiting = shooter == match.A() ? match.B() : match.A();
    ASSERT_EQ(VEX_ROUND_OTHER_TURN, waiting->GetRoundState());
    for (int i = 0; i < 3; ++i) {
        match.gameA.Render();
        match.gameB.Render();
    }
    EXPECT_EQ(3, waiting->GetLoaderDraws());
    EXPECT_EQ(0, shooter->GetLoaderDraws());
}

} // namespace
