// COrloMenuState: challenges: sending one (or joining the lobby for anyone), the waiting page
// and its timer, a challenge received with its toast and dialog, answering, and the answers.
#include "online/menu/OrloMenuState.h"

#include <stdio.h>

#include "engine/graphics/VortanSurface.h"
#include "online/menu/OrloMenuPageHelpers.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloToastNotificationInterface.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"

using namespace MenuPages;

namespace {

const float kChallengeSeconds = 20.0f;
const float kJoinSeconds = 30.0f;
const float kChallengeToastSeconds = 20.0f;
// "The challenge was cancelled."
const int kChallengeCancelledText = 4;

} // namespace

int COrloMenuState::OnSendChallenge(CWidget* sender, COrloMenuState* menu)
{
    // One press, one challenge: while the own challenge or the lobby join waits on its answer,
    // a further press (a double tap, the row's button under the waiting page, the toast) sends
    // nothing and changes nothing the user sees.
    if (menu->m_ownChallengeOpen || menu->m_challengeTimer > 0.0f)
        return 1;
    SMenuPlayer* record = RecordOf(NearestExpandable(sender));
    if (record)
        menu->m_invited.insert(record->id);
    COrloNetworkSession* session = menu->GetNetSession();
    if (!session)
        return 1;
    if (menu->m_invited.empty()) {
        session->SendJoin(0, menu->m_game ? menu->m_game->GetMaxPlayers() : 2);
        menu->m_challengeTimer = kJoinSeconds;
        menu->ShowNotice(menu->GetText(3));
        return 1;
    }
    CVortanArray<i32> ids; // a set iterates in ascending order
    for (std::set<int>::const_iterator it = menu->m_invited.begin(); it != menu->m_invited.end();
         ++it)
        ids.SetAtGrow(ids.GetSize(), *it);
    session->SendChallengeRequest(&ids, CVortanString());
    menu->m_pendingChallenger = session->GetOwnPlayerId();
    menu->m_ownChallengeOpen = 1;
    menu->m_challengeTimer = kChallengeSeconds;
    if (menu->m_pageRoot)
        menu->m_pageRoot->NavigateTo(CVortanString("challenge_waiting"));
    return 1;
}

void COrloMenuState::RunChallengeTimer(float seconds)
{
    if (m_challengeTimer <= 0.0f)
        return;
    m_challengeTimer -= seconds;
    if (m_challengeTimer > 0.0f)
        return;
    m_challengeTimer = 0.0f;
    COrloNetworkSession* session = GetSession();
    if (session) {
        if (session->IsJoined())
            session->SendLeave();
        if (m_ownChallengeOpen)
            session->SendChallengeReply(session->GetOwnPlayerId(), 0, CVortanString());
    }
    m_ownChallengeOpen = 0;
    if (m_pageRoot && GetCurrentPageName() == CVortanString("challenge_waiting"))
        m_pageRoot->NavigateTo(CVortanString(":back"));
}

static int Answer(COrloMenuState* menu, int answer)
{
    COrloNetworkSession* session = menu->GetNetSession();
    if (session)
        session->SendChallengeReply(menu->GetPendingChallenger(), answer, CVortanString());
    return 1;
}

int COrloMenuState::OnAcceptChallenge(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    return Answer(menu, 1);
}

int COrloMenuState::OnRejectChallenge(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    COrloNetworkSession* session = menu->GetNetSession();
    if (session && menu->m_ownChallengeOpen &&
        menu->GetPendingChallenger() == session->GetOwnPlayerId()) {
        // The own challenge withdrawn by hand: its timer has nothing left to withdraw.
        menu->m_ownChallengeOpen = 0;
        menu->m_challengeTimer = 0.0f;
    }
    return Answer(menu, 0);
}

