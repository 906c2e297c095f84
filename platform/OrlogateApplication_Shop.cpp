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

void COrlogateApplication::OnCoinBalance(int coins)
{
    if (m_menu)
        m_menu->OnCoinBalance(coins);
}

void COrlogateApplication::OnShopItemImage(int itemId, int size, const u8* bytes, int length)
{
    if (m_menu)
        m_menu->OnShopItemImage(itemId, size, bytes, length);
}

void COrlogateApplication::OnUpdateItemStateResponse(int itemId, int state,
                                                     const CVortanString& text, int otherId)
{
    if (m_menu)
        m_menu->OnUpdateItemStateResponse(itemId, state, text, otherId);
}

void COrlogateApplication::OnBuyItemPlayers(int itemId, int code, const CVortanString& text,
                                            const CVortanArray<SBuyItemPlayerInfo>& players)
{
    if (m_menu)
        m_menu->OnBuyItemPlayers(itemId, code, text, players);
}

void COrlogateApplication::OnConfirmBuyItemResponse(int result, int code, const CVortanString& text)
{
    if (m_menu)
        m_menu->OnConfirmBuyItemResponse(result, code, text);
}

void COrlogateApplication::OnPlayerGiftItems(int recipient, const CVortanString& text,
                                             const CVortanArray<SShopItemData>& items)
{
    if (m_menu)
        m_menu->OnPlayerGiftItems(recipient, text, items);
}

void COrlogateApplication::OnConfirmBuyPlayerItemsResponse(int result, int code,
                                                           const CVortanString& text)
{
    if (m_menu)
        m_menu->OnConfirmBuyPlayerItemsResponse(result, code, text);
}
