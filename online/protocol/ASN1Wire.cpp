// The octet-level BER primitives of the wire protocol.
#include "online/protocol/ASN1Wire.h"

#include <limits.h>
#include <string.h>

int ASN1_EncodeTag(u8* buffer, int tag, int cls)
{
    if (tag < 0 || tag >= ASN1_TAG_LIMIT)
        return 0;
    const u8 c = (u8)cls;
    if (tag < 31) {
        if (buffer)
            buffer[0] = (u8)(c | tag);
        return 1;
    }
    if (tag < 128) {
        if (buffer) {
            buffer[0] = (u8)(c | 0x1F);
            buffer[1] = (u8)tag;
        }
        return 2;
    }
    if (buffer) {
        buffer[0] = (u8)(c | 0x1F);
        buffer[1] = (u8)(0x80 | ((tag >> 7) & 0x7F));
        buffer[2] = (u8)(tag & 0x7F);
    }
    return 3;
}

int ASN1_DecodeTag(const u8* buffer, int available, int cls, i32* tag)
{
    if (!buffer || available < 1)
        return 0;
    const int first = buffer[0];
    if (cls != ASN1_CLASS_ANY && (first & 0xE0) != (cls & 0xE0))
        return 0;
    const i32 classBits = cls == ASN1_CLASS_ANY ? (i32)((u32)(first & 0xE0) << 24) : 0;
    if ((first & 0x1F) < 31) {
        *tag = (first & 0x1F) | classBits;
        return 1;
    }
    // At most two continuation octets: the largest tag written has fourteen bits.
    i32 number = 0;
    for (int i = 1; i < 3; ++i) {
        if (i >= available) {
            *tag = -1;
            return available;
        }
        number = number * 128 + (buffer[i] & 0x7F);
        if (buffer[i] < 0x80) {
            *tag = number | classBits;
            return i + 1;
        }
    }
    return 0;
}

static int LengthOctets(u64 length)
{
    if (length < 0x80)
        return 1;
    int n = 1;
    while (n < 8 && (length >> (8 * n)) != 0)
        ++n;
    return 1 + n;
}

int ASN1_EncodeLength(u8* buffer, int size, u64 length)
{
    if (length > 0xFFFFFFFFull)
        return 0;
    const int count = LengthOctets(length);
    if (!buffer || size <= 0)
        return count;
    if (size < count)
        return 0;
    return ASN1_WriteLength(buffer, length);
}

int ASN1_WriteLength(u8* buffer, u64 length)
{
    if (length > 0xFFFFFFFFull)
        return 0;
    const int count = LengthOctets(length);
    if (count == 1) {
        buffer[0] = (u8)length;
        return 1;
    }
    const int n = count - 1;
    buffer[0] = (u8)(0x80 | n);
    for (int i = 0; i < n; ++i)
        buffer[1 + i] = (u8)(length >> (8 * (n - 1 - i)));
    return count;
}

int ASN1_DecodeLength(const u8* buffer, int available, u64* length)
{
    if (!buffer || available < 1)
        return 0;
    const int first = buffer[0];
    if (first < 0x80) {
        *length = (u64)first;
        return 1;
    }
    const int n = first & 0x7F;
    if (n > 4)
        return ASN1_MALFORMED;
    if (available < 1 + n)
        return 0;
    u64 value = 0;
    for (int i = 0; i < n; ++i)
        value = (value << 8) | buffer[1 + i];
    *length = value;
    return 1 + n;
}

int ASN1_ReadLength(const u8* buffer, u64* length, int available)
{
    const int read = ASN1_DecodeLength(buffer, available, length);
    return read == 0 ? ASN1_NOT_YET : read;
}

