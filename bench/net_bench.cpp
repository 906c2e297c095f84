// Network client speed: game-data messages per second between two sessions through the
// stand-in game server and through a C++ relay (the stand-in's own cost apart), and the ping
// round trip a lobby server sees, each against a plain blocking socket client and a C++ relay
// or echo moving the same bytes over the same loopback.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSockets.h"
#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Wire.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/QuietLogin.h"

namespace {

const int kBatch = 200;
const int kPayload = 64;

int Listen(int* port)
{
    return benchnet::Listen(port, 8);
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

using benchnet::WriteAll;

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
    void OnGameStart(IOrloNetworkSession*, int, int) override { started = 1; }
    void OnPlayerLeft(IOrloNetworkSession*, int) override {}
    long received = 0;
    int started = 0;
};

// A session whose lobby is a silent listener and whose game engine is connected to `gamePort`.
struct Client {
    Client(int lobbyPort, const CVortanString& gameHost, int gamePort)
    {
        session.Init(&app, nullptr);
        session.AddGameObserver(&counter);
        session.ConnectLobby(CVortanString("127.0.0.1"), lobbyPort, nullptr);
        if (gamePort > 0)
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
    ntest::QuietLogin login;
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

// Pumps both sessions until the condition holds (false after 10 s).
template <typename Condition>
bool PumpUntil(Client& a, Client& b, Condition condition)
{
    for (int i = 0; i < 100000; ++i) {
        a.Frame();
        b.Frame();
        a.session.Update(0.0f);
        b.session.Update(0.0f);
        if (condition())
            return true;
        usleep(100);
    }
    return false;
}

// The stand-in lobby and game server as a child process.
struct StandIn {
    StandIn()
    {
        char dir[] = "/tmp/net_bench_XXXXXX";
        if (!mkdtemp(dir))
            abort();
        directory = dir;
        const std::string ports = directory + "/ports";
        std::string script = std::string(VORTAN_SOURCE_DIR) + "/tools/standin/standin_server.py";
        std::string python = "/usr/bin/python3", flag = "--port-file", state = "--state-dir";
        pid = fork();
        if (pid == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            char* argv[] = {&python[0], &script[0],    &flag[0], (char*)ports.c_str(),
                            &state[0],  &directory[0], nullptr};
            execv(argv[0], argv);
            _exit(127);
        }
        for (int i = 0; i < 1500 && lobby == 0; ++i) {
            std::ifstream in(ports);
            if (!(in >> lobby >> game))
                lobby = 0;
            usleep(10000);
        }
    }
    ~StandIn()
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        std::string ports = directory + "/ports";
        unlink(ports.c_str());
        unlink((directory + "/accounts.txt").c_str());
        rmdir(directory.c_str());
    }
    std::string directory;
    pid_t pid = -1;
    int lobby = 0;
    int game = 0;
};

// Game data from one session to the other, kBatch messages a round, until the other has all.
void MeasureGameData(benchmark::State& state, Client& a, Client& b)
{
    std::vector<u8> payload(kPayload, 0x3C);
    long sent = 0, base = b.counter.received;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            a.session.SendGameData(payload.data(), kPayload);
        sent += kBatch;
        while (b.counter.received - base < sent) {
            b.Frame();
            a.Frame();
        }
    }
    state.SetItemsProcessed(sent);
}

void BM_SessionGameDataStandIn(benchmark::State& state)
{
    StandIn standin;
    if (standin.lobby == 0) {
        state.SkipWithError("the stand-in server did not start");
        return;
    }
    Client a(standin.lobby, CVortanString(), 0), b(standin.lobby, CVortanString(), 0);
    Client* both[2] = {&a, &b};
    bool ok = PumpUntil(a, b, [&]() {
        return (a.session.GetStatus() & 0xFF) == 3 && (b.session.GetStatus() & 0xFF) == 3;
    });
    // Two guests: the stand-in takes the same name and password for the same guest.
    a.session.SendLogin(CVortanString("guest_bench_a"), CVortanString("0"), &a.login);
    b.session.SendLogin(CVortanString("guest_bench_b"), CVortanString("0"), &b.login);
    ok = ok && PumpUntil(a, b, [&]() {
             return (a.session.GetStatus() & 0xFF) == 5 && (b.session.GetStatus() & 0xFF) == 5;
         });
    for (Client* c : both)
        c->session.SendJoin(1, 2);
    ok = ok && PumpUntil(a, b, [&]() {
             return (a.session.GetStatus() & 0x100) && (b.session.GetStatus() & 0x100);
         });
    for (Client* c : both)
        c->session.SendGameReady();
    ok = ok && PumpUntil(a, b, [&]() { return a.counter.started && b.counter.started; });
    if (!ok) {
        state.SkipWithError("the stand-in did not start a match");
        return;
    }
    MeasureGameData(state, a, b);
    a.session.CloseSockets();
    b.session.CloseSockets();
}
BENCHMARK(BM_SessionGameDataStandIn)->UseRealTime();

void BM_SessionGameDataRelay(benchmark::State& state)
{
    int lobbyPort = 0;
    int lobby = Listen(&lobbyPort);
    Relay* relay = new Relay();
    {
        Client a(lobbyPort, CVortanString("127.0.0.1"), relay->port),
            b(lobbyPort, CVortanString("127.0.0.1"), relay->port);
        MeasureGameData(state, a, b);
        a.session.CloseSockets();
        b.session.CloseSockets();
    }
    delete relay;
    close(lobby);
}
BENCHMARK(BM_SessionGameDataRelay)->UseRealTime();

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
