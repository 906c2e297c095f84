// COrloMenuState: the chat page of a match: lines both ways and the notices in their colours,
// the one-line-a-frame backlog feed, the participants and their panel, rematch and exit, and
// the menu's part of a game start and of the game status.
#include "online/menu/OrloMenuState.h"

#include <limits.h>
#include <new>
#include <stdio.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanTextWrap.h"
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/net/OrloLobby.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/layouts/RunningList.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"

using namespace MenuPages;

namespace {

const char kChatMessageSent[] = "__Orlo_ChatMessageSent";
const char kStartChangePageChat[] = "__Orlo_StartChangePageChat";

const u32 kNoticeColor = 0xFF2F9BCE;
const u32 kIncomingColor = 0xFFFFFFFF;
const u32 kOwnColor = 0xFFFFC000;
const u32 kRematchColor = 0xFFFF6600;
// Lines kept waiting while the menu is hidden, when the backlog has no limit of its own.
const int kDefaultBacklog = 50;

// Creates the setting as true when it is missing; 1 when it was created.
int CreateFlagSetting(COrlogateApplication* gate, const char* name)
{
    COrloStatsStore* settings = gate ? gate->GetSettings() : nullptr;
    if (!settings || settings->Find(CVortanString(name)))
        return 0;
    COrloStatsEntry* entry = settings->AddEntry(CVortanString(name));
    if (!entry)
        return 0;
    entry->SetBool(true);
    settings->Save();
    return 1;
}

bool HasSetting(COrlogateApplication* gate, const char* name)
{
    COrloStatsStore* settings = gate ? gate->GetSettings() : nullptr;
    return settings && settings->Find(CVortanString(name));
}

} // namespace

// --- lines ------------------------------------------------------------------------------------

