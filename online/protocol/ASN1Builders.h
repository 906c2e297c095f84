// The direct builders of the messages the client sends without a message class.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// Largest match message a game-data message carries (the receivers' payload buffer).
#define ASN1_GAME_DATA_LIMIT 32768

// The connect request's seventeen fields, preset to the values the client sends.
struct SConnectRequest {
    i32 version = 1;
    i32 width = 0;
    i32 height = 0;
    CVortanString model;
    CVortanString osVersion;
    i32 value5 = 1;
    i32 value6 = 1;
    CVortanString address7 = "0.0.0.0";
    CVortanString address8 = "0.0.0.0";
    i32 value9 = 25;
    CVortanString description;
    CVortanString storeName;
    CVortanString imei;
    i32 value13 = 1;
    CVortanString osName;
    i32 value15 = 0;
    // Written only when above 0.
    i32 value16 = 3;
};

// The client description of the connect request, from the game's number, its full-edition
// flag, its version text, the device's user agent and the current language's code.
CVortanString ASN1_FormatClientDescription(int gameNumber, int fullEdition,
                                           const CVortanString& version,
                                           const CVortanString& userAgent,
                                           const CVortanString& languageCode);

// Each builder writes the whole message into the buffer and returns its length. With no buffer
// or size 0 it returns the octets needed (the size query); 0 when the buffer is too small or
// the values cannot be sent.
int ASN1_EncodeConnectRequest(u8* buffer, int size, const SConnectRequest& request);
int ASN1_EncodeLogin(u8* buffer, int size, const CVortanString& user, const CVortanString& password,
                     i32 value2, const CVortanString& text3);
int ASN1_EncodeLoginChallengeRequest(u8* buffer, int size, const CVortanString& user);
int ASN1_EncodeJoin(u8* buffer, int size, i32 gameNumber, i32 rejoin, i32 maxPlayers);
int ASN1_EncodeLeave(u8* buffer, int size, i32 gameNumber);
// A match message of 1 to ASN1_GAME_DATA_LIMIT octets; any other length is refused (0).
int ASN1_EncodeGameData(u8* buffer, int size, const u8* bytes, int length);
// The two lists go under the constructed identifiers 0xA3 and 0xA4.
int ASN1_EncodeGameResult(u8* buffer, int size, i64 gameId, i32 gameNumber, i32 value2,
                          const CVortanArray<i32>* first, const CVortanArray<i32>* second,
                          i32 flag);
int ASN1_EncodePlayerListRequest(u8* buffer, int size, i32 selector, i32 firstIndex, i32 count,
                                 const CVortanString& filter, i32 value4, i32 value5);
int ASN1_EncodeFollow(u8* buffer, int size, i32 otherId, i32 ownId, i32 value2, i32 stop,
                      const CVortanString& text4);
// The player ids go under the constructed identifier 0xA1.
int ASN1_EncodeChallengeRequest(u8* buffer, int size, i32 gameNumber,
                                const CVortanArray<i32>* players, const CVortanString& text2);
int ASN1_EncodeChallengeReply(u8* buffer, int size, i32 answer, i32 gameNumber, i32 ownId,
                              i32 challengerId, const CVortanString& text4,
                              const CVortanString& text5);
int ASN1_EncodePing(u8* buffer, int size, i32 value);
// [2] is written only when 0 or more.
int ASN1_EncodeOwnPageRequest(u8* buffer, int size, i32 gameNumber, i32 value1, i32 value2);
