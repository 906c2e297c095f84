// The built program run as a new user would run it: on a private X server with a private home
// and the stand-in lobby, driven with xdotool. The Orlo button opens the login page, a new
// player registers (name, terms, e-mail and password typed), gets the thank-you page and the
// start page; closed and started again, the program logs the account in by itself.
#include "tests/game/ProgramWindowSupport.h"

#include <glob.h>

namespace {

using ptest::kStartSeconds;
using ptest::kStepSeconds;
using ptest::WaitFor;

class ProgramRegistration : public ptest::ProgramWindow {
protected:
    // The sound volume's knob (a white disc on the dark track) centred at x.
    bool ShowsSoundsKnobAt(int x) { return Mean(x - 7, 256, x + 7, 272).Brightness() > 200; }
    // "__Orlo_Sounds_Volume" as Python reads the program's "stats.dat" (-1 without it).
    int SavedSoundVolume()
    {
        glob_t found = {};
        int volume = -1;
        if (glob((home.Path() + "/.*/stats.dat").c_str(), 0, nullptr, &found) == 0)
            for (const std::string& line : vtest::ReadStats(found.gl_pathv[0]))
                if (line.compare(0, 23, "__Orlo_Sounds_Volume 0 ") == 0)
                    volume = atoi(line.c_str() + 23);
        globfree(&found);
        return volume;
    }
};

TEST_F(ProgramRegistration, ANewPlayerRegistersIsLoggedInAndIsLoggedInAloneOnTheNextStart)
{
    // A guest: the Orlo button opens the login page.
    ASSERT_TRUE(OpenLoginPage());
    Keep("register_login");
    Click(360, 412); // new player
    ASSERT_TRUE(WaitForWidgetAt("input_playername_field", 400, 168));
    ASSERT_TRUE(TypeInto("input_playername", "typedplayer"));
    Click(580, 392); // next: the lobby checks the name
    ASSERT_TRUE(WaitForWidgetAt("button_agree", 208, 292));
    Keep("register_terms");
    Click(208, 292); // agree
    Click(580, 392); // next
    ASSERT_TRUE(WaitForWidgetAt("input_email_field", 400, 158));
    ASSERT_TRUE(TypeInto("input_email", "typed@example.org"));
    ASSERT_TRUE(TypeInto("input_password", "pass1234", true));
    Keep("register_email");
    Click(580, 392); // create the account
    ASSERT_TRUE(WaitFor(
        [&] {
            return vtest::ReadWholeFile(state.Path() + "/state.json").find("typedplayer|") !=
                   std::string::npos;
        },
        kStepSeconds));

    // The stand-in keeps the account with the hash of the password and its salt.
    const std::string accounts = vtest::ReadWholeFile(state.Path() + "/state.json");
    const size_t at = accounts.find("typedplayer|");
    ASSERT_NE(std::string::npos, at) << accounts;
    std::string line = accounts.substr(at, accounts.find('"', at) - at);
    std::vector<std::string> fields;
    for (size_t from = 0;;) {
        size_t bar = line.find('|', from);
        fields.push_back(line.substr(from, bar - from));
        if (bar == std::string::npos)
            break;
        from = bar + 1;
    }
    ASSERT_GE(fields.size(), 4u);
    std::string md5;
    vtest::RunProgram({vtest::Python(), "-c",
                       "import hashlib,sys;print(hashlib.md5(sys.argv[1].encode()).hexdigest())",
                       "pass1234" + fields[1]},
                      &md5);
    EXPECT_EQ(fields[2] + "\n", md5);
    const std::string id = fields[3];
    // Logged in with the new account: the thank-you page shows.
    EXPECT_TRUE(WaitForOnline(id, true));
    ASSERT_TRUE(WaitForWidgetAt("thank_close", 400, 364));
    Keep("register_thanks");

    Click(400, 364); // continue: the menu hides over the game
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStepSeconds));
    StopProgram();
    // The stand-in lets the player go once it has seen the connection end.
    EXPECT_TRUE(WaitForOnline(id, false));

    // Started again, the account logs in by itself.
    StartProgram();
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu(); }, kStartSeconds));
    EXPECT_TRUE(WaitForOnline(id, true));

    // The Orlo button opens the start page, its settings button the settings page; the sound
    // volume's knob dragged to the middle of its travel gives -5000 by the mapping (the slider
    // spans x 376..720, its 48-pixel knob travels 296 pixels: the middle is x 548).
    ASSERT_TRUE(WaitFor([&] { return ShowsOrloButton(); }, kStepSeconds));
    Click(50, 50);
    ASSERT_TRUE(WaitForWidgetAt("start_settings", 404, 235));
    Click(404, 235);
    ASSERT_TRUE(WaitForWidgetAt("setting_sounds_volume", 637, 264));
    ASSERT_TRUE(WaitFor([&] { return ShowsSoundsKnobAt(637); }, kStepSeconds));
    Keep("register_settings");
    const int before = SavedSoundVolume();
    Drag(637, 264, 548, 264);
    // The knob drawn where the finger let go (the setting is saved as the program ends).
    ASSERT_TRUE(
        WaitFor([&] { return ShowsSoundsKnobAt(548) && !ShowsSoundsKnobAt(637); }, kStepSeconds));
    Keep("register_settings_dragged");
    StopProgram();
    EXPECT_EQ(-2000, before) << "the default volume, the knob's start";
    EXPECT_NEAR(-5000, SavedSoundVolume(), 3 * 34) << "a pixel is 34 hundredths of a decibel";
}

} // namespace
