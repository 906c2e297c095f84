// CVortanString: the formatter (printf-like and the safe one), float text and the scanner.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
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

const unit* U(const char16_t* text)
{
    return (const unit*)text;
}

// The format copied into a heap block of exactly its size, so a read past it is caught.
struct ExactFormat {
    unit* block;
    explicit ExactFormat(const char16_t* text)
    {
        size_t n = std::char_traits<char16_t>::length(text) + 1;
        block = new unit[n];
        memcpy(block, text, n * sizeof(unit));
    }
    ~ExactFormat() { delete[] block; }
};

template <typename... A>
std::string Fmt(const wchar_t* format, A... args)
{
    CVortanString s;
    s.Format(format, args...);
    return VortanBytesOf(s);
}

TEST(StringFormat, Conversions)
{
    EXPECT_EQ("0007-03", Fmt(L"%04d-%02d", 7, 3));
    EXPECT_EQ("0-5", Fmt(L"%03d", -5));
    EXPECT_EQ("3.14", Fmt(L"%.2f", 3.14159));
    EXPECT_EQ("0.500000000", Fmt(L"%f", 0.5));
    EXPECT_EQ("2.0", Fmt(L"%.3f", 2.0));
    EXPECT_EQ("0000BEEF", Fmt(L"%08X", 0xbeefu));
    EXPECT_EQ("5", Fmt(L"%q%d", 5));
    CVortanString s;
    s.Format(L"%s: %S!", U(u"Ann\u00E9"), U(u"hi"));
    EXPECT_EQ(u"Ann\u00E9: hi!", Text(s));
    EXPECT_EQ("[]", Fmt(L"[%s]", (const unit*)nullptr));
    EXPECT_EQ("-2147483648 2147483647", Fmt(L"%d %d", (int)INT32_MIN, (int)INT32_MAX));
    EXPECT_EQ("4294967295", Fmt(L"%u", -1));
    EXPECT_EQ("ff 7FFFFFFF 0", Fmt(L"%x %X %x", 255u, 0x7fffffffu, 0u));
    EXPECT_EQ("100%", Fmt(L"%d%%", 100));
    EXPECT_EQ("a  b", Fmt(L"a %c b"));       // unknown: prints nothing, takes nothing
    EXPECT_EQ("12345", Fmt(L"%03d", 12345)); // wider than the width: no padding
    EXPECT_EQ("3d", Fmt(L"%*3d", 7));        // "*" is no modifier: an unknown conversion
    EXPECT_EQ("-0.0", Fmt(L"%.1f", -0.0));
}

TEST(StringFormat, PadAndPrecisionState)
{
    // Pad and width are cleared after each integer conversion.
    EXPECT_EQ("00003|4", Fmt(L"%05d|%d", 3, 4));
    EXPECT_EQ("000000-3", Fmt(L"%08d", -3)); // the sign follows the pad
    // A pad digit must be followed by a width digit to set a width: %5d is no width of 5.
    EXPECT_EQ("42", Fmt(L"%5d", 42));
    // The precision persists until the next f, then goes back to 9.
    EXPECT_EQ("7|1.500|1.500000000", Fmt(L"%.3d|%f|%f", 7, 1.5, 1.5));
    EXPECT_EQ("1.2|1.234567880", Fmt(L"%.1f|%f", 1.25, 1.2345678901));
    EXPECT_EQ("1|3.99", Fmt(L"%.2d|%.f", 1, 3.99)); // "%.f" keeps the persisting precision
}

TEST(StringFormat, StopsAtTheEndInsideAConversion)
{
    // Each format lives in a block of exactly its size (ASan catches a read past it).
    const char16_t* cases[][2] = {
        {u"abc%", u"abc"}, {u"abc%.", u"abc"}, {u"abc%0", u"abc"}, {u"abc%05", u"abc"},
        {u"x%l", u"x"},    {u"%", u""},        {u"%.5", u""},
    };
    for (auto& c : cases) {
        ExactFormat f(c[0]);
        CVortanString s(L"old");
        s.Format(f.block, 1, 2, 3);
        EXPECT_EQ(std::u16string(c[1]), Text(s));
    }
}

