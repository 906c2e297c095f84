// COrloMenuState: the online menu, the screen the application pushes after the title. It
// hosts the game: while its own pages are hidden it passes update, drawing and input to the
// game's state.
//
// Until the online client's menu is built, this is a stand-in whose pages are always
// hidden: it takes the game in at Init and passes every screen call to it (Init, Load, Unload,
// Update, Render, input, resize, language, context loss and restore); Release releases and
// deletes the game. Its menu operations do nothing. It is the login controller: Init loads the
// login settings and Release releases them; the controller's screen callbacks do nothing.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/login/LoginController.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloMenuStateInterface.h"

class COrloMenuState : public IOrloMenuState, public CLoginController {
public:
    COrloMenuState() : m_game(nullptr) {}
    // Releases and deletes the game it took in (Release).
    virtual ~COrloMenuState();

    // Takes the application's game and initialises it; the game's code when that fails (the
    // game then stays the application's).
    int Init(COrloApplication* application) override;
    void Release() override;
    int Load() override;
    void Unload() override;
    // The game's Update; 1.
    int Update(float seconds) override;
    void Render() override;
    int OnResize(int width, int height) override;
    int OnContextRestored() override;
    int OnContextLost() override;
    // Input goes to the game; always consumed (1).
    int OnPointerDown(int button, int x, int y) override;
    int OnPointerMove(int button, int x, int y) override;
    int OnPointerUp(int button, int x, int y) override;
    int OnKeyDown(int key) override;
    int OnChar(unsigned short character) override;
    // The game's SetLanguage; VORTAN_E_RANGE without a game.
    int SetLanguage(const CVortanString& nameOrCode) override;
    // The hosted game, or null.
    IOrloGameState* GetGame() const { return m_game; }

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
    using CLoginController::OnGameStateChanged;
    using CLoginController::OnLobbyStateChanged;
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
    void Reconnect(int argument) override
    {
        (void)argument;
        CLoginController::Reconnect();
    }
    void Reconnect() override { CLoginController::Reconnect(); }
    void Logout() override { CLoginController::Logout(); }
    void GetUserName(CVortanString& out) override { out = CLoginController::GetUserName(); }
    const CVortanString& GetUserName() override { return CLoginController::GetUserName(); }
    void ScheduleReconnect(const CVortanString& host, int port) override
    {
        CLoginController::ScheduleReconnect(host, port);
    }

    // The controller's screen callbacks: no screens yet.
    void OnLoginSucceeded(const CVortanString& playerName, const CVortanString& token,
                          int justRegistered) override
    {
        (void)playerName, (void)token, (void)justRegistered;
    }
    void ShowLoginError(const CVortanString& title, const CVortanString& message, int optionBits,
                        const CVortanString* updateLink) override
    {
        (void)title, (void)message, (void)optionBits, (void)updateLink;
    }
    void ShowConnectionError(const CVortanString& text) override { (void)text; }
    void ShowLoginScreen() override {}
    void OnUserNameChecked(bool accepted, const CVortanString& text) override
    {
        (void)accepted, (void)text;
    }
    void ShowReconnecting() override {}

private:
    COrloMenuState(const COrloMenuState&) = delete;
    COrloMenuState& operator=(const COrloMenuState&) = delete;

    IOrloGameState* m_game; // owned once Init succeeded
    CVortanPtrArray m_items;
};
