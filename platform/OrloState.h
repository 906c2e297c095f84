// IOrloState: one screen of the platform application's stack (the intro, the title, the
// online menu, the game). The application drives it: Init when pushed, Load when it becomes
// the front screen, Unload when it stops being the front one, Update every frame (down to
// the first screen that returns non-zero), Render for the front screen only, Release before
// it is deleted. A screen asks the application to remove it (Finish) or to move it behind
// all others (SendToBack); the application acts on both flags in its next Update.
//
// IOrloGameState: the game as the platform sees it. It adds what a game tells the platform
// about itself (identity, players) and the platform services a game may call (leaving a
// match, sending match data, the lobby's players, achievements).
//
// Main thread only.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class COrloApplication;
class COrlogateApplication;
class COrloLanguage;
class COrloPlayer;

class IOrloState {
public:
    IOrloState() : m_application(nullptr), m_sendToBack(0), m_finished(0) {}
    virtual ~IOrloState() {}

    // VORTAN_OK on success; any other result makes the application delete the screen.
    virtual int Init(COrloApplication* application) = 0;
    virtual void Release() = 0;
    // The screen has become the front one.
    virtual int Load() = 0;
    // The screen stops being the front one.
    virtual void Unload() = 0;
    // Non-zero stops the update of the screens below.
    virtual int Update(float seconds) = 0;
    // Called for the front screen only.
    virtual void Render() = 0;

    virtual void SendToBack() { m_sendToBack = 1; }
    virtual void ClearSendToBack() { m_sendToBack = 0; }
    virtual void Finish() { m_finished = 1; }
    virtual int WantsSendToBack() { return m_sendToBack; }
    virtual int IsFinished() { return m_finished; }
    virtual void ClearFinished() { m_finished = 0; }

    virtual int OnResize(int width, int height)
    {
        (void)width;
        (void)height;
        return VORTAN_OK;
    }
    virtual int OnActiveChanged(bool active)
    {
        (void)active;
        return 1;
    }
    // The GL textures were re-created.
    virtual int OnContextRestored() { return VORTAN_OK; }
    // The GL textures were dropped.
    virtual int OnContextLost() { return VORTAN_OK; }
    // Input: window pixels; non-zero = consumed. The defaults consume everything, so a
    // screen that overrides no input operation keeps all input from the screens below.
    virtual int OnPointerDown(int button, int x, int y)
    {
        (void)button;
        (void)x;
        (void)y;
        return 1;
    }
    virtual int OnPointerMove(int button, int x, int y)
    {
        (void)button;
        (void)x;
        (void)y;
        return 1;
    }
    virtual int OnPointerUp(int button, int x, int y)
    {
        (void)button;
        (void)x;
        (void)y;
        return 1;
    }
    // The X keysym delivered by the engine (keypad Enter as Return).
    virtual int OnKeyDown(int key)
    {
        (void)key;
        return 1;
    }
    // The byte typed.
    virtual int OnChar(unsigned short character)
    {
        (void)character;
        return 1;
    }
    virtual int SetLanguage(const CVortanString& nameOrCode)
    {
        (void)nameOrCode;
        return VORTAN_OK;
    }

protected:
    COrloApplication* m_application; // set by the screen's Init
    i32 m_sendToBack;
    i32 m_finished;

private:
    IOrloState(const IOrloState&) = delete;
    IOrloState& operator=(const IOrloState&) = delete;
};

class IOrloGameState : public IOrloState {
public:
    IOrloGameState() : m_language(nullptr), m_gateApplication(nullptr) {}
    virtual ~IOrloGameState() {}

    // Without a language object: VORTAN_E_RANGE; else the language object's SetLanguage.
    int SetLanguage(const CVortanString& nameOrCode) override;

    // --- identity ----------------------------------------------------------------------
    // The game's number at the online service.
    virtual int GetGameNumber() = 0;
    virtual void GetStoreName(CVortanString& out) { out = "Ovi"; }
    virtual void GetVersion(CVortanString& out) = 0;
    virtual void GetAppName(CVortanString& out) = 0;
    virtual int GetMinPlayers() = 0;
    virtual int GetMaxPlayers() = 0;
    virtual int GetEditionFlag() = 0;
    virtual void GetAppSecret(CVortanString& out) = 0;
    virtual void OnHook32() = 0;
    virtual void OnHook33() = 0;

    // --- matches -----------------------------------------------------------------------
    // Leaves the running match: back to the lobby, or (while the lobby is connected) asks
    // the service for a new opponent.
    virtual void LeaveGame();
    // Tells the lobby that the player leaves (the session's SendLeave).
    virtual void SendLeave();
    // The platform has left the game.
    virtual void OnLeaveGame() = 0;
    virtual void StartMatch(int matchId) = 0;
    virtual int OnConnectionLost(int code) = 0;
    virtual int OnPlayerLeft(int playerId) = 0;
    // The running turn's clock as a fraction 0..1 (0 when none).
    virtual float GetTurnClock() = 0;
    virtual int IsPlaying() { return 0; }
    // Sends match bytes to the opponent through the session.
    virtual void SendGameData(const u8* bytes, int length, int a, int b);
    virtual void OnGameData(const u8* bytes, int length) = 0;
    // The match result (player ids, places, flag), passed on to the application's EndMatch.
    virtual void ReportMatchEnd(const CVortanArray<i32>* ids, const CVortanArray<i32>* places,
                                int flag);
    virtual void OnGameClosed() = 0;
    // The online menu's pages came up over the game, or went away again.
    virtual void OnMenuShown() {}
    virtual void OnMenuHidden() {}
    virtual void SetSessionFlag(int value) = 0;

    // --- the lobby ---------------------------------------------------------------------
    // The session's own player name; empty without a session.
    virtual void GetOwnPlayerName(CVortanString& out);
    // The session's own player id; -1 without a session.
    virtual int GetOwnPlayerId();
    // The lobby's player count; 0 without a session.
    virtual int GetLobbyPlayerCount();
    // The lobby's player at the index; null without a session or outside the lobby.
    virtual COrloPlayer* GetLobbyPlayer(int index);

    // --- achievements ------------------------------------------------------------------
    // 0 when the achievement does not exist; 1 when it is (now) unlocked.
    virtual int UnlockAchievement(int id);
    virtual int IsAchievementUnlocked(int id);

    // A chat record offered to the game first; non-zero when the game took it.
    virtual int OnGameMessage(const void* message)
    {
        (void)message;
        return 0;
    }

    // Stores the application only when none is stored yet (the online menu calls it when it
    // takes the game in, right before the game's Init).
    void SetApplication(COrlogateApplication* application)
    {
        if (!m_gateApplication)
            m_gateApplication = application;
    }
    COrlogateApplication* GetApplication() const { return m_gateApplication; }
    COrloLanguage* GetLanguageObject() const { return m_language; }

protected:
    COrloLanguage* m_language;               // the game's own texts; null until set
    COrlogateApplication* m_gateApplication; // null until SetApplication
};
