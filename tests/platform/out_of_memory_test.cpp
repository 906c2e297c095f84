// Running out of memory in the parsers: the XML tree (memory and file loads, clone, writer,
// the toolkit's loader), DMP2 packs, the settings store, language packs, UTF-8 text and bitmap
// font descriptions. This program replaces operator new: inside a test's window the n-th
// allocation fails, for n = 1, 2, ... until the code under test makes fewer than n. Every
// attempt must end in the code's out-of-memory result (or in the whole result when the
// failed allocation was optional), throw nothing, and release all it took.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <atomic>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/VortanString.h"
#include "engine/VortanStringArray.h"
#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloLanguageHost.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"
#include "xmlloader/XMLLoaderWrapper.h"

// ---- the failing allocator ----

namespace {

// In front of every block: whether it was made inside a window (its release is counted too).
struct alignas(16) BlockHeader {
    u32 magic;
    u32 counted;
};
const u32 kMagic = 0x4F4F4D21;

thread_local bool t_armed = false; // this thread's allocations are counted and may fail
thread_local long t_failAt = 0;    // the counted allocation that fails (1 = the first)
thread_local long t_made = 0;      // counted allocations asked for in the window
thread_local bool t_failed = false;
std::atomic<long> g_live{0}; // counted blocks not yet released

void* Allocate(size_t size, bool mayThrow)
{
    bool counted = t_armed;
    if (counted && ++t_made == t_failAt) {
        t_failed = true;
        if (mayThrow)
            throw std::bad_alloc();
        return nullptr;
    }
    BlockHeader* header = static_cast<BlockHeader*>(malloc(sizeof(BlockHeader) + size));
    if (!header) {
        if (mayThrow)
            throw std::bad_alloc();
        return nullptr;
    }
    header->magic = kMagic;
    header->counted = counted ? 1 : 0;
    if (counted)
        g_live++;
    return header + 1;
}

void Release(void* block)
{
    if (!block)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->magic != kMagic)
        abort(); // not a block of this allocator
    if (header->counted)
        g_live--;
    header->magic = 0;
    free(header);
}

// While it lives, the calling thread's allocations are counted and the n-th one fails.
class FailingAllocation {
public:
    explicit FailingAllocation(long n)
    {
        t_failAt = n;
        t_made = 0;
        t_failed = false;
        t_armed = true;
    }
    ~FailingAllocation() { t_armed = false; }
};

// Runs `attempt(n)` for n = 1, 2, ... : the attempt opens a FailingAllocation(n) around the
// code under test, checks the outcome and releases everything before it returns. Ends when an
// attempt made fewer than n allocations, so that every allocation has failed once; returns
// how many did.
long EachAllocationFails(const std::function<void(long)>& attempt)
{
    long n = 1;
    for (;; ++n) {
        bool threw = false;
        try {
            attempt(n);
        } catch (...) {
            threw = true;
        }
        EXPECT_FALSE(threw) << "allocation " << n << ": an exception left the code under test";
        EXPECT_EQ(0, g_live.load()) << "allocation " << n << ": blocks were not released";
        g_live = 0;
        if (!t_failed || ::testing::Test::HasFailure() || n > 200000)
            break;
    }
    return n - 1;
}

} // namespace

void* operator new(size_t size)
{
    return Allocate(size, true);
}
void* operator new[](size_t size)
{
    return Allocate(size, true);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size, false);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size, false);
}
void operator delete(void* block) noexcept
{
    Release(block);
}
void operator delete[](void* block) noexcept
{
    Release(block);
}
void operator delete(void* block, size_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, size_t) noexcept
{
    Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    Release(block);
}

