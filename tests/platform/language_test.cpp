// Language packs: the scan of "<base>_<nnnn>.dmp" (user data first), the header, the text
// table, choosing a language, the checksums, hostile packs, and the texts of the pack that
// the build makes. Packs are written by Python (an independent DMP2 writer); checksums are
// compared with md5sum.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "engine/VortanStringArray.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloLanguageHost.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "tests/support/TestSupport.h"

namespace {

// Writes a DMP2 pack with one entry "/texts.txt". Modes: "utf16" encodes the UTF-8 source
// as UTF-16LE, "bom" the same with a byte-order mark, "raw" takes the bytes as they are,
// "oversize" declares 1000 bytes more than the pack holds, "twoentries" puts an empty entry
// before the text.
const char* kPackWriter = R"PY(
import struct, sys
out, mode, src = sys.argv[1], sys.argv[2], sys.argv[3]
data = open(src, "rb").read()
if mode in ("utf16", "oversize", "twoentries"):
    data = data.decode("utf-8").encode("utf-16-le")
elif mode == "bom":
    data = "\ufeff".encode("utf-16-le") + data.decode("utf-8").encode("utf-16-le")
entries = [(b"/texts.txt", data)]
if mode == "twoentries":
    entries.insert(0, (b"/empty.txt", b""))
table = b""
size = 8 + sum(2 + len(n) + 4 for n, _ in entries)
blocks = b""
for name, payload in entries:
    table += struct.pack("<H", len(name)) + name + struct.pack("<I", size + len(blocks))
    declared = len(payload) + (1000 if mode == "oversize" else 0)
    blocks += b"\0\0\0\0" + struct.pack("<I", declared) + payload
open(out, "wb").write(b"DMP2" + struct.pack("<I", len(entries)) + table + blocks)
)PY";

std::string U8(const CVortanString& s)
{
    int n = s.ToUTF8(nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    s.ToUTF8(&out[0]);
    out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return out;
}

CVortanString S(const char* utf8)
{
    CVortanString s;
    s.AssignUTF8(utf8, -1);
    return s;
}

// Two directories (user data, program) and a settings store in a third.
class FakeHost : public IOrloLanguageHost {
public:
    FakeHost()
    {
        user = tmp.File("user");
        program = tmp.File("program");
        mkdir(user.c_str(), 0700);
        mkdir(program.c_str(), 0700);
        settingsPath = tmp.File("stats.dat");
        store.Open(S(settingsPath.c_str()));
    }

    int GetUserDataPath(CVortanString& out, const CVortanString& fileName) override
    {
        out = S((user + "/").c_str());
        out.Append(fileName);
        return 1;
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = S((program + "/").c_str());
        out.Append(fileName);
    }
    COrloStatsStore* GetSettings() override { return withSettings ? &store : nullptr; }

    vtest::TempDir tmp;
    std::string user;
    std::string program;
    std::string settingsPath;
    COrloStatsStore store;
    bool withSettings = true;
};

std::string Header(const char* name, const char* code, const char* flags = "VE_TEXT_LEFT",
                   int special = 0)
{
    return std::string("NAME=") + name + "\r\nCODE=" + code + "\r\nFLAGS=" + flags +
           "\r\nSPECIAL_CHARS=" + std::to_string(special) + "\r\n";
}

void WritePack(const std::string& path, const std::string& text, const char* mode = "utf16")
{
    std::string src = path + ".src";
    ASSERT_TRUE(vtest::WriteWholeFile(src, text));
    ASSERT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", kPackWriter, path, mode, src}));
    unlink(src.c_str());
}

std::string Md5Sum(const std::string& path)
{
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram({"md5sum", path}, &out));
    return out.substr(0, 32);
}

std::string Setting(COrloStatsStore& store)
{
    COrloStatsEntry* e = store.Find(CVortanString(ORLO_LANGUAGE_SETTING));
    return e ? U8(e->stringValue) : std::string("<missing>");
}

} // namespace

// --- the string array ------------------------------------------------------------------------

