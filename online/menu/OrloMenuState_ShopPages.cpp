// COrloMenuState: the shop's pages — coins, the shop and my-items lists with their groups and
// batches, item icons with the large icon's fade-in, the enable switch and its answer.
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/menu/OrloMenuState.h"

#include <new>
#include <stdio.h>
#include <string.h>

#include <string>

#include "engine/graphics/VortanSurface.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/anim/EasingCurve.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/ToggleButton.h"

#ifndef GL_RGBA
#define GL_RGBA 0x1908
#endif
#ifndef GL_UNSIGNED_BYTE
#define GL_UNSIGNED_BYTE 0x1401
#endif

namespace {
const float kLargeIconDelay = 5.0f;
const float kLargeIconFade = 1.0f;

CWidget* Child(CWidget* root, const char* name)
{
    return root ? root->FindChild(CVortanString(name), -1) : nullptr;
}

CWidget* Path(CWidget* root, const char* path)
{
    return root ? root->FindByPath(CVortanString(path)) : nullptr;
}

void Show(CWidget* widget, bool shown)
{
    if (widget)
        widget->SetVisible(shown);
}

void SetToggle(CWidget* widget, int on)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(widget);
    if (toggle)
        toggle->SetState(on ? 1 : 0);
}

CImageWidget* ImageOf(CWidget* widget)
{
    return WidgetCast<CImageWidget>(widget);
}

// The list's "no_results" and "loading" markers, its siblings.
void Markers(CInfiniteList* list, bool noResults, bool loading)
{
    CWidget* parent = list ? list->GetParent() : nullptr;
    if (!parent)
        return;
    Show(parent->FindChild(CVortanString("no_results"), 1), noResults);
    Show(parent->FindChild(CVortanString("loading"), 1), loading);
}

// Icons are small: a PNG whose header claims more than this on a side is not decoded.
const u32 kIconSideMax = 1024;

// 0 for a PNG whose header claims a size no icon has; 1 otherwise (other formats are the
// decoder's to judge).
int IconSizeAcceptable(const u8* bytes, int length)
{
    static const u8 kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length < 24 || memcmp(bytes, kSignature, 8) != 0)
        return 1;
    const u32 width =
        ((u32)bytes[16] << 24) | ((u32)bytes[17] << 16) | ((u32)bytes[18] << 8) | bytes[19];
    const u32 height =
        ((u32)bytes[20] << 24) | ((u32)bytes[21] << 16) | ((u32)bytes[22] << 8) | bytes[23];
    return width >= 1 && height >= 1 && width <= kIconSideMax && height <= kIconSideMax;
}

CVortanString Number(const char* format, int value)
{
    CVortanString out;
    CVortanFormatArg arg(value);
    out.FormatArgs(CVortanString(format).GetBuffer(), &arg, 1);
    return out;
}
} // namespace

// --- coins and requests ---------------------------------------------------------------------

void COrloMenuState::OnCoinBalance(int coins)
{
    m_coins = coins;
    if (!m_uiRoot)
        return;
    const CVortanString text = Number("%d", coins);
    SetTextOf(Path(m_uiRoot, "//shop_root//orlocoins_amount"), text);
    SetTextOf(Path(m_uiRoot, "//my_items_coins//orlocoins_amount"), text);
    SetTextOf(Path(m_uiRoot, "//list_me//orlocoins_amount"), text);
    SetTextOf(Path(m_uiRoot, "//generic_error_dialog_more_coins//coins-value"), text);
}

int COrloMenuState::OnShowShop(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    COrloNetworkSession* session = menu->GetSession();
    if (session)
        session->SendGetCoinBalance();
    return 1;
}

void COrloMenuState::OpenShopList(int list)
{
    CInfiniteList* widget = list == 0 ? m_shopList : m_myItemsList;
    if (list == 0)
        m_itemRecords.RemoveAll();
    ForgetExpandedShopItem(nullptr);
    if (widget) {
        widget->InvalidateItems();
        Markers(widget, false, true);
    }
    if (list == 0)
        m_shopItems.RemoveAll();
    else
        m_myItems.RemoveAll();
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendShortIntMessage(list);
}

