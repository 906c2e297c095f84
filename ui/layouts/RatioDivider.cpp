// The ratio divider: the first child sized by the ratio, the second taking the rest.
#include "ui/layouts/RatioDivider.h"

#include <math.h>
#include <new>

#include "ui/WidgetCast.h"
#include "ui/layouts/LayoutMath.h"

static const int kNoMaximum = 0x40000000;

CRatioDivider::CRatioDivider()
    : m_ratio(1.0f), m_minFirst(0), m_maxFirst(kNoMaximum), m_orientation(RATIO_SPLIT_WIDTH)
{}

CRatioDivider::~CRatioDivider() {}

CWidget* CRatioDivider::CreateInstance() const
{
    return new (std::nothrow) CRatioDivider();
}

void CRatioDivider::CopyFrom(const CWidget* other)
{
    CLayout::CopyFrom(other);
    const CRatioDivider* source = WidgetCast<CRatioDivider>(other);
    if (!source)
        return;
    m_orientation = source->m_orientation;
    m_minFirst = source->m_minFirst;
    m_maxFirst = source->m_maxFirst;
    m_ratio = source->m_ratio;
}

void CRatioDivider::SetRatio(float ratio)
{
    m_ratio = ratio;
    SetLayoutDirty(true);
}

void CRatioDivider::SetOrientation(int orientation)
{
    m_orientation = orientation;
    SetLayoutDirty(true);
}

void CRatioDivider::SetMinFirstItemSize(int pixels)
{
    m_minFirst = pixels < 0 ? 0 : pixels;
    SetLayoutDirty(true);
}

void CRatioDivider::SetMaxFirstItemSize(int pixels)
{
    m_maxFirst = pixels < 0 ? kNoMaximum : pixels;
    SetLayoutDirty(true);
}

void CRatioDivider::DoLayout()
{
    const int count = GetChildCount();
    if (count == 0 || !(m_ratio > 0.0f) ||
        (m_orientation != RATIO_SPLIT_WIDTH && m_orientation != RATIO_SPLIT_HEIGHT))
        return;
    const int w = GetWidth(), h = GetHeight();
    const int extent = m_orientation == RATIO_SPLIT_WIDTH ? w : h;
    int first = LayoutClampToInt(floorf(0.5f + m_ratio * (float)extent));
    if (first < m_minFirst)
        first = m_minFirst;
    if (first > m_maxFirst)
        first = m_maxFirst;
    CVortanRect a, b;
    if (m_orientation == RATIO_SPLIT_WIDTH) {
        a.Set(0, 0, first, h);
        b.Set(first, 0, w, h);
    } else {
        a.Set(0, 0, w, first);
        b.Set(0, first, w, h);
    }
    if (CWidget* child = GetChild(0))
        child->SetRect(a);
    if (count > 1) {
        if (CWidget* child = GetChild(1))
            child->SetRect(b);
    }
}