TEST(StringFormat, NullEmptyLongAndSelfFormats)
{
    CVortanString s(L"keep");
    s.Format((const wchar_t*)nullptr);
    s.Format(L"");
    EXPECT_EQ(u"keep", Text(s));
    s.Format(U(u""));
    EXPECT_EQ(nullptr, s.GetBuffer());
    // Long output grows the buffer.
    std::u16string piece(700, u'x'), expect;
    for (int i = 0; i < 5; i++)
        expect += piece + u"|";
    const unit* p = U(piece.c_str());
    s.Format(L"%s|%s|%s|%s|%s|", p, p, p, p, p);
    EXPECT_EQ(expect, Text(s));
    // The formatted text may be the receiver itself.
    s = L"self";
    s.Format(L"<%s>", s.GetBuffer());
    EXPECT_EQ(u"<self>", Text(s));
}

// ---- the safe formatter ------------------------------------------------------------------

std::u16string Safe(const char16_t* format, std::vector<CVortanFormatArg> args)
{
    ExactFormat f(format);
    CVortanString s;
    s.FormatArgs(f.block, args.empty() ? nullptr : args.data(), (int)args.size());
    return Text(s);
}

TEST(StringFormatArgs, FormatsLikeFormat)
{
    EXPECT_EQ(u"Ann won 5 coins", Safe(u"%s won %d coins", {U(u"Ann"), 5}));
    EXPECT_EQ(u"0-5 0000BEEF", Safe(u"%03d %08X", {-5, 0xbeefu}));
    EXPECT_EQ(u"3.14 2.0", Safe(u"%.2f %.3f", {3.14159, 2.0}));
    EXPECT_EQ(u"50%", Safe(u"%d%%", {50}));
    EXPECT_EQ(u"4000000000 -1 ffffffff", Safe(u"%d %d %x", {4000000000u, -1, -1}));
    EXPECT_EQ(u"[]", Safe(u"[%s]", {(const unit*)nullptr}));
}

TEST(StringFormatArgs, StrayConversionsPrintLiterally)
{
    // Missing arguments, unknown conversions and unfinished ones are copied as they stand.
    EXPECT_EQ(u"Ann and %s", Safe(u"%s and %s", {U(u"Ann")}));
    EXPECT_EQ(u"%d%s%x%f%u%X", Safe(u"%d%s%x%f%u%X", {}));
    EXPECT_EQ(u"100% sure %q %c", Safe(u"100% sure %q %c", {}));
    for (const char16_t* f : {u"end %", u"end %.", u"end %0", u"end %05", u"%08x"})
        EXPECT_EQ(std::u16string(f), Safe(f, {}));
    EXPECT_EQ(u"%", Safe(u"%%", {}));
    // A conversion whose argument is of another kind prints literally and leaves the argument
    // to the next conversion.
    EXPECT_EQ(u"%d coins for Ann", Safe(u"%d coins for %s", {U(u"Ann"), 5}));
    EXPECT_EQ(u"%s 5", Safe(u"%s %d", {5}));
    // Extra arguments are ignored.
    EXPECT_EQ(u"1", Safe(u"%d", {1, 2, U(u"x")}));
    // A null argument list with a count reads nothing.
    CVortanString s;
    s.FormatArgs(U(u"%d|%s"), nullptr, 3);
    EXPECT_EQ(u"%d|%s", Text(s));
}

// ---- float text against exact arithmetic ---------------------------------------------------

