// CDivider: splits its area in two parts, one sized by an aspect, and deals the children
// alternately to the two parts.
#pragma once
#include "ui/layouts/Layout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

// Modes: the sized part first or second, splitting the width or the height.
enum {
    DIVIDER_SIZED_LEFT = 0,
    DIVIDER_SIZED_TOP = 1,
    DIVIDER_SIZED_RIGHT = 2,
    DIVIDER_SIZED_BOTTOM = 3
};

class CDivider : public CLayout {
public:
    CDivider();
    virtual ~CDivider();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Divider(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // Width / height of the sized part.
    void SetAspect(float aspect);
    float GetAspect() const { return m_aspect; }
    void SetMaxItemWidth(int pixels);
    int GetMaxItemWidth() const { return m_maxItemWidth; }
    void SetMaxItemHeight(int pixels);
    int GetMaxItemHeight() const { return m_maxItemHeight; }
    void SetMode(int mode);
    int GetMode() const { return m_mode; }

    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    void DoLayout() override;

private:
    float m_aspect;
    i32 m_maxItemWidth;
    i32 m_maxItemHeight;
    i32 m_mode;
};
