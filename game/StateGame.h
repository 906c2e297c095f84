// CStateGame: the game as the platform sees it, the one IOrloGameState of the program. The
// online menu hosts it: while the menu is hidden it passes update, drawing and input on.
//
// This holds the game's identity and answers the platform's calls; the game's own screens
// are not part of it yet (it draws nothing and ignores matches).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "game/VexGameContext.h"
#include "platform/OrloState.h"

class CStateGame : public IOrloGameState {
public:
    CStateGame();
    virtual ~CStateGame();

    // --- IOrloState -----------------------------------------------------------------------
    int Init(COrloApplication* application) override;
    void Release() override;
    int Load() override;
    void Unload() override;
    int Update(float seconds) override;
    void Render() override;

    // --- identity -------------------------------------------------------------------------
    int GetGameNumber() override { return 64; }
    void GetVersion(CVortanString& out) override { out = "1.57"; }
    void GetAppName(CVortanString& out) override { out = "Zorbix"; }
    int GetMinPlayers() override { return 2; }
    int GetMaxPlayers() override { return 2; }
    int GetEditionFlag() override { return 0; }
    void GetAppSecret(CVortanString& out) override { out = "tq7mv3xk9wz2pd5rbn8hc4yf6gle0ua"; }
    void OnHook32() override {}
    void OnHook33() override {}
    virtual int GetExtraValue() { return 0; }

    // --- matches --------------------------------------------------------------------------
    void OnLeaveGame() override {}
    void StartMatch(int opener) override { (void)opener; }
    int OnConnectionLost(int code) override;
    int OnPlayerLeft(int playerId) override;
    float GetTurnClock() override { return 0.0f; }
    void OnGameData(const u8* bytes, int length) override;
    void OnGameClosed() override { m_gameClosed = 1; }
    // Sets the session flag whatever the value.
    void SetSessionFlag(int value) override
    {
        (void)value;
        m_sessionFlag = 1;
    }
    // The game records no achievements.
    int UnlockAchievement(int id) override
    {
        (void)id;
        return 0;
    }

    COrloApplication* GetHostApplication() const { return m_host; }
    // The state this game shares among its parts (sequence counter, sub-step, handle slots).
    CVexGameContext* GetGameContext() { return &m_context; }

private:
    COrloApplication* m_host; // kept by Init
    i32 m_sessionFlag;
    i32 m_gameClosed;
    i32 m_connectionLost;
    CVexGameContext m_context;
};
