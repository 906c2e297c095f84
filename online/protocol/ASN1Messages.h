// The message classes: each binds its fields to the owner's variables in field order.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "online/protocol/ASN1Records.h"
#include "online/protocol/ASN1Sequence.h"

// A message object is built on the stack of the operation that sends or receives it, used for one
// encode or one decode (Encode and Decode of CASN1_Message) and destroyed. Byte strings are bound
// to a buffer pointer and its length: a null pointer receives a new[] buffer of exactly the
// length received, which the owner frees.

// Tag 2, received.
class CASN1ConnectACK : public CASN1_Message {
public:
    CASN1ConnectACK(CVortanString* errorText, i32* result, CVortanString* text2, i32* release);
};

// Tag 10, sent.
class CASN1GetAchievementList : public CASN1_Message {
public:
    CASN1GetAchievementList(i32* value0, i32* value1, i32* value2, i32* gameNumber);
};

// Tag 11, received.
class CASN1AchievementList : public CASN1_Message {
public:
    CASN1AchievementList(i32* value0, i32* value1, i32* value2,
                         CVortanArray<SAchievementInfo>* achievements, i32* value4);
};

// Tag 20, received.
class CASN1PlayerList : public CASN1_Message {
public:
    CASN1PlayerList(i32* value0, i32* firstIndex, i32* selector,
                    CVortanArray<SPlayerListItem>* players, CVortanArray<SGroupListItem>* groups);
};

// Tag 29, received.
class CASN1AvailableLanguagesList : public CASN1_Message {
public:
    CASN1AvailableLanguagesList(CVortanArray<SLanguageInfo>* languages);
};

// Tag 30, sent.
class CASN1GetLanguagePack : public CASN1_Message {
public:
    CASN1GetLanguagePack(CVortanString* code, CVortanString* kind);
};

// Tag 31, received.
class CASN1LanguagePack : public CASN1_Message {
public:
    CASN1LanguagePack(CVortanString* code, CVortanString* kind, CVortanString* flags, i32* number,
                      u8** pack, i32* packLength);
};

// Tag 37, sent.
class CASN1ChangeLanguageMessage : public CASN1_Message {
public:
    CASN1ChangeLanguageMessage(CVortanString* code);
};

// Tag 39, received.
class CASN1ChallengeReceived : public CASN1_Message {
public:
    CASN1ChallengeReceived(i64* value0, i32* challengerId, CVortanString* name,
                           CVortanString* text3, i32* value4, i32* value5);
};

// Tag 45, received.
class CASN1Notification : public CASN1_Message {
public:
    CASN1Notification(i32* kind, CVortanString* text, i32* value2);
};

// Tag 46, sent.
class CASN1GameReady : public CASN1_Message {
public:
    CASN1GameReady(i32* value0, i64* gameId, i32* players, i32* matchFlag, i32* ownId,
                   i32* gameNumber, CVortanString* version);
};

// Tag 52, received.
class CASN1ImageAndLink : public CASN1_Message {
public:
    CASN1ImageAndLink(CVortanString* name, u8** image, i32* imageLength, CVortanString* link,
                      CVortanString* label, CVortanString* text4);
};

// Tag 64, both.
class CASN1ChatMessage : public CASN1_Message {
public:
    CASN1ChatMessage(i32* kind, CVortanString* line, i32* playerId);
};

// Tag 76, sent.
class CASN1BlockUser : public CASN1_Message {
public:
    CASN1BlockUser(i32* playerId, i32* block);
};

// Tag 80, received.
class CASN1AdvertisementInfo : public CASN1_Message {
public:
    CASN1AdvertisementInfo(CVortanString* text0, CVortanString* text1, u8** image, i32* imageLength,
                           i32* value3, i32* value4, CVortanArray<i32>* values5,
                           CVortanString* text6, i32* value7, CVortanString* text8,
                           CVortanString* text9);
};

// Tag 99, sent.
class CASN1GetShopItemImage : public CASN1_Message {
public:
    CASN1GetShopItemImage(CVortanArray<i32>* itemIds, i32* value1);
};

// Tag 104, sent.
class CASN1ConfirmBuyItem : public CASN1_Message {
public:
    CASN1ConfirmBuyItem(i32* value0, i32* value1, CVortanArray<i32>* selection);
};

// Tag 105, received.
class CASN1ConfirmBuyItemResponse : public CASN1_Message {
public:
    CASN1ConfirmBuyItemResponse(i32* result, i32* item, CVortanString* text);
};

// Tag 106, received.
class CASN1UpdateItemStateResponse : public CASN1_Message {
public:
    CASN1UpdateItemStateResponse(i32* value0, i32* value1, CVortanString* text, i32* value3);
};

// Tag 107, sent.
class CASN1ConfirmUserName : public CASN1_Message {
public:
    CASN1ConfirmUserName(CVortanString* user);
};

// Tag 108, received.
class CASN1ConfirmUserNameACK : public CASN1_Message {
public:
    CASN1ConfirmUserNameACK(i32* result, CVortanString* text);
};

// Tag 109, sent.
class CASN1ConfirmEmail : public CASN1_Message {
public:
    CASN1ConfirmEmail(CVortanString* user, CVortanString* email, CVortanString* password, i32* mode,
                      CVortanString* token, CVortanString* externalId);
};

// Tag 110, received.
class CASN1ConfirmEmailACK : public CASN1_Message {
public:
    CASN1ConfirmEmailACK(i32* result, CVortanString* text);
};

// Tag 111, sent.
class CASN1ExternalLogin : public CASN1_Message {
public:
    CASN1ExternalLogin(i32* mode, CVortanString* externalId, CVortanString* token,
                       CVortanString* text3, CVortanString* email);
};

// Tag 114, received.
class CASN1PlayerGiftItems : public CASN1_Message {
public:
    CASN1PlayerGiftItems(i32* result, CVortanString* text, CVortanArray<SShopItemData>* items);
};

// Tag 115, sent.
class CASN1ConfirmBuyPlayerItems : public CASN1_Message {
public:
    CASN1ConfirmBuyPlayerItems(i32* value0, i32* value1, CVortanArray<i32>* values);
};

// Tag 116, received.
class CASN1ConfirmBuyPlayerItemsResponse : public CASN1_Message {
public:
    CASN1ConfirmBuyPlayerItemsResponse(i32* result, i32* item, CVortanString* text);
};

// Two texts under the tag the sender gives (51 in use).
class CASN1String2Message : public CASN1_Message {
public:
    CASN1String2Message(int tag, CVortanString* text0, CVortanString* text1);
};

// The shop image request (tag 99) of as many of the item ids, from the first, as fit `size`
// octets (the sender's 128-octet buffer); *carried gets their number. Returns the octets written,
// 0 when not even the message without ids fits.
int ASN1_EncodeGetShopItemImage(u8* buffer, int size, const CVortanArray<i32>* itemIds, i32 value1,
                                int* carried);
