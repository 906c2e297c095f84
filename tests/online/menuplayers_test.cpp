// The player lists, challenges and chat page of the online menu, built from the program's own
// layout pack on a GLES2 window under Xvfb, with a loopback lobby that reads what is sent.
#include <limits.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/menu/OrloMenuPlayerRecord.h"
#include "platform/OrloStatsStore.h"
#include "tests/online/MenuPagesSupport.h"
#include "tests/online/QuietLogin.h"
#include "tests/online/SentFields.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/RunningList.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

namespace {

using mtest::PagesFixture;
using sentfields::Fields;
using sentfields::FieldsOf;
using sentfields::Lines;
using Texts = std::vector<std::string>;

// The own player id the lobby gives at login, so that a field carrying it can be told apart.
const int kOwnId = 41;

// The pages over a session that the loopback lobby has logged in as player kOwnId.
class OwnIdFixture : public PagesFixture {
protected:
    void SetUp() override
    {
        PagesFixture::SetUp();
        ASSERT_TRUE(session->SendLogin(CVortanString("me"), CVortanString("pw"), &login));
        ntest::WriteAll(
            peer, ntest::Ber(6).Int(0, kOwnId).Text(1, "t").Text(2, "").Text(3, "Me").Build());
        ASSERT_TRUE(vtest::WaitUntil([&]() {
            Frame(0.0f);
            return session->GetOwnPlayerId() == kOwnId;
        }));
        Sent(); // the login and its acknowledgement
    }
    ntest::QuietLogin login;
};

gtest_graphics::GLEnvironment* const g_env = mtest::Display();

SPlayerListItem Player(int id, const char* name, int flags)
{
    SPlayerListItem p;
    p.id = id;
    p.name = CVortanString(name);
    p.location = CVortanString("Oulu");
    p.comment = CVortanString("hello");
    p.flags = flags;
    p.group[1] = 12;  // rank
    p.group[2] = 340; // score
    p.group[3] = 2;   // wins
    p.group[4] = 1;   // losses
    p.group[5] = 0;   // ties
    p.group[6] = 5;
    p.group[7] = 9;
    return p;
}

class PlayerLists : public OwnIdFixture {
protected:
    CInfiniteList* Global()
    {
        return WidgetCast<CInfiniteList>(At("//players_root//playerlist_global"));
    }
    CWidget* GlobalPage() { return At("//players_root//global_page"); }
    // Opens the players page with the global list and answers its count query.
    void OpenWithRows(int total)
    {
        menu->ShowPage(CVortanString("players_root"), 1);
        menu->RunEvent("show_players_root", nullptr);
        COrloMenuState::OnPlayerListResult(menu, 0, -1, total, nullptr, nullptr, nullptr, 0);
        for (int i = 0; i < 3; ++i)
            Frame();
    }
    CWidget* Row(int index)
    {
        return Global()->FindChild(CVortanString(std::to_string(index).c_str()), 1);
    }
};

TEST_F(PlayerLists, ANewQueryShowsLoadingAndAsksTheCountThenBatchesOnce)
{
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    EXPECT_EQ(0, COrloMenuState::GetListMode());
    EXPECT_TRUE(Visible(GlobalPage(), "loading"));
    EXPECT_FALSE(Visible(GlobalPage(), "no_results"));
    std::vector<std::vector<u8>> sent = Sent();
    ASSERT_EQ(std::vector<int>({19}), Tags(sent));
    // The global list (selector 0), first index -1 and count 0: a count query, no filter.
    EXPECT_EQ("19: [0]=0 [1]=-1 [2]=0 [3]='' [4]=0 [5]=0", FieldsOf(sent, 19));
    COrloMenuState::OnPlayerListResult(menu, 0, -1, 40, nullptr, nullptr, nullptr, 0);
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(40, Global()->GetItemCount());
    EXPECT_GT(menu->GetLoadedItemCount(0), 0);
    // One batch request for the rows that loaded, not one per frame: from the first row, as
    // many as the list loaded.
    sent = Sent();
    EXPECT_EQ(std::vector<int>({19}), Tags(sent));
    EXPECT_EQ("19: [0]=0 [1]=0 [2]=" + std::to_string(menu->GetLoadedItemCount(0)) +
                  " [3]='' [4]=0 [5]=0",
              FieldsOf(sent, 19));
    // The count query (answered here directly, not through the session) and the one batch.
    EXPECT_EQ(2, session->GetPendingPlayerListCount());
}

TEST_F(PlayerLists, CountsOfZeroOrLessShowNoResultsAndEmptyGroupsEndLoading)
{
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    COrloMenuState::OnPlayerListResult(menu, 0, -1, -3, nullptr, nullptr, nullptr, 0);
    EXPECT_TRUE(Visible(GlobalPage(), "no_results"));
    EXPECT_FALSE(Visible(GlobalPage(), "loading"));
    EXPECT_EQ(0, Global()->GetItemCount());

    menu->RunEvent("filter_players", nullptr);
    EXPECT_TRUE(Visible(GlobalPage(), "loading"));
    CVortanArray<SGroupListItem> groups;
    groups.SetSize(2);
    groups[0].name = CVortanString("Online");
    groups[1].name = CVortanString("Offline");
    COrloMenuState::OnPlayerListResult(menu, 0, -1, 0, &groups, nullptr, nullptr, 0);
    EXPECT_FALSE(Visible(GlobalPage(), "loading"));

    // Sizes at the int limit and below zero: the list stays within what it can lay out.
    menu->RunEvent("filter_players", nullptr);
    groups[0].value = INT_MAX;
    groups[1].value = INT_MIN;
    COrloMenuState::OnPlayerListResult(menu, 0, -1, INT_MAX, &groups, nullptr, nullptr, 0);
    EXPECT_TRUE(Visible(GlobalPage(), "loading"));
    EXPECT_LE(Global()->GetItemCount(), 1000002);
    EXPECT_GT(Global()->GetItemCount(), 1000000);
}

TEST_F(PlayerLists, RowsShowEveryFieldAndTheVisibilityRules)
{
    OpenWithRows(5);
    SPlayerListItem online = Player(41, "Alma", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &online, nullptr, 0);
    SPlayerListItem followed = Player(42, "Bert", MENU_PLAYER_FOLLOWED | MENU_PLAYER_BLOCKED);
    followed.group[3] = 0;
    followed.group[4] = 0;
    COrloMenuState::OnPlayerListResult(menu, 0, 1, 0, nullptr, &followed, nullptr, 0);
    EXPECT_FALSE(Visible(GlobalPage(), "loading"));

    CWidget* big = Row(0)->FindChild(CVortanString("list_item_big"), -1);
    CWidget* small = Row(0)->FindChild(CVortanString("list_item_small"), -1);
    EXPECT_EQ("Alma", TextAt(small, "player_name"));
    EXPECT_EQ("340", TextAt(small, "player_score"));
    EXPECT_EQ("12", TextAt(big, "player_rank"));
    EXPECT_EQ("5/9", TextAt(big, "player_followers"));
    EXPECT_EQ("Oulu", TextAt(big, "player_location"));
    EXPECT_EQ("hello", TextAt(big, "player_comment"));
    EXPECT_TRUE(Visible(big, "button_challenge") || !big->IsVisible());
    CWidget* challenge = big->FindChild(CVortanString("button_challenge"), -1);
    EXPECT_TRUE(challenge->IsVisible());
    EXPECT_TRUE(big->FindChild(CVortanString("button_follow"), -1)->IsVisible());
    EXPECT_FALSE(big->FindChild(CVortanString("button_gift"), -1)->IsVisible());

    CWidget* big1 = Row(1)->FindChild(CVortanString("list_item_big"), -1);
    EXPECT_FALSE(big1->FindChild(CVortanString("button_challenge"), -1)->IsVisible());
    EXPECT_FALSE(big1->FindChild(CVortanString("button_follow"), -1)->IsVisible());
    EXPECT_TRUE(big1->FindChild(CVortanString("button_gift"), -1)->IsVisible());
    EXPECT_TRUE(
        Row(1)->FindChild(CVortanString("button_unfollow"), -1)->IsVisible() ||
        !Row(1)->FindChild(CVortanString("playerlist-item-nasty-buttons"), -1)->IsVisible());
    CToggleButton* block =
        WidgetCast<CToggleButton>(Row(1)->FindChild(CVortanString("button_block"), -1));
    EXPECT_EQ(1, block->GetState());

    // A record for an index with no loaded row changes nothing.
    SPlayerListItem stray = Player(99, "Stray", 0);
    COrloMenuState::OnPlayerListResult(menu, 0, 4000, 0, nullptr, &stray, nullptr, 0);
    EXPECT_EQ("Alma",
              TextAt(Row(0)->FindChild(CVortanString("list_item_small"), -1), "player_name"));
}

TEST_F(PlayerLists, PercentagesAreWholeNumbersOfTheGamesPlayed)
{
    OpenWithRows(1);
    CWidget* item = Row(0);
    // The own page's entry has the count and percentage fields; give this row the same.
    CWidget* label = item->FindChild(CVortanString("player_name"), -1);
    for (const char* name : {"my_wins", "my_ties", "my_losses", "my_wins_percent",
                             "my_ties_percent", "my_losses_percent"}) {
        CWidget* copy = label->Clone();
        copy->SetName(CVortanString(name));
        item->AddChild(copy);
    }
    SMenuPlayer p = Player(5, "Cai", 0); // 2 wins, 1 loss, 0 ties
    menu->FillPlayerList(item, p);
    EXPECT_EQ("2", TextAt(item, "my_wins"));
    EXPECT_EQ("66", TextAt(item, "my_wins_percent"));
    EXPECT_EQ("33", TextAt(item, "my_losses_percent"));
    EXPECT_EQ("0", TextAt(item, "my_ties_percent"));
    p.group[3] = p.group[4] = p.group[5] = 0;
    menu->FillPlayerList(item, p);
    EXPECT_EQ("0", TextAt(item, "my_wins_percent"));
    EXPECT_EQ("0", TextAt(item, "my_losses_percent"));
}

TEST_F(PlayerLists, TheReportLinkCarriesTheRowsOwnIdAlsoAfterTheRowIsReused)
{
    OpenWithRows(3);
    SPlayerListItem a = Player(1001, "A", 0);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &a, nullptr, 0);
    CWebButton* report =
        WidgetCast<CWebButton>(Row(0)->FindChild(CVortanString("button-report"), -1));
    ASSERT_NE(nullptr, report);
    const std::string first = VortanUTF8Of(report->GetUrl());
    EXPECT_NE(std::string::npos, first.find("player=1001&"));
    // The same row gets another player (as a recycled row does).
    SPlayerListItem b = Player(2002, "B", 0);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &b, nullptr, 0);
    const std::string second = VortanUTF8Of(report->GetUrl());
    EXPECT_NE(std::string::npos, second.find("player=2002&")) << second;
    EXPECT_EQ(std::string::npos, second.find("1001"));
}

