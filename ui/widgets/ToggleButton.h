// CToggleButton: a button with an on/off state that flips on every click and shows one of its
// last two children.
#pragma once
#include "ui/widgets/Button.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CToggleButton : public CButton {
public:
    CToggleButton();
    virtual ~CToggleButton();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::ToggleButton(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    int GetState() const { return m_state; }
    // Nothing when equal; else stores it and shows the child of the state.
    void SetState(int state);

    // Flips the state, shows its child, then fires onclick.
    int Click() override;
    CWidget* CreateInstance() const override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;

private:
    // The second-to-last child shows for state 0, the last for state 1; forced: every child
    // is made visible first.
    void RefreshChildren(bool forced);
};
