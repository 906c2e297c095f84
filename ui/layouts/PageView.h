// CPageView: a layout whose children are pages shown one at a time, with a navigation
// history, the back keyword in navigation paths and slide transitions between pages.
#pragma once
#include "engine/VortanSortedSet.h"
#include "engine/VortanStringArray.h"
#include "ui/anim/Transitionable.h"
#include "ui/layouts/Layout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CPageButton;

class CPageView : public CLayout, public CTransitionable {
public:
    CPageView();
    virtual ~CPageView();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::PageView(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "page_layout".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // The widget's frame update; the transitions advance inside it.
    using CLayout::Update;

    void DoLayout() override;
    virtual int IndexOfChild(const CWidget* widget) const;
    virtual void RegisterPageButton(CPageButton* button);
    virtual void UnregisterPageButton(CPageButton* button);
    // Appends the names of the pages in the history, oldest first.
    virtual void GetHistory(CVortanStringArray& names);
    // Shows the pages of the paths in turn (the history is emptied first).
    virtual void SetHistory(const CVortanStringArray& paths);
    virtual void ClearHistory();
    // 0 or less: no history is kept.
    virtual void SetHistoryMaxSize(int n);
    // Back n entries (n of 0 or less does nothing).
    virtual void GoBack(int n);
    // Back to the named page of the history, or back one page and then there.
    virtual void GoBackTo(const CVortanString& name);
    virtual void LayoutPages();
    virtual void UpdatePageButtons();

    int GetCurrentPageIndex() const { return m_current; }
    int GetPreviousPageIndex() const { return m_previous; }
    CWidget* GetCurrentPage() const { return GetChild(m_current); }
    CWidget* GetPreviousPage() const { return GetChild(m_previous); }
    void ShowPage(int index);
    // The page shown afterwards, or null.
    CWidget* NavigateTo(const CVortanString& path);
    const CVortanArray<int>& GetHistoryIndices() const { return m_history; }
    int GetHistoryMaxSize() const { return m_historyMax; }
    int GetPageButtonCount() const { return m_buttons.GetSize(); }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    int UpdateSelf(float dt) override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;

private:
    // The transition list's own start-up (no arguments) is the base's business, called from
    // the widget's Startup; kept out of the page view's interface.
    using CTransitionable::Startup;
    void RemoveHistoryTop();

    CVortanArray<int> m_history;
    int m_historyMax;
    CVortanString m_backKeyword;
    int m_current;
    int m_previous;
    CVortanSortedSet<CPageButton*> m_buttons;
};
