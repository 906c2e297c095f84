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

namespace {

// One axis of the placement: the two bits of the code are start (0), centre (1), stretch (2) and
// end (3), alike for left/right and top/bottom.
void PlaceOnAxis(int mode, int low, int high, int marginLow, int marginHigh, int size, int& outLow,
                 int& outHigh)
{
    switch (mode) {
    case 0:
        outLow = low + marginLow;
        outHigh = outLow + size;
        break;
    case 1:
        outLow = low + (high - low - size) / 2;
        outHigh = outLow + size;
        break;
    case 2:
        outLow = low + marginLow;
        outHigh = high - marginHigh;
        break;
    default:
        outHigh = high - marginHigh;
        outLow = outHigh - size;
        break;
    }
}

} // namespace

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
        PlaceOnAxis(horizontal >> 2, k.left, k.right, m_margins[ALIGN_MARGIN_LEFT],
                    m_margins[ALIGN_MARGIN_RIGHT], w, n.left, n.right);
        PlaceOnAxis(vertical, k.top, k.bottom, m_margins[ALIGN_MARGIN_TOP],
                    m_margins[ALIGN_MARGIN_BOTTOM], h, n.top, n.bottom);
        child->SetRect(n);
    }
}
