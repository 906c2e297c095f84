// COrloMenuState: gifts for a player (the gift button of a player's entry, the server's items to
// choose, the confirmation page and its answer) and the coin page opened in the browser.
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/menu/OrloMenuState.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "engine/graphics/VortanSurface.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloWebServer.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"

namespace {
// The most items a gift answer offers that are kept.
const int kGiftChoicesMax = 1000;

CVortanString GiftsDecimal(int value)
{
    CVortanString out;
    out.FromInteger(value, 10);
    return out;
}
} // namespace

int COrloMenuState::OnBuyPlayerGift(CWidget* sender, COrloMenuState* menu)
{
    CExpandable* item = MenuPages::NearestExpandable(sender);
    const SMenuPlayer* player = item ? (const SMenuPlayer*)item->GetTag() : nullptr;
    if (!player)
        return 1;
    menu->m_giftRecipientName = player->name;
    COrloNetworkSession* session = menu->GetSession();
    if (session)
        session->SendPlayerGiftRequest(player->id);
    return 1;
}

void COrloMenuState::OnPlayerGiftItems(int recipient, const CVortanString& text,
                                       const CVortanArray<SShopItemData>& items)
{
    if (!text.IsEmpty()) {
        ShowShopError(recipient < 0 ? recipient : 0, text);
        return;
    }
    // A new answer replaces the gift offered before.
    m_hasPendingGift = 1;
    m_giftRecipient = recipient;
    m_giftItems.RemoveAll();
    m_giftTotal = 0;
    if (items.GetSize() == 0)
        return;
    // The items offered now replace those offered before (left by Back, never confirmed).
    m_giftChoices.RemoveAll();
    for (int i = 0; i < items.GetSize() && m_giftChoices.GetSize() < kGiftChoicesMax; ++i) {
        GiftChoice choice;
        choice.id = items[i].id;
        choice.giftPrice = items[i].giftPrice;
        choice.name = items[i].shownName.IsEmpty() ? items[i].name : items[i].shownName;
        m_giftChoices.SetAtGrow(m_giftChoices.GetSize(), choice);
    }
    if (!m_pageRoot)
        return;
    m_pageRoot->NavigateTo(CVortanString("dialog_gift_list_selection"));
    CInfiniteList* list = WidgetCast<CInfiniteList>(FindFromPages("//selection_gift_list_content"));
    if (list) {
        list->InvalidateItems();
        list->SetItemCount(m_giftChoices.GetSize());
    }
}

int COrloMenuState::OnLoadSelectionGiftItem(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    const int index = list ? list->GetItemIndex(sender) : -1;
    if (!menu->m_pageRoot || !menu->GetSession() || index < 0 ||
        index >= menu->m_giftChoices.GetSize())
        return 1;
    const GiftChoice& choice = menu->m_giftChoices[index];
    menu->SetTextOf(sender->FindChild(CVortanString("item-name"), -1), choice.name);
    menu->SetTextOf(sender->FindChild(CVortanString("price-value"), -1),
                    GiftsDecimal(choice.giftPrice));
    CWidget* select = sender->FindChild(CVortanString("select-button"), -1);
    if (select) {
        // The choice's index: the array moves as answers append to it.
        select->SetTag(index + 1);
        if (choice.selected)
            MenuPages::ShowChoice(select, 1);
    }
    return 1;
}

int COrloMenuState::OnSelectGiftListItem(CWidget* sender, COrloMenuState* menu)
{
    const int index = sender ? (int)sender->GetTag() - 1 : -1;
    if (index < 0 || index >= menu->m_giftChoices.GetSize())
        return 1;
    GiftChoice& choice = menu->m_giftChoices[index];
    choice.selected = choice.selected ? 0 : 1;
    MenuPages::ShowChoice(sender, choice.selected);
    return 1;
}