TEST(StringArray, SetAtGrowsWithEmptyTextsBetween)
{
    CVortanStringArray a;
    EXPECT_EQ(1, a.SetAt(3, S("three")));
    ASSERT_EQ(4, a.GetCount());
    EXPECT_TRUE(a.GetAt(0).IsEmpty());
    EXPECT_TRUE(a.GetAt(2).IsEmpty());
    EXPECT_EQ("three", U8(a.GetAt(3)));
    EXPECT_EQ(1, a.SetAt(1, S("one")));
    EXPECT_EQ(4, a.GetCount());
    EXPECT_EQ("one", U8(a[1]));
    EXPECT_EQ(2, a.SetAt(-1, S("x")));
    EXPECT_TRUE(a.GetAt(4).IsEmpty());
    EXPECT_TRUE(a.GetAt(-1).IsEmpty());
}

TEST(StringArray, GrowthAfterShrinkShowsNoOldTexts)
{
    CVortanStringArray a;
    for (int i = 0; i < 6; ++i)
        a.Add(S(std::to_string(i).c_str()));
    a.SetSize(1);
    a.SetAt(4, S("four"));
    EXPECT_EQ("0", U8(a[0]));
    EXPECT_TRUE(a[1].IsEmpty());
    EXPECT_TRUE(a[3].IsEmpty());
    EXPECT_EQ("four", U8(a[4]));
}

TEST(StringArray, OwnElementAndClear)
{
    CVortanStringArray a;
    a.Add(S("self"));
    // The source lives in the buffer that the growth replaces.
    a.SetAt(100, a[0]);
    EXPECT_EQ("self", U8(a[100]));
    a.Clear();
    EXPECT_EQ(0, a.GetCount());
    EXPECT_EQ(0, a.GetCapacity());
    EXPECT_EQ(nullptr, a.GetData());
}

// --- scanning ----------------------------------------------------------------------------------

TEST(LanguageScan, NoPackGivesEightAndPlaceholders)
{
    FakeHost host;
    COrloLanguage lang;
    EXPECT_EQ(8, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ("X-X", U8(lang.GetText(0)));
    EXPECT_EQ("X-X", U8(lang.GetText(-5)));
    EXPECT_EQ(nullptr, lang.GetCurrentLanguage());
}

TEST(LanguageScan, StopsAtTheFirstMissingNumber)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    WritePack(host.program + "/orlolanguage_0002.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(1, lang.GetLanguageCount());
    EXPECT_EQ(0, lang.IsKnown(S("fi")));
    EXPECT_EQ("Hello", U8(lang.GetText(0)));
}

TEST(LanguageScan, UserDataPackReplacesTheProgramsPack)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Program\r\n");
    WritePack(host.program + "/orlolanguage_0001.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    WritePack(host.user + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Downloaded\r\n");
    // A number that only the user data has continues the scan as well.
    WritePack(host.user + "/orlolanguage_0002.dmp", Header("Svenska", "sv") + "0=Hej\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    ASSERT_EQ(3, lang.GetLanguageCount());
    EXPECT_EQ("Downloaded", U8(lang.GetText(0)));
    EXPECT_EQ(host.user + "/orlolanguage_0000.dmp", U8(lang.GetLanguageAt(0)->path));
    EXPECT_EQ(host.program + "/orlolanguage_0001.dmp", U8(lang.GetLanguageAt(1)->path));
    CVortanStringArray names, codes;
    lang.GetLanguageNames(names);
    lang.GetLanguageCodes(codes);
    ASSERT_EQ(3, names.GetCount());
    EXPECT_EQ("English", U8(names[0]));
    EXPECT_EQ("Suomi", U8(names[1]));
    EXPECT_EQ("Svenska", U8(names[2]));
    EXPECT_EQ("sv", U8(codes[2]));
}

TEST(LanguageScan, BrokenDownloadFallsBackToTheProgramsPack)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Program\r\n");
    ASSERT_TRUE(vtest::WriteWholeFile(host.user + "/orlolanguage_0000.dmp", "DMP2\x01\0\0\0junk"));
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ("Program", U8(lang.GetText(0)));
}

