// The game's data that the build makes: its packs hold each picture, sound and the font once;
// pictures have the layouts the game draws them in (measured by ImageMagick and
// tests/tools/gamepixels.py); sounds are the sound engine's PCM (sox), the ambient loop joins
// its end to its start; the tunes decode (lame); the English texts cover every index the game
// reads.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kPackTool = vtest::BinaryDir() + "/tools/vortanpack";
const std::string kPixels = vtest::SourceDir() + "/tests/tools/gamepixels.py";
const char* const kGamePacks[] = {
    "dataEffects.dmp", "dataPlayers.dmp",      "dataTextures.dmp",      "dataUI.dmp",
    "dataAudio.dmp",   "dataAmbientAudio.dmp", "dataAmbientAudio2.dmp", "dataIntro.dmp"};

using vtest::Exists;

std::string Output(const std::vector<std::string>& argv)
{
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram(argv, &out)) << argv[0] << " " << argv[1];
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// "key=value" pairs of a report line.
std::map<std::string, double> Values(const std::string& line)
{
    std::map<std::string, double> values;
    std::istringstream in(line);
    for (std::string item; in >> item;) {
        size_t eq = item.find('=');
        if (eq != std::string::npos)
            values[item.substr(0, eq)] = atof(item.c_str() + eq + 1);
    }
    return values;
}

std::map<std::string, double> Pixels(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {vtest::Python(), kPixels};
    argv.insert(argv.end(), args.begin(), args.end());
    return Values(Output(argv));
}

struct Picture {
    std::string format;
    int width = 0, height = 0;
    bool alpha = false;
};

Picture Identify(const std::string& path)
{
    std::istringstream in(Output({"identify", "-format", "%m %w %h %A", path}));
    Picture p;
    std::string alpha;
    in >> p.format >> p.width >> p.height >> alpha;
    p.alpha = alpha == "True" || alpha == "Blend";
    return p;
}

bool PowerOfTwo(int v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

class GameData : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Exists(vtest::BinaryDir() + "/dataUI.dmp"))
            GTEST_SKIP() << "the game's packs are not built (target datapacks)";
        for (const char* pack : kGamePacks) {
            std::string out;
            ASSERT_EQ(0, vtest::RunProgram(
                             {kPackTool, "extract", vtest::BinaryDir() + "/" + pack, dir}, &out))
                << pack;
        }
    }
    std::string At(const std::string& name) const { return dir + "/" + name; }
    vtest::TempDir tmp;
    std::string dir = tmp.File("game");
};

} // namespace

// The eight packs together: every entry once (the resource manager keeps the first of a name),
// 70 pictures of the asset tables with the torch and the 11 panels, 24 sounds, one font.
TEST_F(GameData, PacksHoldEachEntryOnce)
{
    std::multiset<std::string> names;
    for (const char* pack : kGamePacks) {
        std::istringstream in(Output({kPackTool, "list", vtest::BinaryDir() + "/" + pack}));
        std::string size, name;
        while (in >> size >> name)
            if (name != "/dmp.meta") // each pack may describe itself
                names.insert(name);
    }
    int pictures = 0, sounds = 0, fonts = 0;
    for (const std::string& name : std::set<std::string>(names.begin(), names.end())) {
        EXPECT_EQ(1u, names.count(name)) << name;
        std::string ext = name.substr(name.rfind('.') + 1);
        pictures += ext == "png" || ext == "jpg";
        sounds += ext == "wav";
        fonts += ext == "fnt";
    }
    EXPECT_EQ(70 + 1 + 11, pictures);
    EXPECT_EQ(24, sounds);
    EXPECT_EQ(1, fonts);
    EXPECT_EQ(pictures + sounds + fonts, (int)names.size());
}

