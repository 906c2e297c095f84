// The aspect layout: one fitted rectangle for all children.
#include "ui/layouts/AspectLayout.h"

#include <new>

#include "ui/WidgetCast.h"
#include "ui/layouts/LayoutMath.h"

CAspectLayout::CAspectLayout() : m_aspect(1.0f), m_position(0.5f), m_fitted{} {}

CAspectLayout::~CAspectLayout() {}

int CAspectLayout::Startup(COrloApplication* context, COrloResourceManager* resources,
                           const CVortanRect& rect)
{
    m_aspect = 1.0f;
    m_position = 0.5f;
    int rc = CLayout::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_fitted = rect;
    return VORTAN_OK;
}

CWidget* CAspectLayout::CreateInstance() const
{
    return new (std::nothrow) CAspectLayout();
}

void CAspectLayout::CopyFrom(const CWidget* other)
{
    CLayout::CopyFrom(other);
    const CAspectLayout* source = WidgetCast<CAspectLayout>(other);
    if (!source)
        return;
    m_aspect = source->m_aspect;
    m_position = source->m_position;
}

void CAspectLayout::SetAspect(float aspect)
{
    m_aspect = aspect;
    SetLayoutDirty(true);
}

void CAspectLayout::SetPosition(float position)
{
    m_position = position;
    SetLayoutDirty(true);
}

void CAspectLayout::DoLayout()
{
    m_fitted = GetClientRect();
    if (!FitRectToAspect(m_fitted, m_aspect, m_position))
        return;
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* child = GetChild(i);
        if (child)
            child->SetRect(m_fitted);
    }
}