namespace {

// ---- helpers ----

std::string Ascii(const CVortanString& s)
{
    return VortanBytesOf(s);
}

CVortanString S(const std::string& text)
{
    return CVortanString(text.c_str());
}

// One line per node, depth first: kind, name and value text.
void Dump(const CVortanXMLDataNode* node, int depth, std::string& out)
{
    out += std::string((size_t)depth, ' ') + (node->GetName() ? node->GetName() : "(none)");
    if (node->IsValueNode())
        out += std::string("=") + (node->GetValueText() ? node->GetValueText() : "(null)");
    out += "\n";
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        Dump(c, depth + 1, out);
}

std::string Dump(const CVortanXMLDataNode& node)
{
    std::string out;
    Dump(&node, 0, out);
    return out;
}

// A document with every construct the parser builds nodes for: attributes with entities,
// texts of childless elements, nesting, comments, a declaration, a self-closing element.
const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<!-- a layout -->\r\n"
    "<layout name=\"main menu\" version=\"3\">\r\n"
    "  <area width=\"480\" height=\"800\">\r\n"
    "    <button id=\"play\" label=\"Play &amp; win\" x=\"0.25\" y=\"0.5\"/>\r\n"
    "    <button id=\"quit\" label=\"&lt;Quit&gt;\"><sound file=\"click.wav\"/></button>\r\n"
    "    <label color=\"FF8800\">Hello, world</label>\r\n"
    "    <values>1,2,3</values>\r\n"
    "  </area>\r\n"
    "  <area width=\"320\"><empty/></area>\r\n"
    "</layout>\r\n"
    "<second a=\"1\"/>\r\n";

std::vector<char> DocumentBytes()
{
    return std::vector<char>(kDocument, kDocument + sizeof(kDocument) - 1);
}

// The document followed by enough elements that the parse takes its nodes from several
// blocks, and by a value too large for the blocks, which takes one of its own.
std::vector<char> LargeDocumentBytes()
{
    std::string text(kDocument, sizeof(kDocument) - 1);
    text += "<many>";
    for (int i = 0; i < 3000; i++)
        text += "<i v=\"" + std::to_string(i) + "\"/>";
    text += "<big v=\"" + std::string(40000, 'x') + "\"/><after/></many>";
    return std::vector<char>(text.begin(), text.end());
}

} // namespace

// ---- XML ----

TEST(OutOfMemory, XmlMemoryLoadKeepsNothingOrEverything)
{
    std::vector<char> bytes = LargeDocumentBytes();
    CVortanXMLDataNode reference;
    ASSERT_EQ(VORTAN_OK, reference.LoadMemory(bytes.data(), (int)bytes.size()));
    const std::string expected = Dump(reference);
    ASSERT_GT(expected.size(), 100u);

    long points = EachAllocationFails([&](long n) {
        std::vector<char> buffer = LargeDocumentBytes();
        CVortanXMLDataNode document;
        int result;
        bool failed;
        {
            FailingAllocation failing(n);
            result = document.LoadMemory(buffer.data(), (int)buffer.size());
            failed = t_failed;
        }
        if (failed) {
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
            EXPECT_EQ(0, document.GetChildCount()) << n;
        } else {
            EXPECT_EQ(VORTAN_OK, result);
            EXPECT_EQ(expected, Dump(document));
        }
    });
    // The parse takes its blocks from the heap, not a piece per node: a handful of points.
    EXPECT_GE(points, 6);

    // Loading from a file adds its own read buffer.
    points = EachAllocationFails([&](long n) {
        std::vector<char> buffer = LargeDocumentBytes();
        CVortanFile file;
        ASSERT_EQ(VORTAN_OK, file.OpenMemory(buffer.data(), (int)buffer.size(), VORTAN_FILE_READ));
        CVortanXMLDataNode document;
        int result;
        {
            FailingAllocation failing(n);
            result = document.LoadFile(&file, 0);
        }
        if (result == VORTAN_OK)
            EXPECT_EQ(expected, Dump(document)) << n;
        else
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
    });
    EXPECT_GE(points, 7);

    // The toolkit's loader keeps no document when the parse fails.
    points = EachAllocationFails([&](long n) {
        std::vector<char> buffer = LargeDocumentBytes();
        CXMLLoaderWrapper loader;
        int result;
        {
            FailingAllocation failing(n);
            result = loader.LoadMemory(buffer.data(), (int)buffer.size());
        }
        if (result == VORTAN_OK) {
            ASSERT_NE(nullptr, loader.GetRootElement());
            EXPECT_STREQ("layout", loader.GetRootElement()->GetName());
        } else {
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
            EXPECT_EQ(nullptr, loader.GetRootElement()) << n;
        }
    });
    EXPECT_GE(points, 7);
}

