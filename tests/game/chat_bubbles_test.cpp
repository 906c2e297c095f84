// The speech bubbles of the battle: framing, the six seconds they stay, the shortened single
// line and its end, the sixteen lines a bubble keeps, long chat lines wrapped, and boxes kept
// on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "game/VexChatBubbles.h"
#include "tests/game/GameHostSupport.h"

namespace {

using htest::S;

int EightEach(const CVortanString& text, void*)
{
    return 8 * text.GetLength();
}

int NeverFits(const CVortanString&, void*)
{
    return 1 << 20;
}

TEST(ChatBubbles, AnEmptyTextMakesNoBubbleAndATextIsFramedBySpaces)
{
    CVexChatBubbles bubbles;
    EXPECT_EQ(nullptr, bubbles.AddBubble(CVortanString(), S("Me"), 0, {}, {}, 0));
    CVexBubble* b = bubbles.AddBubble(S("hi"), S("Me"), 0xFF112233u, {1, 2}, {3, 4}, 1);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(S("  hi  "), *b->text);
    EXPECT_EQ(S("Me"), *b->name);
    EXPECT_FLOAT_EQ(6.0f, b->lifetime);
}

TEST(ChatBubbles, ABubbleIsGoneAtTheFirstUpdateAfterSixSecondsAndTwoCanGoTogether)
{
    CVexChatBubbles bubbles;
    bubbles.AddBubble(S("one"), S("a"), 0, {}, {}, 0);
    bubbles.AddBubble(S("two"), S("b"), 0, {}, {}, 0);
    // 181 steps of 33 ms are 5.973 s: both still there; the next step passes 6.0 s.
    for (int i = 0; i < 181; ++i)
        bubbles.Update(0.033f);
    EXPECT_EQ(2, bubbles.GetCount());
    bubbles.Update(0.033f);
    EXPECT_EQ(0, bubbles.GetCount());
}

TEST(ChatBubbles, ALongLineIsShortenedEightCharactersAtATimeAndTheShorteningEnds)
{
    CVexChatBubbles bubbles;
    // 8 pixels a character on a 200-pixel screen: the half width must stay under 110.
    CVexBubble* b = bubbles.AddBubble(S(std::string(40, 'x')), S("a"), 0, {}, {}, 0);
    CVortanString lines[VEX_BUBBLE_LINES];
    float half = 0.0f;
    ASSERT_EQ(1, CVexChatBubbles::SplitLines(*b, 4.0f, 200.0f, EightEach, nullptr, lines, &half));
    // 44 characters (with the frame) are 352 pixels; cut to 36, 28, 20 and 12 characters, each
    // with " [more]" (7): 12 + 7 = 19 characters are 152 pixels, a half width of 76 + 4.
    EXPECT_EQ(S("  " + std::string(10, 'x') + " [more]"), lines[0]);
    EXPECT_FLOAT_EQ(80.0f, half);
    EXPECT_LT(half, 110.0f);
    // A text that never fits is cut to nothing and the loop ends.
    ASSERT_EQ(1, CVexChatBubbles::SplitLines(*b, 4.0f, 200.0f, NeverFits, nullptr, lines, &half));
    EXPECT_EQ(S(" [more]"), lines[0]);
}

TEST(ChatBubbles, AMultiLineBubbleKeepsItsFirstSixteenLines)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "line" + std::to_string(i) + (i < 19 ? "\n" : "");
    CVexChatBubbles bubbles;
    CVexBubble* b = bubbles.AddBubble(S(text), S("a"), 0, {}, {}, 1);
    CVortanString lines[VEX_BUBBLE_LINES];
    float half = 0.0f;
    ASSERT_EQ(16, CVexChatBubbles::SplitLines(*b, 4.0f, 800.0f, EightEach, nullptr, lines, &half));
    EXPECT_EQ(S("  line0"), lines[0]);
    EXPECT_EQ(S("line15"), lines[15]);
    EXPECT_FLOAT_EQ(4.0f + 8.0f * 7 / 2.0f, half); // the longest line has 7 characters
}

