// CVortanString: UTF-8 encoding and decoding against Python's codecs, and bounded decoding.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "tests/support/TestSupport.h"

namespace {

typedef unsigned short unit;

std::u16string Text(const CVortanString& s)
{
    const unit* b = s.GetBuffer();
    return b ? std::u16string((const char16_t*)b, (size_t)s.GetLength()) : std::u16string();
}

std::string FromHex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += (char)strtoul(hex.substr(i, 2).c_str(), nullptr, 16);
    return out;
}

std::string Encode(const CVortanString& s)
{
    const int n = s.ToUTF8(nullptr);
    std::vector<char> out(n);
    EXPECT_EQ(n, s.ToUTF8(out.data()));
    EXPECT_EQ(0, out[n - 1]);
    return std::string(out.data(), (size_t)n - 1);
}

// Decodes bytes held in a heap block of exactly their size with no terminator, so that a
// read past the given length is caught by AddressSanitizer.
std::u16string DecodeExact(const std::string& bytes)
{
    char* block = new char[bytes.size() ? bytes.size() : 1];
    memcpy(block, bytes.data(), bytes.size());
    CVortanString s(L"previous");
    s.AssignUTF8(block, (int)bytes.size());
    delete[] block;
    return Text(s);
}

std::string RunPython(const char* script)
{
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", script}, &out));
    return out;
}

TEST(StringUtf8, EveryUnitMatchesPythonAndRoundTrips)
{
    const std::string out =
        RunPython("import sys\n"
                  "for u in range(1, 0x10000):\n"
                  "    sys.stdout.write(chr(u).encode('utf-8', 'surrogatepass').hex() + '\\n')\n");
    std::istringstream lines(out);
    std::string hex;
    int u = 1, failures = 0;
    std::string all;
    while (std::getline(lines, hex)) {
        const std::string expect = FromHex(hex);
        all += expect;
        CVortanString s;
        s.AppendChar((unit)u);
        const std::string got = Encode(s);
        CVortanString back;
        back.AssignUTF8(got.data(), (int)got.size());
        if ((got != expect || back.GetLength() != 1 || back.GetAt(0) != u) && failures++ < 10)
            ADD_FAILURE() << "unit " << std::hex << u;
        u++;
    }
    EXPECT_EQ(0x10000, u);
    // The same as one text: all units in a row encode to the concatenation and decode back,
    // through both the counted and the NUL-terminated form.
    std::vector<unit> units;
    for (int k = 1; k < 0x10000; k++)
        units.push_back((unit)k);
    units.push_back(0);
    CVortanString whole(units.data());
    ASSERT_EQ(0xFFFF, whole.GetLength());
    EXPECT_EQ(all, Encode(whole));
    CVortanString back;
    back.AssignUTF8(all.data(), (int)all.size());
    EXPECT_EQ(0, back.Compare(whole));
    back.AssignUTF8(all.c_str(), -1);
    EXPECT_EQ(0, back.Compare(whole));
}

TEST(StringUtf8, ListedCases)
{
    unit euro[] = {0x20AC, 0};
    CVortanString s(euro);
    char out[8];
    memset(out, 0x55, sizeof(out));
    EXPECT_EQ(4, s.ToUTF8(out));
    EXPECT_EQ(0, memcmp("\xE2\x82\xAC", out, 4));
    EXPECT_EQ(0x55, out[4]);
    EXPECT_EQ(1, CVortanString().ToUTF8(out));
    EXPECT_EQ(0, out[0]);
}

