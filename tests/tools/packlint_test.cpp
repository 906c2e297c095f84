// The pack lint (tests/tools/packlint.py): every resource name that the product code loads is
// an entry of a data pack that the build makes, that data/packs.txt lists and that the program
// opens. The lint runs over the tree; scratch copies of the tree with added loads, edited pack
// lists and altered packs show that it catches each kind of mistake and names the source line.
#include <gtest/gtest.h>

#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kPackTool = vtest::BinaryDir() + "/tools/vortanpack";
const std::string kLint = vtest::SourceDir() + "/tests/tools/packlint.py";
const int kSizes[] = {640, 480, 360, 320, 240};

using vtest::Exists;

// Runs the lint; returns its exit status and its report in `out`.
int Lint(const std::string& source, const std::string& build, std::string* out,
         const std::vector<std::string>& extra = {})
{
    std::vector<std::string> argv = {vtest::Python(), kLint, "--source",    source,
                                     "--build",       build, "--pack-tool", kPackTool};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return vtest::RunProgram(argv, out);
}

// 1-based number of the first line of `text` that holds `marker`, 0 when none does.
int LineOf(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    return at == std::string::npos ? 0 : 1 + (int)std::count(text.begin(), text.begin() + at, '\n');
}

std::string Where(const std::string& file, const std::string& text, const std::string& marker)
{
    int line = LineOf(text, marker);
    EXPECT_GT(line, 0) << marker << " is not in " << file;
    return file + ":" + std::to_string(line) + ": ";
}

// The lines of the report that start with `prefix`.
std::vector<std::string> LinesStarting(const std::string& report, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    return lines;
}

// True when some report line holds both texts.
bool Reports(const std::string& report, const std::string& where, const std::string& what)
{
    for (const std::string& line : LinesStarting(report, where))
        if (line.find(what) != std::string::npos)
            return true;
    return false;
}

// Every (where, what) pair is a line of the report.
void ExpectReported(const std::string& report,
                    const std::vector<std::pair<std::string, std::string>>& expected)
{
    for (const auto& e : expected)
        EXPECT_TRUE(Reports(report, e.first, e.second)) << e.first << e.second << "\n" << report;
}

// The names in a directory.
std::vector<std::string> Names(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (struct dirent* entry = readdir(dir))
            names.push_back(entry->d_name);
        closedir(dir);
    }
    EXPECT_FALSE(names.empty()) << path;
    return names;
}

class PackLint : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Exists(vtest::BinaryDir() + "/orlointro.dmp") || !Exists(kPackTool))
            GTEST_SKIP() << "the data packs are not built (target datapacks)";
    }

    // A copy of the source tree without its build, test and benchmark directories.
    std::string ScratchTree()
    {
        std::string root = tmp.File("src");
        EXPECT_EQ(0, mkdir(root.c_str(), 0700));
        for (const std::string& name : Names(vtest::SourceDir()))
            if (name[0] != '.' && name.compare(0, 5, "build") != 0 && name != "tests" &&
                name != "bench") {
                EXPECT_EQ(0, vtest::RunProgram(
                                 {"cp", "-r", vtest::SourceDir() + "/" + name, root + "/" + name}));
            }
        return root;
    }

    // A build directory whose packs and loose files are links to the built ones.
    std::string ScratchBuild()
    {
        std::string root = tmp.File("build");
        EXPECT_EQ(0, mkdir(root.c_str(), 0700));
        for (const std::string& name : Names(vtest::BinaryDir()))
            if (name.size() > 4 && (name.compare(name.size() - 4, 4, ".dmp") == 0 ||
                                    name.compare(name.size() - 4, 4, ".mp3") == 0)) {
                EXPECT_EQ(0, symlink((vtest::BinaryDir() + "/" + name).c_str(),
                                     (root + "/" + name).c_str()));
            }
        return root;
    }

    // Makes the pack `pack` in `build` (replacing any) from files of the given names and contents.
    void MakePack(const std::string& build, const std::string& pack,
                  const std::vector<std::pair<std::string, std::string>>& files)
    {
        std::string dir = tmp.File(pack + ".files");
        mkdir(dir.c_str(), 0700);
        std::vector<std::string> argv = {kPackTool, "create", build + "/" + pack};
        for (const auto& file : files) {
            ASSERT_TRUE(vtest::WriteWholeFile(dir + "/" + file.first, file.second));
            argv.push_back(dir + "/" + file.first);
        }
        unlink((build + "/" + pack).c_str());
        ASSERT_EQ(0, vtest::RunProgram(argv)) << pack;
    }

    vtest::TempDir tmp;
};

} // namespace

