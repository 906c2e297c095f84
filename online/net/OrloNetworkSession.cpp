// COrloNetworkSession: life cycle, connection state, observers, reassembly and time-outs.
#include "online/net/OrloNetworkSession.h"

#include <string.h>

#include <algorithm>
#include <new>

#include "online/protocol/ASN1Wire.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"

namespace {

const int kChannelSize = 65536;
const int kPayloadSize = 32768;
const int kHeaderMax = 7; // two identifier octets and five length octets
const float kIdleLimit = 60.0f;
const float kLoginLimit = 40.0f;

template <typename T>
void InsertSorted(std::vector<T*>& list, T* item)
{
    list.insert(std::upper_bound(list.begin(), list.end(), item,
                                 [](T* a, T* b) { return (uintptr_t)a < (uintptr_t)b; }),
                item);
}

template <typename T>
void RemoveOne(std::vector<T*>& list, T* item)
{
    typename std::vector<T*>::iterator it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

// Counts a delivery in progress for the life of a block.
class DeliveryScope {
public:
    explicit DeliveryScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~DeliveryScope() { --m_depth; }

private:
    int& m_depth;
};

} // namespace

// --- the game engine's observer -------------------------------------------------------------

void COrloNetworkSession::GameSocketObserver::OnSocketStatus(int code, int detail)
{
    if (m_session)
        m_session->OnGameSocketStatus(code, detail);
}

void COrloNetworkSession::GameSocketObserver::OnSocketData(const unsigned char* bytes, int length)
{
    if (m_session)
        m_session->OnGameSocketData(bytes, length);
}

// --- life cycle ---------------------------------------------------------------------------------

COrloNetworkSession::COrloNetworkSession()
    : m_application(nullptr), m_lobbyEngine(nullptr), m_gameEngine(nullptr), m_lobby(nullptr),
      m_payload(nullptr), m_status(0), m_loginObserver(nullptr), m_ownPlayerId(-1), m_gameId(0),
      m_matchFlag(0), m_releaseId(0), m_loginTimer(-1.0f), m_challengerId(-1), m_lastPing{-1, -1},
      m_joined(0), m_idleTime(0.0f), m_delivering(0), m_retired(0)
{
    memset(m_channels, 0, sizeof(m_channels));
    m_gameSocketObserver.SetSession(this);
}

COrloNetworkSession::~COrloNetworkSession()
{
    m_delivering = 0;
    Shutdown();
    m_gameSocketObserver.SetSession(nullptr);
}

int COrloNetworkSession::Init(COrlogateApplication* application, StatusObserver* statusObserver)
{
    if (!application)
        return 0;
    m_application = application;
    m_idleTime = 0.0f;
    m_retired = 0;
    m_ownPlayerId = -1;
    for (int i = 0; i < 2; ++i) {
        m_channels[i].buffer = new (std::nothrow) u8[kChannelSize];
        if (!m_channels[i].buffer)
            return VORTAN_E_NOMEMORY;
        m_channels[i].capacity = kChannelSize;
        m_channels[i].held = 0;
        m_channels[i].pending = 0;
    }
    m_payload = new (std::nothrow) u8[kPayloadSize];
    m_lobbyEngine = new (std::nothrow) CSocketEngine();
    m_gameEngine = new (std::nothrow) CSocketEngine();
    if (!m_payload || !m_lobbyEngine || !m_gameEngine)
        return VORTAN_E_NOMEMORY;
    if (m_lobbyEngine->Init(application, this) != 1 ||
        m_gameEngine->Init(application, &m_gameSocketObserver) != 1)
        return VORTAN_E_FAIL;
    m_gameId = 0;
    m_matchFlag = 0;
    m_releaseId = 0;
    AppendGameQuery();
    m_status = 0;
    if (statusObserver)
        AddStatusObserver(statusObserver);
    m_joined = 0;
    m_loginObserver = nullptr;
    m_lobby = new (std::nothrow) COrloLobby();
    if (!m_lobby)
        return VORTAN_E_NOMEMORY;
    IOrloGameState* game = application->GetGameState();
    m_lobby->SetLimits(game ? game->GetMinPlayers() : 2, game ? game->GetMaxPlayers() : 2);
    return VORTAN_OK;
}

void COrloNetworkSession::Shutdown()
{
    if (m_delivering) {
        // Replaced from inside its own delivery: quiet now, torn down when deleted.
        m_retired = 1;
        m_statusObservers.clear();
        m_lobbyObservers.clear();
        m_gameObservers.clear();
        m_advertObservers.clear();
        m_loginObserver = nullptr;
        m_application = nullptr;
        return;
    }
    if (m_lobby) {
        m_lobby->Clear();
        delete m_lobby;
        m_lobby = nullptr;
    }
    m_retired = 1;
    CloseSockets();
    if (m_gameEngine) {
        m_gameEngine->Reset();
        delete m_gameEngine;
        m_gameEngine = nullptr;
    }
    if (m_lobbyEngine) {
        m_lobbyEngine->Reset();
        delete m_lobbyEngine;
        m_lobbyEngine = nullptr;
    }
    m_status = 0;
    m_statusObservers.clear();
    m_lobbyObservers.clear();
    m_loginObserver = nullptr;
    m_application = nullptr;
    for (int i = 0; i < 2; ++i) {
        delete[] m_channels[i].buffer;
        m_channels[i].buffer = nullptr;
        m_channels[i].capacity = 0;
        m_channels[i].held = 0;
        m_channels[i].pending = 0;
    }
    delete[] m_payload;
    m_payload = nullptr;
}

const CVortanString& COrloNetworkSession::Text(int index) const
{
    static const CVortanString empty;
    COrloLanguage* language = m_application ? m_application->GetLanguage() : nullptr;
    return language ? language->GetText(index) : empty;
}

// --- connection ----------------------------------------------------------------------------------

int COrloNetworkSession::ConnectLobby(const CVortanString& host, int port, LoginObserver* observer)
{
    if (!m_lobbyEngine || !m_application)
        return 0;
    if (m_lobbyEngine->IsConnected(false))
        CloseSockets();
    m_lobbyEngine->Reset();
    if (m_lobbyEngine->Init(m_application, this) != 1)
        return 0;
    m_channels[0].held = 0;
    m_channels[0].pending = 0;
    SetLobbyState(LOBBY_STATE_CONNECTING);
    m_loginObserver = observer;
    return m_lobbyEngine->Connect(host, port, m_application->GetNetConnection());
}

void COrloNetworkSession::CloseLobbySocket()
{
    if (m_lobbyEngine && m_lobbyEngine->IsConnected(false)) {
        m_lobbyEngine->Close(false);
        m_channels[0].held = 0;
        m_channels[0].pending = 0;
        SetLobbyState(LOBBY_STATE_CLOSED);
    }
}

void COrloNetworkSession::CloseGameSocket()
{
    if (m_gameEngine && m_gameEngine->IsConnected(false)) {
        m_gameEngine->Close(false);
        m_channels[1].held = 0;
        m_channels[1].pending = 0;
    }
    SetGameState(0);
}

void COrloNetworkSession::CloseSockets()
{
    CloseGameSocket();
    CloseLobbySocket();
}

void COrloNetworkSession::SetStatus(int word)
{
    if (word == m_status)
        return;
    int old = m_status;
    m_status = word;
    // A copy: an observer may add or remove observers (or replace the session) from its call.
    std::vector<StatusObserver*> observers = m_statusObservers;
    if ((old & 0xFF) != (word & 0xFF)) {
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnLobbyStateChanged(this, word & 0xFF);
    }
    if ((old & 0xFF00) != (word & 0xFF00)) {
        for (size_t i = 0; i < observers.size() && !m_retired; ++i)
            observers[i]->OnGameStateChanged(this, word & 0xFF00);
    }
}

// --- observers -------------------------------------------------------------------------------------

void COrloNetworkSession::AddStatusObserver(StatusObserver* observer)
{
    if (observer)
        InsertSorted(m_statusObservers, observer);
}

void COrloNetworkSession::RemoveStatusObserver(StatusObserver* observer)
{
    RemoveOne(m_statusObservers, observer);
}

void COrloNetworkSession::AddLobbyObserver(LobbyObserver* observer)
{
    if (observer)
        InsertSorted(m_lobbyObservers, observer);
}

void COrloNetworkSession::RemoveLobbyObserver(LobbyObserver* observer)
{
    RemoveOne(m_lobbyObservers, observer);
}

void COrloNetworkSession::AddGameObserver(GameObserver* observer)
{
    if (observer)
        InsertSorted(m_gameObservers, observer);
}

void COrloNetworkSession::RemoveGameObserver(GameObserver* observer)
{
    RemoveOne(m_gameObservers, observer);
}

void COrloNetworkSession::AddAdvertisementObserver(AdvertisementObserver* observer)
{
    if (observer)
        InsertSorted(m_advertObservers, observer);
}

void COrloNetworkSession::RemoveAdvertisementObserver(AdvertisementObserver* observer)
{
    RemoveOne(m_advertObservers, observer);
}

// --- socket statuses ------------------------------------------------------------------------------

void COrloNetworkSession::OnSocketStatus(int code, int detail)
{
    (void)detail;
    if (m_retired)
        return;
    DeliveryScope scope(m_delivering);
    switch (code) {
    case SOCKET_FAILED:
    case SOCKET_TIMED_OUT:
    case SOCKET_CLOSED:
        CloseSockets();
        SetLobbyState(LOBBY_STATE_CLOSED);
        break;
    case SOCKET_CONNECTED:
        SendConnectRequest();
        SetLobbyState(LOBBY_STATE_REQUEST_SENT);
        break;
    case SOCKET_CONNECT_OR_SEND_FAILED:
        CloseSockets();
        SetLobbyState(LOBBY_STATE_CLOSED);
        if (m_loginObserver && !m_retired)
            m_loginObserver->OnLoginUnanswered(this, Text(3));
        break;
    default:
        break;
    }
}

void COrloNetworkSession::OnGameSocketStatus(int code, int detail)
{
    (void)detail;
    if (m_retired)
        return;
    DeliveryScope scope(m_delivering);
    switch (code) {
    case SOCKET_FAILED:
    case SOCKET_CONNECT_OR_SEND_FAILED:
        CloseGameSocket();
        break;
    case SOCKET_CONNECTED:
        SendShortIntMessage(1025);
        SetGameState(GAME_UP);
        break;
    case SOCKET_CLOSED:
        // The game server ended the connection: the engine is closed as well, or it would
        // count as connected for good and every later challenge would be refused unasked.
        CloseGameSocket();
        break;
    default:
        break;
    }
}

void COrloNetworkSession::OnSocketData(const unsigned char* bytes, int length)
{
    if (m_retired)
        return;
    DeliveryScope scope(m_delivering);
    ReassembleSocketData(0, bytes, length);
}

void COrloNetworkSession::OnGameSocketData(const unsigned char* bytes, int length)
{
    if (m_retired)
        return;
    DeliveryScope scope(m_delivering);
    ReassembleSocketData(1, bytes, length);
}

// --- reassembly -------------------------------------------------------------------------------------

void COrloNetworkSession::CloseChannel(int channel)
{
    Channel& c = m_channels[channel & 1];
    c.pending = 0;
    c.held = 0;
    if (channel & 1)
        CloseGameSocket();
    else
        CloseSockets();
}

bool COrloNetworkSession::ResizeChannel(int channel, int capacity)
{
    Channel& c = m_channels[channel & 1];
    if (capacity == c.capacity)
        return true;
    u8* buffer = new (std::nothrow) u8[capacity];
    if (!buffer)
        return false;
    if (c.held > 0)
        memcpy(buffer, c.buffer, (size_t)c.held);
    delete[] c.buffer;
    c.buffer = buffer;
    c.capacity = capacity;
    return true;
}

void COrloNetworkSession::ReassembleSocketData(int channel, const u8* bytes, int length)
{
    Channel& c = m_channels[channel & 1];
    while (length > 0 && !m_retired && c.buffer) {
        if (!c.pending) {
            int size = ASN1_GetMessageLength(bytes, length);
            if (size == ASN1_MALFORMED) {
                // Nothing after a header that can never start a message can be trusted.
                CloseChannel(channel);
                return;
            }
            if (size != ASN1_NOT_YET && size <= length) {
                Dispatch(channel, bytes, size);
                bytes += size;
                length -= size;
                continue;
            }
            // The start of a message: kept. The buffer returns to its normal size for a
            // message that fits it and grows only as far as the bytes that arrived.
            int take = size == ASN1_NOT_YET ? std::min(length, kHeaderMax) : length;
            int wanted = c.capacity;
            if (c.capacity > kChannelSize && size != ASN1_NOT_YET && size <= kChannelSize)
                wanted = kChannelSize;
            if (wanted < take)
                wanted = take;
            c.held = 0;
            if (!ResizeChannel(channel, wanted)) {
                CloseChannel(channel);
                return;
            }
            memcpy(c.buffer, bytes, (size_t)take);
            c.held = take;
            c.pending = 1;
            bytes += take;
            length -= take;
            continue;
        }
        int size = ASN1_GetMessageLength(c.buffer, c.held);
        if (size == ASN1_MALFORMED || (size == ASN1_NOT_YET && c.held >= kHeaderMax) ||
            (size != ASN1_NOT_YET && c.held > size)) {
            CloseChannel(channel);
            return;
        }
        if (size == ASN1_NOT_YET) {
            // One octet at a time: the held bytes then never run past the header into what
            // follows a short message.
            c.buffer[c.held++] = *bytes++;
            --length;
            continue;
        }
        if (c.capacity > kChannelSize && size <= kChannelSize &&
            !ResizeChannel(channel, kChannelSize)) {
            CloseChannel(channel);
            return;
        }
        int take = std::min(length, size - c.held);
        if (c.held + take > c.capacity) {
            // Doubling, capped by the message: memory follows what has arrived, not what the
            // header announced.
            int grown = (int)std::min<i64>((i64)size,
                                           std::max<i64>((i64)c.capacity * 2, (i64)c.held + take));
            if (!ResizeChannel(channel, grown)) {
                CloseChannel(channel);
                return;
            }
        }
        memcpy(c.buffer + c.held, bytes, (size_t)take);
        c.held += take;
        bytes += take;
        length -= take;
        if (c.held < size)
            return;
        // Whole: dispatched from a copy, so that what the handler does to the channel (a close,
        // more data delivered while closing) cannot pull the bytes away underneath it.
        std::vector<u8> message(c.buffer, c.buffer + size);
        c.pending = 0;
        c.held = 0;
        Dispatch(channel, message.data(), size);
    }
}

void COrloNetworkSession::Dispatch(int channel, const u8* bytes, int length)
{
    if (m_retired)
        return;
    if (channel & 1)
        HandleGameMessage(bytes, length);
    else
        HandleLobbyMessage(bytes, length);
}

// --- per frame ------------------------------------------------------------------------------------

void COrloNetworkSession::Update(float seconds)
{
    if (m_retired)
        return;
    m_idleTime += seconds;
    if (m_idleTime > kIdleLimit) {
        m_idleTime = 0.0f;
        CloseSockets();
    }
    if (m_loginTimer >= 0.0f) {
        if (!m_loginObserver) {
            m_loginTimer = -1.0f;
        } else if (m_loginTimer >= kLoginLimit) {
            m_loginTimer = -1.0f;
            m_loginObserver->OnLoginUnanswered(this, Text(12));
        } else {
            m_loginTimer += seconds;
        }
    }
    if (m_retired)
        return;
    bool lobbyDue = m_lobbyEngine && m_lobbyEngine->IsKeepAliveDue();
    bool gameDue = m_gameEngine && m_gameEngine->IsKeepAliveDue();
    if (lobbyDue || gameDue)
        SendPing();
}
