// A bounded reader of received message octets for the record decoders and direct parsers.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/protocol/ASN1Field.h"
#include "online/protocol/ASN1Records.h"

// Reads identifiers, lengths and values between a position and an end that never passes the
// octets given. Each read returns false, marks the reader failed and reads nothing more when the
// value is cut, malformed or would pass the current end.
class CASN1Reader {
public:
    CASN1Reader(const u8* buffer, int available);
    virtual ~CASN1Reader() {}

    bool Failed() const { return m_failed; }
    bool AtEnd() const { return m_failed || m_pos >= m_end; }
    int Position() const { return m_pos; }
    int End() const { return m_end; }
    bool Fail();

    // The next octet (without reading it); -1 at the end.
    int Peek() const;
    // Skips one octet.
    bool Skip();
    // Reads an identifier of class cls (ASN1_CLASS_ANY: any class); *number gets its tag number
    // without class bits.
    bool Identifier(int cls, i32* number);
    // Reads a length whose content must fit before the current end, and narrows the end to that
    // content; *outer gets the end to restore with Leave.
    bool Enter(int* outer);
    // Restores the end saved by Enter; with skip the position moves to the inner end first.
    void Leave(int outer, int innerEnd, bool skip);

    bool Int(i32* value);
    bool Long(i64* value);
    bool Text(CVortanString* text);
    // A byte string into the bound buffer of capacity *length; with no bound buffer one of
    // exactly its length is allocated (new[]). A capacity too small copies nothing and sets
    // *length to -1.
    bool Bytes(u8** buffer, i32* length);
    // A value read by a field object (a list field) from the octets before the end.
    bool Value(CASN1_Field* field);
    // A field: an identifier of class cls, then the value.
    bool IntField(int cls, i32* value);
    bool LongField(int cls, i64* value);
    bool TextField(int cls, CVortanString* text);
    bool BytesField(int cls, u8** buffer, i32* length);

private:
    const u8* m_buffer;
    int m_pos;
    int m_end;
    bool m_failed;
};

// Scans "day.month.year hour:minute:second" into the date; numbers not found stay as they were.
void ASN1_DecodeDateTime(const CVortanString& text, SDateTime* date);
