// CASN1_SequenceOf, a list field over the owner's array of integers or of records.
#pragma once
#include <limits.h>

#include "engine/VortanArray.h"
#include "online/protocol/ASN1Field.h"
#include "online/protocol/ASN1Wire.h"

// T is the element field: CASN1_IntField (elements 0x02 and an integer) or a record decoder
// (elements 0x30, the record's length and its fields). T gives its element type as T::Record,
// its element octet as T::ELEMENT_OCTET, and is constructed bound to one element (T(Record*)).
// Decoding empties the owner's array first, also when it then fails; each element is appended
// by copy. A record decoder is given at most the record's declared length and the list's rest;
// the next element starts where the decoder stopped.
template <class T>
class CASN1_SequenceOf : public CASN1_Field {
public:
    typedef typename T::Record Record;

    explicit CASN1_SequenceOf(CVortanArray<Record>* array) : m_array(array), m_elementTag(1) {}

    int Encode(u8* buffer, int size) override
    {
        const int count = m_array->GetSize();
        i64 body = 0;
        for (int i = 0; i < count; ++i) {
            T element(&m_array->ElementAt(i));
            const i64 value = ElementValueSize(element);
            if (value < 0)
                return 0;
            body += (m_elementTag ? 1 : 0) + value;
            if (body > INT_MAX)
                return 0;
        }
        const i64 total = ASN1_EncodeLength(nullptr, 0, (u64)body) + body;
        if (total > INT_MAX)
            return 0;
        if (!buffer || size <= 0)
            return (int)total;
        if (size < total)
            return 0;
        int at = ASN1_WriteLength(buffer, (u64)body);
        for (int i = 0; i < count; ++i) {
            T element(&m_array->ElementAt(i));
            if (m_elementTag)
                buffer[at++] = (u8)T::ELEMENT_OCTET;
            at += WriteElement(element, buffer + at, size - at);
        }
        return at;
    }

    int Decode(const u8* buffer, int size) override
    {
        m_array->SetSize(0);
        u64 length = 0;
        const int lengthOctets = ASN1_DecodeLength(buffer, size, &length);
        if (lengthOctets <= 0 || length > (u64)(size - lengthOctets))
            return 0;
        const int end = lengthOctets + (int)length;
        int at = lengthOctets;
        while (at < end) {
            if (m_elementTag) {
                if (buffer[at] != (u8)T::ELEMENT_OCTET)
                    return 0;
                ++at;
            }
            Record record = Record();
            const int consumed = ReadElement(&record, buffer + at, end - at);
            if (consumed <= 0)
                return 0;
            if (m_array->SetAtGrow(m_array->GetSize(), record) != VORTAN_OK)
                return 0;
            at += consumed;
        }
        return end;
    }

private:
    static constexpr bool IsRecord() { return (int)T::ELEMENT_OCTET == (int)ASN1_ELEMENT_RECORD; }

    // An integer's own encoding; a record's length octets and content.
    static i64 ElementValueSize(T& element)
    {
        const int content = element.Encode(nullptr, 0);
        if (!IsRecord())
            return content > 0 ? content : -1;
        return (i64)ASN1_EncodeLength(nullptr, 0, (u64)content) + content;
    }

    static int WriteElement(T& element, u8* buffer, int size)
    {
        if (!IsRecord())
            return element.Encode(buffer, size);
        const int content = element.Encode(nullptr, 0);
        const int at = ASN1_WriteLength(buffer, (u64)content);
        return content > 0 ? at + element.Encode(buffer + at, size - at) : at;
    }

    static int ReadElement(Record* record, const u8* buffer, int size)
    {
        T element(record);
        if (!IsRecord())
            return element.Decode(buffer, size);
        u64 length = 0;
        const int lengthOctets = ASN1_DecodeLength(buffer, size, &length);
        if (lengthOctets <= 0 || length > (u64)(size - lengthOctets))
            return 0;
        if (length == 0)
            return lengthOctets; // an empty record (what a record decoder's Encode gives)
        const int consumed = element.Decode(buffer + lengthOctets, (int)length);
        return consumed > 0 ? lengthOctets + consumed : 0;
    }

    CVortanArray<Record>* m_array;
    i32 m_elementTag;
};
