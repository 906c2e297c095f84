// The wire codec: the message length the receiver cuts the stream by, the primitives, and class
// decoding of a message whose field kinds the input chooses. Input: a field count octet (low
// three bits), one kind octet per field, then the received octets. Every decoder stays inside
// a block of exactly the octets it is given; a message that decodes encodes again and decodes
// to the same values.
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "online/protocol/ASN1Sequence.h"
#include "online/protocol/ASN1SequenceOf.h"
#include "online/protocol/ASN1Wire.h"

namespace {

// A record as the list decoders read one: [0] int, [1] int64, [2] text, in fixed order.
struct Record {
    i32 id = 0;
    i64 game = 0;
    CVortanString name;
};

class CRecordDecoder : public CASN1_Field {
public:
    typedef Record Record;
    enum { ELEMENT_OCTET = 0x30 };
    explicit CRecordDecoder(Record* record) : m_record(record) {}
    int Encode(u8*, int) override { return 0; }
    int Decode(const u8* buffer, int size) override
    {
        i32 number = 0;
        CASN1_TagField identifier(&number);
        CASN1_IntField id(&m_record->id);
        CASN1_LongIntField game(&m_record->game);
        CASN1_StringField name(&m_record->name);
        CASN1_Field* fields[] = {&id, &game, &name};
        int at = 0;
        for (CASN1_Field* field : fields) {
            const int tag = identifier.Decode(buffer + at, size - at);
            VFUZZ_CHECK(tag >= 0 && tag <= size - at);
            if (tag == 0)
                return 0;
            at += tag;
            const int value = field->Decode(buffer + at, size - at);
            VFUZZ_CHECK(value >= 0 && value <= size - at);
            if (value == 0)
                return 0;
            at += value;
        }
        return at;
    }

private:
    Record* m_record;
};

enum Kind { INT, LONG, TEXT, BYTES, INTLIST, RECORDS, KINDS };

// The variables of one message of the chosen kinds.
struct Bound {
    std::vector<int> kinds;
    i32 ints[8] = {};
    i64 longs[8] = {};
    CVortanString texts[8];
    u8* buffers[8] = {};
    i32 lengths[8] = {};
    CVortanArray<i32> lists[8];
    CVortanArray<Record> records[8];

    ~Bound()
    {
        for (u8* buffer : buffers)
            delete[] buffer;
    }

    std::unique_ptr<CASN1_Message> Message(int tag)
    {
        std::unique_ptr<CASN1_Message> message(new CASN1_Message(tag));
        for (size_t i = 0; i < kinds.size(); ++i) {
            switch (kinds[i]) {
            case INT:
                message->AddField(new CASN1_IntField(&ints[i]));
                break;
            case LONG:
                message->AddField(new CASN1_LongIntField(&longs[i]));
                break;
            case TEXT:
                message->AddField(new CASN1_StringField(&texts[i]));
                break;
            case BYTES:
                message->AddField(new CASN1_ByteArrayField(&buffers[i], &lengths[i]));
                break;
            case INTLIST:
                message->AddField(new CASN1_SequenceOf<CASN1_IntField>(&lists[i]));
                break;
            default:
                message->AddField(new CASN1_SequenceOf<CRecordDecoder>(&records[i]));
                break;
            }
        }
        return message;
    }

    bool SameValues(const Bound& other) const
    {
        for (size_t i = 0; i < kinds.size(); ++i) {
            switch (kinds[i]) {
            case INT:
                if (ints[i] != other.ints[i])
                    return false;
                break;
            case LONG:
                // A value with the top bit of eight octets set is not written again.
                if (longs[i] >= 0 && longs[i] != other.longs[i])
                    return false;
                break;
            case TEXT:
                if (texts[i] != other.texts[i])
                    return false;
                break;
            case BYTES:
                // A repeated field too long for the first one's buffer has the length -1.
                if (lengths[i] >= 0 && lengths[i] != other.lengths[i])
                    return false;
                if (lengths[i] > 0 && memcmp(buffers[i], other.buffers[i], (size_t)lengths[i]))
                    return false;
                break;
            case INTLIST:
                if (lists[i].GetSize() != other.lists[i].GetSize())
                    return false;
                for (int e = 0; e < lists[i].GetSize(); ++e)
                    if (lists[i][e] != other.lists[i][e])
                        return false;
                break;
            default:
                // Records are never sent: each comes back as an empty record.
                if (records[i].GetSize() != other.records[i].GetSize())
                    return false;
                break;
            }
        }
        return true;
    }