TEST(LanguageScan, UnusablePacksEndTheScan)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    // 0001 has no NAME: the scan ends there and 0002 is never looked at.
    WritePack(host.program + "/orlolanguage_0001.dmp", "CODE=xx\r\n0=Nameless\r\n");
    WritePack(host.program + "/orlolanguage_0002.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(1, lang.GetLanguageCount());

    // An empty first entry ends the scan too (here at once: no language at all).
    FakeHost empty;
    WritePack(empty.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=Hello\r\n", "twoentries");
    COrloLanguage none;
    EXPECT_EQ(8, none.Init(&empty, S("orlolanguage")));
}

TEST(LanguageScan, SpecialCharacterPacksAreSkipped)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    WritePack(host.program + "/orlolanguage_0001.dmp",
              Header("Nihongo", "ja", "VE_TEXT_LEFT", 1) + "0=x\r\n");
    WritePack(host.program + "/orlolanguage_0002.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(2, lang.GetLanguageCount());
    EXPECT_EQ(0, lang.IsKnown(S("ja")));
    EXPECT_EQ(1, lang.IsKnown(S("FI")));
    EXPECT_EQ(1, lang.IsKnown(S("suomi")));
}

// --- header --------------------------------------------------------------------------------------

TEST(LanguageHeader, FlagsAndChecksums)
{
    FakeHost host;
    std::string p0 = host.program + "/orlolanguage_0000.dmp";
    std::string p1 = host.program + "/orlolanguage_0001.dmp";
    std::string p2 = host.program + "/orlolanguage_0002.dmp";
    WritePack(p0, Header("English", "en") + "0=a\r\n");
    WritePack(p1, Header("Ivrit", "he", "VE_TEXT_RIGHT_TO_LEFT") + "0=b\r\n");
    WritePack(p2, Header("Right", "rr", "VE_TEXT_RIGHT") + "0=c\r\n", "bom");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    ASSERT_EQ(3, lang.GetLanguageCount());
    EXPECT_EQ(0, lang.GetLanguageAt(0)->flags);
    EXPECT_EQ(0x40000 | 0x800000, lang.GetLanguageAt(1)->flags);
    EXPECT_EQ(0x40000, lang.GetLanguageAt(2)->flags);
    EXPECT_EQ("Right", U8(lang.GetLanguageAt(2)->name));   // byte-order mark skipped
    EXPECT_EQ(Md5Sum(p0), U8(lang.GetLanguageAt(0)->md5));
    EXPECT_EQ(Md5Sum(p1), U8(lang.GetLanguageAt(1)->md5));
    EXPECT_EQ(Md5Sum(p2), U8(lang.GetLanguageAt(2)->md5));
}

TEST(LanguageHeader, FieldsAreBoundedWordsAtLineStarts)
{
    FakeHost host;
    std::string longName(5000, 'N');
    // The fields may stand in any order; a key that is not at a line start is not a field,
    // a value ends at a blank, and no field is taken from the text table.
    WritePack(host.program + "/orlolanguage_0000.dmp",
              "FLAGS=VE_TEXT_LEFT XNAME=Wrong\r\nNAME=" + longName +
                  "\r\nCODE=  en trailing\r\n0=text\r\n1=x\rCODE=zz\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    const COrloLanguage::CLanguageEntry* e = lang.GetLanguageAt(0);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(std::string(ORLO_LANGUAGE_MAX_NAME, 'N'), U8(e->name));
    EXPECT_EQ("en", U8(e->code));
    EXPECT_FALSE(e->specialChars);
    EXPECT_EQ("text", U8(lang.GetText(0)));
}

TEST(LanguageHeader, EmptyNameIsNotAName)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", "NAME=\r\nCODE=en\r\n0=x\r\n");
    COrloLanguage lang;
    EXPECT_EQ(8, lang.Init(&host, S("orlolanguage")));
}

// --- the text table ------------------------------------------------------------------------------

TEST(LanguageTable, GapsGetEmptyTexts)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=zero\r\n1=one\r\n3=three\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    ASSERT_EQ(4, lang.GetTextCount());
    EXPECT_EQ("zero", U8(lang.GetText(0)));
    EXPECT_EQ("one", U8(lang.GetText(1)));
    EXPECT_EQ("", U8(lang.GetText(2)));
    EXPECT_EQ("three", U8(lang.GetText(3)));
    EXPECT_EQ("X-X", U8(lang.GetText(4)));
}

TEST(LanguageTable, BackslashNBecomesALineBreak)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=first\\nsecond\r\n1=a\\\\b \\\r\n2=caf\xc3\xa9 \xe2\x82\xac\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ("first\nsecond", U8(lang.GetText(0)));
    EXPECT_EQ("a\\\\b \\", U8(lang.GetText(1)));
    EXPECT_EQ("caf\xc3\xa9 \xe2\x82\xac", U8(lang.GetText(2)));
}

