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

std::u16string Text(const CVortanString& s) {
    const unit* b = s.GetBuffer();
    return b ? std::u16string((const char16_t*)b, (size_t)s.GetLength()) : std::u16string();
}

CVortanString Str(const char16_t* text) { return CVortanString((const unit*)text); }

// A string holds nothing at all when it is empty: no buffer, length 0.
void ExpectNull(const CVortanString& s) {
    EXPECT_EQ(nullptr, s.GetBuffer());
    EXPECT_EQ(0, s.GetLength());
    EXPECT_TRUE(s.IsEmpty());
}

TEST(StringConstruct, EmptyInputsHoldNoBuffer) {
    ExpectNull(CVortanString());
    ExpectNull(CVortanString(L""));
    ExpectNull(CVortanString((const wchar_t*)nullptr));
    ExpectNull(CVortanString((const char*)nullptr));
    ExpectNull(CVortanString(""));
    ExpectNull(CVortanString((const unit*)nullptr));
    ExpectNull(CVortanString((const CVortanString*)nullptr));
    CVortanString s(L"abc");
    EXPECT_EQ(nullptr, s.AllocBuffer(1));
    ExpectNull(s);
    s = L"abc";
    EXPECT_EQ(nullptr, s.AllocBuffer(0));
    ExpectNull(s);
    s = L"abc";
    s = L"";
    ExpectNull(s);
}

TEST(StringConstruct, WideNarrowsAndBytesWiden) {
    // A 4-byte wide unit keeps its low 16 bits; an 8-bit byte becomes the Latin-1 unit.
    const wchar_t wide[] = {0x41, 0x1F600, 0x10041, 0};
    EXPECT_EQ(u"A\xF600" u"A", Text(CVortanString(wide)));
    EXPECT_EQ(u"caf\u00E9\u00FF", Text(CVortanString("caf\xE9\xFF")));
    CVortanString s(L"hello");
    EXPECT_EQ(5, s.GetLength());
    EXPECT_EQ(0, s.GetBuffer()[5]);
}

TEST(StringConstruct, LongInputIsCutAt511999) {
    const int n = 600000;
    std::vector<wchar_t> wide(n + 1, L'w');
    wide[n] = 0;
    EXPECT_EQ(511999, CVortanString(wide.data()).GetLength());
    std::vector<char> bytes(n + 1, 'b');
    bytes[n] = 0;
    CVortanString b(bytes.data());
    EXPECT_EQ(511999, b.GetLength());
    EXPECT_EQ(0, b.GetBuffer()[511999]);
    std::vector<unit> units(n + 1, 'u');
    units[n] = 0;
    EXPECT_EQ(511999, CVortanString(units.data()).GetLength());
    CVortanString f;
    f.Format(L"%s", units.data());
    EXPECT_EQ(n, f.GetLength());  // the formatter's %s is not a constructor input
    // Exactly the limit is kept whole.
    std::vector<char> exact(511999 + 1, 'e');
    exact[511999] = 0;
    EXPECT_EQ(511999, CVortanString(exact.data()).GetLength());
}

TEST(StringConstruct, CopiesAreDeep) {
    CVortanString a(L"deep");
    CVortanString b(a);
    CVortanString c(&a);
    CVortanString d;
    d = a;
    EXPECT_NE(a.GetBuffer(), b.GetBuffer());
    EXPECT_NE(a.GetBuffer(), c.GetBuffer());
    EXPECT_NE(a.GetBuffer(), d.GetBuffer());
    a.SetAt(0, 'k');
    EXPECT_EQ(u"keep", Text(a));
    EXPECT_EQ(u"deep", Text(b));
    EXPECT_EQ(u"deep", Text(c));
    EXPECT_EQ(u"deep", Text(d));
    CVortanString* heap = CVortanString::Create();
    ASSERT_NE(nullptr, heap);
    ExpectNull(*heap);
    delete heap;
}

