// The built program on a private X server with a private home, driven as a person would with
// xdotool and watched through the window's pixels. With the stand-in lobby: the title gives way
// to the online menu, which logs in as a guest and hides over the game's menu; the credits roll
// and close, the story intro plays and is skipped, the training picker shows its hint and then
// its scenes, the first scene is won by dragging the squib (found where the game's state dump
// says it is) and the second opens, the Orlo button shows the online menu and hides it again,
// the game menu's exit logs out onto the login page, and closing the window ends the program
// cleanly. Without a lobby the login error page shows. With VEX_SHOTS set the screens are kept
// as pictures.
#include "tests/game/ProgramWindowSupport.h"

#include <algorithm>

namespace {

using ptest::Colour;
using ptest::kStartSeconds;
using ptest::kStepSeconds;
using ptest::WaitFor;

class ProgramMenu : public ptest::ProgramWindow {
protected:
    // The credits roll in a dump: whether their close button shows, and how many of their rows
    // have risen far enough to be drawn whole (they fade in from the bottom, and out again near
    // the top).
    static size_t CreditRows(const std::string& dump, bool& closeShown)
    {
        std::istringstream in(dump);
        size_t opaque = 0;
        closeShown = false;
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string key, colour;
            int id = -1, l, t, r, b;
            if (!(words >> key))
                continue;
            if (key == "gamebutton" && words >> id)
                closeShown = closeShown || id == 7; // the credits' close button
            else if (key == "gametext" && words >> l >> t >> r >> b >> colour)
                opaque += colour.compare(0, 2, "ff") == 0;
        }
        return opaque;
    }
    // The credits roll with `rows` of them drawn whole.
    bool ShowsCreditRows(size_t rows)
    {
        bool shown = false;
        return CreditRows(vtest::ReadWholeFile(DumpPath()), shown) >= rows && shown;
    }
};