int COrloMenuState::OnOkGiftListSelection(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (!menu->m_hasPendingGift)
        return 1;
    menu->m_giftItems.RemoveAll();
    i64 total = 0;
    for (int i = 0; i < menu->m_giftChoices.GetSize(); ++i) {
        const GiftChoice& choice = menu->m_giftChoices[i];
        if (!choice.selected)
            continue;
        menu->m_giftItems.SetAtGrow(menu->m_giftItems.GetSize(), choice.id);
        total += choice.giftPrice;
    }
    // Summed wide; the page shows what fits an int.
    if (total > 0x7FFFFFFF)
        total = 0x7FFFFFFF;
    if (total < -0x7FFFFFFF)
        total = -0x7FFFFFFF;
    menu->m_giftTotal = (int)total;
    return 1;
}

int COrloMenuState::OnCancelGiftListSelection(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->m_giftChoices.RemoveAll();
    return 1;
}

void COrloMenuState::ShowConfirmPlayerGift()
{
    if (!m_hasPendingGift || !m_pageRoot)
        return;
    CWidget* page = m_pageRoot->FindChild(CVortanString("confirm_buy_player_gift_dialog"), 1);
    if (!page)
        return;
    char key[48];
    snprintf(key, sizeof(key), "player_avatar_icon_%d", m_giftRecipient);
    MenuPages::ShowRegisteredIcon(m_application, page->FindChild(CVortanString("player-icon"), -1),
                                  key);
    SetTextOf(page->FindChild(CVortanString("player-name"), -1), m_giftRecipientName);
    SetTextOf(page->FindChild(CVortanString("value_price"), -1), GiftsDecimal(m_giftTotal));
}

int COrloMenuState::OnShowConfirmPlayerGiftDialog(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ShowConfirmPlayerGift();
    return 1;
}

int COrloMenuState::OnOkPlayerGiftConfirm(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (!menu->m_hasPendingGift)
        return 1;
    COrloNetworkSession* session = menu->GetSession();
    if (session)
        session->SendConfirmBuyPlayerItems(menu->m_giftRecipient, 0, &menu->m_giftItems);
    menu->m_hasPendingGift = 0;
    menu->m_giftItems.RemoveAll();
    menu->m_giftTotal = 0;
    menu->m_giftChoices.RemoveAll();
    return 1;
}

void COrloMenuState::OnConfirmBuyPlayerItemsResponse(int result, int code,
                                                     const CVortanString& text)
{
    (void)result;
    if (!text.IsEmpty()) {
        ShowShopError(code, text);
        return;
    }
    CInfiniteList* choices =
        WidgetCast<CInfiniteList>(FindFromPages("//selection_gift_list_content"));
    if (choices)
        choices->InvalidateItems();
}

// --- coins -------------------------------------------------------------------------------------

void COrloMenuState::BuildCoinsLink(CVortanString& out)
{
    out.Empty();
    COrlogateApplication* gate = Gate();
    COrloNetworkSession* session = GetSession();
    if (!gate || !session)
        return;
    // The forward page's host and path: the address without its scheme.
    const char* forward = ORLO_FORWARD_ADDRESS;
    const char* scheme = strstr(forward, "://");
    if (scheme)
        forward = scheme + 3;
    CVortanString store;
    gate->GetStoreName(store);
    COrloLanguage* language = gate->GetLanguage();
    const COrloLanguage::CLanguageEntry* current =
        language ? language->GetCurrentLanguage() : nullptr;
    const CVortanString check = session->BuildLinkToken();
    out = CVortanString("https://");
    out.Append(CVortanString(forward));
    out.Append(CVortanString("?link=add_coins&token="));
    out.Append(session->GetLoginToken());
    out.Append(CVortanString("&check="));
    out.Append(check);
    out.Append(CVortanString("&game="));
    out.Append(GiftsDecimal(gate->GetGameNumber()));
    out.Append(CVortanString("&release="));
    out.Append(GiftsDecimal(session->GetReleaseId()));
    out.Append(CVortanString("&rid="));
    out.Append(store);
    out.Append(CVortanString("&lang="));
    if (current)
        out.Append(current->code);
}

int COrloMenuState::OnBuyCoins(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    COrlogateApplication* gate = menu->Gate();
    COrloDevice* device = gate ? gate->GetDevice() : nullptr;
    CVortanString link;
    menu->BuildCoinsLink(link);
    if (device && !link.IsEmpty())
        device->OpenUrl(link);
    return 1;
}
