// COrloMenuState: the start page and its two variants, the way back after a match, the about
// text, the achievement rows, the image-and-link adverts and the result rows, and the own
// entry of the own page with its refill.
#include "online/menu/OrloMenuState.h"

#include <new>
#include <stdio.h>

#include "engine/VortanArray.h"
#include "engine/graphics/VortanSurface.h"
#include "online/menu/OrloServerImage.h"
#include "online/net/OrloLobby.h"
#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Records.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

namespace {

// The number of achievement rows of the own page.
const int kAchievementRows = 5;
// Texts and colours of a lost, tied and won match.
const int kResultTexts[3] = {42, 43, 44};
const u32 kResultColours[3] = {0xFFFF0000u, 0xFFFFCC00u, 0xFF00FF00u};

CWidget* Child(CWidget* parent, const char* name)
{
    return parent ? parent->FindChild(CVortanString(name), -1) : nullptr;
}

CVortanString StartDecimal(i64 value)
{
    char text[32];
    snprintf(text, sizeof(text), "%lld", (long long)value);
    return CVortanString(text);
}

void SetNamedText(CWidget* parent, const char* name, const CVortanString& text)
{
    CTextWidget* widget = WidgetCast<CTextWidget>(Child(parent, name));
    if (widget)
        widget->SetText(text);
}

} // namespace

// --- start page and the way back ---------------------------------------------------------------

void COrloMenuState::ShowStartScreen()
{
    CWidget* outside = FindFromPages("//startscreen_root//startscreen");
    CWidget* inside = FindFromPages("//startscreen_root//startscreen_ingame");
    if (!outside || !inside)
        return;
    outside->SetVisible(m_inMatch == 0);
    inside->SetVisible(m_inMatch == 1);
}

void COrloMenuState::ReturnToFirstPage()
{
    if (!m_pageRoot)
        return;
    const char* first = IsGuest() ? "loginscreen_root" : "startscreen_root";
    CVortanString back(":back:");
    back += CVortanString(first);
    m_pageRoot->NavigateTo(back);
    if (GetCurrentPageName() != CVortanString(first)) {
        m_pageRoot->ClearHistory();
        m_pageRoot->NavigateTo(CVortanString(first));
    }
}

void COrloMenuState::ResetToStartPage()
{
    m_inMatch = 0;
    CloseChatPanel();
    ShowStartScreen();
    CInfiniteList* avatars =
        WidgetCast<CInfiniteList>(FindFromPages("//chat_avatars_root//avatar_list"));
    if (avatars)
        avatars->InvalidateItems();
    if (m_returnGameBubble)
        m_returnGameBubble->SetVisible(false);
    SetMenuShown(false);
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString(IsGuest() ? "loginscreen_root" : "startscreen_root"));
    if (m_game)
        m_game->OnConnectionLost(0);
}

void COrloMenuState::LeaveGameToLobby()
{
    COrloNetworkSession* session = GetSession();
    COrloLobby* lobby = session ? session->GetLobby() : nullptr;
    COrlogateApplication* gate = Gate();
    if (lobby && gate) {
        CVortanArray<i32> ids;
        CVortanArray<i32> values;
        const int count = lobby->GetPlayerCount();
        for (int i = 0; i < count; ++i) {
            COrloPlayer* player = lobby->GetPlayer(i);
            if (!player)
                continue;
            ids.SetAtGrow(ids.GetSize(), player->playerId);
            values.SetAtGrow(values.GetSize(),
                             player->playerId == session->GetOwnPlayerId() ? count : 1);
        }
        gate->EndMatch(&ids, &values, 1);
    }
    if (gate)
        gate->AnswerRematch(false, false);
    ReturnToFirstPage();
}

int COrloMenuState::OnAboutGameInfo(CWidget* sender, COrloMenuState* menu)
{
    CTextWidget* text = WidgetCast<CTextWidget>(sender);
    if (!text || !menu->m_game)
        return 1;
    CVortanString name, version;
    menu->m_game->GetAppName(name);
    menu->m_game->GetVersion(version);
    const CVortanFormatArg args[2] = {CVortanFormatArg(name.GetBuffer()),
                                      CVortanFormatArg(version.GetBuffer())};
    CVortanString about;
    about.FormatArgs(menu->MenuText(2).GetBuffer(), args, 2);
    text->SetText(about);
    return 1;
}

