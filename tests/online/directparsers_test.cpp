// The direct parsers and shape decoders: compared field numbers, optional trailing fields, the
// player record's direct form and the shape decoders' field class.
#include <gtest/gtest.h>

#include <vector>

#include "tests/online/ProtocolCodec.h"

namespace {

using ptest::FromHex;

struct Reply {
    i32 v[4] = {-1, -1, -1, -1};
    CVortanString t4, t5;
};

int ChallengeReply(const char* hex, Reply* r)
{
    const std::vector<u8> o = FromHex(hex);
    return ASN1_DecodeChallengeReply(o.data(), (int)o.size(), &r->v[0], &r->v[1], &r->v[2],
                                     &r->v[3], &r->t4, &r->t5);
}

int PlayerStatus(const char* hex, Reply* r)
{
    const std::vector<u8> o = FromHex(hex);
    return ASN1_DecodePlayerStatus(o.data(), (int)o.size(), &r->v[0], &r->v[1], &r->v[2], &r->v[3],
                                   &r->t4, &r->t5);
}

TEST(DirectParsers, OptionalTrailingFieldsAreReadOnlyAsTheMessageSays)
{
    Reply r;
    EXPECT_EQ(VORTAN_OK, ChallengeReply("bf280f800101810102820103830104840141", &r));
    EXPECT_EQ(4, r.v[3]);
    EXPECT_TRUE(r.t4 == CVortanString("A"));
    EXPECT_TRUE(r.t5.IsEmpty());
    EXPECT_EQ(VORTAN_OK, ChallengeReply("bf2812800101810102820103830104840141850142", &r));
    EXPECT_TRUE(r.t5 == CVortanString("B"));
    // A compared number that differs: the fields after it keep their defaults.
    Reply m;
    EXPECT_EQ(ASN1_FIELD_MISMATCH, ChallengeReply("bf2806800101820103", &m));
    EXPECT_EQ(1, m.v[0]);
    EXPECT_EQ(-1, m.v[1]);

    // Player status (tags 21 and 22 alike): [5] only when the next number is 5.
    Reply s;
    EXPECT_EQ(VORTAN_OK, PlayerStatus("b511800100810107820103830100840086"
                                      "0142",
                                      &s));
    EXPECT_EQ(7, s.v[1]);
    EXPECT_TRUE(s.t5.IsEmpty());
    EXPECT_EQ(VORTAN_OK, PlayerStatus("b611800100810107820103830100840085"
                                      "0142",
                                      &s));
    EXPECT_TRUE(s.t5 == CVortanString("B"));

    // Login challenge: [1] only when the next number is 1.
    CVortanString challenge, t1;
    std::vector<u8> o = FromHex("bf3a06800141820142");
    EXPECT_EQ(VORTAN_OK, ASN1_DecodeLoginChallenge(o.data(), (int)o.size(), &challenge, &t1));
    EXPECT_TRUE(challenge == CVortanString("A"));
    EXPECT_TRUE(t1.IsEmpty());
    o = FromHex("bf3a06800141810142");
    EXPECT_EQ(VORTAN_OK, ASN1_DecodeLoginChallenge(o.data(), (int)o.size(), &challenge, &t1));
    EXPECT_TRUE(t1 == CVortanString("B"));
}

TEST(DirectParsers, TagsAndPositionalFields)
{
    i32 value = 0;
    std::vector<u8> o = FromHex("bf2c03800107");
    EXPECT_EQ(VORTAN_OK, ASN1_DecodePing(o.data(), (int)o.size(), &value));
    EXPECT_EQ(7, value);
    o = FromHex("bf2d03800107");
    EXPECT_EQ(VORTAN_E_MALFORMED, ASN1_DecodePing(o.data(), (int)o.size(), &value));
    // The game start's field numbers are not compared: every field here is numbered [0].
    o = FromHex("ac13800107800080010180010080036"
                "13a31800109");
    i64 id = 0;
    CVortanArray<SPlayerRecord> players;
    i32 f2 = -1, f3 = -1, v5 = -1;
    CVortanString address;
    EXPECT_EQ(VORTAN_OK, ASN1_DecodeGameBegin(o.data(), (int)o.size(), &id, &players, &f2, &f3,
                                              &address, &v5));
    EXPECT_EQ(7, id);
    EXPECT_EQ(0, players.GetSize());
    EXPECT_EQ(1, f2);
    EXPECT_EQ(0, f3);
    EXPECT_TRUE(address == CVortanString("a:1"));
    EXPECT_EQ(9, v5);
    // A game-data payload larger than the receiver's buffer is refused.
    u8 payload[2];
    i32 length = -1;
    o = FromHex("ad0580030102"
                "03");
    EXPECT_EQ(VORTAN_E_RANGE, ASN1_DecodeGameData(o.data(), (int)o.size(), payload, 2, &length));
    EXPECT_EQ(-1, length);
}

TEST(DirectParsers, PlayerRecordsInTheirDirectForm)
{
    // The first record: [0] 5, [1] "A", [7], then [4] and [5] that the flag leaves unread; the
    // second without its 0x30: [0] 6. Then the list update's [3] 0.
    std::vector<u8> o = FromHex("a8198014300e800105810141870084010985014303800106830100");
    CVortanArray<SPlayerRecord> players;
    i32 v1 = -1, v2 = -1, v3 = -1;
    EXPECT_EQ(VORTAN_OK,
              ASN1_DecodePlayerListUpdate(o.data(), (int)o.size(), &players, &v1, &v2, &v3));
    ASSERT_EQ(2, players.GetSize());
    EXPECT_EQ(5, players[0].id);
    EXPECT_EQ(1, players[0].flag);
    EXPECT_EQ(0, players[0].value4);
    EXPECT_TRUE(players[0].text5.IsEmpty());
    EXPECT_EQ(6, players[1].id);
    EXPECT_EQ(0, players[1].flag);
    EXPECT_EQ(-1, v1);
    EXPECT_EQ(0, v3);

    // The group takes numbers 0..5: [6] inside it ends the group.
    o = FromHex("a80f800d300b86098001058601078101"
                "08");
    EXPECT_EQ(VORTAN_OK,
              ASN1_DecodePlayerListUpdate(o.data(), (int)o.size(), &players, &v1, &v2, &v3));
    ASSERT_EQ(1, players.GetSize());
    EXPECT_EQ(5, players[0].group[0]);
    EXPECT_EQ(0, players[0].group[1]);
}

TEST(DirectParsers, DateTimeTextIntoSixInts)
{
    SDateTime d;
    ASN1_DecodeDateTime("31.12.2025 23:59:58", &d);
    EXPECT_EQ(2025, d.year);
    EXPECT_EQ(12, d.month);
    EXPECT_EQ(31, d.day);
    EXPECT_EQ(23, d.hour);
    EXPECT_EQ(59, d.minute);
    EXPECT_EQ(58, d.second);
    SDateTime partial;
    ASN1_DecodeDateTime("7.3", &partial);
    EXPECT_EQ(7, partial.day);
    EXPECT_EQ(3, partial.month);
    EXPECT_EQ(0, partial.year);
    SDateTime big;
    ASN1_DecodeDateTime("99999999999999.-5.1 1:1:1", &big);
    EXPECT_EQ(0x7FFFFFFF, big.day);
    EXPECT_EQ(-5, big.month);
}

TEST(ShapeDecoders, FieldsOfClass80AndTheirLists)
{
    i32 tag = -1, id = -1, offset = -1, remaining = 0, length = 0;
    u8* chunk = nullptr;
    CASN1_ItemPackChunkShape shape{&tag, &id, &offset, &chunk, &length, &remaining};
    std::vector<u8> o = FromHex("bf590c800101810102820"
                                "1aa830100");
    EXPECT_EQ(15, ASN1_DecodeItemPackChunk(shape, o.data(), (int)o.size()));
    EXPECT_EQ(89, tag);
    ASSERT_EQ(1, length);
    EXPECT_EQ(0xAA, chunk[0]);
    delete[] chunk;
    chunk = nullptr;
    o = FromHex("bf590ca00101810102820"
                "1aa830100");
    EXPECT_EQ(0, ASN1_DecodeItemPackChunk(shape, o.data(), (int)o.size()));

    // An empty shop item list: the list is emptied.
    CVortanArray<SShopItemData> items;
    items.SetAtGrow(0, SShopItemData());
    i32 group = -1, value1 = -1;
    o = FromHex("bf6108800105810106"
                "8200");
    EXPECT_EQ(11, ASN1_DecodeShopItems(CASN1_ShopItemsShape{&tag, &group, &value1, &items},
                                       o.data(), (int)o.size()));
    EXPECT_EQ(5, group);
    EXPECT_EQ(0, items.GetSize());

    // The player image goes into a new buffer of its length.
    i32 player = 0, v1 = 0;
    u8* image = nullptr;
    o = FromHex("bf550a8001058101008202abcd");
    EXPECT_EQ(VORTAN_OK,
              ASN1_DecodePlayerImage(o.data(), (int)o.size(), &player, &v1, &image, &length));
    ASSERT_EQ(2, length);
    EXPECT_EQ(0xCD, image[1]);
    delete[] image;
}

} // namespace
