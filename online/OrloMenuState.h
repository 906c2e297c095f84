// COrloMenuState: the online menu, the screen the application pushes after the title. It
// hosts the game: while its own pages are hidden it passes update, drawing and input to the
// game's state.
//
// Until the online client's menu is built, this is a stand-in: it cannot initialise
// (VORTAN_E_FAIL), so the application never keeps one, and its operations do nothing.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/LoginController.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloMenuStateInterface.h"

class COrloMenuState : public IOrloMenuState, public CLoginController {
public:
    COrloMenuState() {}
    virtual ~COrloMenuState() {}

    int Init(COrloApplication* application) override
    {
        m_application = application;
        return VORTAN_E_FAIL;
    }
    void Release() override {}
    int Load() override { return VORTAN_OK; }
    void Unload() override {}
    int Update(float seconds) override
    {
        (void)seconds;
        return 0;
    }
    void Render() override {}

    void LeaveGameToLobby() override {}
    void ResetToStartPage() override {}
    void ShowPage(const CVortanString& page, int shown) override
    {
        (void)page;
        (void)shown;
    }
    void UpdateChatButtons(bool enable) override { (void)enable; }
    void AddChatLine(const COrloChatRecord& record, bool incoming) override
    {
        (void)record;
        (void)incoming;
    }
    void OnChatMessage(const COrloChatRecord& record, bool incoming) override
    {
        (void)record;
        (void)incoming;
    }
    void OnGameStart(int game, int opener) override
    {
        (void)game;
        (void)opener;
    }
    void OnLobbyStateChanged(int state) override { (void)state; }
    void OnGameStateChanged(int state) override { (void)state; }
    void SendValuePair(int a, int b) override
    {
        (void)a;
        (void)b;
    }
    // The user-data path of "data_<game>_<item>.dmp": VORTAN_OK, or VORTAN_E_FAIL
    // when the path is unknown.
    int GetItemDataPath(int itemId, CVortanString& out) override
    {
        (void)itemId;
        out.Empty();
        return VORTAN_E_FAIL;
    }
    // The menu's item records.
    CVortanPtrArray* GetItemList() override { return &m_items; }

    // The login controller's operations, as the application reaches them.
    void Reconnect(int argument) override { CLoginController::Reconnect(argument); }
    void Logout() override { CLoginController::Logout(); }
    void GetUserName(CVortanString& out) override { CLoginController::GetUserName(out); }
    void ScheduleReconnect(const CVortanString& text, int code) override
    {
        CLoginController::ScheduleReconnect(text, code);
    }

private:
    CVortanPtrArray m_items;
};