// Strips and sheets: frames of equal cells, all different, nothing reaching over a cell's
// border into the next (the game samples whole cells with linear filtering).
TEST_F(GameData, StripsAndSheetsHaveTheirFrames)
{
    struct Layout {
        const char* name;
        int cols, rows, bleed;
    };
    const Layout layouts[] = {
        {"player0_animations.png", 10, 1, 0},
        {"player1_animations.png", 10, 1, 0},
        {"explosion.png", 4, 4, 8},
        {"timer_squib.png", 4, 4, 0},
        {"marker.png", 16, 1, 0},
        {"torch.png", 4, 4, 255},
    };
    for (const Layout& l : layouts) {
        Picture p = Identify(At(l.name));
        EXPECT_TRUE(p.format == "PNG" && p.alpha) << l.name;
        EXPECT_EQ(0, p.width % l.cols) << l.name;
        EXPECT_EQ(0, p.height % l.rows) << l.name;
        // Square cells, but the torch's cells are 2:1 like the screen they cover.
        int aspect = std::string(l.name) == "torch.png" ? 2 : 1;
        EXPECT_EQ(p.width / l.cols, aspect * (p.height / l.rows)) << l.name;
        auto f = Pixels({"frames", At(l.name), std::to_string(l.cols), std::to_string(l.rows)});
        EXPECT_EQ(l.cols * l.rows, f["distinct"]) << l.name;
        EXPECT_LE(f["bleed"], l.bleed) << l.name;
    }
    // The torch light is clear in the middle of a frame and dark at its corners.
    auto middle = Pixels({"region", At("torch.png"), "118", "54", "20", "20"});
    auto corner = Pixels({"region", At("torch.png"), "0", "0", "12", "12"});
    EXPECT_LT(middle["amax"], 80);
    EXPECT_GT(corner["amin"], 180);
}

// The stretch strips: ten rows; row k is drawn up to (0.2 + 0.07 k) of the width, so the
// squib must reach nearly that far and never beyond.
TEST_F(GameData, StretchRowsEndWhereTheGameCutsThem)
{
    for (const char* name : {"player0_stretch.png", "player1_stretch.png"}) {
        Picture p = Identify(At(name));
        ASSERT_EQ(0, p.height % 10) << name;
        EXPECT_TRUE(p.alpha) << name;
        std::istringstream in(Output({vtest::Python(), kPixels, "reach", At(name), "10"}));
        for (int k = 0; k < 10; ++k) {
            int right = -1;
            in >> right;
            double cut = (0.2 + 0.07 * k) * p.width;
            EXPECT_LT(right, cut) << name << " row " << k;
            EXPECT_GT(right, cut - 0.04 * p.width) << name << " row " << k;
        }
    }
}

// The water layers repeat: powers of two, no seam where the last column meets the first. The
// wave bands are clear above their crests and the front band's bottom is solid water.
TEST_F(GameData, WaterLayersRepeatWithoutSeams)
{
    for (const char* name : {"water_base.png", "waves.png", "background_battle.png"}) {
        Picture p = Identify(At(name));
        EXPECT_TRUE(PowerOfTwo(p.width) && PowerOfTwo(p.height)) << name;
        auto w = Pixels({"wrap", At(name)});
        EXPECT_LE(w["edge"], w["inner"] + 1.0) << name;
    }
    EXPECT_EQ(255, Pixels({"region", At("water_base.png"), "0", "0", "64", "256"})["amin"]);
    Picture waves = Identify(At("waves.png"));
    std::string w = std::to_string(waves.width);
    EXPECT_EQ(0, Pixels({"region", At("waves.png"), "0", "0", w, "4"})["amax"]);
    EXPECT_EQ(0, Pixels({"region", At("waves.png"), "0", std::to_string(waves.height / 2), w,
                         "4"})["amax"]);
    EXPECT_EQ(255, Pixels({"region", At("waves.png"), "0", std::to_string(waves.height / 2 - 1), w,
                           "1"})["amin"]);
}

