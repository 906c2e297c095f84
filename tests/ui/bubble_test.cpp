// The speech bubble: the background built from its three templates on the first update, the
// arrow and short edge of each code, pieces under a pixel left out, and the hiding click.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/graphics/VortanSurface.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/Bubble.h"

using uitest::R;

namespace {

int g_visibleAtClick = -1;
int NoteVisible(CWidget* w, void*, intptr_t, intptr_t)
{
    g_visibleAtClick = w->IsVisible() ? 1 : 0;
    return 1;
}

struct BubbleCase : uitest::ManagerTest {
    // A bubble of the size with 20 x 20 corners, its three templates made from 60 x 60 sheets.
    CBubble* Make(int width, int height, int arrow, bool withImages = true)
    {
        CBubble* bubble = new CBubble();
        bubble->Startup(nullptr, &manager, R(0, 0, width, height));
        bubble->SetArrow(arrow);
        for (int i = 0; i < 3; ++i) {
            CWidget* holder = new CWidget();
            holder->Startup(nullptr, &manager, R(0, 0, 20, 20));
            holder->SetName(CVortanString(("bg" + std::to_string(i) + "_template").c_str()));
            CImageWidget* piece = new CImageWidget();
            piece->Startup(nullptr, &manager, R(0, 0, 20, 20));
            if (withImages) {
                CVortanSurface* sheet = uitest::MakeSurface(&app, 60, 60);
                sheet->SetFrameSize(20, 20);
                piece->SetImage(sheet);
                piece->SetFrameDuration(1.0f); // as the loader gives a sheet without a duration
            }
            holder->AddChild(piece);
            bubble->AddChild(holder);
        }
        CWidget* content = new CWidget();
        content->Startup(nullptr, &manager, R(5, 5, 15, 15));
        content->SetName(CVortanString("content"));
        bubble->AddChild(content);
        return bubble;
    }
};

// "frame@l,t,wxh" of each background piece (children before the content), sorted.
std::vector<std::string> Pieces(CBubble* bubble)
{
    std::vector<std::string> out;
    for (int i = 0; i < bubble->GetChildCount(); ++i) {
        CImageWidget* image = WidgetCast<CImageWidget>(bubble->GetChild(i));
        if (!image)
            continue;
        const CVortanRect& r = image->GetRect();
        out.push_back(std::to_string(image->GetFrame()) + "@" + std::to_string(r.left) + "," +
                      std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "x" +
                      std::to_string(r.bottom - r.top));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

TEST_F(BubbleCase, LeftUpArrowOnA200By100Bubble)
{
    CBubble* bubble = Make(200, 100, BUBBLE_ARROW_LEFT_UP);
    EXPECT_TRUE(bubble->NeedsRebuild());
    bubble->Update(0.0f);
    EXPECT_FALSE(bubble->NeedsRebuild());
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(bubble->GetPiece(i), nullptr);
    // Frames count in the sheets' own order; the arrow piece shows frame 0 of sheet 1.
    EXPECT_EQ(Pieces(bubble),
              Sorted({"4@20,20,160x60", "0@0,0,20x20", "2@180,0,20x20", "6@0,80,20x20",
                      "8@180,80,20x20", "0@0,20,20x20", "3@0,40,20x40", "5@180,20,20x60",
                      "1@20,0,160x20", "7@20,80,160x20"}));
    // Everything lies behind the content, which stays last.
    EXPECT_EQ(bubble->GetChild(bubble->GetChildCount() - 1)->GetName(), CVortanString("content"));
    EXPECT_EQ(bubble->FindChild(CVortanString("bg0_template"), -1), nullptr);
    uitest::Drop(bubble);
}

TEST_F(BubbleCase, NoArrowGivesFourFullEdgesAndShortSidesLoseTheirEdge)
{
    CBubble* plain = Make(100, 80, BUBBLE_ARROW_NONE);
    plain->Update(0.0f);
    EXPECT_EQ(Pieces(plain), Sorted({"4@20,20,60x40", "0@0,0,20x20", "2@80,0,20x20", "6@0,60,20x20",
                                     "8@80,60,20x20", "3@0,20,20x40", "5@80,20,20x40",
                                     "1@20,0,60x20", "7@20,60,60x20"}));
    uitest::Drop(plain);

    // 50 high with 20-high corners: the short edge beside a side arrow would be -10 high.
    CBubble* low = Make(100, 50, BUBBLE_ARROW_RIGHT_DOWN);
    low->Update(0.0f);
    EXPECT_EQ(Pieces(low), Sorted({"4@20,20,60x10", "0@0,0,20x20", "2@80,0,20x20", "6@0,30,20x20",
                                   "8@80,30,20x20", "3@80,10,20x20", "3@0,20,20x10", "1@20,0,60x20",
                                   "7@20,30,60x20"}));
    uitest::Drop(low);

    // Smaller than two corners: no mirrored pieces, only the four corners.
    CBubble* tiny = Make(30, 30, BUBBLE_ARROW_TOP_RIGHT);
    tiny->Update(0.0f);
    for (const std::string& p : Pieces(tiny))
        EXPECT_NE(p.find("20x20"), std::string::npos) << p;
    uitest::Drop(tiny);
}

TEST_F(BubbleCase, EveryArrowCodeAndWordPlacesItsArrow)
{
    const char* words[] = {"left-up",  "left-down", "right-up",    "right-down",
                           "top-left", "top-right", "bottom-left", "bottom-right"};
    const char* arrows[] = {"0@0,20,20x20", "2@0,60,20x20",  "1@180,20,20x20", "3@180,60,20x20",
                            "0@20,0,20x20", "1@160,0,20x20", "2@20,80,20x20",  "3@160,80,20x20"};
    for (int code = 1; code <= 8; ++code) {
        EXPECT_EQ(CBubble::ArrowFromWord(words[code - 1]), code);
        CBubble* bubble = Make(200, 100, code);
        bubble->Update(0.0f);
        std::vector<std::string> pieces = Pieces(bubble);
        EXPECT_EQ(pieces.size(), 10u) << code; // centre, 4 corners, arrow, short edge, 3 edges
        EXPECT_NE(std::find(pieces.begin(), pieces.end(), arrows[code - 1]), pieces.end()) << code;
        uitest::Drop(bubble);
    }
    EXPECT_EQ(CBubble::ArrowFromWord("Left-Up"), 0);
}

TEST_F(BubbleCase, TemplatesWithoutImagesLeaveNoBackgroundAndAClickHides)
{
    CBubble* bubble = Make(200, 100, 1, false);
    bubble->Update(0.0f);
    EXPECT_EQ(bubble->GetPiece(0), nullptr);
    EXPECT_EQ(bubble->GetChildCount(), 1); // the content alone
    bubble->SetOnClick(CUIDelegate(NoteVisible, nullptr));
    bubble->Click();
    EXPECT_EQ(g_visibleAtClick, 0);
    uitest::Drop(bubble);

    CBubble* source = Make(120, 80, 2);
    source->Update(0.0f);
    CBubble* copy = static_cast<CBubble*>(source->Clone());
    EXPECT_EQ(copy->GetArrow(), 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(copy->GetPiece(i), nullptr);
    uitest::Drop(copy);
    uitest::Drop(source);
}