int COrloMenuState::OnShowShopItems(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->OpenShopList(0);
    return 1;
}

int COrloMenuState::OnShowMyItems(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->OpenShopList(1);
    return 1;
}

// --- loading and forgetting rows ------------------------------------------------------------

void COrloMenuState::LoadShopRow(CWidget* row, int list)
{
    CInfiniteList* widget = list == 0 ? m_shopList : m_myItemsList;
    if (!m_pageRoot || !row || !widget)
        return;
    const int index = widget->GetItemIndex(row);
    CExpandable* item = WidgetCast<CExpandable>(row);
    if (item) {
        item->SetState(0);
        item->SetState(1);
        item->SetState(0);
    }
    CWidget* placeholder = Child(row, "item-name");
    if (placeholder) {
        CVortanString text;
        CVortanFormatArg args[2] = {CVortanFormatArg(placeholder->GetName().GetBuffer()),
                                    CVortanFormatArg(index)};
        text.FormatArgs(CVortanString("%s %d").GetBuffer(), args, 2);
        SetTextOf(placeholder, text);
    }
    row->SetTag(0);
    if (index >= 0)
        (list == 0 ? m_shopItems : m_myItems)[index] = row;
}

void COrloMenuState::UnloadShopRow(CWidget* row, int list)
{
    if (!row)
        return;
    ForgetExpandedShopItem(row);
    CVortanMap<i32, CWidget*>& map = list == 0 ? m_shopItems : m_myItems;
    for (int i = map.GetSize() - 1; i >= 0; --i) {
        if (map.ElementAt(i).value == row)
            map.RemoveAt(i);
    }
    row->SetTag(0);
}

void COrloMenuState::ForgetExpandedShopItem(CWidget* row)
{
    // Any item: the pending large icon and the expanded item go when they are this one (null:
    // whichever they are).
    if (!row || m_expandedItem == row)
        m_expandedItem = nullptr;
    if (!row || m_largeIconItem == row) {
        m_largeIconItem = nullptr;
        m_iconDelay = -1.0f;
        m_iconFade = 0.0f;
    }
}

void COrloMenuState::ForgetShopWidgets()
{
    m_shopItems.RemoveAll();
    m_myItems.RemoveAll();
    ForgetExpandedShopItem(nullptr);
}

int COrloMenuState::OnLoadShopItem(CWidget* sender, COrloMenuState* menu)
{
    menu->LoadShopRow(sender, 0);
    return 1;
}

int COrloMenuState::OnLoadMyItem(CWidget* sender, COrloMenuState* menu)
{
    menu->LoadShopRow(sender, 1);
    return 1;
}

int COrloMenuState::OnUnloadShopItem(CWidget* sender, COrloMenuState* menu)
{
    menu->UnloadShopRow(sender, 0);
    return 1;
}

int COrloMenuState::OnUnloadMyItem(CWidget* sender, COrloMenuState* menu)
{
    menu->UnloadShopRow(sender, 1);
    return 1;
}

void COrloMenuState::LoadShopBatch(CWidget* sender, int list)
{
    CInfiniteList* widget = WidgetCast<CInfiniteList>(sender);
    if (!m_pageRoot || !widget)
        return;
    int count = 0, first = 0;
    widget->GetBatchRange(count, first);
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendGetShopItems(list, count, first);
}

int COrloMenuState::OnLoadShopItemBatch(CWidget* sender, COrloMenuState* menu)
{
    menu->LoadShopBatch(sender, 0);
    return 1;
}

int COrloMenuState::OnLoadMyItemBatch(CWidget* sender, COrloMenuState* menu)
{
    menu->LoadShopBatch(sender, 1);
    return 1;
}

