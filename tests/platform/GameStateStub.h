// A game state with the identity values of a two-player game and nothing else: screens and
// the application can be tested without the game itself.
#pragma once
#include "platform/OrloState.h"

namespace ptest {

class GameStateStub : public IOrloGameState {
public:
    int Init(COrloApplication* app) override
    {
        m_application = app;
        return VORTAN_OK;
    }
    void Release() override {}
    int Load() override { return VORTAN_OK; }
    void Unload() override {}
    int Update(float) override { return 1; }
    void Render() override {}
    int GetGameNumber() override { return 64; }
    void GetVersion(CVortanString& out) override { out = "1.57"; }
    void GetAppName(CVortanString& out) override { out = "PlatformTest"; }
    int GetMinPlayers() override { return 2; }
    int GetMaxPlayers() override { return 2; }
    int GetEditionFlag() override { return 0; }
    void GetAppSecret(CVortanString& out) override { out = "x"; }
    void OnHook32() override {}
    void OnHook33() override {}
    void OnLeaveGame() override {}
    void StartMatch(int) override {}
    int OnConnectionLost(int) override { return 0; }
    int OnPlayerLeft(int) override { return 0; }
    float GetTurnClock() override { return 0.0f; }
    void OnGameData(const u8*, int) override {}
    void OnGameClosed() override {}
    void SetSessionFlag(int) override {}
};

} // namespace ptest