int ASN1_EncodeInt(u8* buffer, i32 value)
{
    const u32 bits = (u32)value;
    int n = 4;
    if (value >= 0) {
        n = 1;
        while (n < 4 && (bits >> (8 * n)) != 0)
            ++n;
        if (n < 4 && ((bits >> (8 * n - 1)) & 1))
            ++n;
        // A four-octet value below 2^31 has its top bit clear: no fifth octet.
    } else {
        while (n > 1 && ((bits >> (8 * (n - 1))) & 0xFF) == 0xFF &&
               ((bits >> (8 * (n - 1) - 1)) & 1))
            --n;
    }
    if (buffer) {
        buffer[0] = (u8)n;
        for (int i = 0; i < n; ++i)
            buffer[1 + i] = (u8)(bits >> (8 * (n - 1 - i)));
    }
    return 1 + n;
}

// Reads a length octet and that many big-endian value octets (at most maxOctets) into *bits;
// returns the octets read, 0 when they do not fit.
static int DecodeOctets(const u8* buffer, int available, int maxOctets, u64* bits)
{
    if (!buffer || available < 2)
        return 0;
    const int n = buffer[0];
    if (n > maxOctets || 1 + n > available)
        return 0;
    *bits = 0;
    for (int i = 0; i < n; ++i)
        *bits = (*bits << 8) | buffer[1 + i];
    return 1 + n;
}

int ASN1_DecodeInt(const u8* buffer, int available, i32* value)
{
    u64 octets = 0;
    const int size = DecodeOctets(buffer, available, 4, &octets);
    if (size == 0)
        return 0;
    const int n = size - 1;
    u32 bits = (u32)octets;
    if (n > 0 && n < 4 && (buffer[1] & 0x80))
        bits |= ~0u << (8 * n);
    *value = (i32)bits;
    return size;
}

int ASN1_EncodeLong(u8* buffer, i64 value)
{
    if (value < 0)
        return 0;
    const u64 bits = (u64)value;
    int n = 1;
    while (n < 8 && (bits >> (8 * n)) != 0)
        ++n;
    if ((bits >> (8 * n - 1)) & 1)
        ++n;
    if (buffer) {
        buffer[0] = (u8)n;
        for (int i = 0; i < n; ++i) {
            const int shift = 8 * (n - 1 - i);
            buffer[1 + i] = shift >= 64 ? 0 : (u8)(bits >> shift);
        }
    }
    return 1 + n;
}

int ASN1_DecodeLong(const u8* buffer, int available, i64* value)
{
    u64 bits = 0;
    const int size = DecodeOctets(buffer, available, 8, &bits);
    if (size > 0)
        *value = (i64)bits;
    return size;
}

static int UnitOctets(unsigned short unit)
{
    return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
}

i64 ASN1_StringContentSize(const CVortanString& text)
{
    const unsigned short* units = text.GetBuffer();
    const int count = text.GetLength();
    i64 size = 0;
    for (int i = 0; i < count; ++i)
        size += UnitOctets(units[i]);
    return size;
}

int ASN1_EncodeString(u8* buffer, int size, const CVortanString& text)
{
    const i64 content = ASN1_StringContentSize(text);
    if (content > 0xFFFFFFFFll)
        return 0;
    const i64 total = LengthOctets((u64)content) + content;
    if (total > INT_MAX)
        return 0;
    if (!buffer || size <= 0)
        return (int)total;
    if (size < total)
        return 0;
    int at = ASN1_WriteLength(buffer, (u64)content);
    const unsigned short* units = text.GetBuffer();
    const int count = text.GetLength();
    for (int i = 0; i < count; ++i) {
        const unsigned u = units[i];
        if (u < 0x80) {
            buffer[at++] = (u8)u;
        } else if (u < 0x800) {
            buffer[at++] = (u8)(0xC0 | (u >> 6));
            buffer[at++] = (u8)(0x80 | (u & 0x3F));
        } else {
            buffer[at++] = (u8)(0xE0 | (u >> 12));
            buffer[at++] = (u8)(0x80 | ((u >> 6) & 0x3F));
            buffer[at++] = (u8)(0x80 | (u & 0x3F));
        }
    }
    return at;
}

