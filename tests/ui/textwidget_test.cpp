// The text widget: text and display text, masking, labels from the language and their
// refresh, fonts shared through the manager, and the editing session step by step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanTextInput.h"
#include "platform/OrloLanguage.h"
#include "tests/ui/LoaderTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/TextWidget.h"

using uitest::R;
using uitest::S;

namespace {

std::vector<std::string> g_events;
int OnChanged(CWidget* w, void*, intptr_t, intptr_t)
{
    g_events.push_back("changed " + VortanUTF8Of(static_cast<CTextWidget*>(w)->GetText()));
    return 1;
}
int OnFinished(CWidget* w, void*, intptr_t, intptr_t)
{
    g_events.push_back("finished " + VortanUTF8Of(static_cast<CTextWidget*>(w)->GetText()));
    return 1;
}

struct TextCase : ltest::LoaderCase {
    ltest::LanguageHost host{dir};
    COrloLanguage language;
    CTextWidget* text = nullptr;

    void SetUp() override
    {
        g_events.clear();
        ltest::WriteLanguagePacks(dir);
        ASSERT_EQ(language.Init(&host, S("lang")), VORTAN_OK);
        app.SetLanguageObject(&language);
        text = new CTextWidget();
        ASSERT_EQ(text->Startup(&app, &app, R(0, 0, 200, 40)), VORTAN_OK);
        text->SetOnChanged(CUIDelegate(OnChanged, nullptr));
        text->SetOnFinished(CUIDelegate(OnFinished, nullptr));
    }
    void TearDown() override
    {
        ltest::Drop(text);
        app.SetLanguageObject(nullptr);
    }
    // Focus, then a release inside: the session opens.
    void StartEditing()
    {
        text->OnFocusGained(nullptr);
        text->OnPointerUp(0, 10, 10);
        ASSERT_NE(text->GetTextInput(), nullptr);
    }
    void Type(const char* chars)
    {
        for (const char* c = chars; *c; ++c)
            text->OnChar((unsigned char)*c);
    }
};

} // namespace

TEST_F(TextCase, TextMaskingAndChangeEvents)
{
    text->SetPassword(true);
    text->SetText(S("abc"));
    EXPECT_EQ(VortanUTF8Of(text->GetDisplayText()), "***");
    text->SetPassword(false);
    EXPECT_EQ(VortanUTF8Of(text->GetDisplayText()), "abc");
    text->SetText(S("abc"));
    text->SetText(S("abd"));
    EXPECT_EQ(g_events, (std::vector<std::string>{"changed abc", "changed abd"}));
}

TEST_F(TextCase, LabelsFollowTheLanguage)
{
    text->SetLocalizationKey(0);
    text->SetTitleKey(1);
    EXPECT_EQ(VortanUTF8Of(text->GetDisplayText()), "Hello");
    EXPECT_EQ(VortanUTF8Of(text->GetTitle()), "Your name");
    EXPECT_TRUE(text->GetText().IsEmpty()); // drawn in the empty-text colour
    ASSERT_EQ(language.SetLanguage(S("rt")), VORTAN_OK);
    CWidget* root = NewRoot();
    root->AddChild(text);
    root->RefreshLocalizedText(); // the broadcast of a language change
    EXPECT_EQ(VortanUTF8Of(text->GetDisplayText()), "Olleh");
    EXPECT_EQ(VortanUTF8Of(text->GetTitle()), "Eman");
    root->RemoveChild(text);
    ltest::Drop(root);
}

TEST_F(TextCase, EditingTypesChangesAndFinishesOnEnter)
{
    text->SetInputMode(true, 4);
    EXPECT_FALSE(text->IsPassThrough());
    text->SetTitle(S("Name"));
    StartEditing();
    EXPECT_EQ(VortanUTF8Of(text->GetTextInput()->GetTitle()), "Name");
    Type("hi");
    text->Update(0.1f);
    Type("there");
    text->Update(0.1f); // the session keeps four units
    Type("\r");
    text->Update(0.1f);
    EXPECT_EQ(g_events, (std::vector<std::string>{"changed hi", "changed hith", "finished hith"}));
    EXPECT_EQ(text->GetTextInput(), nullptr);
    EXPECT_FALSE(text->IsFocused());
    Type("x"); // no session: nothing
    EXPECT_EQ(VortanUTF8Of(text->GetText()), "hith");
}

