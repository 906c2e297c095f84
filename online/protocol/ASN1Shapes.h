// Message-shape records and functions: short messages coded without a message class.
#pragma once
#include "engine/VortanTypes.h"

// Each record points at the caller's variables.
struct CASN1_EmptyShape {
    i32* tag;
};
struct CASN1_IntShape {
    i32* tag;
    i32* value;
};
struct CASN1_IntPairShape {
    i32* tag;
    i32* a;
    i32* b;
};
struct CASN1_IntTripleShape {
    i32* tag;
    i32* a;
    i32* b;
    i32* c;
};
struct CASN1_LongShape {
    i32* tag;
    i64* value;
};
// The rematch reply: [0] the game identifier, [1] the answer, [2] a flag.
struct CASN1_RematchShape {
    i32* tag;
    i64* game;
    i32* answer;
    i32* flag;
};

// Each writes [tag] with class 0xA0, the body's length and the fields [0], [1], ... with class
// 0x80 into the sender's fixed buffer; returns the octets written, 0 when they do not fit (with
// no buffer or size 0: the octets needed).
int ASN1_EncodeEmptyMessage(const CASN1_EmptyShape& shape, u8* buffer, int size);
int ASN1_EncodeIntMessage(const CASN1_IntShape& shape, u8* buffer, int size);
int ASN1_EncodeIntPairMessage(const CASN1_IntPairShape& shape, u8* buffer, int size);
int ASN1_EncodeIntTripleMessage(const CASN1_IntTripleShape& shape, u8* buffer, int size);
int ASN1_EncodeLongMessage(const CASN1_LongShape& shape, u8* buffer, int size);
int ASN1_EncodeRematchReply(const CASN1_RematchShape& shape, u8* buffer, int size);

// Reads the identifier with class 0xA0 (its tag stored, not compared), the length, one field
// identifier with class 0x80 and an integer, all within `size` octets and the message's length.
// Returns the octets consumed, 0 on failure.
int ASN1_DecodeIntMessage(const CASN1_IntShape& shape, const u8* buffer, int size);

// The shape decoders' steps, for the list-carrying shapes: the message identifier with class
// 0xA0 (tag stored) and the length, which must fit `size`; returns the header octets and sets
// *end to the message's end, 0 on failure. Then each field: its identifier with class 0x80.
int ASN1_DecodeShapeHeader(i32* tag, const u8* buffer, int size, int* end);
int ASN1_DecodeShapeField(const u8* buffer, int size);
