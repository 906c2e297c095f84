// CRunningList: an append-only list of ready-made item widgets, named by a running counter,
// holding at most a maximum count, growing upward inside its parent and scrolling to the
// newest item.
#pragma once
#include "ui/layouts/GridLayout.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CRunningList : public CGridLayout {
public:
    CRunningList();
    virtual ~CRunningList();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::RunningList(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "running_list".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // Takes the item (null is ignored).
    virtual void AddItem(CWidget* item);
    virtual void RemoveOldestItem();
    virtual void ClearItems();

    // The settings the layout loader writes.
    void SetGrowUpward(bool on) { m_growUpward = on; }
    bool GetGrowUpward() const { return m_growUpward; }
    void SetAutoscroll(bool on) { m_autoscroll = on; }
    bool GetAutoscroll() const { return m_autoscroll; }
    void SetAutoscrollTime(float seconds) { m_autoscrollTime = seconds; }
    float GetAutoscrollTime() const { return m_autoscrollTime; }
    void SetMaxItemCount(int n) { m_maxCount = n; }
    int GetMaxItemCount() const { return m_maxCount; }
    int GetItemCounter() const { return m_counter; }
    CWidget* GetItemTemplate() const { return m_itemTemplate; }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    // Settings and a clone of the template; the items are not copied.
    void CopyFrom(const CWidget* other) override;
    CWidget* Clone() override;
    int UpdateSelf(float dt) override;

private:
    CWidget* m_itemTemplate;
    bool m_growUpward;
    bool m_templatePending;
    bool m_autoscroll;
    int m_maxCount;
    int m_counter;
    float m_autoscrollTime;
};
