// The message classes' constructors: the tag and one field object per field.
#include "online/protocol/ASN1Messages.h"
#include "online/protocol/ASN1RecordDecoders.h"
#include "online/protocol/ASN1SequenceOf.h"
#include <new>

CASN1ConnectACK::CASN1ConnectACK(CVortanString* errorText, i32* result, CVortanString* text2,
                                 i32* release)
    : CASN1_Message(2)
{
    AddField(new (std::nothrow) CASN1_StringField(errorText));
    AddField(new (std::nothrow) CASN1_IntField(result));
    AddField(new (std::nothrow) CASN1_StringField(text2));
    AddField(new (std::nothrow) CASN1_IntField(release));
}

CASN1GetAchievementList::CASN1GetAchievementList(i32* value0, i32* value1, i32* value2,
                                                 i32* gameNumber)
    : CASN1_Message(10)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(value1));
    AddField(new (std::nothrow) CASN1_IntField(value2));
    AddField(new (std::nothrow) CASN1_IntField(gameNumber));
}

CASN1AchievementList::CASN1AchievementList(i32* value0, i32* value1, i32* value2,
                                           CVortanArray<SAchievementInfo>* achievements,
                                           i32* value4)
    : CASN1_Message(11)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(value1));
    AddField(new (std::nothrow) CASN1_IntField(value2));
    AddField(new (std::nothrow) CASN1_SequenceOf<CAchievementInfoDecoder>(achievements));
    AddField(new (std::nothrow) CASN1_IntField(value4));
}

CASN1PlayerList::CASN1PlayerList(i32* value0, i32* firstIndex, i32* selector,
                                 CVortanArray<SPlayerListItem>* players,
                                 CVortanArray<SGroupListItem>* groups)
    : CASN1_Message(20)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(firstIndex));
    AddField(new (std::nothrow) CASN1_IntField(selector));
    AddField(new (std::nothrow) CASN1_SequenceOf<CPlayerListItemDecoder>(players));
    AddField(new (std::nothrow) CASN1_SequenceOf<CGroupListItemDecoder>(groups));
}

CASN1AvailableLanguagesList::CASN1AvailableLanguagesList(CVortanArray<SLanguageInfo>* languages)
    : CASN1_Message(29)
{
    AddField(new (std::nothrow) CASN1_SequenceOf<CLanguageInfoDecoder>(languages));
}

CASN1GetLanguagePack::CASN1GetLanguagePack(CVortanString* code, CVortanString* kind)
    : CASN1_Message(30)
{
    AddField(new (std::nothrow) CASN1_StringField(code));
    AddField(new (std::nothrow) CASN1_StringField(kind));
}

CASN1LanguagePack::CASN1LanguagePack(CVortanString* code, CVortanString* kind, CVortanString* flags,
                                     i32* number, u8** pack, i32* packLength)
    : CASN1_Message(31)
{
    AddField(new (std::nothrow) CASN1_StringField(code));
    AddField(new (std::nothrow) CASN1_StringField(kind));
    AddField(new (std::nothrow) CASN1_StringField(flags));
    AddField(new (std::nothrow) CASN1_IntField(number));
    AddField(new (std::nothrow) CASN1_ByteArrayField(pack, packLength));
}

CASN1ChangeLanguageMessage::CASN1ChangeLanguageMessage(CVortanString* code) : CASN1_Message(37)
{
    AddField(new (std::nothrow) CASN1_StringField(code));
}

CASN1ChallengeReceived::CASN1ChallengeReceived(i64* value0, i32* challengerId, CVortanString* name,
                                               CVortanString* text3, i32* value4, i32* value5)
    : CASN1_Message(39)
{
    AddField(new (std::nothrow) CASN1_LongIntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(challengerId));
    AddField(new (std::nothrow) CASN1_StringField(name));
    AddField(new (std::nothrow) CASN1_StringField(text3));
    AddField(new (std::nothrow) CASN1_IntField(value4));
    AddField(new (std::nothrow) CASN1_IntField(value5));
}

CASN1Notification::CASN1Notification(i32* kind, CVortanString* text, i32* value2)
    : CASN1_Message(45)
{
    AddField(new (std::nothrow) CASN1_IntField(kind));
    AddField(new (std::nothrow) CASN1_StringField(text));
    AddField(new (std::nothrow) CASN1_IntField(value2));
}

