// The shop tests' fixture: a windowless application with a real online menu (no widget tree)
// whose lobby (and game server) is a loopback peer, and BER writers of the shop's messages.
#pragma once
#include <gtest/gtest.h>

#include "online/menu/OrloMenuState.h"
#include "platform/OrloLanguage.h"
#include "tests/online/LoginTestSupport.h"
#include "tests/support/TestSupport.h"

namespace stest {

using ntest::Ber;
using ntest::TagOf;

// A windowless application whose online menu is a real COrloMenuState (no widget tree).
class ShopApp : public ntest::LoginApp {
public:
    // The menu owns and deletes the game it hosts.
    ShopApp() { m_gameState = new ntest::SecretGame(); }
    void SetMenu(IOrloMenuState* menu) { m_menu = menu; }
    // The program's English texts, from the built pack copied into the user data folder.
    bool LoadLanguage()
    {
        CVortanString path;
        if (GetUserDataPath(path, CVortanString("orlolanguage_0000.dmp")) != VORTAN_OK)
            return false;
        const std::string bytes =
            vtest::ReadWholeFile(vtest::BinaryDir() + "/orlolanguage_0000.dmp");
        if (bytes.empty() || !vtest::WriteWholeFile(VortanUTF8Of(path), bytes))
            return false;
        m_language = new COrloLanguage();
        return m_language->Init(this, CVortanString("orlolanguage")) == VORTAN_OK;
    }
};

class ShopFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("HOME", home.Path().c_str(), 1);
        app = new ShopApp();
        session = new COrloNetworkSession();
        ASSERT_EQ(VORTAN_OK, session->Init(app, app));
        session->AddLobbyObserver(app);
        app->SetSession(session);
        menu = MakeMenu();
        ASSERT_EQ(VORTAN_OK, menu->Init(app));
        app->SetMenu(menu);
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, &log));
        peer = lobby.Accept();
        ASSERT_GE(peer, 0);
        ASSERT_EQ(0, TagOf(Receive(1)[0]));
    }
    // The menu under test (a test's own kind of menu may be made here).
    virtual COrloMenuState* MakeMenu() { return new COrloMenuState(); }
    void TearDown() override
    {
        if (peer >= 0)
            close(peer);
        if (game >= 0)
            close(game);
        app->SetMenu(nullptr);
        delete menu;
        delete app; // shuts the session down
    }
    void Frame()
    {
        if (session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(0.016f);
        if (session->GetGameEngine())
            session->GetGameEngine()->Run(0.016f);
        session->Update(0.016f);
        menu->Update(0.016f);
    }
    // The next `count` whole messages the peer (lobby or game) receives.
    std::vector<std::vector<u8>> Receive(size_t count, int fd = -1)
    {
        if (fd < 0)
            fd = peer;
        std::vector<u8>& stream = streams[fd == peer ? 0 : 1];
        std::vector<std::vector<u8>> out;
        vtest::WaitUntil([&]() {
            Frame();
            ntest::ReadSome(fd, &stream, 2);
            std::vector<std::vector<u8>> got = ntest::SplitMessages(stream);
            out.insert(out.end(), got.begin(), got.end());
            return out.size() >= count;
        });
        return out;
    }
    // What the peer receives within a few frames (nothing is expected).
    std::vector<std::vector<u8>> Quiet(int fd = -1)
    {
        if (fd < 0)
            fd = peer;
        std::vector<u8>& stream = streams[fd == peer ? 0 : 1];
        for (int i = 0; i < 20; ++i) {
            Frame();
            ntest::ReadSome(fd, &stream, 2);
        }
        return ntest::SplitMessages(stream);
    }
    void Serve(const std::vector<u8>& message) { ntest::WriteAll(peer, message); }
    // A list field as the lobby writes it: a primitive field holding the records, each under
    // the universal sequence octet.
    static Ber& ListOf(Ber& message, int field, const std::vector<Ber>& records)
    {
        std::vector<u8> content;
        for (const Ber& record : records) {
            std::vector<u8> octets = record.Build();
            octets[0] = 0x30;
            content.insert(content.end(), octets.begin(), octets.end());
        }
        return message.Bytes(field, content);
    }
    static std::vector<u8> Groups(int parent, const std::vector<Ber>& groups)
    {
        Ber message(93);
        return ListOf(message.Int(0, parent), 1, groups).Build();
    }
    static std::vector<u8> Items(int group, int first, const std::vector<Ber>& items)
    {
        Ber message(97);
        return ListOf(message.Int(0, group).Int(1, first), 2, items).Build();
    }
    static Ber Group(int id, int count, int value3 = 0)
    {
        return Ber(0).Int(0, id).Text(1, "g").Int(2, 2).Int(3, value3).Int(4, 0).Int(5, count);
    }
    // An item {id, group, count, enabled, data id, last int}.
    static Ber Item(int id, int group, int count, int enabled, int dataId, int last)
    {
        return Ber(0)
            .Int(0, id)
            .Text(1, "item")
            .Text(2, "short")
            .Text(3, "full")
            .Int(4, 10)
            .Int(5, 9)
            .Int(6, 8)
            .Int(7, group)
            .Int(8, 0)
            .Int(9, count)
            .Int(10, 0)
            .Int(11, enabled)
            .Int(12, dataId)
            .Text(13, "")
            .Int(14, last);
    }
    static std::vector<u8> Request(int group, int count, int first)
    {
        return Ber(96).Int(0, group).Int(1, count).Int(2, first).Build();
    }
    std::vector<std::vector<int>> Entries() const
    {
        std::vector<std::vector<int>> out;
        CVortanPtrArray* list = menu->GetItemList();
        for (int i = 0; i < list->GetCount(); ++i) {
            const i32* words = (const i32*)list->GetAt(i);
            out.push_back(std::vector<int>(words, words + 7));
        }
        return out;
    }
    // Brings the game connection up (the lobby peer then gets client state 1025).
    void ConnectGame()
    {
        Serve(ntest::GameBegin(77, {Ber(0).Int(0, 1).Text(1, "A"), Ber(0).Int(0, 2).Text(1, "B")},
                               0, gameServer.port));
        ASSERT_TRUE(vtest::WaitUntil([&]() {
            Frame();
            return (session->GetStatus() & 0x100) != 0;
        }));
        game = gameServer.Accept();
        ASSERT_GE(game, 0);
        ASSERT_EQ(Ber(92).Int(0, 1025).Build(), Receive(1)[0]);
    }

    vtest::TempDir home;
    ShopApp* app = nullptr;
    COrloNetworkSession* session = nullptr;
    COrloMenuState* menu = nullptr;
    ntest::SessionLog log;
    ntest::Listener lobby;
    ntest::Listener gameServer;
    int peer = -1;
    int game = -1;
    std::vector<u8> streams[2];
};

} // namespace stest
