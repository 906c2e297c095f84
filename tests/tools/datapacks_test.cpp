// The platform's data packs that the build makes: every pack of data/packs.txt exists beside
// the program and holds the entries listed for it; pictures decode (ImageMagick) at the sizes
// the screens expect, sounds are valid PCM WAVE files (sox), texts and descriptions parse
// (Python), and the reload picture built into the program is the 56 x 56 PNG.
#include <gtest/gtest.h>

#include <math.h>
#include <unistd.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kPackTool = vtest::BinaryDir() + "/tools/vortanpack";
const int kSizes[] = {640, 480, 360, 320, 240};

using vtest::Exists;

// data/packs.txt: pack -> entries.
std::map<std::string, std::vector<std::string>> ReadPackList()
{
    std::map<std::string, std::vector<std::string>> packs;
    std::istringstream in(vtest::ReadWholeFile(vtest::SourceDir() + "/data/packs.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::vector<std::string>& entries = packs[line.substr(0, colon)];
        std::istringstream words(line.substr(colon + 1));
        std::string word;
        while (words >> word)
            entries.push_back(word);
    }
    return packs;
}

// The entry names of a pack, in table order, through the pack tool.
std::vector<std::string> ListPack(const std::string& pack)
{
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram({kPackTool, "list", pack}, &out)) << pack;
    std::vector<std::string> names;
    std::istringstream in(out);
    std::string size, name;
    while (in >> size >> name)
        names.push_back(name);
    return names;
}

// Extracts a pack into a fresh directory and returns its path.
std::string Extract(const vtest::TempDir& tmp, const std::string& pack)
{
    std::string dir = tmp.File(pack + ".d");
    EXPECT_EQ(0, vtest::RunProgram({kPackTool, "extract", vtest::BinaryDir() + "/" + pack, dir}));
    return dir;
}

struct ImageInfo {
    std::string format;
    int width = 0, height = 0;
    bool alpha = false;
};

ImageInfo Identify(const std::string& path)
{
    std::string out;
    ImageInfo info;
    EXPECT_EQ(0, vtest::RunProgram({"identify", "-format", "%m %w %h %A", path}, &out)) << path;
    std::istringstream in(out);
    std::string alpha;
    in >> info.format >> info.width >> info.height >> alpha;
    info.alpha = alpha == "True" || alpha == "Blend";
    return info;
}

std::string SoxInfo(const std::string& option, const std::string& path)
{
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram({"sox", "--i", option, path}, &out)) << path;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

std::string RunPython(const char* script, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {vtest::Python(), "-c", script};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram(argv, &out));
    return out;
}

// Prints the design size that a "/dmp.meta" gives for a kind of resource, or "none".
const char* kMeta = R"PY(
import sys, xml.etree.ElementTree as ET
node = ET.parse(sys.argv[1]).getroot().find(sys.argv[2] + "/original_size")
print(node.get("value") if node is not None else "none")
)PY";

class DataPacks : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Exists(vtest::BinaryDir() + "/orlointro.dmp"))
            GTEST_SKIP() << "the data packs are not built (target datapacks)";
    }
    vtest::TempDir tmp;
};

} // namespace

TEST_F(DataPacks, EveryListedPackHoldsItsEntries)
{
    std::map<std::string, std::vector<std::string>> packs = ReadPackList();
    // The packs that the platform opens at start-up and for its first screens.
    std::vector<std::string> required = {"orlosounds.dmp", "orlolayouts.dmp",
                                         "orlolanguage_0000.dmp", "orlointro.dmp", "title.dmp"};
    for (int size : kSizes) {
        required.push_back("orlofonts_" + std::to_string(size) + ".dmp");
        required.push_back("orlolobby_" + std::to_string(size) + ".dmp");
    }
    for (const std::string& pack : required)
        EXPECT_TRUE(packs.count(pack)) << pack << " is missing from data/packs.txt";
    size_t listed = 0;
    for (const auto& pack : packs) {
        std::string path = vtest::BinaryDir() + "/" + pack.first;
        ASSERT_TRUE(Exists(path)) << path;
        std::vector<std::string> names = ListPack(path);
        EXPECT_FALSE(names.empty()) << pack.first;
        std::set<std::string> held(names.begin(), names.end());
        EXPECT_EQ(held.size(), names.size()) << "duplicate entries in " << pack.first;
        for (const std::string& entry : pack.second)
            EXPECT_TRUE(held.count("/" + entry)) << pack.first << " lacks " << entry;
        listed += pack.second.size();
    }
    EXPECT_GE(listed, 50u) << "entries listed in data/packs.txt";
}

