// The slide area's pointer handling: press, drag past the threshold, release with a tap or a
// fling, and the child under the finger that gets the press while no drag runs.
#include <math.h>

#include "ui/layouts/SlideArea.h"

namespace {
const float kScrollbarSeconds = 2.0f;
const float kFlingSeconds = 1.0f;
const float kFlingShare = 0.2f;
const float kLongestFlingDrag = 1.0f;
const float kSlowestFlingSquared = 100.0f;

int RoundHalfUpInput(float v)
{
    return (int)floorf(v + 0.5f);
}
} // namespace

void CSlideArea::PointInto(CWidget* widget, int& x, int& y) const
{
    if (IsDecoration(widget)) {
        // Decorations stand in the unscrolled space and are not children.
        x -= GetVisibleX();
        y -= GetVisibleY();
        for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i) {
            CWidget* d = m_decorations[i];
            if (!d || !widget->IsSelfOrAncestor(d))
                continue;
            d->ParentToLocal(x, y);
            if (widget != d)
                widget->ConvertPoint(d, x, y);
            return;
        }
        return;
    }
    widget->ConvertPoint(this, x, y);
}

CWidget* CSlideArea::PressTargetAt(int x, int y)
{
    static const int arrows[] = {SLIDE_ARROW_LEFT, SLIDE_ARROW_TOP, SLIDE_ARROW_RIGHT,
                                 SLIDE_ARROW_BOTTOM};
    const int ux = x - GetVisibleX(), uy = y - GetVisibleY();
    for (int which : arrows) {
        CWidget* arrow = m_decorations[which];
        if (!arrow || !arrow->IsEnabled() || !arrow->IsVisible() ||
            !arrow->GetRect().Contains(ux, uy))
            continue;
        int ax = ux, ay = uy;
        arrow->ParentToLocal(ax, ay);
        CWidget* inner = arrow->ChildAt(ax, ay);
        return inner ? inner : arrow;
    }
    return CWidget::ChildAt(x, y);
}

CWidget* CSlideArea::ChildAt(int x, int y)
{
    CWidget* found = PressTargetAt(x, y);
    // The decorations have no parent: a widget above the area could not bring a point into
    // their space, nor would they count as below it. While scrolling is off (and hit tests go
    // past the area into its children) the area answers for its arrows itself and hands them
    // the pointer in their own space.
    if (found && !IsScrollEnabled() && IsDecoration(found))
        return this;
    return found;
}

bool CSlideArea::HoldsForDecoration() const
{
    return !IsScrollEnabled() && GetCapture() == this && m_pressed && IsDecoration(m_pressed);
}

void CSlideArea::HandToDecoration(PointerDispatch dispatch, int button, int x, int y)
{
    CWidget* pressed = m_pressed;
    int cx = x, cy = y;
    PointInto(pressed, cx, cy);
    SetCapture(pressed);
    (pressed->*dispatch)(button, cx, cy);
    if (IsGone())
        return;
    CWidget* holder = GetCapture();
    if (holder && IsDecoration(holder) && m_pressed == pressed) {
        SetCapture(this);
        return;
    }
    if (holder == pressed || holder == this)
        SetCapture(nullptr);
    if (m_pressed == pressed)
        m_pressed = nullptr;
}

void CSlideArea::DispatchPointerDown(int button, int x, int y)
{
    CWidget* capture = GetCapture();
    if (IsScrollEnabled() || !IsVisible() || !IsEnabled() ||
        (capture && !IsSelfOrAncestor(capture))) {
        CLayout::DispatchPointerDown(button, x, y);
        return;
    }
    CWidget* found = PressTargetAt(x, y);
    if (!found || !IsDecoration(found)) {
        CLayout::DispatchPointerDown(button, x, y);
        return;
    }
    m_pressed = found;
    int cx = x, cy = y;
    PointInto(found, cx, cy);
    found->DispatchPointerDown(button, cx, cy);
    if (IsGone())
        return;
    // A decoration that took the pointer keeps it through the area.
    CWidget* holder = GetCapture();
    if (holder && IsDecoration(holder) && m_pressed == found)
        SetCapture(this);
    else if (m_pressed == found)
        m_pressed = nullptr;
}

void CSlideArea::DispatchPointerMove(int button, int x, int y)
{
    if (HoldsForDecoration() && IsVisible() && IsEnabled())
        HandToDecoration(&CWidget::DispatchPointerMove, button, x, y);
    else
        CLayout::DispatchPointerMove(button, x, y);
}

void CSlideArea::DispatchPointerUp(int button, int x, int y)
{
    if (!HoldsForDecoration() || !IsVisible() || !IsEnabled()) {
        CLayout::DispatchPointerUp(button, x, y);
        return;
    }
    HandToDecoration(&CWidget::DispatchPointerUp, button, x, y);
    if (IsGone())
        return;
    // The release ends the press whatever the decoration did with the pointer.
    if (GetCapture() == this)
        SetCapture(nullptr);
    m_pressed = nullptr;
}

void CSlideArea::CancelPointer()
{
    if (HoldsForDecoration()) {
        SetCapture(nullptr);
        ForgetPressed(true);
        return;
    }
    CLayout::CancelPointer();
}

