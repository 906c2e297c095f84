// The built program on a private X server with the stand-in lobby: an account logs in, opens
// the players page from the start page, types a search into its field with xdotool, and the
// list shows the stand-in's one match in place of everyone; her Following page lists the players
// she follows, and one unfollowed there is no longer on it.
#include "tests/game/ProgramWindowSupport.h"

namespace {

using ptest::kStepSeconds;
using ptest::WaitFor;

class ProgramPlayers : public ptest::ProgramWindow {
protected:
    // Taps the middle of the named widget once the dump shows it at rest, as a person would.
    bool TapWidget(const std::string& name)
    {
        int r[4];
        if (!WaitFor([&] { return DumpedWidget(name, r); }, kStepSeconds)) {
            ADD_FAILURE() << "no " << name << " in " << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        const int cx = (r[0] + r[2]) / 2, cy = (r[1] + r[3]) / 2;
        if (!WaitForWidgetAt(name, cx, cy)) {
            ADD_FAILURE() << name << " not at rest in " << vtest::ReadWholeFile(DumpPath());
            return false;
        }
        Click(cx, cy);
        return true;
    }
    // The Following page is the players page's current one (only that page is in the dump),
    // with the names of its rows.
    bool FollowingShows(const std::vector<std::string>& names)
    {
        const std::string dump = vtest::ReadWholeFile(DumpPath());
        int r[4];
        if (!WidgetIn(dump, "follow_page", r) || WidgetIn(dump, "global_page", r) ||
            WidgetIn(dump, "loading", r))
            return false;
        std::vector<std::string> shown;
        std::istringstream in(dump);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string word, widget, name;
            int n[4];
            if (words >> word >> widget >> n[0] >> n[1] >> n[2] >> n[3] >> name &&
                word == "widget" && widget == "player_name")
                shown.push_back(name);
        }
        return shown == names && (!names.empty() || WidgetIn(dump, "no_results", r));
    }
};

TEST_F(ProgramPlayers, ASearchTypedIntoThePlayersPageShowsTheStandInsMatches)
{
    ASSERT_TRUE(OpenLoginPage());
    ASSERT_TRUE(LogInAs("alice", "wonderland", 101)) << Control("online");
    // The menu hides over the game; the Orlo button opens the start page (her welcome toast
    // slides over the bottom of the screen meanwhile, away from the taps here).
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStepSeconds));
    Click(50, 50);
    // The start page's players button (blue) at the left, on the page's dark blue (where the
    // game's sky is as blue as the button).
    ASSERT_TRUE(WaitFor(
        [&] {
            const ptest::Colour button = Mean(80, 140, 120, 150);
            return button.b > 150 && button.b > button.r + 60 && Dark(20, 140, 50, 170, 80);
        },
        kStepSeconds));
    Keep("players_start");
    // Once the page has slid in.
    ASSERT_TRUE(WaitForWidgetAt("start_players", 172, 158));
    Click(172, 158); // players: everyone, online first
    // The players page: its pale search field; rows fill the list below it, or none do.
    auto field = [&] { return Mean(110, 75, 470, 105).Brightness() > 200; };
    auto band = [&] { return Mean(40, 260, 760, 400).b; };
    ASSERT_TRUE(WaitFor([&] { return field() && band() > 80; }, kStepSeconds));
    Keep("players_page");
    ASSERT_TRUE(TypeInto("search_text", "bobcat"));
    Click(560, 91); // search
    // One match: the account's row with the stand-in's avatar (a yellow squib on a pale tile,
    // warm where the empty avatar is a cool grey blue), nothing below it.
    ASSERT_TRUE(WaitFor(
        [&] {
            const ptest::Colour avatar = Mean(50, 195, 96, 235);
            return field() && band() < 70 && avatar.r > 170 && avatar.r > avatar.b + 30;
        },
        kStepSeconds));
    Keep("players_search");
    // Her welcome toast (the guest's was the first) has come and gone.
    EXPECT_TRUE(WaitForToastsGone(2));

    // Her Following page lists the two she follows (the lobby's order: by score).
    ASSERT_TRUE(TapWidget("show_follow"));
    ASSERT_TRUE(WaitFor(
        [&] {
            return FollowingShows({"bobcat", "carol_k"});
        },
        kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    // His row there opened, its arrow, its unfollow button: the page asked again lists only
    // carol_k. A tap's click comes a moment after it, and a page changed in that moment takes
    // the click with it: each step waits for the effect of the one before (the row open, the
    // unfollow's toast, her third, come and gone, and the global list's page).
    ASSERT_TRUE(TapWidget("player_name"));
    int open[4];
    ASSERT_TRUE(WaitFor([&] { return DumpedWidget("list_item_big", open); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    ASSERT_TRUE(TapWidget("arrow"));
    ASSERT_TRUE(TapWidget("button_unfollow"));
    ASSERT_TRUE(WaitForToastsGone(3));
    ASSERT_TRUE(TapWidget("show_global"));
    int global[4];
    ASSERT_TRUE(WaitFor([&] { return DumpedWidget("global_page", global); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    ASSERT_TRUE(TapWidget("show_follow"));
    ASSERT_TRUE(WaitFor([&] { return FollowingShows({"carol_k"}); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    Keep("players_unfollowed");
    StopProgram();
}

} // namespace