// Walks the content's forms; with a target writes the units. Returns the units decoded.
static int DecodeUnits(const u8* content, int length, unsigned short* target)
{
    int units = 0;
    int i = 0;
    while (i < length) {
        const unsigned lead = content[i];
        unsigned u;
        int octets;
        if (lead >= 0xE0) {
            octets = 3;
            if (i + 3 > length)
                break;
            u = ((lead & 0x0F) << 12) | ((content[i + 1] & 0x3Fu) << 6) | (content[i + 2] & 0x3Fu);
        } else if (lead >= 0xC0) {
            octets = 2;
            if (i + 2 > length)
                break;
            u = ((lead & 0x1F) << 6) | (content[i + 1] & 0x3Fu);
        } else {
            octets = 1;
            u = lead & 0x7F;
        }
        i += octets;
        if (u == 0)
            continue;
        if (target)
            target[units] = (unsigned short)u;
        ++units;
    }
    return units;
}

int ASN1_DecodeString(const u8* buffer, int available, CVortanString* text)
{
    u64 length = 0;
    const int lengthOctets = ASN1_DecodeLength(buffer, available, &length);
    if (lengthOctets <= 0 || length > (u64)(available - lengthOctets))
        return 0;
    const u8* content = buffer + lengthOctets;
    const int units = DecodeUnits(content, (int)length, nullptr);
    if (units == 0) {
        text->Empty();
        return lengthOctets + (int)length;
    }
    CVortanString decoded;
    unsigned short* target = decoded.AllocBuffer(units + 1);
    if (!target)
        return 0;
    DecodeUnits(content, (int)length, target);
    *text = static_cast<CVortanString&&>(decoded);
    return lengthOctets + (int)length;
}

int ASN1_EncodeBytes(u8* buffer, int size, const u8* bytes, int length)
{
    if (length < 0 || (length > 0 && !bytes))
        length = 0;
    const i64 total = (i64)LengthOctets((u64)length) + length;
    if (total > INT_MAX)
        return 0;
    if (!buffer || size <= 0)
        return (int)total;
    if (size < total)
        return 0;
    const int at = ASN1_WriteLength(buffer, (u64)length);
    if (length > 0)
        memcpy(buffer + at, bytes, (size_t)length);
    return (int)total;
}

int ASN1_GetTagSize(const u8* buffer, int available)
{
    if (!buffer || available < 1)
        return 0;
    return buffer[0] == 0xBF ? 2 : 1;
}

int ASN1_GetTag(const u8* buffer, int available)
{
    const int size = ASN1_GetTagSize(buffer, available);
    if (size == 0 || size > available)
        return -1;
    return size == 2 ? buffer[1] : (buffer[0] & 0x1F);
}

int ASN1_GetMessageLength(const u8* buffer, int available)
{
    if (!buffer || available < 1)
        return ASN1_NOT_YET;
    if ((buffer[0] & 0xE0) != ASN1_CLASS_MESSAGE)
        return ASN1_MALFORMED;
    const int tagOctets = buffer[0] == 0xBF ? 2 : 1;
    // A two-octet identifier carries a tag below 128: its second octet has the top bit clear.
    if (tagOctets == 2 && available >= 2 && buffer[1] >= 0x80)
        return ASN1_MALFORMED;
    if (available < 2 || available < tagOctets + 1)
        return ASN1_NOT_YET;
    u64 length = 0;
    const int lengthOctets = ASN1_DecodeLength(buffer + tagOctets, available - tagOctets, &length);
    if (lengthOctets == ASN1_MALFORMED)
        return ASN1_MALFORMED;
    if (lengthOctets == 0)
        return ASN1_NOT_YET;
    const u64 total = (u64)tagOctets + (u64)lengthOctets + length;
    if (total > ASN1_MESSAGE_CAP)
        return ASN1_MALFORMED;
    return (int)total;
}

int ASN1_EncodeLogout(u8* buffer)
{
    buffer[0] = 0xBF;
    buffer[1] = 0x3B;
    buffer[2] = 0x00;
    return 3;
}
