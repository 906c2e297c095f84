// CInfiniteList: a list of any length that holds only a window of item widgets, cloned from
// its item (and group header) template, filled by its owner through events and recycled as
// rows leave the window.
#pragma once
#include "ui/layouts/GridLayout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CInfiniteList : public CGridLayout {
public:
    CInfiniteList();
    virtual ~CInfiniteList();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::InfiniteList(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "infinite_list".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // The largest batch: five batches of rows must stay countable.
    enum { MAX_BATCH = 0x7FFFFFFF / 5 };

    void SetOnLoadItem(const CUIDelegate& d) { m_onLoadItem = d; }
    void SetOnForgetItem(const CUIDelegate& d) { m_onForgetItem = d; }
    void SetOnLoadItemBatch(const CUIDelegate& d) { m_onLoadItemBatch = d; }
    void SetOnLoadGroup(const CUIDelegate& d) { m_onLoadGroup = d; }

    // Forgets every loaded row unless the count is unchanged and nothing is stale; a negative
    // count counts as 0.
    void SetItemCount(int n);
    int GetItemCount() const { return m_itemCount; }
    // Rows for groups of the sizes: a header before each group when a group template exists.
    void SetGroups(const CVortanArray<int>& sizes);
    // n >= 1: at least 3; n < 1: derived from the heights while the templates are unknown.
    void SetBatchSize(int n);
    int GetBatchSize() const { return m_batchSize; }
    // The loaded rows are dropped on the next update; the owner sets the count again.
    virtual void InvalidateItems();

    // Inside onloaditem (and onforgetitem): the item number of the widget, else -1.
    int GetItemIndex(const CWidget* widget) const;
    // Inside onloaditembatch: the number of items of the batch and the smallest item number.
    void GetBatchRange(int& count, int& first) const;
    static bool IsGroupHeader(const CWidget* widget);
    int GetFirstLoadedPosition() const { return m_firstLoaded; }
    const CVortanArray<int>& GetHeaderPositions() const { return m_headers; }
    CWidget* GetItemTemplate() const { return m_itemTemplate; }
    CWidget* GetGroupTemplate() const { return m_groupTemplate; }
    void SetDrawingEnabled(bool on) { m_drawingEnabled = on; }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    // Settings, delegates and template clones; the rows are not copied.
    void CopyFrom(const CWidget* other) override;
    // Once the templates are looked up a clone starts empty and loads its own rows.
    CWidget* Clone() override;
    int UpdateSelf(float dt) override;
    int Render(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    void RefreshLocalizedText() override;

private:
    struct LoadingItem {
        int index;
        CWidget* widget;
    };
    struct BatchRange {
        int count;
        int first;
    };

    void LookupTemplates();
    void ForgetAll();
    // onforgetitem for an item row, then out of the list.
    void Forget(CWidget* row);
    // The row at position p, made in the recycled widget when it suits, inserted at index.
    CWidget* CreateRow(int p, CWidget* recycled, int index);
    int HeadersBelow(int p) const;
    int HeaderIndex(int p) const;
    void BeginBatch();
    void Fill();
    void LoadBelow();
    void LoadAbove();

    CUIDelegate m_onLoadItem;
    CUIDelegate m_onForgetItem;
    CUIDelegate m_onLoadItemBatch;
    CUIDelegate m_onLoadGroup;
    int m_itemCount;
    int m_firstLoaded;
    int m_batchSize;
    CWidget* m_itemTemplate;
    CWidget* m_groupTemplate;
    bool m_templatesPending;
    bool m_stale;
    CVortanArray<int> m_headers;
    LoadingItem m_loading;
    BatchRange m_batch;
    bool m_drawingEnabled;
};