    bool HasNegativeLong() const
    {
        for (size_t i = 0; i < kinds.size(); ++i)
            if (kinds[i] == LONG && longs[i] < 0)
                return true;
        return false;
    }
};

// A copy of the octets in a block of exactly their size.
std::unique_ptr<u8[]> Exactly(const u8* data, size_t size)
{
    std::unique_ptr<u8[]> copy(new u8[size ? size : 1]);
    if (size)
        memcpy(copy.get(), data, size);
    return copy;
}

void Primitives(const u8* wire, int size)
{
    i32 value = 0;
    i64 wide = 0;
    u64 length = 0;
    CVortanString text;
    int read = ASN1_DecodeInt(wire, size, &value);
    VFUZZ_CHECK(read >= 0 && read <= size && read <= 5);
    if (read > 0) {
        u8 again[8];
        const int written = ASN1_EncodeInt(again, value);
        VFUZZ_CHECK(written <= read || read == 1); // minimal, never longer than what came
        i32 back = 0;
        VFUZZ_CHECK(ASN1_DecodeInt(again, written, &back) == written && back == value);
    }
    read = ASN1_DecodeLong(wire, size, &wide);
    VFUZZ_CHECK(read >= 0 && read <= size && read <= 9);
    read = ASN1_DecodeLength(wire, size, &length);
    VFUZZ_CHECK(read == ASN1_MALFORMED || (read >= 0 && read <= size && read <= 5));
    VFUZZ_CHECK(read <= 0 || length <= 0xFFFFFFFFull);
    read = ASN1_DecodeString(wire, size, &text);
    VFUZZ_CHECK(read >= 0 && read <= size && text.GetLength() <= read);
    i32 tag = 0;
    read = ASN1_DecodeTag(wire, size, ASN1_CLASS_ANY, &tag);
    VFUZZ_CHECK(read >= 0 && read <= size && read <= 3);
}

void MessageLength(const u8* wire, int size)
{
    const int total = ASN1_GetMessageLength(wire, size);
    VFUZZ_CHECK(total == ASN1_NOT_YET || total == ASN1_MALFORMED ||
                (total >= 2 && total <= ASN1_MESSAGE_CAP));
    // Fewer octets never give another verdict, only "not known yet".
    for (int prefix = 0; prefix < size && prefix < 8; ++prefix) {
        const int early = ASN1_GetMessageLength(wire, prefix);
        VFUZZ_CHECK(early == ASN1_NOT_YET || early == total);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (1 << 20))
        return 0;
    const size_t count = data[0] & 7;
    if (size < 1 + count)
        return 0;
    Bound first;
    for (size_t i = 0; i < count; ++i)
        first.kinds.push_back(data[1 + i] % KINDS);
    const size_t skip = 1 + count;
    const int wireSize = (int)(size - skip);
    std::unique_ptr<u8[]> wire = Exactly(data + skip, (size_t)wireSize);

    Primitives(wire.get(), wireSize);
    MessageLength(wire.get(), wireSize);

    const int total = ASN1_GetMessageLength(wire.get(), wireSize);
    if (total <= 0 || total > wireSize)
        return 0;
    // The message alone, as the receiver cuts it out.
    std::unique_ptr<u8[]> message = Exactly(wire.get(), (size_t)total);
    const int tag = ASN1_GetTag(message.get(), total);
    VFUZZ_CHECK(tag >= 0 && tag < 128);
    std::unique_ptr<CASN1_Message> decoder = first.Message(tag);
    const int consumed = decoder->Decode(message.get(), total);
    VFUZZ_CHECK(consumed == 0 || consumed == total);
    if (consumed <= 0 || first.HasNegativeLong())
        return 0;

    // Written again, it reads back to the same values.
    const int needed = decoder->Encode(nullptr, 0);
    VFUZZ_CHECK(needed > 0);
    std::unique_ptr<u8[]> encoded(new u8[(size_t)needed]);
    VFUZZ_CHECK(decoder->Encode(encoded.get(), needed) == needed);
    Bound second;
    second.kinds = first.kinds;
    std::unique_ptr<CASN1_Message> again = second.Message(tag);
    VFUZZ_CHECK(again->Decode(encoded.get(), needed) == needed);
    VFUZZ_CHECK(first.SameValues(second));
    return 0;
}