CASN1GameReady::CASN1GameReady(i32* value0, i64* gameId, i32* players, i32* matchFlag, i32* ownId,
                               i32* gameNumber, CVortanString* version)
    : CASN1_Message(46)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_LongIntField(gameId));
    AddField(new (std::nothrow) CASN1_IntField(players));
    AddField(new (std::nothrow) CASN1_IntField(matchFlag));
    AddField(new (std::nothrow) CASN1_IntField(ownId));
    AddField(new (std::nothrow) CASN1_IntField(gameNumber));
    AddField(new (std::nothrow) CASN1_StringField(version));
}

CASN1ImageAndLink::CASN1ImageAndLink(CVortanString* name, u8** image, i32* imageLength,
                                     CVortanString* link, CVortanString* label,
                                     CVortanString* text4)
    : CASN1_Message(52)
{
    AddField(new (std::nothrow) CASN1_StringField(name));
    AddField(new (std::nothrow) CASN1_ByteArrayField(image, imageLength));
    AddField(new (std::nothrow) CASN1_StringField(link));
    AddField(new (std::nothrow) CASN1_StringField(label));
    AddField(new (std::nothrow) CASN1_StringField(text4));
}

CASN1ChatMessage::CASN1ChatMessage(i32* kind, CVortanString* line, i32* playerId)
    : CASN1_Message(64)
{
    AddField(new (std::nothrow) CASN1_IntField(kind));
    AddField(new (std::nothrow) CASN1_StringField(line));
    AddField(new (std::nothrow) CASN1_IntField(playerId));
}

CASN1BlockUser::CASN1BlockUser(i32* playerId, i32* block) : CASN1_Message(76)
{
    AddField(new (std::nothrow) CASN1_IntField(playerId));
    AddField(new (std::nothrow) CASN1_IntField(block));
}

CASN1AdvertisementInfo::CASN1AdvertisementInfo(CVortanString* text0, CVortanString* text1,
                                               u8** image, i32* imageLength, i32* value3,
                                               i32* value4, CVortanArray<i32>* values5,
                                               CVortanString* text6, i32* value7,
                                               CVortanString* text8, CVortanString* text9)
    : CASN1_Message(80)
{
    AddField(new (std::nothrow) CASN1_StringField(text0));
    AddField(new (std::nothrow) CASN1_StringField(text1));
    AddField(new (std::nothrow) CASN1_ByteArrayField(image, imageLength));
    AddField(new (std::nothrow) CASN1_IntField(value3));
    AddField(new (std::nothrow) CASN1_IntField(value4));
    AddField(new (std::nothrow) CASN1_SequenceOf<CASN1_IntField>(values5));
    AddField(new (std::nothrow) CASN1_StringField(text6));
    AddField(new (std::nothrow) CASN1_IntField(value7));
    AddField(new (std::nothrow) CASN1_StringField(text8));
    AddField(new (std::nothrow) CASN1_StringField(text9));
}

CASN1GetShopItemImage::CASN1GetShopItemImage(CVortanArray<i32>* itemIds, i32* value1)
    : CASN1_Message(99)
{
    AddField(new (std::nothrow) CASN1_SequenceOf<CASN1_IntField>(itemIds));
    AddField(new (std::nothrow) CASN1_IntField(value1));
}

CASN1ConfirmBuyItem::CASN1ConfirmBuyItem(i32* value0, i32* value1, CVortanArray<i32>* selection)
    : CASN1_Message(104)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(value1));
    AddField(new (std::nothrow) CASN1_SequenceOf<CASN1_IntField>(selection));
}

CASN1ConfirmBuyItemResponse::CASN1ConfirmBuyItemResponse(i32* result, i32* item,
                                                         CVortanString* text)
    : CASN1_Message(105)
{
    AddField(new (std::nothrow) CASN1_IntField(result));
    AddField(new (std::nothrow) CASN1_IntField(item));
    AddField(new (std::nothrow) CASN1_StringField(text));
}

CASN1UpdateItemStateResponse::CASN1UpdateItemStateResponse(i32* value0, i32* value1,
                                                           CVortanString* text, i32* value3)
    : CASN1_Message(106)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(value1));
    AddField(new (std::nothrow) CASN1_StringField(text));
    AddField(new (std::nothrow) CASN1_IntField(value3));
}

