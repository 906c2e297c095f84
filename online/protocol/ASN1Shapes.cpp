// Message-shape functions over the caller's variables.
#include "online/protocol/ASN1Shapes.h"

#include "online/protocol/ASN1Field.h"
#include "online/protocol/ASN1Wire.h"

// Writes a message of the given fields, which stay the caller's.
static int EncodeShape(i32 tag, CASN1_Field** fields, int count, u8* buffer, int size)
{
    i64 body = 0;
    for (int i = 0; i < count; ++i) {
        const int value = fields[i]->Encode(nullptr, 0);
        if (value <= 0)
            return 0;
        body += ASN1_EncodeTag(nullptr, i, ASN1_CLASS_FIELD) + value;
    }
    const int identifier = ASN1_EncodeTag(nullptr, tag, ASN1_CLASS_MESSAGE);
    if (identifier <= 0)
        return 0;
    const i64 total = identifier + ASN1_EncodeLength(nullptr, 0, (u64)body) + body;
    if (!buffer || size <= 0)
        return (int)total;
    if (size < total)
        return 0;
    int at = ASN1_EncodeTag(buffer, tag, ASN1_CLASS_MESSAGE);
    at += ASN1_WriteLength(buffer + at, (u64)body);
    for (int i = 0; i < count; ++i) {
        at += ASN1_EncodeTag(buffer + at, i, ASN1_CLASS_FIELD);
        at += fields[i]->Encode(buffer + at, size - at);
    }
    return at;
}

int ASN1_EncodeEmptyMessage(const CASN1_EmptyShape& shape, u8* buffer, int size)
{
    return EncodeShape(*shape.tag, nullptr, 0, buffer, size);
}

int ASN1_EncodeIntMessage(const CASN1_IntShape& shape, u8* buffer, int size)
{
    CASN1_IntField value(shape.value);
    CASN1_Field* fields[] = {&value};
    return EncodeShape(*shape.tag, fields, 1, buffer, size);
}

int ASN1_EncodeIntPairMessage(const CASN1_IntPairShape& shape, u8* buffer, int size)
{
    CASN1_IntField a(shape.a), b(shape.b);
    CASN1_Field* fields[] = {&a, &b};
    return EncodeShape(*shape.tag, fields, 2, buffer, size);
}

int ASN1_EncodeIntTripleMessage(const CASN1_IntTripleShape& shape, u8* buffer, int size)
{
    CASN1_IntField a(shape.a), b(shape.b), c(shape.c);
    CASN1_Field* fields[] = {&a, &b, &c};
    return EncodeShape(*shape.tag, fields, 3, buffer, size);
}

int ASN1_EncodeLongMessage(const CASN1_LongShape& shape, u8* buffer, int size)
{
    CASN1_LongIntField value(shape.value);
    CASN1_Field* fields[] = {&value};
    return EncodeShape(*shape.tag, fields, 1, buffer, size);
}

int ASN1_EncodeRematchReply(const CASN1_RematchShape& shape, u8* buffer, int size)
{
    CASN1_LongIntField game(shape.game);
    CASN1_IntField answer(shape.answer), flag(shape.flag);
    CASN1_Field* fields[] = {&game, &answer, &flag};
    return EncodeShape(*shape.tag, fields, 3, buffer, size);
}

int ASN1_DecodeShapeHeader(i32* tag, const u8* buffer, int size, int* end)
{
    i32 found = -1;
    const int identifier = ASN1_DecodeTag(buffer, size, ASN1_CLASS_MESSAGE, &found);
    if (identifier <= 0 || found == -1)
        return 0;
    u64 length = 0;
    const int lengthOctets = ASN1_DecodeLength(buffer + identifier, size - identifier, &length);
    if (lengthOctets <= 0 || length > (u64)(size - identifier - lengthOctets))
        return 0;
    *tag = found;
    *end = identifier + lengthOctets + (int)length;
    return identifier + lengthOctets;
}

int ASN1_DecodeShapeField(const u8* buffer, int size)
{
    i32 number = -1;
    const int read = ASN1_DecodeTag(buffer, size, ASN1_CLASS_FIELD, &number);
    return (read <= 0 || number == -1) ? 0 : read;
}

int ASN1_DecodeIntMessage(const CASN1_IntShape& shape, const u8* buffer, int size)
{
    i32 tag = -1;
    int end = 0;
    int at = ASN1_DecodeShapeHeader(&tag, buffer, size, &end);
    if (at <= 0)
        return 0;
    *shape.tag = tag;
    const int identifier = ASN1_DecodeShapeField(buffer + at, end - at);
    if (identifier <= 0)
        return 0;
    at += identifier;
    const int value = ASN1_DecodeInt(buffer + at, end - at, shape.value);
    return value > 0 ? at + value : 0;
}
