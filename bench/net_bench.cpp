// Network client speed: game-data messages per second between two sessions through a relay
// (a C++ relay here; the stand-in game server when NET_BENCH_GAME names its "host:port"), and
// the ping round trip a lobby server sees, each against a plain blocking socket client moving
// the same bytes over the same loopback.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Wire.h"
#include "platform/OrlogateApplication.h"

namespace {

const int kBatch = 200;
const int kPayload = 64;

int Listen(int* port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a;
    memset(&a, 0, sizeof(a));
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr*)&a, sizeof(a));
    listen(fd, 8);
    socklen_t n = sizeof(a);
    getsockname(fd, (sockaddr*)&a, &n);
    *port = ntohs(a.sin_port);
    return fd;
}

int Dial(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a;
    memset(&a, 0, sizeof(a));
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((u16)port);
    if (connect(fd, (sockaddr*)&a, sizeof(a)) != 0)
        abort();
    return fd;
}

void WriteAll(int fd, const u8* bytes, size_t n)
{
    while (n > 0) {
        ssize_t k = send(fd, bytes, n, MSG_NOSIGNAL);
        if (k <= 0)
            return;
        bytes += k;
        n -= (size_t)k;
    }
}

bool ReadExactly(int fd, u8* bytes, size_t n)
{
    while (n > 0) {
        ssize_t k = recv(fd, bytes, n, 0);
        if (k <= 0)
            return false;
        bytes += k;
        n -= (size_t)k;
    }
    return true;
}

// Copies everything from one socket to another until either closes.
void Pipe(int from, int to)
{
    u8 buffer[65536];
    for (;;) {
        ssize_t k = recv(from, buffer, sizeof(buffer), 0);
        if (k <= 0)
            break;
        WriteAll(to, buffer, (size_t)k);
    }
    shutdown(to, SHUT_WR);
}

// The encoded game-data message of kPayload bytes.
std::vector<u8> GameDataMessage()
{
    std::vector<u8> payload(kPayload, 0x3C);
    int size = ASN1_EncodeGameData(nullptr, 0, payload.data(), kPayload);
    std::vector<u8> out((size_t)size);
    ASN1_EncodeGameData(out.data(), size, payload.data(), kPayload);
    return out;
}

class CountingGame : public IOrloNetworkSession::GameObserver {
public:
    void OnGameData(IOrloNetworkSession*, const u8*, int) override { ++received; }
    void OnGameStart(IOrloNetworkSession*, int, int) override {}
    void OnPlayerLeft(IOrloNetworkSession*, int) override {}
    long received = 0;
};

// A session whose lobby is a silent listener and whose game engine is connected to `gamePort`.
struct Client {
    Client(int lobbyPort, const CVortanString& gameHost, int gamePort)
    {
        session.Init(&app, nullptr);
        session.AddGameObserver(&counter);
        session.ConnectLobby(CVortanString("127.0.0.1"), lobbyPort, nullptr);
        session.GetGameEngine()->Connect(gameHost, gamePort, nullptr);
    }
    ~Client() { session.Shutdown(); }
    void Frame()
    {
        session.GetLobbyEngine()->Run(0.0f);
        session.GetGameEngine()->Run(0.0f);
    }
    COrlogateApplication app;
    COrloNetworkSession session;
    CountingGame counter;
};

// A relay of two game connections (what a game server does with game data).
struct Relay {
    Relay()
    {
        listener = Listen(&port);
        worker = std::thread([this]() {
            int a = accept(listener, nullptr, nullptr);
            int b = accept(listener, nullptr, nullptr);
            std::thread back(Pipe, b, a);
            Pipe(a, b);
            back.join();
            close(a);
            close(b);
        });
    }
    ~Relay()
    {
        worker.join();
        close(listener);
    }
    int listener;
    int port;
    std::thread worker;
};

