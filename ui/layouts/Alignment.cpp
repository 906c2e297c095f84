// The alignment layout: each child anchored by the code and the margins.
#include "ui/layouts/Alignment.h"

#include <new>

#include "ui/WidgetCast.h"

CAlignment::CAlignment() : m_code(0), m_margins{0, 0, 0, 0} {}

CAlignment::~CAlignment() {}

int CAlignment::Startup(COrloApplication* context, COrloResourceManager* resources,
                        const CVortanRect& rect)
{
    int rc = CLayout::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_code = 0;
    for (int i = 0; i < 4; ++i)
        m_margins[i] = 0;
    SetPassThrough(true);
    return VORTAN_OK;
}

CWidget* CAlignment::CreateInstance() const
{
    return new (std::nothrow) CAlignment();
}

void CAlignment::CopyFrom(const CWidget* other)
{
    CLayout::CopyFrom(other);
    const CAlignment* source = WidgetCast<CAlignment>(other);
    if (!source)
        return;
    m_code = source->m_code;
    for (int i = 0; i < 4; ++i)
        m_margins[i] = source->m_margins[i];
}

void CAlignment::SetAlignFlags(int code)
{
    m_code = (u8)code;
    SetLayoutDirty(true);
}

void CAlignment::SetMargin(int index, int pixels)
{
    if (index < 0 || index > 3)
        return;
    m_margins[index] = pixels;
    SetLayoutDirty(true);
}

int CAlignment::GetMargin(int index) const
{
    return index < 0 || index > 3 ? 0 : m_margins[index];
}

void CAlignment::DoLayout()
{
    CVortanRect k = GetClientRect();
    const int horizontal = m_code & 0xC, vertical = m_code & 0x3;
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* child = GetChild(i);
        if (!child)
            continue;
        const CVortanRect& r = child->GetRect();
        const int w = r.GetWidth(), h = r.GetHeight();
        CVortanRect n;
        switch (horizontal) {
        case ALIGN_LEFT:
            n.left = k.left + m_margins[ALIGN_MARGIN_LEFT];
            n.right = n.left + w;
            break;
        case ALIGN_CENTER_X:
            n.left = k.left + (k.GetWidth() - w) / 2;
            n.right = n.left + w;
            break;
        case ALIGN_STRETCH_X:
            n.left = k.left + m_margins[ALIGN_MARGIN_LEFT];
            n.right = k.right - m_margins[ALIGN_MARGIN_RIGHT];
            break;
        default:
            n.right = k.right - m_margins[ALIGN_MARGIN_RIGHT];
            n.left = n.right - w;
            break;
        }
        switch (vertical) {
        case ALIGN_TOP:
            n.top = k.top + m_margins[ALIGN_MARGIN_TOP];
            n.bottom = n.top + h;
            break;
        case ALIGN_CENTER_Y:
            n.top = k.top + (k.GetHeight() - h) / 2;
            n.bottom = n.top + h;
            break;
        case ALIGN_STRETCH_Y:
            n.top = k.top + m_margins[ALIGN_MARGIN_TOP];
            n.bottom = k.bottom - m_margins[ALIGN_MARGIN_BOTTOM];
            break;
        default:
            n.bottom = k.bottom - m_margins[ALIGN_MARGIN_BOTTOM];
            n.top = n.bottom - h;
            break;
        }
        child->SetRect(n);
    }
}
