// Language packs: the scan of "<base>_<nnnn>.dmp" (user data first), the header, the text
// table, choosing a language, the checksums, hostile packs, and the texts of the pack that
// the build makes. Packs are written by Python (an independent DMP2 writer); checksums are
// compared with md5sum.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

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

CVortanString S(const std::string& utf8)
{
    CVortanString s;
    s.AssignUTF8(utf8.c_str(), -1);
    return s;
}

// Two directories (user data, program) and a settings store in a third.
class FakeHost : public IOrloLanguageHost {
public:
    FakeHost()
    {
        mkdir(user.c_str(), 0700);
        mkdir(program.c_str(), 0700);
        store.Open(S(settingsPath));
    }
    int GetUserDataPath(CVortanString& out, const CVortanString& fileName) override
    {
        out = S(user + "/");
        out.Append(fileName);
        return VORTAN_OK;
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = S(program + "/");
        out.Append(fileName);
    }
    COrloStatsStore* GetSettings() override { return withSettings ? &store : nullptr; }

    // The path of pack number n in the program's (or the user's) directory.
    std::string Pack(int n, bool inUser = false)
    {
        char name[32];
        snprintf(name, sizeof name, "/orlolanguage_%04d.dmp", n);
        return (inUser ? user : program) + name;
    }
    int Init(COrloLanguage& lang) { return lang.Init(this, S("orlolanguage")); }

    vtest::TempDir tmp;
    std::string user = tmp.File("user"), program = tmp.File("program"),
                settingsPath = tmp.File("stats.dat");
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
    return e ? VortanUTF8Of(e->stringValue) : std::string("<missing>");
}

} // namespace

TEST(StringArray, GrowthFillsWithEmptyTextsAndTakesItsOwnElement)
{
    CVortanStringArray a;
    for (int i = 0; i < 6; ++i)
        a.Add(S(std::to_string(i)));
    a.SetSize(1);
    EXPECT_EQ(VORTAN_OK, a.SetAt(4, S("four"))); // growth after a shrink shows no old texts
    ASSERT_EQ(5, a.GetCount());
    EXPECT_EQ("0", VortanUTF8Of(a[0]));
    EXPECT_TRUE(a[1].IsEmpty());
    EXPECT_TRUE(a[3].IsEmpty());
    EXPECT_EQ("four", VortanUTF8Of(a[4]));
    EXPECT_EQ(VORTAN_E_ARGUMENT, a.SetAt(-1, S("x")));
    EXPECT_TRUE(a.GetAt(5).IsEmpty());
    EXPECT_TRUE(a.GetAt(-1).IsEmpty());
    a.SetAt(100, a[0]); // the source lives in the buffer that the growth replaces
    EXPECT_EQ("0", VortanUTF8Of(a[100]));
    a.Clear();
    EXPECT_EQ(0, a.GetCount());
    EXPECT_EQ(nullptr, a.GetData());
}