// The tree is clean, and the lint sees the loads the platform makes, expanded as the code
// expands them.
TEST_F(PackLint, FindsTheLoadsTheCodeMakes)
{
    std::string report;
    ASSERT_EQ(0, Lint(vtest::SourceDir(), vtest::BinaryDir(), &report, {"--dump"})) << report;
    std::string intro = vtest::ReadWholeFile(vtest::SourceDir() + "/platform/OrloIntroState.cpp");
    int line = LineOf(intro, "\"sl-welcome.wav\"");
    ASSERT_GT(line, 0);
    EXPECT_NE(std::string::npos,
              report.find("found platform/OrloIntroState.cpp:" + std::to_string(line) +
                          " sound \"sl-welcome.wav\": sl-welcome.wav -> orlointro.dmp\n"))
        << report;
    // The twelve logo frames, numbered from 1.
    for (int i = 1; i <= 12; ++i)
        EXPECT_NE(std::string::npos,
                  report.find(": orlogate_logo" + std::to_string(i) + ".jpg -> orlointro.dmp\n"))
            << i;
    EXPECT_EQ(std::string::npos, report.find("orlogate_logo0.jpg"));
    EXPECT_EQ(std::string::npos, report.find("orlogate_logo13.jpg"));
    // Size variants for every size of the pack choice; the first language pack.
    for (int size : kSizes)
        for (std::string base : {"orlofonts", "orlolobby"}) {
            std::string pack = base + "_" + std::to_string(size) + ".dmp";
            EXPECT_NE(std::string::npos,
                      report.find(" pack \"" + base + "\": " + pack + " -> " + pack))
                << pack;
        }
    for (const char* pack : {"orlolanguage_0000.dmp", "orlosounds.dmp", "orlolayouts.dmp",
                             "orlointro.dmp", "title.dmp", "achievements.dmp"})
        EXPECT_NE(std::string::npos, report.find(": " + std::string(pack) + " -> " + pack + "\n"))
            << pack;
    // The title's pictures ("<base>.jpg", else "<base>.png").
    for (const char* picture : {"background-horizontal", "background-vertical", "title"}) {
        std::string found = " image \"" + std::string(picture) + "\": " + picture;
        EXPECT_TRUE(report.find(found + ".jpg -> title.dmp\n") != std::string::npos ||
                    report.find(found + ".png -> title.dmp\n") != std::string::npos)
            << picture;
    }
    // User files and the lock file are known not to be pack entries.
    EXPECT_NE(std::string::npos, report.find(": /tmp/orlo_app.lock -> not a pack entry"));
    EXPECT_NE(std::string::npos, report.find(": stats.dat -> not a pack entry"));
}

