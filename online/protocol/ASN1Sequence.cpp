// Sequences of numbered fields and messages.
#include "online/protocol/ASN1Sequence.h"

#include <limits.h>

#include "online/protocol/ASN1Wire.h"

CASN1_Sequence::~CASN1_Sequence()
{
    for (int i = 0; i < m_fields.GetCount(); ++i)
        delete static_cast<CASN1_Field*>(m_fields.GetAt(i));
    m_fields.RemoveAll();
}

int CASN1_Sequence::AddField(CASN1_Field* field)
{
    if (!field)
        return VORTAN_E_ARGUMENT;
    const int rc = m_fields.Add(field);
    if (rc != VORTAN_OK)
        delete field;
    return rc;
}

i64 CASN1_Sequence::BodySize()
{
    i64 body = 0;
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        const int identifier = ASN1_EncodeTag(nullptr, i, ASN1_CLASS_FIELD);
        const int value = GetField(i)->Encode(nullptr, 0);
        if (identifier <= 0 || value <= 0)
            return -1;
        body += identifier + value;
    }
    return body;
}

int CASN1_Sequence::Encode(u8* buffer, int size)
{
    const i64 body = BodySize();
    if (body < 0 || body > 0xFFFFFFFFll)
        return 0;
    const i64 total = ASN1_EncodeLength(nullptr, 0, (u64)body) + body;
    if (total > INT_MAX)
        return 0;
    if (!buffer || size <= 0)
        return (int)total;
    if (size < total)
        return 0;
    int at = ASN1_WriteLength(buffer, (u64)body);
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        at += ASN1_EncodeTag(buffer + at, i, ASN1_CLASS_FIELD);
        const int written = GetField(i)->Encode(buffer + at, size - at);
        if (written <= 0)
            return 0;
        at += written;
    }
    return at;
}

int CASN1_Sequence::Decode(const u8* buffer, int size)
{
    u64 length = 0;
    const int lengthOctets = ASN1_DecodeLength(buffer, size, &length);
    if (lengthOctets <= 0 || length > (u64)(size - lengthOctets))
        return 0;
    const int end = lengthOctets + (int)length;
    int at = lengthOctets;
    while (at < end) {
        i32 tag = -1;
        const int identifier = ASN1_DecodeTag(buffer + at, end - at, ASN1_CLASS_ANY, &tag);
        if (identifier <= 0 || tag == -1)
            return 0;
        const int number = tag & ASN1_TAG_NUMBER_MASK;
        if (number >= m_fields.GetCount())
            return 0;
        at += identifier;
        const int consumed = GetField(number)->Decode(buffer + at, end - at);
        if (consumed <= 0)
            return 0;
        at += consumed;
    }
    return end;
}

int CASN1_Message::Encode(u8* buffer, int size)
{
    const int identifier = ASN1_EncodeTag(nullptr, m_tag, ASN1_CLASS_MESSAGE);
    if (identifier <= 0)
        return 0;
    const int rest = CASN1_Sequence::Encode(nullptr, 0);
    if (rest <= 0 || rest > INT_MAX - identifier)
        return 0;
    if (!buffer || size <= 0)
        return identifier + rest;
    if (size < identifier + rest)
        return 0;
    ASN1_EncodeTag(buffer, m_tag, ASN1_CLASS_MESSAGE);
    const int written = CASN1_Sequence::Encode(buffer + identifier, size - identifier);
    return written > 0 ? identifier + written : 0;
}

int CASN1_Message::Decode(const u8* buffer, int size)
{
    i32 tag = -1;
    const int identifier = ASN1_DecodeTag(buffer, size, ASN1_CLASS_MESSAGE, &tag);
    if (identifier <= 0 || tag != m_tag || size <= identifier)
        return 0;
    const int rest = CASN1_Sequence::Decode(buffer + identifier, size - identifier);
    return rest > 0 ? identifier + rest : 0;
}