TEST_F(DataPacks, IntroFramesWelcomeSoundAndTitlePictures)
{
    std::string dir = Extract(tmp, "orlointro.dmp");
    std::set<std::string> frames;
    for (int i = 1; i <= 12; ++i) {
        std::string path = dir + "/orlogate_logo" + std::to_string(i) + ".jpg";
        ImageInfo info = Identify(path);
        EXPECT_TRUE(info.format == "JPEG" && info.width == 420 && info.height == 280) << path;
        frames.insert(vtest::ReadWholeFile(path));
    }
    EXPECT_EQ(12u, frames.size()) << "the logo frames are not all different";
    // Consecutive frames differ visibly, not only in their bytes.
    for (int i = 1; i < 12; ++i) {
        std::string mean;
        ASSERT_EQ(0, vtest::RunProgram(
                         {"convert", dir + "/orlogate_logo" + std::to_string(i) + ".jpg",
                          dir + "/orlogate_logo" + std::to_string(i + 1) + ".jpg", "-compose",
                          "difference", "-composite", "-format", "%[fx:mean]", "info:"},
                         &mean));
        EXPECT_GT(atof(mean.c_str()), 0.002) << "frames " << i << " and " << i + 1;
    }
    std::string wav = dir + "/sl-welcome.wav";
    EXPECT_EQ("44100 2 16 Signed Integer PCM", SoxInfo("-r", wav) + " " + SoxInfo("-c", wav) + " " +
                                                   SoxInfo("-b", wav) + " " + SoxInfo("-e", wav));
    double seconds = atof(SoxInfo("-D", wav).c_str());
    EXPECT_TRUE(seconds > 0.5 && seconds < 3.0) << seconds;
    std::string bytes = vtest::ReadWholeFile(wav);
    ASSERT_GT(bytes.size(), 44u);
    // Audible but not clipped.
    int peak = 0;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2) {
        int s = (short)((unsigned char)bytes[i] | ((unsigned char)bytes[i + 1] << 8));
        peak = std::max(peak, abs(s));
    }
    EXPECT_TRUE(peak > 8000 && peak < 32767) << peak;
    EXPECT_EQ("480\n", RunPython(kMeta, {dir + "/dmp.meta", "image"}));
    // The title's pictures.
    dir = Extract(tmp, "title.dmp");
    ImageInfo title = Identify(dir + "/title.png");
    EXPECT_TRUE(title.format == "PNG" && title.alpha);
    // Fits unscaled on an 800 x 480 screen in either orientation.
    EXPECT_TRUE(title.width <= 480 && title.height <= 480);
    // The backgrounds cover an 800 x 480 screen without being scaled up.
    ImageInfo landscape = Identify(dir + "/background-horizontal.jpg");
    ImageInfo portrait = Identify(dir + "/background-vertical.jpg");
    EXPECT_TRUE(landscape.format == "JPEG" && landscape.width >= 800 && landscape.height >= 480 &&
                landscape.width > landscape.height);
    EXPECT_TRUE(portrait.format == "JPEG" && portrait.width >= 480 && portrait.height >= 800 &&
                portrait.width < portrait.height);
}

// Checks an extracted bitmap font description against its page image; prints "ok" and the
// line height, or what is wrong.
const char* kFontCheck = R"PY(
import os, subprocess, sys, xml.etree.ElementTree as ET
d, name = sys.argv[1], sys.argv[2]
root = ET.parse(os.path.join(d, name + ".fnt")).getroot()
common = root.find("common")
pages = root.findall("pages/page")
problems = []
if int(common.get("pages")) != 1 or len(pages) != 1:
    problems.append("pages")
page = os.path.join(d, pages[0].get("file"))
if not os.path.exists(page):
    problems.append("missing " + pages[0].get("file"))
