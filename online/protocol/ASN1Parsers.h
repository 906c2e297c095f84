// The direct parsers of the received messages without a message class, and their record readers.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/protocol/ASN1Reader.h"
#include "online/protocol/ASN1Records.h"

// A direct parser's result when a field number it compares does not match; the outputs not
// reached keep the values the receiver set.
enum { ASN1_FIELD_MISMATCH = 0 };

// Each parser reads the message at the buffer from at most `available` octets, held to the
// message's own length. It returns VORTAN_OK; VORTAN_E_MALFORMED for another tag or a message
// whose header or values are cut or run past its length (the outputs read before keep their
// values); ASN1_FIELD_MISMATCH; VORTAN_E_NOMEMORY when a record or a buffer cannot be allocated.

// Tag 6: fields chosen by number, in any order; a number above 5 ends the message.
int ASN1_DecodeLoginReply(const u8* buffer, int available, i32* result, CVortanString* text1,
                          CVortanString* text2, CVortanString* text3, i32* value4,
                          CVortanString* text5);
// Tag 8: fields chosen by number; a number above 3 ends the message.
int ASN1_DecodePlayerListUpdate(const u8* buffer, int available,
                                CVortanArray<SPlayerRecord>* players, i32* value1, i32* value2,
                                i32* value3);
// Tag 12: fields in order, their numbers not compared.
int ASN1_DecodeGameBegin(const u8* buffer, int available, i64* gameId,
                         CVortanArray<SPlayerRecord>* players, i32* flag2, i32* flag3,
                         CVortanString* address, i32* value5);
// Tag 13: the match message copied into the payload buffer of `capacity` octets; one that does
// not fit is refused (VORTAN_E_RANGE) and nothing is copied.
int ASN1_DecodeGameData(const u8* buffer, int available, u8* payload, int capacity, i32* length);
// Tags 21 and 22 (the tag is not compared): [0]..[4] compared; [5] read only when the next
// field number is 5.
int ASN1_DecodePlayerStatus(const u8* buffer, int available, i32* value0, i32* value1, i32* value2,
                            i32* value3, CVortanString* text4, CVortanString* text5);
// Tag 40: [0]..[4] compared; [5] read only when octets remain.
int ASN1_DecodeChallengeReply(const u8* buffer, int available, i32* answer, i32* value1,
                              i32* playerId, i32* value3, CVortanString* text4,
                              CVortanString* text5);
int ASN1_DecodePing(const u8* buffer, int available, i32* value);
// Tag 58: [0]; [1] read only when the next field number is 1.
int ASN1_DecodeLoginChallenge(const u8* buffer, int available, CVortanString* challenge,
                              CVortanString* text1);
int ASN1_DecodePlayerLeft(const u8* buffer, int available, i64* gameId, i32* playerId);
int ASN1_DecodeMatchResults(const u8* buffer, int available, CVortanArray<SMatchResult>* results);
// Tag 85: the image copied into a new buffer (new[], none when empty) that the caller frees.
int ASN1_DecodePlayerImage(const u8* buffer, int available, i32* playerId, i32* value1, u8** image,
                           i32* length);

// The record readers, at a list field's length octets: the list emptied first, then each
// element (an optional 0x30, the record's length, its fields by number) appended.
int ASN1_DecodePlayerRecords(CASN1Reader& reader, CVortanArray<SPlayerRecord>* players);
// One player record's fields up to the end of its length: [7] sets the flag and ends it.
int ASN1_DecodePlayerRecord(CASN1Reader& reader, SPlayerRecord* player);
// The group of a player record, at its length octets: up to six ints by number [0]..[5];
// another number ends it.
int ASN1_DecodeIntRecord(CASN1Reader& reader, i32* values);
