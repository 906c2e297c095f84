// CSlider: maps the pointer along its track to a value between a minimum and a maximum,
// committing it on release, and draws a knob taken from its "knob_template" child.
#pragma once
#include "ui/Widget.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CSlider : public CWidget {
public:
    CSlider();
    virtual ~CSlider();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Slider(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "slider".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    float GetValue() const;
    // Limited to the range; a changed position fires onvaluechanged and is committed.
    void SetValue(float value);
    float GetMinimum() const { return m_minimum; }
    void SetMinimum(float m);
    float GetMaximum() const { return m_maximum; }
    void SetMaximum(float m);
    void SetOnValueChanged(const CUIDelegate& d) { m_onValueChanged = d; }
    int GetOrientation() const { return m_orientation; }
    void SetOrientation(int orientation) { m_orientation = orientation; }
    float GetPosition() const { return m_position; }
    float GetCommittedPosition() const { return m_committed; }
    CWidget* GetKnob() const { return m_knob; }
    // Moves the knob to the point (own space) without committing.
    void MoveToPoint(int x, int y);

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    int UpdateSelf(float dt) override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    void OnPointerDown(int button, int x, int y) override;
    void OnPointerMove(int button, int x, int y) override;
    void OnPointerUp(int button, int x, int y) override;
    void OnPointerCancel() override;

private:
    float m_minimum;
    float m_maximum;
    float m_position;
    float m_committed;
    int m_orientation;
    CUIDelegate m_onValueChanged;
    CWidget* m_knob;
    bool m_knobPending;
};
