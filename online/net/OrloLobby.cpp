// COrloLobby and COrloPlayer: the registry of the current game's players.
#include "online/net/OrloLobby.h"

#include "online/protocol/ASN1Records.h"

void COrloPlayer::SetFromEntry(const SPlayerRecord& record)
{
    playerId = record.id;
    name = record.name;
    secondText = record.second;
    value = record.value4;
    text = record.text5;
    flag = record.flag ? 1 : 0;
}

int COrloLobby::SetLimits(int minimum, int maximum)
{
    m_minPlayers = minimum;
    m_maxPlayers = maximum;
    return 1;
}

void COrloLobby::Clear()
{
    for (int i = 0; i < m_players.GetCount(); ++i)
        delete (COrloPlayer*)m_players.GetAt(i);
    m_players.RemoveAll();
}

int COrloLobby::AddPlayer(COrloPlayer* player)
{
    if (!player || m_players.GetCount() >= m_maxPlayers)
        return 0;
    return m_players.Add(player) == VORTAN_OK ? 1 : 0;
}

COrloPlayer* COrloLobby::FindPlayerById(int id) const
{
    for (int i = 0; i < m_players.GetCount(); ++i) {
        COrloPlayer* player = (COrloPlayer*)m_players.GetAt(i);
        if (player->playerId == id)
            return player;
    }
    return nullptr;
}

COrloPlayer* COrloLobby::FindPlayerByName(const CVortanString& name) const
{
    for (int i = 0; i < m_players.GetCount(); ++i) {
        COrloPlayer* player = (COrloPlayer*)m_players.GetAt(i);
        if (player->name == name)
            return player;
    }
    return nullptr;
}

COrloPlayer* COrloLobby::GetPlayer(int index) const
{
    if (index < 0 || index >= m_players.GetCount())
        return nullptr;
    return (COrloPlayer*)m_players.GetAt(index);
}
