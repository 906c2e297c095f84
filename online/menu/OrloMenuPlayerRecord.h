// SMenuPlayer: the copy of a player's list record that a player row, a participant or the
// chat panel keeps as its tag, with the names of the counts the pages show.
#pragma once
#include "engine/VortanTypes.h"
#include "online/protocol/ASN1Records.h"
#include "platform/OrloNetworkSessionInterface.h"

typedef SPlayerListItem SMenuPlayer;

// Player flags.
#define MENU_PLAYER_ONLINE 0x1
#define MENU_PLAYER_FOLLOWED 0x10
#define MENU_PLAYER_BLOCKED 0x100

inline int MenuPlayerRank(const SMenuPlayer& p)
{
    return p.group[1];
}
inline int MenuPlayerScore(const SMenuPlayer& p)
{
    return p.group[2];
}
inline int MenuPlayerWins(const SMenuPlayer& p)
{
    return p.group[3];
}
inline int MenuPlayerLosses(const SMenuPlayer& p)
{
    return p.group[4];
}
inline int MenuPlayerTies(const SMenuPlayer& p)
{
    return p.group[5];
}
