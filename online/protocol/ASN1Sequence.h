// CASN1_Sequence, an owned run of numbered fields, and CASN1_Message, a sequence under a
// message identifier.
#pragma once
#include "engine/VortanPtrArray.h"
#include "online/protocol/ASN1Field.h"

// Encodes as a length and each field i as the identifier [i] (class 0x80) and its value; decodes
// fields in any order, each number selecting the field. The sequence owns its fields.
class CASN1_Sequence : public CASN1_Field {
public:
    CASN1_Sequence() {}
    ~CASN1_Sequence() override;
    CASN1_Sequence(const CASN1_Sequence&) = delete;
    CASN1_Sequence& operator=(const CASN1_Sequence&) = delete;

    int Encode(u8* buffer, int size) override;
    // Reads the length and then fields until the content is used up; a field number at or above
    // the field count, a content running past `size`, or a field that cannot be read fails (0),
    // keeping what the fields read before took. Returns length octets + content.
    int Decode(const u8* buffer, int size) override;
    // Appends a field, whose position is its field number; the sequence owns it from then on
    // (also when it cannot be added: it is then deleted). VORTAN_OK, VORTAN_E_ARGUMENT for no
    // field, VORTAN_E_NOMEMORY.
    virtual int AddField(CASN1_Field* field);

    int GetFieldCount() const { return m_fields.GetCount(); }
    CASN1_Field* GetField(int i) const { return static_cast<CASN1_Field*>(m_fields.GetAt(i)); }

private:
    // The content's size: each field's identifier and value; -1 when a field cannot be written.
    i64 BodySize();

    CVortanPtrArray m_fields;
};

// A message: the identifier of its tag with class 0xA0, then its sequence.
class CASN1_Message : public CASN1_Sequence {
public:
    explicit CASN1_Message(int tag) : m_tag(tag) {}

    int Encode(u8* buffer, int size) override;
    // Fails (0, no field touched) when the identifier is not this message's tag with class 0xA0.
    int Decode(const u8* buffer, int size) override;

    int GetTag() const { return m_tag; }

protected:
    i32 m_tag;
};