TEST(OutOfMemory, XmlCloneAndWriteGiveAllOrNothing)
{
    std::vector<char> bytes = DocumentBytes();
    CVortanXMLDataNode document;
    ASSERT_EQ(VORTAN_OK, document.LoadMemory(bytes.data(), (int)bytes.size()));
    const std::string expected = Dump(document);
    const CVortanXMLDataNode* layout = document.GetFirstChild();
    ASSERT_NE(nullptr, layout);

    long points = EachAllocationFails([&](long n) {
        CVortanXMLDataNode* copy;
        {
            FailingAllocation failing(n);
            copy = document.Clone();
        }
        if (copy) {
            EXPECT_EQ(expected, Dump(*copy)) << n;
        }
        delete copy;
    });
    EXPECT_GE(points, 60);

    static char whole[4096];
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(whole, sizeof(whole), VORTAN_FILE_WRITE));
    ASSERT_EQ(VORTAN_OK, layout->Write(&file, 1, 0));
    const std::string written(whole, (size_t)file.GetPosition());
    EXPECT_NE(std::string::npos, written.find("<label>Play & win</label>"));

    points = EachAllocationFails([&](long n) {
        static char out[4096];
        CVortanFile target;
        ASSERT_EQ(VORTAN_OK, target.OpenMemory(out, sizeof(out), VORTAN_FILE_WRITE));
        int result;
        {
            FailingAllocation failing(n);
            result = layout->Write(&target, 1, 0);
        }
        if (result == VORTAN_OK) {
            EXPECT_EQ(written, std::string(out, (size_t)target.GetPosition())) << n;
        } else {
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
            EXPECT_EQ(0, target.GetPosition()) << n << ": a partial document was written";
        }
    });
    EXPECT_GE(points, 5);

    // Building a tree by path: each step either adds its node or adds nothing.
    points = EachAllocationFails([&](long n) {
        CVortanXMLDataNode root;
        CVortanXMLDataNode* leaf;
        {
            FailingAllocation failing(n);
            leaf = root.FindNode("font/pages/page", 1);
            if (leaf)
                leaf->SetValue("$file", "page0.png");
        }
        // SetValue has no result: its node may stay without a value.
        std::string value = root.GetValueNode("font/pages/page/$file", "?");
        EXPECT_TRUE(value == "page0.png" || value == "?" || (leaf && value.empty()))
            << n << ": " << value;
        for (const CVortanXMLDataNode* node = &root; node; node = node->GetFirstChild())
            EXPECT_TRUE(node == &root || node->GetName()) << n << ": a nameless node was added";
    });
    EXPECT_GE(points, 10);
}

// ---- DMP2 packs ----

