// CButton: the clickable image widget. A press and release of the primary pointer button make
// a click after a short delay; the hit area grows while pressed; a release outside cancels.
#pragma once
#include "ui/widgets/ImageWidget.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CButton : public CImageWidget {
public:
    CButton();
    virtual ~CButton();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Button(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    virtual float GetInputLockTime() const { return m_lockTime; }
    // While above 0, presses and clicks are ignored; counts down in the update.
    virtual void SetInputLockTime(float seconds) { m_lockTime = seconds; }
    // Fires onclick (counting the click) and returns its answer; 1 without one.
    virtual int Click();
    // Fires the cancel delegate.
    virtual void Cancel();
    virtual void SetPressed(bool pressed);

    // The scale in use: the base scale, plus the extra while pressed (never below 0).
    float GetHitAreaScale() const;
    // The base scale (0 or less is stored as 0); the hit rect follows.
    void SetHitAreaScale(float scale);
    float GetHitAreaExtra() const { return m_hitExtra; }
    void SetHitAreaExtra(float extra);
    const CVortanRect& GetHitRect() const { return m_hitRect; }
    bool IsPressed() const { return m_pressed; }
    int GetClickCount() const { return m_clickCount; }
    float GetClickDelay() const { return m_clickDelay; }
    void SetClickDelay(float seconds) { m_clickDelay = seconds; }
    float GetPendingClick() const { return m_pendingClick; }
    bool IsCancellable() const { return m_cancellable; }
    void SetCancellable(bool on) { m_cancellable = on; }
    // Children 0 and 1 cover the client rect as the up and pressed looks.
    bool HasLayoutWidgets() const { return m_layoutWidgets; }
    void SetLayoutWidgets(bool on);
    CUIDelegate& GetOnClick() { return m_onClick; }
    void SetOnClick(const CUIDelegate& d) { m_onClick = d; }
    CUIDelegate& GetOnCancel() { return m_onCancel; }
    void SetOnCancel(const CUIDelegate& d) { m_onCancel = d; }
    // The click feedback: the button's image fades in, or without one the visible image
    // widgets inside it.
    void StartClickFade();

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    bool HitTest(int x, int y) override;
    void OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect) override;
    void OnPointerDown(int button, int x, int y) override;
    void OnPointerUp(int button, int x, int y) override;
    void OnPointerCancel() override;
    int UpdateSelf(float dt) override;

protected:
    // The toggle state (kept here so that CopyFrom carries it).
    i32 m_state;

private:
    void UpdateHitArea();
    void ShowLookOfPressedState();
    static void FadeImagesBelow(CWidget* widget);

    CUIDelegate m_onClick;
    CUIDelegate m_onCancel;
    float m_hitScale; // the base scale
    float m_hitExtra;
    float m_lockTime;
    CVortanRect m_hitRect;
    bool m_pressed;
    bool m_cancellable;
    bool m_layoutWidgets;
    i32 m_clickCount;
    float m_clickDelay;
    float m_pendingClick;
};
