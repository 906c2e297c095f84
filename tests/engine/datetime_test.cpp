// CVortanDateTime: Gregorian carries in both directions, checked by hand and against
// Python's datetime.
#include <limits.h>
#include <time.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/VortanDateTime.h"
#include "engine/VortanString.h"
#include "tests/support/TestSupport.h"

namespace {

struct Fields {
    int y, mo, d, h, mi, s;
};

Fields Of(const CVortanDateTime& t)
{
    return {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()};
}

void ExpectFields(const CVortanDateTime& t, int y, int mo, int d, int h, int mi, int s)
{
    EXPECT_EQ(t.GetYear(), y);
    EXPECT_EQ(t.GetMonth(), mo);
    EXPECT_EQ(t.GetDay(), d);
    EXPECT_EQ(t.GetHour(), h);
    EXPECT_EQ(t.GetMinute(), mi);
    EXPECT_EQ(t.GetSecond(), s);
}

// A day of 0 stands for the last day of the month before: the calendar date it means.
Fields Canonical(Fields f)
{
    if (f.d == 0) {
        f.mo -= 1;
        if (f.mo < 0) {
            f.mo = 11;
            f.y -= 1;
        }
        f.d = CVortanDateTime::GetMonthLength(f.mo, f.y);
    }
    return f;
}

std::string Text(const CVortanDateTime& t)
{
    CVortanString s;
    t.Format(s);
    return VortanUTF8Of(s);
}

} // namespace

TEST(DateTime, FebruaryFollowsTheGregorianLeapRule)
{
    EXPECT_EQ(CVortanDateTime::GetMonthLength(1, 2012), 29);
    EXPECT_EQ(CVortanDateTime::GetMonthLength(1, 2011), 28);
    EXPECT_EQ(CVortanDateTime::GetMonthLength(1, 1900), 28);
    EXPECT_EQ(CVortanDateTime::GetMonthLength(1, 2000), 29);
    CVortanDateTime t;
    t.Set(2011, 1, 1, 0, 0, 0);
    t.SetDay(29);
    ExpectFields(t, 2011, 2, 1, 0, 0, 0);
    t.Set(2000, 1, 1, 0, 0, 0);
    t.SetDay(29);
    ExpectFields(t, 2000, 1, 29, 0, 0, 0);
}

TEST(DateTime, CarriesUpAndBorrowsDown)
{
    CVortanDateTime t;
    t.Set(2010, 11, 31, 23, 59, 59);
    t.SetSecond(60);
    ExpectFields(t, 2011, 0, 1, 0, 0, 0);
    t.Set(2010, 5, 10, 0, 0, 0);
    t.SetMonth(-1);
    ExpectFields(t, 2009, 11, 10, 0, 0, 0);
    t.SetMonth(25);
    ExpectFields(t, 2011, 1, 10, 0, 0, 0);
    t.Set(2010, 2, 5, 0, 0, 0);
    t.SetDay(-1);
    ExpectFields(t, 2010, 1, 27, 0, 0, 0);
    // Day 0 is kept; one hour back from midnight of day 1 gives day 0, hour 23.
    t.Set(2010, 2, 1, 0, 0, 0);
    t.SetHour(-1);
    ExpectFields(t, 2010, 2, 0, 23, 0, 0);
    // One more day back: February 27 (day 0 of March stands for February 28).
    t.SetHour(t.GetHour() - 24);
    ExpectFields(t, 2010, 1, 27, 23, 0, 0);
    t.Set(2000, 0, 1, 0, 0, 0);
    t.SetSecond(-1);
    ExpectFields(t, 2000, 0, 0, 23, 59, 59);
    t.SetMinute(-61);
    ExpectFields(t, 2000, 0, 0, 21, 59, 59);
}

TEST(DateTime, SetChecksTheDayAgainstTheMonthBeingSet)
{
    // The object currently sits in February; the new date is January 31.
    CVortanDateTime t;
    t.Set(2011, 1, 10, 0, 0, 0);
    t.Set(2011, 0, 31, 12, 30, 15);
    ExpectFields(t, 2011, 0, 31, 12, 30, 15);
    // Overflowing fields carry into the fields already set.
    t.Set(2010, 11, 31, 23, 59, 60);
    ExpectFields(t, 2011, 0, 1, 0, 0, 0);
    t.Set(2012, 1, 30, 0, 0, 0);
    ExpectFields(t, 2012, 2, 1, 0, 0, 0);
}

TEST(DateTime, SubtractAndFormat)
{
    CVortanDateTime a, b, d;
    a.Set(2010, 5, 15, 10, 30, 20);
    b.Set(2009, 2, 10, 8, 15, 5);
    d.Difference(a, b);
    ExpectFields(d, 1, 3, 5, 2, 15, 15);
    // Borrowing: 20 s - 30 s borrows a minute, and so on up.
    a.Set(2010, 5, 15, 10, 30, 20);
    b.Set(2010, 5, 15, 10, 30, 30);
    d.Difference(a, b);
    // second 50 (minute 29), minute -1 -> 59 (hour 9), hour -1 -> 23 (day 14), day -1 in
    // June borrows May's 31 days -> May 30, month -1 -> 11 of the year before, year -1.
    ExpectFields(d, -1, 11, 30, 23, 59, 50);
    CVortanDateTime t;
    t.Set(987, 0, 5, 7, 8, 9);
    EXPECT_EQ(Text(t), "0987-01-05, 07:08:09");
}