TEST(OutOfMemory, PackOpenAndEntryRead)
{
    vtest::TempDir dir;
    vtest::PackEntries entries;
    for (int i = 0; i < 6; ++i)
        entries.push_back({"/images/picture_number_" + std::to_string(i) + ".png",
                           std::string((size_t)(100 + i), (char)('a' + i))});
    const std::string path = dir.File("images.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(path, vtest::MakePack(entries)));
    const CVortanString packPath = S(path);
    const CVortanString wanted = S("picture_number_4.png");
    const CVortanString key = S("a key of some length");

    for (bool keyed : {false, true}) {
        long points = EachAllocationFails([&](long n) {
            CVortanMediaPack pack;
            char data[256] = {};
            int result, size = 0;
            {
                FailingAllocation failing(n);
                result = keyed ? pack.Open(packPath, key) : pack.Open(packPath);
                if (result == VORTAN_OK) {
                    size = pack.FindEntry(wanted);
                    if (size > 0 && size <= (int)sizeof(data))
                        pack.GetFile()->Read(data, size);
                }
            }
            if (result != VORTAN_OK) {
                EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
                EXPECT_EQ(0, pack.GetEntryCount()) << n;
                return;
            }
            ASSERT_EQ((int)entries.size(), pack.GetEntryCount());
            for (int i = 0; i < pack.GetEntryCount(); ++i)
                EXPECT_EQ(entries[(size_t)i].first, Ascii(pack.GetEntryAt(i)->m_name)) << n;
            EXPECT_EQ(entries[4].second, std::string(data, (size_t)size)) << n;
            EXPECT_EQ(keyed, pack.GetKey() != nullptr);
        });
        EXPECT_GE(points, 12) << keyed;
    }
}

// ---- settings store ----

namespace {

struct Setting {
    std::string name;
    int kind;
    int number;
    std::string text;
};

std::vector<Setting> Settings(const COrloStatsStore& store)
{
    std::vector<Setting> out;
    for (int i = 0; i < store.GetCount(); ++i) {
        const COrloStatsEntry* e = store.GetAt(i);
        int number = e->kind == ORLO_STATS_BOOL        ? e->boolValue
                     : e->kind == ORLO_STATS_EXTRA_INT ? e->extraValue
                                                       : e->intValue;
        out.push_back({Ascii(e->name), e->kind, number, Ascii(e->stringValue)});
    }
    return out;
}

bool SameSettings(const std::vector<Setting>& a, const std::vector<Setting>& b, size_t count)
{
    if (a.size() < count || b.size() < count)
        return false;
    for (size_t i = 0; i < count; ++i)
        if (a[i].name != b[i].name || a[i].kind != b[i].kind || a[i].number != b[i].number ||
            a[i].text != b[i].text)
            return false;
    return true;
}

} // namespace

TEST(OutOfMemory, SettingsLoadKeepsWholeEntriesAndSaveKeepsTheOldFile)
{
    vtest::TempDir dir;
    const CVortanString path = S(dir.File("stats.dat"));
    std::vector<Setting> expected;
    {
        COrloStatsStore store;
        store.Open(path);
        store.AddEntry(S("__Orlo_Sounds_Volume_Setting"))->SetInt(-2000);
        store.AddEntry(S("__Orlo_Music_Mute"))->SetBool(1);
        store.AddEntry(S("__Orlo_Language_Of_The_User"))->SetString(S("a language code text"));
        store.AddEntry(S("__Orlo_TimesLaunched_Counter"))->SetExtraInt(12345);
        store.AddEntry(S("__Orlo_UID"))->SetString(S("f0123456789abcdef0123456789abcd0f"));
        ASSERT_EQ(VORTAN_OK, store.Save());
        expected = Settings(store);
    }
    const std::string saved = vtest::ReadWholeFile(dir.File("stats.dat"));

    long points = EachAllocationFails([&](long n) {
        COrloStatsStore store;
        store.Open(path);
        store.Clear();
        int result;
        {
            FailingAllocation failing(n);
            result = store.Load();
        }
        std::vector<Setting> loaded = Settings(store);
        if (result == VORTAN_OK) {
            EXPECT_TRUE(SameSettings(expected, loaded, expected.size())) << n;
            EXPECT_EQ(expected.size(), loaded.size()) << n;
        } else {
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
            EXPECT_TRUE(SameSettings(expected, loaded, loaded.size())) << n << ": not a prefix";
            EXPECT_LT(loaded.size(), expected.size()) << n;
        }
    });
    EXPECT_GE(points, 15);

    // A save that runs out of memory leaves the previous file whole and no temporary file.
    points = EachAllocationFails([&](long n) {
        COrloStatsStore store;
        store.Open(path);
        store.AddEntry(S("__Orlo_Added_By_This_Save"))->SetInt(7);
        int result;
        {
            FailingAllocation failing(n);
            result = store.Save();
        }
        std::string now = vtest::ReadWholeFile(dir.File("stats.dat"));
        if (result == VORTAN_OK) {
            EXPECT_GT(now.size(), saved.size()) << n;
            ASSERT_TRUE(vtest::WriteWholeFile(dir.File("stats.dat"), saved));
        } else {
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
            EXPECT_EQ(saved, now) << n;
        }
        store.Clear();
    });
    EXPECT_GE(points, 5);
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.Path().c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                files.push_back(e->d_name);
        closedir(d);
    }
    EXPECT_EQ(std::vector<std::string>{"stats.dat"}, files) << "a temporary file was left";
}

