// The divider layout: a sized part and the rest, children dealt to them by index parity.
#include "ui/layouts/Divider.h"

#include <math.h>
#include <new>

#include "ui/WidgetCast.h"
#include "ui/layouts/LayoutMath.h"

CDivider::CDivider()
    : m_aspect(1.0f), m_maxItemWidth(2147483647), m_maxItemHeight(2147483647), m_mode(0)
{}

CDivider::~CDivider() {}

CWidget* CDivider::CreateInstance() const
{
    return new (std::nothrow) CDivider();
}

void CDivider::CopyFrom(const CWidget* other)
{
    CLayout::CopyFrom(other);
    const CDivider* source = WidgetCast<CDivider>(other);
    if (!source)
        return;
    m_aspect = source->m_aspect;
    m_maxItemWidth = source->m_maxItemWidth;
    m_maxItemHeight = source->m_maxItemHeight;
    m_mode = source->m_mode;
}

void CDivider::SetAspect(float aspect)
{
    m_aspect = aspect;
    SetLayoutDirty(true);
}

void CDivider::SetMaxItemWidth(int pixels)
{
    m_maxItemWidth = pixels;
    SetLayoutDirty(true);
}

void CDivider::SetMaxItemHeight(int pixels)
{
    m_maxItemHeight = pixels;
    SetLayoutDirty(true);
}

void CDivider::SetMode(int mode)
{
    m_mode = mode;
    SetLayoutDirty(true);
}

void CDivider::DoLayout()
{
    const int count = GetChildCount();
    if (count == 0 || !(m_aspect > 0.0f) || m_mode < 0 || m_mode > 3)
        return;
    const int w = GetWidth(), h = GetHeight();
    CVortanRect first, second;
    if (m_mode == DIVIDER_SIZED_LEFT || m_mode == DIVIDER_SIZED_RIGHT) {
        const int part = h < m_maxItemHeight ? h : m_maxItemHeight;
        int sized = LayoutClampToInt(floorf(0.5f + m_aspect * (float)h));
        if (sized > m_maxItemWidth)
            sized = m_maxItemWidth;
        const int x =
            m_mode == DIVIDER_SIZED_LEFT ? sized : LayoutClampToInt((float)w - (float)sized);
        first.Set(0, 0, x, part);
        second.Set(x, 0, w, part);
    } else {
        const int part = w < m_maxItemWidth ? w : m_maxItemWidth;
        int sized = LayoutClampToInt(floorf((float)w / m_aspect + 0.5f));
        if (sized > m_maxItemHeight)
            sized = m_maxItemHeight;
        const int y =
            m_mode == DIVIDER_SIZED_TOP ? sized : LayoutClampToInt((float)h - (float)sized);
        first.Set(0, 0, part, y);
        second.Set(0, y, part, h);
    }
    for (int i = 0; i < count; ++i) {
        CWidget* child = GetChild(i);
        if (child)
            child->SetRect((i & 1) ? second : first);
    }
}