const char* kFloatScript = R"PY(
import random, struct
from fractions import Fraction
def text(bits, d):
    sign = bits >> 31
    biased = (bits >> 23) & 0xFF
    if biased == 255:
        ip, fr = 0, 0
    else:
        a = abs(Fraction(struct.unpack('<f', struct.pack('<I', bits))[0]))
        ip = int(a)
        fr = int((a - ip) * 2**24)
    s = ('-' if sign else '') + str(ip)
    if d > 0:
        s += '.0' if fr == 0 else '.' + str((fr * 10**d) >> 24).zfill(d)
    return s
rnd = random.Random(20240607)
cases = [0, 0x80000000, 0x3f800000, 0x3f000000, 0x7f800000, 0xff800000, 0x7fc00000,
         0x00000001, 0x007fffff, 0x4b7fffff, 0x4b800000, 0x4effffff, 0x4f000000,
         0x5f7fffff, 0x7f7fffff, 0xff7fffff, 0x33800000, 0x33ffffff, 0x34000000,
         0x3dcccccd, 0x40490fd0, 0xc0490fd0]
for _ in range(3000):
    e = rnd.randrange(100, 158)            # magnitudes around 2^-27 .. 2^30
    cases.append((rnd.randrange(2) << 31) | (e << 23) | rnd.randrange(1 << 23))
for _ in range(500):
    cases.append(rnd.randrange(1 << 32))     # anything, including huge, tiny and NaN
for b in cases:
    for d in (0, 1, 2, 5, 9, 12):
        print('%08x %d %s' % (b, d, text(b, d)))
)PY";

TEST(StringFloat, MatchesExactTruncatedDecimal)
{
    std::string out;
    ASSERT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", kFloatScript}, &out));
    std::istringstream lines(out);
    std::string hex, expect;
    int decimals, checked = 0, failures = 0;
    while (lines >> hex >> decimals >> expect) {
        const uint32_t bits = (uint32_t)strtoul(hex.c_str(), nullptr, 16);
        float v;
        memcpy(&v, &bits, sizeof(v));
        CVortanString s;
        s.FromFloat(v, decimals);
        if (VortanBytesOf(s) != expect && failures++ < 10)
            ADD_FAILURE() << hex << " decimals " << decimals << ": " << VortanBytesOf(s)
                          << " != " << expect;
        // The formatter's f is the same text with the precision of the format.
        if (decimals <= 9) {
            CVortanString f;
            const wchar_t fmt[] = {'%', '.', (wchar_t)('0' + decimals), 'f', 0};
            f.Format(decimals == 9 ? L"%f" : fmt, (double)v);
            if (VortanBytesOf(f) != expect && failures++ < 10)
                ADD_FAILURE() << hex << " via Format: " << VortanBytesOf(f) << " != " << expect;
        }
        checked++;
    }
    EXPECT_EQ(6 * 3522, checked);
    CVortanString s;
    s.FromFloat(0.1f, 9);
    EXPECT_EQ("0.099999964", VortanBytesOf(s)); // fraction kept in 2^-24 steps and cut, not rounded
    s.FromFloat(2.5f, -1);
    EXPECT_EQ("2", VortanBytesOf(s));
}

// ---- scanning -------------------------------------------------------------------------------

int ScanUnits(const CVortanString& s, const unit* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = s.ScanV(format, args);
    va_end(args);
    return n;
}

