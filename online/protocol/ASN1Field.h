// CASN1_Field, the root of the protocol's field classes, and its value fields bound to an
// owner's variables.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// A field encodes the variable it is bound to and decodes received octets into it.
// Encode (buffer, size): the octets written; with no buffer or size 0 the octets needed (the
// size query); 0 when size is above 0 but too small.
// Decode (buffer, size): reads one value from at most `size` octets into the bound variable and
// returns the octets consumed; 0 on failure (nothing there, a value running past `size`).
class CASN1_Field {
public:
    virtual ~CASN1_Field() {}
    virtual int Encode(u8* buffer, int size) = 0;
    virtual int Decode(const u8* buffer, int size) = 0;

protected:
    // The shared size-query convention: `needed` when the caller only asks, 0 when the buffer
    // is too small, -1 when the encoding is to be written.
    static int Query(const u8* buffer, int size, int needed)
    {
        if (!buffer || size <= 0)
            return needed;
        return size < needed ? 0 : -1;
    }
};

// A 32-bit signed integer.
class CASN1_IntField : public CASN1_Field {
public:
    // The element kind of an integer list (CASN1_SequenceOf).
    typedef i32 Record;
    enum { ELEMENT_OCTET = 0x02 };

    explicit CASN1_IntField(i32* value) : m_value(value) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    i32* m_value;
};

// A 64-bit integer of zero or more (a game identifier).
class CASN1_LongIntField : public CASN1_Field {
public:
    explicit CASN1_LongIntField(i64* value) : m_value(value) {}
    // A negative value cannot be written: 0.
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    i64* m_value;
};

// A text, each 16-bit unit in its own one- to three-octet form.
class CASN1_StringField : public CASN1_Field {
public:
    explicit CASN1_StringField(CVortanString* value) : m_value(value) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    CVortanString* m_value;
};

// A byte string bound to the owner's buffer pointer and length. Decoding copies into the bound
// buffer, whose capacity is the bound length: a smaller capacity copies nothing and sets the
// length to -1. With no bound buffer one of exactly the received length is allocated with
// new[] (none for an empty string), which the owner frees with delete[].
class CASN1_ByteArrayField : public CASN1_Field {
public:
    CASN1_ByteArrayField(u8** buffer, i32* length) : m_buffer(buffer), m_length(length) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    u8** m_buffer;
    i32* m_length;
};

// An identifier: a tag number with a class octet (ASN1_CLASS_FIELD, ASN1_CLASS_MESSAGE, or
// ASN1_CLASS_ANY to decode any class, its bits then kept in bits 29..31 of the tag).
class CASN1_TagField : public CASN1_Field {
public:
    explicit CASN1_TagField(i32* tag, int cls = 0x80) : m_tag(tag), m_class(cls) {}
    int Encode(u8* buffer, int size) override;
    // Identifier octets cut short fail (0) here, whatever ASN1_DecodeTag counted.
    int Decode(const u8* buffer, int size) override;

private:
    i32* m_tag;
    i32 m_class;
};
