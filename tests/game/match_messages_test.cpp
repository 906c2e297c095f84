// The match messages: every type's bytes against the catalogue script's struct layouts, read
// back field for field; the size, timing and send table; writers that need room; the header
// seq of a posted message; the GameOver send rule, the RoundResult winner
// byte, and Equipment from the player's items and from the application's menu data.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>

#include "game/VexGameContext.h"
#include "game/VexMatchMessages.h"
#include "platform/OrloNetConnectionInterface.h"
#include "platform/OrloNetworkSessionInterface.h"
#include "platform/OrloOnlineFactoryInterface.h"
#include "platform/OrlogateApplication.h"
#include "tests/game/MatchMessageSamples.h"
#include "tests/platform/OnlineStubs.h"

using mtest::Fields;
using mtest::Sample;

namespace {

TEST(MatchMessages, EveryTypeWritesTheCatalogueBytesAndReadsThemBack)
{
    std::vector<Sample> samples = mtest::AllSamples();
    std::string input;
    for (size_t i = 0; i < samples.size(); ++i)
        input += mtest::CatalogueLine(samples[i], 1000 + (u32)i, i % 2 ? -1 : 33 * (i32)i) + "\n";
    std::vector<std::string> expected = mtest::RunCatalogue(input);
    ASSERT_EQ(samples.size(), expected.size()) << "the catalogue script did not run";

    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        SCOPED_TRACE(s.name);
        u8 bytes[128];
        memset(bytes, 0xA5, sizeof bytes);
        u32 written = s.write(1000 + (u32)i, i % 2 ? -1 : 33 * (i32)i, bytes, sizeof bytes);
        EXPECT_EQ(s.size, written);
        EXPECT_EQ(expected[i], mtest::Hex(bytes, written));
        EXPECT_EQ(0xA5, bytes[written]) << "written past the message";

        // The script's bytes read back as the fields they were made from.
        std::vector<u8> theirs = mtest::FromHex(expected[i]);
        Fields read;
        ASSERT_EQ(VORTAN_OK, s.read(theirs.data(), (u32)theirs.size(), &read));
        EXPECT_EQ(s.fields, read);
        CVexMessageHeader header;
        ASSERT_EQ(VORTAN_OK, VexReadHeader(theirs.data(), (u32)theirs.size(), header));
        EXPECT_EQ(s.type, header.type);
        EXPECT_EQ(1000 + i, header.seq);
        EXPECT_EQ(i % 2 ? -1 : 33 * (i32)i, header.executeAt);
    }
}

TEST(MatchMessages, SizesTimingAndSendFlagsFollowTheCatalogue)
{
    std::vector<std::string> table = mtest::RunCatalogue("table\n");
    std::vector<Sample> samples = mtest::AllSamples();
    ASSERT_EQ(samples.size(), table.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        std::istringstream row(table[i]);
        std::string name;
        u32 type, size;
        int timed, send;
        row >> name >> type >> size >> timed >> send;
        SCOPED_TRACE(name);
        EXPECT_EQ(name, samples[i].name);
        EXPECT_EQ(type, samples[i].type);
        EXPECT_EQ(size, samples[i].size);
        EXPECT_EQ(timed, samples[i].timed);
        EXPECT_EQ(send, samples[i].send);
        EXPECT_EQ(size, VexMessageSize(type));
        // Exactly the timed types travel in batches.
        EXPECT_EQ(timed ? size : 0u, VexBatchEntrySize(type));
    }
    // Numbers that are no type, and the batch, have no fixed size.
    for (u32 type : {0u, 2u, 43u, 69u, 78u, 99u, 255u, 256u + 5u})
        EXPECT_EQ(0u, VexMessageSize(type)) << type;
}

// Which bytes each reader takes is put to every truncation and type byte by the hostile
// input test; here the writers' side and the null cases.
TEST(MatchMessages, WritersNeedRoomAndReadersNeedBytes)
{
    for (const Sample& s : mtest::AllSamples()) {
        SCOPED_TRACE(s.name);
        u8 small[64];
        memset(small, 0x5A, sizeof small);
        EXPECT_EQ(0u, s.write(5, -1, small, s.size - 1));
        EXPECT_EQ(0x5A, small[0]);
        EXPECT_EQ(VORTAN_E_MALFORMED, s.read(nullptr, s.size, nullptr));
        // A longer record is read by its first bytes; the header's upper type bytes are not
        // looked at.
        u8 bytes[128] = {};
        ASSERT_EQ(s.size, s.write(5, -1, bytes, sizeof bytes));
        bytes[1] = 0xFF;
        bytes[3] = 0x7F;
        EXPECT_EQ(VORTAN_OK, s.read(bytes, sizeof bytes, nullptr));
    }
    CVexMessageHeader header;
    u8 eleven[11] = {5};
    EXPECT_EQ(VORTAN_E_MALFORMED, VexReadHeader(eleven, 11, header));
    CVexMsgReady ready;
    EXPECT_EQ(VORTAN_E_ARGUMENT, VexReadMessage((const CVexMessage*)nullptr, ready));
}

