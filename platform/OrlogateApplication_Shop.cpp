// COrlogateApplication: the lobby's shop and item pack messages, passed on to the online menu.
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

void COrlogateApplication::OnItemData(const CVortanArray<SItemData>& packs)
{
    if (m_menu)
        m_menu->OnItemData(packs);
}

void COrlogateApplication::OnItemPackData(int dataId, int offset, const u8* bytes, int length,
                                          int remaining)
{
    if (m_menu)
        m_menu->OnItemPackData(dataId, offset, bytes, length, remaining);
}
