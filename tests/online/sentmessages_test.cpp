// The messages the client sends: the octets of the worked examples, the optional fields, the
// size query and the fixed buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/online/ProtocolCodec.h"
#include "tests/online/SentFields.h"

namespace {

using ptest::Hex;

std::string Built(int n, const u8* buffer)
{
    return n > 0 ? Hex(buffer, (size_t)n) : "fail";
}

TEST(SentMessages, FixedOctetsOfTheShortMessages)
{
    u8 b[64];
    EXPECT_EQ("bf2c038001ff", Built(ASN1_EncodePing(b, sizeof(b), -1), b));
    EXPECT_EQ("bf3b00", Built(ASN1_EncodeLogout(b), b));
    CASN1_Message ack(28);
    EXPECT_EQ("bc00", Built(ack.Encode(b, sizeof(b)), b));
    // A chat line: [0] 2, [1] "hi", [2] 5; and one outside ASCII.
    i32 kind = 2, id = 5;
    CVortanString line = "hi";
    CASN1ChatMessage chat(&kind, &line, &id);
    EXPECT_EQ("bf400a80010281026869820105", Built(chat.Encode(b, sizeof(b)), b));
    line = CVortanString(L"\u00e9\u20ac");
    EXPECT_EQ("bf400d8001028105c3a9e282ac820105", Built(chat.Encode(b, sizeof(b)), b));
    CVortanString a = "x", c = "";
    CASN1String2Message two(51, &a, &c);
    EXPECT_EQ("bf33058001788100", Built(two.Encode(b, sizeof(b)), b));
}

TEST(SentMessages, OwnPageRequestLeavesOutANegativeThirdField)
{
    u8 b[32];
    EXPECT_EQ("bf4a06800107810106", Built(ASN1_EncodeOwnPageRequest(b, sizeof(b), 7, 6, -1), b));
    EXPECT_EQ("bf4a09800107810106820100",
              Built(ASN1_EncodeOwnPageRequest(b, sizeof(b), 7, 6, 0), b));
}

TEST(SentMessages, ConnectRequestCarriesSeventeenFieldsSizedByItsQuery)
{
    SConnectRequest q;
    q.model = CVortanString(L"\u20ac\u20ac"); // two units, six octets
    q.description = ASN1_FormatClientDescription(3, 1, "1.2", "", "de");
    const int needed = ASN1_EncodeConnectRequest(nullptr, 0, q);
    ASSERT_GT(needed, 0);
    std::vector<u8> exact((size_t)needed);
    ASSERT_EQ(needed, ASN1_EncodeConnectRequest(exact.data(), needed, q));
    EXPECT_EQ(0, ASN1_EncodeConnectRequest(exact.data(), needed - 1, q));
    // The last field is [16] with the value 3; the model's text is its six UTF-8 octets.
    EXPECT_EQ("900103", Hex(&exact[(size_t)needed - 3], 3));
    EXPECT_NE(std::string::npos, Hex(exact).find("8306e282ace282ac"));
    // Without a positive [16] the request ends at [15].
    q.value16 = 0;
    const int shorter = ASN1_EncodeConnectRequest(exact.data(), needed, q);
    EXPECT_EQ(needed - 3, shorter);
    EXPECT_EQ("8f0100", Hex(&exact[(size_t)shorter - 3], 3));

    CVortanString expected = "standalone-id:3;full-version:1;standalone-version:1.2;opengl:1;"
                             "user-agent:;frame-version:2.05;lang_code:de";
    EXPECT_TRUE(expected == q.description);
}

TEST(SentMessages, GameDataTakesOneTo32768Octets)
{
    std::vector<u8> payload(ASN1_GAME_DATA_LIMIT + 1, 0x5A);
    std::vector<u8> b(ASN1_GAME_DATA_LIMIT + 16);
    const int size = (int)b.size();
    EXPECT_EQ(0, ASN1_EncodeGameData(b.data(), size, payload.data(), 0));
    EXPECT_EQ(0, ASN1_EncodeGameData(b.data(), size, payload.data(), ASN1_GAME_DATA_LIMIT + 1));
    // 32768 octets: content 80 82 80 00 + payload = 32772 (0x8004) octets.
    const int n = ASN1_EncodeGameData(b.data(), size, payload.data(), ASN1_GAME_DATA_LIMIT);
    ASSERT_EQ(4 + 4 + ASN1_GAME_DATA_LIMIT, n);
    EXPECT_EQ("ad82800480828000", Hex(b.data(), 8));
    EXPECT_EQ("ad0380015a",
              Built(ASN1_EncodeGameData(b.data(), size, payload.data(), 1), b.data()));
}

TEST(SentMessages, ListsUnderConstructedIdentifiers)
{
    u8 b[64];
    CVortanArray<i32> first, second;
    first.SetAtGrow(0, 1);
    first.SetAtGrow(1, -129);
    // [0] 2^32, [1] 3, [2] 0, [3] A3 {1, -129}, [4] A4 {}, [5] the flag as 1.
    EXPECT_EQ(
        "af1b800501000000008101038201"
        "00a3070201010202ff7fa400850101",
        Built(ASN1_EncodeGameResult(b, sizeof(b), 4294967296LL, 3, 0, &first, &second, 5), b));
    EXPECT_EQ("bf260e800103a1070201010202ff7f8200",
              Built(ASN1_EncodeChallengeRequest(b, sizeof(b), 3, &first, ""), b));
    EXPECT_EQ("bf2607800103a1008200",
              Built(ASN1_EncodeChallengeRequest(b, sizeof(b), 3, &second, ""), b));
}

TEST(SentMessages, ShopImageRequestCarriesTheIdsThatFit128Octets)
{
    // Each id of 0x7FFFFFFF is 02 04 7F FF FF FF: twenty of them with [1] 0 make BF 63 7D ...,
    // 128 octets; a twenty-first would need a two-octet length and 135.
    CVortanArray<i32> ids;
    for (int i = 0; i < 30; ++i)
        ids.SetAtGrow(i, 0x7FFFFFFF);
    u8 b[128];
    int carried = -1;
    EXPECT_EQ(128, ASN1_EncodeGetShopItemImage(b, sizeof(b), &ids, 0, &carried));
    EXPECT_EQ(20, carried);
    EXPECT_EQ("bf637d807802047fffffff", Hex(b, 11));
    EXPECT_EQ("810100", Hex(b + 125, 3));
    // Ids that all fit go as they are.
    ids.SetSize(2);
    EXPECT_EQ(20, ASN1_EncodeGetShopItemImage(b, sizeof(b), &ids, 0, &carried));
    EXPECT_EQ(2, carried);
}

TEST(SentMessages, BuildersRefuseTooSmallBuffersAndAnswerTheSizeQuery)
{
    u8 b[8];
    const int needed = ASN1_EncodeLogin(nullptr, 0, "user", "secret", 1, "");
    EXPECT_EQ(1 + 1 + 6 + 8 + 3 + 2, needed);
    EXPECT_EQ(0, ASN1_EncodeLogin(b, sizeof(b), "user", "secret", 1, ""));
    // A text whose octets only just do not fit: the 127-unit text needs 1 + 127 octets.
    CVortanString long127;
    for (int i = 0; i < 127; ++i)
        long127.AppendChar('a');
    std::vector<u8> big(200);
    const int n = ASN1_EncodeLoginChallengeRequest(big.data(), (int)big.size(), long127);
    EXPECT_EQ("bf398181807f61", Hex(big.data(), 7));
    EXPECT_EQ(n, ASN1_EncodeLoginChallengeRequest(nullptr, 0, long127));
    EXPECT_EQ(0, ASN1_EncodeLoginChallengeRequest(big.data(), n - 1, long127));
}

// The tests' own reader of sent messages, on octets written out by hand from the wire rules.
TEST(SentFieldsReader, ReadsTheRulesOctetsAndMarksWhatBreaksThem)
{
    using sentfields::Fields;
    auto octets = [](const std::string& hex) { return ptest::FromHex(hex); };
    EXPECT_EQ("64: [0]=2 [1]='hi' [2]=5", Fields(octets("bf400a80010281026869820105"), "iti"));
    EXPECT_EQ("9: [0]=-129", Fields(octets("a9048002ff7f"), "i"));
    EXPECT_EQ("9: [0]=128", Fields(octets("a90480020080"), "i"));
    EXPECT_EQ("9: [0]=?", Fields(octets("a90480020005"), "i"));      // not minimal
    EXPECT_EQ("9: [0]=?", Fields(octets("a903800201"), "i"));        // runs past the field
    EXPECT_EQ("9: ? length", Fields(octets("a9038001070000"), "i")); // octets after it
    EXPECT_EQ("18: [0]=4294967296", Fields(octets("b20780050100000000"), "L"));
    const std::vector<u8> challenge = octets("bf260d800107a1060201370201388200");
    EXPECT_EQ("38: [0]=7 [1]=c{55,56} [2]=''", Fields(challenge, "ilt"));
    const std::vector<u8> images = octets("bf63088003020137810100");
    EXPECT_EQ("99: [0]={55} [1]=0", Fields(images, "li"));
    EXPECT_EQ("59:", Fields(octets("bf3b00"), ""));
    EXPECT_EQ("28:", Fields(octets("bc00"), ""));
    // A field of a kind not given, and a long-form length that a short one would hold.
    EXPECT_EQ("9: ?a9038001ff", Fields(octets("a9038001ff"), ""));
    EXPECT_EQ("57: ? length", Fields(octets("bf398105800361626364"), "t"));
    // 130 octets of text: the long form 81 82 inside the long form 81 85.
    std::string text;
    for (int i = 0; i < 130; ++i)
        text += "61";
    EXPECT_EQ("57: [0]='" + std::string(130, 'a') + "'",
              Fields(octets("bf398185808182" + text), "t"));
}

} // namespace
