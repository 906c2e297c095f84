// The direct parsers of the received messages and their record readers.
#include "online/protocol/ASN1Parsers.h"
#include "online/protocol/ASN1Wire.h"
#include <string.h>

namespace {

// Steps over the message identifier (checking its tag unless expectedTag is negative) and
// narrows the reader to the message's content.
int OpenMessage(CASN1Reader& r, const u8* buffer, int available, int expectedTag)
{
    const int tagSize = ASN1_GetTagSize(buffer, available);
    if (tagSize <= 0 || (expectedTag >= 0 && ASN1_GetTag(buffer, available) != expectedTag))
        return VORTAN_E_MALFORMED;
    for (int i = 0; i < tagSize; ++i)
        r.Skip();
    int outer = 0;
    return r.Enter(&outer) ? VORTAN_OK : VORTAN_E_MALFORMED;
}

// The field number in the low five bits of the next identifier octet; -1 at the end.
int NextNumber(const CASN1Reader& r)
{
    const int octet = r.Peek();
    return octet < 0 ? -1 : (octet & 0x1F);
}

// Reads the next field identifier, any class.
bool SkipIdentifier(CASN1Reader& r)
{
    i32 number = 0;
    return r.Identifier(ASN1_CLASS_ANY, &number);
}

// Reads the next field identifier when its number is `expected`.
int Expect(CASN1Reader& r, int expected)
{
    if (r.AtEnd())
        return VORTAN_E_MALFORMED;
    if (NextNumber(r) != expected)
        return ASN1_FIELD_MISMATCH;
    return SkipIdentifier(r) ? VORTAN_OK : VORTAN_E_MALFORMED;
}

int Result(const CASN1Reader& r)
{
    return r.Failed() ? VORTAN_E_MALFORMED : VORTAN_OK;
}

// Opens a list field's content at its length octets; the reader's end is restored by Close.
struct SListScope {
    int outer = 0;
    int end = 0;
};

bool OpenScope(CASN1Reader& r, SListScope* scope)
{
    if (!r.Enter(&scope->outer))
        return false;
    scope->end = r.End();
    return true;
}

// Returned by a field reader to end the field loop early, leaving the rest unread.
const int FIELDS_STOP = -1;

// Reads the fields numbered up to `last`: steps over each identifier and hands its number to
// readField, which returns VORTAN_OK to go on, FIELDS_STOP to end or an error code. Stops at
// the first field numbered above `last`; a failed read is malformed.
template <class F>
int DecodeFields(CASN1Reader& r, int last, F readField)
{
    while (!r.AtEnd()) {
        const int n = NextNumber(r);
        if (n > last)
            break;
        if (!SkipIdentifier(r))
            return VORTAN_E_MALFORMED;
        const int rc = readField(n);
        if (rc == FIELDS_STOP)
            break;
        if (rc != VORTAN_OK)
            return rc;
        if (r.Failed())
            return VORTAN_E_MALFORMED;
    }
    return VORTAN_OK;
}

// Opens the message and reads the identifier of its first field, numbered 0.
int OpenFirstField(CASN1Reader& r, const u8* buffer, int available, int expectedTag)
{
    const int rc = OpenMessage(r, buffer, available, expectedTag);
    return rc == VORTAN_OK ? Expect(r, 0) : rc;
}

// Reads `count` integer fields numbered from 0, then the identifier of field `count`.
int ExpectInts(CASN1Reader& r, int rc, i32* const* values, int count)
{
    for (int i = 0; i < count && rc == VORTAN_OK; ++i) {
        rc = Expect(r, i);
        if (rc == VORTAN_OK && !r.Int(values[i]))
            rc = VORTAN_E_MALFORMED;
    }
    return rc == VORTAN_OK ? Expect(r, count) : rc;
}

} // namespace

int ASN1_DecodeIntRecord(CASN1Reader& r, i32* values)
{
    SListScope group;
    if (!OpenScope(r, &group))
        return VORTAN_E_MALFORMED;
    const int rc = DecodeFields(
        r, 5, [&](int n) -> int { return r.Int(&values[n]) ? VORTAN_OK : VORTAN_E_MALFORMED; });
    if (rc != VORTAN_OK)
        return rc;
    r.Leave(group.outer, group.end, true);
    return Result(r);
}