else:
    w, h = subprocess.check_output(["identify", "-format", "%w %h", page]).split()
    if (int(w), int(h)) != (int(common.get("scaleW")), int(common.get("scaleH"))):
        problems.append("page size")
    ids = {int(c.get("id")) for c in root.findall("chars/char")}
    need = set(range(32, 127)) | set(range(161, 256)) | {0x20AC, 0x2026}
    if need - ids:
        problems.append("lacks %s" % sorted(need - ids)[:5])
    for c in root.findall("chars/char"):
        if int(c.get("x")) + int(c.get("width")) > int(w) or int(c.get("y")) + int(c.get("height")) > int(h):
            problems.append("glyph %s outside the page" % c.get("id"))
            break
print("ok" if not problems else "bad:" + ",".join(problems), common.get("lineHeight"))
)PY";

TEST_F(DataPacks, SizeVariantsMatchTheirDesignSize)
{
    for (int size : kSizes) {
        std::string s = std::to_string(size);
        std::string lobby = Extract(tmp, "orlolobby_" + s + ".dmp");
        EXPECT_EQ(s + "\n", RunPython(kMeta, {lobby + "/dmp.meta", "image"}));
        ImageInfo avatar = Identify(lobby + "/avatar.png");
        ImageInfo trophy = Identify(lobby + "/cl-icon-trophy.png");
        EXPECT_EQ(lround(64.0 * size / 480), avatar.width) << s;
        EXPECT_EQ(avatar.width, avatar.height) << s;
        EXPECT_EQ(lround(32.0 * size / 480), trophy.width) << s;
        EXPECT_TRUE(trophy.alpha) << s;
        std::string fonts = Extract(tmp, "orlofonts_" + s + ".dmp");
        EXPECT_EQ(s + "\n", RunPython(kMeta, {fonts + "/dmp.meta", "font"}));
        // Each font: one page, in the pack, holding every Latin-1 letter and the euro sign,
        // drawn at the pack's size.
        for (const char* font : {"orlo_small", "orlo_normal", "orlo_large", "orlo_bold"}) {
            std::string out = RunPython(kFontCheck, {fonts, font});
            std::istringstream in(out);
            std::string status;
            int lineHeight = 0;
            in >> status >> lineHeight;
            EXPECT_EQ("ok", status) << font << " " << s << ": " << out;
            if (std::string(font) == "orlo_normal") {
                EXPECT_NEAR(lineHeight, 21.0 * size / 480, 2.0 + size / 160.0) << s;
            }
        }
    }
    for (const char* pack : {"orlosounds.dmp", "orlolayouts.dmp"}) {
        std::string dir = Extract(tmp, pack);
        EXPECT_EQ("none\n", RunPython(kMeta, {dir + "/dmp.meta", "image"})) << pack;
    }
}

TEST_F(DataPacks, EnglishTextTable)
{
    std::string pack = vtest::BinaryDir() + "/orlolanguage_0000.dmp";
    std::vector<std::string> names = ListPack(pack);
    ASSERT_EQ(1u, names.size());
    std::string dir = Extract(tmp, "orlolanguage_0000.dmp");
    const char* check = R"PY(
import sys
data = open(sys.argv[1], "rb").read()
assert len(data) % 2 == 0, "odd size"
text = data.decode("utf-16-le")
assert not text.startswith("\ufeff"), "byte-order mark"
assert text.endswith("\r\n"), "last line not ended"
lines = text[:-2].split("\r\n")
assert all("\r" not in l and "\n" not in l for l in lines), "stray line break"
header = {}
i = 0
while i < len(lines) and not lines[i][:1].isdigit():
    key, _, value = lines[i].partition("=")
    header[key] = value
    i += 1
last = -1
for line in lines[i:]:
    number, eq, body = line.partition("=")
    assert eq and number.isdigit() and int(number) > last, line
    last = int(number)
print(header["NAME"], header["CODE"], header["FLAGS"], header["SPECIAL_CHARS"], len(lines) - i)
)PY";
    std::string out = RunPython(check, {dir + names[0]});
    std::istringstream in(out);
    std::string name, code, flags, special;
    int texts = 0;
    in >> name >> code >> flags >> special >> texts;
    EXPECT_EQ("English en 0", name + " " + code + " " + special);
    EXPECT_EQ(std::string::npos, flags.find("VE_TEXT_RIGHT"));
    EXPECT_GT(texts, 60);
}