TEST_F(PlayerLists, HostileNamesAreCutAndShownLiterally)
{
    OpenWithRows(1);
    SPlayerListItem p = Player(7, "%s%n%d%x", 0);
    std::string huge(1 << 20, 'c');
    p.comment = CVortanString(huge.c_str());
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    CWidget* big = Row(0)->FindChild(CVortanString("list_item_big"), -1);
    EXPECT_EQ("%s%n%d%x", TextAt(big, "player_name"));
    EXPECT_EQ((size_t)MENU_COMMENT_CAP, TextAt(big, "player_comment").size());
    // The follow toast formats the name as an argument only.
    Sent();
    menu->RunEvent("follow", big->FindChild(CVortanString("button_follow"), -1));
    ASSERT_EQ(std::vector<int>({21}), Tags(Sent()));
}

TEST_F(PlayerLists, BadAndHugeAvatarsAreDroppedAndAGoodOneIsShared)
{
    OpenWithRows(2);
    SPlayerListItem p = Player(31, "Gil", 0);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    CImageWidget* avatar =
        WidgetCast<CImageWidget>(Row(0)->FindChild(CVortanString("player_avatar"), -1));
    ASSERT_NE(nullptr, avatar);
    CVortanSurface* placeholder = avatar->GetImage();
    // The state dump counts the avatars the list has shown.
    auto avatars = [&] {
        std::string dump;
        menu->DumpState(dump);
        const size_t at = ("\n" + dump).find("\navatars ");
        return at == std::string::npos ? -1 : atoi(dump.c_str() + at + 8);
    };
    EXPECT_EQ(0, avatars());
    std::vector<u8> junk(1 << 20, 0x89);
    COrloMenuState::OnPlayerListResult(menu, 0, 31, 0, nullptr, nullptr, junk.data(),
                                       (int)junk.size());
    EXPECT_EQ(placeholder, avatar->GetImage());
    EXPECT_EQ(0, avatars());
    EXPECT_EQ(nullptr, app->FindSurface(CVortanString("player_avatar_icon_31")));
    // A real PNG (drawn by ImageMagick) shows on both faces under its registered name.
    vtest::TempDir dir;
    ASSERT_EQ(0, vtest::RunProgram(
                     {"convert", "-size", "8x8", "xc:#FF0000", "PNG32:" + dir.File("a.png")}));
    const std::string png = vtest::ReadWholeFile(dir.File("a.png"));
    COrloMenuState::OnPlayerListResult(menu, 0, 31, 0, nullptr, nullptr, (const u8*)png.data(),
                                       (int)png.size());
    CVortanSurface* named = app->FindSurface(CVortanString("player_avatar_icon_31"));
    ASSERT_NE(nullptr, named);
    EXPECT_EQ(named, avatar->GetImage());
    CImageWidget* small =
        WidgetCast<CImageWidget>(Row(0)->FindChild(CVortanString("player_avatar_small"), -1));
    EXPECT_EQ(named, small->GetImage());
    EXPECT_EQ(8, named->GetWidth());
    EXPECT_EQ(1, avatars());
    app->ReleaseSurface(named);
}