void COrloMenuState::OnChallengeReceived(int challengerId, const CVortanString& name, int rank,
                                         int score)
{
    CWidget* page = FindFromPages("challenge_received");
    if (!page)
        return;
    char avatarName[48];
    snprintf(avatarName, sizeof(avatarName), "player_avatar_icon_%d", challengerId);
    CImageWidget* image = WidgetCast<CImageWidget>(Find(page, "player_avatar"));
    if (image && m_application) {
        CVortanSurface* own = m_application->FindSurface(CVortanString(avatarName));
        if (!own || image->GetImage() != own) {
            CVortanSurface* placeholder = m_application->FindSurface(CVortanString("avatar.png"));
            if (!placeholder)
                placeholder = m_application->GetSurface(CVortanString("avatar.png"));
            if (placeholder) {
                image->SetImage(placeholder);
                m_application->ReleaseSurface(placeholder);
            }
        }
        if (own)
            m_application->ReleaseSurface(own);
    }
    const CVortanString shown = Cap(name, MENU_NAME_CAP);
    SetText(page, "player_name", shown);
    SetNumber(page, "player_rank", rank);
    SetNumber(page, "player_score", score);
    m_pendingChallenger = challengerId;
    m_challengeReceived = 1;
    COrlogateApplication* gate = Gate();
    if (gate)
        gate->ShowToast(FormatOne(Text(37), shown), kChallengeToastSeconds, 3);
}

void COrloMenuState::OnPlayerAvatar(int playerId, const u8* bytes, int length)
{
    CWidget* page = FindFromPages("challenge_received");
    CWidget* image = Find(page, "player_avatar");
    if (!image || !bytes || length <= 0)
        return;
    char name[48];
    snprintf(name, sizeof(name), "player_avatar_icon_%d", playerId);
    CVortanSurface* surface = AvatarSurface(m_application, CVortanString(name), bytes, length);
    if (!surface)
        return;
    ShowImage(page, "player_avatar", surface);
    m_application->ReleaseSurface(surface);
}

void COrloMenuState::OnChallengeReply(int playerId, const CVortanString& name, int answer)
{
    LeaveChallengePages();
    COrloNetworkSession* own = GetSession();
    if (!own)
        return;
    if (playerId == own->GetOwnPlayerId()) {
        // The echo of the user's answer, or the challenge withdrawn: the one received has
        // ended, and its toast no longer leads anywhere.
        if (m_challengeReceived) {
            m_challengeReceived = 0;
            EndChallengeToasts();
        }
        if (answer == 1)
            return;
        if (m_game)
            m_game->OnLeaveGame();
        if (answer == 2)
            ShowNotice(Text(kChallengeCancelledText));
        return;
    }
    // The answer to the user's own challenge.
    m_ownChallengeOpen = 0;
    m_challengeTimer = 0.0f;
    switch (answer) {
    case 0:
        ShowNotice(FormatOne(Text(5), Cap(name, MENU_NAME_CAP)));
        break;
    case 1:
        break;
    case 2:
        ShowNotice(Text(6));
        break;
    case 3:
        ShowNotice(Text(7));
        break;
    default:
        if (m_game)
            m_game->OnLeaveGame();
        break;
    }
}

void COrloMenuState::LeaveChallengePages()
{
    if (!m_pageRoot)
        return;
    if (GetCurrentPageName() == CVortanString("challenge_received"))
        m_pageRoot->NavigateTo(CVortanString(":back"));
    if (GetCurrentPageName() == CVortanString("challenge_waiting"))
        m_pageRoot->NavigateTo(CVortanString(":back"));
}

void COrloMenuState::EndChallengeToasts()
{
    COrlogateApplication* gate = Gate();
    IOrloToastNotification* toast = gate ? gate->GetToast() : nullptr;
    if (toast)
        toast->EndKind(IOrloToastNotification::KIND_CHALLENGE);
}

void COrloMenuState::OnLobbyStateChanged(IOrloNetworkSession* session, int state)
{
    CLoginController::OnLobbyStateChanged(session, state);
    // The lobby holds a challenge only as long as the connection it came on: once that is
    // gone, or a new login has replaced it, no answer to it reaches anyone.
    if (state == LOBBY_STATE_CLOSED || state == LOBBY_STATE_LOGGED_IN)
        EndSessionChallenges();
}

void COrloMenuState::EndSessionChallenges()
{
    const int received = m_challengeReceived;
    const int open = received || m_ownChallengeOpen;
    m_challengeReceived = 0;
    m_ownChallengeOpen = 0;
    m_challengeTimer = 0.0f; // the join for anyone too: the lobby that held it is gone
    m_pendingChallenger = -1;
    EndChallengeToasts();
    LeaveChallengePages();
    // As a withdrawn challenge ends: a game start that was on its way will not come, and the
    // one challenged is told the challenge was cancelled.
    if (open && m_game)
        m_game->OnLeaveGame();
    if (received)
        ShowNotice(Text(kChallengeCancelledText));
}
