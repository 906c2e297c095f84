// The per-game context and its holders: the sequence counter and the sub-step copy belong to
// one game each, the handle slots load through the real resource manager (a slot that is
// loaded again gives its old handle back), CStateGame owns a context and releases its
// handles, and the renderer takes the view size of the game's graphics.
#include <gtest/gtest.h>

#include "VortanSound/VortanSoundEngine.h"
#include "game/StateGame.h"
#include "game/VexGameContext.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "platform/OrlogateApplication.h"
#include "tests/game/GameHostSupport.h"
#include "tests/platform/ResourceTestSupport.h"

using rtest::S;

namespace {

TEST(GameContext, CounterAndSubStepBelongToOneGame)
{
    CVexGameContext one, two;
    EXPECT_EQ(one.GetSequence(), 0u);
    EXPECT_EQ(one.GetSubStep(), 0.25f);
    EXPECT_EQ(one.TakeSequence(), 0u);
    EXPECT_EQ(one.TakeSequence(), 1u);
    EXPECT_EQ(one.GetSequence(), 2u);
    EXPECT_EQ(two.GetSequence(), 0u);
    one.SetSequence(0xFFFFFFFFu);
    EXPECT_EQ(one.TakeSequence(), 0xFFFFFFFFu);
    EXPECT_EQ(one.GetSequence(), 0u);

    CVexPhysicsWorld liveOne(&one), liveTwo(&two);
    liveOne.Init(1.0f / 30.0f, 3);
    liveTwo.Init(1.0f / 30.0f, 8);
    EXPECT_EQ(one.GetSubStep(), 1.0f / 3.0f);
    EXPECT_EQ(two.GetSubStep(), 0.125f);
    // A world without a context writes nowhere.
    CVexPhysicsWorld loose;
    loose.Init(1.0f / 30.0f, 2);
    EXPECT_EQ(one.GetSubStep(), 1.0f / 3.0f);

    CStateGame gameA, gameB;
    EXPECT_NE(gameA.GetGameContext(), gameB.GetGameContext());
    gameA.GetGameContext()->TakeSequence();
    EXPECT_EQ(gameB.GetGameContext()->GetSequence(), 0u);
}

class HandleSlots : public ::testing::Test {
protected:
    HandleSlots() : app(800, 480)
    {
        rtest::WritePack(dir.File("slots.dmp"), {{"/red.png", rtest::MakePng(2, 2, "#ff0000")},
                                                 {"/blue.png", rtest::MakePng(4, 2, "#0000ff")},
                                                 {"/beep.wav", rtest::MakeWav(400)}});
        EXPECT_EQ(app.OpenPack(S(dir.File("slots.dmp")), 1), 1);
    }
    vtest::TempDir dir;
    htest::HostApp app;
};

TEST_F(HandleSlots, ImagesLoadIntoTheirSlotsAndAReloadGivesTheOldHandleBack)
{
    CVexGameContext context;
    for (int id = 0; id < VEX_IMAGE_SLOTS; ++id)
        ASSERT_EQ(context.GetImage(id), nullptr);
    EXPECT_EQ(context.LoadImage(&app, 5, S("red.png")), VORTAN_OK);
    CVortanSurface* red = context.GetImage(5);
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->GetWidth(), 2);
    EXPECT_EQ(*context.ImageSlot(5), red);

    // Loaded again: one reference, not two. Released once, the surface is gone.
    EXPECT_EQ(context.LoadImage(&app, 5, S("red.png")), VORTAN_OK);
    context.ReleaseImage(&app, 5);
    EXPECT_EQ(context.GetImage(5), nullptr);
    EXPECT_EQ(app.FindSurface(S("red.png")), nullptr);

    // Another image over an occupied slot releases the first; a missing one leaves the
    // slot empty and still releases what it held.
    EXPECT_EQ(context.LoadImage(&app, 69, S("red.png")), VORTAN_OK);
    EXPECT_EQ(context.LoadImage(&app, 69, S("blue.png")), VORTAN_OK);
    EXPECT_EQ(context.GetImage(69)->GetWidth(), 4);
    EXPECT_EQ(app.FindSurface(S("red.png")), nullptr);
    EXPECT_EQ(context.LoadImage(&app, 69, S("none.png")), 0);
    EXPECT_EQ(context.GetImage(69), nullptr);
    EXPECT_EQ(app.FindSurface(S("blue.png")), nullptr);

    // Ids outside the table are refused and read as empty.
    EXPECT_EQ(context.LoadImage(&app, -1, S("red.png")), VORTAN_E_ARGUMENT);
    EXPECT_EQ(context.LoadImage(&app, VEX_IMAGE_SLOTS, S("red.png")), VORTAN_E_ARGUMENT);
    EXPECT_EQ(context.GetImage(VEX_IMAGE_SLOTS), nullptr);
    EXPECT_EQ(context.ImageSlot(-1), nullptr);
    context.ReleaseImage(&app, 1000);

