// COrloMenuState: buying from the shop pages — the buy request for an item, refill or gift,
// the server's answer with the players to choose, the confirmation page and its answer.
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/menu/OrloMenuState.h"

#include <stdio.h>

#include "engine/graphics/VortanSurface.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"

namespace {

// 256 for an item of the my-items list, else 0.
int ListBit(CWidget* item)
{
    CWidget* parent = item ? item->GetParent() : nullptr;
    return parent && parent->GetName() == CVortanString("my_items_page_list") ? 256 : 0;
}
} // namespace

int COrloMenuState::PriceFor(const SShopItemData& record, int code, int players)
{
    // The purpose is the code's low byte; the list bit (256) does not change the price.
    i64 price = 0;
    switch (code & 255) {
    case 0:
        price = record.price;
        break;
    case 1:
        price = (i64)record.giftPrice * players;
        break;
    case 2:
        price = record.refillPrice < 1 ? record.price : record.refillPrice;
        break;
    default:
        break;
    }
    if (price > 0x7FFFFFFF)
        price = 0x7FFFFFFF;
    if (price < -0x7FFFFFFF)
        price = -0x7FFFFFFF;
    return (int)price;
}

void COrloMenuState::SendBuy(CWidget* sender, int purpose)
{
    CExpandable* item = MenuPages::NearestExpandable(sender);
    const int itemId = item ? (int)item->GetTag() : 0;
    if (itemId <= 0)
        return;
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendBuyItemRequest(itemId, purpose == 2 ? 258 : purpose | ListBit(item));
}

int COrloMenuState::OnBuyItem(CWidget* sender, COrloMenuState* menu)
{
    menu->SendBuy(sender, 0);
    return 1;
}

int COrloMenuState::OnRefillItem(CWidget* sender, COrloMenuState* menu)
{
    menu->SendBuy(sender, 2);
    return 1;
}

int COrloMenuState::OnBuyGift(CWidget* sender, COrloMenuState* menu)
{
    CExpandable* item = MenuPages::NearestExpandable(sender);
    CInfiniteList* list = item ? WidgetCast<CInfiniteList>(item->GetParent()) : nullptr;
    if (list)
        list->InvalidateItems();
    menu->m_playerChoices.RemoveAll();
    menu->SendBuy(sender, 1);
    return 1;
}

void COrloMenuState::OnBuyItemPlayers(int itemId, int code, const CVortanString& text,
                                      const CVortanArray<SBuyItemPlayerInfo>& players)
{
    if (!text.IsEmpty()) {
        ShowShopError(code, text);
        return;
    }
    // A new answer replaces the purchase offered before.
    m_hasPendingPurchase = 1;
    m_pendingItem = itemId;
    m_pendingCode = code;
    m_pendingPlayers.RemoveAll();
    if (!m_pageRoot)
        return;
    if (players.GetSize() == 0) {
        m_pageRoot->NavigateTo(CVortanString("confirm_buy_dialog"));
        ShowConfirmBuy();
        return;
    }
    // The players offered now replace those offered before (left by Back, never confirmed).
    m_playerChoices.RemoveAll();
    for (int i = 0; i < players.GetSize() && m_playerChoices.GetSize() < PLAYER_CHOICES_MAX; ++i) {
        PlayerChoice choice;
        choice.id = players[i].id;
        choice.name = players[i].text1;
        choice.selected = 0;
        m_playerChoices.SetAtGrow(m_playerChoices.GetSize(), choice);
    }
    m_pageRoot->NavigateTo(CVortanString("dialog_list_selection"));
    CInfiniteList* list = WidgetCast<CInfiniteList>(FindFromPages("//selection_list_content"));
    if (list) {
        list->InvalidateItems();
        list->SetItemCount(m_playerChoices.GetSize());
    }
}

