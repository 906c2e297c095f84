// The session tests' application, observers and a fixture with a loopback lobby peer.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/OrloAdvertisement.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/NetTestSupport.h"
#include "tests/platform/GameStateStub.h"

namespace ntest {

// A game with a 31-character secret, as the link token expects.
class SecretGame : public ptest::GameStateStub {
public:
    void GetAppSecret(CVortanString& out) override { out = "0123456789abcdef0123456789ABCDE"; }
};

// A game of a chosen edition (0, the default, shows adverts).
class EditionGame : public SecretGame {
public:
    int GetEditionFlag() override { return edition; }
    int edition = 0;
};

// A window-less application of 800 x 480 whose drawing goes nowhere, with a resource manager:
// the pop-ups the registered factory makes are real, and end with it, before the session it
// owns (ownsSession); a session or language it was lent stays the test's.
class PopupApp : public COrlogateApplication {
public:
    PopupApp()
    {
        m_gameState = &game;
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
    }
    ~PopupApp() override
    {
        for (COrloNotification** p :
             {(COrloNotification**)&m_advertisement, (COrloNotification**)&m_toast}) {
            if (*p) {
                (*p)->Release();
                delete *p;
                *p = nullptr;
            }
        }
        if (m_session && ownsSession) {
            m_session->Shutdown();
            delete m_session;
        }
        m_session = nullptr;
        m_language = nullptr;
        m_gameState = nullptr;
        ReleaseAll();
    }
    COrloAdvertisement* Advert() { return dynamic_cast<COrloAdvertisement*>(m_advertisement); }
    EditionGame game;
    bool ownsSession = false;
};

// An application without a window: records redirects and chat lines.
class SessionApp : public COrlogateApplication {
public:
    SessionApp() { m_gameState = &game; }
    ~SessionApp() override
    {
        m_gameState = nullptr;
        DeleteRetiredSessions();
    }
    void Reconnect(const CVortanString& host, int port) override
    {
        redirects.push_back(VortanUTF8Of(host) + ":" + std::to_string(port));
    }
    void OnChatMessage(const COrloChatRecord& record, bool incoming) override
    {
        chat.push_back(std::to_string(record.kind) + (incoming ? "<" : ">") +
                       VortanUTF8Of(record.text));
    }
    void SetSession(IOrloNetworkSession* session) { m_session = session; }
    void DropRetired() { DeleteRetiredSessions(); }
    int RetiredCount() const { return m_retiredSessions.GetCount(); }

