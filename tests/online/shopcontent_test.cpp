// The game content item list: content groups and items from a loopback lobby through the
// application to the online menu, the chunked requests, and shop done or game ready once.
#include <gtest/gtest.h>

#include "online/menu/OrloMenuState.h"
#include "tests/online/LoginTestSupport.h"

namespace {

using ntest::Ber;
using ntest::TagOf;

// A windowless application whose online menu is a real COrloMenuState (no widget tree).
class ShopApp : public ntest::LoginApp {
public:
    // The menu owns and deletes the game it hosts.
    ShopApp() { m_gameState = new ntest::SecretGame(); }
    void SetMenu(IOrloMenuState* menu) { m_menu = menu; }
};

class ShopContentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("HOME", home.Path().c_str(), 1);
        app = new ShopApp();
        session = new COrloNetworkSession();
        ASSERT_EQ(VORTAN_OK, session->Init(app, app));
        session->AddLobbyObserver(app);
        app->SetSession(session);
        menu = new COrloMenuState();
        ASSERT_EQ(VORTAN_OK, menu->Init(app));
        app->SetMenu(menu);
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, &log));
        peer = lobby.Accept();
        ASSERT_GE(peer, 0);
        ASSERT_EQ(0, TagOf(Receive(1)[0]));
    }
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
        Serve(Ber(12)
                  .Int(0, 77)
                  .List(1, {Ber(0).Int(0, 1).Text(1, "A"), Ber(0).Int(0, 2).Text(1, "B")})
                  .Int(2, 0)
                  .Int(3, 0)
                  .Text(4, "127.0.0.1:" + std::to_string(gameServer.port))
                  .Int(5, 0)
                  .Build());
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

TEST_F(ShopContentTest, OwnedContentArrivesInChunksOfAHundredAndEndsWithShopDoneOnce)
{
    // 150 + 80 items announced; the last group's count is the server's own business.
    Serve(Groups(512, {Group(600, 150, 7), Group(601, 80)}));
    ASSERT_EQ(Request(512, 100, 0), Receive(1)[0]);
    EXPECT_EQ(230, menu->GetContentExpected());

    std::vector<Ber> chunk;
    for (int i = 0; i < 100; ++i)
        chunk.push_back(Item(1000 + i, 600, 1, i & 1, 40 + i, 1));
    Serve(Items(512, 0, chunk));
    ASSERT_EQ(Request(512, 100, 100), Receive(1)[0]);
    Serve(Items(512, 100, chunk));
    ASSERT_EQ(Request(512, 100, 200), Receive(1)[0]);
    // The last 30, one of a group never announced.
    chunk.erase(chunk.begin() + 29, chunk.end());
    chunk.push_back(Item(5, 999, 3, 1, 8, 2));
    Serve(Items(512, 200, chunk));
    std::vector<std::vector<u8>> got = Receive(1);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Ber(94).Build(), got[0]);
    EXPECT_EQ(0, menu->GetContentExpected());

    std::vector<std::vector<int>> entries = Entries();
    ASSERT_EQ(230u, entries.size());
    EXPECT_EQ((std::vector<int>{0, 1000, 1, 40, 150, 1, 7}), entries[0]);
    EXPECT_EQ((std::vector<int>{1, 1001, 1, 41, 150, 1, 7}), entries[101]);
    EXPECT_EQ((std::vector<int>{1, 5, 3, 8, -1, 2, 0}), entries[229]);

    // A late repeat of the last chunk neither adds items nor ends the list again.
    Serve(Items(512, 200, chunk));
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(230u, Entries().size());
}

TEST_F(ShopContentTest, MatchContentEndsWithGameReadyOnTheGameConnection)
{
    ConnectGame();
    // A group list with nothing switched on: one request, an empty answer, game ready.
    Serve(Groups(1024, {}));
    ASSERT_EQ(Request(1024, 100, 0), Receive(1)[0]);
    Serve(Items(1024, 0, {}));
    std::vector<std::vector<u8>> ready = Receive(1, game);
    ASSERT_EQ(1u, ready.size());
    EXPECT_EQ(46, TagOf(ready[0]));
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(Quiet().empty());

    // The next match's list replaces the item list: a hat switched on.
    Serve(Groups(1024, {Group(1100, 1, 3)}));
    ASSERT_EQ(Request(1024, 100, 0), Receive(1)[0]);
    Serve(Items(1024, 0, {Item(31, 1100, 1, 1, 31, 1)}));
    ready = Receive(1, game);
    ASSERT_EQ(1u, ready.size());
    EXPECT_EQ(46, TagOf(ready[0]));
    EXPECT_EQ((std::vector<std::vector<int>>{{1, 31, 1, 31, 1, 1, 3}}), Entries());
}

TEST_F(ShopContentTest, AnEmptyAnswerEndsTheListAndHostileCountsStayBounded)
{
    // Counts that overflow an int when summed, and a negative one.
    Serve(Groups(512 + 7, {Group(1, 0x7FFFFFFF), Group(2, 0x7FFFFFFF), Group(3, -5)}));
    ASSERT_EQ(Request(519, 100, 0), Receive(1)[0]);
    EXPECT_EQ(COrloMenuState::CONTENT_ITEMS_MAX, menu->GetContentExpected());
    // Fewer than announced, then an empty answer: the list ends, no request for ever.
    Serve(Items(519, 0, {Item(1, 1, 1, 1, 1, 1)}));
    ASSERT_EQ(Request(519, 100, 1), Receive(1)[0]);
    Serve(Items(519, 1, {}));
    EXPECT_EQ(Ber(94).Build(), Receive(1)[0]);
    EXPECT_EQ(1u, Entries().size());

    // A far first index ends the list at once.
    Serve(Groups(512, {Group(1, 50)}));
    ASSERT_EQ(Request(512, 100, 0), Receive(1)[0]);
    Serve(Items(512, 0x7FFFFFF0, {Item(1, 1, 1, 1, 1, 1)}));
    EXPECT_EQ(Ber(94).Build(), Receive(1)[0]);

    // Items past the cap are dropped and the list ends when it is full.
    Serve(Groups(512, {Group(1, 0x7FFFFFFF)}));
    ASSERT_EQ(Request(512, 100, 0), Receive(1)[0]);
    std::vector<Ber> many;
    for (int i = 0; i < COrloMenuState::CONTENT_ITEMS_MAX + 50; ++i)
        many.push_back(Item(i + 1, 1, 1, 1, 1, 1));
    Serve(Items(512, 0, many));
    EXPECT_EQ(Ber(94).Build(), Receive(1)[0]);
    EXPECT_EQ((size_t)COrloMenuState::CONTENT_ITEMS_MAX, Entries().size());

    // Answers for a list never announced, and shop lists, leave the item list alone.
    Serve(Items(1024, 0, {Item(1, 1, 1, 1, 1, 1)}));
    Serve(Groups(0, {Group(1, 3)}));
    Serve(Items(0, 0, {Item(1, 1, 1, 1, 1, 1)}));
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ((size_t)COrloMenuState::CONTENT_ITEMS_MAX, Entries().size());
}

} // namespace
