// The bounded reader of received message octets.
#include "online/protocol/ASN1Reader.h"
#include "online/protocol/ASN1Wire.h"
#include <new>
#include <string.h>

CASN1Reader::CASN1Reader(const u8* buffer, int available)
    : m_buffer(buffer), m_pos(0), m_end(buffer && available > 0 ? available : 0), m_failed(false)
{}

bool CASN1Reader::Fail()
{
    m_failed = true;
    return false;
}

int CASN1Reader::Peek() const
{
    return AtEnd() ? -1 : m_buffer[m_pos];
}

bool CASN1Reader::Skip()
{
    if (AtEnd())
        return Fail();
    ++m_pos;
    return true;
}

bool CASN1Reader::Identifier(int cls, i32* number)
{
    if (AtEnd())
        return Fail();
    i32 tag = -1;
    const int n = ASN1_DecodeTag(m_buffer + m_pos, m_end - m_pos, cls, &tag);
    if (n <= 0 || tag == -1 || n > m_end - m_pos)
        return Fail();
    m_pos += n;
    *number = tag & ASN1_TAG_NUMBER_MASK;
    return true;
}

bool CASN1Reader::Enter(int* outer)
{
    if (AtEnd())
        return Fail();
    u64 length = 0;
    const int n = ASN1_DecodeLength(m_buffer + m_pos, m_end - m_pos, &length);
    if (n <= 0 || length > (u64)(m_end - m_pos - n))
        return Fail();
    m_pos += n;
    *outer = m_end;
    m_end = m_pos + (int)length;
    return true;
}

void CASN1Reader::Leave(int outer, int innerEnd, bool skip)
{
    if (m_failed)
        return;
    if (skip && m_pos < innerEnd)
        m_pos = innerEnd;
    m_end = outer;
}

bool CASN1Reader::Int(i32* value)
{
    if (m_failed)
        return false;
    const int n = ASN1_DecodeInt(m_buffer + m_pos, m_end - m_pos, value);
    if (n <= 0 || n > m_end - m_pos)
        return Fail();
    m_pos += n;
    return true;
}

bool CASN1Reader::Long(i64* value)
{
    if (m_failed)
        return false;
    const int n = ASN1_DecodeLong(m_buffer + m_pos, m_end - m_pos, value);
    if (n <= 0 || n > m_end - m_pos)
        return Fail();
    m_pos += n;
    return true;
}

bool CASN1Reader::Text(CVortanString* text)
{
    if (AtEnd())
        return Fail();
    const int n = ASN1_DecodeString(m_buffer + m_pos, m_end - m_pos, text);
    if (n <= 0 || n > m_end - m_pos)
        return Fail();
    m_pos += n;
    return true;
}

bool CASN1Reader::Bytes(u8** buffer, i32* length)
{
    int outer = 0;
    if (!Enter(&outer))
        return false;
    const int count = m_end - m_pos;
    if (*buffer) {
        if (*length < count) {
            *length = -1;
        } else {
            memcpy(*buffer, m_buffer + m_pos, (size_t)count);
            *length = count;
        }
    } else if (count > 0) {
        u8* copy = new (std::nothrow) u8[count];
        if (!copy)
            return Fail();
        memcpy(copy, m_buffer + m_pos, (size_t)count);
        *buffer = copy;
        *length = count;
    } else {
        *length = 0;
    }
    m_pos = m_end;
    m_end = outer;
    return true;
}

bool CASN1Reader::Value(CASN1_Field* field)
{
    if (AtEnd())
        return Fail();
    const int n = field->Decode(m_buffer + m_pos, m_end - m_pos);
    if (n <= 0 || n > m_end - m_pos)
        return Fail();
    m_pos += n;
    return true;
}

bool CASN1Reader::IntField(int cls, i32* value)
{
    i32 number = 0;
    return Identifier(cls, &number) && Int(value);
}

bool CASN1Reader::LongField(int cls, i64* value)
{
    i32 number = 0;
    return Identifier(cls, &number) && Long(value);
}

bool CASN1Reader::TextField(int cls, CVortanString* text)
{
    i32 number = 0;
    return Identifier(cls, &number) && Text(text);
}

bool CASN1Reader::BytesField(int cls, u8** buffer, i32* length)
{
    i32 number = 0;
    return Identifier(cls, &number) && Bytes(buffer, length);
}

void ASN1_DecodeDateTime(const CVortanString& text, SDateTime* date)
{
    // Digits with an optional sign, separated by exactly the format's characters; a number
    // that overflows is clamped rather than wrapped.
    static const char separators[] = {'.', '.', ' ', ':', ':'};
    i32* fields[6] = {&date->day,  &date->month,  &date->year,
                      &date->hour, &date->minute, &date->second};
    const int length = text.GetLength();
    int at = 0;
    for (int f = 0; f < 6; ++f) {
        if (f > 0) {
            if (separators[f - 1] != ' ') {
                if (at >= length || text.GetAt(at) != separators[f - 1])
                    return;
                ++at;
            }
        }
        // A blank in the format, like %d itself, skips any blanks.
        while (at < length && text.GetAt(at) == ' ')
            ++at;
        bool negative = false;
        if (at < length && (text.GetAt(at) == '-' || text.GetAt(at) == '+'))
            negative = text.GetAt(at++) == '-';
        if (at >= length || text.GetAt(at) < '0' || text.GetAt(at) > '9')
            return;
        i64 value = 0;
        while (at < length && text.GetAt(at) >= '0' && text.GetAt(at) <= '9') {
            if (value < 0x80000000LL)
                value = value * 10 + (text.GetAt(at) - '0');
            ++at;
        }
        if (negative)
            value = -value;
        if (value > 0x7FFFFFFF)
            value = 0x7FFFFFFF;
        if (value < -0x7FFFFFFFLL - 1)
            value = -0x7FFFFFFFLL - 1;
        *fields[f] = (i32)value;
    }
}