int COrloMenuState::AddChatLineResult(const COrloChatRecord& record, bool incoming)
{
    COrloNetworkSession* session = GetSession();
    COrloLobby* lobby = session ? session->GetLobby() : nullptr;
    COrloPlayer* sender = lobby ? lobby->FindPlayerById(record.playerId) : nullptr;
    if (!sender)
        return 0;
    const CVortanString name = Cap(sender->name, MENU_NAME_CAP);
    const CVortanString text = Cap(record.text, MENU_CHAT_CAP);
    CVortanString line;
    u32 color = kNoticeColor;
    int result = 0;
    switch (record.kind) {
    case 0:
    case 1:
        if (!incoming || name.IsEmpty())
            return 0;
        line = FormatOne(Text(record.kind == 0 ? 180 : 181), name);
        result = record.kind;
        break;
    case 2: {
        if (name.IsEmpty() || text.IsEmpty())
            return 0;
        static const unsigned short kFormat[] = {'%', 's', ':', ' ', '%', 's', 0};
        static const unsigned short kNone[1] = {0};
        CVortanFormatArg args[2] = {CVortanFormatArg(name.GetBuffer() ? name.GetBuffer() : kNone),
                                    CVortanFormatArg(text.GetBuffer() ? text.GetBuffer() : kNone)};
        line.FormatArgs(kFormat, args, 2);
        color = incoming ? kIncomingColor : kOwnColor;
        result = 1;
        break;
    }
    case 3:
        if (text.IsEmpty())
            return 0;
        line = text;
        break;
    case 4:
        color = kRematchColor;
        result = 1;
        if (incoming) {
            if (name.IsEmpty())
                return 0;
            line = FormatOne(Text(182), name);
            SetToggle(m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//chat_root")) : nullptr,
                      "rematch-button", true);
        } else {
            line = Text(183);
        }
        break;
    case 5:
        if (!incoming || name.IsEmpty())
            return 0;
        for (size_t i = 0; i < m_departed.size(); ++i)
            if (m_departed[i] == record.playerId)
                return 0;
        m_departed.push_back(record.playerId);
        line = FormatOne(Text(198), name);
        result = 1;
        break;
    default:
        return 0;
    }
    if (!line.IsEmpty()) {
        // While the menu is hidden lines wait; no more of them than the backlog would show.
        CRunningList* backlog = WidgetCast<CRunningList>(
            m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//chat_root//chat_backlog")) : nullptr);
        const int most = backlog && backlog->GetMaxItemCount() > 0 ? backlog->GetMaxItemCount()
                                                                   : kDefaultBacklog;
        while ((int)m_chatPending.size() >= most)
            m_chatPending.pop_front();
        ChatLine entry;
        entry.text = line;
        entry.color = color;
        m_chatPending.push_back(entry);
    }
    return result;
}

void COrloMenuState::AddChatLine(const COrloChatRecord& record, bool incoming)
{
    AddChatLineResult(record, incoming);
}

void COrloMenuState::OnChatMessage(const COrloChatRecord& record, bool incoming)
{
    int taken = 0;
    if (m_game && record.kind == 2)
        taken = m_game->OnGameMessage(&record);
    if (!incoming)
        return;
    const int news = AddChatLineResult(record, incoming);
    if (news && !taken) {
        if (!IsMenuShown() || GetCurrentPageName() != CVortanString("chat_root")) {
            CWidget* parent = m_orloButton ? m_orloButton->GetParent() : nullptr;
            CImageWidget* badge = WidgetCast<CImageWidget>(Find(parent, "orlo-image"));
            if (badge)
                badge->StartFadeIn();
        }
    }
    if (record.kind == 0) {
        m_rematchAvailable = 1;
    } else if (record.kind == 1 || record.kind == 5) {
        UpdateChatButtons(false);
        m_rematchAvailable = 0;
    }
}

void COrloMenuState::FeedChatBacklog()
{
    if (!m_inMatch || !m_pageRoot || !m_pageRoot->IsVisible() || m_chatPending.empty())
        return;
    CRunningList* backlog =
        WidgetCast<CRunningList>(m_uiRoot->FindByPath(CVortanString("//chat_root//chat_backlog")));
    CTextWidget* templ = backlog ? WidgetCast<CTextWidget>(backlog->GetItemTemplate()) : nullptr;
    if (!templ)
        return;
    const ChatLine& line = m_chatPending.front();
    CTextWidget* item = WidgetCast<CTextWidget>(templ->Clone());
    if (item) {
        CVortanRect rect = templ->GetRect();
        CVortanBitmapFont* font = templ->GetFont();
        if (font) {
            CVortanRect box{};
            box.Set(0, 0, rect.right - rect.left, 4 * font->GetLineHeight());
            // Measured as the item draws it: wrapped at its width, long words broken.
            CVortanFontMeasure measure(font, 0);
            CVortanString wrapped;
            CVortanTextWrap::WrapToText(line.text, box.right, measure, wrapped);
            font->MeasureWrappedText(box, wrapped);
            if (box.bottom > 0)
                rect.bottom = rect.top + box.bottom;
        }
        item->SetRect(rect);
        item->SetText(line.text);
        item->SetTextColor(line.color);
        backlog->AddItem(item);
        // The list scrolls to its rect's bottom, which inside its box is not the end of a long
        // conversation: laid out with the new line, it shows the newest at the bottom.
        backlog->Update(0.0f);
        backlog->ScrollTo(backlog->GetScrollX(), INT_MAX / 2, 0.0f);
    }
    m_chatPending.pop_front();
}

void COrloMenuState::ResetChatBacklog()
{
    m_rematchAvailable = 0;
    m_chatPending.clear();
    CRunningList* backlog = WidgetCast<CRunningList>(
        m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//chat_root//chat_backlog")) : nullptr);
    if (backlog)
        backlog->ClearItems();
    UpdateChatButtons(false);
}

void COrloMenuState::UpdateChatButtons(bool enable)
{
    CWidget* page = m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//chat_root")) : nullptr;
    if (!page)
        return;
    SetVisible(page, "rematch-button", enable && m_rematchAvailable);
    SetVisible(page, "button_back", !IsGuest());
}

// --- events -----------------------------------------------------------------------------------

int COrloMenuState::OnChatTextfieldChanged(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (!HasSetting(menu->m_gate, kChatMessageSent) && menu->m_chatSubmitBubble)
        menu->m_chatSubmitBubble->SetVisible(true);
    return 1;
}

int COrloMenuState::OnChatSend(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (menu->m_chatSubmitBubble)
        menu->m_chatSubmitBubble->SetVisible(false);
    CreateFlagSetting(menu->m_gate, kChatMessageSent);
    CTextWidget* field = WidgetCast<CTextWidget>(
        menu->m_uiRoot ? menu->m_uiRoot->FindByPath(CVortanString("//chat_root//chat_textfield"))
                       : nullptr);
    if (!field || field->GetText().IsEmpty())
        return 1;
    const CVortanString text = field->GetText();
    if (menu->m_gate)
        menu->m_gate->SendChatMessage(text, 2);
    field->SetText(CVortanString());
    return 1;
}

int COrloMenuState::OnChatRematch(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (menu->m_gate)
        menu->m_gate->AnswerRematch(true, false);
    return 1;
}

int COrloMenuState::OnChatExit(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->LeaveGameToLobby();
    // The player chose the lobby: its first page stays in front (the match's end hid the
    // menu for the game).
    menu->SetMenuShown(true);
    return 1;
}

int COrloMenuState::OnStartChangePageChat(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    if (!menu->m_inMatch || (menu->m_gate && menu->m_gate->IsEndReportPending()))
        return 1;
    if (CreateFlagSetting(menu->m_gate, kStartChangePageChat) && menu->m_returnGameBubble)
        menu->m_returnGameBubble->SetVisible(true);
    return 1;
}

int COrloMenuState::OnLoadChatItem(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    if (!menu->m_pageRoot || !list)
        return 1;
    const int index = list->GetItemIndex(sender);
    if (index >= 0)
        menu->m_participants[index] = sender;
    return 1;
}

int COrloMenuState::OnUnloadChatItem(CWidget* sender, COrloMenuState* menu)
{
    if (!sender)
        return 1;
    for (std::map<int, CWidget*>::iterator it = menu->m_participants.begin();
         it != menu->m_participants.end(); ++it) {
        if (it->second == sender) {
            menu->m_participants.erase(it);
            break;
        }
    }
    FreeRecord(sender);
    return 1;
}

// --- the participant panel --------------------------------------------------------------------

static void SetPanelState(CExpandable* panel, CSlideArea* area, bool open)
{
    SetVisible(panel, "chat_nastybuttons", false);
    SetToggle(panel, "arrow", false);
    if (area)
        area->SetPassThrough(!open);
    panel->SetStateAnimated(open ? 1 : 0);
}

int COrloMenuState::OnExpandChatItem(CWidget* sender, COrloMenuState* menu)
{
    CWidget* root = menu->m_uiRoot;
    CExpandable* panel = WidgetCast<CExpandable>(
        root ? root->FindByPath(CVortanString("//chat_root//chat_expand_item")) : nullptr);
    CWidget* avatars =
        root ? root->FindByPath(CVortanString("//chat_root//chat_avatars_root")) : nullptr;
    CSlideArea* area = WidgetCast<CSlideArea>(
        root ? root->FindByPath(CVortanString("//chat_root//chat_expand_slidearea")) : nullptr);
    if (!panel || !avatars || !area)
        return 1;
    const bool open = panel->GetState() < 1;
    SMenuPlayer* source = sender ? RecordOf(sender->GetParent()) : nullptr;
    if (open && source) {
        CImageWidget* from = WidgetCast<CImageWidget>(Find(sender, "player_avatar"));
        if (!from && sender->GetName() == CVortanString("player_avatar"))
            from = WidgetCast<CImageWidget>(sender);
        ShowImage(panel, "player_avatar", from ? from->GetImage() : nullptr);
        if (!menu->m_panelPlayer)
            menu->m_panelPlayer = new (std::nothrow) SMenuPlayer();
        if (menu->m_panelPlayer) {
            *menu->m_panelPlayer = *source;
            const SMenuPlayer& p = *menu->m_panelPlayer;
            const bool online = (p.flags & MENU_PLAYER_ONLINE) != 0;
            const bool followed = (p.flags & MENU_PLAYER_FOLLOWED) != 0;
            panel->SetTag((intptr_t)menu->m_panelPlayer);
            SetText(panel, "player_name", p.name);
            SetNumber(panel, "player_score", MenuPlayerScore(p));
            SetNumber(panel, "player_rank", MenuPlayerRank(p));
            CVortanString followers = Decimal(p.group[6]);
            followers.Append(CVortanString("/"));
            followers.Append(Decimal(p.group[7]));
            SetText(panel, "player_followers", followers);
            SetText(panel, "player_location", p.location);
            SetText(panel, "player_comment", p.comment);
            SetVisible(panel, "player_status", online);
            SetVisible(panel, "player_invite_button", online);
            SetVisible(panel, "button_follow", !followed);
            SetVisible(panel, "text_follow", !followed);
            SetVisible(panel, "button_gift", followed);
            SetVisible(panel, "text_gift", followed);
            CWidget* nasty = Find(panel, "chat_nastybuttons");
            SetVisible(nasty, "button_unfollow", followed);
            SetVisible(nasty, "text_unfollow", followed);
            SetToggle(nasty, "button_block", (p.flags & MENU_PLAYER_BLOCKED) != 0);
        }
    }
    SetPanelState(panel, area, open);
    return 1;
}

void COrloMenuState::CloseChatPanel()
{
    CWidget* root = m_uiRoot;
    CExpandable* panel = WidgetCast<CExpandable>(
        root ? root->FindByPath(CVortanString("//chat_root//chat_expand_item")) : nullptr);
    CSlideArea* area = WidgetCast<CSlideArea>(
        root ? root->FindByPath(CVortanString("//chat_root//chat_expand_slidearea")) : nullptr);
    if (panel)
        SetPanelState(panel, area, false);
}

int COrloMenuState::OnChatEndExpand(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    CExpandable* panel = WidgetCast<CExpandable>(sender);
    if (panel && panel->GetState() < 2)
        SetVisible(panel, "chat_nastybuttons", false);
    return 1;
}

int COrloMenuState::OnExpandChatNastyButtons(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    CExpandable* panel = NearestExpandable(sender);
    CWidget* buttons = Find(panel, "chat_nastybuttons");
    if (!panel || !buttons || panel->GetState() < 1)
        return 0;
    if (panel->GetState() == 1) {
        buttons->SetVisible(true);
        panel->SetStateAnimated(2);
    } else {
        panel->SetStateAnimated(1);
    }
    // Scrolled into view by the area that holds the panel: a plain slide area on the chat page
    // (a grid is one too, with borders of its own). The panel's top is taken in the area's
    // content space.
    CSlideArea* area = nullptr;
    int top = panel->GetRect().top;
    for (CWidget* at = panel->GetParent(); at && !area; at = at->GetParent()) {
        area = WidgetCast<CSlideArea>(at);
        if (!area)
            top += at->GetRect().top;
    }
    if (area) {
        CGridLayout* grid = WidgetCast<CGridLayout>(area);
        const int topBorder = grid ? grid->GetBorder(1) : 0;
        const int bottomBorder = grid ? grid->GetBorder(3) : 0;
        const int bottom = top + panel->GetStateHeight();
        if (top < area->GetScrollY())
            area->ScrollTo(area->GetScrollX(), top - topBorder, 0.5f);
        else if (bottom > area->GetScrollY() + area->GetHeight())
            area->ScrollTo(area->GetScrollX(), bottom - area->GetHeight() + bottomBorder, 0.5f);
    }
    return 1;
}

// --- the match --------------------------------------------------------------------------------

void COrloMenuState::OnGameStart(int game, int opener)
{
    (void)game;
    (void)opener;
    m_inMatch = 1;
    m_challengeTimer = 0.0f;
    m_ownChallengeOpen = 0;
    m_challengeReceived = 0;
    SetMenuShown(false);
    LeaveChallengePages();
    ShowStartScreen();
    m_departed.clear();
    m_greeted = 0;
    CInfiniteList* avatars = WidgetCast<CInfiniteList>(
        m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//chat_avatars_root//avatar_list"))
                 : nullptr);
    if (avatars)
        avatars->InvalidateItems();
    SetToggle(m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//chat_root")) : nullptr,
              "rematch-button", false);
    if (m_joinBubble)
        m_joinBubble->SetVisible(false);
    m_joinHintDismissed = 1;
    if (m_pageRoot)
        m_pageRoot->ClearHistory();
    // The start page of a match leads to its chat.
    SetVisible(m_uiRoot ? m_uiRoot->FindByPath(CVortanString("//startscreen_root")) : nullptr,
               "start_chat", true);
    ShowPage(CVortanString("startscreen_root"), 0);
    ShowPage(CVortanString("chat_root"), 0);
    if (m_gate)
        m_gate->SendChatNotice(0);
    m_rematchAvailable = 1;
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendGameAcknowledge(&OnParticipantsResult, this);
}

void COrloMenuState::OnParticipantsResult(void* context, int selector, int index, int total,
                                          const CVortanArray<SGroupListItem>* groups,
                                          const SPlayerListItem* player, const u8* image,
                                          int imageLength)
{
    (void)selector;
    (void)groups;
    COrloMenuState* menu = (COrloMenuState*)context;
    if (!menu || !menu->m_pageRoot || !menu->m_uiRoot)
        return;
    if (!image) {
        CInfiniteList* list = WidgetCast<CInfiniteList>(menu->m_uiRoot->FindByPath(
            CVortanString("//chat_root//chat_avatars_root//avatar_list")));
        if (list) {
            list->SetItemCount(total < 0 ? 0 : (total > 64 ? 64 : total));
            list->Update(0.0f);
            list->Update(0.0f);
        }
        if (!player)
            return;
        // The answer lists every participant, the user too, one record a call: the greeting is
        // added once a match, with the first record that finds the user in the registry.
        COrloNetworkSession* session = menu->GetSession();
        COrloLobby* lobby = session ? session->GetLobby() : nullptr;
        if (total > 0 && !menu->m_greeted && lobby &&
            lobby->FindPlayerById(session->GetOwnPlayerId())) {
            menu->m_greeted = 1;
            menu->AddChatLine(COrloChatRecord(3, menu->Text(199), session->GetOwnPlayerId()), true);
        }
        std::map<int, CWidget*>::iterator it = menu->m_participants.find(index);
        if (it != menu->m_participants.end() && !RecordOf(it->second)) {
            SMenuPlayer* record = EnsureRecord(it->second);
            if (record) {
                *record = *player;
                record->name = Cap(player->name, MENU_NAME_CAP);
                record->location = Cap(player->location, MENU_PLACE_CAP);
                record->comment = Cap(player->comment, MENU_COMMENT_CAP);
                // The participant is named beside its avatar.
                SetText(it->second, "player_name", record->name);
            }
        }
        return;
    }
    if (imageLength <= 0)
        return;
    for (std::map<int, CWidget*>::iterator it = menu->m_participants.begin();
         it != menu->m_participants.end(); ++it) {
        SMenuPlayer* record = RecordOf(it->second);
        if (!record || record->id != index)
            continue;
        char name[48];
        snprintf(name, sizeof(name), "player_avatar_icon_%d", index);
        CVortanSurface* surface =
            AvatarSurface(menu->m_application, CVortanString(name), image, imageLength);
        if (surface) {
            ShowImage(it->second, "player_avatar", surface);
            menu->m_application->ReleaseSurface(surface);
        }
        return;
    }
}

void COrloMenuState::OnGameStatus(int flags)
{
    ClearContentItems();
    if (!(flags & 1))
        return;
    ResetToStartPage();
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendShortIntMessage(1025);
}