TEST_F(PlayerLists, FollowUnfollowAndBlockChangeTheRowAndSendOnce)
{
    OpenWithRows(1);
    SPlayerListItem p = Player(8, "Dora", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    Sent();
    CWidget* row = Row(0);
    SMenuPlayer* record = (SMenuPlayer*)row->GetTag();
    ASSERT_NE(nullptr, record);
    COrloToastNotification* toast = app->AddToast();
    ASSERT_NE(nullptr, toast);
    menu->RunEvent("follow", row->FindChild(CVortanString("button_follow"), -1));
    EXPECT_TRUE(record->flags & MENU_PLAYER_FOLLOWED);
    CTextWidget* message =
        WidgetCast<CTextWidget>(toast->GetRoot()->FindChild(CVortanString("toast_message"), -1));
    ASSERT_NE(nullptr, message);
    EXPECT_TRUE(row->FindChild(CVortanString("button_gift"), -1)->IsVisible());
    menu->RunEvent("unfollow", row->FindChild(CVortanString("button_unfollow"), -1));
    EXPECT_FALSE(record->flags & MENU_PLAYER_FOLLOWED);
    CToggleButton* block =
        WidgetCast<CToggleButton>(row->FindChild(CVortanString("button_block"), -1));
    block->SetState(1);
    menu->RunEvent("block", block);
    block->SetState(0);
    menu->RunEvent("block", block);
    // Each action's toast in turn, with the row's name.
    Texts shown;
    for (; toast->IsShowing(); toast->Update(10.0f))
        shown.push_back(VortanUTF8Of(message->GetText()));
    EXPECT_EQ(Texts({"You are now following Dora.", "You no longer follow Dora.",
                     "You have blocked Dora.", "You have unblocked Dora."}),
              shown);
    // Follow: the row's player, the own id, relation 1, 0 to follow and 1 to stop; block: the
    // row's player and 1 to block, 0 to unblock.
    EXPECT_EQ(Texts({"21: [0]=8 [1]=41 [2]=1 [3]=0 [4]=''", "21: [0]=8 [1]=41 [2]=1 [3]=1 [4]=''",
                     "76: [0]=8 [1]=1", "76: [0]=8 [1]=0"}),
              Lines(Sent()));

    // The lobby's status kind 3 marks the row; other kinds leave it.
    menu->OnPlayerStatus(8, 3, 0);
    EXPECT_TRUE(record->flags & MENU_PLAYER_FOLLOWED);
    menu->OnPlayerStatus(8, 2, 1);
    EXPECT_TRUE(record->flags & MENU_PLAYER_FOLLOWED);
    menu->OnPlayerStatus(8, 3, 1);
    EXPECT_FALSE(record->flags & MENU_PLAYER_FOLLOWED);

    // Following oneself sends nothing.
    record->id = session->GetOwnPlayerId();
    menu->RunEvent("follow", row->FindChild(CVortanString("button_follow"), -1));
    EXPECT_TRUE(Tags(Sent()).empty());
    EXPECT_FALSE(record->flags & MENU_PLAYER_FOLLOWED);
}

TEST_F(PlayerLists, OneItemIsExpandedAtATimeAndRecordsGoWithARebuild)
{
    OpenWithRows(4);
    for (int i = 0; i < 2; ++i) {
        SPlayerListItem p = Player(100 + i, "E", 0);
        COrloMenuState::OnPlayerListResult(menu, 0, i, 0, nullptr, &p, nullptr, 0);
    }
    CExpandable* first = WidgetCast<CExpandable>(Row(0));
    CExpandable* second = WidgetCast<CExpandable>(Row(1));
    menu->RunEvent("expand_list_item", first);
    EXPECT_EQ(first, menu->GetExpandedItem());
    EXPECT_EQ(1, first->GetState());
    menu->RunEvent("expand_list_item", second);
    EXPECT_EQ(second, menu->GetExpandedItem());
    EXPECT_EQ(0, first->GetState());
    EXPECT_EQ(1, second->GetState());
    EXPECT_EQ(1, menu->RunEvent("expand_nastybuttons", nullptr));
    EXPECT_EQ(2, second->GetState());
    EXPECT_TRUE(second->FindChild(CVortanString("playerlist-item-nasty-buttons"), -1)->IsVisible());
    // A rebuild for another size drops every row's record (checked by the leak checker).
    EXPECT_EQ(1, menu->OnResize(480, 800) >= 0 ? 1 : 0);
    EXPECT_EQ(nullptr, menu->GetExpandedItem());
    EXPECT_EQ(0, menu->GetLoadedItemCount(0));
}

TEST_F(PlayerLists, TheOwnEntryAsksForItsPageWithTheGameNumberAndSixOnly)
{
    CWidget self;
    menu->RunEvent("load_self", &self);
    std::vector<std::vector<u8>> sent = Sent();
    EXPECT_EQ(std::vector<int>({19, 19, 74, 90, 10}), Tags(sent));
    // The own entry (selector 32): its count, then its one row; the own page of game 7; the
    // coin balance; the achievements of game 7.
    EXPECT_EQ(Texts({"19: [0]=32 [1]=-1 [2]=0 [3]='' [4]=0 [5]=0",
                     "19: [0]=32 [1]=0 [2]=1 [3]='' [4]=0 [5]=0", "74: [0]=7 [1]=6",
                     "90:", "10: [0]=0 [1]=5 [2]=0 [3]=7"}),
              Lines(sent));
    // BF 4A: tag 74; [0] the game number 7, [1] 6; no third field.
    for (const std::vector<u8>& m : sent) {
        if (mtest::TagOf(m) == 74) {
            EXPECT_EQ(std::vector<u8>({0xBF, 0x4A, 0x06, 0x80, 0x01, 0x07, 0x81, 0x01, 0x06}), m);
        }
    }
    menu->RunEvent("unload_self", &self);
}

// True when the widget and every widget above it are visible.
bool OnScreen(CWidget* widget)
{
    for (CWidget* at = widget; at; at = at->GetParent())
        if (!at->IsVisible())
            return false;
    return widget != nullptr;
}

bool Inside(CWidget* widget, const char* name)
{
    for (CWidget* at = widget; at; at = at->GetParent())
        if (at->GetName() == CVortanString(name))
            return true;
    return false;
}

TEST_F(PlayerLists, TheArrowOpensItsOwnRowWhichShowsTheBlockToggle)
{
    OpenWithRows(4);
    for (int i = 0; i < 2; ++i) {
        SPlayerListItem p = Player(100 + i, "E", i == 1 ? MENU_PLAYER_BLOCKED : 0);
        COrloMenuState::OnPlayerListResult(menu, 0, i, 0, nullptr, &p, nullptr, 0);
    }
    CExpandable* first = WidgetCast<CExpandable>(Row(0));
    CExpandable* second = WidgetCast<CExpandable>(Row(1));
    CWidget* arrow = second->FindChild(CVortanString("arrow"), -1);
    ASSERT_NE(nullptr, arrow);
    // With no row open, and with another row open, the arrow opens its own row.
    menu->RunEvent("expand_nastybuttons", arrow);
    EXPECT_EQ(second, menu->GetExpandedItem());
    EXPECT_EQ(1, second->GetState());
    menu->RunEvent("expand_list_item", first);
    EXPECT_EQ(0, second->GetState());
    menu->RunEvent("expand_nastybuttons", arrow);
    EXPECT_EQ(second, menu->GetExpandedItem());
    EXPECT_EQ(0, first->GetState());
    EXPECT_EQ(1, second->GetState());
    for (int i = 0; i < 30; ++i)
        Frame(0.05f);
    // The open row: challenge, follow and the block toggle (on: the player is blocked).
    CToggleButton* block =
        WidgetCast<CToggleButton>(second->FindChild(CVortanString("button_block"), -1));
    ASSERT_NE(nullptr, block);
    EXPECT_TRUE(OnScreen(block));
    EXPECT_TRUE(Inside(block, "list_item_big"));
    EXPECT_EQ(1, block->GetState());
    EXPECT_TRUE(OnScreen(second->FindChild(CVortanString("button_follow"), -1)));
    EXPECT_FALSE(OnScreen(first->FindChild(CVortanString("button_block"), -1)));
    // A second and a half on, the buttons still show their resting face (the sheet's first
    // frame), not the pressed one: the faces do not take turns.
    for (const char* name : {"button_block", "button_follow", "button_challenge"}) {
        CButton* button = WidgetCast<CButton>(second->FindChild(CVortanString(name), -1));
        ASSERT_NE(nullptr, button) << name;
        EXPECT_EQ(0, button->GetFrame()) << name;
    }
    // On the open row the arrow shows the third state's buttons.
    menu->RunEvent("expand_nastybuttons", arrow);
    EXPECT_EQ(2, second->GetState());
    EXPECT_TRUE(second->FindChild(CVortanString("playerlist-item-nasty-buttons"), -1)->IsVisible());
}

TEST_F(PlayerLists, ABuildEmptiesTheSearchSoNoHiddenFilterIsAsked)
{
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    auto field = [&]() {
        return WidgetCast<CTextWidget>(At("//players_root//global_page//search_text"));
    };
    auto search = [&](const char* text) {
        ASSERT_NE(nullptr, field());
        field()->SetText(CVortanString(text));
        menu->RunEvent("filter_players", nullptr);
        ASSERT_EQ(text, VortanUTF8Of(menu->GetFilterText()));
    };
    // A build over the tree that is there, and a rebuild for a new size.
    Sent();
    search("carol");
    // The search asks the count of the global list's players matching the text.
    EXPECT_EQ("19: [0]=0 [1]=-1 [2]=0 [3]='carol' [4]=0 [5]=0", FieldsOf(Sent(), 19));
    EXPECT_EQ(1, menu->BuildMenu(800, 480, nullptr));
    EXPECT_EQ("", VortanUTF8Of(menu->GetFilterText()));
    EXPECT_EQ("", VortanUTF8Of(field()->GetText()));
    search("dmitri");
    EXPECT_EQ("19: [0]=0 [1]=-1 [2]=0 [3]='dmitri' [4]=0 [5]=0", FieldsOf(Sent(), 19));
    menu->OnResize(800, 480);
    EXPECT_EQ("", VortanUTF8Of(menu->GetFilterText()));
    ASSERT_NE(nullptr, field());
    EXPECT_EQ("", VortanUTF8Of(field()->GetText()));
}

TEST_F(PlayerLists, TheBlockAndInviteTogglesAndTheArrowLookAsTheirStateIs)
{
    OpenWithRows(2);
    SPlayerListItem p = Player(100, "E", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    CExpandable* row = WidgetCast<CExpandable>(Row(0));
    ASSERT_NE(nullptr, row);
    CWidget* arrow = row->FindChild(CVortanString("arrow"), -1);
    ASSERT_NE(nullptr, arrow);
    const std::string closed = PixelsOf(arrow);
    ASSERT_FALSE(closed.empty());
    menu->RunEvent("expand_list_item", row);
    const std::string open = PixelsOf(arrow);
    EXPECT_TRUE(closed != open) << "the arrow of an open row looks as a closed row's";
    menu->RunEvent("expand_list_item", row);
    EXPECT_TRUE(closed == PixelsOf(arrow));
    // The block toggle of the open row: unblocked, blocked by the row's record, by a press.
    menu->RunEvent("expand_list_item", row);
    CToggleButton* block =
        WidgetCast<CToggleButton>(row->FindChild(CVortanString("button_block"), -1));
    ASSERT_NE(nullptr, block);
    const std::string unblocked = PixelsOf(block);
    ASSERT_FALSE(unblocked.empty());
    p.flags |= MENU_PLAYER_BLOCKED;
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    ASSERT_EQ(1, block->GetState());
    const std::string blocked = PixelsOf(block);
    EXPECT_TRUE(unblocked != blocked) << "a blocked player's toggle looks as an unblocked one's";
    Shot("player_blocked");
    block->Click();
    ASSERT_EQ(0, block->GetState());
    EXPECT_TRUE(unblocked == PixelsOf(block));
    Shot("player_unblocked");
    // The invitation toggle too shows whether the player is invited.
    CToggleButton* invite =
        WidgetCast<CToggleButton>(row->FindChild(CVortanString("player_invite_button"), -1));
    ASSERT_NE(nullptr, invite);
    ASSERT_EQ(0, invite->GetState());
    const std::string uninvited = PixelsOf(invite);
    invite->SetState(1);
    EXPECT_TRUE(uninvited != PixelsOf(invite)) << "an invited player's toggle looks as another's";
}

TEST_F(PlayerLists, RestoringTheLoginFormEmptiesTheLists)
{
    OpenWithRows(4);
    SPlayerListItem p = Player(100, "E", 0);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    ASSERT_GT(menu->GetLoadedItemCount(0), 0);
    ASSERT_NE(0, (int)Row(0)->GetTag());
    menu->RestoreLoginFields();
    Frame();
    // The rows come again without the last login's players.
    EXPECT_TRUE(Row(0) == nullptr || Row(0)->GetTag() == 0);
    EXPECT_EQ(nullptr, menu->GetSelfItem());
}

class Challenges : public PlayerLists {};

TEST_F(Challenges, ASentChallengeWaitsTwentySecondsThenIsWithdrawn)
{
    OpenWithRows(2);
    CInfiniteList* list = WidgetCast<CInfiniteList>(At("//players_root//playerlist_global"));
    SPlayerListItem p = Player(55, "Fay", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    Sent();
    CWidget* row = list->FindChild(CVortanString("0"), 1);
    menu->RunEvent("send_challenge", row->FindChild(CVortanString("button_challenge"), -1));
    EXPECT_EQ("challenge_waiting", Page());
    EXPECT_FLOAT_EQ(20.0f, menu->GetChallengeTimer());
    EXPECT_EQ(1, menu->GetInvitedCount());
    // Game 7, the row's player under the list's constructed identifier, an empty text.
    EXPECT_EQ(Texts({"38: [0]=7 [1]=c{55} [2]=''"}), Lines(Sent()));
    // A challenge received meanwhile replaces the pending id; the own one is still withdrawn.
    menu->OnChallengeReceived(77, CVortanString("Gus"), 3, 4);
    menu->Update(19.9f);
    EXPECT_TRUE(Tags(Sent()).empty());
    menu->Update(0.2f);
    // The withdrawal: answer 0 in game 7, from the own id, for the own challenge (not Gus's).
    EXPECT_EQ(Texts({"40: [0]=0 [1]=7 [2]=41 [3]=41 [4]='' [5]=''"}), Lines(Sent()));
    EXPECT_NE("challenge_waiting", Page());
}

TEST_F(Challenges, CancellingTheWaitWithdrawsOnceAndStopsTheTimer)
{
    OpenWithRows(1);
    SPlayerListItem p = Player(56, "Hana", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    CInfiniteList* list = WidgetCast<CInfiniteList>(At("//players_root//playerlist_global"));
    CWidget* row = list->FindChild(CVortanString("0"), 1);
    menu->RunEvent("send_challenge", row->FindChild(CVortanString("button_challenge"), -1));
    Sent();
    CWidget* cancel = At("//challenge_waiting//waiting_cancel");
    ASSERT_NE(nullptr, cancel);
    menu->RunEvent("reject_challenge", cancel);
    EXPECT_EQ(Texts({"40: [0]=0 [1]=7 [2]=41 [3]=41 [4]='' [5]=''"}), Lines(Sent()));
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
    menu->Update(25.0f);
    EXPECT_TRUE(Tags(Sent()).empty());
}

TEST_F(Challenges, TheTimerStopsAtTheGameStart)
{
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("send_challenge", nullptr); // outside a row: join anyone
    EXPECT_EQ(std::vector<int>({7}), Tags(Sent()));
    EXPECT_FLOAT_EQ(30.0f, menu->GetChallengeTimer());
    ASSERT_FALSE(app->notices.empty());
    EXPECT_EQ("0:" + Language(3), app->notices.back());
    menu->OnGameStart(1, 0);
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
    menu->Update(31.0f);
    for (int tag : Tags(Sent()))
        EXPECT_NE(40, tag);
}

TEST_F(Challenges, OnePressOneChallengeWhileItWaitsFurtherPressesDoNothing)
{
    OpenWithRows(1);
    SPlayerListItem p = Player(55, "Fay", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    Sent();
    CWidget* row = At("//players_root//playerlist_global")->FindChild(CVortanString("0"), 1);
    ASSERT_NE(nullptr, row);
    CWidget* button = row->FindChild(CVortanString("button_challenge"), -1);
    menu->RunEvent("send_challenge", button);
    EXPECT_EQ(Texts({"38: [0]=7 [1]=c{55} [2]=''"}), Lines(Sent()));
    menu->Update(5.0f);
    // The row's button again (a double tap, or under the waiting page), and a button outside
    // a row (the toast, "Play anyone"): nothing is sent, the wait goes on as it was.
    menu->RunEvent("send_challenge", button);
    menu->RunEvent("send_challenge", nullptr);
    EXPECT_TRUE(Tags(Sent()).empty());
    EXPECT_EQ("challenge_waiting", Page());
    EXPECT_FLOAT_EQ(15.0f, menu->GetChallengeTimer());
    EXPECT_TRUE(app->notices.empty());
    // Once it is answered, a press challenges again.
    menu->OnChallengeReply(55, CVortanString("Fay"), 0);
    menu->RunEvent("send_challenge", button);
    EXPECT_EQ(Texts({"38: [0]=7 [1]=c{55} [2]=''"}), Lines(Sent()));
}

TEST_F(Challenges, TheJoinForAnyoneIsSentOnceWithTheGamesNumberOfPlayers)
{
    game->maxPlayers = 4;
    menu->ShowPage(CVortanString("startscreen_root"), 1);
    menu->RunEvent("send_challenge", nullptr);
    menu->RunEvent("send_challenge", nullptr);
    std::vector<std::vector<u8>> sent = Sent();
    // A7 09: tag 7; [0] the game number 7, [1] 0, [2] the hosted game's 4 players.
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(std::vector<u8>({0xA7, 0x09, 0x80, 0x01, 0x07, 0x81, 0x01, 0x00, 0x82, 0x01, 0x04}),
              sent[0]);
    EXPECT_EQ(1u, app->notices.size());
    // The waiting dialog's button leaves the joined game 7.
    menu->RunEvent("dialog_button", nullptr);
    EXPECT_EQ(Texts({"9: [0]=7"}), Lines(Sent()));
}

TEST_F(Challenges, TheInvitedStayUntilTheNextQueryOrRebuild)
{
    OpenWithRows(2);
    SPlayerListItem fay = Player(55, "Fay", MENU_PLAYER_ONLINE);
    SPlayerListItem gil = Player(56, "Gil", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &fay, nullptr, 0);
    CWidget* list = At("//players_root//playerlist_global");
    CWidget* row = list->FindChild(CVortanString("0"), 1);
    menu->RunEvent("send_challenge", row->FindChild(CVortanString("button_challenge"), -1));
    menu->RunEvent("reject_challenge", nullptr); // withdrawn
    Sent();
    // A row filled now shows whom the user invited.
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &fay, nullptr, 0);
    COrloMenuState::OnPlayerListResult(menu, 0, 1, 0, nullptr, &gil, nullptr, 0);
    for (int i = 0; i < 2; ++i) {
        CWidget* r = list->FindChild(CVortanString(std::to_string(i).c_str()), 1);
        CToggleButton* invite =
            WidgetCast<CToggleButton>(r->FindChild(CVortanString("player_invite_button"), -1));
        ASSERT_NE(nullptr, invite);
        EXPECT_EQ(i == 0 ? 1 : 0, invite->GetState()) << i;
    }
    // A button outside a row challenges the invited; the join is for no one invited.
    menu->RunEvent("send_challenge", nullptr);
    EXPECT_EQ(Texts({"38: [0]=7 [1]=c{55} [2]=''"}), Lines(Sent()));
    menu->RunEvent("reject_challenge", nullptr);
    // Gil's row adds him: one challenge to both, in ascending order of their ids.
    CWidget* gilRow = list->FindChild(CVortanString("1"), 1);
    menu->RunEvent("send_challenge", gilRow->FindChild(CVortanString("button_challenge"), -1));
    EXPECT_EQ(
        Texts({"40: [0]=0 [1]=7 [2]=41 [3]=41 [4]='' [5]=''", "38: [0]=7 [1]=c{55,56} [2]=''"}),
        Lines(Sent()));
    menu->RunEvent("reject_challenge", nullptr);
    menu->OnResize(800, 480);
    EXPECT_EQ(0, menu->GetInvitedCount());
    Sent();
    menu->RunEvent("send_challenge", nullptr);
    // Play anyone: a join of game 7 from the challenge page, for two players.
    std::vector<std::vector<u8>> sent = Sent();
    EXPECT_EQ(7, Tags(sent).at(0));
    EXPECT_EQ("7: [0]=7 [1]=0 [2]=2", Fields(sent.at(0), "iii"));
}

TEST_F(Challenges, AReceivedChallengeFillsTheDialogAndTheAnswerGoesToItsSender)
{
    menu->OnChallengeReceived(77, CVortanString("%s Gus"), 3, 456);
    CWidget* page = At("//challenge_received");
    EXPECT_EQ("%s Gus", TextAt(page, "player_name"));
    EXPECT_EQ("3", TextAt(page, "player_rank"));
    EXPECT_EQ("456", TextAt(page, "player_score"));
    EXPECT_EQ(77, menu->GetPendingChallenger());
    menu->OnChallengeReceived(78, CVortanString("Hal"), 1, 2);
    menu->RunEvent("accept_challenge", nullptr);
    // Accepted (1) in game 7 by the own id, to the latest challenger, Hal (78).
    EXPECT_EQ(Texts({"40: [0]=1 [1]=7 [2]=41 [3]=78 [4]='' [5]=''"}), Lines(Sent()));
    // A refusal (0) goes to its challenger the same way.
    menu->OnChallengeReceived(79, CVortanString("Ivy"), 1, 2);
    menu->RunEvent("reject_challenge", nullptr);
    EXPECT_EQ(Texts({"40: [0]=0 [1]=7 [2]=41 [3]=79 [4]='' [5]=''"}), Lines(Sent()));
    // The lobby's echoes of the own accept and refusal tell the user nothing.
    for (int answer : {1, 0})
        menu->OnChallengeReply(kOwnId, CVortanString("Me"), answer);
    EXPECT_TRUE(app->notices.empty());
}

TEST_F(Challenges, AnswersToTheOwnChallengeCloseTheWaitingPageWithTheirTexts)
{
    menu->ShowPage(CVortanString("startscreen_root"), 1);
    struct Case {
        int answer;
        std::string notice;
    } cases[] = {{0, "0:" + std::string("Ida declined your challenge.")},
                 {2, "0:" + Language(6)},
                 {3, "0:" + Language(7)}};
    for (const Case& c : cases) {
        menu->GetPageRoot()->NavigateTo(CVortanString("challenge_waiting"));
        app->notices.clear();
        menu->OnChallengeReply(90, CVortanString("Ida"), c.answer);
        EXPECT_NE("challenge_waiting", Page());
        ASSERT_EQ(1u, app->notices.size()) << c.answer;
        EXPECT_EQ(c.notice, app->notices[0]);
    }
    // Accepted, or an answer of no known kind: no text.
    app->notices.clear();
    for (int answer : {1, 4}) {
        menu->GetPageRoot()->NavigateTo(CVortanString("challenge_waiting"));
        menu->OnChallengeReply(90, CVortanString("Ida"), answer);
        EXPECT_NE("challenge_waiting", Page());
    }
    EXPECT_TRUE(app->notices.empty());
}

TEST_F(Challenges, KicksGiveTheirNotices)
{
    menu->OnPlayerListUpdate(-1, 7, 0);
    ASSERT_EQ(1u, app->notices.size());
    EXPECT_EQ("0:" + Language(8), app->notices[0]);
    EXPECT_EQ(1, game->leaves);
    menu->OnPlayerListUpdate(0, 7, 0);
    EXPECT_EQ(1u, app->notices.size());
}

TEST_F(Challenges, AKickOfAnotherGameIsNotThisProgramsKick)
{
    menu->OnPlayerListUpdate(-1, 8, 0);
    menu->OnPlayerListUpdate(-2, 0, -1);
    EXPECT_TRUE(app->notices.empty());
    EXPECT_EQ(0, game->leaves);
    EXPECT_EQ(2, menu->GetLoginState());
}

TEST_F(Challenges, ALogoutKickGivesItsNoticeAndEndsTheLogin)
{
    menu->OnPlayerListUpdate(-2, 7, -1); // as the lobby sends it: this game's number
    ASSERT_EQ(1u, app->notices.size());
    EXPECT_EQ("0:" + Language(9), app->notices[0]);
    EXPECT_EQ(1, game->leaves);
    EXPECT_EQ(0, menu->GetLoginState());
}

// A challenge lives as long as the session it came in: the session's end (the lobby's
// connection gone, or a new login) ends it as a withdrawn one.
class ChallengeSessionEnd : public Challenges {
protected:
    void SetUp() override
    {
        Challenges::SetUp();
        toast = app->AddToast();
        ASSERT_NE(nullptr, toast);
        // As the login controller does when it connects.
        session->AddStatusObserver(menu);
    }
    // The lobby closes the connection; the session sees it go.
    void DropLobby()
    {
        close(peer);
        peer = -1;
        for (int i = 0; i < 500 && (session->GetStatus() & 0xFF) != 0; ++i) {
            Frame(0.0f);
            usleep(10000);
        }
        ASSERT_EQ(0, session->GetStatus() & 0xFF);
    }
    bool ChallengeToast() { return toast->IsShowing() && toast->GetCurrentKind() == 3; }

    COrloToastNotification* toast = nullptr;
};

TEST_F(ChallengeSessionEnd, ADroppedSessionEndsTheReceivedChallengeItsToastAndPage)
{
    menu->ShowPage(CVortanString("startscreen_root"), 1);
    menu->OnChallengeReceived(77, CVortanString("Gus"), 3, 4);
    ASSERT_TRUE(ChallengeToast());
    CTextWidget* message =
        WidgetCast<CTextWidget>(toast->GetRoot()->FindChild(CVortanString("toast_message"), -1));
    ASSERT_NE(nullptr, message);
    EXPECT_EQ("Gus challenges you to a match!", VortanUTF8Of(message->GetText()));
    menu->ShowPage(CVortanString("challenge_received"), 1); // the toast's tap
    DropLobby();
    EXPECT_EQ("startscreen_root", Page());
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_FALSE(toast->IsShowing());
    ASSERT_EQ(std::vector<std::string>({"0:" + Language(4)}), app->notices);
    EXPECT_EQ(1, game->leaves); // a game start on its way will not come
    // Ended once: the next login tells nothing more.
    menu->OnLobbyStateChanged(session, LOBBY_STATE_LOGGED_IN);
    EXPECT_EQ(1u, app->notices.size());
    EXPECT_EQ("startscreen_root", Page());
}

TEST_F(ChallengeSessionEnd, ADroppedSessionEndsTheOwnChallengeAndItsWaitingPage)
{
    OpenWithRows(1);
    SPlayerListItem p = Player(55, "Fay", MENU_PLAYER_ONLINE);
    COrloMenuState::OnPlayerListResult(menu, 0, 0, 0, nullptr, &p, nullptr, 0);
    CWidget* row = At("//players_root//playerlist_global")->FindChild(CVortanString("0"), 1);
    ASSERT_NE(nullptr, row);
    menu->RunEvent("send_challenge", row->FindChild(CVortanString("button_challenge"), -1));
    ASSERT_EQ("challenge_waiting", Page());
    app->ShowToast(CVortanString("news"), 0.0f, 1);
    DropLobby();
    EXPECT_EQ("players_root", Page());
    EXPECT_EQ(0, menu->IsOwnChallengeOpen());
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
    // The challenger is told nothing (a withdrawal's echo has no text); other toasts stay.
    EXPECT_TRUE(app->notices.empty());
    EXPECT_TRUE(toast->IsShowing());
    EXPECT_EQ(1, game->leaves);
}

TEST_F(ChallengeSessionEnd, ANewLoginEndsAChallengeWhoseSessionWentUnnoticed)
{
    menu->ShowPage(CVortanString("startscreen_root"), 1);
    menu->RunEvent("send_challenge", nullptr); // the join for anyone
    EXPECT_FLOAT_EQ(30.0f, menu->GetChallengeTimer());
    app->notices.clear();
    menu->OnChallengeReceived(78, CVortanString("Hal"), 1, 2);
    menu->ShowPage(CVortanString("challenge_received"), 1);
    menu->OnLobbyStateChanged(session, LOBBY_STATE_LOGGED_IN);
    EXPECT_EQ("startscreen_root", Page());
    EXPECT_FALSE(toast->IsShowing());
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
    EXPECT_EQ(std::vector<std::string>({"0:" + Language(4)}), app->notices);
    // A challenge of the new session comes up as ever.
    menu->OnChallengeReceived(79, CVortanString("Ivo"), 1, 2);
    EXPECT_TRUE(ChallengeToast());
    EXPECT_EQ(79, menu->GetPendingChallenger());
}

TEST_F(ChallengeSessionEnd, AWithdrawnChallengeTakesItsToastAlong)
{
    menu->ShowPage(CVortanString("startscreen_root"), 1);
    menu->OnChallengeReceived(77, CVortanString("Gus"), 3, 4);
    app->ShowToast(CVortanString("news"), 0.0f, 1);
    ASSERT_TRUE(ChallengeToast());
    // As the lobby tells the one challenged: its own id with answer 2.
    menu->OnChallengeReply(session->GetOwnPlayerId(), CVortanString("Me"), 2);
    EXPECT_TRUE(toast->IsShowing());
    EXPECT_EQ(1, toast->GetCurrentKind()); // the news waiting behind it
    EXPECT_EQ(std::vector<std::string>({"0:" + Language(4)}), app->notices);
}

// A game identifier above 32 bits, as the lobby gives them.
const long long kGameId = (1LL << 32) + 5;

class Chat : public OwnIdFixture {
protected:
    void TearDown() override
    {
        if (gamePeer >= 0)
            close(gamePeer);
        OwnIdFixture::TearDown();
    }
    void StartMatch()
    {
        AddLobbyPlayer(session->GetOwnPlayerId(), "Me");
        AddLobbyPlayer(500, "Other");
        menu->OnGameStart(1, 1);
        menu->SetInMatch(1);
    }
    // The lobby starts match kGameId against player 500: the session connects to a loopback
    // game server, which then reads what the match sends.
    void ConnectGame()
    {
        std::vector<ntest::Ber> players = {ntest::Ber(0).Int(0, kOwnId).Text(1, "Me"),
                                           ntest::Ber(0).Int(0, 500).Text(1, "Other")};
        ntest::WriteAll(peer, ntest::GameBegin(kGameId, players, 1, gameServer.port));
        ASSERT_TRUE(vtest::WaitUntil([&]() {
            Frame(0.0f);
            return (session->GetStatus() & 0x100) != 0;
        }));
        gamePeer = gameServer.Accept();
        ASSERT_GE(gamePeer, 0);
    }
    // Every message on the game connection since the last read, as its fields' lines, in the
    // order sent: read up to a ping sent now (one connection's messages arrive in the order
    // sent, so none sent before it comes later), or to the connection's end; a wait that ends
    // without the ping fails.
    Texts OnGame()
    {
        session->SendPing();
        Texts lines;
        bool open = true;
        const bool done = vtest::WaitUntil([&]() {
            if (session->GetGameEngine())
                session->GetGameEngine()->Run(0.0f);
            Frame(0.0f);
            open = ntest::ReadSome(gamePeer, &gameStream, 10);
            for (const std::vector<u8>& m : mtest::SplitMessages(gameStream))
                lines.push_back(Fields(m, sentfields::KindsOf(mtest::TagOf(m))));
            return !open || (!lines.empty() && lines.back() == "44: [0]=-1");
        });
        EXPECT_TRUE(done) << "the ping sent on the game connection did not come";
        if (done && open)
            lines.pop_back(); // the ping
        return lines;
    }
    ntest::Listener gameServer;
    int gamePeer = -1;
    std::vector<u8> gameStream;
    // The other player (id 500) listed as the match's participant, and its panel opened.
    void OpenParticipant(int flags)
    {
        COrloMenuState::OnParticipantsResult(menu, 256, -1, 2, nullptr, nullptr, nullptr, 0);
        SPlayerListItem other = Player(500, "Other", flags);
        COrloMenuState::OnParticipantsResult(menu, 256, 0, 2, nullptr, &other, nullptr, 0);
        CWidget* item = At("//chat_root//chat_avatars_root//avatar_list")->GetChild(0);
        ASSERT_NE(nullptr, item);
        menu->RunEvent("expand_chat_item",
                       item->FindChild(CVortanString("participant_button"), -1));
    }
    CRunningList* Backlog() { return WidgetCast<CRunningList>(At("//chat_root//chat_backlog")); }
    std::vector<std::string> BacklogTexts()
    {
        std::vector<std::string> out;
        CRunningList* list = Backlog();
        for (int i = 0; list && i < list->GetChildCount(); ++i) {
            CTextWidget* t = WidgetCast<CTextWidget>(list->GetChild(i));
            if (t)
                out.push_back(VortanUTF8Of(t->GetText()));
        }
        return out;
    }
};

TEST_F(Chat, LinesHaveTheirColoursAndEnterTheBacklogOnePerFrameInOrder)
{
    StartMatch();
    const int before = menu->GetPendingChatLineCount();
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("hi"), 500), true);
    menu->AddChatLine(COrloChatRecord(2, CVortanString("hi"), session->GetOwnPlayerId()), false);
    ASSERT_EQ(before + 2, menu->GetPendingChatLineCount());
    EXPECT_EQ("Other: hi", VortanUTF8Of(menu->GetPendingChatText(before)));
    EXPECT_EQ(0xFFFFFFFFu, menu->GetPendingChatColor(before));
    EXPECT_EQ("Me: hi", VortanUTF8Of(menu->GetPendingChatText(before + 1)));
    EXPECT_EQ(0xFFFFC000u, menu->GetPendingChatColor(before + 1));
    EXPECT_EQ(1, game->offered);

    for (int i = 0; i < 10; ++i)
        menu->OnChatMessage(COrloChatRecord(2, CVortanString(std::to_string(i).c_str()), 500),
                            true);
    const int pending = menu->GetPendingChatLineCount();
    // Hidden menu: nothing enters.
    Frame();
    EXPECT_EQ(pending, menu->GetPendingChatLineCount());
    menu->SetMenuShown(true);
    for (int i = 0; i < pending; ++i) {
        Frame();
        EXPECT_EQ(pending - i - 1, menu->GetPendingChatLineCount());
    }
    std::vector<std::string> texts = BacklogTexts();
    ASSERT_GE(texts.size(), 10u);
    // The newest line was added last.
    std::vector<std::string> tail(texts.end() - 10, texts.end());
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(std::string::npos,
                  texts[texts.size() - 10 + i].find("Other: " + std::to_string(i)))
            << i;

    // The other joining and leaving the chat: notices with its name.
    const int queued = menu->GetPendingChatLineCount();
    menu->OnChatMessage(COrloChatRecord(0, CVortanString(), 500), true);
    menu->OnChatMessage(COrloChatRecord(1, CVortanString(), 500), true);
    ASSERT_EQ(queued + 2, menu->GetPendingChatLineCount());
    EXPECT_EQ("Other joined the chat.", VortanUTF8Of(menu->GetPendingChatText(queued)));
    EXPECT_EQ("Other left the chat.", VortanUTF8Of(menu->GetPendingChatText(queued + 1)));
}

TEST_F(Chat, ALongConversationStaysInItsBoxWithTheNewestLineInView)
{
    StartMatch();
    menu->SetMenuShown(true);
    for (int i = 0; i < 40; ++i)
        menu->OnChatMessage(
            COrloChatRecord(2, CVortanString(("line " + std::to_string(i)).c_str()), 500), true);
    for (int i = 0; i < 45; ++i)
        Frame();
    CRunningList* list = Backlog();
    ASSERT_EQ(0, menu->GetPendingChatLineCount());
    // Grown upward no further than a line beyond its box (over the page's title it would go),
    // and the box clips that line.
    CWidget* box = list->GetParent();
    ASSERT_NE(nullptr, WidgetCast<CSlideArea>(box));
    EXPECT_GE(list->GetRect().top, -list->GetChild(0)->GetHeight());
    CWidget* newest = list->GetChild(list->GetChildCount() - 1);
    EXPECT_EQ("Other: line 39", VortanUTF8Of(WidgetCast<CTextWidget>(newest)->GetText()));
    const int bottom = newest->GetRect().bottom - list->GetScrollY();
    EXPECT_GT(bottom, 0);
    EXPECT_LE(bottom, list->GetHeight());
}

// A 200-character word and a 200-character sentence: each item is as high as the lines its
// text needs at the item's width (the word broken inside, where a wrap at spaces alone keeps
// it on one line cut at the edge).
TEST_F(Chat, LongLinesTakeTheHeightOfTheirLinesAtTheBacklogsWidth)
{
    StartMatch();
    menu->SetMenuShown(true);
    std::string sentence;
    for (int i = 0; sentence.size() < 200; ++i)
        sentence += (i ? " " : "") + std::string(i % 2 ? "jumps" : "over");
    sentence.resize(200);
    for (const std::string& text : {std::string(200, 'w'), sentence})
        menu->OnChatMessage(COrloChatRecord(2, CVortanString(text.c_str()), 500), true);
    for (int i = 0; i < 20 && menu->GetPendingChatLineCount(); ++i)
        Frame();
    ASSERT_EQ(0, menu->GetPendingChatLineCount());
    CRunningList* list = Backlog();
    ASSERT_GE(list->GetChildCount(), 2);
    for (int k = 2; k >= 1; --k) {
        CTextWidget* item = WidgetCast<CTextWidget>(list->GetChild(list->GetChildCount() - k));
        ASSERT_NE(nullptr, item);
        CVortanBitmapFont* font = item->GetFont();
        ASSERT_NE(nullptr, font);
        // The whole text's width over the item's width, rounded up: the fewest lines it needs.
        const int full = font->GetTextWidth(item->GetText(), 0);
        const int width = item->GetWidth();
        ASSERT_GT(width, 0);
        const int lines = (full + width - 1) / width;
        ASSERT_GE(lines, 2) << full << " " << width;
        EXPECT_GE(item->GetHeight(), lines * font->GetLineHeight()) << k;
    }
}

TEST_F(Chat, NoticesTheDepartureOnceAndTheRematchFlag)
{
    StartMatch();
    const int before = menu->GetPendingChatLineCount();
    menu->OnChatMessage(COrloChatRecord(5, CVortanString(), 500), true);
    menu->OnChatMessage(COrloChatRecord(5, CVortanString(), 500), true);
    EXPECT_EQ(before + 1, menu->GetPendingChatLineCount());
    EXPECT_EQ(0, menu->IsRematchAvailable());
    menu->OnChatMessage(COrloChatRecord(0, CVortanString(), 500), true);
    EXPECT_EQ(1, menu->IsRematchAvailable());
    menu->OnChatMessage(COrloChatRecord(4, CVortanString(), 500), true);
    CToggleButton* rematch = WidgetCast<CToggleButton>(At("//chat_root//rematch-button"));
    EXPECT_EQ(1, rematch->GetState());
    EXPECT_EQ(0xFFFF6600u, menu->GetPendingChatColor(menu->GetPendingChatLineCount() - 1));
    // A sender not in the registry makes no line.
    const int n = menu->GetPendingChatLineCount();
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("x"), 9999), true);
    EXPECT_EQ(n, menu->GetPendingChatLineCount());
}