TEST(LanguageTable, LastLineWithoutCrLfIsLeftOut)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=zero\r\n1=one\r\n2=unfinished");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(2, lang.GetTextCount());
    EXPECT_EQ("X-X", U8(lang.GetText(2)));
}

TEST(LanguageTable, NumbersMatchOnlyAtLineStarts)
{
    FakeHost host;
    // "0=" stands inside "10=" and inside text 1; only the line "0=zero" is text 0. A line
    // with a lone CR or LF inside keeps it.
    WritePack(host.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "10=ten\r\n0=zero\r\n1=a 1=b\nc\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    ASSERT_EQ(2, lang.GetTextCount());
    EXPECT_EQ("zero", U8(lang.GetText(0)));
    EXPECT_EQ("a 1=b\nc", U8(lang.GetText(1)));
}

TEST(LanguageTable, OutOfOrderLinesEndWithoutHanging)
{
    FakeHost host;
    // After text 1 only a lower number and a stray digit follow: nothing more can be found.
    WritePack(host.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=a\r\n1=b\r\n0=again\r\nnote 7 more\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(2, lang.GetTextCount());
    EXPECT_EQ("b", U8(lang.GetText(1)));
    // Leading zeros do not name a number.
    FakeHost zeros;
    WritePack(zeros.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=a\r\n01=b\r\n2=c\r\n");
    COrloLanguage z;
    ASSERT_EQ(1, z.Init(&zeros, S("orlolanguage")));
    EXPECT_EQ(3, z.GetTextCount());
    EXPECT_EQ("", U8(z.GetText(1)));
    EXPECT_EQ("c", U8(z.GetText(2)));
}

TEST(LanguageTable, HugeNumbersAreCapped)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp",
              Header("English", "en") + "0=a\r\n99999999999999999999=b\r\n8191=last\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(ORLO_LANGUAGE_MAX_TEXTS, lang.GetTextCount());
    EXPECT_EQ("last", U8(lang.GetText(ORLO_LANGUAGE_MAX_TEXTS - 1)));
    EXPECT_EQ("X-X", U8(lang.GetText(ORLO_LANGUAGE_MAX_TEXTS)));
}

// --- hostile packs -------------------------------------------------------------------------------

TEST(LanguageHostile, DamagedPacksAreRefused)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* mode;
    };
    std::string utf16Header;
    for (char c : Header("English", "en") + "0=x\r\n") {
        utf16Header += c;
        utf16Header += '\0';
    }
    std::vector<Case> cases = {
        {"declared size beyond the file", Header("English", "en") + "0=x\r\n", "oversize"},
        {"odd byte count, no NAME", std::string("N\0A\0M\0E\0=\0", 10) + "\x41", "raw"},
        {"NUL before NAME", std::string("\0\0", 2) + utf16Header, "raw"},
        {"not a pack", "", "raw"},
    };
    for (const Case& c : cases) {
        FakeHost host;
        std::string path = host.program + "/orlolanguage_0000.dmp";
        if (std::string(c.what) == "not a pack")
            ASSERT_TRUE(vtest::WriteWholeFile(path, "DMP2"));
        else
            WritePack(path, c.bytes, c.mode);
        COrloLanguage lang;
        EXPECT_EQ(8, lang.Init(&host, S("orlolanguage"))) << c.what;
        EXPECT_EQ("X-X", U8(lang.GetText(0))) << c.what;
    }
}

TEST(LanguageHostile, TooLargeTextIsRefused)
{
    FakeHost host;
    std::string text = Header("English", "en") + "0=";
    text.append(ORLO_LANGUAGE_MAX_TEXT_BYTES / 2, 'a');
    text += "\r\n";
    WritePack(host.program + "/orlolanguage_0000.dmp", text);
    COrloLanguage lang;
    EXPECT_EQ(8, lang.Init(&host, S("orlolanguage")));
}

