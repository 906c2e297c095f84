// CRatioDivider: splits its area between its first two children by a ratio, the first size
// kept between a minimum and a maximum.
#pragma once
#include "ui/layouts/Layout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

// Orientations.
enum { RATIO_SPLIT_WIDTH = 0, RATIO_SPLIT_HEIGHT = 1 };

class CRatioDivider : public CLayout {
public:
    CRatioDivider();
    virtual ~CRatioDivider();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::RatioDivider(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    void SetRatio(float ratio);
    float GetRatio() const { return m_ratio; }
    void SetOrientation(int orientation);
    int GetOrientation() const { return m_orientation; }
    // A negative size counts as 0.
    void SetMinFirstItemSize(int pixels);
    int GetMinFirstItemSize() const { return m_minFirst; }
    // A negative size means no maximum (0x40000000).
    void SetMaxFirstItemSize(int pixels);
    int GetMaxFirstItemSize() const { return m_maxFirst; }

    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    void DoLayout() override;

private:
    float m_ratio;
    i32 m_minFirst;
    i32 m_maxFirst;
    i32 m_orientation;
};