TEST(StringConstruct, SelfAndOverlappingAssignment) {
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

TEST(StringConstruct, SubstringTakesAndClamps) {
    CVortanString src(L"host:5000");
    EXPECT_EQ(u"host", Text(CVortanString(src, 0, 4)));
    EXPECT_EQ(u"5000", Text(CVortanString(src, 5, -1)));
    EXPECT_EQ(u"st:", Text(CVortanString(src, 2, 3)));
    // Out-of-range requests are clamped to the source instead of reading past it.
    EXPECT_EQ(u"5000", Text(CVortanString(src, 5, 100)));
    EXPECT_EQ(u"ho", Text(CVortanString(src, -3, 2)));
    ExpectNull(CVortanString(src, 9, -1));
    ExpectNull(CVortanString(src, 50, 2));
    ExpectNull(CVortanString(src, 2, -7));
    ExpectNull(CVortanString(src, 2, 0));
    ExpectNull(CVortanString(CVortanString(), 0, -1));
    ExpectNull(CVortanString(CVortanString(), 3, 5));
}

TEST(StringConstruct, AllocBufferGivesTerminatedSpace) {
    CVortanString s(L"old");
    unit* b = s.AllocBuffer(4);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(3, s.GetLength());
    EXPECT_EQ(0, b[3]);
    b[0] = 'n';
    b[1] = 'e';
    b[2] = 'w';
    EXPECT_EQ(u"new", Text(s));
}

TEST(StringCompare, OrdinalWithTerminator) {
    EXPECT_EQ(-1, CVortanString(L"ab").Compare(CVortanString(L"abc")));
    EXPECT_EQ(1, CVortanString(L"abc").Compare(CVortanString(L"ab")));
    EXPECT_EQ(1, CVortanString(L"b").Compare(CVortanString(L"abc")));
    EXPECT_EQ(0, CVortanString().Compare(CVortanString(L"")));
    EXPECT_EQ(-1, CVortanString().Compare(CVortanString(L"a")));
    EXPECT_EQ(1, CVortanString(L"a").Compare(CVortanString()));
    EXPECT_EQ(0, CVortanString(L"same").Compare(CVortanString(L"same")));
    // Units compare unsigned: 0xFFFF is above 'z'.
    EXPECT_EQ(1, Str(u"\xFFFF").Compare(CVortanString(L"z")));
    EXPECT_EQ(-1, CVortanString(L"Z").Compare(CVortanString(L"a")));
    EXPECT_TRUE(CVortanString(L"ab") < CVortanString(L"abc"));
    EXPECT_TRUE(CVortanString(L"x") == CVortanString("x"));
    EXPECT_TRUE(CVortanString(L"x") != CVortanString("y"));
}

TEST(StringCompare, NoCaseFollowsTheLoweringTable) {
    EXPECT_EQ(0, CVortanString(L"ABC").CompareNoCase(CVortanString(L"abc")));
    // 215..222 stay as they are; 191 is lowered to 223.
    for (unit u = 215; u <= 222; u++) {
        unit upper[2] = {u, 0};
        unit lower[2] = {(unit)(u + 32), 0};
        EXPECT_NE(0, CVortanString(upper).CompareNoCase(CVortanString(lower))) << u;
    }
    EXPECT_EQ(0, Str(u"\u00BF").CompareNoCase(Str(u"\u00DF")));
    EXPECT_EQ(0, Str(u"\u00C0\u00D6").CompareNoCase(Str(u"\u00E0\u00F6")));
    EXPECT_EQ(0, CVortanString().CompareNoCase(CVortanString(L"")));
}

TEST(StringCase, MakeLowerAndUpperAsTabled) {
    std::vector<unit> all;
    for (int u = 1; u <= 300; u++) all.push_back((unit)u);
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
    CVortanString e;
    e.MakeLower();
    e.MakeUpper();
    ExpectNull(e);
}

TEST(StringSearch, Find) {
    CVortanString s(L"a.b.c");
    EXPECT_EQ(1, s.Find('.'));
    EXPECT_EQ(3, s.Find('.', 2));
    EXPECT_EQ(1, s.Find('.', -5));
    EXPECT_EQ(-1, s.Find('x'));
    EXPECT_EQ(-1, s.Find('.', 6));
    EXPECT_EQ(-1, s.Find('.', 100));
    EXPECT_EQ(-1, CVortanString().Find('a'));
}

TEST(StringSearch, ReverseFind) {
    CVortanString s(L"a.b.c");
    EXPECT_EQ(3, s.ReverseFind('.'));
    EXPECT_EQ(3, s.ReverseFind('.', -1));
    EXPECT_EQ(1, s.ReverseFind('.', 2));
    EXPECT_EQ(0, s.ReverseFind('a', 4));
    EXPECT_EQ(-1, s.ReverseFind('c', 3));
    EXPECT_EQ(-1, s.ReverseFind('.', -2));
    EXPECT_EQ(-1, s.ReverseFind('.', 6));
    EXPECT_EQ(-1, CVortanString().ReverseFind('a'));
}

TEST(StringSearch, FindString) {
    CVortanString s(L"abcabc");
    EXPECT_EQ(0, s.FindString(CVortanString(L"abc")));
    EXPECT_EQ(3, s.FindString(CVortanString(L"abc"), 1));
    EXPECT_EQ(3, s.FindString(CVortanString(L"abc"), 3));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"abc"), 4));
    EXPECT_EQ(0, s.FindString(CVortanString(L"abc"), -9));
    EXPECT_EQ(4, s.FindString(CVortanString(L"bc"), 2));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"abcabcd")));
    EXPECT_EQ(-1, s.FindString(CVortanString()));
    EXPECT_EQ(-1, CVortanString().FindString(CVortanString(L"a")));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"cb")));
    EXPECT_EQ(-1, s.FindString(CVortanString(L"c"), 7));
}

