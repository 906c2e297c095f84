// The render and update walks: clipping, skipping, error codes, and no allocation per frame.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "tests/ui/WidgetTestSupport.h"

using namespace uitest;

namespace {
std::atomic<long> g_allocations{0};
}

// Every allocation of the program is counted.
void* operator new(size_t size)
{
    ++g_allocations;
    void* p = malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    ++g_allocations;
    return malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return operator new(size, std::nothrow);
}
void operator delete(void* p) noexcept
{
    free(p);
}
void operator delete[](void* p) noexcept
{
    free(p);
}
void operator delete(void* p, size_t) noexcept
{
    free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    free(p);
}

namespace {

std::string Str(const CVortanRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// Notes the target rect and the clip in force when it is drawn.
struct ClipWidget : LogWidget {
    std::vector<std::string>* out;
    explicit ClipWidget(std::vector<std::string>* o) : LogWidget(nullptr), out(o) {}
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& r) override
    {
        out->push_back(VortanUTF8Of(GetName()) + " at " + Str(r) + " clip " +
                       Str(gc->GetClipRect()));
        return renderResult;
    }
};

ClipWidget* MakeClip(std::vector<std::string>* out, CWidget* parent, const char* name,
                     const CVortanRect& rect)
{
    ClipWidget* w = new ClipWidget(out);
    w->Startup(nullptr, nullptr, rect);
    w->SetName(S(name));
    if (parent)
        parent->AddChild(w);
    return w;
}

struct Walks : ::testing::Test {
    CVortanGraphicsExt_Null gc;
    std::vector<std::string> out;
    void SetUp() override
    {
        gc.Create(0);
        gc.Resize(320, 240);
        gc.SetClipRect(nullptr);
    }
};

} // namespace

TEST_F(Walks, ChildrenAreClippedToEveryAncestorAndSkippedOutside)
{
    ClipWidget* root = MakeClip(&out, nullptr, "root", R(10, 10, 210, 110));
    ClipWidget* panel = MakeClip(&out, root, "panel", R(150, 50, 300, 200));
    MakeClip(&out, panel, "deep", R(20, 20, 100, 100));      // runs past both ancestors
    MakeClip(&out, root, "outside", R(201, 0, 250, 50));     // left edge beyond root's right
    MakeClip(&out, root, "touching", R(200, 100, 240, 140)); // corner touches: drawn
    ClipWidget* hidden = MakeClip(&out, root, "hidden", R(0, 0, 10, 10));
    hidden->SetVisible(false);

    ASSERT_EQ(root->RenderAt(&gc), VORTAN_OK);
    EXPECT_EQ(out, (std::vector<std::string>{
                       "root at 10,10,210,110 clip 0,0,320,240",
                       "panel at 160,60,310,210 clip 10,10,210,110",
                       "deep at 180,80,260,160 clip 160,60,210,110",
                       "touching at 210,110,250,150 clip 10,10,210,110",
                   }));
    EXPECT_EQ(Str(gc.GetClipRect()), "0,0,320,240"); // restored
    Drop(root);
}

TEST_F(Walks, AFailingRenderOrUpdateStopsTheWalkAndReportsTheCode)
{
    ClipWidget* root = MakeClip(&out, nullptr, "root", R(0, 0, 100, 100));
    ClipWidget* bad = MakeClip(&out, root, "bad", R(0, 0, 10, 10));
    MakeClip(&out, bad, "under_bad", R(0, 0, 10, 10));
    MakeClip(&out, root, "after", R(0, 0, 10, 10));
    bad->renderResult = VORTAN_E_FAIL;
    testing::internal::CaptureStderr();
    EXPECT_EQ(root->RenderAt(&gc), VORTAN_E_FAIL);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, (std::vector<std::string>{"root at 0,0,100,100 clip 0,0,320,240",
                                             "bad at 0,0,10,10 clip 0,0,100,100"}));
    EXPECT_EQ(err, "ERROR: 9\nERROR: 9\n"); // the failing widget, then its parent

    std::vector<std::string> log;
    LogWidget* top = Make(&log, nullptr, "top", R(0, 0, 10, 10));
    LogWidget* a = Make(&log, top, "a", R(0, 0, 10, 10));
    Make(&log, a, "a1", R(0, 0, 10, 10));
    LogWidget* b = Make(&log, top, "b", R(0, 0, 10, 10));
    Make(&log, top, "c", R(0, 0, 10, 10));
    b->SetVisible(false);
    log.clear();
    ASSERT_EQ(top->Update(0.1f), VORTAN_OK);
    EXPECT_EQ(
        log, (std::vector<std::string>{"top:update()", "a:update()", "a1:update()", "c:update()"}));
    log.clear();
    a->updateResult = VORTAN_E_RANGE;
    testing::internal::CaptureStderr();
    EXPECT_EQ(top->Update(0.1f), VORTAN_E_RANGE);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, (std::vector<std::string>{"top:update()", "a:update()"}));
    EXPECT_EQ(err, "ERROR: 3\nERROR: 3\n");
    Drop(top);
    Drop(root);
}

TEST_F(Walks, AStaticTreeAllocatesNothingPerFrame)
{
    std::vector<std::string> unused;
    LogWidget* root = Make(nullptr, nullptr, "root", R(0, 0, 320, 240));
    for (int i = 0; i < 10; ++i) {
        LogWidget* row = Make(nullptr, root, "row", R(0, i * 24, 320, i * 24 + 24));
        for (int j = 0; j < 10; ++j)
            Make(nullptr, row, "cell", R(j * 32, 0, j * 32 + 32, 24));
    }
    root->SetVisible(false);
    root->SetVisible(true);
    // One frame first so that nothing lazily made counts.
    root->Update(0.016f);
    root->RenderAt(&gc);
    long before = g_allocations.load();
    for (int frame = 0; frame < 5; ++frame) {
        root->DispatchPointerDown(0, 100 + frame, 100);
        root->DispatchPointerMove(0, 101, 101);
        root->DispatchPointerUp(0, 101, 101);
        root->DispatchKeyDown(5);
        root->DispatchChar('a');
        root->CancelPointer();
        root->Update(0.016f);
        root->RenderAt(&gc);
        int x = 7, y = 9;
        root->GetChild(9)->GetChild(9)->ConvertPoint(root->GetChild(3)->GetChild(2), x, y);
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    Drop(root);
}