TEST_F(Chat, WaitingLinesAreKeptToTheBacklogsLengthWhileHidden)
{
    StartMatch();
    for (int i = 0; i < 500; ++i)
        menu->OnChatMessage(COrloChatRecord(2, CVortanString("line"), 500), true);
    EXPECT_EQ(Backlog()->GetMaxItemCount(), menu->GetPendingChatLineCount());
}

TEST_F(Chat, TheBadgeFadesInUnlessTheBattleTookTheLine)
{
    StartMatch();
    CImageWidget* badge =
        WidgetCast<CImageWidget>(menu->GetRoot()->FindChild(CVortanString("orlo-image"), -1));
    ASSERT_NE(nullptr, badge);
    badge->StopFadeIn();
    game->takes = 1;
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("a"), 500), true);
    EXPECT_FLOAT_EQ(0.0f, badge->GetFadeTimeLeft());
    game->takes = 0;
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("b"), 500), true);
    EXPECT_GT(badge->GetFadeTimeLeft(), 0.0f);
}

TEST_F(Chat, TheFirstSendHidesTheHintAndAnEmptyFieldSendsNothing)
{
    StartMatch();
    ConnectGame();
    app->sentChat.clear();
    CWidget* bubble = At("//chat_root//bubble_chat_submit");
    menu->RunEvent("chat_textfield_changed", nullptr);
    EXPECT_TRUE(bubble->IsVisible());
    menu->RunEvent("chat_send", nullptr);
    EXPECT_FALSE(bubble->IsVisible());
    EXPECT_NE(nullptr, app->GetSettings()->Find(CVortanString("__Orlo_ChatMessageSent")));
    EXPECT_TRUE(app->sentChat.empty());
    CTextWidget* field = WidgetCast<CTextWidget>(At("//chat_root//chat_textfield"));
    field->SetText(CVortanString("hello"));
    menu->RunEvent("chat_send", nullptr);
    EXPECT_EQ(std::vector<std::string>({"2:hello"}), app->sentChat);
    EXPECT_TRUE(field->GetText().IsEmpty());
    // On the game connection: a typed line (kind 2), its text, the own id; UTF-8 outside ASCII.
    EXPECT_EQ(Texts({"64: [0]=2 [1]='hello' [2]=41"}), OnGame());
    field->SetText(CVortanString(L"Gr\u00fc\u00dfe \u20ac"));
    menu->RunEvent("chat_send", nullptr);
    EXPECT_EQ(Texts({"64: [0]=2 [1]='Gr\xc3\xbc\xc3\x9f"
                     "e \xe2\x82\xac' [2]=41"}),
              OnGame());
    menu->RunEvent("chat_textfield_changed", nullptr);
    EXPECT_FALSE(bubble->IsVisible());
}

