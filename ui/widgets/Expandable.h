// CExpandable: a button whose size steps through a list of states, animating towards each
// state's width and height; its children fill it and its drawing is clipped to it.
#pragma once
#include "ui/widgets/Button.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CExpandable : public CButton {
public:
    CExpandable();
    virtual ~CExpandable();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Expandable(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    int GetState() const { return m_state; }
    float GetTransitionTime() const { return m_transitionTime; }
    void SetTransitionTime(float seconds) { m_transitionTime = seconds; }
    float GetTimeLeft() const { return m_timeLeft; }
    CUIDelegate& GetOnBeginExpand() { return m_onBeginExpand; }
    CUIDelegate& GetOnEndExpand() { return m_onEndExpand; }
    void SetOnBeginExpand(const CUIDelegate& d) { m_onBeginExpand = d; }
    void SetOnEndExpand(const CUIDelegate& d) { m_onEndExpand = d; }

    // Both lists replaced by copies of the given ones.
    void SetTargets(const CVortanArray<i32>& widths, const CVortanArray<i32>& heights);
    int GetWidthTargetCount() const { return m_widths.GetSize(); }
    int GetHeightTargetCount() const { return m_heights.GetSize(); }
    // The larger of the two list lengths.
    int GetStateCount() const;
    // The height target of the current state (the current height before the first state).
    int GetStateHeight() const { return GetStateHeight(m_state); }
    // The height target of state i; the current height for an index outside the states or
    // beyond the height list.
    int GetStateHeight(int i) const;
    // Animated change to the state (index modulo the count); nothing when it is current.
    void SetStateAnimated(int index);
    // Immediate change, both delegates fired.
    void SetState(int index);

    int Render(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    int UpdateSelf(float dt) override;
    void OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect) override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;

    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

private:
    // The new state for the index, or -1 when nothing is to change.
    int ChooseState(int index) const;
    int TargetWidth() const;
    int TargetHeight() const;
    void ApplyTargets();
    void FillChildren();

    i32 m_state;
    i32 m_startWidth;
    i32 m_startHeight;
    bool m_firstUpdate;
    float m_timeLeft;
    float m_widthDelta;
    float m_heightDelta;
    float m_transitionTime;
    CVortanArray<i32> m_widths;
    CVortanArray<i32> m_heights;
    CUIDelegate m_onBeginExpand;
    CUIDelegate m_onEndExpand;
};