int COrloMenuState::OnLoadSelectionItem(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    const int index = list ? list->GetItemIndex(sender) : -1;
    if (!menu->m_pageRoot || !menu->GetSession() || index < 0 ||
        index >= menu->m_playerChoices.GetSize())
        return 1;
    const PlayerChoice& choice = menu->m_playerChoices[index];
    menu->SetTextOf(sender->FindChild(CVortanString("item-name"), -1), choice.name);
    CWidget* select = sender->FindChild(CVortanString("select-button"), -1);
    if (select) {
        // The choice's index, not its address: the array moves as answers append to it.
        select->SetTag(index + 1);
        if (choice.selected)
            MenuPages::ShowChoice(select, 1);
    }
    return 1;
}

int COrloMenuState::OnUnloadSelectionItem(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    if (sender)
        sender->SetTag(0);
    return 1;
}

int COrloMenuState::OnSelectListItem(CWidget* sender, COrloMenuState* menu)
{
    const int index = sender ? (int)sender->GetTag() - 1 : -1;
    if (index < 0 || index >= menu->m_playerChoices.GetSize())
        return 1;
    PlayerChoice& choice = menu->m_playerChoices[index];
    choice.selected = choice.selected ? 0 : 1;
    MenuPages::ShowChoice(sender, choice.selected);
    return 1;
}

int COrloMenuState::OnOkListSelection(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (!menu->m_hasPendingPurchase)
        return 1;
    menu->m_pendingPlayers.RemoveAll();
    for (int i = 0; i < menu->m_playerChoices.GetSize(); ++i) {
        if (menu->m_playerChoices[i].selected)
            menu->m_pendingPlayers.SetAtGrow(menu->m_pendingPlayers.GetSize(),
                                             menu->m_playerChoices[i].id);
    }
    return 1;
}

int COrloMenuState::OnCancelListSelection(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->m_playerChoices.RemoveAll();
    return 1;
}

void COrloMenuState::ShowConfirmBuy()
{
    const int at = m_hasPendingPurchase ? m_itemRecords.FindKey(m_pendingItem) : -1;
    if (at < 0 || !m_pageRoot)
        return;
    const SShopItemData& record = m_itemRecords.ElementAt(at).value;
    CWidget* page = m_pageRoot->FindChild(CVortanString("confirm_buy_dialog"), 1);
    if (!page)
        return;
    char key[48];
    snprintf(key, sizeof(key), "shop:icon:%d:%d", record.id, 0);
    MenuPages::ShowRegisteredIcon(m_application, page->FindChild(CVortanString("item-icon"), -1),
                                  key);
    SetTextOf(page->FindChild(CVortanString("item-name"), -1),
              record.shownName.IsEmpty() ? record.name : record.shownName);
    CVortanString price;
    CVortanFormatArg arg(PriceFor(record, m_pendingCode, m_pendingPlayers.GetSize()));
    price.FormatArgs(CVortanString("%d").GetBuffer(), &arg, 1);
    SetTextOf(page->FindChild(CVortanString("value_price"), -1), price);
}

int COrloMenuState::OnShowConfirmBuyDialog(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ShowConfirmBuy();
    return 1;
}

int COrloMenuState::OnOkBuyConfirm(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (!menu->m_hasPendingPurchase)
        return 1;
    COrloNetworkSession* session = menu->GetSession();
    if (session)
        session->SendConfirmBuyItem(menu->m_pendingItem, menu->m_pendingCode,
                                    menu->m_pendingPlayers.GetSize() ? &menu->m_pendingPlayers
                                                                     : nullptr);
    menu->m_hasPendingPurchase = 0;
    menu->m_pendingPlayers.RemoveAll();
    menu->m_playerChoices.RemoveAll();
    return 1;
}

int COrloMenuState::OnNothing(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    (void)menu;
    return 1;
}

void COrloMenuState::OnConfirmBuyItemResponse(int result, int code, const CVortanString& text)
{
    (void)result;
    if (!text.IsEmpty()) {
        ShowShopError(code, text);
        return;
    }
    CInfiniteList* choices = WidgetCast<CInfiniteList>(FindFromPages("//selection_list_content"));
    if (choices)
        choices->InvalidateItems();
    COrloNetworkSession* session = GetSession();
    const int list = code & ~255;
    if (list == 0 || list == 256) {
        // The list shows the purchase once the server sends it again.
        OpenShopList(list == 0 ? 0 : 1);
        return;
    }
    if (session)
        session->SendShortIntMessage(code);
}
