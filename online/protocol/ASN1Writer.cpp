// The bounded message writer.
#include "online/protocol/ASN1Writer.h"
#include "online/protocol/ASN1Wire.h"
#include <string.h>

CASN1Writer::CASN1Writer(u8* buffer, int size)
    : m_buffer(buffer), m_size(buffer ? size : 0), m_used(0), m_failed(false)
{}

void CASN1Writer::Raw(const u8* octets, int count)
{
    if (m_failed || count < 0)
        return;
    if (m_used + count > 0x7FFFFFFF || (m_buffer && m_used + count > m_size)) {
        m_failed = true;
        return;
    }
    if (m_buffer && count > 0)
        memcpy(m_buffer + m_used, octets, (size_t)count);
    m_used += count;
}

void CASN1Writer::Octet(u8 octet)
{
    Raw(&octet, 1);
}

void CASN1Writer::Identifier(int number, int cls)
{
    u8 octets[4];
    const int n = ASN1_EncodeTag(octets, number, cls);
    if (n <= 0)
        m_failed = true;
    else
        Raw(octets, n);
}

void CASN1Writer::Length(u64 length)
{
    u8 octets[8];
    const int n = ASN1_EncodeLength(octets, (int)sizeof(octets), length);
    if (n <= 0)
        m_failed = true;
    else
        Raw(octets, n);
}

void CASN1Writer::Int(int field, i32 value)
{
    u8 octets[8];
    Identifier(field, ASN1_CLASS_FIELD);
    Raw(octets, ASN1_EncodeInt(octets, value));
}

void CASN1Writer::Long(int field, i64 value)
{
    u8 octets[16];
    Identifier(field, ASN1_CLASS_FIELD);
    const int n = ASN1_EncodeLong(octets, value);
    if (n <= 0)
        m_failed = true;
    else
        Raw(octets, n);
}

void CASN1Writer::Text(int field, const CVortanString& text)
{
    Identifier(field, ASN1_CLASS_FIELD);
    if (m_failed)
        return;
    const i64 content = ASN1_StringContentSize(text);
    const i64 need = ASN1_EncodeLength(nullptr, 0, (u64)content) + content;
    if (m_used + need > 0x7FFFFFFF || (m_buffer && m_used + need > m_size)) {
        m_failed = true;
        return;
    }
    if (m_buffer && ASN1_EncodeString(m_buffer + m_used, (int)(m_size - m_used), text) != need) {
        m_failed = true;
        return;
    }
    m_used += need;
}

void CASN1Writer::Bytes(int field, const u8* bytes, int length)
{
    Identifier(field, ASN1_CLASS_FIELD);
    if (length < 0 || (length > 0 && !bytes)) {
        m_failed = true;
        return;
    }
    Length((u64)length);
    Raw(bytes, length);
}

void CASN1Writer::IntList(int field, int cls, const CVortanArray<i32>* values)
{
    Identifier(field, cls);
    Length((u64)ASN1_IntListContentSize(values));
    const int count = values ? values->GetSize() : 0;
    for (int i = 0; i < count && !m_failed; ++i) {
        u8 octets[8];
        Octet(ASN1_ELEMENT_INTEGER);
        Raw(octets, ASN1_EncodeInt(octets, (*values)[i]));
    }
}

i64 ASN1_IntListContentSize(const CVortanArray<i32>* values)
{
    i64 total = 0;
    const int count = values ? values->GetSize() : 0;
    for (int i = 0; i < count; ++i)
        total += 1 + ASN1_EncodeInt(nullptr, (*values)[i]);
    return total;
}
