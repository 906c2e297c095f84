// CVortanString: construction, invariants, comparison, search, editing and the file form.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanString.h"
#include "tests/support/TestSupport.h"

namespace {

typedef unsigned short unit;

std::u16string Text(const CVortanString& s)
{
    const unit* b = s.GetBuffer();
    return b ? std::u16string((const char16_t*)b, (size_t)s.GetLength()) : std::u16string();
}

CVortanString Str(const char16_t* text)
{
    return CVortanString((const unit*)text);
}

// A string holds nothing at all when it is empty: no buffer, length 0.
void ExpectNull(const CVortanString& s)
{
    EXPECT_EQ(nullptr, s.GetBuffer());
    EXPECT_EQ(0, s.GetLength());
    EXPECT_TRUE(s.IsEmpty());
}

TEST(StringConstruct, EmptyInputsHoldNoBuffer)
{
    ExpectNull(CVortanString(L""));
    ExpectNull(CVortanString((const wchar_t*)nullptr));
    ExpectNull(CVortanString((const char*)nullptr));
    ExpectNull(CVortanString((const unit*)nullptr));
    ExpectNull(CVortanString((const CVortanString*)nullptr));
    CVortanString s(L"abc");
    EXPECT_EQ(nullptr, s.AllocBuffer(1));
    ExpectNull(s);
    s = L"abc";
    s = L"";
    ExpectNull(s);
    // A buffer of n units holds n - 1 and the NUL.
    s = L"old";
    unit* b = s.AllocBuffer(4);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(3, s.GetLength());
    EXPECT_EQ(0, b[3]);
}

TEST(StringConstruct, WideNarrowsAndBytesWiden)
{
    // A 4-byte wide unit keeps its low 16 bits; an 8-bit byte becomes the Latin-1 unit.
    const wchar_t wide[] = {0x41, 0x1F600, 0x10041, 0};
    EXPECT_EQ(u"A\xF600"
              u"A",
              Text(CVortanString(wide)));
    EXPECT_EQ(u"caf\u00E9\u00FF", Text(CVortanString("caf\xE9\xFF")));
}

TEST(StringConstruct, LongInputIsCutAt511999)
{
    const int n = 600000;
    std::vector<wchar_t> wide(n + 1, L'w');
    wide[n] = 0;
    EXPECT_EQ(511999, CVortanString(wide.data()).GetLength());
    std::vector<char> bytes(n + 1, 'b');
    bytes[n] = 0;
    CVortanString b(bytes.data());
    EXPECT_EQ(511999, b.GetLength());
    EXPECT_EQ(0, b.GetBuffer()[511999]);
    bytes[511999] = 0; // exactly the limit is kept whole
    EXPECT_EQ(511999, CVortanString(bytes.data()).GetLength());
    std::vector<unit> units(n + 1, 'u');
    units[n] = 0;
    EXPECT_EQ(511999, CVortanString(units.data()).GetLength());
    CVortanString f;
    f.Format(L"%s", units.data());
    EXPECT_EQ(n, f.GetLength()); // the formatter's %s is not a constructor input
}

TEST(StringConstruct, CopiesAreDeepAndSelfAssignmentIsSafe)
{
    CVortanString a(L"deep");
    CVortanString b(a), c(&a), d;
    d = a;
    a.SetAt(0, 'k');
    EXPECT_EQ(u"keep", Text(a));
    for (auto* copy : {&b, &c, &d})
        EXPECT_EQ(u"deep", Text(*copy));
    CVortanString s(L"same");
    const unit* before = s.GetBuffer();
    s = s;
    s.Assign(s);
    EXPECT_EQ(before, s.GetBuffer());
    EXPECT_EQ(u"same", Text(s));
    // Assigning a tail of its own buffer must copy before freeing.
    s = s.GetBuffer() + 2;
    EXPECT_EQ(u"me", Text(s));
    s += s;
    EXPECT_EQ(u"meme", Text(s));
}

TEST(StringConstruct, SubstringTakesAndClamps)
{
    CVortanString src(L"host:5000");
    EXPECT_EQ(u"host", Text(CVortanString(src, 0, 4)));
    EXPECT_EQ(u"5000", Text(CVortanString(src, 5, -1)));
    // Out-of-range requests are clamped to the source instead of reading past it.
    EXPECT_EQ(u"5000", Text(CVortanString(src, 5, 100)));
    EXPECT_EQ(u"ho", Text(CVortanString(src, -3, 2)));
    ExpectNull(CVortanString(src, 9, -1));
    ExpectNull(CVortanString(src, 50, 2));
    ExpectNull(CVortanString(src, 2, -7));
    ExpectNull(CVortanString(CVortanString(), 3, 5));
}

TEST(StringCompare, OrdinalAndNoCase)
{
    EXPECT_EQ(-1, CVortanString(L"ab").Compare(CVortanString(L"abc")));
    EXPECT_EQ(1, CVortanString(L"abc").Compare(CVortanString(L"ab")));
    EXPECT_EQ(1, CVortanString(L"b").Compare(CVortanString(L"abc")));
    EXPECT_EQ(-1, CVortanString().Compare(CVortanString(L"a")));
    EXPECT_EQ(1, CVortanString(L"a").Compare(CVortanString()));
    // Units compare unsigned: 0xFFFF is above 'z'.
    EXPECT_EQ(1, Str(u"\xFFFF").Compare(CVortanString(L"z")));
    EXPECT_EQ(-1, CVortanString(L"Z").Compare(CVortanString(L"a")));
    EXPECT_EQ(0, CVortanString(L"ABC").CompareNoCase(CVortanString(L"abc")));
    // 215..222 stay as they are; 191 is lowered to 223.
    for (unit u = 215; u <= 222; u++) {
        unit upper[2] = {u, 0};
        unit lower[2] = {(unit)(u + 32), 0};
        EXPECT_NE(0, CVortanString(upper).CompareNoCase(CVortanString(lower))) << u;
    }
    EXPECT_EQ(0, Str(u"\u00BF").CompareNoCase(Str(u"\u00DF")));
    EXPECT_EQ(0, Str(u"\u00C0\u00D6").CompareNoCase(Str(u"\u00E0\u00F6")));
}

TEST(StringCase, MakeLowerAndUpperAsTabled)
{
    std::vector<unit> all;
    for (int u = 1; u <= 300; u++)
        all.push_back((unit)u);
    all.push_back(0);
    CVortanString lower(all.data());
    CVortanString upper(all.data());
    lower.MakeLower();
    upper.MakeUpper();
    for (int u = 1; u <= 300; u++) {
        const bool lowers = (u >= 65 && u <= 90) || (u >= 191 && u <= 214);
        const bool raises = (u >= 97 && u <= 122) || (u >= 225 && u <= 246);
        EXPECT_EQ(lowers ? u + 32 : u, lower.GetAt(u - 1)) << u;
        EXPECT_EQ(raises ? u - 32 : u, upper.GetAt(u - 1)) << u;
    }
}

TEST(StringSearch, FindAndReverseFind)
{
    CVortanString s(L"a.b.c");
    EXPECT_EQ(3, s.Find('.', 2));
    EXPECT_EQ(1, s.Find('.', -5));
    EXPECT_EQ(-1, s.Find('x'));
    EXPECT_EQ(-1, s.Find('.', 100));
    EXPECT_EQ(-1, CVortanString().Find('a'));
    EXPECT_EQ(3, s.ReverseFind('.'));
    EXPECT_EQ(3, s.ReverseFind('.', -1));
    EXPECT_EQ(1, s.ReverseFind('.', 2));
    EXPECT_EQ(0, s.ReverseFind('a', 4));
    EXPECT_EQ(-1, s.ReverseFind('c', 3));
    EXPECT_EQ(-1, s.ReverseFind('.', -2));
    EXPECT_EQ(-1, s.ReverseFind('.', 6));
    EXPECT_EQ(-1, CVortanString().ReverseFind('a'));
}

TEST(StringSearch, FindString)
{
    CVortanString s(L"abcabc");
    EXPECT_EQ(3, s.FindString(CVortanString(L"abc"), 1));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"abc"), 4));
    EXPECT_EQ(0, s.FindString(CVortanString(L"abc"), -9));
    EXPECT_EQ(4, s.FindString(CVortanString(L"bc"), 2));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"abcabcd")));
    EXPECT_EQ(-1, s.FindString(CVortanString()));
    EXPECT_EQ(-1, CVortanString().FindString(CVortanString(L"a")));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"c"), 7));
    EXPECT_EQ(1, CVortanString(L"guest123").StartsWith(CVortanString(L"guest")));
    EXPECT_EQ(0, CVortanString(L"myguest").StartsWith(CVortanString(L"guest")));
    EXPECT_EQ(0, CVortanString(L"gue").StartsWith(CVortanString(L"guest")));
    EXPECT_EQ(0, CVortanString(L"x").StartsWith(CVortanString()));
    EXPECT_EQ(1, CVortanString(L".dmp").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(0, CVortanString(L"x.dmpx").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(0, CVortanString(L"dmp").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(0, CVortanString(L"x").EndsWith(CVortanString()));
}

TEST(StringEdit, SetAtAppendAndSetLength)
{
    CVortanString s(L"abc");
    s.SetAt(1, 'X');
    s.SetAt(-1, 'Y');
    s.SetAt(3, 'Z');
    EXPECT_EQ(u"aXc", Text(s));
    CVortanString e;
    e.SetAt(0, 'q');
    ExpectNull(e);
    e.AppendChar('q');
    e.AppendChar(0x20AC);
    e.Append(CVortanString());
    e += CVortanString(L"+s");
    EXPECT_EQ(u"q\u20AC+s", Text(e));
    s.SetLength(5); // pads with spaces
    EXPECT_EQ(u"aXc  ", Text(s));
    s.SetLength(1);
    EXPECT_EQ(u"a", Text(s));
    s.SetLength(-3);
    ExpectNull(s);
}

TEST(StringEdit, ReplaceFirstAndAll)
{
    CVortanString s(L"a-b-c");
    EXPECT_EQ(1, s.ReplaceFirst(CVortanString(L"-"), CVortanString(L"+")));
    EXPECT_EQ(u"a+b-c", Text(s));
    EXPECT_EQ(0, s.ReplaceFirst(CVortanString(L"a+"), CVortanString(L"long prefix ")));
    EXPECT_EQ(-1, s.ReplaceFirst(CVortanString(L"zz"), CVortanString(L"y")));
    EXPECT_EQ(-1, s.ReplaceFirst(CVortanString(), CVortanString(L"y")));
    EXPECT_EQ(u"long prefix b-c", Text(s));
    s = L"gone";
    EXPECT_EQ(0, s.ReplaceFirst(CVortanString(L"gone"), CVortanString()));
    ExpectNull(s);
    s = L"a-b-c";
    EXPECT_EQ(2, s.ReplaceAll(CVortanString(L"-"), CVortanString(L"+")));
    EXPECT_EQ(u"a+b+c", Text(s));
    EXPECT_EQ(0, s.ReplaceAll(CVortanString(L"q"), CVortanString(L"r")));
    EXPECT_EQ(0, s.ReplaceAll(CVortanString(), CVortanString(L"r")));
    EXPECT_EQ(u"a+b+c", Text(s));
    // A replacement that contains what it replaces: the search goes on after it, so this ends.
    s = L"aaa";
    EXPECT_EQ(3, s.ReplaceAll(CVortanString(L"a"), CVortanString(L"aa")));
    EXPECT_EQ(u"aaaaaa", Text(s));
    s = L"%s and %s";
    EXPECT_EQ(2, s.ReplaceAll(CVortanString(L"%s"), CVortanString(L"<%s>")));
    EXPECT_EQ(u"<%s> and <%s>", Text(s));
    // Occurrences do not overlap.
    s = L"aaaa";
    EXPECT_EQ(2, s.ReplaceAll(CVortanString(L"aa"), CVortanString(L"b")));
    EXPECT_EQ(u"bb", Text(s));
    s = L"::";
    EXPECT_EQ(2, s.ReplaceAll(CVortanString(L":"), CVortanString()));
    ExpectNull(s);
}

TEST(StringConvert, ToAsciiAndIntegers)
{
    CVortanString s = Str(u"A\u00E9\u20AC");
    EXPECT_EQ(4, s.ToAscii(nullptr));
    char out[8];
    memset(out, 'x', sizeof(out));
    EXPECT_EQ(4, s.ToAscii(out));
    EXPECT_EQ(0, memcmp(out, "A\xE9\xAC\0x", 5));
    // The empty string writes one NUL, so its size query answers 1; the write itself answers 0.
    CVortanString e;
    EXPECT_EQ(1, e.ToAscii(nullptr));
    char* exact = new char[e.ToAscii(nullptr)];
    EXPECT_EQ(0, e.ToAscii(exact));
    EXPECT_EQ(0, exact[0]);
    delete[] exact;
    s.FromInteger(0, 10);
    EXPECT_EQ(u"0", Text(s));
    s.FromInteger(-2147483647 - 1, 10);
    EXPECT_EQ(u"-2147483648", Text(s));
    s.FromInteger(-255, 16);
    EXPECT_EQ(u"-ff", Text(s));
    s.FromUnsigned(4294967295u, 10);
    EXPECT_EQ(u"4294967295", Text(s));
}

// A memory file over `block`, open for reading and writing.
struct MemoryFile {
    std::vector<unsigned char> block;
    CVortanFile file;
    explicit MemoryFile(size_t size) : block(size, 0xCC)
    {
        EXPECT_EQ(VORTAN_OK,
                  file.OpenMemory(block.data(), (int)size, VORTAN_FILE_READ | VORTAN_FILE_WRITE));
    }
};

TEST(StringFile, WriteLayoutIsCountThenLittleEndianUnits)
{
    MemoryFile m(16);
    EXPECT_EQ(4 + 6, Str(u"h\u00E9\u20AC").WriteToFile(&m.file));
    const unsigned char expect[] = {3, 0, 0, 0, 'h', 0, 0xE9, 0, 0xAC, 0x20};
    EXPECT_EQ(0, memcmp(expect, m.block.data(), sizeof(expect)));
    EXPECT_EQ(0xCC, m.block[10]);
    m.file.Seek(0, VORTAN_SEEK_SET);
    CVortanString back(L"junk");
    EXPECT_EQ(10, back.ReadFromFile(&m.file));
    EXPECT_EQ(u"h\u00E9\u20AC", Text(back));
    EXPECT_EQ(10, m.file.GetPosition());
}

TEST(StringFile, CountBeyondTheFileIsRefused)
{
    // Count 0x7FFFFFFF with 4 bytes after it: nothing is allocated, the position is kept.
    std::vector<unsigned char> block = {0xFF, 0xFF, 0xFF, 0x7F, 'a', 0, 'b', 0};
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block.data(), (int)block.size(), VORTAN_FILE_READ));
    CVortanString s(L"old");
    EXPECT_EQ(0, s.ReadFromFile(&file));
    ExpectNull(s);
    EXPECT_EQ(0, file.GetPosition());
    // {count, bytes of the file, result}: one unit more than the bytes left; exactly enough; a
    // count cut short by the end of the file reads what is there.
    const int cases[][3] = {{3, 8, 0}, {2, 8, 8}, {2, 3, 3}};
    for (auto& c : cases) {
        block = {(unsigned char)c[0], 0, 0, 0, 'a', 0, 'b', 0};
        CVortanFile f;
        ASSERT_EQ(VORTAN_OK, f.OpenMemory(block.data(), c[1], VORTAN_FILE_READ));
        EXPECT_EQ(c[2], s.ReadFromFile(&f));
        EXPECT_EQ(c[2] == 8 ? u"ab" : u"", Text(s));
    }
    EXPECT_EQ(0, s.ReadFromFile(nullptr));
    EXPECT_EQ(0, CVortanString(L"x").WriteToFile(nullptr));
}

