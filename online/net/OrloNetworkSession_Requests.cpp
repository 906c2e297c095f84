// COrloNetworkSession: the requests it sends, their guards, and the texts of web links.
#include <sys/random.h>

#include <vector>

#include "engine/VortanMD5.h"
#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Messages.h"
#include "online/protocol/ASN1Shapes.h"
#include "online/protocol/ASN1Wire.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"

namespace {

// Encodes a message class: a size query, then the message into a buffer of that size.
bool EncodeMessage(CASN1_Message& message, std::vector<u8>& out)
{
    int size = message.Encode(nullptr, 0);
    if (size <= 0)
        return false;
    out.resize((size_t)size);
    return message.Encode(out.data(), size) == size;
}

// The same for a builder taking (buffer, size).
template <typename Build>
bool EncodeWith(Build build, std::vector<u8>& out)
{
    int size = build(nullptr, 0);
    if (size <= 0)
        return false;
    out.resize((size_t)size);
    return build(out.data(), size) == size;
}

const char kAlphabet[] = "AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz0123456789-_";

} // namespace

// --- helpers -----------------------------------------------------------------------------------

void COrloNetworkSession::SendMessage(CSocketEngine* engine, const u8* bytes, int length)
{
    if (engine && length > 0)
        engine->Send(bytes, length);
}

CSocketEngine* COrloNetworkSession::CheckedLobby(bool report)
{
    if (!m_lobbyEngine || !m_lobbyEngine->IsConnected(report))
        return nullptr;
    return m_lobbyEngine;
}

bool COrloNetworkSession::LoginObserverFree(LoginObserver* observer) const
{
    return !m_loginObserver || m_loginObserver == observer;
}

void COrloNetworkSession::SendInts(CSocketEngine* engine, int tag, const i32* values, int count)
{
    if (!engine)
        return;
    std::vector<i32> copies(values, values + count);
    CASN1_Message message(tag);
    for (int i = 0; i < count; ++i)
        message.AddField(new (std::nothrow) CASN1_IntField(&copies[(size_t)i]));
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

i64 COrloNetworkSession::MakeRequestKey(int selector, int firstIndex)
{
    // Both halves zero-extended: a negative first index must not cover the selector.
    return (i64)(((u64)(u32)selector << 32) | (u64)(u32)firstIndex);
}

// --- connection and login --------------------------------------------------------------------------

void COrloNetworkSession::SendConnectRequest()
{
    if (!m_lobbyEngine || !m_application)
        return;
    SConnectRequest request;
    IVortanGraphicsContext* graphics = m_application->GetGraphics();
    if (graphics) {
        request.width = m_application->GetScreenWidth();
        request.height = m_application->GetScreenHeight();
    }
    COrloDevice* device = m_application->GetDevice();
    CVortanString userAgent;
    if (device && device->GetInfo()) {
        CVortanString* info = device->GetInfo();
        request.model = info[ORLO_DEVICE_MODEL];
        request.osVersion = info[ORLO_DEVICE_OS_VERSION];
        request.imei = info[ORLO_DEVICE_IMEI];
        request.osName = info[ORLO_DEVICE_OS_NAME];
        userAgent = info[ORLO_DEVICE_SPARE];
    }
    CVortanString version, code;
    m_application->GetGameVersion(version);
    COrloLanguage* language = m_application->GetLanguage();
    if (language && language->GetCurrentLanguage())
        code = language->GetCurrentLanguage()->code;
    request.description = ASN1_FormatClientDescription(m_application->GetGameNumber(),
                                                       m_application->GetEditionFlag() ? 1 : 0,
                                                       version, userAgent, code);
    m_application->GetStoreName(request.storeName);
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* b, int s) { return ASN1_EncodeConnectRequest(b, s, request); }, bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
}

