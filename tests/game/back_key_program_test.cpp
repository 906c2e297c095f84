// The built program on a private X server with the stand-in lobby, its Back key pressed as a
// desktop has it: Escape, sent by xdotool. Escape skips the story intro to the game's menu,
// closes the online menu that the Orlo button opened, logs out from the game's menu onto the
// login page, and there ends the program cleanly. With VEX_SHOTS set the screens are kept as
// pictures.
#include "tests/game/ProgramWindowSupport.h"

namespace {

using ptest::kStartSeconds;
using ptest::kStepSeconds;
using ptest::WaitFor;

class ProgramBackKey : public ptest::ProgramWindow {
protected:
    // The values of a line of the state dump as one text ("" without the line).
    std::string Line(const std::string& key)
    {
        std::string text;
        for (const std::string& value : Dumped(vtest::ReadWholeFile(DumpPath()), key))
            text += (text.empty() ? "" : " ") + value;
        return text;
    }
    void PressEscape() { EXPECT_EQ(0, vtest::RunProgram({"xdotool", "key", "Escape"})); }
};

TEST_F(ProgramBackKey, EscapeSkipsTheIntroClosesTheOnlineMenuLogsOutAndLeaves)
{
    // The game's menu, and the welcome toast gone from the bottom of the screen.
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu() && Line("screens") == "menu"; }, kStartSeconds));
    ASSERT_TRUE(WaitForToastsGone(1));
    std::string guest;
    ASSERT_TRUE(WaitFor([&] { return !(guest = Guest()).empty(); }, kStepSeconds));
    ASSERT_EQ(std::string::npos, guest.find(' ')) << guest;

    // The story intro, left with Escape: the game's menu comes back.
    Click(295, 325);
    ASSERT_TRUE(WaitFor([&] { return Line("screens") == "intro" && !Line("intro_strip").empty(); },
                        kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    PressEscape();
    ASSERT_TRUE(WaitForMenuAfterIntro());
    EXPECT_EQ("0", Line("menu_shown"));
    Keep("back_intro_skipped");

    // The Orlo button opens the online menu (a guest's login page); Escape closes it again.
    ASSERT_TRUE(WaitFor([&] { return ShowsOrloButton(); }, kStepSeconds));
    Click(50, 50);
    ASSERT_TRUE(
        WaitFor([&] { return Line("menu_shown") == "1" && ShowsLoginPage(); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    PressEscape();
    ASSERT_TRUE(WaitFor([&] { return Line("menu_shown") == "0" && ShowsMenu(); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    EXPECT_EQ("menu", Line("screens"));

    // On the game's menu Escape logs out onto the login page, the Orlo button hidden; there it
    // leaves the program.
    PressEscape();
    ASSERT_TRUE(WaitFor(
        [&] {
            return Line("menu_shown") == "1" && Line("menu_page") == "loginscreen_root" &&
                   ShowsLoginPage() && ShowsNoOrloButton();
        },
        kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    Keep("back_logged_out");
    // The stand-in has seen the guest leave.
    EXPECT_TRUE(WaitForOnline(guest, false));
    PressEscape();
    ExpectCleanExit();
}

} // namespace