// Random texts made of the characters that steer the parser: every parse ends, the table
// stays within its cap, and every text found is the one its line holds.
TEST(LanguageHostile, RandomTextsAlwaysEnd)
{
    FakeHost host;
    std::mt19937 rng(1234);
    const char alphabet[] = "0123456789==\r\n\r\n\\nab N";
    std::string path = host.program + "/orlolanguage_0000.dmp";
    for (int round = 0; round < 40; ++round) {
        std::string text = Header("English", "en");
        int length = 200 + (int)(rng() % 3000);
        for (int i = 0; i < length; ++i)
            text += alphabet[rng() % (sizeof alphabet - 1)];
        std::string bytes;
        for (char c : text) {
            bytes += c;
            bytes += '\0';
        }
        // A plain writer is enough here: the format itself is checked above.
        std::string pack = "DMP2";
        auto u32 = [&](uint32_t v) {
            for (int k = 0; k < 4; ++k)
                pack += (char)((v >> (8 * k)) & 0xff);
        };
        u32(1);
        pack += (char)10;
        pack += (char)0;
        pack += "/texts.txt";
        u32(4 + 4 + 2 + 10 + 4);
        u32(0);
        u32((uint32_t)bytes.size());
        pack += bytes;
        ASSERT_TRUE(vtest::WriteWholeFile(path, pack));
        COrloLanguage lang;
        ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
        EXPECT_LE(lang.GetTextCount(), ORLO_LANGUAGE_MAX_TEXTS);
        for (int i = 0; i < lang.GetTextCount(); ++i) {
            std::string t = U8(lang.GetText(i));
            if (t.empty())
                continue;
            // The text stands in the source right after its number at a line start.
            bool found = false;
            for (size_t at = 0; at < text.size() && !found; ++at) {
                if (text[at] != '\n' && text[at] != '\r')
                    continue;
                std::string number = std::to_string(i) + "=";
                if (text.compare(at + 1, number.size(), number) != 0)
                    continue;
                std::string rest = text.substr(at + 1 + number.size());
                size_t end = rest.find("\r\n");
                if (end == std::string::npos)
                    continue;
                std::string raw = rest.substr(0, end);
                std::string converted;
                for (size_t k = 0; k < raw.size(); ++k) {
                    if (raw[k] == '\\' && k + 1 < raw.size() && raw[k + 1] == 'n') {
                        converted += '\n';
                        ++k;
                    } else {
                        converted += raw[k];
                    }
                }
                found = converted == t;
            }
            EXPECT_TRUE(found) << "text " << i << " of round " << round;
        }
    }
}

// --- choosing a language -----------------------------------------------------------------------

TEST(LanguageChoice, SettingIsCreatedAndFollowed)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    WritePack(host.program + "/orlolanguage_0001.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    {
        COrloLanguage lang;
        ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
        EXPECT_EQ("en", Setting(host.store));
        EXPECT_EQ("en", U8(lang.GetCurrentLanguage()->code));
        // By NAME, letter case ignored; the choice is stored and saved.
        ASSERT_EQ(1, lang.SetLanguage(S("SUOMI")));
        EXPECT_EQ("Hei", U8(lang.GetText(0)));
    }
    COrloStatsStore reread;
    reread.Open(S(host.settingsPath.c_str()));
    EXPECT_EQ("fi", Setting(reread));

    // The next start follows the stored choice.
    COrloLanguage again;
    ASSERT_EQ(1, again.Init(&host, S("orlolanguage")));
    EXPECT_EQ("Hei", U8(again.GetText(0)));
}

TEST(LanguageChoice, UnknownStoredLanguageFallsBackToEnglish)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    WritePack(host.program + "/orlolanguage_0001.dmp", Header("English", "en") + "0=Hello\r\n");
    host.store.AddEntry(CVortanString(ORLO_LANGUAGE_SETTING))->SetString(S("klingon"));
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ("Hello", U8(lang.GetText(0)));
    EXPECT_EQ("en", Setting(host.store));

    // Without English there is nothing to fall back to.
    FakeHost finnish;
    WritePack(finnish.program + "/orlolanguage_0000.dmp", Header("Suomi", "fi") + "0=Hei\r\n");
    finnish.store.AddEntry(CVortanString(ORLO_LANGUAGE_SETTING))->SetString(S("de"));
    COrloLanguage none;
    EXPECT_EQ(8, none.Init(&finnish, S("orlolanguage")));
}