// The game's asset tables: the battlefields and the training scenes ("%02d.scn", 1..15), the
// images, sounds, the font, the story panels ("Kuva%02d.jpg", 1..11) and the game's packs are
// served by built packs, the tunes by files beside the program; nothing is pending. A scene
// that no pack serves, a tune missing from the "loose:" line or from the build is a problem.
TEST_F(PackLint, GameAssetsAreServed)
{
    std::string report;
    ASSERT_EQ(0, Lint(vtest::SourceDir(), vtest::BinaryDir(), &report, {"--dump"})) << report;
    for (int i = 1; i <= 15; ++i) {
        char name[16];
        snprintf(name, sizeof name, "%02d.scn", i);
        EXPECT_NE(std::string::npos,
                  report.find(" entry \"%02d.scn\": " + std::string(name) + " -> dataScenes.dmp\n"))
            << name;
    }
    EXPECT_EQ(std::string::npos, report.find("16.scn"));
    EXPECT_EQ(std::string::npos, report.find("Kuva12.jpg"));
    EXPECT_EQ(std::string::npos, report.find("pending"));
    const std::pair<const char*, const char*> served[] = {
        {"Balconies.scn", "dataScenes.dmp"},
        {"Orlo_War.scn", "dataScenes.dmp"},
        {"foo_0.png", "dataUI.dmp"},
        {"foo.fnt", "dataUI.dmp"},
        {"explosion.png", "dataEffects.dmp"},
        {"player1_stretch.png", "dataPlayers.dmp"},
        {"Texture_Bounce03.png", "dataTextures.dmp"},
        {"buttondown.wav", "dataAudio.dmp"},
        {"ambient_rare_02.wav", "dataAmbientAudio.dmp"},
        {"ambient_loop_00.wav", "dataAmbientAudio2.dmp"},
        {"Kuva01.jpg", "dataIntro.dmp"},
        {"Kuva11.jpg", "dataIntro.dmp"},
        {"dataIntro.dmp", "dataIntro.dmp"},
        {"SquibTheme.mp3", "a file beside the program"},
        {"SquibIntro.mp3", "a file beside the program"},
    };
    for (const auto& s : served)
        EXPECT_NE(std::string::npos,
                  report.find(": " + std::string(s.first) + " -> " + s.second + "\n"))
            << s.first;

    std::string src = ScratchTree();
    std::string tables = vtest::ReadWholeFile(src + "/game/VexAssetTables.cpp");
    size_t castle = tables.find("\"Castle.scn\"");
    ASSERT_NE(std::string::npos, castle);
    tables.replace(castle, 12, "\"Kastle.scn\"");
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/game/VexAssetTables.cpp", tables));
    std::string list = vtest::ReadWholeFile(src + "/data/packs.txt");
    size_t intro = list.find(" SquibIntro.mp3");
    ASSERT_NE(std::string::npos, intro);
    list.erase(intro, std::string(" SquibIntro.mp3").size());
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/data/packs.txt", list));
    // The story panels named from a number the lint cannot follow: the known pattern serves.
    const std::string probe = R"CPP(#include "engine/VortanString.h"
void Probe(CVortanString& name, int slide)
{
    name.Format(L"Kuva%02d.jpg", slide);
}
)CPP";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/game/PackLintProbe.cpp", probe));
    // A build without the theme tune.
    std::string build = ScratchBuild();
    ASSERT_EQ(0, unlink((build + "/SquibTheme.mp3").c_str()));
    EXPECT_EQ(1, Lint(src, build, &report));
    ExpectReported(report, {{Where("game/VexAssetTables.cpp", tables, "Kastle.scn"),
                             "no built pack holds Kastle.scn"},
                            {Where("game/VexAssetTables.cpp", tables, "SquibIntro.mp3"),
                             "SquibIntro.mp3 is played from a file beside the program but is not "
                             "on the \"loose:\" line"},
                            {Where("game/VexAssetTables.cpp", tables, "SquibTheme.mp3"),
                             "the loose file SquibTheme.mp3 is not built"},
                            {Where("data/packs.txt", list, "loose: Squib"),
                             "the loose file SquibTheme.mp3 is not built"}});
    EXPECT_TRUE(LinesStarting(report, "game/PackLintProbe.cpp").empty()) << report;
}

