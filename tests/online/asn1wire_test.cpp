// The wire primitives on hand-worked octets: integers, lengths, identifiers, texts, byte
// strings, the message length the receiver cuts the stream by, and hostile headers and values.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "online/protocol/ASN1Wire.h"

namespace {

typedef std::vector<u8> Octets;

// Octets in a heap block of exactly their size, so that a read past them is a sanitizer report.
struct Exact {
    std::unique_ptr<u8[]> data;
    int size;
    explicit Exact(const Octets& octets)
        : data(new u8[octets.size() + (octets.empty() ? 1 : 0)]), size((int)octets.size())
    {
        std::copy(octets.begin(), octets.end(), data.get());
    }
};

Octets EncodeInt(i32 value)
{
    u8 buffer[8];
    const int n = ASN1_EncodeInt(buffer, value);
    EXPECT_EQ(n, ASN1_EncodeInt(nullptr, value));
    return Octets(buffer, buffer + n);
}

Octets EncodeLong(i64 value)
{
    u8 buffer[16];
    const int n = ASN1_EncodeLong(buffer, value);
    return Octets(buffer, buffer + n);
}

Octets EncodeLength(u64 length)
{
    u8 buffer[8];
    const int n = ASN1_EncodeLength(buffer, sizeof buffer, length);
    EXPECT_EQ(n, ASN1_EncodeLength(nullptr, 0, length));
    return Octets(buffer, buffer + n);
}

Octets EncodeText(const CVortanString& text)
{
    const int needed = ASN1_EncodeString(nullptr, 0, text);
    Octets out((size_t)needed);
    EXPECT_EQ(needed, ASN1_EncodeString(out.data(), needed, text));
    return out;
}

CVortanString Units(std::initializer_list<unsigned short> units)
{
    CVortanString text;
    unsigned short* target = text.AllocBuffer((int)units.size() + 1);
    int i = 0;
    for (unsigned short u : units)
        target[i++] = u;
    return text;
}

TEST(ASN1Integers, MinimalFormsOfThe32BitEncoding)
{
    EXPECT_EQ((Octets{0x01, 0x00}), EncodeInt(0));
    EXPECT_EQ((Octets{0x01, 0x7F}), EncodeInt(127));
    EXPECT_EQ((Octets{0x02, 0x00, 0x80}), EncodeInt(128));
    EXPECT_EQ((Octets{0x02, 0x01, 0x00}), EncodeInt(256));
    EXPECT_EQ((Octets{0x01, 0xFF}), EncodeInt(-1));
    EXPECT_EQ((Octets{0x01, 0x80}), EncodeInt(-128));
    EXPECT_EQ((Octets{0x02, 0xFF, 0x7F}), EncodeInt(-129));
    EXPECT_EQ((Octets{0x02, 0xFF, 0x00}), EncodeInt(-256));
    EXPECT_EQ((Octets{0x03, 0x00, 0x80, 0x00}), EncodeInt(32768));
    EXPECT_EQ((Octets{0x02, 0x80, 0x00}), EncodeInt(-32768));
    EXPECT_EQ((Octets{0x04, 0x7F, 0xFF, 0xFF, 0xFF}), EncodeInt(2147483647));
    EXPECT_EQ((Octets{0x04, 0x80, 0x00, 0x00, 0x00}), EncodeInt(INT32_MIN));

    for (i32 value : {0, 127, 128, 256, -1, -128, -129, -256, 32767, -32769, 8388608, -8388609,
                      2147483647, INT32_MIN}) {
        Exact wire(EncodeInt(value));
        i32 back = 12345;
        EXPECT_EQ(wire.size, ASN1_DecodeInt(wire.data.get(), wire.size, &back)) << value;
        EXPECT_EQ(value, back);
    }
}

TEST(ASN1Integers, DecodingSignExtendsShortFormsAndRefusesOverlongOnes)
{
    i32 value = 7;
    const u8 threeOctets[] = {0x03, 0xFF, 0x00, 0x01};
    EXPECT_EQ(4, ASN1_DecodeInt(threeOctets, 4, &value));
    EXPECT_EQ(-65535, value);
    const u8 empty[] = {0x00, 0x55};
    EXPECT_EQ(1, ASN1_DecodeInt(empty, 2, &value));
    EXPECT_EQ(0, value);

    // Five content octets would not fit: refused, the value kept.
    value = 7;
    const u8 five[] = {0x05, 0x00, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(0, ASN1_DecodeInt(five, 6, &value));
    EXPECT_EQ(7, value);
    // Content past the octets available, and a lone length octet.
    const u8 cut[] = {0x02, 0x01};
    EXPECT_EQ(0, ASN1_DecodeInt(cut, 2, &value));
    EXPECT_EQ(0, ASN1_DecodeInt(cut, 1, &value));
    EXPECT_EQ(7, value);
}

TEST(ASN1Integers, SixtyFourBitIdentifiers)
{
    EXPECT_EQ((Octets{0x01, 0x00}), EncodeLong(0));
    EXPECT_EQ((Octets{0x02, 0x00, 0x80}), EncodeLong(128));
    EXPECT_EQ((Octets{0x05, 0x01, 0x00, 0x00, 0x00, 0x00}), EncodeLong(4294967296ll));
    EXPECT_EQ((Octets{0x05, 0x00, 0x80, 0x00, 0x00, 0x00}), EncodeLong(2147483648ll));
    EXPECT_EQ((Octets{0x08, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
              EncodeLong(INT64_MAX));
    // Negative values are not written.
    EXPECT_EQ(0, ASN1_EncodeLong(nullptr, -1));

    i64 value = 3;
    Exact id(EncodeLong(4294967296ll));
    EXPECT_EQ(6, ASN1_DecodeLong(id.data.get(), id.size, &value));
    EXPECT_EQ(4294967296ll, value);
    // No sign extension: 01 FF is 255.
    const u8 noSign[] = {0x01, 0xFF};
    EXPECT_EQ(2, ASN1_DecodeLong(noSign, 2, &value));
    EXPECT_EQ(255, value);
    // A value needing a ninth octet is refused; nothing is written past the eight.
    value = 3;
    const u8 nine[] = {0x09, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, ASN1_DecodeLong(nine, sizeof nine, &value));
    EXPECT_EQ(3, value);
}

TEST(ASN1Lengths, ShortAndLongForms)
{
    EXPECT_EQ((Octets{0x00}), EncodeLength(0));
    EXPECT_EQ((Octets{0x7F}), EncodeLength(127));
    EXPECT_EQ((Octets{0x81, 0x80}), EncodeLength(128));
    EXPECT_EQ((Octets{0x81, 0xC8}), EncodeLength(200));
    EXPECT_EQ((Octets{0x82, 0x01, 0x2C}), EncodeLength(300));
    EXPECT_EQ((Octets{0x83, 0x01, 0x00, 0x00}), EncodeLength(65536));
    EXPECT_EQ((Octets{0x84, 0xFF, 0xFF, 0xFF, 0xFF}), EncodeLength(0xFFFFFFFFu));
    EXPECT_EQ(0, ASN1_EncodeLength(nullptr, 0, 0x100000000ull));
    u8 small[2];
    EXPECT_EQ(0, ASN1_EncodeLength(small, 2, 65536));

    u64 length = 0;
    const u8 fourOctets[] = {0x84, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(5, ASN1_DecodeLength(fourOctets, 5, &length));
    EXPECT_EQ(0xFFFFFFFFull, length);
    EXPECT_EQ(0, ASN1_DecodeLength(fourOctets, 4, &length));
    EXPECT_EQ(ASN1_NOT_YET, ASN1_ReadLength(fourOctets, &length, 4));
    const u8 zeroForm[] = {0x80};
    EXPECT_EQ(1, ASN1_DecodeLength(zeroForm, 1, &length));
    EXPECT_EQ(0u, length);
    for (u8 lead : {0x85, 0x88, 0xFF}) {
        const u8 longer[] = {lead, 0, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(ASN1_MALFORMED, ASN1_DecodeLength(longer, sizeof longer, &length)) << lead;
        EXPECT_EQ(ASN1_MALFORMED, ASN1_ReadLength(longer, &length, sizeof longer)) << lead;
    }
}

TEST(ASN1Identifiers, OneToThreeOctetsAndTheirClasses)
{
    u8 buffer[4];
    EXPECT_EQ(1, ASN1_EncodeTag(buffer, 30, ASN1_CLASS_MESSAGE));
    EXPECT_EQ(0xBE, buffer[0]);
    EXPECT_EQ(2, ASN1_EncodeTag(buffer, 31, ASN1_CLASS_MESSAGE));
    EXPECT_EQ((Octets{0xBF, 0x1F}), Octets(buffer, buffer + 2));
    EXPECT_EQ(2, ASN1_EncodeTag(buffer, 116, ASN1_CLASS_MESSAGE));
    EXPECT_EQ((Octets{0xBF, 0x74}), Octets(buffer, buffer + 2));
    EXPECT_EQ(3, ASN1_EncodeTag(buffer, 300, ASN1_CLASS_FIELD));
    EXPECT_EQ((Octets{0x9F, 0x82, 0x2C}), Octets(buffer, buffer + 3));
    EXPECT_EQ(0, ASN1_EncodeTag(buffer, 16384, ASN1_CLASS_FIELD));
    EXPECT_EQ(0, ASN1_EncodeTag(buffer, -1, ASN1_CLASS_FIELD));

    i32 tag = 0;
    const u8 three[] = {0x9F, 0x82, 0x2C};
    EXPECT_EQ(3, ASN1_DecodeTag(three, 3, ASN1_CLASS_FIELD, &tag));
    EXPECT_EQ(300, tag);
    EXPECT_EQ(0, ASN1_DecodeTag(three, 3, ASN1_CLASS_MESSAGE, &tag));
    // Any class: the class bits come back in bits 29..31.
    const u8 constructed[] = {0xA3};
    EXPECT_EQ(1, ASN1_DecodeTag(constructed, 1, ASN1_CLASS_ANY, &tag));
    EXPECT_EQ(0xA0000003u, (u32)tag);
    EXPECT_EQ(3, tag & ASN1_TAG_NUMBER_MASK);
    // Cut short: every octet there counts as read, the tag is -1.
    EXPECT_EQ(2, ASN1_DecodeTag(three, 2, ASN1_CLASS_FIELD, &tag));
    EXPECT_EQ(-1, tag);
    // Continuation stops at two octets.
    const u8 four[] = {0x9F, 0x81, 0x80, 0x01};
    EXPECT_EQ(0, ASN1_DecodeTag(four, 4, ASN1_CLASS_FIELD, &tag));
}

TEST(ASN1Texts, EachUnitByItself)
{
    EXPECT_EQ((Octets{0x00}), EncodeText(CVortanString()));
    EXPECT_EQ((Octets{0x02, 0xC3, 0xA9}), EncodeText(Units({0xE9})));
    EXPECT_EQ((Octets{0x03, 0xE2, 0x82, 0xAC}), EncodeText(Units({0x20AC})));
    // A surrogate pair stays two three-octet forms (not one four-octet form).
    EXPECT_EQ((Octets{0x06, 0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}),
              EncodeText(Units({0xD83D, 0xDE00})));
    EXPECT_EQ((Octets{0x03, 0x41, 0xDF, 0xBF}), EncodeText(Units({0x41, 0x7FF})));

    CVortanString text;
    Exact pair(EncodeText(Units({0xD83D, 0xDE00, 0x41})));
    EXPECT_EQ(pair.size, ASN1_DecodeString(pair.data.get(), pair.size, &text));
    EXPECT_TRUE(text == Units({0xD83D, 0xDE00, 0x41}));

    // A four-octet lead is read as a three-octet form; other octets give their low seven bits.
    Exact four(Octets{0x05, 0xF0, 0x9F, 0x98, 0xC1, 0xC1});
    EXPECT_EQ(6, ASN1_DecodeString(four.data.get(), four.size, &text));
    EXPECT_TRUE(text == Units({0x07D8, 0x41}));
    Exact seven(Octets{0x02, 0x80, 0xC8 - 0x20});
    EXPECT_EQ(3, ASN1_DecodeString(seven.data.get(), seven.size, &text));
    EXPECT_TRUE(text == Units({0x28}));
}

TEST(ASN1Texts, HostileTextsNeverReadPastTheirContent)
{
    CVortanString text = Units({0x5A});
    // Content running past the octets: refused, the string unchanged.
    Exact past(Octets{0x05, 0x41, 0x42});
    EXPECT_EQ(0, ASN1_DecodeString(past.data.get(), past.size, &text));
    Exact huge(Octets{0x84, 0xFF, 0xFF, 0xFF, 0xF0, 0x41});
    EXPECT_EQ(0, ASN1_DecodeString(huge.data.get(), huge.size, &text));
    Exact malformed(Octets{0x85, 0, 0, 0, 0, 1, 0x41});
    EXPECT_EQ(0, ASN1_DecodeString(malformed.data.get(), malformed.size, &text));
    EXPECT_TRUE(text == Units({0x5A}));

    // A form cut by the end of the content is dropped, also when more octets follow it.
    Exact cut(Octets{0x03, 0x41, 0xE2, 0x82, 0x42});
    EXPECT_EQ(4, ASN1_DecodeString(cut.data.get(), cut.size, &text));
    EXPECT_TRUE(text == Units({0x41}));
    Exact cutTwo(Octets{0x01, 0xC3});
    EXPECT_EQ(2, ASN1_DecodeString(cutTwo.data.get(), cutTwo.size, &text));
    EXPECT_TRUE(text.IsEmpty());
    // A unit 0 (a NUL octet or an overlong form of it) is dropped.
    Exact nul(Octets{0x05, 0x41, 0x00, 0xC0, 0x80, 0x42});
    EXPECT_EQ(6, ASN1_DecodeString(nul.data.get(), nul.size, &text));
    EXPECT_TRUE(text == Units({0x41, 0x42}));
}

TEST(ASN1ByteStrings, LengthThenOctetsAndTheSizeQuery)
{
    const u8 bytes[] = {0x00, 0xFF, 0x30};
    EXPECT_EQ(4, ASN1_EncodeBytes(nullptr, 0, bytes, 3));
    u8 buffer[4];
    EXPECT_EQ(0, ASN1_EncodeBytes(buffer, 3, bytes, 3));
    EXPECT_EQ(4, ASN1_EncodeBytes(buffer, 4, bytes, 3));
    EXPECT_EQ((Octets{0x03, 0x00, 0xFF, 0x30}), Octets(buffer, buffer + 4));
    std::vector<u8> large(200, 0x5A);
    EXPECT_EQ(202, ASN1_EncodeBytes(nullptr, 0, large.data(), 200));
}

TEST(ASN1MessageLength, CutsTheStreamOrRefusesTheHeader)
{
    const u8 chat[] = {0xBF, 0x40, 0x0A, 0x80, 0x01, 0x02, 0x81,
                       0x02, 0x68, 0x69, 0x82, 0x01, 0x05};
    EXPECT_EQ(ASN1_NOT_YET, ASN1_GetMessageLength(chat, 0));
    EXPECT_EQ(ASN1_NOT_YET, ASN1_GetMessageLength(chat, 1));
    EXPECT_EQ(ASN1_NOT_YET, ASN1_GetMessageLength(chat, 2));
    for (int available = 3; available <= 13; ++available)
        EXPECT_EQ(13, ASN1_GetMessageLength(chat, available)) << available;
    EXPECT_EQ(64, ASN1_GetTag(chat, 13));
    EXPECT_EQ(2, ASN1_GetTagSize(chat, 13));
    EXPECT_EQ(-1, ASN1_GetTag(chat, 1));

    const u8 longForm[] = {0xA2, 0x81, 0xC8};
    EXPECT_EQ(ASN1_NOT_YET, ASN1_GetMessageLength(longForm, 2));
    EXPECT_EQ(3 + 200, ASN1_GetMessageLength(longForm, 3));
    const u8 ack[] = {0xBC, 0x00};
    EXPECT_EQ(2, ASN1_GetMessageLength(ack, 2));
    EXPECT_EQ(28, ASN1_GetTag(ack, 2));
    u8 logout[3];
    EXPECT_EQ(3, ASN1_EncodeLogout(logout));
    EXPECT_EQ((Octets{0xBF, 0x3B, 0x00}), Octets(logout, logout + 3));

    // Headers no more octets can mend.
    const u8 notMessage[] = {0x30, 0x00};
    EXPECT_EQ(ASN1_MALFORMED, ASN1_GetMessageLength(notMessage, 1));
    const u8 field[] = {0x80, 0x00};
    EXPECT_EQ(ASN1_MALFORMED, ASN1_GetMessageLength(field, 2));
    const u8 longTag[] = {0xBF, 0x81, 0x00};
    EXPECT_EQ(ASN1_MALFORMED, ASN1_GetMessageLength(longTag, 2));
    const u8 fiveOctets[] = {0xA5, 0x85};
    EXPECT_EQ(ASN1_MALFORMED, ASN1_GetMessageLength(fiveOctets, 2));
    // The largest message taken, and one octet more.
    const u8 atCap[] = {0xBF, 0x1F, 0x83, 0x7F, 0xFF, 0xFA};
    EXPECT_EQ(ASN1_MESSAGE_CAP, ASN1_GetMessageLength(atCap, 6));
    const u8 aboveCap[] = {0xBF, 0x1F, 0x83, 0x7F, 0xFF, 0xFB};
    EXPECT_EQ(ASN1_MALFORMED, ASN1_GetMessageLength(aboveCap, 6));
    const u8 huge[] = {0xA0, 0x84, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ASN1_MALFORMED, ASN1_GetMessageLength(huge, 6));
}

} // namespace
