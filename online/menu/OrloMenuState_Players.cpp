// COrloMenuState: the player lists (global, followed, the own entry): queries, batches, rows
// and their records, expanding rows, follow and block, and the lobby's list updates.
#include "online/menu/OrloMenuState.h"

#include <stdio.h>

#include "engine/graphics/VortanSurface.h"
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

using namespace MenuPages;

namespace {

// 0 while the global list is shown, 64 while the followed players are.
int g_listMode = 64;

// Totals and group sizes from the server are kept to what a list can lay out.
const int kMaxListCount = 1000000;

int ClampCount(int count)
{
    if (count < 0)
        return 0;
    return count > kMaxListCount ? kMaxListCount : count;
}

void CopyRecord(SMenuPlayer& to, const SPlayerListItem& from)
{
    to = from;
    to.name = Cap(from.name, MENU_NAME_CAP);
    to.location = Cap(from.location, MENU_PLACE_CAP);
    to.comment = Cap(from.comment, MENU_COMMENT_CAP);
    to.second = Cap(from.second, MENU_COMMENT_CAP);
    to.third = Cap(from.third, MENU_COMMENT_CAP);
}

// A count's share of the sum in whole percent, within 0..100 (counts are not negative).
CVortanString Percent(i64 count, i64 sum)
{
    if (sum <= 0 || count <= 0)
        return CVortanString("0");
    const i64 value = count * 100 / sum;
    return Decimal((int)(value > 100 ? 100 : value));
}

} // namespace

int COrloMenuState::GetListMode()
{
    return g_listMode;
}

void COrloMenuState::SetListMode(int mode)
{
    g_listMode = mode;
}

void COrloMenuState::ClearPlayerLists()
{
    if (!m_pageRoot)
        return;
    CInfiniteList* lists[2] = {
        WidgetCast<CInfiniteList>(FindFromPages("//players_root//playerlist_global")),
        WidgetCast<CInfiniteList>(FindFromPages("//players_root//playerlist_follow"))};
    for (int i = 0; i < 2; ++i) {
        if (!lists[i])
            continue;
        lists[i]->InvalidateItems();
        lists[i]->SetDrawingEnabled(false);
    }
    CInfiniteList* me = WidgetCast<CInfiniteList>(FindFromPages("//me_root//list_me"));
    if (me) {
        me->InvalidateItems();
        if (m_selfItem)
            OnUnloadSelf(m_selfItem, this);
    }
}

void COrloMenuState::NewPlayerQuery()
{
    if (!m_pageRoot)
        return;
    m_expandedItem = nullptr;
    m_invited.clear();
    CWidget* search = FindFromPages(g_listMode & 192 ? "//players_root//follow_page//search_text"
                                                     : "//players_root//global_page//search_text");
    CTextWidget* field = WidgetCast<CTextWidget>(search);
    if (field)
        m_filterText = field->GetText();
    ClearPlayerLists();
    CWidget* page = FindFromPages(g_listMode & 192 ? "//players_root//follow_page"
                                                   : "//players_root//global_page");
    SetVisible(page, "no_results", false);
    SetVisible(page, "loading", true);
    m_globalItems.clear();
    m_followItems.clear();
    COrloNetworkSession* session = GetSession();
    if (!session)
        return;
    session->ClearPlayerListRequests();
    session->SendPlayerListRequest(g_listMode, m_filterText, 0, 0, -1, 0, &OnPlayerListResult,
                                   this);
}

void COrloMenuState::ClearPlayerSearch()
{
    m_filterText.Empty();
    if (!m_pageRoot)
        return;
    const char* paths[2] = {"//players_root//global_page//search_text",
                            "//players_root//follow_page//search_text"};
    for (int i = 0; i < 2; ++i) {
        CTextWidget* field = WidgetCast<CTextWidget>(FindFromPages(paths[i]));
        if (field) {
            field->SetText(CVortanString());
            field->RefreshLocalizedText();
        }
    }
}

int COrloMenuState::OnShowPlayersRoot(CWidget* sender, COrloMenuState* menu)
{
    CPageView* pages =
        WidgetCast<CPageView>(menu->FindFromPages("//players_root//players_content_root"));
    if (pages)
        pages->NavigateTo(CVortanString("global_page"));
    return OnShowPlayerlistItems(sender, menu);
}