int ASN1_DecodePlayerRecord(CASN1Reader& r, SPlayerRecord* p)
{
    CVortanString date;
    const int rc = DecodeFields(r, 7, [&](int n) -> int {
        switch (n) {
        case 0:
            r.Int(&p->id);
            break;
        case 1:
            r.Text(&p->name);
            break;
        case 2:
            r.Text(&p->second);
            break;
        case 3:
            if (r.Text(&date))
                ASN1_DecodeDateTime(date, &p->date);
            break;
        case 4:
            r.Int(&p->value4);
            break;
        case 5:
            r.Text(&p->text5);
            break;
        case 6:
            ASN1_DecodeIntRecord(r, p->group);
            break;
        default:
            p->flag = 1;
            return FIELDS_STOP;
        }
        return VORTAN_OK;
    });
    return rc == VORTAN_OK ? Result(r) : rc;
}

namespace {

int DecodeMatchResult(CASN1Reader& r, SMatchResult* m)
{
    CVortanString date;
    const int rc = DecodeFields(r, 5, [&](int n) -> int {
        switch (n) {
        case 0:
            r.Int(&m->value0);
            break;
        case 1:
            r.Int(&m->result);
            break;
        case 2:
            r.Int(&m->points);
            break;
        case 3:
            r.Int(&m->value3);
            break;
        case 4:
            r.Text(&m->opponent);
            break;
        default:
            if (r.Text(&date))
                ASN1_DecodeDateTime(date, &m->date);
            break;
        }
        return VORTAN_OK;
    });
    return rc == VORTAN_OK ? Result(r) : rc;
}

// A list of direct-form records: each an optional 0x30, its length and its fields; the next
// element starts after the record's length.
template <class T, class F>
int DecodeRecordList(CASN1Reader& r, CVortanArray<T>* records, F decodeRecord)
{
    records->SetSize(0);
    SListScope list;
    if (!OpenScope(r, &list))
        return VORTAN_E_MALFORMED;
    while (!r.AtEnd()) {
        if (r.Peek() == ASN1_ELEMENT_RECORD)
            r.Skip();
        SListScope element;
        if (!OpenScope(r, &element))
            return VORTAN_E_MALFORMED;
        T record;
        const int rc = decodeRecord(r, &record);
        if (rc != VORTAN_OK)
            return rc;
        if (records->SetAtGrow(records->GetSize(), record) != VORTAN_OK)
            return VORTAN_E_NOMEMORY;
        r.Leave(element.outer, element.end, true);
    }
    r.Leave(list.outer, list.end, true);
    return Result(r);
}

} // namespace

int ASN1_DecodePlayerRecords(CASN1Reader& r, CVortanArray<SPlayerRecord>* players)
{
    return DecodeRecordList(r, players, ASN1_DecodePlayerRecord);
}

int ASN1_DecodeLoginReply(const u8* buffer, int available, i32* result, CVortanString* text1,
                          CVortanString* text2, CVortanString* text3, i32* value4,
                          CVortanString* text5)
{
    CASN1Reader r(buffer, available);
    int rc = OpenMessage(r, buffer, available, 6);
    if (rc != VORTAN_OK)
        return rc;
    rc = DecodeFields(r, 5, [&](int n) -> int {
        switch (n) {
        case 0:
            r.Int(result);
            break;
        case 1:
            r.Text(text1);
            break;
        case 2:
            r.Text(text2);
            break;
        case 3:
            r.Text(text3);
            break;
        case 4:
            r.Int(value4);
            break;
        default:
            r.Text(text5);
            break;
        }
        return VORTAN_OK;
    });
    return rc == VORTAN_OK ? Result(r) : rc;
}

int ASN1_DecodePlayerListUpdate(const u8* buffer, int available,
                                CVortanArray<SPlayerRecord>* players, i32* value1, i32* value2,
                                i32* value3)
{
    CASN1Reader r(buffer, available);
    int rc = OpenMessage(r, buffer, available, 8);
    if (rc != VORTAN_OK)
        return rc;
    i32* values[4] = {nullptr, value1, value2, value3};
    rc = DecodeFields(r, 3, [&](int n) -> int {
        if (n == 0)
            return ASN1_DecodePlayerRecords(r, players);
        return r.Int(values[n]) ? VORTAN_OK : VORTAN_E_MALFORMED;
    });
    return rc == VORTAN_OK ? Result(r) : rc;
}

