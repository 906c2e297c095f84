// A frame of a widget tree on the GLES2 extension (llvmpipe under Xvfb): 300 image widgets and
// buttons in dividers inside alignments, updated and drawn, against a hand-written loop of the
// same 300 BlitStretch calls on the same context; and the allocations of the tree's frame.
#include <GLES2/gl2.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <new>
#include <vector>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloResourceManager.h"
#include "tests/support/GraphicsTestWindow.h"
#include "ui/layouts/Alignment.h"
#include "ui/layouts/Divider.h"
#include "ui/widgets/Button.h"

// Every operator new of the program is counted (the tree's own allocations go through it; the
// engine's containers through malloc, which the link wraps for the static libraries).
static std::atomic<long> g_allocations{0};

// The replacements below pair malloc with free, as the library's own do.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size)
{
    ++g_allocations;
    void* p = malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    ++g_allocations;
    return malloc(size ? size : 1);
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* p) noexcept
{
    free(p);
}
void operator delete(void* p, size_t) noexcept
{
    free(p);
}
void operator delete[](void* p) noexcept
{
    free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    free(p);
}

extern "C" {
void* __real_malloc(size_t size);
void* __real_realloc(void* p, size_t size);
void* __real_calloc(size_t n, size_t size);
void* __wrap_malloc(size_t size)
{
    ++g_allocations;
    return __real_malloc(size);
}
void* __wrap_realloc(void* p, size_t size)
{
    ++g_allocations;
    return __real_realloc(p, size);
}
void* __wrap_calloc(size_t n, size_t size)
{
    ++g_allocations;
    return __real_calloc(n, size);
}
}

namespace {

const int kColumns = 10, kRows = 5, kPerCell = 6; // 300 leaves

CVortanRect Rect(int l, int t, int r, int b)
{
    CVortanRect rect;
    rect.Set(l, t, r, b);
    return rect;
}

struct Scene {
    Scene()
    {
        if (!window.Id() || ext.Create(window.Id()) != 1)
            return;
        ext.Resize(800, 480);
        manager.Init(nullptr, nullptr);
        CVortanSurface* image = new CVortanSurface();
        CVortanSurfaceDesc d = {64, 64, 0, VORTAN_PIXEL_ABGR8888, VORTAN_SURFACE_TEXTURE};
        image->Create(nullptr, &d);
        image->Clear(0xC0408020, nullptr);
        manager.AddSurface(CVortanString("cell.png"), image);
        surface = image;

        root.Startup(nullptr, &manager, Rect(0, 0, 800, 480));
        const int cw = 800 / kColumns, ch = 480 / kRows;
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < kColumns; ++column) {
                CAlignment* cell = new CAlignment();
                cell->Startup(nullptr, &manager,
                              Rect(column * cw, row * ch, (column + 1) * cw, (row + 1) * ch));
                cell->SetAlignFlags(ALIGN_STRETCH_X | ALIGN_STRETCH_Y);
                for (int i = 0; i < 4; ++i)
                    cell->SetMargin(i, 2);
                CDivider* split = new CDivider();
                split->Startup(nullptr, &manager, Rect(0, 0, 1, 1));
                split->SetAspect(0.5f);
                for (int i = 0; i < kPerCell; ++i) {
                    CImageWidget* leaf = (i % 3 == 2) ? new CButton() : new CImageWidget();
                    leaf->Startup(nullptr, &manager, Rect(0, 0, 1, 1));
                    leaf->SetImage(image);
                    split->AddChild(leaf);
                }
                cell->AddChild(split);
                root.AddChild(cell);
            }
        root.Update(0.0f);
        root.Update(0.0f);
        // The screen rects of the leaves, for the hand-written loop.
        for (int c = 0; c < root.GetChildCount(); ++c) {
            CWidget* cell = root.GetChild(c);
            CWidget* split = cell->GetChild(0);
            for (int i = 0; i < split->GetChildCount(); ++i) {
                CVortanRect r = split->GetChild(i)->GetRect();
                r.Offset(cell->GetRect().left + split->GetRect().left,
                         cell->GetRect().top + split->GetRect().top);
                rects.push_back(r);
            }
            CVortanRect clip = split->GetRect();
            clip.Offset(cell->GetRect().left, cell->GetRect().top);
            clips.push_back(clip);
        }
        ok = rects.size() == (size_t)(kColumns * kRows * kPerCell);
    }
    ~Scene()
    {
        root.Shutdown();
        manager.ReleaseAll();
        ext.Close();
    }
    gtest_graphics::Xvfb xvfb;
    gtest_graphics::TestWindow window;
    CVortanGraphicsExt_GLES2 ext;
    COrloResourceManager manager;
    CWidget root;
    CVortanSurface* surface = nullptr;
    std::vector<CVortanRect> rects;
    std::vector<CVortanRect> clips; // each divider's screen rect
    bool ok = false;
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

void BM_WidgetTreeFrame(benchmark::State& state)
{
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    long allocations = 0;
    for (auto _ : state) {
        long before = g_allocations.load();
        s.root.Update(1.0f / 60.0f);
        s.root.RenderAt(&s.ext);
        allocations += g_allocations.load() - before;
        glFinish();
    }
    state.counters["allocs/frame"] = (double)allocations / (double)state.iterations();
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_HandWrittenBlitLoop(benchmark::State& state)
{
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    CVortanRect source = Rect(0, 0, 64, 64);
    for (auto _ : state) {
        for (const CVortanRect& r : s.rects)
            s.ext.BlitStretch(&r, s.surface, &source, VORTAN_BLIT_ALPHA);
        glFinish();
    }
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

// The same loop clipped as the tree clips: each divider's children to the divider's rect.
void BM_HandWrittenBlitLoopWithClips(benchmark::State& state)
{
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    CVortanRect source = Rect(0, 0, 64, 64);
    for (auto _ : state) {
        for (size_t c = 0; c < s.clips.size(); ++c) {
            s.ext.SetClipRect(&s.clips[c]);
            for (int i = 0; i < kPerCell; ++i)
                s.ext.BlitStretch(&s.rects[c * kPerCell + i], s.surface, &source,
                                  VORTAN_BLIT_ALPHA);
        }
        s.ext.SetClipRect(nullptr);
        glFinish();
    }
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

// Real time: each frame ends with glFinish, and the driver draws on threads of its own.
BENCHMARK(BM_WidgetTreeFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HandWrittenBlitLoop)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HandWrittenBlitLoopWithClips)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
