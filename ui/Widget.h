// CWidget: the root class of the toolkit, a rectangle in its parent's space owning its children.
//
// Main thread only. Event dispatch, update and render are walks over the tree; a handler
// called during a walk may remove, shut down or delete any widget, the walking ones included:
// widgets deleted through DeleteChild, Destroy or a parent's Shutdown during a walk are
// deleted when the outermost walk returns, memory freed by a plain delete is kept until then,
// and a walk stops at a widget that was shut down under it.
#pragma once
#include <stdint.h>

#include <new>

#include "engine/HashString.h"
#include "engine/VortanArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "ui/UIDelegate.h"
#include "ui/WidgetTypeInfo.h"

class COrloApplication;
class COrloResourceManager;
class IVortanGraphicsContext;

// A shared liveness word: a holder (a timed sequence) learns that the widget it started with
// was shut down or deleted.
struct CWidgetLife {
    int references;
    int alive;
};

class CWidget {
public:
    typedef CWidgetTypeInfo TypeInfo;

    enum { FLAG_VISIBLE = 1, FLAG_ENABLED = 2, FLAG_PASS_THROUGH = 4, FLAG_INTERCEPT = 8 };

    CWidget();
    virtual ~CWidget();
    CWidget(const CWidget&) = delete;
    CWidget& operator=(const CWidget&) = delete;

    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(size_t, void* where) noexcept { return where; }
    static void operator delete(void*, void*) noexcept {}
    // Frees at once outside a walk; during a walk the memory is kept until the walk returns.
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;

    virtual int Render(IVortanGraphicsContext* gc, const CVortanRect& rect);
    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible);
    virtual CVortanRect GetClientRect() const;
    virtual void ParentToLocal(int& x, int& y) const;
    virtual void LocalToParent(int& x, int& y) const;
    // Converts a point in from's space (the screen for null) into this widget's space.
    virtual void ConvertPoint(const CWidget* from, int& x, int& y) const;
    virtual const TypeInfo* GetTypeInfo() const;
    virtual bool IsKindOf(const TypeInfo& record) const;
    virtual CWidget* ChildAt(int x, int y);
    virtual void ChildRectChanged(CWidget* child, const CVortanRect& rect);
    virtual void AddChild(CWidget* child);
    virtual void InsertChild(CWidget* child, int index);
    virtual bool RemoveChild(CWidget* child);
    virtual bool DeleteChild(CWidget* child);
    virtual CWidget* FindChild(const CVortanString& name, int depth);
    virtual bool RemoveChildByName(const CVortanString& name);
    virtual void DispatchKeyDown(int key);
    virtual void DispatchChar(int character);
    virtual void DispatchPointerDown(int button, int x, int y);
    virtual void DispatchPointerMove(int button, int x, int y);
    virtual void DispatchPointerUp(int button, int x, int y);
    virtual void CancelPointer();
    virtual bool HitTest(int x, int y);
    virtual int Update(float dt);
    virtual int RenderAt(IVortanGraphicsContext* gc);
    virtual int Startup(COrloApplication* context, COrloResourceManager* resources,
                        const CVortanRect& rect);
    virtual void Shutdown();
    virtual CWidget* CreateInstance() const;
    virtual CWidget* Clone();
    virtual CWidget* FindByPath(const CVortanString& path);
    virtual void RefreshLocalizedText();
    virtual void OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect);
    virtual void OnChildRectChanged(CWidget* child, const CVortanRect& rect);
    virtual void OnChildAdded(CWidget* child);
    virtual void OnChildRemoved(CWidget* child);
    virtual int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect);
    virtual void OnKeyDown(int key);
    virtual void OnChar(int character);
    virtual void OnPointerDown(int button, int x, int y);
    virtual void OnPointerMove(int button, int x, int y);
    virtual void OnPointerUp(int button, int x, int y);
    virtual void OnPointerCancel();
    virtual int UpdateSelf(float dt);
    virtual void OnVisibilityChanged(bool visible);
    virtual void CopyFrom(const CWidget* other);
    virtual void OnFocusGained(CWidget* previous);
    virtual void OnFocusLost(CWidget* next);

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Widget(); }

    const CVortanRect& GetRect() const { return m_rect; }
    int GetWidth() const { return m_rect.right - m_rect.left; }
    int GetHeight() const { return m_rect.bottom - m_rect.top; }
    CWidget* GetParent() const { return m_parent; }
    COrloApplication* GetContext() const { return m_context; }
    COrloResourceManager* GetResourceManager() const { return m_resources; }
    CVortanArray<CWidget*>& GetChildren() { return m_children; }
    const CVortanArray<CWidget*>& GetChildren() const { return m_children; }
    int GetChildCount() const { return m_children.GetSize(); }
    // Child i, null outside the array.
    CWidget* GetChild(int i) const
    {
        return (i >= 0 && i < m_children.GetSize()) ? m_children.ElementAt(i) : nullptr;
    }
    // The widget that took the last press through this one (ChildAt's answer), or null.
    CWidget* GetFocusChild() const { return m_focus; }
    const CVortanString& GetName() const { return m_name; }
    void SetName(const CVortanString& name) { m_name = name; }
    const CHashString* GetUniqueName() const { return m_uniqueName; }
    intptr_t GetTag() const { return m_tag; }
    void SetTag(intptr_t tag) { m_tag = tag; }
    u32 GetColor() const { return m_color; }
    void SetColor(u32 color) { m_color = color; }
    bool IsEnabled() const { return (m_flags & FLAG_ENABLED) != 0; }
    void SetEnabled(bool on) { SetFlag(FLAG_ENABLED, on); }
    bool IsPassThrough() const { return (m_flags & FLAG_PASS_THROUGH) != 0; }
    void SetPassThrough(bool on) { SetFlag(FLAG_PASS_THROUGH, on); }
    bool IsIntercept() const { return (m_flags & FLAG_INTERCEPT) != 0; }
    void SetIntercept(bool on) { SetFlag(FLAG_INTERCEPT, on); }

    CUIDelegate& GetOnShow() { return m_onShow; }
    CUIDelegate& GetOnHide() { return m_onHide; }
    CUIDelegate& GetOnClone() { return m_onClone; }
    CUIDelegate& GetOnCloned() { return m_onCloned; }
    CUIDelegate& GetOnStartup() { return m_onStartup; }
    CUIDelegate& GetOnShutdown() { return m_onShutdown; }
    void SetOnShow(const CUIDelegate& d) { m_onShow = d; }
    void SetOnHide(const CUIDelegate& d) { m_onHide = d; }
    void SetOnClone(const CUIDelegate& d) { m_onClone = d; }
    void SetOnCloned(const CUIDelegate& d) { m_onCloned = d; }
    void SetOnStartup(const CUIDelegate& d) { m_onStartup = d; }
    void SetOnShutdown(const CUIDelegate& d) { m_onShutdown = d; }

    // Keeps the first non-empty name; later calls change nothing.
    void SetUniqueName(const CVortanString& name);
    // Stores the rect, tells OnRectChanged and then the parent's ChildRectChanged.
    void SetRect(const CVortanRect& rect);
    // Moves the rect keeping its size; OnRectChanged only, the parent is not told.
    void SetPosition(int x, int y);
    CWidget* GetRoot();
    bool IsSelfOrAncestor(const CWidget* widget) const;
    CWidget* FindAncestorOfKind(const TypeInfo& record) const;
    void ConvertPointTo(const CWidget* target, int& x, int& y) const;
    // Takes the named descendant out of the tree; a template with children gives its first
    // child instead (the template itself is shut down and deleted). The caller owns the result.
    CWidget* DetachTemplate(const CVortanString& name);
    // Walks both trees in step, copying other's properties into this one; false at the first
    // difference of type or child count.
    bool TreesEqual(const CWidget* other);

    static CWidget* GetCapture();
    static void SetCapture(CWidget* widget);

    // Shuts the widget down and deletes it (during a walk: when the walk returns). Null is
    // ignored. A widget still in a parent is removed from it first.
    static void Destroy(CWidget* widget);
    // A liveness word for this widget with one reference for the caller (null when out of
    // memory); it turns dead at Shutdown or deletion. Give it back with ReleaseLife.
    CWidgetLife* AcquireLife();
    static void ReleaseLife(CWidgetLife* life);
    // Number of walks (dispatch, update, render) running now, and the widgets waiting for them.
    static int GetWalkDepth();
    static int GetPendingDeletions();