// ---- language packs ----

namespace {

// UTF-16LE bytes of ASCII text.
std::string Utf16(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// The application side of the language packs; it allocates only through the engine's
// strings, as the application does.
class Host : public IOrloLanguageHost {
public:
    explicit Host(const std::string& root) : m_user(S(root + "/user/")), m_program(S(root + "/"))
    {
        store.Open(S(root + "/stats.dat"));
    }
    // A path whose directory could not be copied would be relative: none is given then.
    int GetUserDataPath(CVortanString& out, const CVortanString& fileName) override
    {
        out = m_user;
        if (out.IsEmpty())
            return VORTAN_E_NOMEMORY;
        out.Append(fileName);
        return VORTAN_OK;
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = m_program;
        if (!out.IsEmpty())
            out.Append(fileName);
    }
    COrloStatsStore* GetSettings() override { return &store; }
    COrloStatsStore store;

private:
    CVortanString m_user, m_program;
};

std::string PackText(const char* name, const char* code, int texts)
{
    std::string text = std::string("NAME=") + name + "\r\nCODE=" + code +
                       "\r\nFLAGS=VE_TEXT_RIGHT\r\nSPECIAL_CHARS=0\r\n";
    for (int i = 0; i < texts; ++i)
        if (i != 3)
            text += std::to_string(i) + "=" + code + " text number " + std::to_string(i) +
                    (i % 5 == 0 ? "\\nsecond line" : "") + "\r\n";
    return text;
}

std::vector<std::string> Texts(const COrloLanguage& language, int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(Ascii(language.GetText(i)));
    return out;
}

} // namespace

TEST(OutOfMemory, LanguagePacksLoadWholeOrKeepTheCurrentTable)
{
    vtest::TempDir dir;
    mkdir(dir.File("user").c_str(), 0700);
    const char* names[][2] = {{"English", "en"}, {"Deutsch", "de"}, {"Suomi", "fi"}};
    for (int i = 0; i < 3; ++i) {
        char file[64];
        snprintf(file, sizeof file, "/orlolanguage_%04d.dmp", i);
        ASSERT_TRUE(vtest::WriteWholeFile(
            dir.Path() + file,
            vtest::MakePack({{"/texts.txt", Utf16(PackText(names[i][0], names[i][1], 40))}})));
    }
    const CVortanString base = S("orlolanguage");
    std::vector<std::vector<std::string>> expected(3);
    {
        Host host(dir.Path());
        COrloLanguage language;
        ASSERT_EQ(VORTAN_OK, language.Init(&host, base));
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(VORTAN_OK, language.SetLanguage(S(names[i][1])));
            expected[(size_t)i] = Texts(language, 42);
        }
        ASSERT_EQ("X-X", expected[0][40]);
        ASSERT_EQ("", expected[0][3]);
        ASSERT_EQ("en text number 5\nsecond line", expected[0][5]);
        language.SetLanguage(S("en"));
    }

    // Init: the scan ends at a pack that cannot be read, so fewer languages may come; the
    // current one's table is whole.
    long points = EachAllocationFails([&](long n) {
        Host host(dir.Path());
        COrloLanguage language;
        int result;
        {
            FailingAllocation failing(n);
            result = language.Init(&host, base);
        }
        CVortanStringArray codes;
        language.GetLanguageCodes(codes);
        EXPECT_LE(codes.GetSize(), 3) << n;
        if (result == VORTAN_OK) {
            ASSERT_GE(codes.GetSize(), 1) << n;
            EXPECT_EQ("en", Ascii(codes[0])) << n;
            EXPECT_EQ(expected[0], Texts(language, 42)) << n;
        } else {
            EXPECT_TRUE(result == VORTAN_E_NOMEMORY || result == VORTAN_E_MISSING)
                << n << ": " << result;
            EXPECT_EQ("X-X", Ascii(language.GetText(0))) << n;
        }
        language.ClearLanguages();
        host.store.Clear();
    });
    EXPECT_GE(points, 150);