CASN1ConfirmUserName::CASN1ConfirmUserName(CVortanString* user) : CASN1_Message(107)
{
    AddField(new (std::nothrow) CASN1_StringField(user));
}

CASN1ConfirmUserNameACK::CASN1ConfirmUserNameACK(i32* result, CVortanString* text)
    : CASN1_Message(108)
{
    AddField(new (std::nothrow) CASN1_IntField(result));
    AddField(new (std::nothrow) CASN1_StringField(text));
}

CASN1ConfirmEmail::CASN1ConfirmEmail(CVortanString* user, CVortanString* email,
                                     CVortanString* password, i32* mode, CVortanString* token,
                                     CVortanString* externalId)
    : CASN1_Message(109)
{
    AddField(new (std::nothrow) CASN1_StringField(user));
    AddField(new (std::nothrow) CASN1_StringField(email));
    AddField(new (std::nothrow) CASN1_StringField(password));
    AddField(new (std::nothrow) CASN1_IntField(mode));
    AddField(new (std::nothrow) CASN1_StringField(token));
    AddField(new (std::nothrow) CASN1_StringField(externalId));
}

CASN1ConfirmEmailACK::CASN1ConfirmEmailACK(i32* result, CVortanString* text) : CASN1_Message(110)
{
    AddField(new (std::nothrow) CASN1_IntField(result));
    AddField(new (std::nothrow) CASN1_StringField(text));
}

CASN1ExternalLogin::CASN1ExternalLogin(i32* mode, CVortanString* externalId, CVortanString* token,
                                       CVortanString* text3, CVortanString* email)
    : CASN1_Message(111)
{
    AddField(new (std::nothrow) CASN1_IntField(mode));
    AddField(new (std::nothrow) CASN1_StringField(externalId));
    AddField(new (std::nothrow) CASN1_StringField(token));
    AddField(new (std::nothrow) CASN1_StringField(text3));
    AddField(new (std::nothrow) CASN1_StringField(email));
}

CASN1PlayerGiftItems::CASN1PlayerGiftItems(i32* result, CVortanString* text,
                                           CVortanArray<SShopItemData>* items)
    : CASN1_Message(114)
{
    AddField(new (std::nothrow) CASN1_IntField(result));
    AddField(new (std::nothrow) CASN1_StringField(text));
    AddField(new (std::nothrow) CASN1_SequenceOf<CShopItemDataDecoder>(items));
}

CASN1ConfirmBuyPlayerItems::CASN1ConfirmBuyPlayerItems(i32* value0, i32* value1,
                                                       CVortanArray<i32>* values)
    : CASN1_Message(115)
{
    AddField(new (std::nothrow) CASN1_IntField(value0));
    AddField(new (std::nothrow) CASN1_IntField(value1));
    AddField(new (std::nothrow) CASN1_SequenceOf<CASN1_IntField>(values));
}

CASN1ConfirmBuyPlayerItemsResponse::CASN1ConfirmBuyPlayerItemsResponse(i32* result, i32* item,
                                                                       CVortanString* text)
    : CASN1_Message(116)
{
    AddField(new (std::nothrow) CASN1_IntField(result));
    AddField(new (std::nothrow) CASN1_IntField(item));
    AddField(new (std::nothrow) CASN1_StringField(text));
}

CASN1String2Message::CASN1String2Message(int tag, CVortanString* text0, CVortanString* text1)
    : CASN1_Message(tag)
{
    AddField(new (std::nothrow) CASN1_StringField(text0));
    AddField(new (std::nothrow) CASN1_StringField(text1));
}

int ASN1_EncodeGetShopItemImage(u8* buffer, int size, const CVortanArray<i32>* itemIds, i32 value1,
                                int* carried)
{
    *carried = 0;
    CVortanArray<i32> ids;
    const int count = itemIds ? itemIds->GetSize() : 0;
    // Each id takes at most six octets: grow while the whole message still fits.
    for (int i = 0; i < count; ++i) {
        if (ids.SetAtGrow(i, (*itemIds)[i]) != VORTAN_OK)
            break;
        CASN1GetShopItemImage probe(&ids, &value1);
        const int needed = probe.Encode(nullptr, 0);
        if (needed <= 0 || needed > size) {
            ids.SetSize(i);
            break;
        }
    }
    CASN1GetShopItemImage message(&ids, &value1);
    const int written = message.Encode(buffer, size);
    if (written > 0)
        *carried = ids.GetSize();
    return written;
}
