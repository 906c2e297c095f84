// The slide area's drawing: children at the scrolled offset clipped to the area, then the
// arrows and the fading scrollbars at their own places.
#include <math.h>

#include "engine/graphics/VortanGraphicsContext.h"
#include "ui/anim/EasingCurve.h"
#include "ui/layouts/SlideArea.h"

namespace {
CVortanRect Intersect(const CVortanRect& a, const CVortanRect& b)
{
    CVortanRect r;
    r.Set(a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
          a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom);
    return r;
}

bool Touches(const CVortanRect& a, const CVortanRect& b)
{
    return !(a.right < b.left || a.left > b.right || a.bottom < b.top || a.top > b.bottom);
}
} // namespace

int CSlideArea::GetScrollbarAlpha() const
{
    const float fade = m_fadeCurve ? m_fadeCurve->Evaluate(1.0f - m_scrollbarTimer * 0.5f) : 0.0f;
    int a = (int)(255.0f * fade);
    return a < 0 ? 0 : (a > 255 ? 255 : a);
}

int CSlideArea::GetScrollbarOffset() const
{
    const CWidget* bar = m_decorations[SLIDE_SCROLLBAR_VERTICAL];
    if (!bar)
        return 0;
    const int least = ClampScrollY(m_content.top);
    const int span = ClampScrollY(m_content.bottom) - least;
    if (span <= 0)
        return 0; // the content fits: the bar stays where its rect puts it
    const float room = (float)(GetHeight() - bar->GetHeight() - 2 * bar->GetRect().top);
    return (int)floorf(room * (float)(GetVisibleY() - least) / (float)span + 0.5f);
}

int CSlideArea::DrawClipped(CWidget* widget, IVortanGraphicsContext* gc, const CVortanRect& moved,
                            const CVortanRect& area, const CVortanRect& narrowed)
{
    if (!Touches(moved, area))
        return VORTAN_OK;
    if (gc) {
        const CVortanRect clip = Intersect(narrowed, moved);
        gc->SetClipRect(&clip);
    }
    return widget->Render(gc, moved);
}

int CSlideArea::Render(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!IsVisible())
        return VORTAN_OK;
    CWalkGuard walk;
    int rc = RenderSelf(gc, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    CVortanRect saved{};
    CVortanRect narrowed = rect;
    if (gc) {
        saved = gc->GetClipRect();
        narrowed = Intersect(saved, rect);
        gc->SetClipRect(&narrowed);
    }
    const int sx = GetVisibleX(), sy = GetVisibleY();
    auto fail = [&](int code) {
        ReportError(code);
        if (gc)
            gc->SetClipRect(&saved);
        return code;
    };
    for (int i = 0; !IsGone() && i < GetChildCount();) {
        CWidget* child = GetChild(i);
        if (!child->IsVisible()) {
            ++i;
            continue;
        }
        CVortanRect moved = child->GetRect();
        moved.Offset(rect.left - sx, rect.top - sy);
        rc = DrawClipped(child, gc, moved, rect, narrowed);
        if (rc != VORTAN_OK)
            return fail(rc);
        i = NextChildIndex(i, child);
    }
    for (int i = 0; !IsGone() && i < SLIDE_DECORATION_COUNT; ++i) {
        CWidget* d = m_decorations[i];
        if (!d || !d->IsVisible())
            continue;
        CVortanRect moved = d->GetRect();
        moved.Offset(rect.left, rect.top);
        if (i >= SLIDE_SCROLLBAR_HORIZONTAL)
            d->SetColor(((u32)GetScrollbarAlpha() << 24) | 0xFFFFFFu);
        if (i == SLIDE_SCROLLBAR_VERTICAL)
            moved.Offset(0, GetScrollbarOffset());
        rc = DrawClipped(d, gc, moved, rect, narrowed);
        if (rc != VORTAN_OK)
            return fail(rc);
    }
    if (gc)
        gc->SetClipRect(&saved);
    return VORTAN_OK;
}
