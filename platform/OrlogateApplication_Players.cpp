// COrlogateApplication: the lobby's player-list, player-status, challenge, avatar, game
// status, match result, achievement and image-and-link messages, passed on to the online menu.
#include "platform/OrlogateApplication.h"

#include "platform/OrloMenuStateInterface.h"

void COrlogateApplication::OnPlayerListUpdate(IOrloNetworkSession* session, int reason, int game,
                                              int count)
{
    (void)session;
    // Lists of another game are not this program's.
    if (m_menu && game == GetGameNumber())
        m_menu->OnPlayerListUpdate(reason, game, count);
}

void COrlogateApplication::OnPlayerStatus(IOrloNetworkSession* session, int playerId, int kind,
                                          int value, const CVortanString& text4,
                                          const CVortanString& text5)
{
    (void)session;
    (void)text4;
    (void)text5;
    if (m_menu)
        m_menu->OnPlayerStatus(playerId, kind, value);
}

void COrlogateApplication::OnChallengeReceived(IOrloNetworkSession* session, int challengerId,
                                               const CVortanString& name, const CVortanString& text,
                                               int rank, int score)
{
    (void)session;
    (void)text;
    if (m_menu)
        m_menu->OnChallengeReceived(challengerId, name, rank, score);
}

void COrlogateApplication::OnChallengeReply(IOrloNetworkSession* session, int playerId,
                                            const CVortanString& name, const CVortanString& text,
                                            int answer)
{
    (void)session;
    (void)text;
    if (m_menu)
        m_menu->OnChallengeReply(playerId, name, answer);
}

void COrlogateApplication::OnPlayerAvatar(IOrloNetworkSession* session, int playerId,
                                          const u8* bytes, int length)
{
    (void)session;
    if (m_menu)
        m_menu->OnPlayerAvatar(playerId, bytes, length);
}

void COrlogateApplication::OnGameStatus(int flags)
{
    if (m_menu)
        m_menu->OnGameStatus(flags);
}

void COrlogateApplication::OnLobbyEvent1(IOrloNetworkSession* session)
{
    (void)session;
    if (m_menu)
        m_menu->OnLobbyEvent1();
}

void COrlogateApplication::OnMatchResults(IOrloNetworkSession* session, int index,
                                          const SMatchResult& record)
{
    (void)session;
    if (m_menu)
        m_menu->OnMatchResults(index, record);
}

void COrlogateApplication::OnAchievementList(int value0, int value1, int value2,
                                             const CVortanArray<SAchievementInfo>& records,
                                             int value4)
{
    if (m_menu)
        m_menu->OnAchievementList(value0, value1, value2, records, value4);
}

void COrlogateApplication::OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                                          const CVortanString& text2, const CVortanString& text3,
                                          const CVortanString& text4)
{
    if (m_menu)
        m_menu->OnImageAndLink(name, length, bytes, text2, text3, text4);
}
