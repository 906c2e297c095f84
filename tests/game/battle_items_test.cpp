// Shop items in the online battle, from item packs as the shop leaves them: a hat's health on
// both devices (from its description, whether its picture loads or not), the snow and cluster
// bombs of button 8 spent once by the kept shot, and a battleground for the local side only.
#include <gtest/gtest.h>

#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexGameContext.h"
#include "game/VexItemDescription.h"
#include "game/VexPhysicsWorld.h"
#include "tests/game/BattleMatchSupport.h"
#include "tests/platform/ResourceTestSupport.h"

namespace {

using btest::Match;

// An item pack holding "<description>.xml" with the given attributes, and its pictures.
std::string ItemPack(Match& match, int description, const std::string& attributes,
                     const vtest::PackEntries& pictures = {})
{
    const std::string path = match.appA.dir.File("item_" + std::to_string(description) + ".dmp");
    vtest::PackEntries entries = pictures;
    entries.push_back({"/" + std::to_string(description) + ".xml",
                       "<item><attributes " + attributes + "/></item>"});
    EXPECT_TRUE(vtest::WriteWholeFile(path, vtest::MakePack(entries)));
    return path;
}

bool BothTurnsStarted(Match& match)
{
    return match.A() && match.B() && match.A()->IsTurnActive() && match.B()->IsTurnActive();
}

TEST(BattleItems, AHatGivesItsHealthOnBothDevicesEvenWithoutItsPicture)
{
    Match match;
    // "Hat" in any case is a hat; the picture named is not in the pack.
    const std::string pack =
        ItemPack(match, 7, "type=\"Hat\" variable=\"20\" filename=\"Top.PNG\"");
    match.appA.AddItem(500, 7, 33, pack);
    match.appB.AddPack(33, pack);
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return BothTurnsStarted(match); }, 600));
    for (CVexPlayState* b : {match.A(), match.B()}) {
        EXPECT_EQ(120, b->Player(0).health);
        EXPECT_EQ(1u, b->Player(0).hasHat);
        EXPECT_EQ(20, b->Player(0).hatValue);
        EXPECT_EQ(100, b->Player(1).health);
    }
}

TEST(BattleItems, AHatNearTheIntegerLimitGivesTheMostHealthTheBattleHolds)
{
    Match match;
    const std::string pack = ItemPack(match, 9, "type=\"hat\" variable=\"2147483600\"");
    match.appA.AddItem(502, 9, 35, pack);
    match.appB.AddPack(35, pack);
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return BothTurnsStarted(match); }, 600));
    for (CVexPlayState* b : {match.A(), match.B()}) {
        EXPECT_EQ(9999, b->Player(0).health);
        EXPECT_EQ(9899, b->Player(0).hatValue);
    }
}

// The numbers of a description as read, and held to the bounds whatever the text says.
TEST(ItemDescription, NumbersAreReadAsTheDataTreeReadsThemAndHeldToTheBounds)
{
    const struct {
        const char* variable; // null: no attribute
        int expected;
    } cases[] = {
        {nullptr, 0},
        {"", 0},
        {"abc", 0},
        {" 25", 25},
        {"-40", -40},
        {"x-7", -7},
        {"9899", 9899},
        {"9900", 9899},
        {"-99", -99},
        {"-100", -99},
        {"2147483647", 9899},
        {"2147483648", 9899},
        {"-2147483648", -99},
        {"4294967316", 9899},
        {"99999999999999999999999", 9899},
        {"-99999999999999999999999", -99},
    };
    for (const auto& c : cases) {
        std::string xml = "<item><attributes type=\"Hat\" filename=\"A/Top.PNG\"";
        if (c.variable)
            xml += std::string(" variable=\"") + c.variable + "\"";
        xml += "/></item>";
        SVexItemDescription d;
        std::vector<char> bytes(xml.begin(), xml.end());
        ASSERT_EQ(VORTAN_OK, VexReadItemDescription(bytes.data(), (int)bytes.size(), &d)) << xml;
        EXPECT_EQ(c.expected, d.variable) << (c.variable ? c.variable : "(none)");
        EXPECT_EQ(VEX_ITEM_HAT, d.type);
        EXPECT_EQ(CVortanString("a/top.png"), d.filename);
    }
    const std::string broken[] = {"", "<item>", "<item><other/></item>", "not xml at all"};
    for (const std::string& xml : broken) {
        SVexItemDescription d;
        std::vector<char> bytes(xml.begin(), xml.end());
        EXPECT_EQ(VORTAN_E_MALFORMED, VexReadItemDescription(bytes.data(), (int)bytes.size(), &d))
            << xml;
    }
}