int COrloMenuState::OnShowPlayerlistItems(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ClearPlayerSearch();
    g_listMode = 0;
    menu->NewPlayerQuery();
    return 1;
}

int COrloMenuState::OnShowFollowItems(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ClearPlayerSearch();
    g_listMode = 64;
    menu->NewPlayerQuery();
    return 1;
}

int COrloMenuState::OnFilterPlayers(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->NewPlayerQuery();
    return 1;
}

// --- rows -------------------------------------------------------------------------------------

static int LoadItem(CWidget* sender, COrloMenuState* menu, std::map<int, CWidget*>& items)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    CExpandable* item = WidgetCast<CExpandable>(sender);
    if (!menu->GetPageRoot() || !list || !item)
        return 1;
    item->SetState(0);
    item->SetState(1);
    item->SetState(0);
    const int index = list->GetItemIndex(sender);
    if (index >= 0)
        items[index] = sender;
    return 1;
}

static int UnloadItem(CWidget* sender, COrloMenuState* menu, std::map<int, CWidget*>& items,
                      bool global, CWidget*& expanded)
{
    (void)menu;
    if (!sender)
        return 1;
    if (expanded == sender)
        expanded = nullptr;
    for (std::map<int, CWidget*>::iterator it = items.begin(); it != items.end(); ++it) {
        if (it->second == sender) {
            items.erase(it);
            break;
        }
    }
    FreeRecord(sender);
    if (global)
        sender->SetEnabled(false);
    return 1;
}

int COrloMenuState::OnLoadPlayerlistItem(CWidget* sender, COrloMenuState* menu)
{
    return LoadItem(sender, menu, menu->m_globalItems);
}

int COrloMenuState::OnLoadFollowItem(CWidget* sender, COrloMenuState* menu)
{
    return LoadItem(sender, menu, menu->m_followItems);
}

int COrloMenuState::OnUnloadPlayerlistItem(CWidget* sender, COrloMenuState* menu)
{
    return UnloadItem(sender, menu, menu->m_globalItems, true, menu->m_expandedItem);
}

int COrloMenuState::OnUnloadFollowItem(CWidget* sender, COrloMenuState* menu)
{
    return UnloadItem(sender, menu, menu->m_followItems, false, menu->m_expandedItem);
}

static int LoadBatch(CWidget* sender, COrloMenuState* menu, int type)
{
    CInfiniteList* list = WidgetCast<CInfiniteList>(sender);
    COrloNetworkSession* session = menu->GetNetSession();
    if (!menu->GetPageRoot() || !list || !session)
        return 1;
    int count = 0, first = -1;
    list->GetBatchRange(count, first);
    if (count > 0 && first >= 0)
        session->SendPlayerListRequest(type, menu->GetFilterText(), 0, 0, first, count,
                                       &COrloMenuState::OnPlayerListResult, menu);
    return 1;
}

int COrloMenuState::OnLoadPlayerlistBatch(CWidget* sender, COrloMenuState* menu)
{
    return LoadBatch(sender, menu, 0);
}

int COrloMenuState::OnLoadFollowBatch(CWidget* sender, COrloMenuState* menu)
{
    return LoadBatch(sender, menu, 64);
}

static int LoadGroup(CWidget* sender, const CVortanStringArray& names)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    if (!list)
        return 1;
    const int index = list->GetItemIndex(sender);
    if (index >= 0 && index < names.GetSize())
        SetText(sender, "label", names[index]);
    return 1;
}

int COrloMenuState::OnLoadPlayerlistGroup(CWidget* sender, COrloMenuState* menu)
{
    return menu->m_pageRoot ? LoadGroup(sender, menu->m_globalGroups) : 1;
}

int COrloMenuState::OnLoadFollowGroup(CWidget* sender, COrloMenuState* menu)
{
    return menu->m_pageRoot ? LoadGroup(sender, menu->m_followGroups) : 1;
}

// --- answers ----------------------------------------------------------------------------------

