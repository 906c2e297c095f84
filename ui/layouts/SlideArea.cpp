// The slide area: its offsets, glides, content rect, lifecycle and copying.
#include "ui/layouts/SlideArea.h"

#include <math.h>

#include <new>

#include "ui/WidgetCast.h"
#include "ui/anim/EasingCurve.h"

namespace {
const float kIdleDuration = 1.0f;

int RoundHalfUp(float v)
{
    return (int)floorf(v + 0.5f);
}
} // namespace

CSlideArea::CSlideArea()
    : m_content{}, m_scrollX(0), m_scrollY(0), m_pressX(0), m_pressY(0), m_live(0.0f, 0.0f),
      m_glide(0.0f, 0.0f), m_threshold(0.0f, 0.0f), m_dragTime(0.0f), m_glideLeft(0.0f),
      m_glideDuration(kIdleDuration), m_pressed(nullptr), m_scrollCurve(nullptr), m_decorations{},
      m_scrollFlags(SCROLL_DECORATIONS_PENDING), m_scrollbarTimer(0.0f), m_fadeCurve(nullptr)
{}

CSlideArea::~CSlideArea()
{
    for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i)
        delete m_decorations[i];
    delete m_scrollCurve;
    delete m_fadeCurve;
}

int CSlideArea::Startup(COrloApplication* context, COrloResourceManager* resources,
                        const CVortanRect& rect)
{
    int rc = CLayout::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_content.Set(0, 0, 0, 0);
    m_scrollX = m_scrollY = 0;
    m_pressX = m_pressY = 0;
    m_live.Set(0.0f, 0.0f);
    m_glide.Set(0.0f, 0.0f);
    m_threshold.Set(0.0f, 0.0f);
    m_dragTime = 0.0f;
    m_glideLeft = 0.0f;
    m_glideDuration = kIdleDuration;
    m_scrollFlags = SCROLL_DECORATIONS_PENDING;
    SetIntercept(true);
    m_pressed = nullptr;
    for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i) {
        CWidget::Destroy(m_decorations[i]);
        m_decorations[i] = nullptr;
    }
    m_scrollbarTimer = 0.0f;
    delete m_scrollCurve;
    delete m_fadeCurve;
    m_scrollCurve = CEasingCurveOneMinusPow5::Create(0, nullptr);
    m_fadeCurve = CEasingCurveOneMinusPow8::Create(0, nullptr);
    return VORTAN_OK;
}

void CSlideArea::Shutdown()
{
    for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i) {
        CWidget::Destroy(m_decorations[i]);
        m_decorations[i] = nullptr;
    }
    delete m_scrollCurve;
    m_scrollCurve = nullptr;
    delete m_fadeCurve;
    m_fadeCurve = nullptr;
    m_pressed = nullptr;
    CLayout::Shutdown();
}

CWidget* CSlideArea::CreateInstance() const
{
    return new (std::nothrow) CSlideArea();
}

void CSlideArea::CopyFrom(const CWidget* other)
{
    CWidget::CopyFrom(other);
    const CSlideArea* source = WidgetCast<CSlideArea>(other);
    if (!source || source == this)
        return;
    delete m_scrollCurve;
    m_scrollCurve = source->m_scrollCurve ? source->m_scrollCurve->Clone() : nullptr;
    delete m_fadeCurve;
    m_fadeCurve = source->m_fadeCurve ? source->m_fadeCurve->Clone() : nullptr;
    m_scrollX = source->m_scrollX;
    m_scrollY = source->m_scrollY;
    m_glide = source->m_glide;
    m_threshold = source->m_threshold;
    m_content = source->m_content;
    m_scrollFlags = (u8)((m_scrollFlags & ~(SCROLL_ENABLED | SCROLL_DECORATIONS_PENDING)) |
                         (source->m_scrollFlags & (SCROLL_ENABLED | SCROLL_DECORATIONS_PENDING)));
    m_dragTime = 0.0f;
    m_live.Set(0.0f, 0.0f);
    m_glideLeft = 0.0f;
    m_glideDuration = kIdleDuration;
    for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i) {
        CWidget::Destroy(m_decorations[i]);
        m_decorations[i] = source->m_decorations[i] ? source->m_decorations[i]->Clone() : nullptr;
    }
}