TEST_F(TextCase, ReleaseOutsideCommitsAndFocusLossDrops)
{
    text->SetInputMode(true, 255);
    StartEditing();
    Type("kept");
    text->OnPointerUp(0, 500, 10); // outside
    EXPECT_EQ(VortanUTF8Of(text->GetText()), "kept");
    EXPECT_EQ(text->GetTextInput(), nullptr);

    StartEditing();
    Type("lost");
    text->OnFocusLost(nullptr);
    EXPECT_EQ(text->GetTextInput(), nullptr);
    EXPECT_EQ(VortanUTF8Of(text->GetText()), "kept");
    EXPECT_EQ(g_events, (std::vector<std::string>{"changed kept"}));

    // A password session masks what it shows.
    text->SetPassword(true);
    StartEditing();
    Type("pw");
    text->Update(0.1f);
    EXPECT_EQ(VortanUTF8Of(text->GetDisplayText()), "******");
}

TEST_F(TextCase, TheCaretShowsHalfOfEachSecond)
{
    text->SetInputMode(true, 255);
    StartEditing();
    int visible = 0;
    for (int frame = 0; frame < 40; ++frame) { // two seconds at 20 frames a second
        text->Update(0.05f);
        if (text->GetCaretClock() >= 0.0f)
            ++visible;
    }
    EXPECT_NEAR(visible, 20, 2);
}

TEST_F(TextCase, InputOffIsPassThroughAndNeverOpensASession)
{
    EXPECT_TRUE(text->IsPassThrough() || !text->IsInputEnabled());
    text->SetInputMode(true, 10);
    StartEditing();
    text->SetInputMode(false, 10);
    EXPECT_TRUE(text->IsPassThrough());
    EXPECT_EQ(text->GetTextInput(), nullptr);
    text->OnFocusGained(nullptr);
    text->OnPointerUp(0, 10, 10);
    EXPECT_EQ(text->GetTextInput(), nullptr);
}

TEST_F(TextCase, AFontFromElsewhereIsRegisteredOnceAndSharedByClones)
{
    CVortanBitmapFont* font = new CVortanBitmapFont();
    ASSERT_EQ(font->LoadDefault(app.GetGraphics()), VORTAN_OK);
    text->SetFont(font);
    CTextWidget* clone = static_cast<CTextWidget*>(text->Clone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetFont(), font);
    ltest::Drop(clone); // one reference back
    EXPECT_EQ(text->GetFont(), font);
    text->SetFont(nullptr); // the last: unloaded and deleted once (ASan would tell)
    EXPECT_EQ(text->GetFont(), nullptr);
}

namespace {

// Rows of the surface with any pixel drawn, in bands of `band` rows: the bands that have ink.
std::vector<int> InkedBands(CVortanSurface* surface, int band)
{
    std::vector<int> out;
    for (int y = 0; y < surface->GetHeight(); ++y) {
        const u32* row = (const u32*)(surface->GetPixels() + (size_t)y * surface->GetPitch());
        for (int x = 0; x < surface->GetWidth(); ++x) {
            if (row[x] & 0x00FFFFFFu) {
                if (out.empty() || out.back() != y / band)
                    out.push_back(y / band);
                break;
            }
        }
    }
    return out;
}

} // namespace

// A multi-line label with a 200-character word: the word goes on over as many lines as its
// width needs (the font alone wraps only at spaces and would cut it at the right edge).
TEST_F(TextCase, AWordWiderThanAMultiLineLabelGoesOnOverTheNextLines)
{
    CVortanBitmapFont* font = new CVortanBitmapFont();
    ASSERT_EQ(font->LoadDefault(app.GetGraphics()), VORTAN_OK);
    text->SetFont(font);
    text->SetDrawFlags(VORTAN_TEXT_MULTILINE);
    text->SetText(S(std::string(200, 'm').c_str()));
    const int lineHeight = font->GetLineHeight();
    const int full = font->GetTextWidth(text->GetText(), 0);
    const int lines = (full + 199) / 200; // the fewest lines 200 pixels take
    ASSERT_GE(lines, 3);
    CVortanSurface* surface = uitest::MakeSurface(&app, 200, lineHeight * (lines + 4));
    surface->Clear(0xFF000000u, nullptr);
    EXPECT_EQ(VORTAN_OK, text->RenderSelf(surface, R(0, 0, 200, lineHeight * (lines + 4))));
    const std::vector<int> bands = InkedBands(surface, lineHeight);
    ASSERT_FALSE(bands.empty());
    EXPECT_GE(bands.back() + 1, lines);
    // The label keeps its text; only the drawing breaks it.
    EXPECT_EQ(std::string(200, 'm'), VortanUTF8Of(text->GetText()));
    surface->Release();
    delete surface;
    text->SetFont(nullptr);
}
