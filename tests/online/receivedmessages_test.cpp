// The class-decoded received messages: field order, field numbers past the message, preset
// defaults, and lists held to their own and their records' lengths.
#include <gtest/gtest.h>

#include <vector>

#include "tests/online/ProtocolCodec.h"

namespace {

using ptest::FromHex;

int Decode(CASN1_Message& message, const std::vector<u8>& octets)
{
    return message.Decode(octets.data(), (int)octets.size());
}

TEST(ReceivedMessages, AFieldNumberAtTheCountFailsKeepingTheFieldsBefore)
{
    i32 kind = -1, id = 77;
    CVortanString line = "keep";
    CASN1ChatMessage chat(&kind, &line, &id);
    EXPECT_EQ(0, Decode(chat, FromHex("bf4006800102830107")));
    EXPECT_EQ(2, kind);
    EXPECT_EQ(77, id);
    // Another tag touches nothing.
    kind = -1;
    EXPECT_EQ(0, Decode(chat, FromHex("bf4103800102")));
    EXPECT_EQ(-1, kind);
}

TEST(ReceivedMessages, MissingFieldsKeepThePresetDefaults)
{
    i32 result = -1, item = 77;
    CVortanString text = "preset";
    CASN1ConfirmBuyItemResponse response(&result, &item, &text);
    EXPECT_EQ(8, Decode(response, FromHex("bf690580010082"
                                          "00")));
    EXPECT_EQ(0, result);
    EXPECT_EQ(77, item);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(ReceivedMessages, RecordListsAreHeldToTheirLengths)
{
    CVortanArray<SLanguageInfo> languages;
    CASN1AvailableLanguagesList list(&languages);
    // One record: [0] "A", [1] "", [2] "", [3] 5.
    EXPECT_EQ(16, Decode(list, FromHex("bd0e800c300a80014181008200830105")));
    ASSERT_EQ(1, languages.GetSize());
    EXPECT_TRUE(languages[0].code == CVortanString("A"));
    EXPECT_EQ(5, languages[0].value);
    // The same fields under a record length of 3: the decoder stops at its record's end.
    EXPECT_EQ(0, Decode(list, FromHex("bd0e800c3003800141810082008301"
                                      "00")));
    EXPECT_EQ(0, languages.GetSize());
    // A record longer than its list.
    EXPECT_EQ(0, Decode(list, FromHex("bd0e8005300a80014181008200830105")));
    // A wrong element octet: the list is emptied first all the same.
    languages.SetAtGrow(0, SLanguageInfo());
    languages.SetAtGrow(1, SLanguageInfo());
    EXPECT_EQ(0, Decode(list, FromHex("bd05800331"
                                      "0100")));
    EXPECT_EQ(0, languages.GetSize());
}

TEST(ReceivedMessages, IntegerListElementsStayInsideTheList)
{
    CVortanString t0, t1, t6, t8, t9;
    u8* image = nullptr;
    i32 length = 0, v3 = 0, v4 = 0, v7 = 0;
    CVortanArray<i32> values;
    CASN1AdvertisementInfo info(&t0, &t1, &image, &length, &v3, &v4, &values, &t6, &v7, &t8, &t9);
    // [5] of four octets whose one element claims four content octets.
    EXPECT_EQ(0, Decode(info, FromHex("bf500885040204000000"
                                      "0000")));
    EXPECT_EQ(0, values.GetSize());
    EXPECT_EQ(8, Decode(info, FromHex("bf500585030201"
                                      "07")));
    ASSERT_EQ(1, values.GetSize());
    EXPECT_EQ(7, values[0]);
    delete[] image;
}

TEST(ReceivedMessages, PlayerListItemGroupIsEightIntsUnderItsOwnLength)
{
    // A record of [0] 9, five empty texts and the flags, then the group A7 with [0] 1 .. [7] 8
    // and one more int inside it that is skipped.
    std::string group;
    for (int i = 0; i < 8; ++i) {
        char field[8];
        snprintf(field, sizeof(field), "%02x01%02x", 0x80 | i, i + 1);
        group += field;
    }
    group += "880109";
    const std::string record = "800109810082008300840085010386"
                               "00a71b" +
                               group;
    char header[16];
    snprintf(header, sizeof(header), "30%02x", (unsigned)record.size() / 2);
    const std::string list = header + record;
    char message[32];
    snprintf(message, sizeof(message), "b4%02x83%02x", (unsigned)list.size() / 2 + 2,
             (unsigned)list.size() / 2);
    i32 v0 = -1, first = -1, selector = 0;
    CVortanArray<SPlayerListItem> players;
    CVortanArray<SGroupListItem> groups;
    CASN1PlayerList playerList(&v0, &first, &selector, &players, &groups);
    const std::vector<u8> octets = FromHex(message + list);
    EXPECT_EQ((int)octets.size(), Decode(playerList, octets));
    ASSERT_EQ(1, players.GetSize());
    EXPECT_EQ(9, players[0].id);
    EXPECT_EQ(3, players[0].flags);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(i + 1, players[0].group[i]);
}

} // namespace