int COrloMenuState::OnLoadShopGroup(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    const int index = menu->ShownShopGroup(list ? list->GetItemIndex(sender) : -1);
    if (index >= 0)
        menu->SetTextOf(Child(sender, "label"), menu->m_shopGroups[index].name);
    return 1;
}

// The list shows a header only for a group with items: its n-th header is the n-th group that
// has any. The group's index among all the groups, -1 when there is none such.
int COrloMenuState::ShownShopGroup(int header) const
{
    if (header < 0)
        return -1;
    for (int i = 0; i < m_shopGroups.GetSize(); ++i) {
        if (m_shopGroups[i].itemCount > 0 && header-- == 0)
            return i;
    }
    return -1;
}

// --- the server's lists ------------------------------------------------------------------------

void COrloMenuState::OnShopListGroups(int parent, const CVortanArray<SShopGroupData>& groups)
{
    m_shopGroups.RemoveAll();
    for (int i = 0; i < groups.GetSize() && i < SHOP_GROUPS_MAX; ++i)
        m_shopGroups.SetAtGrow(i, groups[i]);
    const int low = parent & 255;
    CInfiniteList* list = low == 0 ? m_shopList : low == 1 ? m_myItemsList : nullptr;
    if (!list)
        return;
    // A group without items would show a bare heading: it is left out of the list.
    CVortanArray<int> sizes;
    for (int i = 0; i < m_shopGroups.GetSize(); ++i) {
        if (m_shopGroups[i].itemCount > 0)
            sizes.SetAtGrow(sizes.GetSize(), m_shopGroups[i].itemCount);
    }
    list->SetGroups(sizes);
    list->SetDrawingEnabled(false);
    const bool none = sizes.GetSize() == 0;
    Markers(list, none, !none);
}

int COrloMenuState::GroupKind(int groupId) const
{
    for (int i = 0; i < m_shopGroups.GetSize(); ++i) {
        if (m_shopGroups[i].id == groupId)
            return m_shopGroups[i].kind;
    }
    return 0;
}

// Puts back what an earlier fill deleted: the grid's buttons and the small face's switch, as
// the item template has them.
static void RestoreFromTemplate(CWidget* row, CWidget* itemTemplate)
{
    static const char* const kGrid[] = {"enable-item", "gift-button", "buy-button",
                                        "refill-button"};
    CWidget* grid = Path(row, "//list_item_big//button-grid");
    CWidget* model = Path(itemTemplate, "//list_item_big//button-grid");
    if (grid && model) {
        for (int i = 0; i < model->GetChildCount(); ++i) {
            CWidget* part = model->GetChild(i);
            bool known = false;
            for (const char* name : kGrid)
                known = known || part->GetName() == CVortanString(name);
            if (!known || grid->FindChild(part->GetName(), 1))
                continue;
            CWidget* copy = part->Clone();
            if (copy)
                grid->InsertChild(copy, i < grid->GetChildCount() ? i : grid->GetChildCount());
        }
        for (int i = 0; i < grid->GetChildCount(); ++i)
            grid->GetChild(i)->SetVisible(true);
    }
    CWidget* small = Child(row, "list_item_small");
    CWidget* smallModel = Child(itemTemplate, "list_item_small");
    CWidget* smallSwitch = Child(smallModel, "enable-item");
    if (small && smallSwitch && !small->FindChild(CVortanString("enable-item"), -1)) {
        CWidget* copy = smallSwitch->Clone();
        if (copy)
            small->AddChild(copy);
    }
}

static void Remove(CWidget* widget)
{
    if (widget && widget->GetParent()) {
        widget->GetParent()->RemoveChild(widget);
        CWidget::Destroy(widget);
    }
}

// The icon widget shows no image yet.
static bool NeedsIcon(CWidget* face)
{
    CImageWidget* icon = ImageOf(Child(face, "icon-item"));
    return icon && !icon->GetImage();
}