    EXPECT_EQ(context.LoadImage(&app, 0, S("red.png")), VORTAN_OK);
    EXPECT_EQ(context.LoadImage(&app, 1, S("blue.png")), VORTAN_OK);
    context.ReleaseAllImages(&app);
    EXPECT_EQ(app.FindSurface(S("red.png")), nullptr);
    EXPECT_EQ(app.FindSurface(S("blue.png")), nullptr);
}

TEST_F(HandleSlots, TheFontSlotAndTheSoundSlots)
{
    CVexGameContext context;
    EXPECT_EQ(context.LoadFont(&app, S("default")), VORTAN_OK);
    CVortanBitmapFont* font = context.GetFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(context.LoadFont(&app, S("default")), VORTAN_OK);
    context.ReleaseFont(&app);
    EXPECT_EQ(context.GetFont(), nullptr);
    EXPECT_EQ(app.FindFont(S("default")), nullptr);

    // Without a sound engine no sound loads: the slot stays empty.
    EXPECT_EQ(context.LoadSound(&app, 3, S("beep.wav")), 0);
    EXPECT_EQ(context.GetSound(3), nullptr);
    EXPECT_EQ(context.LoadSound(&app, VEX_SOUND_SLOTS, S("beep.wav")), VORTAN_E_ARGUMENT);
    EXPECT_EQ(context.SoundSlot(VEX_SOUND_SLOTS), nullptr);
}

TEST(GameContextSounds, ASoundLoadedTwiceHoldsOneReference)
{
    vtest::TempDir dir;
    rtest::WritePack(dir.File("snd.dmp"), {{"/beep.wav", rtest::MakeWav(400)}});
    rtest::ScreenApp app(800, 480);
    CVortanSoundEngine* engine = CVortanSoundEngine::Create();
    COrloResourceManager manager;
    manager.Init(&app, engine);
    ASSERT_EQ(manager.OpenPack(S(dir.File("snd.dmp")), 1), 1);
    {
        CVexGameContext context;
        EXPECT_EQ(context.LoadSound(&manager, 23, S("beep.wav")), VORTAN_OK);
        EXPECT_EQ(context.LoadSound(&manager, 23, S("beep.wav")), VORTAN_OK);
        ASSERT_NE(context.GetSound(23), nullptr);
        context.ReleaseHandles(&manager);
        EXPECT_EQ(context.GetSound(23), nullptr);
        EXPECT_EQ(manager.FindSound(S("beep.wav")), nullptr);
    }
    manager.ReleaseAll();
    delete engine;
}

TEST(GameContextHolders, TheGameReleasesItsHandlesAndTheRendererTakesTheViewSize)
{
    vtest::TempDir dir;
    rtest::WritePack(dir.File("g.dmp"), {{"/red.png", rtest::MakePng(2, 2, "#ff0000")}});
    htest::HostApp app;
    ASSERT_EQ(app.OpenPack(S(dir.File("g.dmp")), 1), 1);
    CStateGame game;
    ASSERT_EQ(game.Init(&app), VORTAN_OK);

    CVexRenderer renderer;
    renderer.GetCamera().SetTargetZoom(0.2f);
    ASSERT_EQ(renderer.Init(&game), VORTAN_OK);
    EXPECT_EQ(renderer.GetGame(), &game);
    EXPECT_EQ(renderer.GetContext(), app.GetGraphics());
    EXPECT_EQ(renderer.GetViewWidth(), 800.0f);
    EXPECT_EQ(renderer.GetViewHeight(), 480.0f);
    const CVexCamera& camera = renderer.GetCamera();
    EXPECT_EQ(camera.GetHalfScreen().x, 400.0f);
    EXPECT_EQ(camera.GetOffset().y, 0.5f);
    // Zoom 1, then one update eased it a tenth towards the goal 0.2.
    EXPECT_FLOAT_EQ(camera.GetZoom(), 0.92f);
    EXPECT_FLOAT_EQ(camera.GetMatrix()[5], 800.0f / 480.0f * 0.92f);
    renderer.UpdateCamera(0.25f);
    renderer.UpdateCamera(0.5f);
    EXPECT_EQ(renderer.GetClock(), 0.75f);

    CVexGameContext* context = game.GetGameContext();
    ASSERT_EQ(context->LoadImage(&app, 7, S("red.png")), VORTAN_OK);
    game.Release();
    EXPECT_EQ(context->GetImage(7), nullptr);
    EXPECT_EQ(app.FindSurface(S("red.png")), nullptr);

    // A renderer without a game keeps whatever view size it had.
    CVexRenderer alone;
    EXPECT_EQ(alone.Init(nullptr), VORTAN_OK);
    EXPECT_EQ(alone.GetViewWidth(), 0.0f);
}

} // namespace
