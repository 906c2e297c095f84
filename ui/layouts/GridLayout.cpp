// The grid layout: cell sizes and the placing of the three modes.
#include "ui/layouts/GridLayout.h"

#include <new>

#include "ui/WidgetCast.h"

namespace {
int CeilDiv(int a, int b)
{
    return b > 0 ? (a + b - 1) / b : 0;
}
} // namespace

CGridLayout::CGridLayout()
    : m_mode(GRID_MODE_GRID), m_rows(0), m_columns(0), m_border{}, m_spacingX(0), m_spacingY(0)
{}

CGridLayout::~CGridLayout() {}

int CGridLayout::Startup(COrloApplication* context, COrloResourceManager* resources,
                         const CVortanRect& rect)
{
    int rc = CSlideArea::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_mode = GRID_MODE_GRID;
    m_rows = m_columns = 0;
    for (int& b : m_border)
        b = 0;
    m_spacingX = m_spacingY = 0;
    return VORTAN_OK;
}

CWidget* CGridLayout::CreateInstance() const
{
    return new (std::nothrow) CGridLayout();
}

void CGridLayout::CopyFrom(const CWidget* other)
{
    CSlideArea::CopyFrom(other);
    const CGridLayout* source = WidgetCast<CGridLayout>(other);
    if (!source || source == this)
        return;
    for (int i = 0; i < 4; ++i)
        m_border[i] = source->m_border[i];
    m_spacingX = source->m_spacingX;
    m_spacingY = source->m_spacingY;
    m_mode = source->m_mode;
    m_columns = source->m_columns;
    m_rows = source->m_rows;
}

CWidget* CGridLayout::CloneWithoutChildren()
{
    GetOnClone().Call(this);
    CWidget* copy = CreateInstance();
    if (!copy)
        return nullptr;
    int rc = copy->Startup(GetContext(), GetResourceManager(), GetRect());
    if (rc != VORTAN_OK) {
        ReportError(rc);
        copy->Shutdown();
        delete copy;
        return nullptr;
    }
    copy->CopyFrom(this);
    copy->GetOnCloned().Call(copy);
    return copy;
}

void CGridLayout::SetBorder(int side, int pixels)
{
    if (side >= 0 && side < 4)
        m_border[side] = pixels;
}

int CGridLayout::GetBorder(int side) const
{
    return (side >= 0 && side < 4) ? m_border[side] : 0;
}

void CGridLayout::SetRowCount(int n)
{
    m_rows = n < 0 ? 0 : n;
    SetLayoutDirty(true);
}

void CGridLayout::SetColumnCount(int n)
{
    m_columns = n < 0 ? 0 : n;
    SetLayoutDirty(true);
}

int CGridLayout::GetCellWidth() const
{
    const int c = m_columns != 0 ? m_columns : CeilDiv(GetChildCount(), m_rows);
    if (c <= 0)
        return 0;
    return (GetWidth() - m_border[0] - m_border[2] - m_spacingX * (c - 1)) / c;
}

int CGridLayout::GetCellHeight() const
{
    const int r = m_rows != 0 ? m_rows : CeilDiv(GetChildCount(), m_columns);
    if (r <= 0)
        return 0;
    return (GetHeight() - m_border[1] - m_border[3] - m_spacingY * (r - 1)) / r;
}

void CGridLayout::LayoutGrid()
{
    const int w = GetCellWidth(), h = GetCellHeight();
    int k = 0;
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* child = GetChild(i);
        if (!child->IsVisible())
            continue;
        int column, row;
        if (m_columns != 0) {
            column = k % m_columns;
            row = k / m_columns;
        } else {
            column = k / m_rows;
            row = k % m_rows;
        }
        const int left = m_border[0] + column * (w + m_spacingX);
        const int top = m_border[1] + row * (h + m_spacingY);
        CVortanRect r;
        r.Set(left, top, left + w, top + h);
        child->SetRect(r);
        ++k;
    }
}

void CGridLayout::LayoutList(bool uniform)
{
    int n = 0, widest = 0, tallest = 0;
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* child = GetChild(i);
        if (!child->IsVisible())
            continue;
        ++n;
        if (child->GetWidth() > widest)
            widest = child->GetWidth();
        if (child->GetHeight() > tallest)
            tallest = child->GetHeight();
    }
    // A derived count takes the ceiling: a last, partial row or column is placed too.
    const int rows = m_rows != 0 ? m_rows : CeilDiv(n, m_columns);
    const int columns = m_columns != 0 ? m_columns : CeilDiv(n, m_rows);
    if (columns <= 0)
        return;
    int next = 0; // child index to look at
    int y = m_border[1];
    for (int row = 0; row < rows; ++row) {
        int x = m_border[0];
        int rowHeight = 0;
        for (int col = 0; col < columns; ++col) {
            CWidget* child = nullptr;
            while (next < GetChildCount()) {
                CWidget* c = GetChild(next++);
                if (c->IsVisible()) {
                    child = c;
                    break;
                }
            }
            if (!child)
                return; // the visible children ran out
            child->SetPosition(x, y);
            if (col + 1 < columns)
                x += (uniform ? widest : child->GetWidth()) + m_spacingX;
            if (child->GetHeight() > rowHeight)
                rowHeight = child->GetHeight();
        }
        y += (uniform ? tallest : rowHeight) + m_spacingY;
    }
}

void CGridLayout::DoLayout()
{
    if (GetChildCount() == 0 || (m_rows == 0 && m_columns == 0))
        return;
    if (m_mode == GRID_MODE_GRID)
        LayoutGrid();
    else if (m_mode == GRID_MODE_LIST || m_mode == GRID_MODE_UNIFORM_LIST)
        LayoutList(m_mode == GRID_MODE_UNIFORM_LIST);
    CSlideArea::DoLayout();
}
