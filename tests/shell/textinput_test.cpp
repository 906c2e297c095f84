// The text-entry buffer: length limit, Backspace, Enter, control characters, password mode.
#include <gtest/gtest.h>

#include <string>

#include "engine/platform/VortanTextInput.h"

namespace {

std::u16string Units(const CVortanString& s)
{
    std::u16string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out += (char16_t)s.GetAt(i);
    return out;
}

void Type(CVortanTextInput& input, const std::u16string& text)
{
    for (char16_t c : text)
        input.OnChar((unsigned short)c);
}

} // namespace

TEST(TextInput, LengthLimitBackspaceAndEnter)
{
    CVortanTextInput* input = CVortanTextInput::Create();
    ASSERT_EQ(input->Init(nullptr, CVortanString(""), CVortanString("Name"), 3), VORTAN_OK);
    Type(*input, u"abcd");
    EXPECT_EQ(Units(input->GetText()), u"abc");
    input->OnChar(8);
    EXPECT_EQ(Units(input->GetText()), u"ab");
    EXPECT_FALSE(input->IsDone());
    input->OnChar(13);
    EXPECT_TRUE(input->IsDone());
    Type(*input, u"x");
    input->OnChar(8);
    EXPECT_EQ(Units(input->GetText()), u"ab"); // nothing taken while done
    input->ResetDone();
    Type(*input, u"x");
    EXPECT_EQ(Units(input->GetText()), u"abx");
    input->OnChar(10); // line feed is Enter too
    EXPECT_TRUE(input->IsDone());
    input->ClearDone();
    EXPECT_FALSE(input->IsDone());
    delete input;
}

TEST(TextInput, ControlCharactersNeverEnterTheText)
{
    CVortanTextInput input;
    input.Init(nullptr, CVortanString(""), CVortanString(""), 100);
    for (unsigned short c = 0; c < 32; ++c) {
        if (c != 8 && c != 10 && c != 13)
            input.OnChar(c);
    }
    input.OnChar(127);
    EXPECT_EQ(input.GetText().GetLength(), 0);
    EXPECT_FALSE(input.IsDone());
    // Printable units from 32 up (Latin-1 and beyond) are taken as they are.
    const std::u16string typed = u" ~\u00e9\u00ff\u0100\u4e2d";
    Type(input, typed);
    EXPECT_EQ(Units(input.GetText()), typed);
}

TEST(TextInput, SetTextAndInitCutToTheMaximumAndBackspaceStopsAtEmpty)
{
    CVortanTextInput input;
    input.Init(nullptr, CVortanString("0123456789"), CVortanString(""), 4);
    EXPECT_EQ(Units(input.GetText()), u"0123");
    input.SetText(CVortanString("abcdefghij"));
    EXPECT_EQ(Units(input.GetText()), u"abcd");
    input.SetText(CVortanString(""));
    input.OnChar(8);
    Type(input, u"q");
    EXPECT_EQ(Units(input.GetText()), u"q");
}

TEST(TextInput, PasswordModeMasksEveryUnit)
{
    CVortanTextInput input;
    input.Init(nullptr, CVortanString(""), CVortanString(""), 10);
    Type(input, u"abc");
    EXPECT_EQ(Units(input.GetDisplayText()), u"abc");
    input.SetPasswordMode(1);
    EXPECT_EQ(Units(input.GetDisplayText()), u"***");
    EXPECT_EQ(Units(input.GetText()), u"abc");
    input.OnChar(8);
    EXPECT_EQ(Units(input.GetDisplayText()), u"**");
    input.OnChar(8);
    input.OnChar(8);
    EXPECT_EQ(input.GetDisplayText().GetLength(), 0);
    input.SetPasswordMode(0);
    Type(input, u"z");
    EXPECT_EQ(Units(input.GetDisplayText()), u"z");
}
