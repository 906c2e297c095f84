// CLayout: the base of every widget that places its children, with a dirty flag that the
// next update consumes by laying the children out once.
#pragma once
#include "ui/Widget.h"

class CLayout : public CWidget {
public:
    CLayout();
    virtual ~CLayout();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Layout(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    void SetLayoutDirty(bool dirty) { m_layoutDirty = dirty; }
    bool IsLayoutDirty() const { return m_layoutDirty; }

    // Places the children in the layout's client rect.
    virtual void DoLayout() = 0;

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;

    void OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect) override;
    void OnChildRectChanged(CWidget* child, const CVortanRect& rect) override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;
    int UpdateSelf(float dt) override;

private:
    bool m_layoutDirty;
};