TEST(LanguageScan, UserDataFirstAndTheScanEndsAtAGap)
{
    FakeHost host;
    WritePack(host.Pack(0), Header("English", "en") + "0=Program\r\n");
    WritePack(host.Pack(1), Header("Suomi", "fi") + "0=Hei\r\n");
    WritePack(host.Pack(0, true), Header("English", "en") + "0=Downloaded\r\n");
    // A damaged download falls back to the program's pack.
    ASSERT_TRUE(vtest::WriteWholeFile(host.Pack(1, true), "DMP2\x01\0\0\0junk"));
    // A number that only the user data has continues the scan as well; after the gap at 3
    // nothing more is read.
    WritePack(host.Pack(2, true), Header("Svenska", "sv") + "0=Hej\r\n");
    WritePack(host.Pack(4), Header("Dansk", "da") + "0=Hej\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    ASSERT_EQ(3, lang.GetLanguageCount());
    EXPECT_EQ("Downloaded", VortanUTF8Of(lang.GetText(0)));
    EXPECT_EQ(host.Pack(0, true), VortanUTF8Of(lang.GetLanguageAt(0)->path));
    EXPECT_EQ(host.Pack(1), VortanUTF8Of(lang.GetLanguageAt(1)->path));
    EXPECT_EQ(0, lang.IsKnown(S("da")));
    CVortanStringArray names, codes;
    lang.GetLanguageNames(names);
    lang.GetLanguageCodes(codes);
    ASSERT_EQ(3, names.GetCount());
    EXPECT_EQ("English", VortanUTF8Of(names[0]));
    EXPECT_EQ("Suomi", VortanUTF8Of(names[1]));
    EXPECT_EQ("Svenska", VortanUTF8Of(names[2]));
    EXPECT_EQ("sv", VortanUTF8Of(codes[2]));
    ASSERT_EQ(VORTAN_OK, lang.SetLanguage(S("fi")));
    EXPECT_EQ("Hei", VortanUTF8Of(lang.GetText(0)));
}

TEST(LanguageScan, UnusablePacksEndTheScanAndSpecialCharacterPacksAreSkipped)
{
    FakeHost host;
    WritePack(host.Pack(0), Header("English", "en") + "0=Hello\r\n");
    WritePack(host.Pack(1), Header("Nihongo", "ja", "VE_TEXT_LEFT", 1) + "0=x\r\n");
    WritePack(host.Pack(2), Header("Suomi", "fi") + "0=Hei\r\n");
    // 0003 has no NAME: the scan ends there and 0004 is never looked at.
    WritePack(host.Pack(3), "CODE=xx\r\n0=Nameless\r\n");
    WritePack(host.Pack(4), Header("Svenska", "sv") + "0=Hej\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    EXPECT_EQ(2, lang.GetLanguageCount());
    EXPECT_EQ(0, lang.IsKnown(S("ja")));
    EXPECT_EQ(1, lang.IsKnown(S("FI")));
    EXPECT_EQ(1, lang.IsKnown(S("suomi")));

    // An empty first entry or an empty name ends the scan too (here at once: no language).
    for (const char* mode : {"twoentries", "utf16"}) {
        FakeHost empty;
        std::string name = mode[0] == 't' ? "NAME=English" : "NAME=";
        WritePack(empty.Pack(0), name + "\r\nCODE=en\r\n0=x\r\n", mode);
        COrloLanguage none;
        EXPECT_EQ(VORTAN_E_MISSING, empty.Init(none)) << mode;
    }
}

TEST(LanguageHeader, FlagsAndChecksums)
{
    FakeHost host;
    WritePack(host.Pack(0), Header("English", "en") + "0=a\r\n");
    WritePack(host.Pack(1), Header("Ivrit", "he", "VE_TEXT_RIGHT_TO_LEFT") + "0=b\r\n");
    WritePack(host.Pack(2), Header("Right", "rr", "VE_TEXT_RIGHT") + "0=c\r\n", "bom");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    ASSERT_EQ(3, lang.GetLanguageCount());
    const int flags[] = {0, 0x40000 | 0x800000, 0x40000};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(flags[i], lang.GetLanguageAt(i)->flags) << i;
        EXPECT_EQ(Md5Sum(host.Pack(i)), VortanUTF8Of(lang.GetLanguageAt(i)->md5)) << i;
    }
    EXPECT_EQ("Right", VortanUTF8Of(lang.GetLanguageAt(2)->name)); // byte-order mark skipped
}

TEST(LanguageHeader, FieldsAreBoundedWordsAtLineStarts)
{
    FakeHost host;
    // The fields may stand in any order; a key that is not at a line start is not a field,
    // a value ends at a blank, and no field is taken from the text table.
    WritePack(host.Pack(0), "FLAGS=VE_TEXT_LEFT XNAME=Wrong\r\nNAME=" + std::string(5000, 'N') +
                                "\r\nCODE=  en trailing\r\n0=text\r\n1=x\rCODE=zz\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    const COrloLanguage::CLanguageEntry* e = lang.GetLanguageAt(0);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(std::string(ORLO_LANGUAGE_MAX_NAME, 'N'), VortanUTF8Of(e->name));
    EXPECT_EQ("en", VortanUTF8Of(e->code));
    EXPECT_FALSE(e->specialChars);
    EXPECT_EQ("text", VortanUTF8Of(lang.GetText(0)));
}

TEST(LanguageTable, LinesAreFoundAtLineStartsAndEveryParseEnds)
{
    const struct {
        const char* what;
        std::string body;
        std::vector<std::string> texts;
    } cases[] = {
        {"gaps", "0=zero\r\n1=one\r\n3=three\r\n", {"zero", "one", "", "three"}},
        {"escapes",
         "0=first\\nsecond\r\n1=a\\\\b \\\r\n2=caf\xc3\xa9 \xe2\x82\xac\r\n",
         {"first\nsecond", "a\\\\b \\", "caf\xc3\xa9 \xe2\x82\xac"}},
        {"last line without CR LF", "0=zero\r\n1=one\r\n2=unfinished", {"zero", "one"}},
        // "0=" stands inside "10=" and inside text 1; a lone CR or LF stays in the text.
        {"numbers at line starts", "10=ten\r\n0=zero\r\n1=a 1=b\nc\r\n", {"zero", "a 1=b\nc"}},
        {"lower number and stray digit", "0=a\r\n1=b\r\n0=again\r\nnote 7 more\r\n", {"a", "b"}},
        {"leading zeros", "0=a\r\n01=b\r\n2=c\r\n", {"a", "", "c"}},
    };
    for (const auto& c : cases) {
        FakeHost host;
        WritePack(host.Pack(0), Header("English", "en") + c.body);
        COrloLanguage lang;
        ASSERT_EQ(VORTAN_OK, host.Init(lang)) << c.what;
        ASSERT_EQ((int)c.texts.size(), lang.GetTextCount()) << c.what;
        for (size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(c.texts[i], VortanUTF8Of(lang.GetText((int)i))) << c.what << " " << i;
        EXPECT_EQ("X-X", VortanUTF8Of(lang.GetText((int)c.texts.size()))) << c.what;
    }
}

TEST(LanguageTable, HugeNumbersAreCapped)
{
    FakeHost host;
    WritePack(host.Pack(0),
              Header("English", "en") + "0=a\r\n99999999999999999999=b\r\n8191=last\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    EXPECT_EQ(ORLO_LANGUAGE_MAX_TEXTS, lang.GetTextCount());
    EXPECT_EQ("last", VortanUTF8Of(lang.GetText(ORLO_LANGUAGE_MAX_TEXTS - 1)));
    EXPECT_EQ("X-X", VortanUTF8Of(lang.GetText(ORLO_LANGUAGE_MAX_TEXTS)));
}

TEST(LanguageHostile, DamagedPacksAreRefused)
{
    std::string utf16Header;
    for (char c : Header("English", "en") + "0=x\r\n")
        utf16Header += std::string(1, c) + '\0';
    std::string tooLarge = Header("English", "en") +
                           "0=" + std::string(ORLO_LANGUAGE_MAX_TEXT_BYTES / 2, 'a') + "\r\n";
    const struct {
        const char* what;
        std::string bytes;
        const char* mode;
    } cases[] = {
        {"declared size beyond the file", Header("English", "en") + "0=x\r\n", "oversize"},
        {"odd byte count, no NAME", std::string("N\0A\0M\0E\0=\0", 10) + "\x41", "raw"},
        {"NUL before NAME", std::string("\0\0", 2) + utf16Header, "raw"},
        {"text too large", tooLarge, "utf16"},
        {"not a pack", "DMP2", nullptr},
        {"no pack at all", "", nullptr},
    };
    for (const auto& c : cases) {
        FakeHost host;
        if (c.mode)
            WritePack(host.Pack(0), c.bytes, c.mode);
        else if (!c.bytes.empty())
            vtest::WriteWholeFile(host.Pack(0), c.bytes);
        COrloLanguage lang;
        EXPECT_EQ(VORTAN_E_MISSING, host.Init(lang)) << c.what;
        EXPECT_EQ("X-X", VortanUTF8Of(lang.GetText(0))) << c.what;
        EXPECT_EQ("X-X", VortanUTF8Of(lang.GetText(-5))) << c.what;
        EXPECT_EQ(nullptr, lang.GetCurrentLanguage()) << c.what;
    }
}

// Random texts made of the characters that steer the parser: every parse ends, the table
// stays within its cap, and every text found is the one its line holds.
TEST(LanguageHostile, RandomTextsAlwaysEnd)
{
    FakeHost host;
    std::mt19937 rng(1234);
    const char alphabet[] = "0123456789==\r\n\r\n\\nab N";
    for (int round = 0; round < 40; ++round) {
        std::string text = Header("English", "en");
        for (int i = 200 + (int)(rng() % 3000); i > 0; --i)
            text += alphabet[rng() % (sizeof alphabet - 1)];
        WritePack(host.Pack(0), text);
        COrloLanguage lang;
        ASSERT_EQ(VORTAN_OK, host.Init(lang));
        EXPECT_LE(lang.GetTextCount(), ORLO_LANGUAGE_MAX_TEXTS);
        for (int i = 0; i < lang.GetTextCount(); ++i) {
            std::string t = VortanUTF8Of(lang.GetText(i));
            if (t.empty())
                continue;
            // The text stands in the source right after its number at a line start.
            const std::string number = std::to_string(i) + "=";
            bool found = false;
            for (size_t at = 0; at < text.size() && !found; ++at) {
                if ((text[at] != '\n' && text[at] != '\r') ||
                    text.compare(at + 1, number.size(), number) != 0)
                    continue;
                size_t start = at + 1 + number.size(), end = text.find("\r\n", start);
                if (end == std::string::npos)
                    continue;
                std::string raw = text.substr(start, end - start), converted;
                for (size_t k = 0; k < raw.size(); ++k) {
                    bool escape = raw[k] == '\\' && k + 1 < raw.size() && raw[k + 1] == 'n';
                    converted += escape ? '\n' : raw[k];
                    k += escape;
                }
                found = converted == t;
            }
            EXPECT_TRUE(found) << "text " << i << " of round " << round;
        }
    }
}

TEST(LanguageChoice, SettingIsCreatedFollowedAndFallsBackToEnglish)
{
    FakeHost host;
    WritePack(host.Pack(0), Header("Suomi", "fi") + "0=Hei\r\n");
    WritePack(host.Pack(1), Header("English", "en") + "0=Hello\r\n");
    {
        COrloLanguage lang;
        ASSERT_EQ(VORTAN_OK, host.Init(lang));
        EXPECT_EQ("en", Setting(host.store));
        EXPECT_EQ("en", VortanUTF8Of(lang.GetCurrentLanguage()->code));
        // By NAME, letter case ignored; the choice is stored and saved.
        ASSERT_EQ(VORTAN_OK, lang.SetLanguage(S("SUOMI")));
        EXPECT_EQ("Hei", VortanUTF8Of(lang.GetText(0)));
    }
    COrloStatsStore reread;
    reread.Open(S(host.settingsPath));
    EXPECT_EQ("fi", Setting(reread));
    // The next start follows the stored choice; an unknown one falls back to English.
    COrloLanguage again;
    ASSERT_EQ(VORTAN_OK, host.Init(again));
    EXPECT_EQ("Hei", VortanUTF8Of(again.GetText(0)));
    host.store.Find(CVortanString(ORLO_LANGUAGE_SETTING))->SetString(S("klingon"));
    COrloLanguage fallback;
    ASSERT_EQ(VORTAN_OK, host.Init(fallback));
    EXPECT_EQ("Hello", VortanUTF8Of(fallback.GetText(0)));
    EXPECT_EQ("en", Setting(host.store));

    // Without English there is nothing to fall back to.
    FakeHost finnish;
    WritePack(finnish.Pack(0), Header("Suomi", "fi") + "0=Hei\r\n");
    finnish.store.AddEntry(CVortanString(ORLO_LANGUAGE_SETTING))->SetString(S("de"));
    COrloLanguage none;
    EXPECT_EQ(VORTAN_E_MISSING, finnish.Init(none));
}

TEST(LanguageChoice, FailedSwitchKeepsTheCurrentTexts)
{
    FakeHost host;
    WritePack(host.Pack(0), Header("English", "en") + "0=Hello\r\n");
    WritePack(host.Pack(1), Header("Suomi", "fi") + "0=Hei\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    EXPECT_EQ(VORTAN_E_MISSING, lang.SetLanguage(S("de")));
    EXPECT_EQ(VORTAN_E_MISSING, lang.SetLanguage(S("")));
    EXPECT_EQ(VORTAN_OK, lang.SetLanguage(S("EN"))); // already current
    unlink(host.Pack(1).c_str());
    EXPECT_EQ(VORTAN_E_OPEN, lang.SetLanguage(S("fi")));
    EXPECT_EQ("Hello", VortanUTF8Of(lang.GetText(0)));
    EXPECT_EQ("en", VortanUTF8Of(lang.GetCurrentLanguage()->code));
    EXPECT_EQ("en", Setting(host.store));
    lang.ClearLanguages();
    EXPECT_EQ(nullptr, lang.GetCurrentLanguage());
    EXPECT_EQ("X-X", VortanUTF8Of(lang.GetText(0)));
    lang.SaveLanguage(); // nothing current: no effect
    EXPECT_EQ(VORTAN_E_MISSING, lang.SetLanguage(S("en")));
}

TEST(LanguageChoice, NeedsPackComparesCodeAndChecksumAndNothingIsStoredWithoutSettings)
{
    FakeHost host;
    host.withSettings = false;
    WritePack(host.Pack(0), Header("English", "en") + "0=Hello\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    EXPECT_EQ("Hello", VortanUTF8Of(lang.GetText(0)));
    EXPECT_EQ("<missing>", Setting(host.store));
    EXPECT_NE(0, access(host.settingsPath.c_str(), F_OK));
    CVortanString sum = S(Md5Sum(host.Pack(0)));
    EXPECT_EQ(0, lang.NeedsPack(S("en"), sum));
    EXPECT_EQ(0, lang.NeedsPack(S("EN"), sum));
    EXPECT_EQ(1, lang.NeedsPack(S("en"), S("00000000000000000000000000000000")));
    CVortanString upper(sum);
    upper.MakeUpper();
    EXPECT_EQ(1, lang.NeedsPack(S("en"), upper)); // the checksum is compared exactly
    EXPECT_EQ(1, lang.NeedsPack(S("fi"), sum));
}

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
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    const COrloLanguage::CLanguageEntry* en = lang.GetCurrentLanguage();
    ASSERT_NE(nullptr, en);
    EXPECT_EQ("English", VortanUTF8Of(en->name));
    EXPECT_EQ("en", VortanUTF8Of(en->code));
    EXPECT_EQ(0, en->flags);
    EXPECT_EQ(Md5Sum(built), VortanUTF8Of(en->md5));

    const struct {
        int first, last;
        const char* conversions; // the conversions in order, e.g. "%s%s"
    } needs[] = {
        {1, 1, "%d"},   {2, 2, "%s%s"},   {3, 4, ""},       {5, 5, "%s"},     {6, 35, ""},
        {36, 41, "%s"}, {42, 44, ""},     {57, 57, ""},     {180, 182, "%s"}, {183, 183, ""},
        {184, 191, ""}, {193, 197, "%d"}, {198, 198, "%s"}, {199, 199, ""},   {209, 209, ""},
    };
    for (const auto& need : needs) {
        for (int i = need.first; i <= need.last; ++i) {
            std::string t = VortanUTF8Of(lang.GetText(i)), conversions;
            EXPECT_FALSE(t.empty()) << "text " << i;
            EXPECT_NE("X-X", t) << "text " << i;
            for (size_t k = 0; k + 1 < t.size(); ++k)
                if (t[k] == '%')
                    conversions += t.substr(k++, 2);
            EXPECT_EQ(need.conversions, conversions) << "text " << i << ": " << t;
        }
    }
}

TEST(LanguageScan, AReceivedPackOfTheCurrentLanguageTakesEffectOnReload)
{
    FakeHost host;
    WritePack(host.Pack(0), Header("English", "en") + "0=Program\r\n");
    WritePack(host.Pack(1), Header("Suomi", "fi") + "0=Hei\r\n");
    COrloLanguage lang;
    ASSERT_EQ(VORTAN_OK, host.Init(lang));
    ASSERT_EQ(VORTAN_OK, lang.SetLanguage(S("fi")));
    // The server's newer Finnish pack lands in the user data; choosing "fi" again alone keeps
    // the old texts, a reload takes the new ones and keeps Finnish current.
    WritePack(host.Pack(1, true), Header("Suomi", "fi") + "0=Moi\r\n");
    ASSERT_EQ(VORTAN_OK, lang.SetLanguage(S("fi")));
    EXPECT_EQ("Hei", VortanUTF8Of(lang.GetText(0)));
    ASSERT_EQ(VORTAN_OK, lang.ReloadPacks());
    EXPECT_EQ("Moi", VortanUTF8Of(lang.GetText(0)));
    EXPECT_EQ("fi", VortanUTF8Of(lang.GetCurrentLanguage()->code));
    EXPECT_EQ("fi", Setting(host.store));
    COrloLanguage fresh;
    EXPECT_EQ(VORTAN_E_ARGUMENT, fresh.ReloadPacks());
}