void CSlideArea::SetScrollEnabled(bool enabled)
{
    m_scrollFlags =
        (u8)(enabled ? (m_scrollFlags | SCROLL_ENABLED) : (m_scrollFlags & ~SCROLL_ENABLED));
    SetIntercept(enabled);
    SetPassThrough(!enabled);
}

int CSlideArea::GetScrollX() const
{
    return m_scrollX + RoundHalfUp(m_live.x);
}

int CSlideArea::GetScrollY() const
{
    return m_scrollY + RoundHalfUp(m_live.y);
}

void CSlideArea::SetScrollY(int y)
{
    m_scrollY = y - RoundHalfUp(m_live.y);
}

int CSlideArea::GetVisibleX() const
{
    return ClampScrollX(GetScrollX());
}

int CSlideArea::GetVisibleY() const
{
    return ClampScrollY(GetScrollY());
}

CVortanRect CSlideArea::GetViewRect() const
{
    CVortanRect view;
    const int x = GetScrollX(), y = GetScrollY();
    view.Set(x, y, x + GetWidth(), y + GetHeight());
    return view;
}

int CSlideArea::ClampScrollX(int) const
{
    return 0;
}

int CSlideArea::ClampScrollY(int y) const
{
    // The offset is a position in the content: it runs from the content's top to where the
    // view meets the content's bottom (the top, when the content is shorter than the view). An
    // offset in that range stays as it is, so repeated scrolls by 0 never move the content.
    const int least = m_content.top;
    int most = m_content.bottom - GetHeight();
    if (most < least)
        most = least;
    return y < least ? least : (y > most ? most : y);
}

void CSlideArea::ScrollBy(int dx, int dy)
{
    m_scrollX = ClampScrollX(m_scrollX + dx);
    m_scrollY = ClampScrollY(m_scrollY + dy);
}

float CSlideArea::GlideProgress() const
{
    if (!m_scrollCurve || !(m_glideDuration > 0.0f))
        return 1.0f;
    float t = m_glideLeft / m_glideDuration;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    return m_scrollCurve->Evaluate(t);
}

void CSlideArea::StopGlide(bool fireEnd)
{
    const float e = m_glideLeft > 0.0f ? GlideProgress() : 0.0f;
    ScrollBy(0, RoundHalfUp(e * m_glide.y));
    m_glide.Set(0.0f, 0.0f);
    m_live.Set(0.0f, 0.0f);
    m_glideLeft = 0.0f;
    m_glideDuration = kIdleDuration;
    if (fireEnd)
        OnEndScroll();
}

void CSlideArea::ScrollTo(int x, int y, float time)
{
    if (m_glideLeft > 0.0f)
        StopGlide(false);
    if (!(time > 0.0f)) {
        ScrollBy(x - m_scrollX, y - m_scrollY);
        return;
    }
    m_glide.Set((float)(x - m_scrollX), (float)(y - m_scrollY));
    m_glideLeft = time;
    m_glideDuration = time;
}

void CSlideArea::OnBeginScroll()
{
    m_scrollFlags |= SCROLL_SCROLLING;
    m_onBeginScroll.Call(this);
}

void CSlideArea::OnEndScroll()
{
    m_scrollFlags &= (u8)~SCROLL_SCROLLING;
    m_onEndScroll.Call(this);
}

void CSlideArea::DoLayout()
{
    CVortanRect content = CWidget::GetClientRect();
    for (int i = 0; i < GetChildCount(); ++i) {
        const CVortanRect& r = GetChild(i)->GetRect();
        if (r.left < content.left)
            content.left = r.left;
        if (r.top < content.top)
            content.top = r.top;
        if (r.right > content.right)
            content.right = r.right;
        if (r.bottom > content.bottom)
            content.bottom = r.bottom;
    }
    m_content = content;
}

CVortanRect CSlideArea::GetClientRect() const
{
    return m_content;
}

void CSlideArea::LocalToParent(int& x, int& y) const
{
    x -= GetVisibleX();
    y -= GetVisibleY();
    CWidget::LocalToParent(x, y);
}

