// A bounded writer of message octets that also counts them for a size query.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/protocol/ASN1Wire.h"

// Writes identifiers, lengths and values at a growing position. With no buffer it only counts;
// a write past the buffer's size, or a count past the largest int, marks it failed and writes
// nothing more.
class CASN1Writer {
public:
    CASN1Writer(u8* buffer, int size);
    virtual ~CASN1Writer() {}

    bool Counting() const { return m_buffer == nullptr; }
    bool Failed() const { return m_failed; }
    i64 Used() const { return m_used; }

    virtual void Raw(const u8* octets, int count);
    void Octet(u8 octet);
    void Identifier(int number, int cls);
    void Length(u64 length);
    void Int(int field, i32 value);
    void Long(int field, i64 value);
    void Text(int field, const CVortanString& text);
    void Bytes(int field, const u8* bytes, int length);
    // An int list under the identifier [field] of class cls: 0x02 and the integer per element.
    void IntList(int field, int cls, const CVortanArray<i32>* values);

private:
    u8* m_buffer;
    int m_size;
    i64 m_used;
    bool m_failed;
};

// Octets of an int list's content (0x02 and the integer for every element).
i64 ASN1_IntListContentSize(const CVortanArray<i32>* values);

// Builds a whole message of `tag`: the content first counted by `fields` (a callable over a
// CASN1Writer), then the identifier, the content's length and the content. With no buffer or
// size 0 returns the octets needed; 0 when the buffer is too small or the message cannot be
// written.
template <class F>
int ASN1_BuildMessage(u8* buffer, int size, int tag, F fields)
{
    CASN1Writer count(nullptr, 0);
    fields(count);
    if (count.Failed())
        return 0;
    CASN1Writer header(nullptr, 0);
    header.Identifier(tag, ASN1_CLASS_MESSAGE);
    header.Length((u64)count.Used());
    const i64 total = header.Used() + count.Used();
    if (header.Failed() || total > 0x7FFFFFFF)
        return 0;
    if (!buffer || size <= 0)
        return (int)total;
    if (total > size)
        return 0;
    CASN1Writer out(buffer, size);
    out.Identifier(tag, ASN1_CLASS_MESSAGE);
    out.Length((u64)count.Used());
    fields(out);
    return out.Failed() ? 0 : (int)out.Used();
}