void COrloMenuState::FillShopRow(CWidget* row, const SShopItemData& record, int list)
{
    const CVortanString& name = record.shownName.IsEmpty() ? record.name : record.shownName;
    CWidget* small = Child(row, "list_item_small");
    CWidget* big = Child(row, "list_item_big");
    // The data has arrived: the placeholder gives way to the item's own name.
    SetTextOf(Child(row, "item-name"), CVortanString());
    COrloNetworkSession* session = GetSession();
    if (session && NeedsIcon(small)) {
        CVortanArray<i32> ids;
        ids.SetAtGrow(0, record.id);
        session->SendGetShopItemImage(&ids, 0);
    }
    if (list == 0) {
        SetTextOf(Child(small, "item_name"), name);
        SetTextOf(Child(small, "price-value"), Number("%d", record.price));
        SetTextOf(Child(big, "item_name"), name);
        SetTextOf(Child(big, "item_descshort"), record.shortText);
        SetTextOf(Child(big, "info_descfull"), record.fullText);
        SetTextOf(Child(big, "item_price"), Number("%d", record.price));
        SetTextOf(Child(big, "gift_price"), Number("%d", record.giftPrice));
        return;
    }
    const int kind = GroupKind(record.groupId);
    if (m_myItemsList)
        RestoreFromTemplate(row, m_myItemsList->GetItemTemplate());
    const bool counted = kind == 4 || kind == 5;
    const CVortanString count = counted ? Number("x%d", record.count) : CVortanString();
    SetTextOf(Child(small, "item_name"), record.name);
    SetTextOf(Child(small, "value_pcs"), count);
    if (kind == 1 || kind == 3)
        Remove(Child(small, "enable-item"));
    else
        SetToggle(Child(small, "enable-item"), record.enabled);
    SetTextOf(Child(big, "item_name"), record.name);
    SetTextOf(Child(big, "item_descshort"), record.shortText);
    SetTextOf(Child(big, "info_descfull"), record.fullText);
    CVortanString message = count;
    if (kind == 3)
        TimeLeftText(record.count, message);
    SetTextOf(Child(big, "info_message"), message);

    CWidget* grid = Child(big, "button-grid");
    CWidget* enable = Child(grid, "enable-item");
    CWidget* gift = Child(grid, "gift-button");
    CWidget* buy = Child(grid, "buy-button");
    CWidget* refill = Child(grid, "refill-button");
    SetTextOf(Child(gift, "gift_price"), Number("%d", record.giftPrice));
    SetTextOf(Child(buy, "item_price"), Number("%d", record.price));
    SetTextOf(Child(refill, "refill_price"), Number("%d", record.refillPrice));
    switch (kind) {
    case 1:
        Remove(enable);
        Remove(buy);
        Remove(refill);
        break;
    case 2:
        Remove(buy);
        Remove(refill);
        SetToggle(enable, record.enabled);
        break;
    case 3:
        Remove(enable);
        Remove(refill);
        break;
    case 4:
        Remove(refill);
        SetToggle(enable, record.enabled);
        break;
    case 5:
        Remove(buy);
        SetToggle(enable, record.enabled);
        break;
    default:
        Show(gift, false);
        SetToggle(enable, record.enabled);
        break;
    }
}

void COrloMenuState::OnShopListItems(int group, int first, const CVortanArray<SShopItemData>& items)
{
    const int low = group & 255;
    CInfiniteList* list = low == 0 ? m_shopList : low == 1 ? m_myItemsList : nullptr;
    if (!list)
        return;
    list->SetDrawingEnabled(true);
    Markers(list, false, false);
    CVortanMap<i32, CWidget*>& rows = low == 0 ? m_shopItems : m_myItems;
    for (int i = 0; i < items.GetSize(); ++i) {
        const SShopItemData& record = items[i];
        if (m_itemRecords.Contains(record.id) || m_itemRecords.GetSize() < SHOP_RECORDS_MAX)
            m_itemRecords[record.id] = record;
        const i64 index = (i64)first + i;
        if (index < 0 || index > 0x7FFFFFFF)
            continue;
        const int at = rows.FindKey((i32)index);
        if (at < 0)
            continue;
        CWidget* row = rows.ElementAt(at).value;
        row->SetTag(record.id);
        FillShopRow(row, record, low);
    }
}