void CSlideArea::ForgetPressed(bool cancel)
{
    CWidget* pressed = m_pressed;
    m_pressed = nullptr;
    if (cancel && pressed)
        pressed->CancelPointer();
}

void CSlideArea::OnPointerDown(int button, int x, int y)
{
    if (!IsScrollEnabled()) {
        m_pressed = PressTargetAt(x, y);
        if (m_pressed) {
            int cx = x, cy = y;
            PointInto(m_pressed, cx, cy);
            m_pressed->DispatchPointerDown(button, cx, cy);
        }
        CLayout::OnPointerDown(button, x, y);
        return;
    }
    StopGlide(true);
    int px = x, py = y;
    LocalToParent(px, py);
    m_pressX = px;
    m_pressY = py;
    m_scrollFlags &= (u8)~SCROLL_DRAGGING;
    m_live.Set(0.0f, 0.0f);
    m_dragTime = 0.0f;
    OnBeginScroll();
    m_pressed = PressTargetAt(x, y);
    if (m_pressed) {
        int cx = x, cy = y;
        PointInto(m_pressed, cx, cy);
        m_pressed->DispatchPointerDown(button, cx, cy);
    } else {
        m_scrollbarTimer = kScrollbarSeconds;
    }
    if (!IsGone())
        SetCapture(this);
    CLayout::OnPointerDown(button, x, y);
}

void CSlideArea::ForwardMove(int button, int x, int y)
{
    if (IsDragging() || !m_pressed)
        return;
    if (PressTargetAt(x, y) != m_pressed) {
        ForgetPressed(true);
        return;
    }
    CWidget* held = GetCapture();
    int cx = x, cy = y;
    PointInto(m_pressed, cx, cy);
    SetCapture(m_pressed);
    m_pressed->DispatchPointerMove(button, cx, cy);
    if (GetCapture() == m_pressed || !GetCapture())
        SetCapture(held == this && !IsGone() ? this : held);
}

void CSlideArea::OnPointerMove(int button, int x, int y)
{
    if (!IsScrollEnabled()) {
        ForwardMove(button, x, y);
        return;
    }
    if (GetCapture() != this)
        return;
    int px = x, py = y;
    LocalToParent(px, py);
    m_live.Set(0.0f, (float)(m_pressY - py));
    if (!IsDragging()) {
        const float dragged = m_live.x * m_live.x + m_live.y * m_live.y;
        const float needed = m_threshold.x * m_threshold.x + m_threshold.y * m_threshold.y;
        if (dragged > needed && dragged > 0.0f)
            m_scrollFlags |= SCROLL_DRAGGING;
        else
            m_live.Set(0.0f, 0.0f);
    }
    m_scrollbarTimer = kScrollbarSeconds;
    // The point as it lies in the content now that the live offset may have changed.
    int lx = px, ly = py;
    ParentToLocal(lx, ly);
    ForwardMove(button, lx, ly);
}

void CSlideArea::OnPointerUp(int button, int x, int y)
{
    if (!IsScrollEnabled()) {
        ForgetPressed(true);
        CLayout::OnPointerUp(button, x, y);
        return;
    }
    if (GetCapture() != this) {
        CLayout::OnPointerUp(button, x, y);
        return;
    }
    SetCapture(nullptr);
    int px = x, py = y;
    LocalToParent(px, py);
    m_live.Set(0.0f, (float)(m_pressY - py));
    const float dragged = m_live.x * m_live.x + m_live.y * m_live.y;
    const float needed = m_threshold.x * m_threshold.x + m_threshold.y * m_threshold.y;
    const int dx = RoundHalfUpInput(m_live.x), dy = RoundHalfUpInput(m_live.y);
    if (dragged <= needed) {
        if (!m_pressed) {
            m_live.Set(0.0f, 0.0f);
            ScrollBy(dx, dy);
        } else if (!IsDragging()) {
            CWidget* pressed = m_pressed;
            m_pressed = nullptr;
            int cx = x, cy = y;
            PointInto(pressed, cx, cy);
            SetCapture(pressed);
            pressed->DispatchPointerUp(button, cx, cy);
            if (GetCapture() == pressed)
                SetCapture(nullptr);
        } else {
            ForgetPressed(true);
            m_live.Set(0.0f, 0.0f);
            ScrollBy(dx, dy);
        }
        m_pressed = nullptr;
    } else {
        ForgetPressed(true);
        const CVortanVector2 drag = m_live;
        m_live.Set(0.0f, 0.0f);
        ScrollBy(dx, dy);
        const bool timed = m_dragTime > 0.0f;
        const float vx = timed ? drag.x / m_dragTime : 0.0f;
        const float vy = timed ? drag.y / m_dragTime : 0.0f;
        if (!timed || vx * vx + vy * vy <= kSlowestFlingSquared || m_dragTime > kLongestFlingDrag) {
            m_glide.Set(0.0f, 0.0f);
            m_glideLeft = 0.0f;
            m_glideDuration = 1.0f;
            OnEndScroll();
        } else {
            m_glideLeft = kFlingSeconds;
            m_glideDuration = kFlingSeconds;
            m_glide.Set(vx * kFlingShare, vy * kFlingShare);
        }
    }
    m_live.Set(0.0f, 0.0f);
    if (!IsGone())
        CLayout::OnPointerUp(button, x, y);
}