TEST(ChatBubbles, BoxesStayOnTheScreen)
{
    CVortanVector2 c;
    // Near the top: pushed down so that its top (with the corner) is on screen.
    CVexChatBubbles::PlaceBox({100, 5}, 50, 20, 6, 800, 480, c);
    EXPECT_FLOAT_EQ(26.0f, c.y);
    EXPECT_FLOAT_EQ(90.0f, c.x); // left edge: half width + 5 % of the width
    // Near the bottom: kept above 0.85 of the height; right of the centre line: right edge.
    CVexChatBubbles::PlaceBox({400, 470}, 50, 20, 6, 800, 480, c);
    EXPECT_FLOAT_EQ(408.0f - 26.0f, c.y);
    EXPECT_FLOAT_EQ(800.0f - 40.0f - 50.0f, c.x);
}

// A 200-character word and a 200-character sentence, as the opponent's chat shows them (the
// multi-line bubble at the right), and on the left: every line fits the bubble (its half
// width below 0.55 of the screen, as a shortened single line), the text is all there, and the
// box with its corners lies on the screen above 0.85 of its height.
TEST(ChatBubbles, LongChatLinesWrapAndTheBubbleStaysOnTheScreen)
{
    const float w = 800.0f, h = 480.0f, lineHeight = 20.0f, u = 6.0f; // u = 20 x 0.75 x 0.4
    std::string sentence;
    for (int i = 0; sentence.size() < 200; ++i)
        sentence += (i ? " " : "") + std::string(i % 2 ? "jumps" : "over");
    sentence.resize(200);
    for (const std::string& text : {std::string(200, 'w'), sentence}) {
        for (float ax : {0.9f * w, 0.1f * w}) {
            CVexChatBubbles bubbles;
            CVexBubble* b =
                bubbles.AddBubble(S(text), S("Opponent"), 0, {ax, 0.825f * h}, {w, h}, 1);
            CVortanString lines[VEX_BUBBLE_LINES];
            CVortanVector2 centre, half;
            const int count = CVexChatBubbles::Layout(*b, lineHeight, w, h, EightEach, nullptr,
                                                      lines, centre, half);
            // 204 characters (with the frame) at 8 pixels are 1632: two lines at least.
            ASSERT_GE(count, 2) << text;
            std::string all;
            int widest = 0;
            for (int i = 0; i < count; ++i) {
                const std::string line = VortanUTF8Of(lines[i]);
                EXPECT_LT(u + 4.0f * line.size(), 0.55f * w) << line;
                widest = std::max(widest, 8 * (int)line.size());
                all += line;
            }
            std::string letters, expected;
            for (char c : all)
                if (c != ' ')
                    letters += c;
            for (char c : text)
                if (c != ' ')
                    expected += c;
            EXPECT_EQ(expected, letters);
            EXPECT_FLOAT_EQ(0.8f * (u + widest / 2.0f), half.x);
            EXPECT_FLOAT_EQ(0.5f * lineHeight * count, half.y);
            EXPECT_GE(centre.x - half.x - u, 0.0f);
            EXPECT_LE(centre.x + half.x + u, w);
            EXPECT_GE(centre.y - half.y - u, 0.0f);
            EXPECT_LE(centre.y + half.y + u, 0.85f * h);
            // The lines are drawn at three quarters of the font's size, inside the box.
            EXPECT_LE(0.75f * widest / 2.0f, half.x + u);
        }
    }
}

// More lines than the box can hold between the top and 0.85 of the height: the first that
// fit are kept (20-pixel lines from a corner of 6 to 408 - 6: 19; 40-pixel lines: 9).
TEST(ChatBubbles, ABubbleKeepsNoMoreLinesThanTheScreenHolds)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line" + std::to_string(i) + (i < 29 ? "\n" : "");
    CVexChatBubbles bubbles;
    CVexBubble* b = bubbles.AddBubble(S(text), S("a"), 0, {720, 396}, {800, 480}, 1);
    CVortanString lines[VEX_BUBBLE_LINES];
    CVortanVector2 centre, half;
    EXPECT_EQ(
        16, CVexChatBubbles::Layout(*b, 20.0f, 800, 480, EightEach, nullptr, lines, centre, half));
    EXPECT_EQ(
        9, CVexChatBubbles::Layout(*b, 40.0f, 800, 480, EightEach, nullptr, lines, centre, half));
    EXPECT_EQ(S("line8"), lines[8]);
    EXPECT_GE(centre.y - half.y - 12.0f, 0.0f);
    EXPECT_LE(centre.y + half.y + 12.0f, 408.0f);
}

} // namespace