void COrloMenuState::OnPlayerListResult(void* context, int selector, int index, int total,
                                        const CVortanArray<SGroupListItem>* groups,
                                        const SPlayerListItem* player, const u8* image,
                                        int imageLength)
{
    (void)selector;
    COrloMenuState* menu = (COrloMenuState*)context;
    if (!menu || !menu->m_pageRoot)
        return;
    const bool follow = (g_listMode & 192) != 0;
    CInfiniteList* list = WidgetCast<CInfiniteList>(menu->FindFromPages(
        follow ? "//players_root//playerlist_follow" : "//players_root//playerlist_global"));
    std::map<int, CWidget*>& items = follow ? menu->m_followItems : menu->m_globalItems;
    CWidget* page = list ? list->GetParent() : nullptr;
    if (!image && !player) {
        if (!list)
            return;
        if (!groups || groups->GetSize() == 0) {
            if (total > 0) {
                list->SetItemCount(ClampCount(total));
            } else {
                list->SetItemCount(0);
                SetVisible(page, "no_results", true);
                SetVisible(page, "loading", false);
            }
            return;
        }
        CVortanStringArray& names = follow ? menu->m_followGroups : menu->m_globalGroups;
        names.RemoveAll();
        CVortanArray<int> sizes;
        long long sum = 0;
        for (int i = 0; i < groups->GetSize(); ++i) {
            names.SetAtGrow(names.GetSize(), Cap((*groups)[i].name, MENU_NAME_CAP));
            const int size = ClampCount((*groups)[i].value);
            sizes.SetAtGrow(sizes.GetSize(), size);
            sum += size;
        }
        list->SetGroups(sizes);
        list->SetDrawingEnabled(true);
        if (sum == 0)
            SetVisible(page, "loading", false);
        return;
    }
    if (player) {
        SetVisible(page, "no_results", false);
        SetVisible(page, "loading", false);
        if (list)
            list->SetDrawingEnabled(true);
        std::map<int, CWidget*>::iterator it = items.find(index);
        if (it == items.end())
            return;
        CWidget* item = it->second;
        SMenuPlayer* record = EnsureRecord(item);
        if (!record)
            return;
        CopyRecord(*record, *player);
        menu->FillPlayerList(item, *record);
        item->SetEnabled(true);
        SetToggle(item, "player_invite_button", menu->m_invited.count(record->id) != 0);
        CWebButton* report = WidgetCast<CWebButton>(Find(item, "button-report"));
        if (report) {
            // Each row fills its own copy of the layout's link.
            CWebButton* original = nullptr;
            if (list && list->GetItemTemplate())
                original = WidgetCast<CWebButton>(Find(list->GetItemTemplate(), "button-report"));
            CVortanString link = original ? original->GetUrl() : report->GetUrl();
            link.ReplaceFirst(CVortanString("PLAYER_ID"), Decimal(record->id));
            report->SetUrl(link);
        }
    }
    if (image && imageLength > 0) {
        CWidget* item = nullptr;
        for (std::map<int, CWidget*>::iterator it = items.begin(); it != items.end(); ++it) {
            SMenuPlayer* record = RecordOf(it->second);
            if (record && record->id == index) {
                item = it->second;
                break;
            }
        }
        if (!item)
            return;
        char name[48];
        snprintf(name, sizeof(name), "player_avatar_icon_%d", index);
        CVortanSurface* surface =
            AvatarSurface(menu->m_application, CVortanString(name), image, imageLength);
        if (!surface)
            return;
        ShowImage(item, "player_avatar", surface);
        CWidget* small = Find(item, "list_item_small");
        ShowImage(small, "player_avatar_small", surface);
        menu->m_application->ReleaseSurface(surface);
        ++menu->m_avatarsShown;
    }
}

