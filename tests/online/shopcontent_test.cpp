// The game content item list: content groups and items from a loopback lobby through the
// application to the online menu, the chunked requests, and shop done or game ready once.
#include "tests/online/SentFields.h"
#include "tests/online/ShopTestSupport.h"

namespace {

using stest::Ber;
using stest::TagOf;
typedef stest::ShopFixture ShopContentTest;

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
    // 1, the game id 77, the two players of the start, its match flag 0, the own id (none: not
    // logged in), game 64 and the client's version text.
    EXPECT_EQ("46: [0]=1 [1]=77 [2]=2 [3]=0 [4]=-1 [5]=64 [6]='2.05'",
              sentfields::Fields(ready[0], "iLiiiit"));
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
