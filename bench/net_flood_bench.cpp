// The client's frames under hostile lobbies on loopback: the longest frame (both engines' Run
// and the session's update) and the slowest tap (from the touch to the end of the frame that
// sent its request) while the lobby writes 1 GiB of ignored pings, bursts 50,000 pings and
// reads the answers slowly, or writes pings for 2 s and reads nothing; with the growth of the
// resident size.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "bench/BenchSockets.h"
#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Builders.h"
#include "platform/OrlogateApplication.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

long long ResidentBytes()
{
    long long pages = 0, resident = 0;
    FILE* file = fopen("/proc/self/statm", "r");
    if (!file)
        return 0;
    if (fscanf(file, "%lld %lld", &pages, &resident) != 2)
        resident = 0;
    fclose(file);
    return resident * sysconf(_SC_PAGESIZE);
}

std::vector<u8> Ping(int value)
{
    int size = ASN1_EncodePing(nullptr, 0, value);
    std::vector<u8> out((size_t)size);
    ASN1_EncodePing(out.data(), size, value);
    return out;
}

using benchnet::WriteAll;

// A session connected to a loopback lobby whose accepted socket is `peer`.
struct Lobby {
    Lobby()
    {
        int port = 0;
        int fd = benchnet::Listen(&port, 1);
        session.Init(&app, nullptr);
        session.ConnectLobby(CVortanString("127.0.0.1"), port, nullptr);
        peer = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        close(fd);
    }
    ~Lobby()
    {
        shutdown(peer, SHUT_RDWR);
        session.Shutdown();
        close(peer);
    }
    COrlogateApplication app;
    COrloNetworkSession session;
    int peer = -1;
};

// Frames until `done`, with a tap every 20 ms; reports the figures on `state`.
void RunFrames(benchmark::State& state, Lobby& lobby, const std::function<bool()>& done)
{
    std::atomic<bool> stop(false);
    std::atomic<long long> tapAt(0); // steady-clock ns of a tap not handled yet, or 0
    std::thread tapper([&]() {
        while (!stop.load()) {
            long long expected = 0;
            tapAt.compare_exchange_strong(expected,
                                          (long long)Clock::now().time_since_epoch().count());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const long long before = ResidentBytes();
    long long peak = before;
    double longestFrame = 0, slowestTap = 0;
    long frames = 0;
    float dt = 0.016f;
    while (!done()) {
        Clock::time_point start = Clock::now();
        long long tap = tapAt.load();
        if (tap)
            lobby.session.SendGetCoinBalance();
        // Each frame is given the time the one before it took, as the frame loop does.
        lobby.session.GetLobbyEngine()->Run(dt);
        lobby.session.GetGameEngine()->Run(dt);
        lobby.session.Update(dt);
        const double took = MsSince(start);
        longestFrame = std::max(longestFrame, took);
        dt = std::min(1.0f, (float)(took / 1000.0));
        if (tap) {
            Clock::time_point at{Clock::duration(tap)};
            slowestTap = std::max(slowestTap, MsSince(at));
            tapAt.store(0);
        }
        peak = std::max(peak, ResidentBytes());
        ++frames;
    }
    stop.store(true);
    tapper.join();
    state.counters["longest_frame_ms"] = longestFrame;
    state.counters["slowest_tap_ms"] = slowestTap;
    state.counters["frames"] = (double)frames;
    state.counters["rss_growth_mb"] = (double)(peak - before) / (1 << 20);
    state.counters["connected"] = (lobby.session.GetStatus() & 0xFF) != 0;
}

void BM_IgnoredPingFlood(benchmark::State& state)
{
    for (auto _ : state) {
        Lobby lobby;
        std::vector<u8> one = Ping(-1), block;
        while (block.size() + one.size() <= (1u << 20))
            block.insert(block.end(), one.begin(), one.end());
        const long long blocks = state.range(0);
        std::atomic<bool> written(false);
        std::thread writer([&]() {
            for (long long i = 0; i < blocks; ++i)
                WriteAll(lobby.peer, block.data(), block.size());
            written.store(true);
        });
        RunFrames(state, lobby, [&]() {
            return written.load() && lobby.session.GetLobbyEngine()->GetInboundBytes() == 0;
        });
        writer.join();
    }
}
BENCHMARK(BM_IgnoredPingFlood)->Arg(1024)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PingBurstReadSlowly(benchmark::State& state)
{
    for (auto _ : state) {
        Lobby lobby;
        std::vector<u8> pings;
        for (int i = 0; i < 50000; ++i) {
            std::vector<u8> one = Ping(100000 + i);
            pings.insert(pings.end(), one.begin(), one.end());
        }
        std::atomic<size_t> echoed(0);
        std::atomic<bool> stop(false);
        std::thread writer([&]() { WriteAll(lobby.peer, pings.data(), pings.size()); });
        std::thread reader([&]() {
            u8 buffer[512];
            while (!stop.load()) {
                pollfd wait = {lobby.peer, POLLIN, 0};
                if (poll(&wait, 1, 20) <= 0)
                    continue;
                ssize_t n = recv(lobby.peer, buffer, sizeof(buffer), 0);
                if (n <= 0)
                    return;
                echoed.fetch_add((size_t)n);
                usleep(100);
            }
        });
        RunFrames(state, lobby, [&]() {
            return echoed.load() >= pings.size() || (lobby.session.GetStatus() & 0xFF) == 0;
        });
        stop.store(true);
        writer.join();
        reader.join();
        state.counters["echoed_octets"] = (double)echoed.load();
    }
}
BENCHMARK(BM_PingBurstReadSlowly)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PingFloodNeverRead(benchmark::State& state)
{
    for (auto _ : state) {
        Lobby lobby;
        std::vector<u8> pings;
        for (int i = 0; i < 20000; ++i) {
            std::vector<u8> one = Ping(i);
            pings.insert(pings.end(), one.begin(), one.end());
        }
        std::atomic<bool> stop(false);
        std::thread writer([&]() {
            while (!stop.load()) {
                pollfd wait = {lobby.peer, POLLOUT, 0};
                if (poll(&wait, 1, 20) > 0 &&
                    send(lobby.peer, pings.data(), pings.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                    errno != EAGAIN)
                    return;
            }
        });
        Clock::time_point start = Clock::now();
        RunFrames(state, lobby, [&]() { return MsSince(start) > 2000; });
        stop.store(true);
        writer.join();
    }
}
BENCHMARK(BM_PingFloodNeverRead)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