TEST(StringSearch, StartsAndEndsWith) {
    EXPECT_EQ(1, CVortanString(L"guest123").StartsWith(CVortanString(L"guest")));
    EXPECT_EQ(0, CVortanString(L"myguest").StartsWith(CVortanString(L"guest")));
    EXPECT_EQ(0, CVortanString(L"gue").StartsWith(CVortanString(L"guest")));
    EXPECT_EQ(0, CVortanString().StartsWith(CVortanString()));
    EXPECT_EQ(0, CVortanString(L"x").StartsWith(CVortanString()));
    EXPECT_EQ(1, CVortanString(L"x.dmp.dmp").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(1, CVortanString(L".dmp").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(0, CVortanString(L"x.dmpx").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(0, CVortanString(L"dmp").EndsWith(CVortanString(L".dmp")));
    EXPECT_EQ(0, CVortanString(L"x").EndsWith(CVortanString()));
}

TEST(StringEdit, SetAtAndAppend) {
    CVortanString s(L"abc");
    s.SetAt(1, 'X');
    s.SetAt(-1, 'Y');
    s.SetAt(3, 'Z');
    EXPECT_EQ(u"aXc", Text(s));
    CVortanString e;
    e.SetAt(0, 'q');
    ExpectNull(e);
    e.AppendChar('q');
    EXPECT_EQ(u"q", Text(e));
    e.AppendChar(0x20AC);
    EXPECT_EQ(u"q\u20AC", Text(e));
    CVortanString t;
    t.Append(CVortanString(L"first"));
    t += CVortanString(L"+second");
    t.Append(CVortanString());
    EXPECT_EQ(u"first+second", Text(t));
    EXPECT_EQ(12, t.GetLength());
}

TEST(StringEdit, SetLengthPadsAndCuts) {
    CVortanString s(L"ab");
    s.SetLength(5);
    EXPECT_EQ(u"ab   ", Text(s));
    s = L"ab";
    s.SetLength(1);
    EXPECT_EQ(u"a", Text(s));
    s.SetLength(0);
    ExpectNull(s);
    s = L"ab";
    s.SetLength(-3);
    ExpectNull(s);
    CVortanString e;
    e.SetLength(2);
    EXPECT_EQ(u"  ", Text(e));
}

TEST(StringEdit, ReplaceFirst) {
    CVortanString s(L"a-b-c");
    EXPECT_EQ(1, s.ReplaceFirst(CVortanString(L"-"), CVortanString(L"+")));
    EXPECT_EQ(u"a+b-c", Text(s));
    EXPECT_EQ(0, s.ReplaceFirst(CVortanString(L"a+"), CVortanString(L"long prefix ")));
    EXPECT_EQ(u"long prefix b-c", Text(s));
    EXPECT_EQ(-1, s.ReplaceFirst(CVortanString(L"zz"), CVortanString(L"y")));
    EXPECT_EQ(-1, s.ReplaceFirst(CVortanString(), CVortanString(L"y")));
    EXPECT_EQ(u"long prefix b-c", Text(s));
    EXPECT_EQ(-1, CVortanString().ReplaceFirst(CVortanString(L"a"), CVortanString(L"b")));
    CVortanString whole(L"gone");
    EXPECT_EQ(0, whole.ReplaceFirst(CVortanString(L"gone"), CVortanString()));
    ExpectNull(whole);
}

TEST(StringEdit, ReplaceAll) {
    CVortanString s(L"a-b-c");
    EXPECT_EQ(2, s.ReplaceAll(CVortanString(L"-"), CVortanString(L"+")));
    EXPECT_EQ(u"a+b+c", Text(s));
    s = L"a-b-c";
    EXPECT_EQ(2, s.ReplaceAll(CVortanString(L"-"), CVortanString()));
    EXPECT_EQ(u"abc", Text(s));
    s = L"xyz";
    EXPECT_EQ(0, s.ReplaceAll(CVortanString(L"q"), CVortanString(L"r")));
    EXPECT_EQ(0, s.ReplaceAll(CVortanString(), CVortanString(L"r")));
    EXPECT_EQ(u"xyz", Text(s));
    // A replacement that contains what it replaces: the search goes on after it, so this ends.
    s = L"a-b";
    EXPECT_EQ(1, s.ReplaceAll(CVortanString(L"-"), CVortanString(L"--")));
    EXPECT_EQ(u"a--b", Text(s));
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

TEST(StringConvert, ToAsciiSizesAndLowBytes) {
    CVortanString s = Str(u"A\u00E9\u20AC");
    EXPECT_EQ(4, s.ToAscii(nullptr));
    char out[8];
    memset(out, 'x', sizeof(out));
    EXPECT_EQ(4, s.ToAscii(out));
    EXPECT_EQ('A', out[0]);
    EXPECT_EQ((char)0xE9, out[1]);
    EXPECT_EQ((char)0xAC, out[2]);
    EXPECT_EQ(0, out[3]);
    EXPECT_EQ('x', out[4]);
    // The empty string writes one NUL, so its size query answers 1; the write itself answers 0.
    CVortanString e;
    EXPECT_EQ(1, e.ToAscii(nullptr));
    char* exact = new char[e.ToAscii(nullptr)];
    exact[0] = 'x';
    EXPECT_EQ(0, e.ToAscii(exact));
    EXPECT_EQ(0, exact[0]);
    delete[] exact;
}

TEST(StringConvert, Integers) {
    CVortanString s;
    s.FromInteger(0, 10);
    EXPECT_EQ(u"0", Text(s));
    s.FromInteger(-1234, 10);
    EXPECT_EQ(u"-1234", Text(s));
    s.FromInteger(-2147483647 - 1, 10);
    EXPECT_EQ(u"-2147483648", Text(s));
    s.FromInteger(2147483647, 10);
    EXPECT_EQ(u"2147483647", Text(s));
    s.FromInteger(-255, 16);
    EXPECT_EQ(u"-ff", Text(s));
    s.FromInteger(0xBEEF, 16);
    EXPECT_EQ(u"beef", Text(s));
    s.FromUnsigned(0xFFFFFFFFu, 16);
    EXPECT_EQ(u"ffffffff", Text(s));
    s.FromUnsigned(4294967295u, 10);
    EXPECT_EQ(u"4294967295", Text(s));
    s.FromUnsigned(0, 16);
    EXPECT_EQ(u"0", Text(s));
}

// A memory file over `block`, open for reading and writing.
struct MemoryFile {
    std::vector<unsigned char> block;
    CVortanFile file;
    explicit MemoryFile(size_t size) : block(size, 0xCC) {
        EXPECT_EQ(1, file.OpenMemory(block.data(), (int)size, VORTAN_FILE_READ | VORTAN_FILE_WRITE));
    }
};

TEST(StringFile, WriteLayoutIsCountThenLittleEndianUnits) {
    MemoryFile m(16);
    EXPECT_EQ(4 + 6, Str(u"h\u00E9\u20AC").WriteToFile(&m.file));
    const unsigned char expect[] = {3, 0, 0, 0, 'h', 0, 0xE9, 0, 0xAC, 0x20};
    EXPECT_EQ(0, memcmp(expect, m.block.data(), sizeof(expect)));
    EXPECT_EQ(0xCC, m.block[10]);
    EXPECT_EQ(10, m.file.GetPosition());
    m.file.Seek(0, VORTAN_SEEK_SET);
    CVortanString back(L"junk");
    EXPECT_EQ(10, back.ReadFromFile(&m.file));
    EXPECT_EQ(u"h\u00E9\u20AC", Text(back));
    EXPECT_EQ(10, m.file.GetPosition());
}

TEST(StringFile, EmptyStringIsAZeroCount) {
    MemoryFile m(8);
    EXPECT_EQ(4, CVortanString().WriteToFile(&m.file));
    EXPECT_EQ(0, m.block[0] | m.block[1] | m.block[2] | m.block[3]);
    m.file.Seek(0, VORTAN_SEEK_SET);
    CVortanString back(L"junk");
    EXPECT_EQ(4, back.ReadFromFile(&m.file));
    ExpectNull(back);
}

TEST(StringFile, CountBeyondTheFileIsRefused) {
    // Count 0x7FFFFFFF with 4 bytes after it: nothing is allocated, the position is kept.
    std::vector<unsigned char> block = {0xFF, 0xFF, 0xFF, 0x7F, 'a', 0, 'b', 0};
    CVortanFile file;
    ASSERT_EQ(1, file.OpenMemory(block.data(), (int)block.size(), VORTAN_FILE_READ));
    CVortanString s(L"old");
    EXPECT_EQ(0, s.ReadFromFile(&file));
    ExpectNull(s);
    EXPECT_EQ(0, file.GetPosition());
    // One unit more than the bytes left.
    block = {3, 0, 0, 0, 'a', 0, 'b', 0};
    CVortanFile file2;
    ASSERT_EQ(1, file2.OpenMemory(block.data(), (int)block.size(), VORTAN_FILE_READ));
    EXPECT_EQ(0, s.ReadFromFile(&file2));
    ExpectNull(s);
    // Exactly enough is accepted.
    block[0] = 2;
    CVortanFile file3;
    ASSERT_EQ(1, file3.OpenMemory(block.data(), (int)block.size(), VORTAN_FILE_READ));
    EXPECT_EQ(8, s.ReadFromFile(&file3));
    EXPECT_EQ(u"ab", Text(s));
    // A count cut short by the end of the file reads what is there.
    CVortanFile file4;
    ASSERT_EQ(1, file4.OpenMemory(block.data(), 3, VORTAN_FILE_READ));
    EXPECT_EQ(3, s.ReadFromFile(&file4));
    ExpectNull(s);
    EXPECT_EQ(0, s.ReadFromFile(nullptr));
    EXPECT_EQ(0, CVortanString(L"x").WriteToFile(nullptr));
}

TEST(StringFile, RoundTripsThroughADiskFile) {
    vtest::TempDir dir;
    const std::string path = dir.File("strings.bin");
    std::vector<unit> big(10000);
    for (size_t i = 0; i < big.size(); i++) big[i] = (unit)(1 + i * 7);
    big.back() = 0;
    CVortanString a = Str(u"first \u00E9"), b(big.data()), c;
    {
        CVortanFile f;
        ASSERT_EQ(1, f.Open(CVortanString(path.c_str()), VORTAN_FILE_WRITE));
        EXPECT_EQ(4 + 14, a.WriteToFile(&f));
        EXPECT_EQ(4 + 2 * 9999, b.WriteToFile(&f));
        EXPECT_EQ(4, c.WriteToFile(&f));
    }
    EXPECT_EQ((size_t)(18 + 4 + 2 * 9999 + 4), vtest::ReadWholeFile(path).size());
    CVortanFile f;
    ASSERT_EQ(1, f.Open(CVortanString(path.c_str()), VORTAN_FILE_READ));
    CVortanString ra, rb, rc(L"x");
    EXPECT_EQ(18, ra.ReadFromFile(&f));
    EXPECT_EQ(4 + 2 * 9999, rb.ReadFromFile(&f));
    EXPECT_EQ(4, rc.ReadFromFile(&f));
    EXPECT_EQ(0, ra.Compare(a));
    EXPECT_EQ(0, rb.Compare(b));
    ExpectNull(rc);
    EXPECT_EQ(0, rc.ReadFromFile(&f));  // at the end: nothing more
}

TEST(StringHooks, AllocationHooks) {
    int x = 0;
    EXPECT_EQ(&x, TrackAllocation(&x, sizeof(x), "VortanSound/VortanSoundEngine", 42));
    EXPECT_EQ(nullptr, TrackAllocation(nullptr, 0, nullptr, 0));
    void* p = VortanAllocEmpty();
    ASSERT_NE(nullptr, p);
    ::operator delete(p);
    ShutdownHook();
}

} // namespace