// Block styles are nine-patches of 128 with 32-pixel borders: clear corners, a flat middle,
// borders that do not change along their length (they are stretched that way).
TEST_F(GameData, BlockStylesAreNinePatches)
{
    for (int s = 1; s <= 4; ++s) {
        std::string name = "blockstyle0" + std::to_string(s) + ".png";
        Picture p = Identify(At(name));
        EXPECT_TRUE(p.width == 128 && p.height == 128 && p.alpha) << name;
        EXPECT_EQ(0, Pixels({"region", At(name), "0", "0", "1", "1"})["amax"]) << name;
        auto middle = Pixels({"region", At(name), "32", "32", "64", "64"});
        EXPECT_EQ(1, middle["colours"]) << name;
        EXPECT_GT(middle["amin"], 200) << name;
        EXPECT_EQ(0, Pixels({"region", At(name), "32", "0", "64", "32"})["rows"]) << name;
        EXPECT_EQ(0, Pixels({"region", At(name), "32", "96", "64", "32"})["rows"]) << name;
        EXPECT_EQ(0, Pixels({"region", At(name), "0", "32", "32", "64"})["cols"]) << name;
        EXPECT_EQ(0, Pixels({"region", At(name), "96", "32", "32", "64"})["cols"]) << name;
    }
    // The material textures: opaque, powers of two (mipmapped), all different.
    std::set<std::string> textures;
    for (const char* material : {"Paper", "Metal", "Ice", "Bounce"})
        for (int v = 1; v <= 3; ++v) {
            std::string name =
                std::string("Texture_") + material + "0" + std::to_string(v) + ".png";
            Picture p = Identify(At(name));
            EXPECT_TRUE(PowerOfTwo(p.width) && PowerOfTwo(p.height)) << name;
            EXPECT_EQ(255, Pixels({"region", At(name), "0", "0", std::to_string(p.width),
                                   std::to_string(p.height)})["amin"])
                << name;
            textures.insert(vtest::ReadWholeFile(At(name)));
        }
    EXPECT_EQ(12u, textures.size());
}

// The shadow is drawn subtracting its colour times the alpha: white where it darkens, clear
// (nothing taken away) at its border.
TEST_F(GameData, ShadowTakesAwayOnlyInside)
{
    Picture p = Identify(At("shadow.png"));
    ASSERT_TRUE(p.alpha);
    std::string w = std::to_string(p.width), h = std::to_string(p.height);
    auto centre = Pixels({"region", At("shadow.png"), std::to_string(p.width / 2 - 2),
                          std::to_string(p.height / 2 - 2), "4", "4"});
    EXPECT_GT(centre["amin"], 80);
    EXPECT_LT(centre["amax"], 200);
    EXPECT_EQ(255, centre["rgbmin"]);
    EXPECT_EQ(0, Pixels({"region", At("shadow.png"), "0", "0", w, "1"})["amax"]);
    EXPECT_EQ(0, Pixels({"region", At("shadow.png"), "0", "0", "1", h})["amax"]);
}

// Buttons seen on an 800 x 480 screen: square, drawn at least as large as they are shown (a
// small battle button is 2 x 800 / 30 pixels across), clear corners, a sign in white or black
// that stands out from the coloured face.
TEST_F(GameData, ButtonsAreLegible)
{
    for (const char* name : {"muteoff.png",
                             "muteon.png",
                             "exits.png",
                             "edit.png",
                             "help.png",
                             "helper.png",
                             "training.png",
                             "fb_button.png",
                             "bomb_snow.png",
                             "bomb_cluster.png",
                             "bomb_none.png",
                             "confirmation_yes.png",
                             "confirmation_no.png",
                             "jump_00.png",
                             "bomb_00.png",
                             "whip_00.png",
                             "jump_01.png",
                             "bomb_01.png",
                             "whip_01.png",
                             "bomb_sticky.png",
                             "intro.png",
                             "credits.png",
                             "nextround.png",
                             "chatbutton.png",
                             "training_restart.png"}) {
        Picture p = Identify(At(name));
        EXPECT_TRUE(p.format == "PNG" && p.alpha && p.width == p.height && p.width >= 54) << name;
        EXPECT_EQ(0, Pixels({"region", At(name), "0", "0", "2", "2"})["amax"]) << name;
        // The sign, in the middle half of the face.
        std::string q = std::to_string(p.width / 4), half = std::to_string(p.width / 2);
        EXPECT_GT(Pixels({"region", At(name), q, q, half, half})["ink"], 0.08) << name;
    }
    // The menu's middle button is drawn 2 x 100 pixels across.
    EXPECT_GE(Identify(At("nextround.png")).width, 200);
}