TEST(MatchMessages, APostedMessageCarriesTheCounterPlusOne)
{
    CVexGameContext game;
    game.SetSequence(41);
    CVexMessageQueue execution(&game);
    CVexMessage* record = VexPostMessage(execution, CVexMsgNextTurn{1}, -1, 1);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(41u, record->seq);
    EXPECT_EQ(42u, game.GetSequence());
    EXPECT_EQ(VEX_MSG_NEXT_TURN, record->type);
    EXPECT_EQ(16u, record->size);
    EXPECT_EQ(1, record->send);
    EXPECT_EQ(-1, record->executeAt);
    CVexMessageHeader header;
    ASSERT_EQ(VORTAN_OK, VexReadHeader(record->payload, record->size, header));
    EXPECT_EQ(game.GetSequence(), header.seq);
    EXPECT_EQ(record->seq + 1, header.seq);

    // A timed one carries its game time in the header only; the record's own execute-at
    // stays -1 until a receive path sets it.
    record = VexPostMessage(execution, CVexMsgPhysicsSwitch{1}, 1234, 1);
    ASSERT_EQ(VORTAN_OK, VexReadHeader(record->payload, record->size, header));
    EXPECT_EQ(1234, header.executeAt);
    EXPECT_EQ(43u, header.seq);
    EXPECT_EQ(-1, record->executeAt);

    // The counter wraps like any u32.
    game.SetSequence(0xFFFFFFFFu);
    record = VexPostMessage(execution, CVexMsgReady{0}, -1, 1);
    ASSERT_EQ(VORTAN_OK, VexReadHeader(record->payload, record->size, header));
    EXPECT_EQ(0xFFFFFFFFu, record->seq);
    EXPECT_EQ(0u, header.seq);
    EXPECT_EQ(0u, game.GetSequence());
}

TEST(MatchMessages, GameOverStaysLocalWhenAPlayerLeftOrGaveUp)
{
    CVexMsgGameOver over = {0, 1, 0, 0, 0};
    const int expected[] = {1, 0, 0, 1, 1};
    for (u8 reason = 0; reason < 5; ++reason) {
        over.reason = reason;
        EXPECT_EQ(expected[reason], over.SendFlag()) << (int)reason;
    }
}

TEST(MatchMessages, TheRoundWinnerIsTheLowByteOfItsWord)
{
    u8 bytes[16];
    VexWriteMessage(CVexMsgRoundResult{0x101}, 1, -1, bytes, sizeof bytes);
    EXPECT_EQ(0x01, bytes[13]); // written whole
    CVexMsgRoundResult read;
    ASSERT_EQ(VORTAN_OK, VexReadMessage(bytes, sizeof bytes, read));
    EXPECT_EQ(1u, read.winner);
}

// Item entries of seven words as the online menu lists them.
class ItemList {
public:
    ~ItemList()
    {
        for (int i = 0; i < items.GetCount(); ++i)
            delete[](i32*) items.GetAt(i);
        items.RemoveAll();
    }
    // An entry {enabled, item id, count, data id, group's count, description, group value}.
    void Add(i32 item, i32 count, i32 dataId, i32 description)
    {
        i32* words = new i32[7]{-96, item, count, dataId, -99, description, -97};
        items.Add(words);
    }
    CVortanPtrArray items;
};

