// The value fields: integers, texts, byte strings and identifiers.
#include "online/protocol/ASN1Field.h"

#include <new>
#include <string.h>

#include "online/protocol/ASN1Wire.h"

int CASN1_IntField::Encode(u8* buffer, int size)
{
    const int needed = ASN1_EncodeInt(nullptr, *m_value);
    const int query = Query(buffer, size, needed);
    return query >= 0 ? query : ASN1_EncodeInt(buffer, *m_value);
}

int CASN1_IntField::Decode(const u8* buffer, int size)
{
    return ASN1_DecodeInt(buffer, size, m_value);
}

int CASN1_LongIntField::Encode(u8* buffer, int size)
{
    const int needed = ASN1_EncodeLong(nullptr, *m_value);
    if (needed == 0)
        return 0;
    const int query = Query(buffer, size, needed);
    return query >= 0 ? query : ASN1_EncodeLong(buffer, *m_value);
}

int CASN1_LongIntField::Decode(const u8* buffer, int size)
{
    return ASN1_DecodeLong(buffer, size, m_value);
}

int CASN1_StringField::Encode(u8* buffer, int size)
{
    return ASN1_EncodeString(buffer, size, *m_value);
}

int CASN1_StringField::Decode(const u8* buffer, int size)
{
    return ASN1_DecodeString(buffer, size, m_value);
}

int CASN1_ByteArrayField::Encode(u8* buffer, int size)
{
    return ASN1_EncodeBytes(buffer, size, *m_buffer, *m_length);
}

int CASN1_ByteArrayField::Decode(const u8* buffer, int size)
{
    u64 length = 0;
    const int lengthOctets = ASN1_DecodeLength(buffer, size, &length);
    if (lengthOctets <= 0 || length > (u64)(size - lengthOctets))
        return 0;
    const int count = (int)length;
    if (!*m_buffer) {
        if (count > 0) {
            u8* copy = new (std::nothrow) u8[count];
            if (!copy)
                return 0;
            memcpy(copy, buffer + lengthOctets, (size_t)count);
            *m_buffer = copy;
        }
        *m_length = count;
    } else if (*m_length < count) {
        *m_length = -1;
    } else {
        memcpy(*m_buffer, buffer + lengthOctets, (size_t)count);
        *m_length = count;
    }
    return lengthOctets + count;
}

int CASN1_TagField::Encode(u8* buffer, int size)
{
    const int needed = ASN1_EncodeTag(nullptr, *m_tag, m_class);
    if (needed == 0)
        return 0;
    const int query = Query(buffer, size, needed);
    return query >= 0 ? query : ASN1_EncodeTag(buffer, *m_tag, m_class);
}

int CASN1_TagField::Decode(const u8* buffer, int size)
{
    i32 tag = -1;
    const int read = ASN1_DecodeTag(buffer, size, m_class, &tag);
    if (read <= 0 || tag == -1)
        return 0;
    *m_tag = tag;
    return read;
}