// The game's menu at 800 x 480: s = 100, the centre (400, 240); each button's square as the
// menu lays it out (centre offsets and half sizes in s). The squares overlap, so each picture's
// round button must stand clear of every other at the largest bobbing scale (1.05) with a
// margin of the largest bobbing offset between two buttons (2 x 480 / 120 pixels) and 2 more.
TEST_F(GameData, TheMenuButtonsStandApartAtTheirPlaces)
{
    struct Place {
        const char* image;
        double dx, dy, half;
    };
    const Place places[] = {
        {"intro.png", -1.05, 0.85, 0.65},    {"credits.png", -2.1, 0.2, 0.43},
        {"fb_button.png", 2.65, 0.35, 0.45}, {"exits.png", 1.05, 0.85, 0.65},
        {"help.png", 1.8, 0.0, 0.7},         {"training.png", -1.25, -0.2, 0.75},
        {"nextround.png", 0.0, 0.0, 1.0}};
    std::vector<double> radius;
    for (const Place& p : places) {
        const double disc = Pixels({"disc", At(p.image)})["disc"];
        EXPECT_GT(disc, 0.3) << p.image;
        radius.push_back(disc * p.half * 100.0 * 1.05);
    }
    for (size_t i = 0; i < radius.size(); ++i)
        for (size_t j = i + 1; j < radius.size(); ++j) {
            const double d =
                100.0 * hypot(places[i].dx - places[j].dx, places[i].dy - places[j].dy);
            EXPECT_GT(d - radius[i] - radius[j], 10.0) << places[i].image << " " << places[j].image;
        }
}

// The stand-in's hats on the squib: the game draws a hat's square picture 1.846 times the
// squib's picture (itself 1.75 body halves across), centred 1.739 body halves above the body.
// In the squib's picture (128 pixels) the blob's top lies at y 32 and it is 92 pixels wide, so
// in the hat's picture the head's top lies at 0.626 of the height and the squib is 0.39 of the
// width wide: a hat at the squib's scale is at most 0.5 of the width wide, and its lowest part
// lies near the head's top, not over the eyes.
TEST_F(GameData, TheStandInHatsSitOnTheSquibAtItsScale)
{
    for (const char* hat : {"hat_red", "hat_top"}) {
        const std::string path =
            vtest::BinaryDir() + "/datapacks/standin/items/" + hat + "/" + hat + ".png";
        if (!Exists(path))
            GTEST_SKIP() << "no stand-in item packs (ImageMagick missing at build time)";
        int w = 0, h = 0, x = 0, y = 0, size = 0;
        const std::string box = Output({"identify", "-format", "%@ %w", path});
        ASSERT_EQ(5, sscanf(box.c_str(), "%dx%d+%d+%d %d", &w, &h, &x, &y, &size)) << box;
        EXPECT_EQ(size, Identify(path).height) << hat;
        EXPECT_LE(w, size / 2) << hat;
        EXPECT_NEAR(0.5 * size, x + 0.5 * w, 2.0) << hat;
        EXPECT_GT(y + h, 0.58 * size) << hat;
        EXPECT_LT(y + h, 0.72 * size) << hat;
    }
}