TEST_F(Chat, TheMatchsResultAndTheRematchAnswerGoOnTheGameConnection)
{
    StartMatch();
    ConnectGame();
    // The game's end report: the players and their places, no leave flag.
    CVortanArray<i32> ids, places;
    ids.SetAtGrow(0, kOwnId);
    ids.SetAtGrow(1, 500);
    places.SetAtGrow(0, 2);
    places.SetAtGrow(1, 1);
    app->EndMatch(&ids, &places, 0);
    // The 64-bit game id, game 7, 0, both arrays under their constructed identifiers, flag 0.
    EXPECT_EQ(Texts({"15: [0]=4294967301 [1]=7 [2]=0 [3]=c{41,500} [4]=c{2,1} [5]=0"}), OnGame());
    // The rematch button: the notice line (kind 4, own id), then the answer 1 for this match.
    menu->RunEvent("chat_rematch", nullptr);
    EXPECT_EQ(Texts({"64: [0]=4 [1]='' [2]=41", "70: [0]=4294967301 [1]=1 [2]=1"}), OnGame());
}

TEST_F(Chat, LeavingARunningMatchReportsItAsLeftAndRefusesTheRematch)
{
    StartMatch();
    ConnectGame();
    // The start page's way back while the battle runs: the lobby's players with the own place
    // as their count (2) and 1 for the other, the leave flag; the departure notice (kind 5) and
    // the refusal for this match.
    menu->LeaveGameToLobby();
    EXPECT_EQ(Texts({"15: [0]=4294967301 [1]=7 [2]=0 [3]=c{41,500} [4]=c{2,1} [5]=1",
                     "64: [0]=5 [1]='' [2]=41", "70: [0]=4294967301 [1]=0 [2]=1"}),
              OnGame());
}

