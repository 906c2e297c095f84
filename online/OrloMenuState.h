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
#include "online/OrloNetworkSession.h"
#include "platform/OrloState.h"

class COrloMenuState : public IOrloState, public CLoginController {
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

    void LeaveGameToLobby() {}
    void ResetToStartPage() {}
    void ShowPage(const CVortanString& page, int shown)
    {
        (void)page;
        (void)shown;
    }
    void UpdateChatButtons(bool enable) { (void)enable; }
    void AddChatLine(const COrloChatRecord& record, bool incoming)
    {
        (void)record;
        (void)incoming;
    }
    void OnChatMessage(const COrloChatRecord& record, bool incoming)
    {
        (void)record;
        (void)incoming;
    }
    void OnGameStart(int game, int opener)
    {
        (void)game;
        (void)opener;
    }
    void OnLobbyStateChanged(int state) { (void)state; }
    void OnGameStateChanged(int state) { (void)state; }
    void SendValuePair(int a, int b)
    {
        (void)a;
        (void)b;
    }
    // The user-data path of "data_<game>_<item>.dmp": VORTAN_OK, or VORTAN_E_FAIL when the path is
    // unknown.
    int GetItemDataPath(int itemId, CVortanString& out)
    {
        (void)itemId;
        out.Empty();
        return VORTAN_E_FAIL;
    }
    // The menu's item records.
    CVortanPtrArray* GetItemList() { return &m_items; }

private:
    CVortanPtrArray m_items;
};
