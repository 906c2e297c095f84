// The built program on a private X server with the stand-in lobby: once its menu has logged in
// as a guest, the lobby's notice (a challenge) slides up as a toast with its icon, and its advert
// shows its panel and picture; the close button, tapped by xdotool, takes the advert away and asks
// the lobby for the next one; closing the window ends the program cleanly. With VEX_SHOTS set the
// screens are kept as pictures.
#include "tests/game/ProgramWindowSupport.h"

namespace {

using ptest::Colour;
using ptest::WaitFor;

class ProgramPopups : public ptest::ProgramWindow {
protected:
    // The one player logged in (the program's guest), or empty.
    std::string Guest()
    {
        const std::string online = Control("online");
        return online.size() > 3 && online.compare(0, 3, "ok ") == 0 ? online.substr(3) : "";
    }
    // The toast's dark strip along the bottom edge, at rest.
    bool ShowsStrip() { return Mean(100, 420, 700, 476).Brightness() < 70; }
};

TEST_F(ProgramPopups, TheLobbysNoticeAndAdvertShowOverTheGame)
{
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, 60));
    std::string guest;
    ASSERT_TRUE(WaitFor([&] { return !(guest = Guest()).empty(); }, 20));
    ASSERT_EQ(std::string::npos, guest.find(' ')) << guest;
    // The welcome toast has come and gone: the game's menu shows along the bottom again.
    ASSERT_TRUE(WaitFor([&] { return !ShowsStrip(); }, 20));

    // A challenge notice: the strip with the crossed blades' dark red beside the text.
    ASSERT_EQ("ok", Control("notify " + guest + " 3 0 \"A duel from the lobby\""));
    ASSERT_TRUE(WaitFor(
        [&] {
            const Colour icon = Mean(30, 440, 42, 452);
            return ShowsStrip() && icon.r > icon.g + 40 && icon.r > icon.b + 40;
        },
        10));
    Keep("popups_notice");
    ASSERT_TRUE(WaitFor([&] { return !ShowsStrip(); }, 10)); // 3 s, then gone

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
    ASSERT_TRUE(
        WaitFor([&] { return magenta() && Mean(210, 100, 260, 130).Brightness() > 180; }, 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Keep("popups_advert");
    EXPECT_EQ("ok 0", Control("adverts"));
    Click(568, 118); // the close button
    ASSERT_TRUE(WaitFor([&] { return !magenta(); }, 10));
    EXPECT_TRUE(WaitFor([&] { return Control("adverts") == "ok 1"; }, 10)) << Control("adverts");

    StopProgram();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("real_seconds", (int)seconds.count());
}

} // namespace