TEST_F(Chat, ParticipantsGetTheirRecordsAndThePanelKeepsItsOwnCopy)
{
    StartMatch();
    Sent();
    menu->SetMenuShown(true);
    COrloMenuState::OnParticipantsResult(menu, 256, -1, 2, nullptr, nullptr, nullptr, 0);
    CWidget* list = At("//chat_root//chat_avatars_root//avatar_list");
    ASSERT_GT(list->GetChildCount(), 0);
    const int before = menu->GetPendingChatLineCount();
    SPlayerListItem other = Player(500, "Other", MENU_PLAYER_ONLINE);
    COrloMenuState::OnParticipantsResult(menu, 256, 0, 2, nullptr, &other, nullptr, 0);
    EXPECT_EQ(before + 1, menu->GetPendingChatLineCount());
    EXPECT_EQ(Language(199), VortanUTF8Of(menu->GetPendingChatText(before)));
    CWidget* item = list->GetChild(0);
    ASSERT_NE(0, (int)item->GetTag());
    EXPECT_EQ("Other", TextAt(item, "player_name"));
    CWidget* button = item->FindChild(CVortanString("participant_button"), -1);
    menu->RunEvent("expand_chat_item", button);
    EXPECT_EQ(500, menu->GetChatPanelRecordId());
    CWidget* panel = At("//chat_root//chat_expand_item");
    EXPECT_EQ("Other", TextAt(panel, "player_name"));
    // The participant goes; the panel's copy stays valid.
    WidgetCast<CInfiniteList>(list)->SetItemCount(0);
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(500, menu->GetChatPanelRecordId());
}

