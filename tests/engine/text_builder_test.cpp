// CVortanTextBuilder: the room it grows by, step by step or doubling, and that the units put
// survive every growth; the formatter's long outputs built on it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "engine/VortanTextBuilder.h"

namespace {

typedef unsigned short unit;

std::vector<unit> Units(int count, int first)
{
    std::vector<unit> v;
    for (int i = 0; i < count; ++i)
        v.push_back(static_cast<unit>(first + i));
    return v;
}

std::vector<unit> Content(const CVortanTextBuilder& b)
{
    return std::vector<unit>(b.Data(), b.Data() + b.Length());
}

TEST(TextBuilder, StepGrowthAddsItsStepEachTimeTheOutputIsFull)
{
    CVortanTextBuilder b(512);
    std::vector<unit> all = Units(3100, 1);
    // One unit at a time: the room is 512, 1024, 1536 when the 513th and 1025th arrive.
    for (int i = 0; i < 512; ++i)
        b.Put(all[i]);
    EXPECT_EQ(512, b.Capacity());
    b.Put(all[512]);
    EXPECT_EQ(1024, b.Capacity());
    for (int i = 513; i < 1025; ++i)
        b.Put(all[i]);
    EXPECT_EQ(1536, b.Capacity());
    // Many units at once grow the same way: 1025 + 2075 = 3100 units need 7 × 512.
    b.Put(&all[1025], 2075);
    EXPECT_EQ(3584, b.Capacity());
    EXPECT_FALSE(b.Failed());
    EXPECT_TRUE(all == Content(b));

    CVortanTextBuilder bulk(512);
    bulk.Put(&all[0], 1100);
    EXPECT_EQ(1536, bulk.Capacity());
    bulk.PutRepeated('x', 436);
    EXPECT_EQ(1536, bulk.Capacity());
    bulk.Put('y');
    EXPECT_EQ(2048, bulk.Capacity());
    std::vector<unit> expected(all.begin(), all.begin() + 1100);
    expected.insert(expected.end(), 436, 'x');
    expected.push_back('y');
    EXPECT_TRUE(expected == Content(bulk));
}

TEST(TextBuilder, DoublingGrowthAndEmptyPuts)
{
    CVortanTextBuilder b(0);
    std::vector<unit> all = Units(1025, 100);
    b.Put(&all[0], 0);
    b.Put(nullptr, -3);
    b.PutRepeated('z', 0);
    EXPECT_EQ(0, b.Length());
    b.Put(&all[0], 513);
    EXPECT_EQ(1024, b.Capacity());
    b.Put(&all[513], 512);
    EXPECT_EQ(2048, b.Capacity());
    EXPECT_TRUE(all == Content(b));
}

TEST(TextBuilder, LongFormatterOutputKeepsEveryUnit)
{
    // 400 numbers of 3 to 4 digits with separators: the output passes 512, 1024 and 1536
    // units inside numbers and inside copied text.
    std::u16string format;
    std::string expected;
    CVortanString out;
    for (int i = 0; i < 400; ++i)
        format += u"%d, ";
    std::vector<int> values;
    for (int i = 0; i < 400; ++i) {
        values.push_back(997 + 3 * i);
        expected += std::to_string(values.back()) + ", ";
    }
    // The varargs formatter takes a fixed list; the argument formatter takes them all.
    std::vector<CVortanFormatArg> args(values.begin(), values.end());
    out.FormatArgs(reinterpret_cast<const unit*>(format.c_str()), args.data(),
                   static_cast<int>(args.size()));
    ASSERT_EQ(static_cast<int>(expected.size()), out.GetLength());
    EXPECT_EQ(0, out.Compare(CVortanString(expected.c_str())));

    std::string text(1500, 'a');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    CVortanString long_text(text.c_str());
    out.Format(L"[%s|%s]", long_text.GetBuffer(), long_text.GetBuffer());
    EXPECT_EQ(0, out.Compare(CVortanString(("[" + text + "|" + text + "]").c_str())));
}

} // namespace
