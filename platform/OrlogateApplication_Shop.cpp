// COrlogateApplication: the lobby's shop messages, passed on to the online menu.
#include "platform/OrlogateApplication.h"

#include "platform/OrloMenuStateInterface.h"

void COrlogateApplication::OnShopGroups(int parent, const CVortanArray<SShopGroupData>& groups)
{
    if (m_menu)
        m_menu->OnShopGroups(parent, groups);
}

void COrlogateApplication::OnShopItems(int group, int first,
                                       const CVortanArray<SShopItemData>& items)
{
    if (m_menu)
        m_menu->OnShopItems(group, first, items);
}
