// The direct builders of the sent messages.
#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Writer.h"

namespace {

// The class of the lists of tags 15 and 38: context-specific, constructed.
const int LIST_CONSTRUCTED = ASN1_CLASS_MESSAGE;

} // namespace

CVortanString ASN1_FormatClientDescription(int gameNumber, int fullEdition,
                                           const CVortanString& version,
                                           const CVortanString& userAgent,
                                           const CVortanString& languageCode)
{
    CVortanString number, full;
    number.FromInteger(gameNumber, 10);
    full.FromInteger(fullEdition ? 1 : 0, 10);
    CVortanString text = "standalone-id:";
    text += number;
    text += CVortanString(";full-version:");
    text += full;
    text += CVortanString(";standalone-version:");
    text += version;
    text += CVortanString(";opengl:1;user-agent:");
    text += userAgent;
    text += CVortanString(";frame-version:2.05;lang_code:");
    text += languageCode;
    return text;
}

int ASN1_EncodeConnectRequest(u8* buffer, int size, const SConnectRequest& q)
{
    return ASN1_BuildMessage(buffer, size, 0, [&q](CASN1Writer& w) {
        w.Int(0, q.version);
        w.Int(1, q.width);
        w.Int(2, q.height);
        w.Text(3, q.model);
        w.Text(4, q.osVersion);
        w.Int(5, q.value5);
        w.Int(6, q.value6);
        w.Text(7, q.address7);
        w.Text(8, q.address8);
        w.Int(9, q.value9);
        w.Text(10, q.description);
        w.Text(11, q.storeName);
        w.Text(12, q.imei);
        w.Int(13, q.value13);
        w.Text(14, q.osName);
        w.Int(15, q.value15);
        if (q.value16 > 0)
            w.Int(16, q.value16);
    });
}

int ASN1_EncodeLogin(u8* buffer, int size, const CVortanString& user, const CVortanString& password,
                     i32 value2, const CVortanString& text3)
{
    return ASN1_BuildMessage(buffer, size, 5, [&](CASN1Writer& w) {
        w.Text(0, user);
        w.Text(1, password);
        w.Int(2, value2);
        w.Text(3, text3);
    });
}

int ASN1_EncodeLoginChallengeRequest(u8* buffer, int size, const CVortanString& user)
{
    return ASN1_BuildMessage(buffer, size, 57, [&](CASN1Writer& w) { w.Text(0, user); });
}

int ASN1_EncodeJoin(u8* buffer, int size, i32 gameNumber, i32 rejoin, i32 maxPlayers)
{
    return ASN1_BuildMessage(buffer, size, 7, [&](CASN1Writer& w) {
        w.Int(0, gameNumber);
        w.Int(1, rejoin);
        w.Int(2, maxPlayers);
    });
}

int ASN1_EncodeLeave(u8* buffer, int size, i32 gameNumber)
{
    return ASN1_BuildMessage(buffer, size, 9, [&](CASN1Writer& w) { w.Int(0, gameNumber); });
}

int ASN1_EncodeGameData(u8* buffer, int size, const u8* bytes, int length)
{
    if (!bytes || length <= 0 || length > ASN1_GAME_DATA_LIMIT)
        return 0;
    return ASN1_BuildMessage(buffer, size, 13, [&](CASN1Writer& w) { w.Bytes(0, bytes, length); });
}

int ASN1_EncodeGameResult(u8* buffer, int size, i64 gameId, i32 gameNumber, i32 value2,
                          const CVortanArray<i32>* first, const CVortanArray<i32>* second, i32 flag)
{
    return ASN1_BuildMessage(buffer, size, 15, [&](CASN1Writer& w) {
        w.Long(0, gameId);
        w.Int(1, gameNumber);
        w.Int(2, value2);
        w.IntList(3, LIST_CONSTRUCTED, first);
        w.IntList(4, LIST_CONSTRUCTED, second);
        w.Int(5, flag ? 1 : 0);
    });
}

int ASN1_EncodePlayerListRequest(u8* buffer, int size, i32 selector, i32 firstIndex, i32 count,
                                 const CVortanString& filter, i32 value4, i32 value5)
{
    return ASN1_BuildMessage(buffer, size, 19, [&](CASN1Writer& w) {
        w.Int(0, selector);
        w.Int(1, firstIndex);
        w.Int(2, count);
        w.Text(3, filter);
        w.Int(4, value4);
        w.Int(5, value5);
    });
}

int ASN1_EncodeFollow(u8* buffer, int size, i32 otherId, i32 ownId, i32 value2, i32 stop,
                      const CVortanString& text4)
{
    return ASN1_BuildMessage(buffer, size, 21, [&](CASN1Writer& w) {
        w.Int(0, otherId);
        w.Int(1, ownId);
        w.Int(2, value2);
        w.Int(3, stop);
        w.Text(4, text4);
    });
}

int ASN1_EncodeChallengeRequest(u8* buffer, int size, i32 gameNumber,
                                const CVortanArray<i32>* players, const CVortanString& text2)
{
    return ASN1_BuildMessage(buffer, size, 38, [&](CASN1Writer& w) {
        w.Int(0, gameNumber);
        w.IntList(1, LIST_CONSTRUCTED, players);
        w.Text(2, text2);
    });
}

int ASN1_EncodeChallengeReply(u8* buffer, int size, i32 answer, i32 gameNumber, i32 ownId,
                              i32 challengerId, const CVortanString& text4,
                              const CVortanString& text5)
{
    return ASN1_BuildMessage(buffer, size, 40, [&](CASN1Writer& w) {
        w.Int(0, answer);
        w.Int(1, gameNumber);
        w.Int(2, ownId);
        w.Int(3, challengerId);
        w.Text(4, text4);
        w.Text(5, text5);
    });
}

int ASN1_EncodePing(u8* buffer, int size, i32 value)
{
    return ASN1_BuildMessage(buffer, size, 44, [&](CASN1Writer& w) { w.Int(0, value); });
}

int ASN1_EncodeOwnPageRequest(u8* buffer, int size, i32 gameNumber, i32 value1, i32 value2)
{
    return ASN1_BuildMessage(buffer, size, 74, [&](CASN1Writer& w) {
        w.Int(0, gameNumber);
        w.Int(1, value1);
        if (value2 >= 0)
            w.Int(2, value2);
    });
}
