// IOrloLobby: the network session's registry of the players of the current game, as the
// platform and the game read it. The online client's COrloLobby implements it; its player
// records (COrloPlayer) are the online client's and pass through here unopened.
#pragma once

class COrloPlayer;

class IOrloLobby {
public:
    virtual ~IOrloLobby() {}

    // Stores the two limits; the second is the capacity that adding a player checks. 1.
    virtual int SetLimits(int minimum, int maximum) = 0;
    virtual int GetPlayerCount() const = 0;
    // The player at the index; callers keep the index below the count.
    virtual COrloPlayer* GetPlayer(int index) const = 0;
};