TEST_F(DataPacks, AchievementDefinitions)
{
    std::string dir = Extract(tmp, "achievements.dmp");
    const char* parse = R"PY(
import re, sys
data = open(sys.argv[1], "rb").read()
assert data[:2] == b"\xff\xfe", "byte-order mark"
text = data[2:].decode("utf-16-le")
assert "\r" not in text
found = re.findall(r'achievement\s+(\d+)\s+\{\s*name\s+"([^"]*)"\s+description\s+"([^"]*)"\s*\}', text)
ids = [int(i) for i, _, _ in found]
assert len(ids) == len(set(ids)) and all(n and d for _, n, d in found)
print(len(found))
)PY";
    EXPECT_EQ("5\n", RunPython(parse, {dir + "/ach_EN.txt"}));
}

TEST_F(DataPacks, ReloadPictureIsBuiltIn)
{
    std::string png = vtest::BinaryDir() + "/datapacks/reload/reload.png";
    ImageInfo info = Identify(png);
    EXPECT_TRUE(info.format == "PNG" && info.width == 56 && info.height == 56 && info.alpha);
    // The generated source holds exactly the PNG's bytes.
    std::string source =
        vtest::ReadWholeFile(vtest::BinaryDir() + "/generated/OrloReloadImage.cpp");
    std::string bytes;
    for (size_t at = source.find("0x"); at != std::string::npos; at = source.find("0x", at + 4))
        bytes += (char)strtol(source.substr(at + 2, 2).c_str(), nullptr, 16);
    EXPECT_EQ(vtest::ReadWholeFile(png), bytes);
}

// The text tool that makes the language tables refuses sources that would give a broken
// table, and otherwise writes exactly what Python's UTF-16LE encoder writes.
TEST(MakeText, ChecksLanguageSources)
{
    const std::string tool = vtest::BinaryDir() + "/tools/maketext";
    if (!Exists(tool))
        GTEST_SKIP() << "maketext is not built";
    vtest::TempDir tmp;
    std::string in = tmp.File("in.txt"), out = tmp.File("out.txt");
    struct Case {
        const char* what;
        std::string source;
        int status;
    };
    const std::string header = "NAME=English\nCODE=en\nFLAGS=VE_TEXT_LEFT\nSPECIAL_CHARS=0\n";
    const Case cases[] = {
        {"good",
         "# comment\n" + header + "0=zero\n\n2=two \\n lines \xe2\x82\xac \xf0\x9f\x98\x80\n", 0},
        {"descending", header + "0=a\n2=b\n1=c\n", 1},
        {"repeated", header + "0=a\n0=b\n", 1},
        {"leading zero", header + "0=a\n01=b\n", 1},
        {"no name", "CODE=en\n0=a\n", 1},
        {"stray line", header + "0=a\nnot a text\n", 1},
        {"header after texts", header + "0=a\nNAME=again\n", 1},
        {"invalid UTF-8", header + "0=\xc3\x28\n", 1},
        {"overlong UTF-8", header + "0=\xc0\xaf\n", 1},
        {"cut UTF-8", header + "0=a\n1=\xe2\x82", 1},
    };
    for (const Case& c : cases) {
        unlink(out.c_str());
        ASSERT_TRUE(vtest::WriteWholeFile(in, c.source));
        EXPECT_EQ(c.status, vtest::RunProgram({tool, "--language", in, out})) << c.what;
        EXPECT_EQ(c.status == 0, Exists(out)) << c.what;
    }
    ASSERT_TRUE(vtest::WriteWholeFile(in, cases[0].source));
    ASSERT_EQ(0, vtest::RunProgram({tool, "--language", in, out}));
    const char* expect = R"PY(
import sys
src = open(sys.argv[1], encoding="utf-8").read().split("\n")
lines = [l for l in src if l and not l.startswith("#")]
want = "".join(l + "\r\n" for l in lines).encode("utf-16-le")
print("same" if open(sys.argv[2], "rb").read() == want else "different")
)PY";
    EXPECT_EQ("same\n", RunPython(expect, {in, out}));
}
