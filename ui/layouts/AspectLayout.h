// CAspectLayout: gives every child the largest rectangle of a fixed aspect inside the
// client rect.
#pragma once
#include "ui/layouts/Layout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CAspectLayout : public CLayout {
public:
    CAspectLayout();
    virtual ~CAspectLayout();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::AspectLayout(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // Width / height.
    void SetAspect(float aspect);
    float GetAspect() const { return m_aspect; }
    // 0..1: where the leftover space goes (see FitRectToAspect).
    void SetPosition(float position);
    float GetPosition() const { return m_position; }
    const CVortanRect& GetFittedRect() const { return m_fitted; }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    void DoLayout() override;

private:
    float m_aspect;
    float m_position;
    CVortanRect m_fitted;
};
