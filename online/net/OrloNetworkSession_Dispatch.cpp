// COrloNetworkSession: what the lobby and game connections' messages do, tag by tag.
#include <string.h>

#include <vector>

#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Messages.h"
#include "online/protocol/ASN1Parsers.h"
#include "online/protocol/ASN1ShapeLists.h"
#include "online/protocol/ASN1Shapes.h"
#include "online/protocol/ASN1Wire.h"
#include "platform/OrlogateApplication.h"

namespace {

// Splits "host:port" at the first colon; false unless the host is non-empty and the port is
// a whole number 1..65535.
bool SplitHostPort(const CVortanString& text, CVortanString* host, int* port)
{
    int colon = text.Find(':');
    if (colon <= 0)
        return false;
    CVortanString digits(text, colon + 1, -1);
    if (digits.IsEmpty() || digits.GetLength() > 5)
        return false;
    int value = 0;
    for (int i = 0; i < digits.GetLength(); ++i) {
        unsigned short c = digits.GetAt(i);
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    *host = CVortanString(text, 0, colon);
    *port = value;
    return true;
}

} // namespace

COrloNetworkSession::LoginObserver* COrloNetworkSession::TakeLoginObserver()
{
    LoginObserver* observer = m_loginObserver;
    m_loginObserver = nullptr;
    return observer;
}

void COrloNetworkSession::FillRegistry(const CVortanArray<SPlayerRecord>& players)
{
    if (!m_lobby)
        return;
    m_lobby->Clear();
    for (int i = 0; i < players.GetSize(); ++i) {
        const SPlayerRecord& record = players[i];
        COrloPlayer* player = m_lobby->FindPlayerById(record.id);
        if (!player) {
            player = new (std::nothrow) COrloPlayer();
            if (!player)
                continue;
            if (!m_lobby->AddPlayer(player)) {
                delete player;
                continue;
            }
        }
        player->SetFromEntry(record);
        player->listIndex = i;
    }
}

void COrloNetworkSession::HandleGameMessage(const u8* bytes, int length)
{
    switch (ASN1_GetTag(bytes, length)) {
    case 13: {
        i32 size = 0;
        // A payload above the buffer is refused by the decoder and dropped.
        if (ASN1_DecodeGameData(bytes, length, m_payload, ASN1_GAME_DATA_LIMIT, &size) != VORTAN_OK)
            return;
        std::vector<GameObserver*> observers = m_gameObservers;
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnGameData(this, m_payload, size);
        return;
    }
    case 12: {
        i64 gameId = 0;
        CVortanArray<SPlayerRecord> players;
        i32 flag2 = 0, flag3 = 0, value5 = 0;
        CVortanString address;
        ASN1_DecodeGameBegin(bytes, length, &gameId, &players, &flag2, &flag3, &address, &value5);
        FillRegistry(players);
        m_gameLeft = 0;
        std::vector<GameObserver*> observers = m_gameObservers;
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnGameStart(this, m_ownPlayerId, m_matchFlag);
        return;
    }
    case 44: {
        i32 value = -1;
        if (ASN1_DecodePing(bytes, length, &value) == VORTAN_OK && value >= 0)
            m_lastPing[1] = value;
        if (value >= 0 && m_gameEngine)
            m_gameEngine->Send(bytes, length);
        return;
    }
    case 72: {
        i64 gameId = -1;
        i32 playerId = -1;
        if (ASN1_DecodePlayerLeft(bytes, length, &gameId, &playerId) != VORTAN_OK)
            return;
        if (gameId != m_gameId)
            return;
        m_gameLeft = 1;
        std::vector<GameObserver*> observers = m_gameObservers;
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnPlayerLeft(this, playerId);
        return;
    }
    default:
        HandleLobbyMessage(bytes, length);
        return;
    }
}

void COrloNetworkSession::HandleConnectAck(const u8* bytes, int length)
{
    CVortanString errorText, text;
    i32 result = 0, release = 0;
    CASN1ConnectACK message(&errorText, &result, &text, &release);
    message.Decode(bytes, length);
    if (release > 0) {
        m_releaseId = release;
        AppendGameQuery();
    }
    if (result >= 0) {
        SetLobbyState(LOBBY_STATE_ACKNOWLEDGED);
        return;
    }
    if (m_loginObserver) {
        CVortanString host;
        int port = 0;
        if (result == -3 && text.GetLength() < 256 && SplitHostPort(text, &host, &port)) {
            if (m_application)
                m_application->Reconnect(host, port);
            return;
        }
        if (result == -1)
            m_loginObserver->OnConnectRefused(this, text);
        else
            m_loginObserver->OnLoginError(this, errorText);
    }
    if (!m_retired)
        CloseSockets();
}

void COrloNetworkSession::HandleLoginReply(const u8* bytes, int length)
{
    m_loginTimer = -1.0f;
    LoginObserver* observer = TakeLoginObserver();
    if (!observer)
        return;
    i32 result = -1, value4 = 0;
    CVortanString text1, text2, text3, text5;
    ASN1_DecodeLoginReply(bytes, length, &result, &text1, &text2, &text3, &value4, &text5);
    m_ownPlayerId = result;
    m_loginToken = text1;
    if (result < 0) {
        const CVortanString* message = &Text(12);
        if (result == -8 || result == -1)
            message = &m_loginToken;
        else if (result == -7)
            message = &Text(32);
        else if (result == -4)
            message = &Text(31);
        else if (result == -3 || result == -2)
            message = &Text(18);
        CVortanString copy(*message);
        observer->OnLoginError(this, copy);
        return;
    }
    m_playerName = text3;
    SendLoginAcknowledge();
    SetLobbyState(LOBBY_STATE_LOGGED_IN);
    if (!m_retired)
        observer->OnLoginSuccess(this, result, text3, text1, text2, text5, value4);
}

void COrloNetworkSession::HandleGameBegin(const u8* bytes, int length)
{
    if (!m_gameEngine || (m_gameEngine->IsConnected(false) && !m_gameLeft))
        return;
    i64 gameId = 0;
    CVortanArray<SPlayerRecord> players;
    i32 flag2 = 0, flag3 = 0, value5 = 0;
    CVortanString address;
    if (ASN1_DecodeGameBegin(bytes, length, &gameId, &players, &flag2, &flag3, &address, &value5) !=
        VORTAN_OK)
        return;
    FillRegistry(players);
    CVortanString host;
    int port = 0;
    if (!SplitHostPort(address, &host, &port))
        return;
    // The game the other player left gives way to the new one.
    if (m_gameLeft)
        CloseGameSocket();
    m_gameLeft = 0;
    m_gameId = gameId;
    if (m_gameEngine->Connect(host, port,
                              m_application ? m_application->GetNetConnection() : nullptr) == 1) {
        m_joined = 0;
        m_matchFlag = flag2;
    }
}

void COrloNetworkSession::HandlePlayerList(const u8* bytes, int length)
{
    i32 value0 = -1, firstIndex = -1, selector = 0;
    CVortanArray<SPlayerListItem> players;
    CVortanArray<SGroupListItem> groups;
    CASN1PlayerList message(&value0, &firstIndex, &selector, &players, &groups);
    message.Decode(bytes, length);
    std::map<i64, Callback>::iterator it =
        m_playerListRequests.find(MakeRequestKey(selector, firstIndex));
    if (it == m_playerListRequests.end())
        return;
    Callback callback = it->second;
    m_playerListRequests.erase(it);
    if (!callback.function)
        return;
    if (firstIndex < 0)
        callback.function(callback.context, selector, firstIndex, value0,
                          groups.GetSize() > 0 ? &groups : nullptr, nullptr, nullptr, 0);
    for (int i = 0; i < players.GetSize() && !m_retired; ++i) {
        callback.function(callback.context, selector, firstIndex + i, value0, nullptr, &players[i],
                          nullptr, 0);
        m_playerImageRequests[(i64)players[i].id] = callback;
    }
}

void COrloNetworkSession::HandlePlayerImage(const u8* bytes, int length)
{
    i32 playerId = -1, value1 = 0, size = 0;
    u8* image = nullptr;
    ASN1_DecodePlayerImage(bytes, length, &playerId, &value1, &image, &size);
    std::map<i64, Callback>::iterator it = m_playerImageRequests.find((i64)playerId);
    if (it != m_playerImageRequests.end()) {
        Callback callback = it->second;
        m_playerImageRequests.erase(it);
        if (callback.function)
            callback.function(callback.context, 0, playerId, 0, nullptr, nullptr, image, size);
    } else if (playerId == m_challengerId) {
        m_challengerId = -1;
        std::vector<LobbyObserver*> observers = m_lobbyObservers;
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnPlayerAvatar(this, playerId, image, size);
    }
    delete[] image;
}

void COrloNetworkSession::HandleLobbyMessage(const u8* bytes, int length)
{
    const int tag = ASN1_GetTag(bytes, length);
    m_idleTime = 0.0f;
    std::vector<LobbyObserver*> lobby = m_lobbyObservers;
#define EACH_LOBBY_OBSERVER                                                                        \
    for (size_t i = 0; i < lobby.size() && !m_retired; ++i)                                        \
    lobby[i]
    switch (tag) {
    case 2:
        HandleConnectAck(bytes, length);
        break;
    case 6:
        HandleLoginReply(bytes, length);
        break;
    case 8: {
        CVortanArray<SPlayerRecord> players;
        i32 v1 = -1, v2 = -1, v3 = -1;
        ASN1_DecodePlayerListUpdate(bytes, length, &players, &v1, &v2, &v3);
        if (v3 >= 0)
            FillRegistry(players);
        EACH_LOBBY_OBSERVER->OnPlayerListUpdate(this, v1, v2, v3);
        break;
    }
    case 11: {
        i32 v0 = 0, v1 = 0, v2 = 0, v4 = -1;
        CVortanArray<SAchievementInfo> list;
        CASN1AchievementList message(&v0, &v1, &v2, &list, &v4);
        message.Decode(bytes, length);
        EACH_LOBBY_OBSERVER->OnAchievementList(v0, v1, v2, list, v4);
        break;
    }
    case 12:
        HandleGameBegin(bytes, length);
        break;
    case 20:
        HandlePlayerList(bytes, length);
        break;
    case 21:
    case 22: {
        i32 v[4] = {0, 0, 0, 0};
        CVortanString text4, text5;
        ASN1_DecodePlayerStatus(bytes, length, &v[0], &v[1], &v[2], &v[3], &text4, &text5);
        if (tag == 21)
            EACH_LOBBY_OBSERVER->OnPlayerStatus(this, v[1], v[2], v[3], text4, text5);
        else
            EACH_LOBBY_OBSERVER->OnPlayerStatus(this, v[0], v[2] + 2, v[3], text4, text5);
        break;
    }
    case 29:
        HandleLanguages(bytes, length);
        break;
    case 31:
        HandleLanguagePack(bytes, length);
        break;
    case 39: {
        i64 v0 = 0;
        i32 challenger = 0, v4 = -1, v5 = -1;
        CVortanString name, text;
        CASN1ChallengeReceived message(&v0, &challenger, &name, &text, &v4, &v5);
        message.Decode(bytes, length);
        if (!m_joined && !(m_gameEngine && m_gameEngine->IsConnected(false) && !m_gameLeft)) {
            m_challengerId = challenger;
            EACH_LOBBY_OBSERVER->OnChallengeReceived(this, challenger, name, text, v4, v5);
        } else {
            SendChallengeReply(challenger, 0, CVortanString());
        }
        break;
    }
    case 40: {
        i32 answer = 0, v1 = 0, playerId = 0, v3 = 0;
        CVortanString text4, text5;
        ASN1_DecodeChallengeReply(bytes, length, &answer, &v1, &playerId, &v3, &text4, &text5);
        EACH_LOBBY_OBSERVER->OnChallengeReply(this, playerId, text4, text5, answer);
        break;
    }
    case 44: {
        i32 value = -1;
        if (ASN1_DecodePing(bytes, length, &value) == VORTAN_OK && value >= 0)
            m_lastPing[0] = value;
        if (value >= 0 && m_lobbyEngine)
            m_lobbyEngine->Send(bytes, length);
        break;
    }
    case 45: {
        i32 kind = 0, value = 0;
        CVortanString text;
        CASN1Notification message(&kind, &text, &value);
        message.Decode(bytes, length);
        std::vector<StatusObserver*> observers = m_statusObservers;
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnNotification(this, kind, value, text);
        break;
    }
    case 52: {
        CVortanString name, link, label, text4;
        u8* image = nullptr;
        i32 size = 0;
        CASN1ImageAndLink message(&name, &image, &size, &link, &label, &text4);
        message.Decode(bytes, length);
        EACH_LOBBY_OBSERVER->OnImageAndLink(name, size, image, link, label, text4);
        delete[] image;
        break;
    }
    case 58: {
        LoginObserver* observer = TakeLoginObserver();
        if (!observer)
            break;
        CVortanString challenge, text1;
        ASN1_DecodeLoginChallenge(bytes, length, &challenge, &text1);
        if (challenge.IsEmpty())
            observer->OnLoginError(this, Text(18));
        else
            observer->OnLoginChallenge(this, challenge);
        break;
    }
    case 64: {
        COrloChatRecord record;
        CASN1ChatMessage message(&record.kind, &record.text, &record.playerId);
        message.Decode(bytes, length);
        if (m_application)
            m_application->OnChatMessage(record, true);
        break;
    }
    case 71:
    case 91: {
        i32 got = 0, value = tag == 91 ? -1 : 0;
        CASN1_IntShape shape = {&got, &value};
        ASN1_DecodeIntMessage(shape, bytes, length);
        if (tag == 71)
            EACH_LOBBY_OBSERVER->OnGameStatus(value);
        else
            EACH_LOBBY_OBSERVER->OnCoinBalance(value);
        break;
    }
    case 75: {
        CVortanArray<SMatchResult> results;
        ASN1_DecodeMatchResults(bytes, length, &results);
        for (int r = 0; r < results.GetSize(); ++r)
            EACH_LOBBY_OBSERVER->OnMatchResults(this, r, results[r]);
        break;
    }
    case 80: {
        CVortanString t0, t1, t6, t8, t9;
        u8* image = nullptr;
        i32 size = 0, v3 = 0, v4 = 0, v7 = 0;
        CVortanArray<i32> values;
        CASN1AdvertisementInfo message(&t0, &t1, &image, &size, &v3, &v4, &values, &t6, &v7, &t8,
                                       &t9);
        message.Decode(bytes, length);
        std::vector<AdvertisementObserver*> observers = m_advertObservers;
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnAdvertisementInfo(t0, t1, image, size, v3, v4, &values, t6, v7, t8, t9);
        delete[] image;
        break;
    }
    case 85:
        HandlePlayerImage(bytes, length);
        break;
    case 105:
    case 116: {
        i32 result = -1, item = tag == 105 ? 0 : -1;
        CVortanString text;
        if (tag == 105) {
            CASN1ConfirmBuyItemResponse message(&result, &item, &text);
            message.Decode(bytes, length);
            EACH_LOBBY_OBSERVER->OnConfirmBuyItemResponse(result, item, text);
        } else {
            CASN1ConfirmBuyPlayerItemsResponse message(&result, &item, &text);
            message.Decode(bytes, length);
            EACH_LOBBY_OBSERVER->OnConfirmBuyPlayerItemsResponse(result, item, text);
        }
        break;
    }
    case 106: {
        i32 v0 = -1, v1 = 0, v3 = -1;
        CVortanString text;
        CASN1UpdateItemStateResponse message(&v0, &v1, &text, &v3);
        message.Decode(bytes, length);
        EACH_LOBBY_OBSERVER->OnUpdateItemStateResponse(v0, v1, text, v3);
        break;
    }
    case 108:
    case 110: {
        if (!m_loginObserver)
            break;
        LoginObserver* observer = TakeLoginObserver();
        i32 result = 0;
        CVortanString text;
        int read;
        if (tag == 108) {
            CASN1ConfirmUserNameACK message(&result, &text);
            read = message.Decode(bytes, length);
        } else {
            CASN1ConfirmEmailACK message(&result, &text);
            read = message.Decode(bytes, length);
        }
        if (read <= 0)
            break;
        if (tag == 108)
            observer->OnConfirmUserNameAck(this, result, text);
        else
            observer->OnConfirmEmailAck(this, result, text);
        break;
    }
    case 114: {
        i32 result = -1;
        CVortanString text;
        CVortanArray<SShopItemData> items;
        CASN1PlayerGiftItems message(&result, &text, &items);
        message.Decode(bytes, length);
        EACH_LOBBY_OBSERVER->OnPlayerGiftItems(result, text, items);
        break;
    }
    case 87:
    case 89:
    case 93:
    case 97:
    case 100:
    case 103:
        HandleShopMessage(tag, bytes, length);
        break;
    default:
        break;
    }
#undef EACH_LOBBY_OBSERVER
}

void COrloNetworkSession::HandleShopMessage(int tag, const u8* bytes, int length)
{
    std::vector<LobbyObserver*> lobby = m_lobbyObservers;
    i32 got = 0;
    switch (tag) {
    case 87: {
        CVortanArray<SItemData> items;
        CASN1_ItemDataListShape shape = {&got, &items};
        ASN1_DecodeItemDataList(shape, bytes, length);
        for (size_t i = 0; i < lobby.size() && !m_retired; ++i)
            lobby[i]->OnItemData(items);
        break;
    }
    case 89: {
        i32 id = -1, offset = -1, size = 0, remaining = 0;
        u8* chunk = nullptr;
        CASN1_ItemPackChunkShape shape = {&got, &id, &offset, &chunk, &size, &remaining};
        if (ASN1_DecodeItemPackChunk(shape, bytes, length) == 0 && !chunk)
            break;
        if (chunk && size > 0) {
            for (size_t i = 0; i < lobby.size() && !m_retired; ++i)
                lobby[i]->OnItemPackData(id, offset, chunk, size, remaining);
        }
        delete[] chunk;
        break;
    }
    case 93: {
        i32 parent = 0;
        CVortanArray<SShopGroupData> groups;
        CASN1_ShopGroupsShape shape = {&got, &parent, &groups};
        ASN1_DecodeShopGroups(shape, bytes, length);
        for (size_t i = 0; i < lobby.size() && !m_retired; ++i)
            lobby[i]->OnShopGroups(parent, groups);
        break;
    }
    case 97: {
        i32 group = -1, value1 = -1;
        CVortanArray<SShopItemData> items;
        CASN1_ShopItemsShape shape = {&got, &group, &value1, &items};
        ASN1_DecodeShopItems(shape, bytes, length);
        for (size_t i = 0; i < lobby.size() && !m_retired; ++i)
            lobby[i]->OnShopItems(group, value1, items);
        break;
    }
    case 100: {
        i32 v0 = -1, v1 = -1, size = 0;
        u8* image = nullptr;
        CASN1_ShopItemImageShape shape = {&got, &v0, &v1, &image, &size};
        ASN1_DecodeShopItemImage(shape, bytes, length);
        if (image && size > 0) {
            for (size_t i = 0; i < lobby.size() && !m_retired; ++i)
                lobby[i]->OnShopItemImage(v0, v1, image, size);
        }
        delete[] image;
        break;
    }
    case 103: {
        i32 result = -1, value1 = 0;
        CVortanString text;
        CVortanArray<SBuyItemPlayerInfo> players;
        CASN1_BuyItemPlayersShape shape = {&got, &result, &value1, &text, &players};
        ASN1_DecodeBuyItemPlayers(shape, bytes, length);
        for (size_t i = 0; i < lobby.size() && !m_retired; ++i)
            lobby[i]->OnBuyItemPlayers(result, value1, text, players);
        break;
    }
    default:
        break;
    }
}