// A scratch copy of the tree with loads that no pack serves: each is reported at its line;
// names in comments are not loads.
TEST_F(PackLint, NamesEveryUnservedLoadWithItsLine)
{
    std::string src = ScratchTree();
    const std::string probe = R"CPP(// Loads that no pack serves.
#include "platform/OrloApplication.h"
#define PROBE_PACK "probe-missing.dmp"
// GetSound(CVortanString("commented-out.wav"));
/* GetSurface(CVortanString("block-comment.png")); */
void Probe(COrloApplication* app)
{
    app->GetSound(CVortanString("missing-chime.wav"));
    app->OpenPack(CVortanString(PROBE_PACK), 0);
    app->ChooseMediaPack(CVortanString("orlomissing"), nullptr, nullptr);
    app->GetSurface(CVortanString("sl-welcome.wav"));
    const char* joined = "missing"
                         "-joined.png";
    const char* user = "scores.dat";
    const char* quoted = "not \"a-name.png\" but text";
    for (int i = 0; i < 3; ++i) {
        CVortanString name;
        name.Format(L"orlogate_logo%02d.jpg", i + 11);
    }
    CVortanString odd;
    odd.Format(L"frame_%s.png", user);
    app->GetFont(CVortanString("orlo_tiny.fnt"));
    app->GetFont(CVortanString("default"));
    app->GetSound(CVortanString("sl-welcome.wav"));
    (void)joined;
    (void)quoted;
}
)CPP";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/platform/PackLintProbe.cpp", probe));
    std::string report;
    EXPECT_EQ(1, Lint(src, vtest::BinaryDir(), &report));
    const std::string file = "platform/PackLintProbe.cpp";
    auto at = [&](const std::string& marker) { return Where(file, probe, marker); };
    std::vector<std::pair<std::string, std::string>> expected = {
        {at("missing-chime.wav"), "no built pack holds missing-chime.wav"},
        // The pack named by a macro: where it is defined and where it is opened.
        {at("#define PROBE_PACK"), "the pack probe-missing.dmp is not built"},
        {at("CVortanString(PROBE_PACK)"),
         "the pack probe-missing.dmp is not listed in data/packs.txt"},
        {at("GetSurface(CVortanString(\"sl-welcome.wav\"))"),
         "loaded as a surface but is neither a .png / .jpg image nor an atlas member"},
        {at("\"missing\""), "no built pack holds missing-joined.png"},
        {at("scores.dat"), "no built pack holds scores.dat"},
        // The pattern gives 11, 12 and 13: only the last is missing.
        {at("orlogate_logo%02d"), "no built pack holds orlogate_logo13.jpg"},
        {at("frame_%s.png"), "cannot tell which names the pattern \"frame_%s.png\" gives"},
        {at("orlo_tiny.fnt"), "no built pack holds orlo_tiny.fnt"}};
    for (int size : kSizes)
        expected.push_back(
            {at("orlomissing"), "orlomissing_" + std::to_string(size) + ".dmp is not built"});
    ExpectReported(report, expected);
    EXPECT_EQ(std::string::npos, report.find("orlogate_logo11.jpg"));
    EXPECT_EQ(std::string::npos, report.find("orlogate_logo12.jpg"));
    // Not loads, or loads that a pack serves.
    for (const char* quiet : {"commented-out.wav", "block-comment.png", "a-name.png", "\"default\"",
                              "orlogate_logo%02d.jpg\": orlogate_logo11"})
        EXPECT_EQ(std::string::npos, report.find(quiet)) << quiet;
    EXPECT_TRUE(
        LinesStarting(report, at("app->GetSound(CVortanString(\"sl-welcome.wav\"))")).empty())
        << report;
    // Nothing but the probe is reported beyond what the tree itself gives.
    std::string base;
    Lint(vtest::SourceDir(), vtest::BinaryDir(), &base);
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, file.size(), file) != 0 && line.compare(0, 9, "packlint:") != 0) {
            EXPECT_NE(std::string::npos, base.find(line + "\n")) << line;
        }
    }
}