void COrloMenuState::FillPlayerList(CWidget* item, const SMenuPlayer& player)
{
    if (!item)
        return;
    const bool online = (player.flags & MENU_PLAYER_ONLINE) != 0;
    const bool followed = (player.flags & MENU_PLAYER_FOLLOWED) != 0;
    CWidget* small = Find(item, "list_item_small");
    if (small) {
        SetText(small, "player_name", player.name);
        SetNumber(small, "player_score", MenuPlayerScore(player));
        SetVisible(small, "player_status", online);
        SetVisible(small, "challenge_button", online);
    }
    CWidget* big = Find(item, "list_item_big");
    if (!big)
        big = item;
    SetText(big, "player_name", player.name);
    SetNumber(big, "player_score", MenuPlayerScore(player));
    SetNumber(big, "my_score", MenuPlayerScore(player));
    SetNumber(big, "player_rank", MenuPlayerRank(player));
    SetNumber(big, "my_rank", MenuPlayerRank(player));
    CVortanString followers = Decimal(player.group[6]);
    followers.Append(CVortanString("/"));
    followers.Append(Decimal(player.group[7]));
    SetText(big, "player_followers", followers);
    SetText(big, "player_location", player.location);
    SetText(big, "player_comment", player.comment);
    SetVisible(big, "player_status", online);
    SetVisible(big, "player_invite_button", online);
    SetVisible(big, "button_challenge", online);
    SetVisible(big, "text_challenge", online);
    SetVisible(big, "button_follow", !followed);
    SetVisible(big, "text_follow", !followed);
    SetVisible(big, "button_gift", followed);
    SetVisible(big, "text_gift", followed);
    SetVisible(item, "button_unfollow", followed);
    SetVisible(item, "text_unfollow", followed);
    SetToggle(item, "button_block", (player.flags & MENU_PLAYER_BLOCKED) != 0);
    // The service's counts: a negative one counts as 0, the sum is taken wide.
    const int wins = MenuPlayerWins(player) > 0 ? MenuPlayerWins(player) : 0;
    const int ties = MenuPlayerTies(player) > 0 ? MenuPlayerTies(player) : 0;
    const int losses = MenuPlayerLosses(player) > 0 ? MenuPlayerLosses(player) : 0;
    const i64 sum = (i64)wins + ties + losses;
    SetNumber(item, "my_wins", wins);
    SetNumber(item, "my_ties", ties);
    SetNumber(item, "my_losses", losses);
    SetText(item, "my_wins_percent", Percent(wins, sum));
    SetText(item, "my_ties_percent", Percent(ties, sum));
    SetText(item, "my_losses_percent", Percent(losses, sum));
}

// --- the own entry ----------------------------------------------------------------------------

int COrloMenuState::OnLoadSelf(CWidget* sender, COrloMenuState* menu)
{
    menu->m_selfItem = sender;
    COrloNetworkSession* session = menu->GetNetSession();
    if (!session)
        return 1;
    session->SendPlayerListRequest(32, CVortanString(), 0, 0, -1, 0, &OnSelfResult, menu);
    session->SendPlayerListRequest(32, CVortanString(), 0, 0, 0, 1, &OnSelfResult, menu);
    session->SendOwnPageRequest(6, -1);
    session->SendGetCoinBalance();
    session->SendGetAchievementList(0, 5, 0);
    return 1;
}

int COrloMenuState::OnUnloadSelf(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    FreeRecord(menu->m_selfItem);
    menu->m_selfItem = nullptr;
    return 1;
}

int COrloMenuState::OnRefreshSelf(CWidget* sender, COrloMenuState* menu)
{
    CWidget* item = menu->m_selfItem ? menu->m_selfItem : sender;
    OnUnloadSelf(item, menu);
    return OnLoadSelf(item, menu);
}

int COrloMenuState::OnShowMe(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    CInfiniteList* list = WidgetCast<CInfiniteList>(sender);
    if (list) {
        list->InvalidateItems();
        list->SetItemCount(1);
    }
    return 1;
}

void COrloMenuState::OnSelfResult(void* context, int selector, int index, int total,
                                  const CVortanArray<SGroupListItem>* groups,
                                  const SPlayerListItem* player, const u8* image, int imageLength)
{
    (void)index;
    (void)total;
    (void)groups;
    COrloMenuState* menu = (COrloMenuState*)context;
    if (!menu || !menu->m_selfItem)
        return;
    if (image && imageLength > 0) {
        CVortanSurface* surface =
            AvatarSurface(menu->m_application, CVortanString("self_avatar"), image, imageLength);
        if (surface) {
            ShowImage(menu->m_selfItem, "player_avatar", surface);
            menu->m_application->ReleaseSurface(surface);
        }
    }
    if (player && (selector & 32)) {
        SMenuPlayer* record = EnsureRecord(menu->m_selfItem);
        if (record) {
            CopyRecord(*record, *player);
            menu->FillPlayerList(menu->m_selfItem, *record);
        }
    }
}

