// The field, sequence, message and list classes and the message shapes: encoding with the size
// query, class decoding in any order with its exact tolerance, and lists of integers and records.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "online/protocol/ASN1Sequence.h"
#include "online/protocol/ASN1SequenceOf.h"
#include "online/protocol/ASN1Shapes.h"

namespace {

typedef std::vector<u8> Octets;

struct Exact {
    std::unique_ptr<u8[]> data;
    int size;
    explicit Exact(const Octets& octets) : data(new u8[octets.size() + 1]), size((int)octets.size())
    {
        std::copy(octets.begin(), octets.end(), data.get());
    }
};

Octets Encode(CASN1_Field& field)
{
    const int needed = field.Encode(nullptr, 0);
    Octets out((size_t)needed);
    EXPECT_EQ(needed, field.Encode(out.data(), needed));
    return out;
}

// The chat message: [0] kind, [1] text, [2] player id.
struct Chat {
    i32 kind = 0;
    CVortanString text;
    i32 player = 0;
    CASN1_Message message{64};
    Chat()
    {
        message.AddField(new CASN1_IntField(&kind));
        message.AddField(new CASN1_StringField(&text));
        message.AddField(new CASN1_IntField(&player));
    }
};

const Octets kChat = {0xBF, 0x40, 0x0A, 0x80, 0x01, 0x02, 0x81, 0x02, 0x68, 0x69, 0x82, 0x01, 0x05};

TEST(ASN1Messages, TheChatMessageBothWaysAndInAnyOrder)
{
    Chat out;
    out.kind = 2;
    out.text = "hi";
    out.player = 5;
    EXPECT_EQ(13, out.message.Encode(nullptr, 0));
    EXPECT_EQ(kChat, Encode(out.message));
    u8 small[12];
    EXPECT_EQ(0, out.message.Encode(small, sizeof small));
    EXPECT_EQ(0, out.message.Encode(small, 2));

    Chat in;
    Exact wire(kChat);
    EXPECT_EQ(13, in.message.Decode(wire.data.get(), wire.size));
    EXPECT_EQ(2, in.kind);
    EXPECT_TRUE(in.text == CVortanString("hi"));
    EXPECT_EQ(5, in.player);

    // [2], [0], [1], and with constructed field identifiers (their class is not compared).
    Chat shuffled;
    Exact reordered(
        Octets{0xBF, 0x40, 0x0A, 0xA2, 0x01, 0x05, 0x80, 0x01, 0x02, 0x81, 0x02, 0x68, 0x69});
    EXPECT_EQ(13, shuffled.message.Decode(reordered.data.get(), reordered.size));
    EXPECT_EQ(2, shuffled.kind);
    EXPECT_TRUE(shuffled.text == CVortanString("hi"));
    EXPECT_EQ(5, shuffled.player);
}

TEST(ASN1Messages, EmptyMessagesAreTheirIdentifierAndZero)
{
    CASN1_Message ack(28);
    EXPECT_EQ((Octets{0xBC, 0x00}), Encode(ack));
    CASN1_Message logout(59);
    EXPECT_EQ((Octets{0xBF, 0x3B, 0x00}), Encode(logout));
    Exact wire(Octets{0xBC, 0x00});
    EXPECT_EQ(2, ack.Decode(wire.data.get(), wire.size));
    i32 tag = 90;
    CASN1_EmptyShape shape = {&tag};
    u8 buffer[16];
    EXPECT_EQ(3, ASN1_EncodeEmptyMessage(shape, buffer, sizeof buffer));
    EXPECT_EQ((Octets{0xBF, 0x5A, 0x00}), Octets(buffer, buffer + 3));
}

TEST(ASN1Messages, DecodeToleranceIsExact)
{
    // A missing field keeps what the receiver set.
    Chat missing;
    missing.player = -1;
    Exact noPlayer(Octets{0xBF, 0x40, 0x07, 0x80, 0x01, 0x02, 0x81, 0x02, 0x68, 0x69});
    EXPECT_EQ(10, missing.message.Decode(noPlayer.data.get(), noPlayer.size));
    EXPECT_EQ(2, missing.kind);
    EXPECT_EQ(-1, missing.player);

    // A field number at the count fails; the fields before it keep their new values.
    Chat beyond;
    beyond.player = -1;
    Exact three(Octets{0xBF, 0x40, 0x06, 0x80, 0x01, 0x02, 0x83, 0x01, 0x07});
    EXPECT_EQ(0, beyond.message.Decode(three.data.get(), three.size));
    EXPECT_EQ(2, beyond.kind);
    EXPECT_EQ(-1, beyond.player);

    // Another tag, or a primitive message identifier: nothing is touched.
    Chat other;
    other.kind = 9;
    Octets wrongTag = kChat;
    wrongTag[1] = 0x41;
    Octets wrongClass = kChat;
    wrongClass[0] = 0x9F;
    for (const Octets& octets : {wrongTag, wrongClass}) {
        Exact wire(octets);
        EXPECT_EQ(0, other.message.Decode(wire.data.get(), wire.size));
        EXPECT_EQ(9, other.kind);
    }

    // The content running past the octets given, and a value running past the content.
    Chat cut;
    Exact shortBuffer(Octets(kChat.begin(), kChat.end() - 1));
    EXPECT_EQ(0, cut.message.Decode(shortBuffer.data.get(), shortBuffer.size));
    Exact valuePast(Octets{0xBF, 0x40, 0x03, 0x80, 0x02, 0x01, 0x00});
    EXPECT_EQ(0, cut.message.Decode(valuePast.data.get(), valuePast.size));
    Exact malformedLength(Octets{0xBF, 0x40, 0x85, 0, 0, 0, 0, 0});
    EXPECT_EQ(0, cut.message.Decode(malformedLength.data.get(), malformedLength.size));
    Exact nothing(Octets{0xBF});
    EXPECT_EQ(0, cut.message.Decode(nothing.data.get(), nothing.size));
}

TEST(ASN1Messages, SixtyFourBitFieldsAndByteStrings)
{
    i64 game = 4294967296ll;
    u8* bytes = nullptr;
    i32 length = 0;
    const u8 payload[] = {0xDE, 0xAD};
    CASN1_Message out(13);
    out.AddField(new CASN1_LongIntField(&game));
    u8* payloadPointer = const_cast<u8*>(payload);
    i32 payloadLength = 2;
    out.AddField(new CASN1_ByteArrayField(&payloadPointer, &payloadLength));
    const Octets wire = Encode(out);
    EXPECT_EQ(
        (Octets{0xAD, 0x0B, 0x80, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x81, 0x02, 0xDE, 0xAD}),
        wire);

    // No bound buffer: one of exactly the length is made, the receiver's to free.
    i64 gameIn = -1;
    CASN1_Message in(13);
    in.AddField(new CASN1_LongIntField(&gameIn));
    in.AddField(new CASN1_ByteArrayField(&bytes, &length));
    Exact exact(wire);
    EXPECT_EQ(13, in.Decode(exact.data.get(), exact.size));
    EXPECT_EQ(4294967296ll, gameIn);
    ASSERT_EQ(2, length);
    EXPECT_EQ(0xDE, bytes[0]);
    EXPECT_EQ(0xAD, bytes[1]);
    delete[] bytes;

    // A bound buffer too small: nothing copied, the length -1.
    u8 one[1] = {0x11};
    u8* bound = one;
    i32 capacity = 1;
    CASN1_ByteArrayField small(&bound, &capacity);
    Exact field(Octets{0x02, 0xDE, 0xAD});
    EXPECT_EQ(3, small.Decode(field.data.get(), field.size));
    EXPECT_EQ(-1, capacity);
    EXPECT_EQ(0x11, one[0]);

    // A length past the octets allocates nothing.
    u8* none = nullptr;
    i32 noLength = 0;
    CASN1_ByteArrayField huge(&none, &noLength);
    Exact past(Octets{0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x00});
    EXPECT_EQ(0, huge.Decode(past.data.get(), past.size));
    EXPECT_EQ(nullptr, none);
}

TEST(ASN1IntegerLists, ElementsTaggedAndTheArrayEmptiedFirst)
{
    CVortanArray<i32> values;
    CASN1_SequenceOf<CASN1_IntField> list(&values);
    EXPECT_EQ((Octets{0x00}), Encode(list));
    values.SetAtGrow(0, 1);
    values.SetAtGrow(1, -129);
    values.SetAtGrow(2, 256);
    EXPECT_EQ((Octets{0x0B, 0x02, 0x01, 0x01, 0x02, 0x02, 0xFF, 0x7F, 0x02, 0x02, 0x01, 0x00}),
              Encode(list));

    Exact empty(Octets{0x00});
    EXPECT_EQ(1, list.Decode(empty.data.get(), empty.size));
    EXPECT_EQ(0, values.GetSize());

    // An element without its 0x02 fails, keeping the elements read before it; the array was
    // emptied first.
    values.SetAtGrow(0, 77);
    Exact untagged(Octets{0x06, 0x02, 0x01, 0x05, 0x30, 0x01, 0x06});
    EXPECT_EQ(0, list.Decode(untagged.data.get(), untagged.size));
    ASSERT_EQ(1, values.GetSize());
    EXPECT_EQ(5, values[0]);

    // Each element is held to the list's length.
    Exact elementPast(Octets{0x03, 0x02, 0x02, 0x01, 0x00});
    EXPECT_EQ(0, list.Decode(elementPast.data.get(), elementPast.size));
    EXPECT_EQ(0, values.GetSize());
    Exact listPast(Octets{0x09, 0x02, 0x01, 0x05});
    EXPECT_EQ(0, list.Decode(listPast.data.get(), listPast.size));
}

// A record of a list as the record decoders read it: [0] int, [1] text, in fixed order, each
// identifier with class 0x80 (the numbers themselves not compared).
struct Entry {
    i32 id = -1;
    CVortanString name;
};

class CEntryDecoder : public CASN1_Field {
public:
    typedef Entry Record;
    enum { ELEMENT_OCTET = 0x30 };
    explicit CEntryDecoder(Entry* entry) : m_entry(entry) {}
    int Encode(u8*, int) override { return 0; }
    int Decode(const u8* buffer, int size) override
    {
        i32 number = 0;
        CASN1_TagField identifier(&number);
        CASN1_IntField id(&m_entry->id);
        CASN1_StringField name(&m_entry->name);
        CASN1_Field* fields[] = {&id, &name};
        int at = 0;
        for (CASN1_Field* field : fields) {
            const int tag = identifier.Decode(buffer + at, size - at);
            if (tag <= 0)
                return 0;
            at += tag;
            const int value = field->Decode(buffer + at, size - at);
            if (value <= 0)
                return 0;
            at += value;
        }
        return at;
    }

private:
    Entry* m_entry;
};

TEST(ASN1RecordLists, RecordsHeldToTheirLengthAndTheLists)
{
    CVortanArray<Entry> entries;
    CASN1_SequenceOf<CEntryDecoder> list(&entries);
    Exact two(Octets{0x0F, 0x30, 0x06, 0x80, 0x01, 0x07, 0x81, 0x01, 0x41, 0x30, 0x05, 0x80, 0x01,
                     0xFF, 0x81, 0x00});
    EXPECT_EQ(16, list.Decode(two.data.get(), two.size));
    ASSERT_EQ(2, entries.GetSize());
    EXPECT_EQ(7, entries[0].id);
    EXPECT_TRUE(entries[0].name == CVortanString("A"));
    EXPECT_EQ(-1, entries[1].id);
    EXPECT_TRUE(entries[1].name.IsEmpty());

    // A record encodes as 30 00: records are never sent.
    EXPECT_EQ((Octets{0x04, 0x30, 0x00, 0x30, 0x00}), Encode(list));

    // A record shorter than its fields: the decoder sees only its declared length.
    Exact shortRecord(Octets{0x0A, 0x30, 0x04, 0x80, 0x01, 0x07, 0x81, 0x01, 0x41, 0x00, 0x00});
    EXPECT_EQ(0, list.Decode(shortRecord.data.get(), shortRecord.size));
    EXPECT_EQ(0, entries.GetSize());
    // A record running past the list's end, and an element without its 0x30.
    Exact pastList(Octets{0x04, 0x30, 0x06, 0x80, 0x01, 0x07, 0x81, 0x01, 0x41});
    EXPECT_EQ(0, list.Decode(pastList.data.get(), pastList.size));
    Exact untagged(Octets{0x02, 0x31, 0x00});
    EXPECT_EQ(0, list.Decode(untagged.data.get(), untagged.size));
    // A wrong field class inside a record.
    Exact wrongClass(Octets{0x08, 0x30, 0x06, 0xA0, 0x01, 0x07, 0x81, 0x01, 0x41});
    EXPECT_EQ(0, list.Decode(wrongClass.data.get(), wrongClass.size));
}

TEST(ASN1Shapes, ShortMessagesIntoFixedBuffers)
{
    i32 tag = 88, a = 12, b = 16384, c = -1;
    CASN1_IntTripleShape triple = {&tag, &a, &b, &c};
    u8 buffer[16];
    const Octets chunk = {0xBF, 0x58, 0x0A, 0x80, 0x01, 0x0C, 0x81,
                          0x02, 0x40, 0x00, 0x82, 0x01, 0xFF};
    ASSERT_EQ((int)chunk.size(), ASN1_EncodeIntTripleMessage(triple, buffer, sizeof buffer));
    EXPECT_EQ(chunk, Octets(buffer, buffer + chunk.size()));
    EXPECT_EQ(0, ASN1_EncodeIntTripleMessage(triple, buffer, (int)chunk.size() - 1));

    i32 rematch = 70, accept = 1, flag = 1;
    i64 game = 4294967296ll;
    CASN1_RematchShape reply = {&rematch, &game, &accept, &flag};
    EXPECT_EQ(16, ASN1_EncodeRematchReply(reply, buffer, sizeof buffer));
    EXPECT_EQ((Octets{0xBF, 0x46, 0x0D, 0x80, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x81, 0x01, 0x01,
                      0x82, 0x01, 0x01}),
              Octets(buffer, buffer + 16));

    i32 found = -1, value = 0;
    CASN1_IntShape single = {&found, &value};
    Exact ping(Octets{0xBF, 0x2C, 0x03, 0x80, 0x01, 0xFF});
    EXPECT_EQ(6, ASN1_DecodeIntMessage(single, ping.data.get(), ping.size));
    EXPECT_EQ(44, found);
    EXPECT_EQ(-1, value);
    // Shapes require class 0x80 on their fields, and stay inside the message's length.
    Exact constructed(Octets{0xBF, 0x2C, 0x03, 0xA0, 0x01, 0xFF});
    EXPECT_EQ(0, ASN1_DecodeIntMessage(single, constructed.data.get(), constructed.size));
    Exact shortLength(Octets{0xBF, 0x2C, 0x02, 0x80, 0x01, 0xFF});
    EXPECT_EQ(0, ASN1_DecodeIntMessage(single, shortLength.data.get(), shortLength.size));
}

} // namespace