void COrloMenuState::TimeLeftText(int seconds, CVortanString& out) const
{
    struct Unit {
        i64 limit; // below it (inclusive when `upTo`)
        bool upTo;
        int divisor, one, many;
    };
    static const Unit kUnits[] = {
        {60, false, 0, 185, 185},           {3600, false, 60, 186, 193},
        {86400, false, 3600, 187, 194},     {604799, true, 86400, 188, 195},
        {2628000, false, 604800, 189, 196}, {31535999, true, 2628000, 190, 197}};
    out.Empty();
    if (seconds < 1) {
        out = MenuText(184);
        return;
    }
    for (const Unit& unit : kUnits) {
        if (unit.upTo ? seconds > unit.limit : seconds >= unit.limit)
            continue;
        if (unit.divisor == 0) {
            out = MenuText(unit.one);
            return;
        }
        const int n = seconds / unit.divisor;
        if (n == 1) {
            out = MenuText(unit.one);
            return;
        }
        CVortanFormatArg arg(n);
        out.FormatArgs(MenuText(unit.many).GetBuffer(), &arg, 1);
        return;
    }
    out = MenuText(191);
}

// --- icons ---------------------------------------------------------------------------------------

void COrloMenuState::OnShopItemImage(int itemId, int size, const u8* bytes, int length)
{
    if (!m_application || !bytes || length < 1 || (size != 0 && size != 1))
        return;
    char key[48];
    snprintf(key, sizeof(key), "shop:icon:%d:%d", itemId, size);
    const CVortanString name(key);
    CVortanSurface* surface = m_application->FindSurface(name);
    if (!surface) {
        if (!IconSizeAcceptable(bytes, length))
            return;
        CVortanSurface* made = new (std::nothrow) CVortanSurface();
        if (!made)
            return;
        CVortanSurfaceDesc desc = {0, 0, 0, VORTAN_PIXEL_ABGR8888, 0};
        int result = made->LoadFromMemory(m_application, bytes, length, &desc);
        IVortanGraphicsContext* gc = m_application->GetGraphics();
        if (result == VORTAN_OK && gc && gc->GetContextType() == VORTAN_CONTEXT_GLES2)
            result = made->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
        if (result != VORTAN_OK || m_application->AddSurface(name, made) != 1) {
            made->Release();
            delete made;
            return;
        }
        surface = m_application->FindSurface(name);
        if (!surface)
            return;
    }
    for (int list = 0; list < 2; ++list) {
        CVortanMap<i32, CWidget*>& rows = list == 0 ? m_shopItems : m_myItems;
        for (int i = 0; i < rows.GetSize(); ++i) {
            CWidget* row = rows.ElementAt(i).value;
            if (!row || row->GetTag() != itemId)
                continue;
            if (size == 0) {
                for (const char* face : {"list_item_small", "list_item_big"}) {
                    CWidget* icon = Path(row, (std::string("//") + face + "//icon-item").c_str());
                    CImageWidget* image = ImageOf(icon);
                    if (!image)
                        continue;
                    image->SetImage(surface);
                    for (int c = 0; c < icon->GetChildCount(); ++c)
                        icon->GetChild(c)->SetVisible(false);
                }
                continue;
            }
            CWidget* large = Child(row, "large-icon-item");
            CImageWidget* image = ImageOf(large);
            if (!image)
                continue;
            image->SetImage(surface);
            large->SetVisible(true);
            if (list == 0) {
                large->SetColor(0x00FFFFFFu);
                m_iconFade = kLargeIconFade;
            }
        }
    }
    m_application->ReleaseSurface(surface);
}

void COrloMenuState::RequestLargeIcon(int itemId)
{
    COrloNetworkSession* session = GetSession();
    if (!session || itemId == 0)
        return;
    CVortanArray<i32> ids;
    ids.SetAtGrow(0, itemId);
    session->SendGetShopItemImage(&ids, 1);
}