TEST(BattleItems, AnUnknownTypeChangesNothing)
{
    Match match;
    const std::string pack = ItemPack(match, 8, "type=\"scarf\" variable=\"50\"");
    match.appA.AddItem(501, 8, 34, pack);
    match.appB.AddPack(34, pack);
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return BothTurnsStarted(match); }, 600));
    EXPECT_EQ(100, match.A()->Player(0).health);
    EXPECT_EQ(0u, match.A()->Player(0).hasHat);
}

// Plays B's turns with a tiny jump until it is A's turn to shoot; A's battle, or null.
CVexPlayState* UntilATurn(Match& match)
{
    for (int i = 0; i < 4000; ++i) {
        CVexPlayState* shooter = match.ReadyShooter();
        if (shooter == match.A())
            return shooter;
        if (shooter)
            Match::Fire(shooter, VEX_WEAPON_JUMP, CVortanVector2(0.0f, 0.001f));
        else
            match.Tick();
    }
    return nullptr;
}

TEST(BattleItems, NewGraphicsApplyTheOwnBombAgain)
{
    Match match;
    const std::string cluster = ItemPack(match, 10, "type=\"cluster\"");
    match.appA.AddItem(601, 10, 36, cluster);
    match.appB.AddPack(36, cluster);
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return BothTurnsStarted(match); }, 600));
    CVexPlayState* a = match.A();
    CVexPlayer& p = a->Player(0);
    ASSERT_EQ(1u, p.clusterBombOwned);
    ASSERT_EQ(601, p.bombItem);
    CVexButton* eight = a->GetButtons()->FindButton(VEX_BTN_SHOP_BOMB);
    ASSERT_NE(nullptr, eight);
    ASSERT_EQ(23, eight->imageId);
    // The record and the button as if the bomb had not been applied.
    p.clusterBombOwned = 0;
    eight->imageId = 24;
    eight->locked = 1;
    const int state = a->GetRoundState();
    a->ReloadGraphics();
    EXPECT_EQ(1u, p.clusterBombOwned);
    EXPECT_EQ(601, p.bombItem);
    eight = a->GetButtons()->FindButton(VEX_BTN_SHOP_BOMB);
    ASSERT_NE(nullptr, eight);
    EXPECT_EQ(23, eight->imageId);
    EXPECT_EQ(0, eight->locked);
    EXPECT_EQ(state, a->GetRoundState());
    // The opponent's device does not take A's bomb as its own.
    EXPECT_EQ(0u, match.B()->Player(1).clusterBombOwned);
    match.B()->ReloadGraphics();
    EXPECT_EQ(0u, match.B()->Player(1).clusterBombOwned);
}

