// The built program on a private X server with the stand-in lobby: once its menu has logged in
// as a guest, the lobby's notice (a challenge) slides up as a toast with its icon, and its advert
// shows its panel and picture; the close button, tapped by xdotool, takes the advert away and asks
// the lobby for the next one; closing the window ends the program cleanly. With VEX_SHOTS set the
// screens are kept as pictures.
#include "tests/game/ProgramWindowSupport.h"

namespace {

using ptest::Colour;
using ptest::kStartSeconds;
using ptest::kStepSeconds;
using ptest::WaitFor;

class ProgramPopups : public ptest::ProgramWindow {
protected:
    // The toast's dark strip along the bottom edge, at rest.
    bool ShowsStrip() { return Mean(100, 420, 700, 476).Brightness() < 70; }
    // The advert's close button (red on the pale panel), shown once its countdown is over.
    bool ShowsAdvertClose()
    {
        const Colour c = Mean(552, 102, 584, 134);
        return c.r > c.g + 50 && c.r > c.b + 50;
    }
};

TEST_F(ProgramPopups, TheLobbysNoticeAndAdvertShowOverTheGame)
{
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStartSeconds));
    std::string guest;
    ASSERT_TRUE(WaitFor([&] { return !(guest = Guest()).empty(); }, kStepSeconds));
    ASSERT_EQ(std::string::npos, guest.find(' ')) << guest;
    // The welcome toast has come and gone: the game's menu shows along the bottom again.
    ASSERT_TRUE(WaitForToastsGone(1));
    ASSERT_TRUE(WaitFor([&] { return !ShowsStrip(); }, kStepSeconds));

    // A challenge notice: the strip with the crossed blades' dark red beside the text, watched
    // for from the notice on and held on the screen to be kept.
    ASSERT_EQ("ok", Control("notify " + guest + " 3 0 \"A duel from the lobby\""));
    ASSERT_TRUE(StopWhen(
        [&] {
            const Colour icon = Mean(30, 440, 42, 452);
            return ShowsStrip() && icon.r > icon.g + 40 && icon.r > icon.b + 40;
        },
        kStepSeconds));
    Keep("popups_notice");
    Resume();
    ASSERT_TRUE(WaitFor([&] { return !ShowsStrip(); }, kStepSeconds)); // 3 s, then gone

    // An advert with a magenta picture: the pale panel, the picture, then the close button.
    const std::string strip = home.File("advert.png");
    ASSERT_EQ(0, vtest::RunProgram({"convert", "-size", "240x150", "xc:#ff00ff", strip}));
    ASSERT_EQ("ok", Control("advert " + guest + " image=" + strip +
                            " frames=1000 delay=1000 countdown=1000 flags=0"
                            " \"title=Full game\" ok=http://ok"));
    auto magenta = [&] {
        const Colour c = Mean(300, 160, 500, 270);
        return c.r > 200 && c.b > 200 && c.g < 60;
    };
    ASSERT_TRUE(WaitFor([&] { return magenta() && Mean(210, 100, 260, 130).Brightness() > 180; },
                        kStepSeconds));
    ASSERT_TRUE(WaitFor([&] { return ShowsAdvertClose(); }, kStepSeconds));
    Keep("popups_advert");
    EXPECT_EQ("ok 0", Control("adverts"));
    Click(568, 118); // the close button
    ASSERT_TRUE(WaitFor([&] { return !magenta(); }, kStepSeconds));
    EXPECT_TRUE(WaitFor([&] { return Control("adverts") == "ok 1"; }, kStepSeconds))
        << Control("adverts");

    StopProgram();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("real_seconds", (int)seconds.count());
}

} // namespace
