// The expandable: choosing states, the eased size animation, filling children and clipping.
#include "ui/widgets/Expandable.h"

#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/LayoutMath.h"
#include "ui/widgets/ClipOverlap.h"

namespace {

void CopyList(CVortanArray<i32>& to, const CVortanArray<i32>& from)
{
    to.SetSize(0);
    for (int i = 0; i < from.GetSize(); ++i)
        to.SetAtGrow(to.GetSize(), from.ElementAt(i));
}

} // namespace

CExpandable::CExpandable()
    : m_state(-1), m_startWidth(0), m_startHeight(0), m_firstUpdate(true), m_timeLeft(0.0f),
      m_widthDelta(0.0f), m_heightDelta(0.0f), m_transitionTime(0.25f)
{}

CExpandable::~CExpandable() {}

CWidget* CExpandable::CreateInstance() const
{
    return new (std::nothrow) CExpandable();
}

int CExpandable::Startup(COrloApplication* context, COrloResourceManager* resources,
                         const CVortanRect& rect)
{
    int rc = CButton::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_state = -1;
    m_startWidth = 0;
    m_startHeight = 0;
    m_firstUpdate = true;
    m_timeLeft = 0.0f;
    m_widthDelta = 0.0f;
    m_heightDelta = 0.0f;
    m_transitionTime = 0.25f;
    m_widths.SetSize(0);
    m_heights.SetSize(0);
    m_onBeginExpand = CUIDelegate();
    m_onEndExpand = CUIDelegate();
    return VORTAN_OK;
}

void CExpandable::Shutdown()
{
    m_widths.SetSize(0);
    m_heights.SetSize(0);
    CButton::Shutdown();
}

void CExpandable::SetTargets(const CVortanArray<i32>& widths, const CVortanArray<i32>& heights)
{
    CopyList(m_widths, widths);
    CopyList(m_heights, heights);
}

int CExpandable::GetStateCount() const
{
    return m_widths.GetSize() > m_heights.GetSize() ? m_widths.GetSize() : m_heights.GetSize();
}

int CExpandable::GetStateHeight(int i) const
{
    if (i < 0 || i >= GetStateCount() || i >= m_heights.GetSize())
        return GetHeight();
    return m_heights.ElementAt(i);
}

int CExpandable::TargetWidth() const
{
    if (m_widths.GetSize() == 0 || m_state < 0)
        return GetWidth();
    return m_widths.ElementAt(m_state % m_widths.GetSize());
}

int CExpandable::TargetHeight() const
{
    if (m_heights.GetSize() == 0 || m_state < 0)
        return GetHeight();
    return m_heights.ElementAt(m_state % m_heights.GetSize());
}

int CExpandable::ChooseState(int index) const
{
    const int count = GetStateCount();
    if (count == 0)
        return -1;
    int state = index % count;
    if (state < 0)
        state = 0;
    return state == m_state ? -1 : state;
}

void CExpandable::ApplyTargets()
{
    const CVortanRect& r = GetRect();
    CVortanRect rect;
    rect.Set(r.left, r.top, r.left + TargetWidth(), r.top + TargetHeight());
    SetRect(rect);
}

void CExpandable::SetStateAnimated(int index)
{
    const int state = ChooseState(index);
    if (state < 0)
        return;
    m_state = state;
    m_startWidth = GetWidth();
    m_startHeight = GetHeight();
    m_timeLeft = m_transitionTime;
    m_widthDelta = m_widths.GetSize() ? (float)(TargetWidth() - m_startWidth) : 0.0f;
    m_heightDelta = m_heights.GetSize() ? (float)(TargetHeight() - m_startHeight) : 0.0f;
    m_onBeginExpand.Call(this);
    // A change without time to run would never reach its end in UpdateSelf: it ends here.
    if (!(m_transitionTime > 0.0f)) {
        m_timeLeft = 0.0f;
        ApplyTargets();
        m_onEndExpand.Call(this);
    }
}

void CExpandable::SetState(int index)
{
    const int state = ChooseState(index);
    if (state < 0)
        return;
    m_state = state;
    m_startWidth = GetWidth();
    m_startHeight = GetHeight();
    m_onBeginExpand.Call(this);
    ApplyTargets();
    m_onEndExpand.Call(this);
}

int CExpandable::UpdateSelf(float dt)
{
    // The first update settles an expandable that has no state yet on state 0. One whose owner
    // already chose a state (opened before its first frame) keeps it and its running change.
    if (m_firstUpdate) {
        m_firstUpdate = false;
        if (m_state < 0) {
            SetStateAnimated(0);
            if (m_timeLeft >= m_transitionTime && m_timeLeft > 0.0f)
                m_timeLeft = dt * 0.5f;
        }
    }
    int rc = CButton::UpdateSelf(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    if (m_timeLeft > 0.0f) {
        m_timeLeft -= dt;
        if (m_timeLeft <= 0.0f) {
            ApplyTargets();
            m_onEndExpand.Call(this);
        } else {
            const float p = 1.0f - m_timeLeft / m_transitionTime;
            const float p2 = p * p;
            const int width = LayoutClampToInt((float)m_startWidth + p2 * m_widthDelta);
            const int height = LayoutClampToInt((float)m_startHeight + p2 * m_heightDelta);
            const CVortanRect& r = GetRect();
            CVortanRect rect;
            rect.Set(r.left, r.top, r.left + width, r.top + height);
            SetRect(rect);
        }
    }
    return VORTAN_OK;
}

void CExpandable::FillChildren()
{
    const CVortanRect client = GetClientRect();
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* child = GetChild(i);
        if (child)
            child->SetRect(client);
    }
}

void CExpandable::OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect)
{
    CButton::OnRectChanged(oldRect, newRect);
    FillChildren();
}

void CExpandable::OnChildAdded(CWidget* child)
{
    CButton::OnChildAdded(child);
    FillChildren();
}

void CExpandable::OnChildRemoved(CWidget* child)
{
    CButton::OnChildRemoved(child);
    FillChildren();
}

int CExpandable::Render(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!gc)
        return CButton::Render(gc, rect);
    const CVortanRect saved = gc->GetClipRect();
    const CVortanRect clip = ClipOverlapOrEmpty(saved, rect);
    gc->SetClipRect(&clip);
    CButton::Render(gc, rect);
    gc->SetClipRect(&saved);
    return 1;
}

void CExpandable::CopyFrom(const CWidget* other)
{
    CButton::CopyFrom(other);
    const CExpandable* source = WidgetCast<CExpandable>(other);
    if (!source)
        return;
    // The lists are replaced, not appended to: a refresh from a template must not grow them.
    CopyList(m_widths, source->m_widths);
    CopyList(m_heights, source->m_heights);
    m_transitionTime = source->m_transitionTime;
    m_state = -1;
    m_timeLeft = 0.0f;
    m_onBeginExpand = source->m_onBeginExpand;
    m_onEndExpand = source->m_onEndExpand;
}