TEST(BattleItems, BothBombsOwnedButtonEightShowsAndSelectsTheSnowBombSpentOnceWhenKept)
{
    Match match;
    const std::string snow = ItemPack(match, 9, "type=\"snow\"");
    const std::string cluster = ItemPack(match, 10, "type=\"Cluster\"");
    match.appA.AddItem(600, 9, 35, snow);
    match.appA.AddItem(601, 10, 36, cluster);
    match.appB.AddPack(35, snow);
    match.appB.AddPack(36, cluster);
    match.Start();
    CVexPlayState* a = UntilATurn(match);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(600, a->GetSnowItem(0));
    EXPECT_EQ(601, a->GetClusterItem(0));
    CVexButton* eight = a->GetButtons()->FindButton(VEX_BTN_SHOP_BOMB);
    ASSERT_NE(nullptr, eight);
    EXPECT_EQ(22, eight->imageId); // the snow bomb, which it selects
    EXPECT_EQ(0, eight->locked);
    a->ClickButton(VEX_BTN_SHOP_BOMB);
    EXPECT_EQ((u32)VEX_WEAPON_SNOW, a->Player(0).weapon);
    a->SetAim(CVortanVector2(0.05f, 0.2f));
    a->FireShot();
    EXPECT_TRUE(match.appA.spends.empty()); // not before the shot is kept
    ASSERT_TRUE(match.RunUntil([&] { return a->IsShotFinished(); }, 2000));
    ASSERT_EQ(1u, match.appA.spends.size());
    EXPECT_EQ(600, match.appA.spends[0].first);
    EXPECT_EQ(1, match.appA.spends[0].second);
    EXPECT_EQ(1u, a->Player(0).bombUsed);
    EXPECT_EQ((u32)VEX_WEAPON_BOMB, a->Player(0).weapon);
    eight = a->GetButtons()->FindButton(VEX_BTN_SHOP_BOMB);
    EXPECT_EQ(24, eight->imageId);
    EXPECT_EQ(1, eight->locked);
    a->ClickButton(VEX_BTN_SHOP_BOMB);
    EXPECT_EQ((u32)VEX_WEAPON_BOMB, a->Player(0).weapon);
    match.RunUntil([&] { return match.channel.IsIdle() && a->IsPlaybackDone(); }, 2000);
    EXPECT_EQ(1u, match.appA.spends.size());
    EXPECT_TRUE(match.appB.spends.empty());
}

// A bomb shot that is dropped at the fast-forward's limit was never seen: nothing is spent and
// button 8 still offers the bomb.
TEST(BattleItems, ABombShotDroppedAtTheTimeLimitSpendsNothing)
{
    Match match;
    const std::string snow = ItemPack(match, 12, "type=\"snow\"");
    match.appA.AddItem(602, 12, 38, snow);
    match.appB.AddPack(38, snow);
    match.Start();
    CVexPlayState* a = UntilATurn(match);
    ASSERT_NE(nullptr, a);
    // Without gravity and blocks the bomb flies on and never comes to rest.
    match.gameA.GetPhysicsWorld()->SetGravity(CVortanVector2(0.0f, 0.0f));
    CVexBlockList* blocks = a->GetLiveScene()->GetBlocks();
    while (blocks->GetCount() > 0)
        blocks->RemoveById(blocks->GetAt(0)->id);
    a->ClickButton(VEX_BTN_SHOP_BOMB);
    ASSERT_EQ((u32)VEX_WEAPON_SNOW, a->Player(0).weapon);
    a->SetAim(CVortanVector2(0.0f, -0.4f));
    a->FireShot();
    ASSERT_TRUE(match.RunUntil([&] { return !a->IsFastForwarding(); }, 200));
    EXPECT_EQ(1, a->GetDroppedShots());
    EXPECT_TRUE(match.appA.spends.empty());
    EXPECT_EQ(0u, a->Player(0).bombUsed);
    CVexButton* eight = a->GetButtons()->FindButton(VEX_BTN_SHOP_BOMB);
    ASSERT_NE(nullptr, eight);
    EXPECT_EQ(22, eight->imageId);
    EXPECT_EQ(0, eight->locked);
}

TEST(BattleItems, ABattlegroundReplacesTheBackgroundsOfItsOwnerOnly)
{
    Match match;
    const std::string pack = ItemPack(
        match, 11, "type=\"battleground\" battlefilename=\"Sky.png\" uniquefilename=\"moon.png\"",
        {{"/sky.png", rtest::MakePng(4, 2, "#3366cc")},
         {"/moon.png", rtest::MakePng(2, 2, "#eeeeee")}});
    match.appA.AddItem(700, 11, 37, pack);
    match.appB.AddPack(37, pack);
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return BothTurnsStarted(match); }, 600));
    EXPECT_EQ(1u, match.A()->Player(0).hasBattleground);
    CVortanSurface* sky = match.gameA.GetGameContext()->GetImage(3);
    ASSERT_NE(nullptr, sky);
    EXPECT_EQ(4, sky->GetWidth());
    // On the other device the opponent's battleground changes nothing.
    EXPECT_EQ(0u, match.B()->Player(0).hasBattleground);
    CVortanSurface* other = match.gameB.GetGameContext()->GetImage(3);
    EXPECT_TRUE(other == nullptr || other->GetWidth() != 4);
}

} // namespace