TEST(LanguageChoice, FailedSwitchKeepsTheCurrentTexts)
{
    FakeHost host;
    std::string fi = host.program + "/orlolanguage_0001.dmp";
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    WritePack(fi, Header("Suomi", "fi") + "0=Hei\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ(8, lang.SetLanguage(S("de")));
    EXPECT_EQ(8, lang.SetLanguage(S("")));
    EXPECT_EQ(1, lang.SetLanguage(S("EN")));   // already current
    unlink(fi.c_str());
    EXPECT_EQ(10, lang.SetLanguage(S("fi")));
    EXPECT_EQ("Hello", U8(lang.GetText(0)));
    EXPECT_EQ("en", U8(lang.GetCurrentLanguage()->code));
    EXPECT_EQ("en", Setting(host.store));
}

TEST(LanguageChoice, WithoutSettingsNothingIsStored)
{
    FakeHost host;
    host.withSettings = false;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    EXPECT_EQ("Hello", U8(lang.GetText(0)));
    EXPECT_EQ("<missing>", Setting(host.store));
    struct stat st;
    EXPECT_NE(0, stat(host.settingsPath.c_str(), &st));
}

TEST(LanguageChoice, NeedsPackComparesCodeAndChecksum)
{
    FakeHost host;
    std::string p0 = host.program + "/orlolanguage_0000.dmp";
    WritePack(p0, Header("English", "en") + "0=Hello\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    CVortanString sum = S(Md5Sum(p0).c_str());
    EXPECT_EQ(0, lang.NeedsPack(S("en"), sum));
    EXPECT_EQ(0, lang.NeedsPack(S("EN"), sum));
    EXPECT_EQ(1, lang.NeedsPack(S("en"), S("00000000000000000000000000000000")));
    CVortanString upper(sum);
    upper.MakeUpper();
    EXPECT_EQ(1, lang.NeedsPack(S("en"), upper));   // the checksum is compared exactly
    EXPECT_EQ(1, lang.NeedsPack(S("fi"), sum));
}

TEST(LanguageChoice, ClearForgetsEverything)
{
    FakeHost host;
    WritePack(host.program + "/orlolanguage_0000.dmp", Header("English", "en") + "0=Hello\r\n");
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    lang.ClearLanguages();
    EXPECT_EQ(0, lang.GetLanguageCount());
    EXPECT_EQ(nullptr, lang.GetCurrentLanguage());
    EXPECT_EQ("X-X", U8(lang.GetText(0)));
    lang.SaveLanguage();   // nothing current, no application: no effect
    EXPECT_EQ(8, lang.SetLanguage(S("en")));
}

// --- the pack the build makes -------------------------------------------------------------------

// Every text that the platform and the online screens ask for by number, with the
// conversions each one is formatted with.
TEST(LanguageShipped, EnglishPackHasEveryText)
{
    std::string built = vtest::BinaryDir() + "/orlolanguage_0000.dmp";
    struct stat st;
    if (stat(built.c_str(), &st) != 0)
        GTEST_SKIP() << "the data packs are not built";
    FakeHost host;
    host.program = vtest::BinaryDir();
    COrloLanguage lang;
    ASSERT_EQ(1, lang.Init(&host, S("orlolanguage")));
    const COrloLanguage::CLanguageEntry* en = lang.GetCurrentLanguage();
    ASSERT_NE(nullptr, en);
    EXPECT_EQ("English", U8(en->name));
    EXPECT_EQ("en", U8(en->code));
    EXPECT_EQ(0, en->flags);
    EXPECT_EQ(Md5Sum(built), U8(en->md5));

    struct Need {
        int first, last;
        const char* conversions;   // the conversions in order, e.g. "%s%s"
    };
    const Need needs[] = {
        {1, 1, "%d"}, {2, 2, "%s%s"}, {3, 4, ""}, {5, 5, "%s"}, {6, 35, ""}, {36, 41, "%s"},
        {42, 44, ""}, {57, 57, ""}, {180, 182, "%s"}, {183, 183, ""}, {184, 191, ""},
        {193, 197, "%d"}, {198, 198, "%s"}, {199, 199, ""}, {209, 209, ""},
    };
    for (const Need& need : needs) {
        for (int i = need.first; i <= need.last; ++i) {
            std::string t = U8(lang.GetText(i));
            EXPECT_FALSE(t.empty()) << "text " << i;
            EXPECT_NE("X-X", t) << "text " << i;
            std::string conversions;
            for (size_t k = 0; k + 1 < t.size(); ++k) {
                if (t[k] == '%') {
                    conversions += t.substr(k, 2);
                    ++k;
                }
            }
            EXPECT_EQ(need.conversions, conversions) << "text " << i << ": " << t;
        }
    }
}
