// The layout base: the dirty flag and the once-per-frame layout pass.
#include "ui/layouts/Layout.h"

CLayout::CLayout() : m_layoutDirty(false) {}

CLayout::~CLayout() {}

int CLayout::Startup(COrloApplication* context, COrloResourceManager* resources,
                     const CVortanRect& rect)
{
    int rc = CWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_layoutDirty = false;
    return VORTAN_OK;
}

void CLayout::OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect)
{
    CWidget::OnRectChanged(oldRect, newRect);
    if (oldRect.left != newRect.left || oldRect.top != newRect.top ||
        oldRect.right != newRect.right || oldRect.bottom != newRect.bottom)
        m_layoutDirty = true;
}

void CLayout::OnChildRectChanged(CWidget* child, const CVortanRect& rect)
{
    CWidget::OnChildRectChanged(child, rect);
    m_layoutDirty = true;
}

void CLayout::OnChildAdded(CWidget* child)
{
    CWidget::OnChildAdded(child);
    DoLayout();
    m_layoutDirty = false;
}

void CLayout::OnChildRemoved(CWidget* child)
{
    CWidget::OnChildRemoved(child);
    m_layoutDirty = true;
}

int CLayout::UpdateSelf(float dt)
{
    int rc = CWidget::UpdateSelf(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    if (m_layoutDirty) {
        if (GetWidth() > 0 && GetHeight() > 0)
            DoLayout();
        m_layoutDirty = false;
    }
    return VORTAN_OK;
}