int COrloMenuState::OnShopItemEndExpand(CWidget* sender, COrloMenuState* menu)
{
    CExpandable* item = MenuPages::NearestExpandable(sender);
    if (!item)
        return 1;
    const bool open = item->GetState() != 0;
    Show(Child(item, "list_item_small"), !open);
    Show(Child(item, "list_item_big"), open);
    menu->m_largeIconItem = item;
    menu->m_iconDelay = kLargeIconDelay;
    return 1;
}

int COrloMenuState::OnShopItemShowLargeIcon(CWidget* sender, COrloMenuState* menu)
{
    CWidget* parent = sender ? sender->GetParent() : nullptr;
    CImageWidget* large = ImageOf(Child(parent, "large-icon-item"));
    if (large && large->GetImage()) {
        large->SetVisible(true);
        menu->m_iconFade = kLargeIconFade;
        sender->SetColor(0x00FFFFFFu);
        return 1;
    }
    CExpandable* item = MenuPages::NearestExpandable(sender);
    if (item)
        menu->RequestLargeIcon((int)item->GetTag());
    return 1;
}

int COrloMenuState::OnShopItemHideLargeIcon(CWidget* sender, COrloMenuState* menu)
{
    if (sender && (sender->GetColor() >> 24) != 0) {
        sender->SetVisible(false);
        menu->m_iconFade = 0.0f;
    }
    return 1;
}

void COrloMenuState::UpdateShopIcons(float seconds)
{
    if (m_iconDelay > 0.0f) {
        m_iconDelay -= seconds;
        if (m_iconDelay <= 0.0f) {
            m_iconDelay = 0.0f;
            CImageWidget* large = ImageOf(Child(m_largeIconItem, "large-icon-item"));
            if (m_largeIconItem && (!large || !large->GetImage()))
                RequestLargeIcon((int)m_largeIconItem->GetTag());
        }
    }
    if (m_iconFade <= 0.0f)
        return;
    m_iconFade -= seconds;
    if (m_iconFade < 0.0f)
        m_iconFade = 0.0f;
    CWidget* large = Child(m_largeIconItem, "large-icon-item");
    if (!large || !m_iconFadeCurve)
        return;
    int alpha = (int)(m_iconFadeCurve->Evaluate(m_iconFade) * 256.0f);
    if (alpha >= 256)
        alpha = 255;
    if (alpha < 0)
        alpha = 0;
    large->SetColor(((u32)alpha << 24) | 0x00FFFFFFu);
}

// --- the enable switch -------------------------------------------------------------------------

int COrloMenuState::OnEnableItem(CWidget* sender, COrloMenuState* menu)
{
    CExpandable* item = MenuPages::NearestExpandable(sender);
    const int itemId = item ? (int)item->GetTag() : 0;
    if (itemId == 0)
        return 1;
    const int at = menu->m_itemRecords.FindKey(itemId);
    if (at < 0)
        return 1;
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    const int on = toggle && toggle->GetState() ? 1 : 0;
    menu->m_itemRecords.ElementAt(at).value.enabled = on;
    COrloNetworkSession* session = menu->GetSession();
    if (session)
        session->SendUpdateItemState(itemId, on);
    return 1;
}

void COrloMenuState::OnUpdateItemStateResponse(int itemId, int state, const CVortanString& text,
                                               int otherId)
{
    for (int i = 0; i < m_myItems.GetSize(); ++i) {
        CWidget* row = m_myItems.ElementAt(i).value;
        if (!row)
            continue;
        const intptr_t tag = row->GetTag();
        if (tag != itemId && (otherId == 0 || tag != otherId))
            continue;
        const int on = tag == itemId ? state : 0;
        SetToggle(Path(row, "//list_item_big//enable-item"), on);
        SetToggle(Path(row, "//list_item_small//enable-item"), on);
    }
    if (!text.IsEmpty())
        ShowShopError(0, text);
}
