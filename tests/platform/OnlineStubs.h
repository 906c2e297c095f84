// Online client objects that do nothing, made from the platform's interfaces: the online
// menu, the toast and the advertisement. Tests derive from them to record what the
// application asks of the online client without linking it.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "platform/OrloAdvertisementInterface.h"
#include "platform/OrloMenuStateInterface.h"
#include "platform/OrloNetworkSessionInterface.h"
#include "platform/OrloToastNotificationInterface.h"

namespace ptest {

class MenuStateStub : public IOrloMenuState {
public:
    int Init(COrloApplication* app) override
    {
        m_application = app;
        return 1;
    }
    void Release() override {}
    int Load() override { return 1; }
    void Unload() override {}
    int Update(float) override { return 0; }
    void Render() override {}
    void LeaveGameToLobby() override {}
    void ResetToStartPage() override {}
    void ShowPage(const CVortanString&, int) override {}
    void UpdateChatButtons(bool) override {}
    void AddChatLine(const COrloChatRecord&, bool) override {}
    void OnChatMessage(const COrloChatRecord&, bool) override {}
    void OnGameStart(int, int) override {}
    void OnLobbyStateChanged(int) override {}
    void OnGameStateChanged(int) override {}
    void SendValuePair(int, int) override {}
    int GetItemDataPath(int, CVortanString& out) override
    {
        out.Empty();
        return 9;
    }
    CVortanPtrArray* GetItemList() override { return &items; }
    void Reconnect(int) override {}
    void Logout() override {}
    void GetUserName(CVortanString& out) override { out.Empty(); }
    void ScheduleReconnect(const CVortanString&, int) override {}

    CVortanPtrArray items;
};

// Shows nothing, so it takes no input.
class ToastStub : public IOrloToastNotification {
public:
    int OnPointerDown(int, int, int) override { return 0; }
    int OnPointerUp(int, int, int) override { return 0; }
    int OnPointerMove(int, int, int) override { return 0; }
    int AddMessage(const CVortanString&, float, int) override { return 1; }
    bool IsShowing() override { return false; }
    int GetCurrentKind() override { return 1; }
    void EndKind(int) override {}
};

class AdvertisementStub : public IOrloAdvertisement {
public:
    int Show(const CVortanString&, const CVortanString&, int, const u8*, int, int,
             const CVortanArray<i32>*, const CVortanString&, int, const CVortanString&,
             const CVortanString&) override
    {
        return 1;
    }
    void ShowOnExit() override {}
    int IsShown() const override { return shown; }
    void SetShown(int value) override { shown = value; }

    int shown = 0;
};

// A session that never connects and sends nothing; its tokens and ids are the fields below.
class SessionStub : public IOrloNetworkSession {
public:
    int Init(COrlogateApplication*, StatusObserver*) override { return 1; }
    void Shutdown() override {}
    void Update(float) override {}
    void AddLobbyObserver(LobbyObserver*) override {}
    void AddGameObserver(GameObserver*) override {}
    void AddAdvertisementObserver(AdvertisementObserver*) override {}
    int GetStatus() const override { return 0; }
    void CloseGameSocket() override {}
    void SendJoin(int, int) override {}
    void SendLeave() override {}
    void SendGameData(const u8*, int) override {}
    void SendChatMessage(const COrloChatRecord&) override {}
    void SendChangeLanguage(const CVortanString&) override {}
    void SendGameResult(const void*, const void*, int) override {}
    void SendRematchReply(int) override {}
    void GetPlayerName(CVortanString& out) const override { out.Empty(); }
    const CVortanString& BuildLinkToken() override { return link; }
    const CVortanString& GetLoginToken() const override { return login; }
    IOrloLobby* GetLobby() override { return nullptr; }
    int GetOwnPlayerId() const override { return ownPlayerId; }
    int GetReleaseId() const override { return releaseId; }

    CVortanString login, link;
    int ownPlayerId = 1, releaseId = 1;
};

} // namespace ptest