    SecretGame game;
    std::vector<std::string> redirects;
    std::vector<std::string> chat;
};

// Records every status, lobby and game call it gets, as text.
class SessionLog : public IOrloNetworkSession::StatusObserver,
                   public IOrloNetworkSession::LobbyObserver,
                   public IOrloNetworkSession::GameObserver,
                   public COrloNetworkSession::LoginObserver {
public:
    void OnLobbyStateChanged(IOrloNetworkSession*, int state) override
    {
        Note("lobby " + std::to_string(state));
    }
    void OnGameStateChanged(IOrloNetworkSession*, int state) override
    {
        Note("game " + std::to_string(state));
    }
    void OnNotification(IOrloNetworkSession*, int kind, int value,
                        const CVortanString& text) override
    {
        notes.push_back(VortanUTF8Of(text));
        Note("note " + std::to_string(kind) + " " + std::to_string(value));
    }
    void OnPlayerListUpdate(IOrloNetworkSession*, int a, int b, int c) override
    {
        Note("list " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
    }
    void OnChallengeReceived(IOrloNetworkSession*, int id, const CVortanString& name,
                             const CVortanString&, int, int) override
    {
        Note("challenge " + std::to_string(id) + " " + VortanUTF8Of(name));
    }
    void OnGameData(IOrloNetworkSession*, const u8* bytes, int length) override
    {
        gameData.push_back(std::vector<u8>(bytes, bytes + length));
        Note("data " + std::to_string(length));
    }
    void OnGameStart(IOrloNetworkSession*, int own, int flag) override
    {
        Note("start " + std::to_string(own) + " " + std::to_string(flag));
    }
    void OnPlayerLeft(IOrloNetworkSession*, int id) override { Note("left " + std::to_string(id)); }
    void OnConnectRefused(COrloNetworkSession*, const CVortanString& text) override
    {
        Note("refused " + VortanUTF8Of(text));
    }
    void OnLoginError(COrloNetworkSession*, const CVortanString& text) override
    {
        Note("error " + VortanUTF8Of(text));
    }
    void OnLoginChallenge(COrloNetworkSession*, const CVortanString& challenge) override
    {
        Note("challenge-text " + VortanUTF8Of(challenge));
    }
    void OnLoginSuccess(COrloNetworkSession*, int id, const CVortanString& name,
                        const CVortanString& token, const CVortanString&, const CVortanString&,
                        int) override
    {
        Note("success " + std::to_string(id) + " " + VortanUTF8Of(name) + " " +
             VortanUTF8Of(token));
    }
    void OnConfirmUserNameAck(COrloNetworkSession*, int result, const CVortanString& text) override
    {
        Note("name " + std::to_string(result) + " " + VortanUTF8Of(text));
    }
    void OnConfirmEmailAck(COrloNetworkSession*, int result, const CVortanString& text) override
    {
        Note("account " + std::to_string(result) + " " + VortanUTF8Of(text));
    }
    void Note(const std::string& line) { events.push_back(line); }
    bool Has(const std::string& line) const
    {
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i] == line)
                return true;
        }
        return false;
    }

    std::vector<std::string> events;
    std::vector<std::string> notes;
    std::vector<std::vector<u8>> gameData;
};

// A session on a windowless application, logged to `log`, whose lobby is a loopback peer.
class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("HOME", home.Path().c_str(), 1);
        session = new COrloNetworkSession();
        ASSERT_EQ(VORTAN_OK, session->Init(&app, &log));
        session->AddLobbyObserver(&log);
        session->AddGameObserver(&log);
        app.SetSession(session);
    }
    void TearDown() override
    {
        if (peer >= 0)
            close(peer);
        app.SetSession(nullptr);
        delete session;
    }
    // Connects the lobby to the listener and reads the connect request.
    void ConnectLobby()
    {
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, &log));
        peer = lobby.Accept();
        ASSERT_GE(peer, 0);
        ASSERT_EQ(1, session->GetStatus() & 0xFF);
        std::vector<std::vector<u8>> first = Receive(1);
        ASSERT_EQ(1u, first.size());
        ASSERT_EQ(0, TagOf(first[0]));
        connectRequest = first[0];
    }
    // One frame: both engines, then the session's update.
    void Frame(float dt = 0.016f)
    {
        if (session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(dt);
        if (session->GetGameEngine())
            session->GetGameEngine()->Run(dt);
        session->Update(dt);
    }
    bool FrameUntil(const std::function<bool()>& condition)
    {
        return vtest::WaitUntil([&]() {
            Frame();
            return condition();
        });
    }
    // The next `count` whole messages the lobby peer (or the given one) receives; frames run
    // meanwhile.
    std::vector<std::vector<u8>> Receive(size_t count, int fd = -1)
    {
        if (fd < 0)
            fd = peer;
        std::vector<std::vector<u8>> out;
        vtest::WaitUntil([&]() {
            Frame();
            ReadSome(fd, &stream[fd == peer ? 0 : 1], 2);
            std::vector<std::vector<u8>> got = SplitMessages(stream[fd == peer ? 0 : 1]);
            out.insert(out.end(), got.begin(), got.end());
            return out.size() >= count;
        });
        return out;
    }
    void Serve(const std::vector<u8>& message, int fd = -1)
    {
        WriteAll(fd < 0 ? peer : fd, message);
    }

    vtest::TempDir home;
    SessionApp app;
    SessionLog log;
    COrloNetworkSession* session = nullptr;
    Listener lobby;
    int peer = -1;
    std::vector<u8> stream[2];
    std::vector<u8> connectRequest;
};

} // namespace ntest
