// Hostile lobbies against the session: a flood of ignored pings, a burst of pings read back
// slowly, and a lobby that never reads. The client's memory stays bounded, its frames go on,
// and the connection lasts as long as the lobby reads.
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "engine/VortanTimer.h"
#include "tests/online/SessionTestSupport.h"

using ntest::Ber;

namespace {

const long long kMB = 1 << 20;
const u64 kSecond = 1000000000ull;
// The ignored flood: 1 GiB; where the sanitizers slow every read several times, 64 MiB (still
// 64 times the bound on what waits to be handed on). Their allocators keep freed memory aside
// for a while, so there the resident size says nothing of what the client holds, and only the
// received bytes held are checked.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const long long kFloodMB = 64;
const bool kResidentTells = false;
#else
const long long kFloodMB = 1024;
const bool kResidentTells = true;
#endif

// Bytes waiting unread in the socket `fd`.
int Unread(int fd)
{
    int n = -1;
    ioctl(fd, FIONREAD, &n);
    return n;
}

class LobbyFloodTest : public ntest::SessionFixture {
protected:
    void TearDown() override
    {
        if (peer >= 0)
            shutdown(peer, SHUT_RDWR);
        SessionFixture::TearDown();
        VortanTestClock::Clear();
    }
    // Small socket buffers on both sides of the lobby connection, so that TCP holds little.
    void ShrinkBuffers()
    {
        int small = 4096;
        int fd = ntest::FindClientSocket(lobby.port);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof(small)));
        ASSERT_EQ(0, setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small)));
    }
    void Sample()
    {
        peak = std::max(peak, ntest::ResidentBytes());
        CSocketEngine* engine = session->GetLobbyEngine();
        mostOutbound = std::max(mostOutbound, engine->GetOutboundCount());
        mostInbound = std::max(mostInbound, engine->GetInboundBytes());
    }

    long long peak = 0;
    int mostOutbound = 0;
    int mostInbound = 0;
};

TEST_F(LobbyFloodTest, GigabyteOfIgnoredPingsKeepsMemoryBoundedAndATapIsAnsweredMidFlood)
{
    ConnectLobby();
    const long long before = ntest::ResidentBytes();
    // A ping of -1 is read and ignored: 6 octets each, 1 GiB in blocks of whole pings.
    const std::vector<u8> ping = Ber(44).Int(0, -1).Build();
    ASSERT_EQ(6u, ping.size());
    std::vector<u8> block;
    while (block.size() + ping.size() <= (size_t)kMB)
        block.insert(block.end(), ping.begin(), ping.end());
    const long long total = (kFloodMB * kMB / (long long)block.size()) * (long long)block.size();

    // The lobby writes half the flood, waits (while its connection stays full) until the
    // client's tap reaches it, then writes the other half.
    std::atomic<bool> tapSeen(false), halfWritten(false), written(false), stop(false);
    std::thread reader([&]() {
        std::vector<u8> stream;
        while (!tapSeen.load() && !stop.load()) {
            if (!ntest::ReadSome(peer, &stream, 20))
                return;
            std::vector<std::vector<u8>> got = ntest::SplitMessages(stream);
            for (size_t i = 0; i < got.size(); ++i)
                tapSeen.store(tapSeen.load() || ntest::TagOf(got[i]) == 90);
        }
    });
    std::thread writer([&]() {
        for (long long done = 0; done < total && !stop.load(); done += (long long)block.size()) {
            if (done == total / 2 / (long long)block.size() * (long long)block.size()) {
                halfWritten.store(true);
                vtest::WaitUntil([&]() { return tapSeen.load() || stop.load(); }, 300000);
            }
            ntest::WriteAll(peer, block);
        }
        written.store(true);
    });

    bool tapped = false;
    int framesAfterTap = 0;
    bool ran = vtest::WaitUntil(
        [&]() {
            Frame();
            Sample();
            if (halfWritten.load() && !tapped) {
                // A tap on the coin balance: its request goes out from this frame.
                session->SendGetCoinBalance();
                tapped = true;
            }
            framesAfterTap += tapped && !written.load();
            return written.load();
        },
        600000);
    stop.store(true);
    if (!ran)
        shutdown(peer, SHUT_RDWR); // a writer blocked on a full connection gives up
    writer.join();
    reader.join();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(tapSeen.load());
    EXPECT_GT(framesAfterTap, 0);
    if (kResidentTells) {
        EXPECT_LT(peak - before, 64 * kMB)
            << "resident " << before / kMB << " MB before, " << peak / kMB << " MB at most";
    }
    EXPECT_LE(mostInbound, CSocketEngine::INBOUND_MAX_BYTES + 65536);

    // The rest is handled and the lobby is still answered.
    Serve(Ber(44).Int(0, 4242).Build());
    std::vector<std::vector<u8>> answer = Receive(1);
    ASSERT_EQ(1u, answer.size());
    EXPECT_EQ(Ber(44).Int(0, 4242).Build(), answer[0]);
    EXPECT_EQ(1, session->GetStatus() & 0xFF);
}

