// The octet-level BER primitives of the wire protocol: identifiers, lengths and values.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// Identifier class octets.
enum {
    ASN1_CLASS_FIELD = 0x80,     // context-specific, primitive: a field of a message or record
    ASN1_CLASS_MESSAGE = 0xA0,   // context-specific, constructed: a message, a nested group
    ASN1_CLASS_ANY = 0xFF,       // decoding accepts any class; it comes back in bits 29..31
    ASN1_ELEMENT_INTEGER = 0x02, // universal INTEGER in front of an integer list's element
    ASN1_ELEMENT_RECORD = 0x30   // universal SEQUENCE in front of a record list's element
};

// Decoding results below 1 other than 0: the octets can never form a valid value, however many
// more of them arrive (the receiver drops the connection instead of waiting).
enum { ASN1_NOT_YET = -1, ASN1_MALFORMED = -2 };

// Largest message a receiver takes (above the largest language pack); a header announcing more
// is malformed.
#define ASN1_MESSAGE_CAP (8 * 1024 * 1024)
// Largest tag number an identifier can carry (three octets).
#define ASN1_TAG_LIMIT 16384
// Bits 0..28 of a tag decoded with ASN1_CLASS_ANY hold the number.
#define ASN1_TAG_NUMBER_MASK 0x1FFFFFFF

// Identifier octets of tag `tag` with class octet `cls` (1..3); 0 for a tag outside 0..16383.
// A null buffer only counts; otherwise the buffer holds at least 3 octets.
int ASN1_EncodeTag(u8* buffer, int tag, int cls);
// Reads an identifier from at most `available` octets. With a class other than ASN1_CLASS_ANY a
// different class fails (0). ASN1_CLASS_ANY keeps the three class bits in bits 29..31 of the tag.
// Returns the octets read; when the data ends inside the identifier, all available octets count
// as read and the tag is -1. An identifier of more than three octets is refused (0).
int ASN1_DecodeTag(const u8* buffer, int available, int cls, i32* tag);

// Length octets (1..5) of `length`; with size 0 or no buffer only counts. 0 when the buffer is
// smaller than the count or the length does not fit four octets.
int ASN1_EncodeLength(u8* buffer, int size, u64 length);
// Octets read (1..5); 0 when they are not all available; ASN1_MALFORMED for a long form of more
// than four octets (0x85 and up). 0x80 is the length 0.
int ASN1_DecodeLength(const u8* buffer, int available, u64* length);
// The direct builders' and parsers' forms: the buffer holds at least 5 octets; the reader gives
// ASN1_NOT_YET (-1) instead of 0.
int ASN1_WriteLength(u8* buffer, u64 length);
int ASN1_ReadLength(const u8* buffer, u64* length, int available);

// 32-bit integer: a length octet n (1..4) and the minimal two's-complement form; returns 1 + n.
// A null buffer only counts; otherwise the buffer holds at least 5 octets.
int ASN1_EncodeInt(u8* buffer, i32 value);
// 1 + n, or 0 when fewer than 2 octets are available, the content runs past them, or n is
// above 4.
int ASN1_DecodeInt(const u8* buffer, int available, i32* value);
// 64-bit integer of zero or more (1 + n, n 1..9: a leading 00 when the top bit is set); a
// negative value is refused (0). A null buffer only counts; otherwise the buffer holds 10 octets.
int ASN1_EncodeLong(u8* buffer, i64 value);
// Right-aligned in eight octets, no sign extension; more than eight content octets are refused.
int ASN1_DecodeLong(const u8* buffer, int available, i64* value);

// Text: the length, then each 16-bit unit of the string by itself in one to three octets (a
// surrogate alone takes three). With size 0 or no buffer returns the octets needed; a buffer
// too small gives 0.
int ASN1_EncodeString(u8* buffer, int size, const CVortanString& text);
// Octets of the text content that ASN1_EncodeString writes after the length.
i64 ASN1_StringContentSize(const CVortanString& text);
// Reads a text (length octets plus content, returned); 0 when it runs past the available octets
// or cannot be allocated, the string then unchanged. A cut form at the end and a unit 0 are
// dropped.
int ASN1_DecodeString(const u8* buffer, int available, CVortanString* text);

// Byte string: the length, then the octets. Size query and too-small buffers as for texts.
int ASN1_EncodeBytes(u8* buffer, int size, const u8* bytes, int length);

// The message tag of the message at the buffer (the second octet after 0xBF, else the low five
// bits of the first); -1 when the octets are not there.
int ASN1_GetTag(const u8* buffer, int available);
// Identifier octets of the message at the buffer: 2 after 0xBF, else 1; 0 with nothing there.
int ASN1_GetTagSize(const u8* buffer, int available);
// Total octets of the message that starts at the buffer: ASN1_NOT_YET (-1) while its header has
// not all arrived, ASN1_MALFORMED when the header can never start a message (not a message
// identifier, a length form of more than four octets, or more than ASN1_MESSAGE_CAP octets).
int ASN1_GetMessageLength(const u8* buffer, int available);

// The logout message BF 3B 00; returns 3 (the buffer holds 3 octets).
int ASN1_EncodeLogout(u8* buffer);
