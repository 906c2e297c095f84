// A screen of about 300 widgets (images, buttons, a page view of three pages) with an infinite
// list of 1,000 items in a running glide, updated and drawn on the GLES2 extension (llvmpipe
// under Xvfb), with and without glFinish; and the memory of an infinite list scrolled through
// 100,000 items: live widgets and heap in use after 1,000, 10,000 and 100,000 items.
#include <GLES2/gl2.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloResourceManager.h"
#include "tests/support/GraphicsTestWindow.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Button.h"

namespace {

CVortanRect Rect(int l, int t, int r, int b)
{
    CVortanRect rect;
    rect.Set(l, t, r, b);
    return rect;
}

int CountWidgets(const CWidget* w)
{
    int n = 1;
    for (int i = 0; i < w->GetChildCount(); ++i)
        n += CountWidgets(w->GetChild(i));
    return n;
}

CImageWidget* Leaf(COrloResourceManager* manager, CVortanSurface* image, const CVortanRect& r,
                   bool button)
{
    CImageWidget* leaf = button ? new CButton() : new CImageWidget();
    leaf->Startup(nullptr, manager, r);
    leaf->SetImage(image);
    return leaf;
}

CInfiniteList* MakeList(COrloResourceManager* manager, CVortanSurface* image,
                        const CVortanRect& rect, int items)
{
    CInfiniteList* list = new CInfiniteList();
    list->Startup(nullptr, manager, rect);
    list->SetScrollEnabled(true);
    CImageWidget* item = Leaf(manager, image, Rect(0, 0, rect.GetWidth(), 40), false);
    item->SetName(CVortanString("item_template"));
    list->AddChild(item);
    list->SetItemCount(items);
    return list;
}

struct Screen {
    Screen()
    {
        if (!window.Id() || ext.Create(window.Id()) != 1)
            return;
        ext.Resize(800, 480);
        manager.Init(nullptr, nullptr);
        image = new CVortanSurface();
        CVortanSurfaceDesc d = {64, 64, 0, VORTAN_PIXEL_ABGR8888, VORTAN_SURFACE_TEXTURE};
        image->Create(nullptr, &d);
        image->Clear(0xC0408020, nullptr);
        manager.AddSurface(CVortanString("cell.png"), image);

        root.Startup(nullptr, &manager, Rect(0, 0, 800, 480));
        // A page view of three pages, each a grid of 8 x 10 leaves (a third buttons).
        CPageView* pages = new CPageView();
        pages->Startup(nullptr, &manager, Rect(0, 0, 500, 480));
        root.AddChild(pages);
        for (int p = 0; p < 3; ++p) {
            CWidget* page = new CWidget();
            page->Startup(nullptr, &manager, Rect(0, 0, 500, 480));
            for (int i = 0; i < 80; ++i)
                page->AddChild(
                    Leaf(&manager, image,
                         Rect((i % 8) * 62, (i / 8) * 48, (i % 8) * 62 + 60, (i / 8) * 48 + 46),
                         i % 3 == 2));
            pages->AddChild(page);
        }
        list = MakeList(&manager, image, Rect(500, 0, 800, 480), 1000);
        root.AddChild(list);
        root.Update(0.0f);
        root.Update(0.0f);
        ok = true;
    }
    ~Screen()
    {
        root.Shutdown();
        manager.ReleaseAll();
        ext.Close();
    }
    // One frame: the glide turns round at either end of the list.
    void Frame(bool finish)
    {
        if (!list->IsGliding()) {
            down = !down;
            list->ScrollTo(0, down ? 1000 * 40 : 0, 8.0f);
        }
        root.Update(1.0f / 60.0f);
        root.RenderAt(&ext);
        if (finish)
            glFinish();
    }
    gtest_graphics::Xvfb xvfb;
    gtest_graphics::TestWindow window;
    CVortanGraphicsExt_GLES2 ext;
    COrloResourceManager manager;
    CWidget root;
    CVortanSurface* image = nullptr;
    CInfiniteList* list = nullptr;
    bool down = false;
    bool ok = false;
};

Screen& TheScreen()
{
    static Screen screen;
    return screen;
}

void Report(benchmark::State& state, int widgets)
{
    state.counters["widgets"] = widgets;
    state.counters["frames"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ScreenWithGlidingList(benchmark::State& state)
{
    Screen& s = TheScreen();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    const bool finish = state.range(0) != 0;
    glFinish(); // what earlier runs queued is not this run's drawing
    for (auto _ : state)
        s.Frame(finish);
    glFinish();
    Report(state, CountWidgets(&s.root));
}

// Scrolls a list of 100,000 items down to its end, 200 pixels a frame; the counters are the
// live widgets and the heap in use after 1,000, 10,000 and 100,000 items.
void BM_ListMemoryThroughHundredThousand(benchmark::State& state)
{
    for (auto _ : state) {
        COrloResourceManager manager;
        manager.Init(nullptr, nullptr);
        CWidget root;
        root.Startup(nullptr, &manager, Rect(0, 0, 300, 400));
        CInfiniteList* list = MakeList(&manager, nullptr, Rect(0, 0, 300, 400), 100000);
        root.AddChild(list);
        root.Update(0.0f);
        const int marks[3] = {1000, 10000, 100000};
        double heap[3] = {0, 0, 0}, widgets[3] = {0, 0, 0};
        int next = 0;
        while (next < 3) {
            list->ScrollBy(0, 200);
            root.Update(1.0f / 60.0f);
            const int reached = list->GetFirstLoadedPosition() + list->GetChildCount();
            if (reached >= marks[next]) {
                heap[next] = (double)mallinfo2().uordblks;
                widgets[next] = CountWidgets(list);
                ++next;
            }
        }
        state.counters["widgets_1k"] = widgets[0];
        state.counters["widgets_100k"] = widgets[2];
        state.counters["heap_1k_KiB"] = heap[0] / 1024.0;
        state.counters["heap_10k_KiB"] = heap[1] / 1024.0;
        state.counters["heap_100k_KiB"] = heap[2] / 1024.0;
        state.counters["heap_ratio"] = heap[2] / heap[0];
        state.counters["widget_ratio"] = widgets[2] / widgets[0];
        root.Shutdown();
        manager.ReleaseAll();
    }
}

// Real time: the driver draws on threads of its own; /1 waits for the drawing (glFinish).
BENCHMARK(BM_ScreenWithGlidingList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ListMemoryThroughHundredThousand)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