protected:
    // Counts a walk for its scope; the outermost one deletes what waited for it.
    class CWalkGuard {
    public:
        CWalkGuard();
        ~CWalkGuard();
    };

    // True once Shutdown ran (until the next Startup) or the destructor began.
    bool IsGone() const { return m_gone != 0; }
    void SetFlag(u8 bit, bool on) { m_flags = on ? (u8)(m_flags | bit) : (u8)(m_flags & ~bit); }
    void SetParent(CWidget* parent);
    // The index to visit after child, which was at i before a call that may have changed the
    // child array: i + 1 when it is still there, after its new place when it moved, i when it
    // left.
    int NextChildIndex(int i, const CWidget* child) const;
    static void ReportError(int code);

private:
    CWidget* ResolvePathStep(CWidget* w, int mode, const CVortanString& name);
    void ForgetChild(CWidget* child);
    // Clears every ancestor's focus that lies in the leaving widget's subtree.
    static void ClearFocusInto(const CWidget* leaving);
    void KillLife();
    static void DeleteOrDefer(CWidget* widget);
    static void FlushPending();

    CVortanRect m_rect;
    CVortanArray<CWidget*> m_children;
    COrloApplication* m_context;
    COrloResourceManager* m_resources;
    CWidget* m_parent;
    CWidget* m_focus;
    CVortanString m_name;
    CHashString* m_uniqueName;
    intptr_t m_tag;
    CUIDelegate m_onShow;
    CUIDelegate m_onHide;
    CUIDelegate m_onClone;
    CUIDelegate m_onCloned;
    CUIDelegate m_onStartup;
    CUIDelegate m_onShutdown;
    u8 m_flags;
    u8 m_gone;
    u32 m_color;
    CWidgetLife* m_life;
};