// data/packs.txt must list what the packs hold and hold what it lists.
TEST_F(PackLint, ChecksThePackList)
{
    std::string src = ScratchTree();
    std::string list = vtest::ReadWholeFile(src + "/data/packs.txt");
    size_t welcome = list.find(" sl-welcome.wav");
    ASSERT_NE(std::string::npos, welcome);
    list.erase(welcome, std::string(" sl-welcome.wav").size());
    size_t title = list.find("title.dmp:");
    ASSERT_NE(std::string::npos, title);
    list.insert(list.find('\n', title), " ghost.png");
    list += "orlolanguage_0002.dmp:\nnowhere.dmp: x.png\njust words\n";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/data/packs.txt", list));
    std::string report;
    EXPECT_EQ(1, Lint(src, vtest::BinaryDir(), &report));
    std::string intro = vtest::ReadWholeFile(src + "/platform/OrloIntroState.cpp");
    auto listed = [&](const std::string& marker) { return Where("data/packs.txt", list, marker); };
    ExpectReported(
        report,
        {{Where("platform/OrloIntroState.cpp", intro, "\"sl-welcome.wav\""),
          "sl-welcome.wav is held by orlointro.dmp but data/packs.txt does not list it there"},
         {listed("title.dmp:"), "title.dmp lacks the listed entry ghost.png"},
         {listed("orlolanguage_0002.dmp:"), "orlolanguage_0002.dmp is listed but not built"},
         {listed("orlolanguage_0002.dmp:"),
          "can never be found: the language scan stops at the missing orlolanguage_0001.dmp"},
         {listed("nowhere.dmp:"), "nowhere.dmp is listed but not built"},
         {listed("just words"), "not a \"<pack>: <entry> ...\" line"}});
}

// The layouts: a picture, font, import or text number the packs do not hold is named with its
// line.
TEST_F(PackLint, ChecksTheLayouts)
{
    std::string src = ScratchTree();
    const std::string file = src + "/data/layouts/menu_dialogs.xml";
    std::string layout = vtest::ReadWholeFile(file);
    ASSERT_FALSE(layout.empty());
    layout.insert(layout.rfind("</layout>"),
                  "<import path=\"menu_gone.xml\"/>\n"
                  "<element type=\"image\"><image path=\"nothing.png\"/></element>\n"
                  "<element type=\"text\"><text local=\"4999\" font=\"orlo_huge\"/></element>\n");
    ASSERT_TRUE(vtest::WriteWholeFile(file, layout));
    std::string report;
    EXPECT_EQ(1, Lint(src, vtest::BinaryDir(), &report));
    const std::string name = "data/layouts/menu_dialogs.xml";
    ExpectReported(report,
                   {{name + ": <import>", "no built pack holds menu_gone.xml"},
                    {name + ": <image>", "no built pack holds nothing.png"},
                    {name + ": <text>", "no built pack holds orlo_huge.fnt"},
                    {Where(name, layout, "4999"), "text 4999 is not in the language source"}});
    // The layouts as they are pass.
    EXPECT_EQ(0, Lint(vtest::SourceDir(), vtest::BinaryDir(), &report)) << report;
}