TEST(MatchMessages, EquipmentTakesTheFirstFourCountingItems)
{
    ItemList list;
    list.Add(1, 11, 300, 1);  // counts
    list.Add(0, 12, 301, 1);  // no item id
    list.Add(1, 0, 302, 1);   // none left
    list.Add(1, -5, 303, 1);  // a negative count
    list.Add(1, 13, 304, 0);  // description number below 1
    list.Add(2, 14, 305, 7);  // counts
    list.items.Add(nullptr);  // stepped over
    list.Add(-1, 15, 306, 2); // counts
    list.Add(1, 16, 307, 1);  // counts
    list.Add(1, 17, 308, 1);  // a fifth: left out

    CVexMsgEquipment equipment;
    equipment.FillFromItems(1, &list.items);
    EXPECT_EQ(1, equipment.ownSide);
    ASSERT_EQ(4, equipment.count);
    const u32 first[] = {1, 2, 0xFFFFFFFFu, 1}, fifth[] = {1, 7, 2, 1},
              third[] = {300, 305, 306, 307};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(first[i], equipment.first[i]) << i;
        EXPECT_EQ(fifth[i], equipment.fifth[i]) << i;
        EXPECT_EQ(third[i], equipment.third[i]) << i;
    }

    // No list, or nothing that counts: count 0 is a valid message.
    equipment.FillFromItems(0, nullptr);
    EXPECT_EQ(0, equipment.count);
    u8 bytes[64];
    ASSERT_EQ(64u, VexWriteMessage(equipment, 1, -1, bytes, sizeof bytes));
    for (int i = 13; i < 64; ++i)
        EXPECT_EQ(0, bytes[i]) << i;
}

TEST(MatchMessages, AnEquipmentCountAboveFourIsReadAsFour)
{
    CVexMsgEquipment sent = {0, 4, {1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    u8 bytes[64];
    ASSERT_EQ(64u, VexWriteMessage(sent, 1, -1, bytes, sizeof bytes));
    for (u8 count : {5, 200, 255}) {
        bytes[13] = count;
        CVexMsgEquipment read;
        ASSERT_EQ(VORTAN_OK, VexReadMessage(bytes, sizeof bytes, read));
        EXPECT_EQ(4, read.count);
        EXPECT_EQ(mtest::FieldsOf(sent), mtest::FieldsOf(read));
    }
    // A count below four leaves the slots past it empty, whatever their bytes say.
    bytes[13] = 2;
    CVexMsgEquipment read;
    ASSERT_EQ(VORTAN_OK, VexReadMessage(bytes, sizeof bytes, read));
    EXPECT_EQ(2u, read.first[1]);
    EXPECT_EQ(10u, read.third[1]);
    EXPECT_EQ(0u, read.first[2]);
    EXPECT_EQ(0u, read.third[3]);
    // And a writer given a count above four writes four.
    sent.count = 9;
    ASSERT_EQ(64u, VexWriteMessage(sent, 1, -1, bytes, sizeof bytes));
    EXPECT_EQ(4, bytes[13]);
}

// The online part of an application with a menu whose item list the test fills.
class NullConnection : public IOrloNetConnection {
public:
    int Open() override { return 1; }
    void Close() override {}
    int EnsureConnected() override { return 1; }
};

class ItemMenuFactory : public IOrloOnlineFactory {
public:
    IOrloNetConnection* CreateNetConnection() override { return new NullConnection(); }
    IOrloNetworkSession* CreateNetworkSession() override { return new ptest::SessionStub(); }
    IOrloMenuState* CreateMenuState() override
    {
        menu = new ptest::MenuStateStub();
        return menu;
    }
    IOrloToastNotification* CreateToastNotification() override { return nullptr; }
    IOrloAdvertisement* CreateAdvertisement() override { return nullptr; }
    IOrloAchievementStation* CreateAchievementStation() override { return nullptr; }
    ptest::MenuStateStub* menu = nullptr;
};

TEST(MatchMessages, EquipmentComesFromTheApplicationsMenuData)
{
    unsetenv("DISPLAY");
    ItemMenuFactory factory;
    COrlogateApplication::RegisterOnlineFactory(&factory);
    {
        COrlogateApplication app;
        CVexMsgEquipment equipment;
        // Before the online menu exists there are no items.
        equipment.FillFromMenuData(1, &app);
        EXPECT_EQ(0, equipment.count);

        ASSERT_EQ(VORTAN_OK, app.CreateSessionAndMenu());
        ASSERT_NE(nullptr, factory.menu);
        i32 a[7] = {1, 1, 21, 500, 0, 3, 0}, b[7] = {1, 1, 22, 501, 0, 0, 0},
            c[7] = {1, 5, 23, 502, 0, 1, 0};
        factory.menu->items.Add(a);
        factory.menu->items.Add(b);
        factory.menu->items.Add(c);
        equipment.FillFromMenuData(0, &app);
        EXPECT_EQ(0, equipment.ownSide);
        ASSERT_EQ(2, equipment.count);
        EXPECT_EQ(
            (Fields{"0", "2", "1", "5", "0", "0", "3", "1", "0", "0", "500", "502", "0", "0"}),
            mtest::FieldsOf(equipment));
        factory.menu->items.RemoveAll();
        app.OnExit();
    }
    COrlogateApplication::RegisterOnlineFactory(nullptr);
}

} // namespace