void GameHost(CVortanString* host, int* port, Relay** relay)
{
    const char* standin = getenv("NET_BENCH_GAME");
    if (standin && strchr(standin, ':')) {
        std::string text(standin);
        *host = CVortanString(text.substr(0, text.find(':')).c_str());
        *port = atoi(text.substr(text.find(':') + 1).c_str());
        *relay = nullptr;
        return;
    }
    *relay = new Relay();
    *host = CVortanString("127.0.0.1");
    *port = (*relay)->port;
}

void BM_SessionGameData(benchmark::State& state)
{
    int lobbyPort = 0;
    int lobby = Listen(&lobbyPort);
    CVortanString host;
    int port = 0;
    Relay* relay = nullptr;
    GameHost(&host, &port, &relay);
    long sent = 0;
    {
        Client a(lobbyPort, host, port), b(lobbyPort, host, port);
        std::vector<u8> payload(kPayload, 0x3C);
        for (auto _ : state) {
            for (int i = 0; i < kBatch; ++i)
                a.session.SendGameData(payload.data(), kPayload);
            sent += kBatch;
            while (b.counter.received < sent) {
                b.Frame();
                a.Frame();
            }
        }
        state.SetItemsProcessed(sent);
        a.session.CloseSockets();
        b.session.CloseSockets();
    }
    delete relay;
    close(lobby);
}
BENCHMARK(BM_SessionGameData)->UseRealTime();

void BM_PlainGameData(benchmark::State& state)
{
    Relay relay;
    int a = Dial(relay.port), b = Dial(relay.port);
    int one = 1;
    setsockopt(a, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    std::vector<u8> message = GameDataMessage();
    std::vector<u8> batch;
    for (int i = 0; i < kBatch; ++i)
        batch.insert(batch.end(), message.begin(), message.end());
    std::vector<u8> in(batch.size());
    long sent = 0;
    for (auto _ : state) {
        // One write per message, as the session's send thread does.
        for (int i = 0; i < kBatch; ++i)
            WriteAll(a, message.data(), message.size());
        if (!ReadExactly(b, in.data(), in.size()))
            abort();
        sent += kBatch;
    }
    state.SetItemsProcessed(sent);
    close(a);
    close(b);
}
BENCHMARK(BM_PlainGameData)->UseRealTime();

void BM_SessionPingRoundTrip(benchmark::State& state)
{
    int lobbyPort = 0;
    int lobby = Listen(&lobbyPort);
    COrlogateApplication app;
    COrloNetworkSession session;
    session.Init(&app, nullptr);
    session.ConnectLobby(CVortanString("127.0.0.1"), lobbyPort, nullptr);
    int server = accept(lobby, nullptr, nullptr);
    u8 ping[16];
    int n = ASN1_EncodePing(ping, sizeof(ping), 5);
    // The connect request first.
    u8 scratch[4096];
    recv(server, scratch, sizeof(scratch), 0);
    u8 echo[16];
    for (auto _ : state) {
        WriteAll(server, ping, (size_t)n);
        pollfd wait = {server, POLLIN, 0};
        while (poll(&wait, 1, 0) == 0)
            session.GetLobbyEngine()->Run(0.0f);
        if (!ReadExactly(server, echo, (size_t)n))
            abort();
    }
    session.Shutdown();
    close(server);
    close(lobby);
}
BENCHMARK(BM_SessionPingRoundTrip)->UseRealTime();

void BM_PlainPingRoundTrip(benchmark::State& state)
{
    int port = 0;
    int listener = Listen(&port);
    u8 ping[16];
    int n = ASN1_EncodePing(ping, sizeof(ping), 5);
    std::thread client([&]() {
        int fd = Dial(port);
        u8 buffer[16];
        while (ReadExactly(fd, buffer, (size_t)n))
            WriteAll(fd, buffer, (size_t)n);
        close(fd);
    });
    int server = accept(listener, nullptr, nullptr);
    u8 echo[16];
    for (auto _ : state) {
        WriteAll(server, ping, (size_t)n);
        if (!ReadExactly(server, echo, (size_t)n))
            abort();
    }
    shutdown(server, SHUT_RDWR);
    client.join();
    close(server);
    close(listener);
}
BENCHMARK(BM_PlainPingRoundTrip)->UseRealTime();

} // namespace