TEST(StringFile, RoundTripsThroughADiskFile)
{
    vtest::TempDir dir;
    const std::string path = dir.File("strings.bin");
    std::vector<unit> big(10000);
    for (size_t i = 0; i < big.size(); i++)
        big[i] = (unit)(1 + i * 7);
    big.back() = 0;
    CVortanString a = Str(u"first \u00E9"), b(big.data()), c;
    {
        CVortanFile f;
        ASSERT_EQ(VORTAN_OK, f.Open(CVortanString(path.c_str()), VORTAN_FILE_WRITE));
        EXPECT_EQ(4 + 14, a.WriteToFile(&f));
        EXPECT_EQ(4 + 2 * 9999, b.WriteToFile(&f));
        EXPECT_EQ(4, c.WriteToFile(&f));
    }
    EXPECT_EQ((size_t)(18 + 4 + 2 * 9999 + 4), vtest::ReadWholeFile(path).size());
    CVortanFile f;
    ASSERT_EQ(VORTAN_OK, f.Open(CVortanString(path.c_str()), VORTAN_FILE_READ));
    CVortanString ra, rb, rc(L"x");
    EXPECT_EQ(18, ra.ReadFromFile(&f));
    EXPECT_EQ(4 + 2 * 9999, rb.ReadFromFile(&f));
    EXPECT_EQ(4, rc.ReadFromFile(&f));
    EXPECT_TRUE(ra.Compare(a) == 0 && rb.Compare(b) == 0);
    ExpectNull(rc);
    EXPECT_EQ(0, rc.ReadFromFile(&f)); // at the end: nothing more
}

TEST(AllocationHooks, TrackingPassesThroughAndTheEmptyObjectTakesOneByte)
{
    int value = 3;
    EXPECT_EQ(&value, TrackAllocation(&value, sizeof value, "x", 1));
    EXPECT_EQ(nullptr, TrackAllocation(nullptr, 0, nullptr, 0));
    static_assert(sizeof(SVortanEmpty) == 1, "an empty object takes one byte");
    SVortanEmpty* a = VortanAllocEmpty();
    SVortanEmpty* b = VortanAllocEmpty();
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    delete a;
    delete b;
    ShutdownHook(); // callable at any time, also twice
    ShutdownHook();
}

} // namespace
