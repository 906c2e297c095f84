// The application's session key and web token: the session's texts, empty without a session.
#include <gtest/gtest.h>

#include "platform/OrlogateApplication.h"

namespace {

class SessionStub : public IOrloNetworkSession {
public:
    CVortanString login = CVortanString("k3y-0f-s3ss10n");
    CVortanString link = CVortanString("a1b2c3d4e5");
    int builds = 0;

    int Init(COrlogateApplication*, StatusObserver*) override { return VORTAN_OK; }
    void Shutdown() override {}
    void Update(float) override {}
    void AddLobbyObserver(LobbyObserver*) override {}
    void AddGameObserver(GameObserver*) override {}
    void AddAdvertisementObserver(AdvertisementObserver*) override {}
    int GetStatus() const override { return 0; }
    void CloseGameSocket() override {}
    void SendJoin(int, int) override {}
    void SendLeave() override {}
    void SendGameData(const u8*, int, int, int) override {}
    void SendChatMessage(const COrloChatRecord&) override {}
    void SendChangeLanguage(const CVortanString&) override {}
    void SendGameResult(const void*, const void*, int) override {}
    void SendRematchReply(int) override {}
    void GetPlayerName(CVortanString& out) const override { out.Empty(); }
    const CVortanString& BuildLinkToken() override
    {
        ++builds;
        return link;
    }
    const CVortanString& GetLoginToken() const override { return login; }
    IOrloLobby* GetLobby() override { return nullptr; }
    int GetOwnPlayerId() const override { return -1; }
    int GetReleaseId() const override { return 0; }
};

class TestApp : public COrlogateApplication {
public:
    void SetSession(IOrloNetworkSession* session) { m_session = session; }
};

} // namespace

TEST(WebToken, TheSessionsTextsAndEmptyWithoutASession)
{
    TestApp app;
    CVortanString key("stale"), token("stale");
    app.GetSessionKey(key);
    app.GetWebToken(token);
    EXPECT_TRUE(key.IsEmpty());
    EXPECT_TRUE(token.IsEmpty());

    SessionStub session;
    app.SetSession(&session);
    app.GetSessionKey(key);
    app.GetWebToken(token);
    EXPECT_EQ(key, CVortanString("k3y-0f-s3ss10n"));
    EXPECT_EQ(token, CVortanString("a1b2c3d4e5"));
    EXPECT_EQ(session.builds, 1); // built afresh for each link
    app.SetSession(nullptr);
}