TEST_F(Chat, ThePanelsBlockToggleLooksAsItsState)
{
    StartMatch();
    menu->SetMenuShown(true);
    for (int i = 0; i < 3; ++i)
        Frame(); // the page has been laid out and shown once before a participant is opened
    ASSERT_NO_FATAL_FAILURE(OpenParticipant(MENU_PLAYER_ONLINE));
    CWidget* panel = At("//chat_root//chat_expand_item");
    menu->RunEvent("expand_chat_nastybuttons", panel->FindChild(CVortanString("arrow"), -1));
    CToggleButton* block =
        WidgetCast<CToggleButton>(panel->FindChild(CVortanString("button_block"), -1));
    ASSERT_NE(nullptr, block);
    ASSERT_EQ(0, block->GetState());
    // The area under the panel brings its third row onto the screen.
    for (int i = 0; i < 30; ++i)
        Frame(0.05f);
    const std::string unblocked = PixelsOf(block);
    ASSERT_FALSE(unblocked.empty());
    block->Click();
    ASSERT_EQ(1, block->GetState());
    EXPECT_TRUE(unblocked != PixelsOf(block))
        << "a blocked player's toggle looks as an unblocked one's";
    Shot("chat_panel_blocked");
}

// Both players of a match come in one participants answer; the greeting is shown once, and
// once again for the next match.
TEST_F(Chat, TheGreetingIsShownOncePerMatch)
{
    StartMatch();
    const std::string greeting = Language(199);
    ASSERT_EQ("Your opponent is here. Say hello!", greeting);
    auto greetings = [&] {
        int n = 0;
        for (int i = 0; i < menu->GetPendingChatLineCount(); ++i)
            n += VortanUTF8Of(menu->GetPendingChatText(i)) == greeting;
        return n;
    };
    SPlayerListItem me = Player(session->GetOwnPlayerId(), "Me", MENU_PLAYER_ONLINE);
    SPlayerListItem other = Player(500, "Other", MENU_PLAYER_ONLINE);
    COrloMenuState::OnParticipantsResult(menu, 256, -1, 2, nullptr, nullptr, nullptr, 0);
    COrloMenuState::OnParticipantsResult(menu, 256, 0, 2, nullptr, &me, nullptr, 0);
    COrloMenuState::OnParticipantsResult(menu, 256, 1, 2, nullptr, &other, nullptr, 0);
    EXPECT_EQ(1, greetings());
    // The rematch: a new game start, a new answer listing both again.
    menu->OnGameStart(1, 1);
    COrloMenuState::OnParticipantsResult(menu, 256, -1, 2, nullptr, nullptr, nullptr, 0);
    COrloMenuState::OnParticipantsResult(menu, 256, 0, 2, nullptr, &me, nullptr, 0);
    COrloMenuState::OnParticipantsResult(menu, 256, 1, 2, nullptr, &other, nullptr, 0);
    EXPECT_EQ(2, greetings());
    // Drawn into the backlog: the one line of each match.
    menu->SetMenuShown(true);
    for (int i = 0; i < 10 && menu->GetPendingChatLineCount(); ++i)
        Frame();
    std::vector<std::string> texts = BacklogTexts();
    EXPECT_EQ(2, (int)std::count(texts.begin(), texts.end(), greeting));
}