void CSlideArea::ParentToLocal(int& x, int& y) const
{
    CWidget::ParentToLocal(x, y);
    x += GetVisibleX();
    y += GetVisibleY();
}

CWidget* CSlideArea::GetDecoration(int which) const
{
    return (which >= 0 && which < SLIDE_DECORATION_COUNT) ? m_decorations[which] : nullptr;
}

bool CSlideArea::IsDecoration(const CWidget* widget) const
{
    for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i)
        if (m_decorations[i] && widget && widget->IsSelfOrAncestor(m_decorations[i]))
            return true;
    return false;
}

int CSlideArea::Update(float dt)
{
    if (GetCapture() == this) {
        m_dragTime += dt;
    } else if (m_glideLeft > 0.0f) {
        m_glideLeft -= dt;
        const float e = GlideProgress();
        m_live.Set(e * m_glide.x, e * m_glide.y);
        if (m_glideLeft <= 0.0f) {
            ScrollBy(RoundHalfUp(m_live.x), RoundHalfUp(m_live.y));
            m_glide.Set(0.0f, 0.0f);
            m_live.Set(0.0f, 0.0f);
            m_glideLeft = 0.0f;
            m_glideDuration = kIdleDuration;
            OnEndScroll();
        }
    }
    CreateDecorations();
    for (int i = SLIDE_ARROW_LEFT; i <= SLIDE_ARROW_BOTTOM; ++i)
        if (m_decorations[i] && m_decorations[i]->IsVisible())
            m_decorations[i]->Update(dt);
    m_scrollbarTimer -= dt;
    if (m_scrollbarTimer < 0.0f)
        m_scrollbarTimer = 0.0f;
    for (int i = SLIDE_SCROLLBAR_HORIZONTAL; i <= SLIDE_SCROLLBAR_VERTICAL; ++i)
        if (m_decorations[i])
            m_decorations[i]->Update(dt);
    int rc = CWidget::Update(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    return VORTAN_OK;
}

void CSlideArea::CreateDecorations()
{
    if (m_scrollFlags & SCROLL_DECORATIONS_PENDING) {
        static const char* const names[SLIDE_DECORATION_COUNT] = {
            "arrow_left_template",           "arrow_top_template",
            "arrow_right_template",          "arrow_bottom_template",
            "scrollbar_horizontal_template", "scrollbar_vertical_template"};
        m_scrollFlags &= (u8)~SCROLL_DECORATIONS_PENDING;
        for (int i = 0; i < SLIDE_DECORATION_COUNT; ++i) {
            CWidget* found = DetachTemplate(CVortanString(names[i]));
            if (found) {
                CWidget::Destroy(m_decorations[i]);
                m_decorations[i] = found;
            }
        }
    }
    const int sx = GetVisibleX(), sy = GetVisibleY();
    if (m_decorations[SLIDE_ARROW_TOP])
        m_decorations[SLIDE_ARROW_TOP]->SetVisible(m_content.top < sy);
    if (m_decorations[SLIDE_ARROW_BOTTOM])
        m_decorations[SLIDE_ARROW_BOTTOM]->SetVisible(GetHeight() + sy < m_content.bottom);
    if (m_decorations[SLIDE_ARROW_LEFT])
        m_decorations[SLIDE_ARROW_LEFT]->SetVisible(m_content.left < sx);
    if (m_decorations[SLIDE_ARROW_RIGHT])
        m_decorations[SLIDE_ARROW_RIGHT]->SetVisible(GetWidth() + sx < m_content.right);
    for (int i = SLIDE_SCROLLBAR_HORIZONTAL; i <= SLIDE_SCROLLBAR_VERTICAL; ++i)
        if (m_decorations[i])
            m_decorations[i]->SetVisible(true);
}

void CSlideArea::OnVisibilityChanged(bool visible)
{
    m_scrollbarTimer = visible ? 2.0f : 0.0f;
    CLayout::OnVisibilityChanged(visible);
}

void CSlideArea::OnChildRemoved(CWidget* child)
{
    if (m_pressed && child && m_pressed->IsSelfOrAncestor(child))
        m_pressed = nullptr;
    CLayout::OnChildRemoved(child);
}
