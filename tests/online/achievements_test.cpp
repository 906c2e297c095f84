// The achievement station: the definitions grammar, "ach.dat" against an independent Python
// reader and writer, the save rules, hostile files, and unlocking through the game state.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <string>

#include "engine/graphics/VortanSurface.h"
#include "online/achievements/AchievementFiles.h"
#include "online/achievements/OrloAchievementStation.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/LoaderTestSupport.h"

namespace {

// UTF-16LE of a byte text (each byte one unit), optionally after a byte-order mark unit.
std::string Wide(const std::string& text, unsigned bom = 0)
{
    std::string out;
    if (bom) {
        out.push_back((char)(bom & 0xff));
        out.push_back((char)(bom >> 8));
    }
    for (unsigned char c : text) {
        out.push_back((char)c);
        out.push_back('\0');
    }
    return out;
}

// The names in the directory, sorted, without "." and "..".
std::vector<std::string> Listing(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return names;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Text(const CVortanString& s)
{
    return VortanUTF8Of(s);
}

struct Station : ::testing::Test {
    vtest::TempDir home;
    vtest::TempDir packs;
    ltest::LoaderApp app;
    COrloAchievementStation station;
    std::string datPath;

    Station()
    {
        setenv("HOME", home.Path().c_str(), 1);
        CVortanString path;
        app.GetUserDataPath(path, CVortanString("ach.dat"));
        datPath = VortanBytesOf(path);
    }
    ~Station() override { station.Clear(); }
    // A definitions pack with the text (as 16-bit units) and Init on it.
    int Start(const std::string& definitions, unsigned bom = 0xFEFF)
    {
        const std::string pack = packs.File("achievements.dmp");
        EXPECT_TRUE(vtest::WriteWholeFile(
            pack, vtest::MakePack({{"/ach_EN.txt", Wide(definitions, bom)}})));
        return station.Init(&app, 77, CVortanString(pack.c_str()));
    }
    COrloAchievementList* List() { return station.FindList(77); }
    // Runs Python with the script; its standard output.
    std::string Python(const std::string& script)
    {
        std::string out;
        EXPECT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", script}, &out));
        return out;
    }
};

const char* kFour = "achievement 1 { name \"One\" }\nachievement 2 { name \"Two\" }\n"
                    "achievement 3 { name \"Three\" }\nachievement 4 { name \"Four\" }\n";

} // namespace

TEST_F(Station, TheDefinitionsGrammar)
{
    ASSERT_EQ(VORTAN_OK,
              Start("  achievement 7 {\n  name \"Seven\n seas\"\n description \"Sail  them\tall\"\n"
                    " surfaceName \"ach7.png\"\n}\n"
                    "{ achievement 8 { name \"hidden in a block\" } }\n"
                    "achievement 9 x achievement 10 { name \"Ten\" }\n" // no "{" after 9
                    "achievement 11 { description \"no name\" }\n"
                    "achievement 12 { name \"\" }\n"
                    "achievement 13 { { name \"nested\" } name \"Thirteen\" junk }\n"
                    "achievement 7 { name \"Again\" }\n"
                    "achievement abc { name \"NotANumber\" }\n"
                    "achievement 99999999999 { name \"Big\" }\n"
                    "achievement 14 { name \"Cut"));
    COrloAchievementList* list = List();
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(7, list->GetCount());
    COrloAchievement* seven = list->Find(7);
    ASSERT_NE(nullptr, seven);
    EXPECT_EQ("Seven\n seas", Text(seven->GetName()));
    EXPECT_EQ("Sail  them\tall", Text(seven->GetDescription()));
    EXPECT_EQ("ach7.png", Text(seven->GetSurfaceName()));
    EXPECT_EQ(1, seven->HasIcon());
    EXPECT_EQ(0, seven->IsUnlocked());
    EXPECT_EQ(ORLO_ICON_NOT_LOADED, seven->GetIconStatus());
    EXPECT_EQ(10, list->GetAt(1)->GetId());
    EXPECT_EQ(13, list->GetAt(2)->GetId());
    EXPECT_EQ("Thirteen", Text(list->GetAt(2)->GetName()));
    EXPECT_EQ("Again", Text(list->GetAt(3)->GetName())); // a repeated id: Find gives the first
    EXPECT_EQ(seven, list->Find(7));
    EXPECT_EQ(0, list->GetAt(4)->GetId());
    EXPECT_EQ(2147483647, list->GetAt(5)->GetId());
    EXPECT_EQ("Cut", Text(list->GetAt(6)->GetName())); // the value runs to the end of the text
    EXPECT_EQ(nullptr, list->Find(8));
    EXPECT_EQ(nullptr, list->Find(11));
}

TEST_F(Station, CarriageReturnsStayInTokensAndBothByteOrderMarksAreSkipped)
{
    ASSERT_EQ(VORTAN_OK, Start("achievement 1 {\r\n name \"A\"\r\n}\r\n"
                               "achievement 2 {\r\n name \"B\"\r\n}\r\n"));
    // "{\r" is no brace: both definitions are dropped.
    EXPECT_EQ(0, List()->GetCount());
    station.Clear();
    ASSERT_EQ(VORTAN_OK, Start("achievement 1 { name \"A\" }", 0xFFFE));
    ASSERT_EQ(1, List()->GetCount());
    station.Clear();
    ASSERT_EQ(VORTAN_OK, Start("achievement 1 { name \"A\" }", 0));
    ASSERT_EQ(1, List()->GetCount());
}

TEST_F(Station, MissingPackOrEntryFailsInit)
{
    EXPECT_EQ(VORTAN_E_OPEN, station.Init(&app, 77, CVortanString(packs.File("none.dmp").c_str())));
    station.Clear();
    const std::string pack = packs.File("other.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(pack, vtest::MakePack({{"/ach_FI.txt", Wide("x")}})));
    EXPECT_EQ(VORTAN_E_MISSING, station.Init(&app, 77, CVortanString(pack.c_str())));
}

TEST_F(Station, UnlocksWrittenByPythonAreRead)
{
    // Version 1, four entries: id 2, an id the definitions lack, id 4 with a month of 13
    // (normalised by the date-time), and id 3.
    Python("import struct\n"
           "e=lambda i,y,mo,d,h,mi,s: struct.pack('<i6H',i,y,mo,d,h,mi,s)\n"
           "open('" +
           datPath +
           "','wb').write(struct.pack('<ii',1,4)+e(2,2024,0,31,23,59,58)"
           "+e(555,1999,1,1,1,1,1)+e(4,2020,13,5,6,7,8)+e(3,2021,11,24,0,0,0))\n");
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    COrloAchievementList* list = List();
    EXPECT_EQ(0, list->Find(1)->IsUnlocked());
    const CVortanDateTime& two = list->Find(2)->GetUnlockTime();
    EXPECT_EQ(1, list->Find(2)->IsUnlocked());
    EXPECT_EQ(2024, two.GetYear());
    EXPECT_EQ(0, two.GetMonth());
    EXPECT_EQ(31, two.GetDay());
    EXPECT_EQ(23, two.GetHour());
    EXPECT_EQ(58, two.GetSecond());
    EXPECT_EQ(1, list->Find(3)->IsUnlocked());
    EXPECT_EQ(11, list->Find(3)->GetUnlockTime().GetMonth());
    EXPECT_EQ(1, list->Find(4)->IsUnlocked());
    EXPECT_EQ(2021, list->Find(4)->GetUnlockTime().GetYear()); // month 13 of 2020
    EXPECT_EQ(1, list->Find(4)->GetUnlockTime().GetMonth());
}

TEST_F(Station, SavedUnlocksReadBackInPython)
{
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    COrloAchievementList* list = List();
    CVortanDateTime t;
    t.Set(2026, 11, 7, 0, 10, 59);
    list->Find(3)->SetUnlocked(1);
    list->Find(3)->SetUnlockTime(t);
    list->Find(1)->SetUnlocked(1);
    list->Find(1)->SetUnlockTime(t);
    list->Find(2)->SetUnlocked(2);                     // only a flag of exactly 1 counts
    list->Add(9, CVortanString(), CVortanString(), 1); // no name: not written
    ASSERT_EQ(VORTAN_OK, station.SaveUnlocks());
    EXPECT_EQ(40u, vtest::ReadWholeFile(datPath).size()); // 8 + 2 x 16
    EXPECT_EQ("1 2 [(1, 2026, 11, 7, 0, 10, 59), (3, 2026, 11, 7, 0, 10, 59)]\n",
              Python("import struct\nb=open('" + datPath +
                     "','rb').read()\nv,n=struct.unpack_from('<ii',b)\n"
                     "print(v,n,[struct.unpack_from('<i6H',b,8+16*i) for i in range(n)])"));
    // No temporary file is left beside it.
    EXPECT_EQ(std::vector<std::string>{"ach.dat"}, Listing(datPath.substr(0, datPath.rfind('/'))));
}

TEST_F(Station, VersionTwoFailsInitAndTheApplicationGoesOnWithout)
{
    ASSERT_TRUE(vtest::WriteWholeFile(datPath, std::string("\2\0\0\0\0\0\0\0", 8)));
    EXPECT_EQ(VORTAN_E_VERSION, Start(kFour));
}

TEST_F(Station, HostileUnlockFiles)
{
    const std::string entry3("\3\0\0\0\xe8\x07\1\0\2\0\3\0\4\0\5\0", 16);
    // Cut mid-entry: the whole entry before the cut is applied.
    ASSERT_TRUE(vtest::WriteWholeFile(datPath, std::string("\1\0\0\0\2\0\0\0", 8) + entry3 +
                                                   entry3.substr(0, 9)));
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    EXPECT_EQ(1, List()->Find(3)->IsUnlocked());
    station.Clear();
    // A huge and a negative count: nothing is allocated from it.
    ASSERT_TRUE(
        vtest::WriteWholeFile(datPath, std::string("\1\0\0\0\xff\xff\xff\x7f", 8) + entry3));
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    EXPECT_EQ(1, List()->Find(3)->IsUnlocked());
    station.Clear();
    ASSERT_TRUE(
        vtest::WriteWholeFile(datPath, std::string("\1\0\0\0\xff\xff\xff\xff", 8) + entry3));
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    EXPECT_EQ(0, List()->Find(3)->IsUnlocked());
    station.Clear();
    // Empty: like no file.
    ASSERT_TRUE(vtest::WriteWholeFile(datPath, ""));
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    station.Clear();
    // A directory in its place: read as none, and a save fails keeping it.
    unlink(datPath.c_str());
    ASSERT_EQ(0, mkdir(datPath.c_str(), 0700));
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    List()->Find(1)->SetUnlocked(1);
    EXPECT_EQ(VORTAN_E_FAIL, station.SaveUnlocks());
    struct stat info;
    ASSERT_EQ(0, stat(datPath.c_str(), &info));
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    rmdir(datPath.c_str());
}

TEST_F(Station, AFailedSaveKeepsTheOldFile)
{
    ASSERT_EQ(VORTAN_OK, Start(kFour));
    List()->Find(2)->SetUnlocked(1);
    ASSERT_EQ(VORTAN_OK, station.SaveUnlocks());
    const std::string before = vtest::ReadWholeFile(datPath);
    const std::string dir = datPath.substr(0, datPath.rfind('/'));
    ASSERT_EQ(0, chmod(dir.c_str(), 0500)); // no temporary file can be made
    List()->Find(1)->SetUnlocked(1);
    const int rc = station.SaveUnlocks();
    chmod(dir.c_str(), 0700);
    if (geteuid() != 0) { // root writes anyway
        EXPECT_EQ(VORTAN_E_OPEN, rc);
    }
    if (rc != VORTAN_OK) {
        EXPECT_EQ(before, vtest::ReadWholeFile(datPath));
    }
    // Without the game's list nothing is written.
    station.Clear();
    EXPECT_EQ(VORTAN_E_MISSING, station.SaveUnlocks());
}

TEST(AchievementTexts, HostileDefinitionsStayBounded)
{
    COrloAchievementList list(nullptr, 1);
    // 100,000 nested blocks, then a definition after them.
    std::u16string text;
    for (int i = 0; i < 100000; ++i)
        text += u"{ ";
    for (int i = 0; i < 100000; ++i)
        text += u"} ";
    text += u"achievement 5 { name \"";
    text += std::u16string(1 << 20, u'x'); // a 1 MB value
    text += u"\" }";
    EXPECT_EQ(1, ParseAchievementDefinitions((const u16*)text.data(), (int)text.size(), &list));
    EXPECT_EQ(1 << 20, list.Find(5)->GetName().GetLength());
    list.Clear();
    // No closing quote; "achievement" at the very end; an empty text.
    const std::u16string open = u"achievement 6 { name \"never closed";
    EXPECT_EQ(1, ParseAchievementDefinitions((const u16*)open.data(), (int)open.size(), &list));
    const std::u16string end = u"achievement";
    EXPECT_EQ(0, ParseAchievementDefinitions((const u16*)end.data(), (int)end.size(), &list));
    EXPECT_EQ(0, ParseAchievementDefinitions((const u16*)end.data(), 0, &list));
}

TEST_F(Station, AnEntryOfOddLengthDropsItsLastByte)
{
    const std::string pack = packs.File("odd.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(
        pack, vtest::MakePack({{"/ach_EN.txt", Wide("achievement 1 { name \"A\" }") + "x"}})));
    ASSERT_EQ(VORTAN_OK, station.Init(&app, 77, CVortanString(pack.c_str())));
    EXPECT_EQ(1, List()->GetCount());
}

TEST_F(Station, IconsLoadFromThePackAndReportWhatIsMissing)
{
    const std::string pack = packs.File("icons.dmp");
    std::string png;
    ASSERT_EQ(0, vtest::RunProgram({"convert", "-size", "4x4", "xc:red", "png:-"}, &png));
    ASSERT_TRUE(vtest::WriteWholeFile(
        pack, vtest::MakePack(
                  {{"/ach_EN.txt", Wide("achievement 1 { name \"A\" surfaceName \"a.png\" }\n"
                                        "achievement 2 { name \"B\" surfaceName \"b.png\" }\n"
                                        "achievement 3 { name \"C\" surfaceName \"c.png\" }")},
                   {"/a.png", png},
                   {"/c.png", "not an image"}})));
    ASSERT_EQ(VORTAN_OK, station.Init(&app, 77, CVortanString(pack.c_str())));
    COrloAchievement* a = List()->Find(1);
    a->LoadIcon();
    ASSERT_NE(nullptr, a->GetIconSurface());
    EXPECT_EQ(4, a->GetIconSurface()->GetWidth());
    EXPECT_EQ(ORLO_ICON_NOT_LOADED, a->GetIconStatus());
    List()->Find(2)->LoadIcon();
    EXPECT_EQ(ORLO_ICON_MISSING, List()->Find(2)->GetIconStatus());
    List()->Find(3)->LoadIcon();
    EXPECT_EQ(ORLO_ICON_FAILED, List()->Find(3)->GetIconStatus());
    EXPECT_EQ(nullptr, List()->Find(3)->GetIconSurface());
}

namespace {

// The window-less application with a station of its own.
class StationApp : public ltest::LoaderApp {
public:
    ~StationApp() override { m_achievements = nullptr; }
    void SetStation(IOrloAchievementStation* station) { m_achievements = station; }
};

} // namespace

TEST(GameUnlocks, ASecondUnlockKeepsTheFirstTimeAndDoesNotRewriteTheFile)
{
    vtest::TempDir home, packs;
    setenv("HOME", home.Path().c_str(), 1);
    StationApp app;
    const std::string pack = packs.File("achievements.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(
        pack, vtest::MakePack({{"/ach_EN.txt", Wide("achievement 5 { name \"Five\" }")}})));
    COrloAchievementStation station;
    ASSERT_EQ(VORTAN_OK, station.Init(&app, 64, CVortanString(pack.c_str())));
    app.SetStation(&station);
    ptest::GameStateStub game;
    game.SetApplication(&app);
    CVortanString path;
    app.GetUserDataPath(path, CVortanString("ach.dat"));
    const std::string dat = VortanBytesOf(path);

    EXPECT_EQ(0, game.IsAchievementUnlocked(5));
    EXPECT_EQ(0, game.UnlockAchievement(6)); // not defined
    EXPECT_FALSE(vtest::Exists(dat));
    EXPECT_EQ(1, game.UnlockAchievement(5));
    EXPECT_EQ(1, game.IsAchievementUnlocked(5));
    const std::string first = vtest::ReadWholeFile(dat);
    ASSERT_EQ(24u, first.size());
    struct stat before;
    ASSERT_EQ(0, stat(dat.c_str(), &before));
    CVortanDateTime kept = station.FindList(64)->Find(5)->GetUnlockTime();
    sleep(1);
    EXPECT_EQ(1, game.UnlockAchievement(5));
    struct stat after;
    ASSERT_EQ(0, stat(dat.c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino); // not replaced
    EXPECT_EQ(first, vtest::ReadWholeFile(dat));
    EXPECT_EQ(kept.GetSecond(), station.FindList(64)->Find(5)->GetUnlockTime().GetSecond());
    game.SetApplication(nullptr);
    app.SetStation(nullptr);
}
