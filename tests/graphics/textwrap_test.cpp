// Wrapping text against a pixel width: long words broken at the edge, sentences broken at
// their spaces, line feeds kept, and the joined form a multi-line label draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/VortanTextWrap.h"

namespace {

// Eight pixels a character, so the expected breaks can be counted by hand.
class EightEach : public CVortanTextMeasure {
public:
    int Width(const CVortanString& text) override { return 8 * text.GetLength(); }
};

std::vector<std::string> WrapAll(const std::string& text, int width)
{
    EightEach measure;
    CVortanString lines[64];
    const int count = CVortanTextWrap::Wrap(CVortanString(text.c_str()), width, measure, lines, 64);
    EXPECT_LE(count, 64);
    std::vector<std::string> out;
    for (int i = 0; i < count && i < 64; ++i)
        out.push_back(VortanUTF8Of(lines[i]));
    return out;
}

const std::string kWord(200, 'w');
// 200 characters of words no longer than eight.
std::string Sentence()
{
    std::string s;
    const char* words[] = {"the", "quick", "brown", "fox", "jumps", "over", "a", "lazy", "dog"};
    for (int i = 0; s.size() < 200; ++i) {
        if (!s.empty())
            s += ' ';
        s += words[i % 9];
    }
    s.resize(200);
    return s;
}

TEST(TextWrap, AWordWiderThanALineIsBrokenAtTheEdge)
{
    // 100 pixels hold 12 characters (96); 200 = 16 x 12 + 8.
    const std::vector<std::string> lines = WrapAll(kWord, 100);
    ASSERT_EQ(17u, lines.size());
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(i < 16 ? 12u : 8u, lines[i].size()) << i;
        joined += lines[i];
    }
    EXPECT_EQ(kWord, joined);
    // A long word after a short one starts a line of its own and is broken from there.
    const std::vector<std::string> mixed = WrapAll("ab " + std::string(30, 'x'), 100);
    EXPECT_EQ((std::vector<std::string>{"ab", std::string(12, 'x'), std::string(12, 'x'),
                                        std::string(6, 'x')}),
              mixed);
}

TEST(TextWrap, ASentenceBreaksAtItsSpacesWithinTheWidth)
{
    const std::string sentence = Sentence();
    ASSERT_EQ(200u, sentence.size());
    const std::vector<std::string> lines = WrapAll(sentence, 100);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(8 * (int)line.size(), 100) << line;
        EXPECT_FALSE(line.empty());
        EXPECT_NE(' ', line.front()) << line;
        EXPECT_NE(' ', line.back()) << line;
        joined += (joined.empty() ? "" : " ") + line;
    }
    // No word was cut: the lines with single spaces between them are the sentence.
    EXPECT_EQ(sentence, joined);
    // Fewer than twelve characters are never left unused when the next word would fit.
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string next = lines[i + 1].substr(0, lines[i + 1].find(' '));
        EXPECT_GT(lines[i].size() + 1 + next.size(), 12u) << lines[i];
    }
}

TEST(TextWrap, LineFeedsNarrowCharactersAndTheJoinedForm)
{
    EXPECT_EQ((std::vector<std::string>{"ab", "", "cd"}), WrapAll("ab\n\ncd", 100));
    EXPECT_EQ(std::vector<std::string>{""}, WrapAll("", 100));
    // A width below one character: each character on a line of its own, and the wrap ends.
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), WrapAll("abc", 3));
    // Only the first lines are stored; all are counted.
    EightEach measure;
    CVortanString two[2];
    EXPECT_EQ(17, CVortanTextWrap::Wrap(CVortanString(kWord.c_str()), 100, measure, two, 2));
    EXPECT_EQ(std::string(12, 'w'), VortanUTF8Of(two[1]));
    CVortanString joined;
    // 64 pixels hold "one two " (the space fits and is dropped at the break).
    EXPECT_EQ(2, CVortanTextWrap::WrapToText(CVortanString("one two three"), 64, measure, joined));
    EXPECT_EQ("one two\nthree", VortanUTF8Of(joined));
}

} // namespace
