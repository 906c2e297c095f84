// CSlideArea: a layout showing a vertically scrolling view of its children, dragged and flung
// by the pointer, with taps passed on to the child under the finger and optional arrow and
// scrollbar decorations taken from template children.
#pragma once
#include "engine/VortanVector.h"
#include "ui/layouts/Layout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class IEasingCurve;

// The decorations, by index.
enum {
    SLIDE_ARROW_LEFT = 0,
    SLIDE_ARROW_TOP = 1,
    SLIDE_ARROW_RIGHT = 2,
    SLIDE_ARROW_BOTTOM = 3,
    SLIDE_SCROLLBAR_HORIZONTAL = 4,
    SLIDE_SCROLLBAR_VERTICAL = 5,
    SLIDE_DECORATION_COUNT = 6
};

class CSlideArea : public CLayout {
public:
    // Flag bits.
    enum {
        SCROLL_ENABLED = 1,
        SCROLL_SCROLLING = 2,
        SCROLL_DRAGGING = 4,
        SCROLL_DECORATIONS_PENDING = 8
    };

    CSlideArea();
    virtual ~CSlideArea();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::SlideArea(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "slidearea".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // The content rect: the client rect widened to every child's rect.
    void DoLayout() override;
    virtual void ScrollBy(int dx, int dy);
    // At once for a time of 0 or less; else a glide from where the offset stands now (a
    // running glide is stopped where it is first).
    virtual void ScrollTo(int x, int y, float time);
    virtual int ClampScrollX(int x) const;
    // Into 0 .. max(0, content bottom - height).
    virtual int ClampScrollY(int y) const;
    virtual void OnBeginScroll();
    virtual void OnEndScroll();
    // Takes the decorations out of the subtree the first time; sets the arrows' visibility.
    virtual void CreateDecorations();

    // Enabled: the area intercepts the pointer; disabled: it lets it through to its children.
    void SetScrollEnabled(bool enabled);
    bool IsScrollEnabled() const { return (m_scrollFlags & SCROLL_ENABLED) != 0; }
    bool IsScrolling() const { return (m_scrollFlags & SCROLL_SCROLLING) != 0; }
    bool IsDragging() const { return (m_scrollFlags & SCROLL_DRAGGING) != 0; }
    void SetScrollThreshold(const CVortanVector2& threshold) { m_threshold = threshold; }
    const CVortanVector2& GetScrollThreshold() const { return m_threshold; }
    void SetOnBeginScroll(const CUIDelegate& d) { m_onBeginScroll = d; }
    void SetOnEndScroll(const CUIDelegate& d) { m_onEndScroll = d; }

    // Committed offset plus the rounded live offset (not clamped).
    int GetScrollX() const;
    int GetScrollY() const;
    // The committed y such that GetScrollY answers y.
    void SetScrollY(int y);
    // The visible window in content coordinates.
    CVortanRect GetViewRect() const;
    // The offset the content is drawn at: GetScrollX/Y clamped.
    int GetVisibleX() const;
    int GetVisibleY() const;
    const CVortanRect& GetContentRect() const { return m_content; }
    bool IsGliding() const { return m_glideLeft > 0.0f; }
    float GetScrollbarTimer() const { return m_scrollbarTimer; }
    // The scrollbar's alpha (0..255) for the timer as it stands.
    int GetScrollbarAlpha() const;
    // The offset the vertical scrollbar is drawn down by.
    int GetScrollbarOffset() const;
    CWidget* GetDecoration(int which) const;
    CWidget* GetPressedChild() const { return m_pressed; }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    CVortanRect GetClientRect() const override;
    void ParentToLocal(int& x, int& y) const override;
    void LocalToParent(int& x, int& y) const override;
    CWidget* ChildAt(int x, int y) override;
    void DispatchPointerDown(int button, int x, int y) override;
    void DispatchPointerMove(int button, int x, int y) override;
    void DispatchPointerUp(int button, int x, int y) override;
    void CancelPointer() override;
    int Update(float dt) override;
    int Render(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    void OnPointerDown(int button, int x, int y) override;
    void OnPointerMove(int button, int x, int y) override;
    void OnPointerUp(int button, int x, int y) override;
    void OnVisibilityChanged(bool visible) override;
    void OnChildRemoved(CWidget* child) override;

protected:
    // Ends a running glide where it stands (the eased part is committed); onendscroll only
    // when asked.
    void StopGlide(bool fireEnd);

private:
    // The point (in this area's space) in the widget's own space; decorations are not
    // children and stand in the unscrolled space.
    void PointInto(CWidget* widget, int& x, int& y) const;
    bool IsDecoration(const CWidget* widget) const;
    // The widget that a press at the point (in this area's space) goes to: an arrow (or the
    // widget inside it there), else the child found as any widget finds it.
    CWidget* PressTargetAt(int x, int y);
    // While scrolling is off, whether the area holds the pointer for a pressed decoration.
    bool HoldsForDecoration() const;
    typedef void (CWidget::*PointerDispatch)(int button, int x, int y);
    // Hands a pointer event to the pressed decoration in its own space, lending it the
    // capture; afterwards the area holds the pointer again while the decoration kept it.
    void HandToDecoration(PointerDispatch dispatch, int button, int x, int y);
    // The pressed child's step of a move: the move (capture lent) or a cancel.
    void ForwardMove(int button, int x, int y);
    void ForgetPressed(bool cancel);
    float GlideProgress() const;
    int DrawClipped(CWidget* widget, IVortanGraphicsContext* gc, const CVortanRect& moved,
                    const CVortanRect& area, const CVortanRect& narrowed);

    CVortanRect m_content;
    int m_scrollX;
    int m_scrollY;
    int m_pressX;
    int m_pressY;
    CVortanVector2 m_live;
    CVortanVector2 m_glide;
    CVortanVector2 m_threshold;
    float m_dragTime;
    float m_glideLeft;
    float m_glideDuration;
    CUIDelegate m_onBeginScroll;
    CUIDelegate m_onEndScroll;
    CWidget* m_pressed;
    IEasingCurve* m_scrollCurve;
    CWidget* m_decorations[SLIDE_DECORATION_COUNT];
    u8 m_scrollFlags;
    float m_scrollbarTimer;
    IEasingCurve* m_fadeCurve;
};