    // Choosing another language: its whole table, or the previous one untouched.
    points = EachAllocationFails([&](long n) {
        Host host(dir.Path());
        COrloLanguage language;
        ASSERT_EQ(VORTAN_OK, language.Init(&host, base));
        ASSERT_EQ(VORTAN_OK, language.SetLanguage(S("en")));
        const CVortanString wanted = S("Deutsch");
        int result;
        {
            FailingAllocation failing(n);
            result = language.SetLanguage(wanted);
        }
        if (result == VORTAN_OK) {
            EXPECT_EQ(expected[1], Texts(language, 42)) << n;
        } else {
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
            EXPECT_EQ(expected[0], Texts(language, 42)) << n;
        }
        language.ClearLanguages();
        host.store.Clear();
    });
    EXPECT_GE(points, 80);
}

// ---- UTF-8 text ----

TEST(OutOfMemory, Utf8AssignmentGivesTheTextOrNothing)
{
    // Every length of sequence, a surrogate pair among them.
    const char* text = "Gr\xC3\xBC\xC3\x9F"
                       "e \xE2\x82\xAC 20, \xF0\x9F\x98\x80 und "
                       "eine lange Zeile, die gr\xC3\xB6\xC3\x9F"
                       "er als der Puffer im Objekt ist.";
    CVortanString reference;
    reference.AssignUTF8(text, -1);
    ASSERT_GT(reference.GetLength(), 60);
    long points = EachAllocationFails([&](long n) {
        CVortanString s(L"previous content");
        {
            FailingAllocation failing(n);
            s.AssignUTF8(text, -1);
        }
        EXPECT_TRUE(s == reference || s.IsEmpty()) << n;
    });
    EXPECT_GE(points, 2);
}

// ---- bitmap font descriptions ----

TEST(OutOfMemory, FontDescriptionLoadsWholeOrFails)
{
    std::string xml = "<font><info face=\"Orlo\" size=\"24\"/><common lineHeight=\"28\" "
                      "base=\"22\"/><pages><page id=\"0\" file=\"orlo_normal_0.png\"/>"
                      "<page id=\"1\" file=\"orlo_normal_1.png\"/></pages><chars count=\"6\">";
    for (int i = 0; i < 6; ++i)
        xml += "<char id=\"" + std::to_string(65 + i) + "\" x=\"" + std::to_string(10 * i) +
               "\" y=\"2\" width=\"9\" height=\"20\" xoffset=\"1\" yoffset=\"3\" xadvance=\"11\" "
               "page=\"" +
               std::to_string(i % 2) + "\"/>";
    xml += "</chars></font>";
    std::vector<char> bytes(xml.begin(), xml.end());
    CVortanXMLDataNode root;
    ASSERT_EQ(VORTAN_OK, root.LoadMemory(bytes.data(), (int)bytes.size()));

    auto describe = [](const CVortanBitmapFont& font) {
        std::string out = std::to_string(font.GetRawLineHeight()) + " pages";
        for (int i = 0; i < font.GetPageCount(); ++i)
            out += " " + Ascii(font.GetPage(i)->file);
        for (int i = 0; i < font.GetGlyphCount(); ++i) {
            const CVortanGlyph* g = font.GetGlyph(i);
            char line[128];
            snprintf(line, sizeof line, " [%d %d %d %d %d %d %d %d %d]", g->id, g->x, g->y,
                     g->width, g->height, g->xoffset, g->yoffset, g->xadvance, g->page);
            out += line;
        }
        return out;
    };
    std::string expected;
    {
        CVortanBitmapFont font;
        ASSERT_EQ(VORTAN_OK, font.LoadXML(&root));
        expected = describe(font);
        font.Unload();
    }
    ASSERT_NE(std::string::npos, expected.find("orlo_normal_1.png [65 0 2 9 20 1 3 11 0]"));

    long points = EachAllocationFails([&](long n) {
        CVortanBitmapFont font;
        int result;
        {
            FailingAllocation failing(n);
            result = font.LoadXML(&root);
        }
        if (result == VORTAN_OK)
            EXPECT_EQ(expected, describe(font)) << n;
        else
            EXPECT_EQ(VORTAN_E_NOMEMORY, result) << n;
        font.Unload();
    });
    EXPECT_GE(points, 6);
}