int ASN1_DecodeGameBegin(const u8* buffer, int available, i64* gameId,
                         CVortanArray<SPlayerRecord>* players, i32* flag2, i32* flag3,
                         CVortanString* address, i32* value5)
{
    CASN1Reader r(buffer, available);
    int rc = OpenMessage(r, buffer, available, 12);
    if (rc != VORTAN_OK)
        return rc;
    if (!SkipIdentifier(r) || !r.Long(gameId) || !SkipIdentifier(r))
        return VORTAN_E_MALFORMED;
    rc = ASN1_DecodePlayerRecords(r, players);
    if (rc != VORTAN_OK)
        return rc;
    SkipIdentifier(r) && r.Int(flag2) && SkipIdentifier(r) && r.Int(flag3) && SkipIdentifier(r) &&
        r.Text(address) && SkipIdentifier(r) && r.Int(value5);
    return Result(r);
}

int ASN1_DecodeGameData(const u8* buffer, int available, u8* payload, int capacity, i32* length)
{
    CASN1Reader r(buffer, available);
    int rc = OpenFirstField(r, buffer, available, 13);
    if (rc != VORTAN_OK)
        return rc;
    SListScope bytes;
    if (!OpenScope(r, &bytes))
        return VORTAN_E_MALFORMED;
    const int count = bytes.end - r.Position();
    if (count > capacity || (count > 0 && !payload))
        return VORTAN_E_RANGE;
    if (count > 0)
        memcpy(payload, buffer + r.Position(), (size_t)count);
    *length = count;
    return VORTAN_OK;
}

int ASN1_DecodePlayerStatus(const u8* buffer, int available, i32* value0, i32* value1, i32* value2,
                            i32* value3, CVortanString* text4, CVortanString* text5)
{
    CASN1Reader r(buffer, available);
    int rc = OpenMessage(r, buffer, available, -1);
    i32* values[4] = {value0, value1, value2, value3};
    rc = ExpectInts(r, rc, values, 4);
    if (rc != VORTAN_OK)
        return rc;
    if (r.Text(text4) && NextNumber(r) == 5)
        SkipIdentifier(r) && r.Text(text5);
    return Result(r);
}

int ASN1_DecodeChallengeReply(const u8* buffer, int available, i32* answer, i32* value1,
                              i32* playerId, i32* value3, CVortanString* text4,
                              CVortanString* text5)
{
    CASN1Reader r(buffer, available);
    int rc = OpenMessage(r, buffer, available, 40);
    i32* values[4] = {answer, value1, playerId, value3};
    rc = ExpectInts(r, rc, values, 4);
    if (rc != VORTAN_OK)
        return rc;
    if (r.Text(text4) && !r.AtEnd())
        SkipIdentifier(r) && r.Text(text5);
    return Result(r);
}

int ASN1_DecodePing(const u8* buffer, int available, i32* value)
{
    CASN1Reader r(buffer, available);
    int rc = OpenFirstField(r, buffer, available, 44);
    if (rc != VORTAN_OK)
        return rc;
    r.Int(value);
    return Result(r);
}

int ASN1_DecodeLoginChallenge(const u8* buffer, int available, CVortanString* challenge,
                              CVortanString* text1)
{
    CASN1Reader r(buffer, available);
    int rc = OpenFirstField(r, buffer, available, 58);
    if (rc != VORTAN_OK)
        return rc;
    if (r.Text(challenge) && NextNumber(r) == 1)
        SkipIdentifier(r) && r.Text(text1);
    return Result(r);
}

int ASN1_DecodePlayerLeft(const u8* buffer, int available, i64* gameId, i32* playerId)
{
    CASN1Reader r(buffer, available);
    int rc = OpenFirstField(r, buffer, available, 72);
    if (rc != VORTAN_OK)
        return rc;
    if (!r.Long(gameId))
        return VORTAN_E_MALFORMED;
    rc = Expect(r, 1);
    if (rc != VORTAN_OK)
        return rc;
    r.Int(playerId);
    return Result(r);
}

int ASN1_DecodeMatchResults(const u8* buffer, int available, CVortanArray<SMatchResult>* results)
{
    CASN1Reader r(buffer, available);
    int rc = OpenFirstField(r, buffer, available, 75);
    if (rc != VORTAN_OK)
        return rc;
    return DecodeRecordList(r, results, DecodeMatchResult);
}

int ASN1_DecodePlayerImage(const u8* buffer, int available, i32* playerId, i32* value1, u8** image,
                           i32* length)
{
    CASN1Reader r(buffer, available);
    int rc = OpenMessage(r, buffer, available, 85);
    i32* values[2] = {playerId, value1};
    rc = ExpectInts(r, rc, values, 2);
    if (rc != VORTAN_OK)
        return rc;
    *image = nullptr;
    *length = 0;
    r.Bytes(image, length);
    return Result(r);
}
