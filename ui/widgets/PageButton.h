// CPageButton: a toggle button bound to one page of a page view; a click navigates there and
// the button shows itself pressed while its page is visible.
#pragma once
#include "ui/widgets/ToggleButton.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CPageView;

class CPageButton : public CToggleButton {
public:
    CPageButton();
    virtual ~CPageButton();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::PageButton(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "page_button".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    virtual CPageView* GetPageView() const { return m_view; }
    // Unregisters from the old view and registers with the new one.
    virtual void SetPageView(CPageView* view);

    // The path of the page view, resolved on the next update while no view is set.
    void SetTarget(const CVortanString& path) { m_target = path; }
    const CVortanString& GetTarget() const { return m_target; }
    void SetPage(const CVortanString& name) { m_page = name; }
    const CVortanString& GetPage() const { return m_page; }

    // The toggle button's click; when onclick answered non-zero, the view navigates.
    int Click() override;
    int UpdateSelf(float dt) override;
    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;

private:
    CVortanString m_target;
    CVortanString m_page;
    CPageView* m_view;
};