TEST(DateTime, HugeCarriesFinishAndFollowThe400YearCycle)
{
    CVortanDateTime t;
    t.Set(2000, 0, 1, 0, 0, 0);
    t.SetDay(INT_MAX);
    // 146097 days are exactly 400 years: INT_MAX = 14699 cycles + 3844 days, and day 3844 of
    // January 2000 is 2010-07-10 (datetime.date(2000, 1, 1) + timedelta(3843)).
    ExpectFields(t, 2010 + 14699 * 400, 6, 10, 0, 0, 0);
    t.Set(2000, 0, 1, 0, 0, 0);
    t.SetSecond(INT_MAX); // 2**31 - 1 s after 2000-01-01: 2068-01-19 03:14:07
    ExpectFields(t, 2068, 0, 19, 3, 14, 7);
    t.Set(2000, 0, 1, 0, 0, 0);
    t.SetMinute(INT_MIN);
    t.SetHour(INT_MIN);
    EXPECT_TRUE(t.GetMonth() >= 0 && t.GetMonth() <= 11);
}

TEST(DateTime, RandomCarriesAgreeWithPythonDatetime)
{
    // Random start dates and chains of setters with small and large offsets; Python's
    // datetime computes the same walk independently.
    std::mt19937 rng(20100513);
    const int cases = 1500, steps = 6;
    const char kinds[4] = {'s', 'm', 'h', 'd'};
    const int largeLimit[4] = {1000000000, 20000000, 400000, 20000};
    std::ostringstream input;
    std::vector<std::vector<Fields>> got(cases);
    for (int c = 0; c < cases; ++c) {
        int y = 1700 + (int)(rng() % 600);
        int mo = (int)(rng() % 12);
        int d = 1 + (int)(rng() % CVortanDateTime::GetMonthLength(mo, y));
        int h = (int)(rng() % 24), mi = (int)(rng() % 60), s = (int)(rng() % 60);
        CVortanDateTime t;
        t.Set(y, mo, d, h, mi, s);
        input << y << ' ' << mo + 1 << ' ' << d << ' ' << h << ' ' << mi << ' ' << s;
        for (int k = 0; k < steps; ++k) {
            int kind = (int)(rng() % 4);
            int limit = (rng() % 2) ? largeLimit[kind] : 100;
            int delta = (int)(rng() % (2u * limit + 1)) - limit;
            switch (kinds[kind]) {
            case 's':
                t.SetSecond(t.GetSecond() + delta);
                break;
            case 'm':
                t.SetMinute(t.GetMinute() + delta);
                break;
            case 'h':
                t.SetHour(t.GetHour() + delta);
                break;
            case 'd':
                t.SetDay(t.GetDay() + delta);
                break;
            }
            input << ' ' << kinds[kind] << ' ' << delta;
            got[c].push_back(Of(t));
        }
        input << '\n';
    }
    const std::string script =
        "import sys, datetime\n"
        "out = []\n"
        "for line in sys.stdin:\n"
        "    f = line.split()\n"
        "    if not f: continue\n"
        "    t = datetime.datetime(*map(int, f[:6]))\n"
        "    for i in range(6, len(f), 2):\n"
        "        k, v = f[i], int(f[i + 1])\n"
        "        arg = {'s': 'seconds', 'm': 'minutes', 'h': 'hours', 'd': 'days'}[k]\n"
        "        t = t + datetime.timedelta(**{arg: v})\n"
        "        out.append('%d %d %d %d %d %d' % (t.year, t.month, t.day, t.hour, t.minute, "
        "t.second))\n"
        "sys.stdout.write('\\n'.join(out) + '\\n')\n";
    std::string output;
    ASSERT_EQ(vtest::RunProgram({vtest::Python(), "-c", script}, &output, input.str()), 0);
    std::istringstream expect(output);
    int mismatches = 0;
    for (int c = 0; c < cases; ++c) {
        for (int k = 0; k < steps; ++k) {
            Fields e;
            ASSERT_TRUE(bool(expect >> e.y >> e.mo >> e.d >> e.h >> e.mi >> e.s));
            e.mo -= 1;
            Fields g = got[c][k];
            // Every field within its range (day 0 allowed), and the same calendar instant.
            ASSERT_TRUE(g.mo >= 0 && g.mo <= 11 && g.d >= 0 &&
                        g.d <= CVortanDateTime::GetMonthLength(g.mo, g.y) && g.h >= 0 &&
                        g.h <= 23 && g.mi >= 0 && g.mi <= 59 && g.s >= 0 && g.s <= 59)
                << "case " << c << " step " << k;
            Fields n = Canonical(g);
            if ((n.y != e.y || n.mo != e.mo || n.d != e.d || n.h != e.h || n.mi != e.mi ||
                 n.s != e.s) &&
                ++mismatches <= 5)
                ADD_FAILURE() << "case " << c << " step " << k << ": got " << g.y << "-" << g.mo
                              << "-" << g.d << " " << g.h << ":" << g.mi << ":" << g.s;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(DateTime, SetNowMatchesTheSystemLocalTime)
{
    CVortanDateTime before, after;
    before.SetNow();
    std::string output;
    ASSERT_EQ(vtest::RunProgram({vtest::Python(), "-c",
                                 "import time; t = time.localtime(); "
                                 "print(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, "
                                 "min(t.tm_sec, 59))"},
                                &output),
              0);
    after.SetNow();
    std::istringstream in(output);
    Fields p;
    ASSERT_TRUE(bool(in >> p.y >> p.mo >> p.d >> p.h >> p.mi >> p.s));
    p.mo -= 1;
    auto key = [](const Fields& f) {
        return ((((i64)f.y * 12 + f.mo) * 31 + f.d) * 24 + f.h) * 3600 + f.mi * 60 + f.s;
    };
    EXPECT_LE(key(Of(before)), key(p));
    EXPECT_LE(key(p), key(Of(after)));
}
