// CAlignment: anchors each child to a side, the centre or both sides of the client rect,
// with margins.
#pragma once
#include "ui/layouts/Layout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

// Alignment codes: bits 2-3 horizontal, bits 0-1 vertical.
enum {
    ALIGN_LEFT = 0x0,
    ALIGN_CENTER_X = 0x4,
    ALIGN_STRETCH_X = 0x8,
    ALIGN_RIGHT = 0xC,
    ALIGN_TOP = 0x0,
    ALIGN_CENTER_Y = 0x1,
    ALIGN_STRETCH_Y = 0x2,
    ALIGN_BOTTOM = 0x3
};

// Margin indices.
enum {
    ALIGN_MARGIN_LEFT = 0,
    ALIGN_MARGIN_TOP = 1,
    ALIGN_MARGIN_RIGHT = 2,
    ALIGN_MARGIN_BOTTOM = 3
};

class CAlignment : public CLayout {
public:
    CAlignment();
    virtual ~CAlignment();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Alignment(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    void SetAlignFlags(int code);
    int GetAlignFlags() const { return m_code; }
    // Index 0 left, 1 top, 2 right, 3 bottom; other indices are ignored (0).
    void SetMargin(int index, int pixels);
    int GetMargin(int index) const;

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    void DoLayout() override;

private:
    u8 m_code;
    i32 m_margins[4];
};
