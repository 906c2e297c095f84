// Creators of the scrolling and paging types: slide area, grid layout, infinite and running
// lists, page view and page button.
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "ui/anim/Transition.h"
#include "ui/layouts/GridLayout.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/layouts/RunningList.h"
#include "ui/layouts/SlideArea.h"
#include "ui/loader/UICreatorSupport.h"
#include "ui/widgets/PageButton.h"

namespace {

// "$layout_mode": "grid" 0, "list" 1, "uniform_list" 2, another word 0; absent: unchanged.
void ReadLayoutMode(CVortanXMLDataNode* element, CGridLayout* grid)
{
    const char* mode = CUIXMLLoader::GetAttribute(element, "$layout_mode");
    if (!mode)
        return;
    if (strcmp(mode, "list") == 0)
        grid->SetLayoutMode(GRID_MODE_LIST);
    else if (strcmp(mode, "uniform_list") == 0)
        grid->SetLayoutMode(GRID_MODE_UNIFORM_LIST);
    else
        grid->SetLayoutMode(GRID_MODE_GRID);
}

void ReadSpacing(CUIXMLLoader* loader, CVortanXMLDataNode* element, CGridLayout* grid)
{
    int horizontal = 0, vertical = 0;
    loader->ParseItemSpacing(element, &horizontal, &vertical);
    grid->SetItemSpacingX(horizontal);
    grid->SetItemSpacingY(vertical);
}

void ReadBorders(CUIXMLLoader* loader, CVortanXMLDataNode* element, CGridLayout* grid)
{
    int margins[4];
    loader->ParseBorderSize(element, margins);
    for (int i = 0; i < 4; ++i)
        grid->SetBorder(i, margins[i]);
}

CVortanString Text(CVortanXMLDataNode* node, const char* name)
{
    CVortanString text;
    const char* value = node ? CUIXMLLoader::GetAttribute(node, name) : nullptr;
    if (value)
        text.AssignUTF8(value, -1);
    return text;
}

} // namespace

CWidget* CSlideArea::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                   CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CSlideArea* area = UIReuseOrCreate<CSlideArea>(loader, parent, reuse, &isNew);
    if (!area)
        return nullptr;
    loader->ParseScroll(element, area);
    return area;
}

CWidget* CGridLayout::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                    CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CGridLayout* grid = UIReuseOrCreate<CGridLayout>(loader, parent, reuse, &isNew);
    if (!grid)
        return nullptr;
    grid->SetColumnCount(CUIXMLLoader::ReadInt(element, "$num_columns", 0));
    grid->SetRowCount(CUIXMLLoader::ReadInt(element, "$num_rows", 0));
    ReadSpacing(loader, element, grid);
    loader->ParseScroll(element, grid);
    ReadBorders(loader, element, grid);
    ReadLayoutMode(element, grid);
    return grid;
}

CWidget* CInfiniteList::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                      CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CInfiniteList* list = UIReuseOrCreate<CInfiniteList>(loader, parent, reuse, &isNew);
    if (!list)
        return nullptr;
    ReadSpacing(loader, element, list);
    ReadBorders(loader, element, list);
    loader->ParseScroll(element, list);
    CVortanXMLDataNode* page = CUIXMLLoader::FindChildElement(element, "page-size");
    if (page)
        list->SetBatchSize(CUIXMLLoader::ReadInt(page, "$value", 10));
    return list;
}

CWidget* CRunningList::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                     CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CRunningList* list = UIReuseOrCreate<CRunningList>(loader, parent, reuse, &isNew);
    if (!list)
        return nullptr;
    ReadSpacing(loader, element, list);
    ReadBorders(loader, element, list);
    loader->ParseScroll(element, list);
    CVortanXMLDataNode* most = CUIXMLLoader::FindChildElement(element, "max-item-count");
    if (most)
        list->SetMaxItemCount(CUIXMLLoader::ReadInt(most, "$value", 20));
    CVortanXMLDataNode* grow = CUIXMLLoader::FindChildElement(element, "expands-to");
    if (grow)
        list->SetGrowUpward(CUIXMLLoader::AttributeIs(grow, "$value", "top"));
    ReadLayoutMode(element, list);
    CVortanXMLDataNode* autoscroll = CUIXMLLoader::FindChildElement(element, "autoscroll");
    if (autoscroll) {
        list->SetAutoscroll(CUIXMLLoader::ReadInt(autoscroll, "$enabled", 1) != 0);
        list->SetAutoscrollTime(CUIXMLLoader::ReadFloat(autoscroll, "$speed", 0.0f));
    }
    return list;
}

CWidget* CPageView::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CPageView* view = UIReuseOrCreate<CPageView>(loader, parent, reuse, &isNew);
    if (!view)
        return nullptr;
    if (isNew)
        view->SetPassThrough(true);
    int size = 0;
    CVortanXMLDataNode* history = CUIXMLLoader::FindChildElement(element, "history");
    if (history)
        size = CUIXMLLoader::ReadInt(history, "$max-size", 0);
    if (size > 0) {
        view->SetHistoryMaxSize(size);
        view->AddTransition(loader->ParseTransition(element, "in"));
        view->AddTransition(loader->ParseTransition(element, "out"));
    }
    return view;
}

CWidget* CPageButton::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                    CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CPageButton* button = UIReuseOrCreate<CPageButton>(loader, parent, reuse, &isNew);
    if (!button)
        return nullptr;
    loader->ParseButtonCommon(element, button);
    CVortanXMLDataNode* target = CUIXMLLoader::FindChildElement(element, "target");
    button->SetTarget(Text(target, "$name"));
    button->SetPage(Text(target, "$page"));
    button->SetPassThrough(false);
    return button;
}
