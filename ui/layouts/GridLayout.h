// CGridLayout: a slide area that places its children in equal cells (grid), row by row at
// their own sizes (list) or on the pitch of the largest child (uniform list).
#pragma once
#include "ui/layouts/SlideArea.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

enum { GRID_MODE_GRID = 0, GRID_MODE_LIST = 1, GRID_MODE_UNIFORM_LIST = 2 };

class CGridLayout : public CSlideArea {
public:
    CGridLayout();
    virtual ~CGridLayout();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::GridLayout(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "grid_layout".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // These store only: the next change that marks the layout dirty applies them.
    void SetLayoutMode(int mode) { m_mode = mode; }
    int GetLayoutMode() const { return m_mode; }
    void SetBorder(int side, int pixels);
    int GetBorder(int side) const;
    void SetItemSpacingX(int pixels) { m_spacingX = pixels; }
    void SetItemSpacingY(int pixels) { m_spacingY = pixels; }
    int GetItemSpacingX() const { return m_spacingX; }
    int GetItemSpacingY() const { return m_spacingY; }

    // 0 means derived from the other count; a negative count counts as 0.
    void SetRowCount(int n);
    int GetRowCount() const { return m_rows; }
    void SetColumnCount(int n);
    int GetColumnCount() const { return m_columns; }
    // The size of a grid cell; 0 when the column (row) count, given or derived, is 0.
    int GetCellWidth() const;
    int GetCellHeight() const;

    void DoLayout() override;
    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;

protected:
    // A copy started at this rect with this one's settings but none of its children, for the
    // lists that fill themselves from templates; null when it cannot start.
    CWidget* CloneWithoutChildren();

private:
    void LayoutGrid();
    void LayoutList(bool uniform);

    int m_mode;
    int m_rows;
    int m_columns;
    int m_border[4];
    int m_spacingX;
    int m_spacingY;
};