// What the built packs hold: size variants alike, alternatives, atlas members, packs that the
// program never opens.
TEST_F(PackLint, ChecksTheBuiltPacks)
{
    std::string src = ScratchTree();
    std::string build = ScratchBuild();
    // One size variant lacks the avatar; the title pack lacks the title picture.
    MakePack(build, "orlolobby_320.dmp", {{"dmp.meta", "<meta/>"}, {"cl-icon-trophy.png", "png"}});
    MakePack(build, "title.dmp",
             {{"background-horizontal.jpg", "jpg"}, {"background-vertical.jpg", "jpg"}});
    // A pack with a surface atlas, and one that the program never opens.
    MakePack(build, "atlas.dmp",
             {{"buttons.six",
               "<surfaces image=\"buttons.png\"><surface name=\"button_ok\" left=\"0\" top=\"0\" "
               "right=\"8\" bottom=\"8\"/></surfaces>"},
              {"buttons.png", "png"}});
    MakePack(build, "spare.dmp", {{"spare.wav", "wav"}});
    std::string list = vtest::ReadWholeFile(src + "/data/packs.txt");
    list += "atlas.dmp: buttons.six buttons.png\nspare.dmp: spare.wav\n";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/data/packs.txt", list));
    const std::string probe = R"CPP(#include "platform/OrloApplication.h"
void Probe(COrloApplication* app)
{
    app->GetSurface(CVortanString("avatar.png"));
    app->OpenPack(CVortanString("atlas.dmp"), 0);
    app->GetSurface(CVortanString("button_ok"));
    app->GetSurface(CVortanString("button_gone"));
    app->GetSound(CVortanString("spare.wav"));
}
)CPP";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/platform/PackLintProbe.cpp", probe));
    std::string report;
    EXPECT_EQ(1, Lint(src, build, &report));
    const std::string file = "platform/PackLintProbe.cpp";
    auto at = [&](const std::string& marker) { return Where(file, probe, marker); };
    std::string titleState = vtest::ReadWholeFile(src + "/platform/OrloTitleState.cpp");
    ExpectReported(
        report,
        {{at("avatar.png"),
          "avatar.png is in some size variants of orlolobby but not in orlolobby_320.dmp"},
         {Where("data/packs.txt", list, "orlolobby_320.dmp:"),
          "orlolobby_320.dmp lacks the listed entry avatar.png"},
         {Where("platform/OrloTitleState.cpp", titleState, "GetPicture(\"title\")"),
          "none of title.jpg, title.png loads"},
         {at("button_gone"), "neither a .png / .jpg image nor an atlas member"},
         {at("spare.wav"), "spare.wav is only in spare.dmp, which the program never opens"}});
    EXPECT_TRUE(LinesStarting(report, at("button_ok")).empty()) << report;
    EXPECT_TRUE(LinesStarting(report, at("atlas.dmp")).empty()) << report;
}

TEST_F(PackLint, StopsWithoutThePackTool)
{
    std::string report;
    EXPECT_EQ(2,
              vtest::RunProgram({vtest::Python(), kLint, "--source", vtest::SourceDir(), "--build",
                                 vtest::BinaryDir(), "--pack-tool", tmp.File("no-such-tool")},
                                &report));
}

// A shipped layout naming a picture, a font and an import that no pack serves, and code loading
// a layout that is not shipped: each is reported.
TEST_F(PackLint, ShippedLayoutsAreCheckedLikeTheCode)
{
    std::string src = ScratchTree();
    const std::string layout = "<areas><area width='800' height='480'>\n"
                               "<element type='image'><image path='no-such.png'/></element>\n"
                               "<element type='text'><text font='orlo_tiny'/></element>\n"
                               "<import path='nowhere.xml'/>\n"
                               "<element type='text'><text font='orlo_small'/></element>\n"
                               "</area></areas>\n";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/data/layouts/probe-root.xml", layout));
    const std::string probe = "#include \"platform/OrloApplication.h\"\n"
                              "const char* kLayout = \"unshipped-root.xml\";\n";
    ASSERT_TRUE(vtest::WriteWholeFile(src + "/online/PackLintProbe.cpp", probe));
    std::string report;
    EXPECT_EQ(1, Lint(src, vtest::BinaryDir(), &report));
    const std::string at = "data/layouts/probe-root.xml: ";
    for (const char* expected : {"<image>: \"no-such.png\": no built pack holds no-such.png",
                                 "<text>: \"orlo_tiny.fnt\": no built pack holds orlo_tiny.fnt",
                                 "<import>: \"nowhere.xml\": no built pack holds nowhere.xml"})
        EXPECT_NE(std::string::npos, report.find(at + expected)) << expected << "\n" << report;
    EXPECT_EQ(std::string::npos, report.find("orlo_small.fnt")) << report;
    EXPECT_NE(std::string::npos, report.find("online/PackLintProbe.cpp:2: \"unshipped-root.xml\""))
        << report;
}