// Panels: the title and the eleven story pictures are 2:1 JPEG pictures, all different.
TEST_F(GameData, PanelsAreTwoToOne)
{
    std::set<std::string> seen;
    std::vector<std::string> names = {"squibtitlesquib.jpg"};
    for (int k = 1; k <= 11; ++k) {
        char name[16];
        snprintf(name, sizeof name, "Kuva%02d.jpg", k);
        names.push_back(name);
    }
    for (const std::string& name : names) {
        Picture p = Identify(At(name));
        EXPECT_TRUE(p.format == "JPEG" && p.width == 2 * p.height && p.height >= 384) << name;
        seen.insert(Output({"identify", "-format", "%#", At(name)}));
    }
    EXPECT_EQ(names.size(), seen.size());
}

// The chat bubble: 3 x 3 cells; the pointer sheet differs from it only in its corner cells.
TEST_F(GameData, ChatBubbleCells)
{
    Picture p = Identify(At("chatbubble.png"));
    Picture q = Identify(At("chatbubble_pointer.png"));
    ASSERT_TRUE(p.width == q.width && p.height == q.height && p.width % 3 == 0 &&
                p.height % 3 == 0);
    int c = p.width / 3;
    EXPECT_EQ(1, Pixels({"region", At("chatbubble.png"), std::to_string(c), std::to_string(c),
                         std::to_string(c), std::to_string(c)})["colours"]);
    auto same = [&](int col, int row) {
        return Output({vtest::Python(), kPixels, "same", At("chatbubble.png"),
                       std::to_string(col * c), std::to_string(row * c), std::to_string(c),
                       std::to_string(c), At("chatbubble_pointer.png")});
    };
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            bool corner = row != 1 && col != 1;
            EXPECT_EQ(!corner, same(col, row) == "same") << col << "," << row;
        }
}

// The font: its one page is "foo_0.png" at the description's size, with "_" for the
// characters it lacks and all of printable ASCII.
TEST_F(GameData, FontPageMatchesItsDescription)
{
    const char* check = R"PY(
import subprocess, sys, xml.etree.ElementTree as ET
d = sys.argv[1]
root = ET.parse(d + "/foo.fnt").getroot()
common = root.find("common")
pages = [p.get("file") for p in root.findall("pages/page")]
w, h = subprocess.check_output(["identify", "-format", "%w %h", d + "/foo_0.png"]).split()
ids = {int(c.get("id")) for c in root.findall("chars/char")}
print(pages == ["foo_0.png"], (int(w), int(h)) == (int(common.get("scaleW")), int(common.get("scaleH"))),
      set(range(32, 127)) <= ids, int(common.get("lineHeight")))
)PY";
    std::istringstream in(Output({vtest::Python(), "-c", check, dir}));
    std::string page, size, ascii;
    int lineHeight = 0;
    in >> page >> size >> ascii >> lineHeight;
    EXPECT_EQ("True True True", page + " " + size + " " + ascii);
    // Legible on a 480-pixel-high screen: some 17 lines fit.
    EXPECT_TRUE(lineHeight >= 20 && lineHeight <= 34) << lineHeight;
}

// Every sound: the engine's 44100 Hz, 16-bit stereo PCM, audible and unclipped.
TEST_F(GameData, SoundsAreTheEnginesPcm)
{
    std::istringstream in(Output({"sh", "-c", "cd '" + dir + "' && ls *.wav"}));
    int count = 0;
    for (std::string name; in >> name; ++count) {
        std::string path = At(name);
        EXPECT_EQ("44100 2 16 Signed Integer PCM", Output({"sox", "--i", "-r", path}) + " " +
                                                       Output({"sox", "--i", "-c", path}) + " " +
                                                       Output({"sox", "--i", "-b", path}) + " " +
                                                       Output({"sox", "--i", "-e", path}))
            << name;
        double seconds = atof(Output({"sox", "--i", "-D", path}).c_str());
        EXPECT_TRUE(seconds >= 0.05 && seconds <= 10) << name << " " << seconds;
        std::string stat;
        vtest::RunProgram({"sh", "-c", "sox '" + path + "' -n stat 2>&1"}, &stat);
        size_t at = stat.find("Maximum amplitude:");
        ASSERT_NE(std::string::npos, at) << name;
        double peak = atof(stat.c_str() + at + 18);
        EXPECT_TRUE(peak > 0.2 && peak < 0.99) << name << " " << peak;
    }
    EXPECT_EQ(24, count);
}