TEST_F(LobbyFloodTest, BurstOfFiftyThousandPingsReadSlowlyIsAnsweredWholeAndInOrder)
{
    ConnectLobby();
    ShrinkBuffers();
    const long long before = ntest::ResidentBytes();
    std::vector<u8> pings;
    for (int i = 0; i < 50000; ++i) {
        std::vector<u8> one = Ber(44).Int(0, 100000 + i).Build();
        pings.insert(pings.end(), one.begin(), one.end());
    }
    std::atomic<bool> stop(false);
    std::thread writer([&]() { ntest::WriteAll(peer, pings); });
    // The whole burst is in the client before its first frame: one frame could answer it all.
    int client = ntest::FindClientSocket(lobby.port);
    const bool whole = vtest::WaitUntil([&]() {
        return session->GetLobbyEngine()->GetInboundBytes() == (int)pings.size() &&
               Unread(client) == 0;
    });
    if (!whole)
        shutdown(peer, SHUT_RDWR); // a writer blocked on a full connection gives up
    writer.join();
    ASSERT_TRUE(whole);

    // The lobby reads a little at a time.
    std::vector<u8> echoes;
    std::atomic<size_t> echoed(0);
    const size_t expected = pings.size();
    std::thread reader([&]() {
        u8 buffer[512];
        while (echoed.load() < expected && !stop.load()) {
            pollfd wait = {peer, POLLIN, 0};
            if (poll(&wait, 1, 20) <= 0)
                continue;
            ssize_t n = recv(peer, buffer, sizeof(buffer), 0);
            if (n <= 0)
                return;
            echoes.insert(echoes.end(), buffer, buffer + n);
            echoed.store(echoes.size());
            usleep(100);
        }
    });
    bool all = vtest::WaitUntil(
        [&]() {
            Frame(0.0f); // no keep-alive pings of the client's own in between
            Sample();
            return echoed.load() >= expected || (session->GetStatus() & 0xFF) != 1;
        },
        120000);
    stop.store(true);
    reader.join();
    ASSERT_TRUE(all);
    EXPECT_EQ(1, session->GetStatus() & 0xFF);
    EXPECT_FALSE(log.Has("lobby 0"));
    // Every ping answered once, in order; the client's own keep-alive pings (-1) aside.
    std::vector<std::vector<u8>> answers = ntest::SplitMessages(echoes);
    std::vector<u8> answered;
    const std::vector<u8> keepAlive = Ber(44).Int(0, -1).Build();
    for (size_t i = 0; i < answers.size(); ++i) {
        if (answers[i] != keepAlive)
            answered.insert(answered.end(), answers[i].begin(), answers[i].end());
    }
    EXPECT_TRUE(echoes.empty());
    EXPECT_TRUE(pings == answered) << answered.size() << " of " << pings.size() << " octets";
    EXPECT_LE(mostOutbound, CSocketEngine::OUTBOUND_MAX_MESSAGES);
    EXPECT_LT(peak - before, 64 * kMB);
}

TEST_F(LobbyFloodTest, LobbyThatNeverReadsIsHeldBoundedThenGivenUpAfterTheStallAndLoggedInAgain)
{
    VortanTestClock::Set(100 * kSecond);
    ConnectLobby();
    ShrinkBuffers();
    session->GetLobbyEngine()->SetTimeouts(30000, 5);
    const long long before = ntest::ResidentBytes();
    std::vector<u8> block;
    for (int i = 0; i < 20000; ++i) {
        std::vector<u8> one = Ber(44).Int(0, i).Build();
        block.insert(block.end(), one.begin(), one.end());
    }
    // The lobby writes pings that want answers for as long as it can, and reads nothing.
    std::atomic<bool> stop(false);
    std::atomic<long long> sent(0);
    std::thread writer([&]() {
        size_t at = 0;
        while (!stop.load()) {
            pollfd wait = {peer, POLLOUT, 0};
            if (poll(&wait, 1, 20) <= 0)
                continue;
            ssize_t n =
                send(peer, block.data() + at, block.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN)
                return;
            if (n > 0) {
                at = (at + (size_t)n) % block.size();
                sent.fetch_add(n);
            }
        }
    });
    // Held: answers queued up to the hold, received data up to its bound, the rest in TCP.
    CSocketEngine* engine = session->GetLobbyEngine();
    bool held = vtest::WaitUntil([&]() {
        Frame(0.0f);
        Sample();
        return engine->IsReceivePaused() &&
               engine->GetOutboundCount() >= CSocketEngine::OUTBOUND_HOLD_MESSAGES;
    });
    EXPECT_TRUE(held);
    for (int i = 0; i < 20; ++i) {
        Frame(0.0f);
        Sample();
    }
    EXPECT_EQ(1, session->GetStatus() & 0xFF);
    EXPECT_LE(mostOutbound, CSocketEngine::OUTBOUND_MAX_MESSAGES);
    EXPECT_LE(mostInbound, CSocketEngine::INBOUND_MAX_BYTES + 65536);
    EXPECT_LT(peak - before, 64 * kMB);

    // 31 s later by the clock, nothing read: the lobby is given up. (The clock is moved on
    // until the engine has seen 31 s pass after its last write into the buffers.) Frames
    // without frame time: the session's own idle limit plays no part.
    EXPECT_TRUE(vtest::WaitUntil([&]() {
        VortanTestClock::Advance(31 * kSecond);
        Frame(0.0f);
        return log.Has("lobby 0");
    }));
    stop.store(true);
    writer.join();
    EXPECT_EQ(0, session->GetStatus() & 0xFF);

    // A new login starts on a new connection, which is answered as usual.
    close(peer);
    peer = -1;
    stream[0].clear();
    ConnectLobby();
    Serve(Ber(44).Int(0, 77).Build());
    std::vector<std::vector<u8>> answer = Receive(1);
    ASSERT_EQ(1u, answer.size());
    EXPECT_EQ(Ber(44).Int(0, 77).Build(), answer[0]);
}

} // namespace