TEST(StringUtf8, FourByteSequencesBecomeSurrogatePairs)
{
    const std::string out =
        RunPython("import random\n"
                  "rnd = random.Random(7)\n"
                  "cps = [0x10000, 0x10FFFF, 0x1F600, 0x1D11E] + [rnd.randrange(0x10000, 0x110000) "
                  "for _ in range(2000)]\n"
                  "for cp in cps:\n"
                  "    t = 'a' + chr(cp) + '\\u00e9'\n"
                  "    print(t.encode('utf-8').hex(), t.encode('utf-16-le').hex())\n");
    std::istringstream lines(out);
    std::string utf8, utf16;
    int checked = 0, failures = 0;
    while (lines >> utf8 >> utf16) {
        const std::string bytes = FromHex(utf8);
        const std::string le = FromHex(utf16);
        std::u16string expect;
        for (size_t i = 0; i + 1 < le.size(); i += 2)
            expect += (char16_t)((unsigned char)le[i] | ((unsigned char)le[i + 1] << 8));
        if (DecodeExact(bytes) != expect && failures++ < 10)
            ADD_FAILURE() << utf8;
        // The pair goes back out as two 3-byte units (as the encoder treats every unit).
        CVortanString s;
        s.AssignUTF8(bytes.c_str(), -1);
        if (Encode(s).size() != 1 + 6 + 2 && failures++ < 10)
            ADD_FAILURE() << "re-encode " << utf8;
        checked++;
    }
    EXPECT_EQ(2004, checked);
}

TEST(StringUtf8, TruncatedSequencesStopAtTheEnd)
{
    // Each prefix of a multi-byte sequence: the complete text before it stays, the partial
    // sequence is dropped, and nothing past the given length is read.
    const std::string seqs[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xED\xA0\x80", "\xF0\x9F\x98\x80"};
    for (const std::string& seq : seqs) {
        for (size_t cut = 1; cut < seq.size(); cut++) {
            EXPECT_EQ(u"ab", DecodeExact("ab" + seq.substr(0, cut))) << seq.size() << "/" << cut;
            EXPECT_EQ(u"", DecodeExact(seq.substr(0, cut)));
        }
    }
    // A length that cuts a sequence inside a longer buffer; a NUL inside a sequence ends the text.
    CVortanString s;
    s.AssignUTF8("x\xE2\x82\xAC", 3);
    EXPECT_EQ(u"x", Text(s));
    s.AssignUTF8("y\xE2\x82", -1);
    EXPECT_EQ(u"y", Text(s));
    s.AssignUTF8("y\xE2\0\xAC"
                 "z",
                 5);
    EXPECT_EQ(u"y", Text(s));
    s.AssignUTF8("y\0z", 3);
    EXPECT_EQ(u"y", Text(s));
}

TEST(StringUtf8, NeverAppendsUnitZeroAndKeepsLenientForms)
{
    // Forms that would decode to unit 0 are dropped instead of cutting the text short.
    for (const char* zero : {"a\xC0\x80"
                             "b",
                             "a\xE0\x80\x80"
                             "b",
                             "a\x80"
                             "b",
                             "a\xF0\x80\x80\x80"
                             "b"})
        EXPECT_EQ(u"ab", DecodeExact(zero));
    EXPECT_EQ(u"", DecodeExact("\x80\x80"));
    // A stray continuation byte loses its top bit; overlong 2- and 3-byte forms decode.
    EXPECT_EQ(u"x!", DecodeExact("x\xA1"));
    EXPECT_EQ(u"A", DecodeExact("\xC1\x81"));
    EXPECT_EQ(u"A", DecodeExact("\xE0\x81\x81"));
    // Continuation bytes are taken as they come: C1 62 is (1 << 6) + (0x62 - 0x80) = 0x22.
    EXPECT_EQ(u"a\"", DecodeExact("a\xC1"
                                  "b"));
    // Leads F8-FF are never valid and still read as three-byte leads.
    EXPECT_EQ(u"\x8200z", DecodeExact("\xF8\x88\x80z"));
    // A 4-byte form of a code point below U+10000 gives that unit.
    EXPECT_EQ(u"\u20AC", DecodeExact("\xF0\x82\x82\xAC"));
}

TEST(StringUtf8, EmptyAndDegenerateInputs)
{
    CVortanString s;
    const std::pair<const char*, int> empty[] = {{nullptr, -1}, {"abc", 0}, {"abc", -2}, {"", -1}};
    for (auto& e : empty) {
        s = L"old";
        s.AssignUTF8(e.first, e.second);
        EXPECT_EQ(nullptr, s.GetBuffer()) << e.second;
    }
    s.AssignUTF8("abc", 2);
    EXPECT_EQ(u"ab", Text(s));
    // Code points beyond U+10FFFF have no UTF-16 form.
    EXPECT_EQ(u"a\uFFFDb", DecodeExact("a\xF4\x90\x80\x80"
                                       "b"));
}

} // namespace