// The panel opened from the first participant the moment the page is shown, before any frame
// has passed: it stays open through the frames that follow.
TEST_F(Chat, APanelOpenedBeforeTheFirstFrameStaysOpen)
{
    StartMatch();
    menu->SetMenuShown(true);
    ASSERT_NO_FATAL_FAILURE(OpenParticipant(MENU_PLAYER_ONLINE));
    CExpandable* panel = WidgetCast<CExpandable>(At("//chat_root//chat_expand_item"));
    ASSERT_EQ(1, panel->GetState());
    for (int i = 0; i < 20; ++i)
        Frame(0.05f);
    EXPECT_EQ(1, panel->GetState());
    EXPECT_EQ(panel->GetStateHeight(1), panel->GetHeight());
    EXPECT_GT(panel->GetHeight(), 0);
    EXPECT_FALSE(WidgetCast<CSlideArea>(At("//chat_root//chat_expand_slidearea"))->IsPassThrough());
}

// With its third row open the panel is taller than the area under it: the area scrolls it into
// view, so Unfollow and Block lie on the screen and a tap on Block reaches it.
TEST_F(Chat, ThePanelsThirdRowIsScrolledOntoTheScreen)
{
    StartMatch();
    menu->SetMenuShown(true);
    for (int i = 0; i < 3; ++i)
        Frame();
    ASSERT_NO_FATAL_FAILURE(OpenParticipant(MENU_PLAYER_ONLINE | MENU_PLAYER_FOLLOWED));
    for (int i = 0; i < 10; ++i)
        Frame(0.05f);
    CWidget* panel = At("//chat_root//chat_expand_item");
    ASSERT_EQ(1, menu->RunEvent("expand_chat_nastybuttons",
                                panel->FindChild(CVortanString("arrow"), -1)));
    for (int i = 0; i < 30; ++i)
        Frame(0.05f);
    CSlideArea* area = WidgetCast<CSlideArea>(At("//chat_root//chat_expand_slidearea"));
    // 800x480: the area is 0.48 x 480 = 230 high, the open panel 0.58 x 480 = 278.
    EXPECT_EQ(278 - 230, area->GetScrollY());
    for (const char* name : {"button_unfollow", "button_block"}) {
        CWidget* button = panel->FindChild(CVortanString(name), -1);
        ASSERT_NE(nullptr, button);
        ASSERT_TRUE(button->IsVisible()) << name;
        int x = 0, y = 0;
        button->ConvertPoint(nullptr, x, y); // the screen's origin in the button's space
        EXPECT_LE(button->GetRect().GetHeight() - y, 480) << name << " ends below the screen";
    }
    CToggleButton* block =
        WidgetCast<CToggleButton>(panel->FindChild(CVortanString("button_block"), -1));
    int x = 0, y = 0;
    block->ConvertPoint(nullptr, x, y);
    const int cx = block->GetRect().GetWidth() / 2 - x;
    const int cy = block->GetRect().GetHeight() / 2 - y;
    ASSERT_EQ(0, block->GetState());
    menu->OnPointerDown(0, cx, cy);
    menu->OnPointerUp(0, cx, cy);
    for (int i = 0; i < 10; ++i)
        Frame(0.05f); // the button's click follows its press fade
    EXPECT_EQ(1, block->GetState());
    Shot("chat_panel_third_row");
}

TEST_F(Chat, ANewGameConnectionEmptiesTheConversation)
{
    StartMatch();
    menu->SetMenuShown(true);
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("a"), 500), true);
    Frame();
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("b"), 500), true);
    ASSERT_FALSE(BacklogTexts().empty());
    menu->OnGameStateChanged(IOrloNetworkSession::GAME_UP);
    EXPECT_EQ(0, menu->GetPendingChatLineCount());
    EXPECT_TRUE(BacklogTexts().empty());
    EXPECT_EQ(0, menu->IsRematchAvailable());
    EXPECT_FALSE(At("//chat_root//rematch-button")->IsVisible());
}

TEST_F(Chat, TheStartScreenShowsItsMatchVariantUntilTheWayBackWhichClosesThePanel)
{
    CWidget* outside = At("//startscreen_root//startscreen");
    CWidget* inside = At("//startscreen_root//startscreen_ingame");
    ASSERT_TRUE(outside && inside);
    EXPECT_TRUE(outside->IsVisible());
    EXPECT_FALSE(inside->IsVisible());
    StartMatch();
    EXPECT_FALSE(outside->IsVisible());
    EXPECT_TRUE(inside->IsVisible());
    menu->SetMenuShown(true);
    ASSERT_NO_FATAL_FAILURE(OpenParticipant(MENU_PLAYER_ONLINE));
    CExpandable* panel = WidgetCast<CExpandable>(At("//chat_root//chat_expand_item"));
    ASSERT_EQ(1, panel->GetState());
    menu->ResetToStartPage();
    EXPECT_EQ(0, panel->GetState());
    EXPECT_TRUE(WidgetCast<CSlideArea>(At("//chat_root//chat_expand_slidearea"))->IsPassThrough());
    EXPECT_TRUE(outside->IsVisible());
    EXPECT_FALSE(inside->IsVisible());
}

TEST_F(Chat, TheHostedGameUpdatesBeforeTheFramesLineEntersTheBacklog)
{
    StartMatch();
    menu->SetMenuShown(true);
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("a"), 500), true);
    size_t seen = 99;
    game->onUpdate = [&] { seen = BacklogTexts().size(); };
    menu->Update(0.016f);
    game->onUpdate = nullptr;
    EXPECT_EQ(0u, seen);
    EXPECT_EQ(std::vector<std::string>({"Other: a"}), BacklogTexts());
}

TEST_F(Chat, GameStatusBitZeroSendsTheClientState)
{
    StartMatch();
    Sent();
    menu->OnGameStatus(0);
    EXPECT_TRUE(Tags(Sent()).empty());
    menu->OnGameStatus(1);
    EXPECT_EQ(std::vector<int>({92}), Tags(Sent()));
}

} // namespace

namespace {

class Screens : public PagesFixture {};

TEST_F(Screens, ThePagesDraw)
{
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    CVortanArray<SGroupListItem> groups;
    groups.SetSize(2);
    groups[0].name = CVortanString("Online");
    groups[0].value = 2;
    groups[1].name = CVortanString("Offline");
    groups[1].value = 3;
    COrloMenuState::OnPlayerListResult(menu, 0, -1, 5, &groups, nullptr, nullptr, 0);
    for (int i = 0; i < 3; ++i)
        Frame();
    const char* names[] = {"Alma Virtanen", "Bert", "Cai", "Dora", "Eino"};
    for (int i = 0; i < 5; ++i) {
        SPlayerListItem p = Player(10 + i, names[i], i < 2 ? MENU_PLAYER_ONLINE : 0);
        COrloMenuState::OnPlayerListResult(menu, 0, i, 0, nullptr, &p, nullptr, 0);
    }
    Shot("players");
    CInfiniteList* list = WidgetCast<CInfiniteList>(At("//players_root//playerlist_global"));
    CWidget* row = list->FindChild(CVortanString("0"), 1);
    ASSERT_NE(nullptr, row);
    menu->RunEvent("expand_list_item", row);
    Shot("players_open");
    menu->RunEvent("expand_nastybuttons", nullptr);
    Shot("players_third");
    menu->GetPageRoot()->NavigateTo(CVortanString("challenge_waiting"));
    Shot("challenge_waiting");
    menu->OnChallengeReceived(77, CVortanString("Gus"), 3, 456);
    menu->GetPageRoot()->NavigateTo(CVortanString("challenge_received"));
    Shot("challenge_received");
    AddLobbyPlayer(session->GetOwnPlayerId(), "Me");
    AddLobbyPlayer(500, "Other");
    menu->OnGameStart(1, 1);
    menu->SetMenuShown(true);
    COrloMenuState::OnParticipantsResult(menu, 256, -1, 2, nullptr, nullptr, nullptr, 0);
    SPlayerListItem other = Player(500, "Other", MENU_PLAYER_ONLINE);
    COrloMenuState::OnParticipantsResult(menu, 256, 0, 2, nullptr, &other, nullptr, 0);
    menu->OnChatMessage(COrloChatRecord(2, CVortanString("hello there"), 500), true);
    menu->AddChatLine(COrloChatRecord(2, CVortanString("hi!"), session->GetOwnPlayerId()), false);
    menu->OnChatMessage(COrloChatRecord(4, CVortanString(), 500), true);
    Shot("chat");
    CWidget* item = At("//chat_root//chat_avatars_root//avatar_list")->GetChild(0);
    menu->RunEvent("expand_chat_item", item->FindChild(CVortanString("participant_button"), -1));
    Shot("chat_panel");
}

} // namespace