TEST(StringScan, Numbers)
{
    int a = 99, b = 99;
    EXPECT_EQ(2, CVortanString(L"12, -7").Scan(L"%d,%d", &a, &b));
    EXPECT_EQ(12, a);
    EXPECT_EQ(-7, b);
    float f = 0;
    EXPECT_EQ(1, CVortanString(L"1,5").Scan(L"%f", &f));
    EXPECT_FLOAT_EQ(1.5f, f);
    unit name[32];
    a = 0;
    EXPECT_EQ(2, CVortanString(L"name:3").Scan(L"%s:%d", name, 32, &a));
    EXPECT_EQ(u"name", std::u16string((const char16_t*)name));
    EXPECT_EQ(3, a);
    a = b = 99;
    EXPECT_EQ(1, CVortanString(L"abc").Scan(L"%d %d", &a, &b));
    EXPECT_EQ(0, a);
    EXPECT_EQ(99, b);
    unsigned x = 7;
    EXPECT_EQ(1, CVortanString(L"#42").Scan(L"#%d", &a));
    EXPECT_EQ(42, a);
    EXPECT_EQ(1, CVortanString(L"value: -2.25").Scan(L"%f", &f));
    EXPECT_FLOAT_EQ(-2.25f, f);
    EXPECT_EQ(1, CVortanString(L".5").Scan(L"%f", &f));
    EXPECT_FLOAT_EQ(5.0f, f);
    EXPECT_EQ(1, CVortanString(L"3.1.4").Scan(L"%f", &f));
    EXPECT_FLOAT_EQ(3.14f, f);
    EXPECT_EQ(1, CVortanString(L"1F").Scan(L"%x", &x));
    EXPECT_EQ(0x1Fu, x);
    EXPECT_EQ(1, CVortanString(L"0x1F").Scan(L"%x", &x));
    EXPECT_EQ(0u, x);
    EXPECT_EQ(1, CVortanString(L"deadBEEF").Scan(L"%x", &x));
    EXPECT_EQ(0xDEADBEEFu, x);
    // "," is a decimal separator too, so it cannot separate two numbers.
    float g = 0;
    f = 0;
    EXPECT_EQ(1, CVortanString(L"1.5,0.25").Scan(L"%f,%f", &f, &g));
    EXPECT_FLOAT_EQ(1.5025f, f);
    EXPECT_EQ(0.0f, g);
}

TEST(StringScan, BoundedText)
{
    // Copying stops at the capacity; the rest of the field is passed over.
    unit host[5];
    int port = 0;
    EXPECT_EQ(2, CVortanString(L"verylonghost:5000").Scan(L"%s:%d", host, 5, &port));
    EXPECT_EQ(u"very", std::u16string((const char16_t*)host));
    EXPECT_EQ(5000, port);
    // A zero capacity or a null buffer stores nothing and is not counted.
    unit untouched[4] = {'q', 0, 0, 0};
    port = 0;
    EXPECT_EQ(1, CVortanString(L"abc:7").Scan(L"%s:%d", untouched, 0, &port));
    EXPECT_EQ('q', untouched[0]);
    EXPECT_EQ(7, port);
    EXPECT_EQ(0, CVortanString(L"abc").Scan(L"%s", (unit*)nullptr, 10));
    // Without a stop unit the text runs to the end of the input.
    unit rest[64];
    EXPECT_EQ(1, CVortanString(L"x=a b").Scan(L"x=%s%d", rest, 64, &port));
    EXPECT_EQ(u"a b", std::u16string((const char16_t*)rest));
}

TEST(StringScan, NullTargetsAndDegenerateFormats)
{
    int a = 5;
    EXPECT_EQ(1, CVortanString(L"1 2").Scan(L"%d %d", (int*)nullptr, &a));
    EXPECT_EQ(1, a); // the null conversion consumed nothing
    EXPECT_EQ(0, CVortanString(L"12").Scan((const wchar_t*)nullptr));
    EXPECT_EQ(0, CVortanString().Scan(L"%d", &a));
    EXPECT_EQ(0, CVortanString(L"12").Scan(L"%q", &a));
    EXPECT_EQ(0, CVortanString(L"12").Scan(L"12%"));
    // A format ending in "%" stops without taking an argument (exact-size format block).
    ExactFormat f(u"%d %");
    EXPECT_EQ(1, ScanUnits(CVortanString(L"3 4"), f.block, &a));
    EXPECT_EQ(3, a);
    ExactFormat g(u"%");
    EXPECT_EQ(0, ScanUnits(CVortanString(L"3 4"), g.block));
}

} // namespace
