// COrloLobby: the network session's registry of the players of the current game;
// COrloPlayer: one player in it.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloLobbyInterface.h"

struct SPlayerRecord;

class COrloPlayer {
public:
    COrloPlayer() : playerId(0), unused(0), value(0), flag(0), listIndex(0), flags(0) {}
    virtual ~COrloPlayer() {}

    // Copies the record's id, name, second text, [4], [5] and flag.
    void SetFromEntry(const SPlayerRecord& record);

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
    ~COrloLobby() override {}

    int SetLimits(int minimum, int maximum) override;
    virtual void Clear();
    // 0 when the registry is full; else appends the player (now owned) and returns 1.
    int AddPlayer(COrloPlayer* player);
    COrloPlayer* FindPlayerById(int id) const;
    // Exact, case-sensitive match.
    COrloPlayer* FindPlayerByName(const CVortanString& name) const;
    int GetPlayerCount() const override { return m_players.GetCount(); }
    // Null outside the registry.
    COrloPlayer* GetPlayer(int index) const override;
    int GetMinPlayers() const { return m_minPlayers; }
    int GetMaxPlayers() const { return m_maxPlayers; }

private:
    COrloLobby(const COrloLobby&) = delete;
    COrloLobby& operator=(const COrloLobby&) = delete;

    CVortanPtrArray m_players; // COrloPlayer*
    i32 m_minPlayers;
    i32 m_maxPlayers;
};