// --- opening rows -----------------------------------------------------------------------------

// Collapses the open row (other than `next`); the scroll correction for `next`.
static int CollapseOther(CWidget* expanded, CWidget* next)
{
    CExpandable* open = WidgetCast<CExpandable>(expanded);
    if (!open || expanded == next)
        return 0;
    const int before = open->GetStateHeight();
    open->SetStateAnimated(0);
    SetVisible(open, "playerlist-item-nasty-buttons", false);
    SetToggle(open, "arrow", false);
    if (next && open->GetRect().top < next->GetRect().top)
        return -before + open->GetStateHeight(0);
    return 0;
}

static void ScrollIntoView(CExpandable* item, int correction)
{
    CGridLayout* grid = nullptr;
    for (CWidget* at = item ? item->GetParent() : nullptr; at && !grid; at = at->GetParent())
        grid = WidgetCast<CGridLayout>(at);
    if (!grid)
        return;
    const int top = item->GetRect().top;
    const int scroll = grid->GetScrollY();
    const int target = item->GetStateHeight();
    if (top < scroll) {
        grid->ScrollTo(grid->GetScrollX(), top + correction - grid->GetBorder(1), 0.5f);
    } else if (top + target > scroll + grid->GetHeight()) {
        const int bottom = top + target + correction;
        grid->ScrollTo(grid->GetScrollX(), bottom - grid->GetHeight() + grid->GetBorder(3), 0.5f);
    }
}

int COrloMenuState::OnExpandListItem(CWidget* sender, COrloMenuState* menu)
{
    CExpandable* item = WidgetCast<CExpandable>(sender);
    if (!item)
        return 1;
    const int correction = CollapseOther(menu->m_expandedItem, item);
    menu->m_expandedItem = item;
    if (item->GetState() != 0)
        SetVisible(item, "list_item_big", false);
    else
        SetVisible(item, "list_item_small", false);
    const int state = item->GetState() < 1 ? 1 : 0;
    item->SetStateAnimated(state);
    // The arrow shows whether the row is open: on (pointing up) while it is, off (pointing
    // down) once it closes. Set "on when closing", a row just opened and a closed one would
    // show the same arrow.
    SetToggle(item, "arrow", state != 0);
    ScrollIntoView(item, correction);
    return 1;
}

int COrloMenuState::OnEndExpandListItem(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    CExpandable* item = WidgetCast<CExpandable>(sender);
    if (!item)
        return 1;
    SetVisible(item, "list_item_small", item->GetState() == 0);
    SetVisible(item, "list_item_big", item->GetState() != 0);
    if (item->GetState() < 2)
        SetVisible(item, "playerlist-item-nasty-buttons", false);
    return 1;
}

int COrloMenuState::OnExpandNastyButtons(CWidget* sender, COrloMenuState* menu)
{
    // A row's arrow on a closed row opens that row, not the one open elsewhere.
    CExpandable* own = NearestExpandable(sender);
    if (own && (own != menu->m_expandedItem || own->GetState() < 1))
        return OnExpandListItem(own, menu);
    CExpandable* item = WidgetCast<CExpandable>(menu->m_expandedItem);
    CWidget* buttons = Find(item, "playerlist-item-nasty-buttons");
    if (!item || !buttons || item->GetState() < 1)
        return 0;
    if (item->GetState() == 1) {
        buttons->SetVisible(true);
        item->SetStateAnimated(2);
    } else {
        item->SetStateAnimated(1);
    }
    // The arrow's own click flipped it; the row stays open.
    SetToggle(item, "arrow", true);
    ScrollIntoView(item, 0);
    return 1;
}

int COrloMenuState::OnPlayerDetails(CWidget* sender, COrloMenuState* menu)
{
    CExpandable* item = NearestExpandable(sender);
    if (!item)
        return 1;
    const int correction = CollapseOther(menu->m_expandedItem, item);
    menu->m_expandedItem = item;
    item->SetStateAnimated(item->GetState() % 2 + 1);
    SetToggle(item, "arrow", true);
    ScrollIntoView(item, correction);
    return 1;
}

