// CWidget: the render, update and visibility walks over the tree.
#include "engine/graphics/VortanGraphicsContext.h"
#include "ui/Widget.h"

int CWidget::NextChildIndex(int i, const CWidget* child) const
{
    int n = m_children.GetSize();
    if (i < n && m_children.ElementAt(i) == child)
        return i + 1;
    for (int j = 0; j < n; ++j) {
        if (m_children.ElementAt(j) == child)
            return j + 1;
    }
    return i;
}

int CWidget::RenderAt(IVortanGraphicsContext* gc)
{
    return Render(gc, m_rect);
}

int CWidget::Render(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!IsVisible())
        return VORTAN_OK;
    CWalkGuard walk;
    int code = RenderSelf(gc, rect);
    if (code != VORTAN_OK) {
        ReportError(code);
        return code;
    }
    for (int i = 0; !IsGone() && i < m_children.GetSize();) {
        CWidget* child = m_children.ElementAt(i);
        if (!child->IsVisible()) {
            ++i;
            continue;
        }
        CVortanRect target = child->m_rect;
        target.Offset(rect.left, rect.top);
        if (target.right < rect.left || target.left > rect.right || target.bottom < rect.top ||
            target.top > rect.bottom) {
            ++i;
            continue;
        }
        CVortanRect saved{};
        if (gc) {
            saved = gc->GetClipRect();
            CVortanRect clip;
            clip.Set(saved.left > rect.left ? saved.left : rect.left,
                     saved.top > rect.top ? saved.top : rect.top,
                     saved.right < rect.right ? saved.right : rect.right,
                     saved.bottom < rect.bottom ? saved.bottom : rect.bottom);
            gc->SetClipRect(&clip);
        }
        code = child->Render(gc, target);
        if (gc)
            gc->SetClipRect(&saved);
        if (code != VORTAN_OK) {
            ReportError(code);
            return code;
        }
        i = NextChildIndex(i, child);
    }
    return VORTAN_OK;
}

int CWidget::Update(float dt)
{
    if (!IsVisible())
        return VORTAN_OK;
    CWalkGuard walk;
    int code = UpdateSelf(dt);
    if (code != VORTAN_OK) {
        ReportError(code);
        return code;
    }
    for (int i = 0; !IsGone() && i < m_children.GetSize();) {
        CWidget* child = m_children.ElementAt(i);
        code = child->Update(dt);
        if (code != VORTAN_OK) {
            ReportError(code);
            return code;
        }
        i = NextChildIndex(i, child);
    }
    return VORTAN_OK;
}

void CWidget::OnVisibilityChanged(bool visible)
{
    CWalkGuard walk;
    if (visible)
        m_onShow.Call(this);
    else
        m_onHide.Call(this);
    for (int i = 0; !IsGone() && i < m_children.GetSize();) {
        CWidget* child = m_children.ElementAt(i);
        if (child->IsVisible())
            child->OnVisibilityChanged(visible);
        i = NextChildIndex(i, child);
    }
}