TEST_F(ProgramMenu, FromTheTitleThroughTheGamesMenuCreditsIntroAndTrainingToAClose)
{
    const auto start = std::chrono::steady_clock::now();
    // The title, then the game's menu once its assets are loaded (s = 100 on 800 x 480).
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStartSeconds));
    Keep("run_menu");
    // The welcome toast slides over the bottom of the screen and takes the taps there: the sea
    // shows again once it has gone.
    ASSERT_TRUE(WaitForToastsGone(1));
    std::string guest;
    ASSERT_TRUE(WaitFor([&] { return !(guest = Guest()).empty(); }, kStepSeconds));
    ASSERT_EQ(std::string::npos, guest.find(' ')) << guest;

    // The credits roll over the darkened menu (the Orlo button and its hint stay bright at the
    // top left); their close button brings the menu back.
    Click(190, 260);
    ASSERT_TRUE(WaitFor([&] { return !ShowsMenu() && Dark(400, 0, 800, 100, 60); }, kStepSeconds));
    // Kept once their first three rows have risen into full view.
    ASSERT_TRUE(WaitFor([&] { return ShowsCreditRows(3); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    Keep("run_credits");
    // The close button brings the menu back while the rows still rise (the roll closes by
    // itself at its end, once its last rows have risen out of view).
    bool shownAtClick = false;
    size_t rowsLastSeen = CreditRows(vtest::ReadWholeFile(DumpPath()), shownAtClick);
    Click(400, 440);
    ASSERT_TRUE(WaitFor(
        [&] {
            bool shown = false;
            const size_t rows = CreditRows(vtest::ReadWholeFile(DumpPath()), shown);
            if (shown)
                rowsLastSeen = rows;
            return !shown && ShowsMenu();
        },
        kStepSeconds));
    EXPECT_GE(rowsLastSeen, 3u) << "the roll had ended by itself";

    // The intro: black left of the strip coming in from the right (below the hint, which
    // stays over the game), the skip button ends it; the menu comes back once the assets are
    // loaded again.
    Click(295, 325);
    ASSERT_TRUE(WaitFor([&] { return Dark(100, 210, 300, 360, 5) && !Dark(650, 60, 790, 360, 30); },
                        kStepSeconds));
    Keep("run_intro");
    Click(400, 432);
    ASSERT_TRUE(WaitForMenuAfterIntro());

    // Training: the hint darkens the picker, then the fifteen scenes (the first open).
    Click(255, 170); // the training button where no other button overlaps it
    // The hint shows for five seconds, watched for from the tap; the scenes take taps once it
    // has gone (the picker's first frame comes before the hint: seen first, then gone).
    ASSERT_TRUE(WaitFor(
        [&] {
            return !ShowsMenu() && vtest::ReadWholeFile(DumpPath()).find("Welcome to training!") !=
                                       std::string::npos;
        },
        kStepSeconds));
    Keep("run_training_hint");
    // Once the hint has gone: scene 2 is locked, drawn at half opacity, the picture behind
    // shows through.
    auto locked = [&] {
        return fabs(Mean(230, 170, 250, 190).Brightness() - Mean(310, 170, 330, 190).Brightness()) >
               10.0;
    };
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::string dump = vtest::ReadWholeFile(DumpPath());
            const std::vector<std::string> screens = Dumped(dump, "screens");
            return std::find(screens.begin(), screens.end(), "training") != screens.end() &&
                   dump.find("Welcome to training!") == std::string::npos;
        },
        kStepSeconds));
    EXPECT_TRUE(WaitFor(locked, kStepSeconds));
    Keep("run_training");

    // The first scene, won with its winning line: the jump, aimed by dragging back from the
    // squib, where the game's state dump puts it on the screen once the view rests.
    Click(240, 180);
    int squibX = 0, squibY = 0;
    ASSERT_TRUE(WaitFor([&] { return DumpedSquib(squibX, squibY); }, kStepSeconds))
        << "the squib's view does not rest:\n"
        << vtest::ReadWholeFile(DumpPath());
    Keep("run_battle");
    // The drag d from the finger to the squib gives the aim (-d.x, d.y) x (|d| - 40) x 0.75 /
    // (200 |d|) on this screen, 40 pixels being the squib's own touch radius.
    float aimX = 0.0f, aimY = 0.0f;
    ASSERT_TRUE(vtest::FirstWinningAim(aimX, aimY));
    const float aim = hypotf(aimX, aimY), drag = aim * 200.0f / 0.75f + 40.0f;
    const int toX = (int)lroundf(squibX + aimX / aim * drag);
    const int toY = (int)lroundf(squibY - aimY / aim * drag);
    Drag(squibX, squibY, toX, toY);
    // Won: the next button (green, below the middle) comes up.
    ASSERT_TRUE(WaitFor(
        [&] {
            Colour next = Mean(370, 345, 380, 355);
            return next.g > next.r + 40 && next.g > next.b + 40;
        },
        kStepSeconds));
    Keep("run_won");
    Click(400, 360);
    // The picker again: the second scene open now, the third still locked.
    ASSERT_TRUE(WaitFor(
        [&] {
            Colour next = Mean(370, 345, 380, 355);
            return !(next.g > next.r + 40 && next.g > next.b + 40);
        },
        kStepSeconds));
    // The plates' lower parts, below their outlined numbers: the second like the first, the
    // third darker (once the picker has come back in).
    auto opened = [&] {
        const Colour two = Mean(300, 196, 340, 206), three = Mean(380, 196, 420, 206);
        return fabs(two.Brightness() - three.Brightness()) > 10.0 &&
               fabs(two.Brightness() - Mean(220, 196, 260, 206).Brightness()) < 10.0;
    };
    EXPECT_TRUE(WaitFor(opened, kStepSeconds));
    Keep("run_training_after");
    Click(400, 440);
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStepSeconds));

    // The Orlo button (top left) shows the online menu over the game and hides it again.
    ASSERT_TRUE(WaitFor([&] { return ShowsOrloButton(); }, kStepSeconds));
    Click(50, 50);
    ASSERT_TRUE(WaitFor([&] { return !ShowsMenu() && ShowsLoginPage(); }, kStepSeconds));
    Keep("run_online_menu");
    Click(50, 50);
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStepSeconds));

    // The game menu's exit logs out onto the login page, the Orlo button hidden.
    Click(505, 325);
    ASSERT_TRUE(WaitFor([&] { return ShowsLoginPage() && ShowsNoOrloButton(); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    Keep("run_logged_out");
    // The stand-in has seen the guest leave.
    EXPECT_TRUE(WaitForOnline(guest, false));
    EXPECT_EQ(0, waitpid(pid, nullptr, WNOHANG));

    Close();
    ExpectCleanExit();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("real_seconds", (int)seconds.count());
}

class ProgramWithoutLobby : public ProgramMenu {
protected:
    bool WithLobby() const override { return false; }
};

TEST_F(ProgramWithoutLobby, TheLoginErrorPageShowsAndAClose)
{
    ASSERT_TRUE(WaitFor([&] { return ShowsLoginError(); }, kStartSeconds));
    // The round button stays: it closes the menu over the failed login.
    EXPECT_TRUE(WaitFor([&] { return ShowsOrloButton(); }, kStepSeconds));
    Keep("run_no_lobby");
    Close();
    ExpectCleanExit();
}

} // namespace
