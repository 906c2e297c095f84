// COrloLobby: the network session's registry of the players of the current game;
// COrloPlayer: one player in it.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloLobbyInterface.h"

class COrloPlayer {
public:
    COrloPlayer() : playerId(0), unused(0), value(0), flag(0), listIndex(0), flags(0) {}
    virtual ~COrloPlayer() {}

    i32 playerId;
    CVortanString name;
    CVortanString secondText;
    i32 unused;
    i32 value;
    CVortanString text;
    i32 flag;
    i32 listIndex;
    i32 flags;
};

class COrloLobby : public IOrloLobby {
public:
    COrloLobby() : m_minPlayers(0), m_maxPlayers(0) {}
    // Frees only the array; Clear deletes the players.
    virtual ~COrloLobby() {}

    int SetLimits(int minimum, int maximum) override
    {
        m_minPlayers = minimum;
        m_maxPlayers = maximum;
        return 1;
    }
    virtual void Clear()
    {
        for (int i = 0; i < m_players.GetCount(); ++i)
            delete (COrloPlayer*)m_players.GetAt(i);
        m_players.RemoveAll();
    }
    // 0 when the registry is full; else appends the player (now owned) and returns 1.
    int AddPlayer(COrloPlayer* player)
    {
        if (m_players.GetCount() >= m_maxPlayers)
            return 0;
        return m_players.Add(player) == VORTAN_OK ? 1 : 0;
    }
    COrloPlayer* FindPlayerById(int id) const
    {
        for (int i = 0; i < m_players.GetCount(); ++i) {
            COrloPlayer* player = (COrloPlayer*)m_players.GetAt(i);
            if (player->playerId == id)
                return player;
        }
        return nullptr;
    }
    int GetPlayerCount() const override { return m_players.GetCount(); }
    // Null outside the registry.
    COrloPlayer* GetPlayer(int index) const override
    {
        return (COrloPlayer*)m_players.GetAt(index);
    }

private:
    COrloLobby(const COrloLobby&) = delete;
    COrloLobby& operator=(const COrloLobby&) = delete;

    CVortanPtrArray m_players; // COrloPlayer*
    i32 m_minPlayers;
    i32 m_maxPlayers;
};