bool COrloNetworkSession::SendLoginChallengeRequest(const CVortanString& name,
                                                    LoginObserver* observer)
{
    if (!LoginObserverFree(observer))
        return false;
    m_loginObserver = observer;
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* b, int s) { return ASN1_EncodeLoginChallengeRequest(b, s, name); },
                   bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
    return true;
}

bool COrloNetworkSession::SendLogin(const CVortanString& name, const CVortanString& password,
                                    LoginObserver* observer)
{
    if (m_status == 0)
        return false;
    SetLobbyState(LOBBY_STATE_LOGIN_SENT);
    m_loginTimer = 0.0f;
    m_loginObserver = observer;
    std::vector<u8> bytes;
    if (EncodeWith(
            [&](u8* b, int s) {
                return ASN1_EncodeLogin(b, s, name, password, 1, CVortanString());
            },
            bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
    return true;
}

bool COrloNetworkSession::SendExternalLogin(int mode, const CVortanString& id,
                                            const CVortanString& token, const CVortanString& text,
                                            const CVortanString& email, LoginObserver* observer)
{
    if ((m_status & 0xFF) == 0)
        return false;
    SetLobbyState(LOBBY_STATE_LOGIN_SENT);
    m_loginTimer = 0.0f;
    m_loginObserver = observer;
    i32 m = mode;
    CVortanString a(id), b(token), c(text), d(email);
    CASN1ExternalLogin message(&m, &a, &b, &c, &d);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
    return true;
}

void COrloNetworkSession::SendLoginAcknowledge()
{
    SendInts(CheckedLobby(true), 28, nullptr, 0);
}

void COrloNetworkSession::SendLogout()
{
    CSocketEngine* engine = CheckedLobby(false);
    if (!engine || m_status <= 3)
        return;
    u8 bytes[3];
    int n = ASN1_EncodeLogout(bytes);
    SendMessage(engine, bytes, n);
}

bool COrloNetworkSession::SendConfirmUserName(const CVortanString& name, LoginObserver* observer)
{
    if (!LoginObserverFree(observer))
        return false;
    m_loginObserver = observer;
    CSocketEngine* engine = CheckedLobby(true);
    CVortanString copy(name);
    CASN1ConfirmUserName message(&copy);
    std::vector<u8> bytes;
    if (engine && EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
    return true;
}

bool COrloNetworkSession::SendConfirmEmail(const CVortanString& name, const CVortanString& email,
                                           const CVortanString& password, int kind,
                                           const CVortanString& token, const CVortanString& id,
                                           LoginObserver* observer)
{
    if (!LoginObserverFree(observer))
        return false;
    m_loginObserver = observer;
    CSocketEngine* engine = CheckedLobby(true);
    CVortanString a(name), b(email), c(password), e(token), f(id);
    i32 mode = kind;
    CASN1ConfirmEmail message(&a, &b, &c, &mode, &e, &f);
    std::vector<u8> bytes;
    if (engine && EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
    return true;
}

CVortanString COrloNetworkSession::MakeLoginResponse(const CVortanString& a, const CVortanString& b)
{
    CVortanString text(a);
    text.Append(b);
    MD5String(text);
    return text;
}

CVortanString COrloNetworkSession::GenerateRandomString(int min, int max, int seed)
{
    (void)seed; // the system's source needs no seed
    CVortanString out;
    if (min < 0 || max < min)
        return out;
    u32 pick = 0;
    if (getrandom(&pick, sizeof(pick), 0) != (ssize_t)sizeof(pick))
        pick = 0;
    int length = min + (int)(pick % (u32)(max - min + 1));
    std::vector<u8> random((size_t)length);
    size_t got = 0;
    while (got < random.size()) {
        ssize_t n = getrandom(random.data() + got, random.size() - got, 0);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    for (int i = 0; i < length; ++i)
        out.AppendChar((unsigned short)kAlphabet[random[(size_t)i] % 64]);
    return out;
}

// --- game socket ---------------------------------------------------------------------------------

void COrloNetworkSession::SendGameData(const u8* payload, int length)
{
    if (!m_gameEngine)
        return;
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* b, int s) { return ASN1_EncodeGameData(b, s, payload, length); }, bytes))
        SendMessage(m_gameEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendGameReady()
{
    if (!m_gameEngine || !m_application)
        return;
    i32 one = 1, players = m_lobby ? m_lobby->GetPlayerCount() : 0, flag = m_matchFlag ? 1 : 0;
    i32 ownId = m_ownPlayerId, number = m_application->GetGameNumber();
    i64 gameId = m_gameId;
    CVortanString version("2.05");
    CASN1GameReady message(&one, &gameId, &players, &flag, &ownId, &number, &version);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(m_gameEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendGameResult(const void* ids, const void* places, int flag)
{
    if (!m_gameEngine || !m_application)
        return;
    const CVortanArray<i32>* first = (const CVortanArray<i32>*)ids;
    const CVortanArray<i32>* second = (const CVortanArray<i32>*)places;
    int number = m_application->GetGameNumber();
    std::vector<u8> bytes;
    if (EncodeWith(
            [&](u8* b, int s) {
                return ASN1_EncodeGameResult(b, s, m_gameId, number, 0, first, second, flag);
            },
            bytes))
        SendMessage(m_gameEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendRematchReply(int answer)
{
    if (!m_gameEngine)
        return;
    i32 tag = 70, yes = answer ? 1 : 0, one = 1;
    i64 gameId = m_gameId;
    CASN1_RematchShape shape = {&tag, &gameId, &yes, &one};
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* b, int s) { return ASN1_EncodeRematchReply(shape, b, s); }, bytes))
        SendMessage(m_gameEngine, bytes.data(), (int)bytes.size());
    if (!answer) {
        CloseGameSocket();
        if (m_lobby)
            m_lobby->Clear();
    }
}

void COrloNetworkSession::SendChatMessage(const COrloChatRecord& record)
{
    if (!m_gameEngine)
        return;
    COrloChatRecord copy(record);
    CASN1ChatMessage message(&copy.kind, &copy.text, &copy.playerId);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(m_gameEngine, bytes.data(), (int)bytes.size());
    if (m_application && !m_retired)
        m_application->OnChatMessage(record, false);
}

void COrloNetworkSession::SendPing()
{
    std::vector<u8> bytes;
    if (!EncodeWith([](u8* b, int s) { return ASN1_EncodePing(b, s, -1); }, bytes))
        return;
    CSocketEngine* lobby = CheckedLobby(true);
    if (lobby)
        SendMessage(lobby, bytes.data(), (int)bytes.size());
    if (!m_retired && m_gameEngine && m_gameEngine->IsConnected(false))
        SendMessage(m_gameEngine, bytes.data(), (int)bytes.size());
}

// --- lobby requests ------------------------------------------------------------------------------

void COrloNetworkSession::SendJoin(int a, int b)
{
    if (!m_lobbyEngine || !m_application)
        return;
    if (m_joined)
        SendLeave();
    int number = m_application->GetGameNumber();
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* buf, int s) { return ASN1_EncodeJoin(buf, s, number, a, b); }, bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
    m_joined = 1;
}

void COrloNetworkSession::SendLeave()
{
    if (!m_joined || !m_lobbyEngine || !m_application)
        return;
    int number = m_application->GetGameNumber();
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* buf, int s) { return ASN1_EncodeLeave(buf, s, number); }, bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
    m_joined = 0;
}

i64 COrloNetworkSession::SendPlayerListRequest(int selector, const CVortanString& text, int c,
                                               int d, int firstIndex, int e,
                                               PlayerListCallback callback, void* context)
{
    if (!m_lobbyEngine)
        return -1;
    i64 key = MakeRequestKey(selector, firstIndex);
    if (m_playerListRequests.count(key))
        return -1;
    std::vector<u8> bytes;
    if (EncodeWith(
            [&](u8* b, int s) {
                return ASN1_EncodePlayerListRequest(b, s, selector, firstIndex, e, text, c, d);
            },
            bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
    m_playerListRequests[key] = Callback{callback, context};
    return key;
}

void COrloNetworkSession::SendGameAcknowledge(PlayerListCallback callback, void* context)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    i32 tag = 18;
    i64 gameId = m_gameId;
    CASN1_LongShape shape = {&tag, &gameId};
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* b, int s) { return ASN1_EncodeLongMessage(shape, b, s); }, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
    m_playerListRequests[MakeRequestKey(256, 0)] = Callback{callback, context};
}

void COrloNetworkSession::SendChallengeReply(int challenger, int answer, const CVortanString& text)
{
    if (!m_lobbyEngine || !m_application)
        return;
    int number = m_application->GetGameNumber();
    std::vector<u8> bytes;
    if (EncodeWith(
            [&](u8* b, int s) {
                return ASN1_EncodeChallengeReply(b, s, answer, number, m_ownPlayerId, challenger,
                                                 CVortanString(), text);
            },
            bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendPlayerRelation(int playerId, int value, const CVortanString& text)
{
    if (!m_lobbyEngine)
        return;
    std::vector<u8> bytes;
    if (EncodeWith(
            [&](u8* b, int s) {
                return ASN1_EncodeFollow(b, s, playerId, m_ownPlayerId, 1, value, text);
            },
            bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendOwnPageRequest(int a, int b)
{
    if (!m_lobbyEngine || !m_application)
        return;
    int number = m_application->GetGameNumber();
    std::vector<u8> bytes;
    if (EncodeWith([&](u8* buf, int s) { return ASN1_EncodeOwnPageRequest(buf, s, number, a, b); },
                   bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendChallengeRequest(const CVortanArray<i32>* ids,
                                               const CVortanString& text)
{
    if (!m_lobbyEngine || !m_application)
        return;
    int number = m_application->GetGameNumber();
    std::vector<u8> bytes;
    if (EncodeWith(
            [&](u8* b, int s) { return ASN1_EncodeChallengeRequest(b, s, number, ids, text); },
            bytes))
        SendMessage(m_lobbyEngine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendShortIntMessage(int value)
{
    SendInts(CheckedLobby(true), 92, &value, 1);
}

void COrloNetworkSession::SendPlayerGiftRequest(int value)
{
    SendInts(CheckedLobby(true), 113, &value, 1);
}

void COrloNetworkSession::SendUpdateItemState(int item, int on)
{
    i32 values[2] = {item, on ? 1 : 0};
    SendInts(CheckedLobby(true), 98, values, 2);
}

void COrloNetworkSession::SendValuePair(int a, int b)
{
    i32 values[2] = {a, b};
    SendInts(CheckedLobby(true), 101, values, 2);
}

void COrloNetworkSession::SendBuyItemRequest(int a, int b)
{
    i32 values[2] = {a, b};
    SendInts(CheckedLobby(true), 102, values, 2);
}

void COrloNetworkSession::SendGetShopItems(int group, int count, int first)
{
    i32 values[3] = {group, count, first};
    SendInts(CheckedLobby(true), 96, values, 3);
}

void COrloNetworkSession::SendGetItemPackChunk(int item, int offset, int size)
{
    i32 values[3] = {item, offset, size};
    SendInts(CheckedLobby(true), 88, values, 3);
}

void COrloNetworkSession::SendGetCoinBalance()
{
    SendInts(CheckedLobby(true), 90, nullptr, 0);
}

void COrloNetworkSession::SendShopDone()
{
    SendInts(CheckedLobby(true), 94, nullptr, 0);
}

void COrloNetworkSession::SendAdvertisementRequest()
{
    SendInts(CheckedLobby(true), 112, nullptr, 0);
}

void COrloNetworkSession::SendGetAchievementList(int value0, int value1, int value2)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine || !m_application)
        return;
    i32 a = value0, b = value1, c = value2, number = m_application->GetGameNumber();
    CASN1GetAchievementList message(&a, &b, &c, &number);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendGetLanguagePack(const CVortanString& code, const CVortanString& name)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    CVortanString a(code), b(name);
    CASN1GetLanguagePack message(&a, &b);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendChangeLanguage(const CVortanString& code)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    CVortanString a(code);
    CASN1ChangeLanguageMessage message(&a);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendString2Message(const CVortanString& a, const CVortanString& b)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    CVortanString x(a), y(b);
    CASN1String2Message message(51, &x, &y);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendBlockUser(int playerId, int block)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    i32 id = playerId, on = block;
    CASN1BlockUser message(&id, &on);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendGetShopItemImage(const CVortanArray<i32>* itemIds, int value1)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    u8 buffer[128];
    int carried = 0;
    int n = ASN1_EncodeGetShopItemImage(buffer, (int)sizeof(buffer), itemIds, value1, &carried);
    SendMessage(engine, buffer, n);
}

void COrloNetworkSession::SendConfirmBuyItem(int value0, int value1,
                                             const CVortanArray<i32>* selection)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    // Without chosen players only the two values go; the list field comes with a selection.
    if (!selection || selection->GetSize() == 0) {
        i32 values[2] = {value0, value1};
        SendInts(engine, 104, values, 2);
        return;
    }
    i32 a = value0, b = value1;
    CVortanArray<i32> copy;
    for (int i = 0; i < selection->GetSize(); ++i)
        copy.SetAtGrow(i, (*selection)[i]);
    CASN1ConfirmBuyItem message(&a, &b, &copy);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::SendConfirmBuyPlayerItems(int value0, int value1,
                                                    const CVortanArray<i32>* values)
{
    CSocketEngine* engine = CheckedLobby(true);
    if (!engine)
        return;
    i32 a = value0, b = value1;
    CVortanArray<i32> copy;
    for (int i = 0; values && i < values->GetSize(); ++i)
        copy.SetAtGrow(i, (*values)[i]);
    CASN1ConfirmBuyPlayerItems message(&a, &b, &copy);
    std::vector<u8> bytes;
    if (EncodeMessage(message, bytes))
        SendMessage(engine, bytes.data(), (int)bytes.size());
}

void COrloNetworkSession::ClearPlayerListRequests()
{
    m_playerListRequests.clear();
}

// --- web-link texts --------------------------------------------------------------------------------

void COrloNetworkSession::AppendGameQuery()
{
    if (!m_application)
        return;
    CVortanString store;
    m_application->GetStoreName(store);
    std::string storeText = VortanUTF8Of(store);
    char text[512];
    if (m_releaseId != 0)
        snprintf(text, sizeof(text), "&game=%d&release=%d&rid=%s", m_application->GetGameNumber(),
                 m_releaseId, storeText.c_str());
    else
        snprintf(text, sizeof(text), "&game=%d&rid=%s", m_application->GetGameNumber(),
                 storeText.c_str());
    m_gameQuery.AssignUTF8(text, -1);
}

const CVortanString& COrloNetworkSession::BuildLinkToken()
{
    m_linkToken.Empty();
    CVortanString secret, imei;
    if (m_application) {
        IOrloGameState* game = m_application->GetGameState();
        if (game)
            game->GetAppSecret(secret);
        COrloDevice* device = m_application->GetDevice();
        if (device && device->GetInfo())
            imei = device->GetInfo()[ORLO_DEVICE_IMEI];
    }
    CVortanString number;
    number.FromInteger(m_ownPlayerId, 10);
    m_linkToken = number;
    m_linkToken.Append(secret);
    m_linkToken.Append(m_loginToken);
    m_linkToken.Append(imei);
    number.FromInteger(m_releaseId, 10);
    m_linkToken.Append(number);
    MD5String(m_linkToken);
    return m_linkToken;
}