// --- the service's answers -----------------------------------------------------------------------

void COrloMenuState::OnAchievementList(const CVortanArray<SAchievementInfo>& records)
{
    if (!m_pageRoot)
        return;
    for (int n = 1; n <= kAchievementRows; ++n) {
        char name[48];
        snprintf(name, sizeof(name), "my_achievement_%d", n);
        CTextWidget* text = WidgetCast<CTextWidget>(m_pageRoot->FindChild(CVortanString(name), -1));
        snprintf(name, sizeof(name), "my_achievement_image_%d", n);
        CImageWidget* image =
            WidgetCast<CImageWidget>(m_pageRoot->FindChild(CVortanString(name), -1));
        if (!text)
            continue;
        if (n <= records.GetSize()) {
            text->SetText(records[n - 1].name);
            if (image && m_application) {
                CVortanSurface* trophy =
                    m_application->GetSurface(CVortanString("cl-icon-trophy.png"));
                image->SetImage(trophy);
                m_application->ReleaseSurface(trophy);
            }
        } else {
            text->SetText(CVortanString());
            if (image)
                image->SetImage(nullptr);
        }
    }
    // Without any, the panel says so instead of standing empty.
    if (CWidget* none = m_pageRoot->FindChild(CVortanString("my_achievements_none"), -1))
        none->SetVisible(records.GetSize() == 0);
}

void COrloMenuState::OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                                    const CVortanString& text2, const CVortanString& text3)
{
    if (length <= 0 || !bytes || !m_application)
        return;
    const bool moreGames = name == CVortanString("moregames");
    const bool tournaments = name == CVortanString("tournaments");
    // Only the two adverts of the pages are decoded.
    if (!moreGames && !tournaments)
        return;
    CVortanString registered("imageandlink_");
    registered += name;
    CVortanSurface* surface = FindOrRegisterServerImage(m_application, registered, bytes, length);
    if (!surface)
        return;
    const CVortanString link = IsServerLink(text2) ? text2 : CVortanString();
    if (moreGames) {
        CWebButton* button = WidgetCast<CWebButton>(FindInTree("button_moregames"));
        if (button) {
            button->SetImage(surface);
            button->SetUrl(link);
        }
    } else {
        CWebButton* button = WidgetCast<CWebButton>(FindInTree("button-tournaments"));
        if (button) {
            button->SetUrl(link);
            button->SetVisible(true);
        }
        CImageWidget* icon = WidgetCast<CImageWidget>(FindInTree("cl-icon-tournament"));
        if (icon)
            icon->SetImage(surface);
        CTextWidget* label = WidgetCast<CTextWidget>(FindInTree("label-tournament"));
        if (label)
            label->SetText(text3);
    }
    m_application->ReleaseSurface(surface);
}

int COrloMenuState::ResultIndex(int result)
{
    // Non-negative for every result, also below -1.
    const int i = (result + 1) % 3;
    return i < 0 ? i + 3 : i;
}

void COrloMenuState::OnMatchResults(int index, const SMatchResult& record)
{
    if (!m_selfItem || index < 0 || index > 1000)
        return;
    const int i = ResultIndex(record.result);
    const u32 colour = kResultColours[i];
    char name[48];
    snprintf(name, sizeof(name), "my_result_%d", index + 1);
    CTextWidget* result = WidgetCast<CTextWidget>(Child(m_selfItem, name));
    if (result) {
        result->SetText(MenuText(kResultTexts[i]));
        result->SetTextColor(colour);
    }
    snprintf(name, sizeof(name), "my_points_%d", index + 1);
    CTextWidget* points = WidgetCast<CTextWidget>(Child(m_selfItem, name));
    if (points) {
        points->SetText(StartDecimal(record.points));
        points->SetTextColor(colour);
    }
    snprintf(name, sizeof(name), "my_opponent_%d", index + 1);
    SetNamedText(m_selfItem, name, record.opponent);
}
