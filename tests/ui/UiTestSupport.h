// Pieces the toolkit tests share: a drawing context that records what the widgets ask of it,
// plain and counted surfaces, and a resource manager on a window-less application.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloResourceManager.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/ui/WidgetTestSupport.h"

namespace uitest {

// One drawing call: its kind, target, source, colour, flags and the clip in force.
struct DrawCall {
    std::string kind; // "blit", "stretch", "tinted"
    CVortanRect dst;
    CVortanRect src;
    u32 color;
    u32 flags;
    CVortanRect clip;
    bool clipOff; // clipping switched off (SetClipRect (null))
    IVortanGraphicsContext* source;
};

// The window-less extension of the tests, keeping the calls of the image drawing operations
// instead of checking textures.
class RecordingGC : public CVortanGraphicsExt_Null {
public:
    RecordingGC(int width = 800, int height = 480)
    {
        Create(0);
        Resize(width, height);
        m_clipOff = false;
    }
    int Blit(int x, int y, IVortanGraphicsContext* source, const CVortanRect* srcRect,
             u32 flags) override
    {
        CVortanRect dst;
        dst.Set(x, y, x, y);
        return Record("blit", dst, source, srcRect, 0xFFFFFFFF, flags);
    }
    int BlitStretch(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                    const CVortanRect* srcRect, u32 flags) override
    {
        return Record("stretch", *dstRect, source, srcRect, 0xFFFFFFFF, flags);
    }
    int BlitStretchTinted(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                          const CVortanRect* srcRect, u32 color, u32 flags) override
    {
        return Record("tinted", *dstRect, source, srcRect, color, flags);
    }
    void SetClipRect(const CVortanRect* rect) override
    {
        m_clipOff = rect == nullptr;
        CVortanGraphicsExt_Null::SetClipRect(rect);
    }

    std::vector<DrawCall> calls;
    int result = VORTAN_OK;

private:
    int Record(const char* kind, const CVortanRect& dst, IVortanGraphicsContext* source,
               const CVortanRect* src, u32 color, u32 flags)
    {
        DrawCall call;
        call.kind = kind;
        call.dst = dst;
        if (src)
            call.src = *src;
        else
            call.src.Set(-1, -1, -1, -1);
        call.color = color;
        call.flags = flags;
        call.clip = GetClipRect();
        call.clipOff = m_clipOff;
        call.source = source;
        calls.push_back(call);
        return result;
    }
    bool m_clipOff = false;
};

// A plain surface of the size (ARGB, no texture), owned by the caller until handed over.
inline CVortanSurface* MakeSurface(IVortanApplication* app, int width, int height)
{
    CVortanSurface* surface = new CVortanSurface();
    CVortanSurfaceDesc desc = {width, height, 0, VORTAN_PIXEL_ARGB8888, 0};
    EXPECT_EQ(VORTAN_OK, surface->Create(app, &desc));
    return surface;
}

// A surface that counts its deletions in g_deletedSurfaces.
inline int g_deletedSurfaces = 0;
class CountedSurface : public CVortanSurface {
public:
    ~CountedSurface() override { ++g_deletedSurfaces; }
};

// A counted surface of the size (ARGB, no texture), owned by the caller until handed over.
inline CVortanSurface* Counted(IVortanApplication* app, int width, int height)
{
    CVortanSurface* surface = new CountedSurface();
    CVortanSurfaceDesc desc = {width, height, 0, VORTAN_PIXEL_ARGB8888, 0};
    EXPECT_EQ(VORTAN_OK, surface->Create(app, &desc));
    return surface;
}

// A window-less application with its resource manager.
class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() : app(800, 480) { manager.Init(&app, nullptr); }
    ~ManagerTest() override { manager.ReleaseAll(); }

    rtest::ScreenApp app;
    COrloResourceManager manager;
};

} // namespace uitest