// --- relations --------------------------------------------------------------------------------

static int ChangeFollow(CWidget* sender, COrloMenuState* menu, bool follow)
{
    COrloNetworkSession* session = menu->GetNetSession();
    CExpandable* item = NearestExpandable(sender);
    SMenuPlayer* record = RecordOf(item);
    if (!session || !record || record->id == session->GetOwnPlayerId())
        return 1;
    session->SendPlayerRelation(record->id, follow ? 0 : 1, CVortanString());
    if (follow)
        record->flags |= MENU_PLAYER_FOLLOWED;
    else
        record->flags &= ~MENU_PLAYER_FOLLOWED;
    menu->FillPlayerList(item, *record);
    COrlogateApplication* gate = menu->GetGate();
    if (gate)
        gate->ShowToast(FormatOne(menu->GetText(follow ? 38 : 39), record->name), 0.0f, 0);
    return 1;
}

int COrloMenuState::OnFollow(CWidget* sender, COrloMenuState* menu)
{
    return ChangeFollow(sender, menu, true);
}

int COrloMenuState::OnUnfollow(CWidget* sender, COrloMenuState* menu)
{
    return ChangeFollow(sender, menu, false);
}

static int ChangeBlock(CWidget* sender, COrloMenuState* menu, bool flip)
{
    SMenuPlayer* record = RecordOf(NearestExpandable(sender));
    if (!record)
        return 0;
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    const int on = toggle ? (toggle->GetState() != 0) : 0;
    COrloNetworkSession* session = menu->GetNetSession();
    if (session) {
        session->SendBlockUser(record->id, on);
        COrlogateApplication* gate = menu->GetGate();
        if (gate)
            gate->ShowToast(FormatOne(menu->GetText(on ? 40 : 41), record->name), 0.0f, 0);
    }
    if (flip)
        record->flags ^= MENU_PLAYER_BLOCKED;
    return 1;
}

int COrloMenuState::OnBlock(CWidget* sender, COrloMenuState* menu)
{
    return ChangeBlock(sender, menu, false);
}

int COrloMenuState::OnBlockChat(CWidget* sender, COrloMenuState* menu)
{
    return ChangeBlock(sender, menu, true);
}

int COrloMenuState::OnNoPlayerAction(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    (void)menu;
    return 1;
}

// --- the lobby's updates ----------------------------------------------------------------------

void COrloMenuState::OnPlayerListUpdate(int reason, int game, int count)
{
    // The lobby names the game of the update; another game's kick is not this program's.
    (void)count;
    if (reason != -1 && reason != -2)
        return;
    if (game != (m_game ? m_game->GetGameNumber() : 0))
        return;
    if (m_game)
        m_game->OnLeaveGame();
    ShowNotice(Text(reason == -1 ? 8 : 9));
    if (reason == -1)
        CLoginController::Reconnect();
    else
        CLoginController::Logout();
}

void COrloMenuState::OnPlayerStatus(int playerId, int kind, int value)
{
    if (kind != 3)
        return;
    for (std::map<int, CWidget*>::iterator it = m_globalItems.begin(); it != m_globalItems.end();
         ++it) {
        SMenuPlayer* record = RecordOf(it->second);
        if (!record || record->id != playerId)
            continue;
        if (value == 0)
            record->flags |= MENU_PLAYER_FOLLOWED;
        else if (value == 1)
            record->flags &= ~MENU_PLAYER_FOLLOWED;
        FillPlayerList(it->second, *record);
        return;
    }
}

void COrloMenuState::FreeItemRecords()
{
    std::map<int, CWidget*>* maps[3] = {&m_globalItems, &m_followItems, &m_participants};
    for (int m = 0; m < 3; ++m) {
        for (std::map<int, CWidget*>::iterator it = maps[m]->begin(); it != maps[m]->end(); ++it)
            FreeRecord(it->second);
        maps[m]->clear();
    }
    FreeRecord(m_selfItem);
    m_selfItem = nullptr;
    m_expandedItem = nullptr;
}