// The ambient loop restarts as soon as it ends: the step from its last sample to its first is
// no larger than the steps inside it, and the level at both ends is alike.
TEST_F(GameData, AmbientLoopIsSeamless)
{
    const char* check = R"PY(
import array, sys, wave
w = wave.open(sys.argv[1])
frames = w.readframes(w.getnframes())
samples = array.array("h", frames)
for ch in (0, 1):
    s = samples[ch::2]
    inner = sorted(abs(s[i + 1] - s[i]) for i in range(len(s) - 1))
    edge = abs(s[0] - s[-1])
    n = 4410
    rms = lambda part: (sum(v * v for v in part) / len(part)) ** 0.5
    print(edge <= inner[-1], "%.2f" % (rms(s[-n:]) / rms(s[:n])), "%.1f" % (len(s) / 44100.0))
)PY";
    std::istringstream in(Output({vtest::Python(), "-c", check, At("ambient_loop_00.wav")}));
    for (int ch = 0; ch < 2; ++ch) {
        std::string seamless;
        double ratio = 0, seconds = 0;
        in >> seamless >> ratio >> seconds;
        EXPECT_EQ("True", seamless) << ch;
        EXPECT_TRUE(ratio > 0.67 && ratio < 1.5) << ch << " " << ratio;
        EXPECT_GE(seconds, 4.0);
    }
}

// The two tunes lie beside the program as MP3 and decode to some seconds of stereo music.
TEST_F(GameData, TunesDecode)
{
    for (const char* tune : {"SquibTheme.mp3", "SquibIntro.mp3"}) {
        std::string mp3 = vtest::BinaryDir() + "/" + tune, wav = tmp.File(tune) + ".wav";
        ASSERT_TRUE(Exists(mp3)) << tune;
        ASSERT_EQ(0, vtest::RunProgram({"lame", "--quiet", "--decode", mp3, wav})) << tune;
        EXPECT_EQ("44100 2",
                  Output({"sox", "--i", "-r", wav}) + " " + Output({"sox", "--i", "-c", wav}));
        double seconds = atof(Output({"sox", "--i", "-D", wav}).c_str());
        EXPECT_TRUE(seconds > 10 && seconds < 120) << tune << " " << seconds;
        std::string stat;
        vtest::RunProgram({"sh", "-c", "sox '" + wav + "' -n stat 2>&1"}, &stat);
        size_t at = stat.find("RMS     amplitude:");
        ASSERT_NE(std::string::npos, at);
        EXPECT_GT(atof(stat.c_str() + at + 18), 0.02) << tune;
    }
}

// The game's English texts: every index the game reads has a text (the HUD's 0..21, the
// weapon hints 50..55, the training scenes' names 101..115).
TEST_F(GameData, TextsForEveryIndexTheGameReads)
{
    std::string lang = tmp.File("lang");
    ASSERT_EQ(0, vtest::RunProgram({kPackTool, "extract",
                                    vtest::BinaryDir() + "/zorbixlanguage_0000.dmp", lang}));
    const char* check = R"PY(
import os, sys
d = sys.argv[1]
text = open(os.path.join(d, os.listdir(d)[0]), "rb").read().decode("utf-16-le")
header, texts = {}, {}
for line in text.split("\r\n"):
    key, eq, value = line.partition("=")
    if key.isdigit():
        texts[int(key)] = value
    elif eq:
        header[key] = value
need = list(range(0, 22)) + list(range(50, 56)) + list(range(101, 116))
print(header.get("NAME"), header.get("CODE"), [n for n in need if not texts.get(n, "").strip()])
)PY";
    EXPECT_EQ("English en []", Output({vtest::Python(), "-c", check, lang}));
}
