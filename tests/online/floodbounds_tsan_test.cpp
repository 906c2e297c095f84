// The socket engine under peers that send faster than the client handles, or read slower than
// it answers: what it holds stays bounded, the frame's delivery stops at its budget or while
// the answers wait, and only a peer that reads nothing for the stall bound is given up.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <thread>

#include "engine/VortanTimer.h"
#include "tests/online/NetTestSupport.h"

using ntest::Listener;
using ntest::RecordingObserver;

namespace {

const u64 kSecond = 1000000000ull;

// Joins a peer's thread when the test ends, shutting the peer's socket first when the test
// ends early.
class ThreadGuard {
public:
    ThreadGuard(std::thread& thread, int fd) : m_thread(thread), m_fd(fd) {}
    ~ThreadGuard()
    {
        if (m_thread.joinable()) {
            shutdown(m_fd, SHUT_RDWR);
            m_thread.join();
        }
    }
    void Join() { m_thread.join(); }

private:
    std::thread& m_thread;
    int m_fd;
};

// The octet at stream position i of the flood: a pattern whose shifts and losses show.
u8 PatternAt(size_t i)
{
    return (u8)((i * 7 + i / 251) & 0xFF);
}

// Checks every delivered chunk against the pattern as it arrives.
class PatternObserver : public ISocketEngineObserver {
public:
    void OnSocketStatus(int code, int detail) override
    {
        statuses.push_back(std::to_string(code) + "," + std::to_string(detail));
    }
    void OnSocketData(const unsigned char* bytes, int length) override
    {
        for (int i = 0; i < length; ++i)
            mismatches += bytes[i] != PatternAt(received + (size_t)i);
        received += (size_t)length;
        ++chunks;
    }
    size_t received = 0;
    size_t mismatches = 0;
    int chunks = 0;
    std::vector<std::string> statuses;
};

// Advances the stand-in clock by `step` on each delivered chunk, as a slow handler would.
class SlowObserver : public RecordingObserver {
public:
    void OnSocketData(const unsigned char* bytes, int length) override
    {
        RecordingObserver::OnSocketData(bytes, length);
        VortanTestClock::Advance(step);
    }
    u64 step = 5000000ull;
};

// The observers outlive the engine's last delivery (the close in TearDown).
class FloodEngineTest : public ::testing::Test {
protected:
    void Connect(ISocketEngineObserver* observer)
    {
        ASSERT_EQ(1, engine.Init(&app, observer));
        ASSERT_EQ(1, engine.Connect(CVortanString("127.0.0.1"), listener.port, nullptr));
        peer = listener.Accept();
        ASSERT_GE(peer, 0);
    }
    void TearDown() override
    {
        if (peer >= 0)
            shutdown(peer, SHUT_RDWR);
        engine.Close(true);
        engine.Reset();
        if (peer >= 0)
            close(peer);
        VortanTestClock::Clear();
    }

    PatternObserver pattern;
    SlowObserver slow;
    RecordingObserver observer;
    Listener listener{4096};
    ntest::BareApp app;
    CSocketEngine engine;
    int peer = -1;
};

TEST_F(FloodEngineTest, ReceiveStopsAtTheBoundUntilRunDeliversAndEveryOctetArrivesInOrder)
{
    PatternObserver& observer = pattern;
    Connect(&observer);
    const size_t total = 16u << 20;
    std::thread writer([&]() {
        std::vector<u8> block(1 << 16);
        for (size_t done = 0; done < total; done += block.size()) {
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = PatternAt(done + i);
            ntest::WriteAll(peer, block);
        }
    });
    // A failed assertion below ends the writer too (its connection shut down).
    ThreadGuard guard(writer, peer);
    // No frame runs: the receive thread stops once the bound is passed, one chunk past it at
    // most, and leaves the rest to TCP.
    ASSERT_TRUE(vtest::WaitUntil([&]() { return engine.IsReceivePaused(); }));
    EXPECT_GT(engine.GetInboundBytes(), CSocketEngine::INBOUND_MAX_BYTES);
    EXPECT_LE(engine.GetInboundBytes(), CSocketEngine::INBOUND_MAX_BYTES + 65536);

    int most = 0;
    bool all = vtest::WaitUntil(
        [&]() {
            most = std::max(most, engine.GetInboundBytes());
            engine.Run(0.016f);
            return observer.received >= total;
        },
        120000);
    guard.Join();
    ASSERT_TRUE(all) << observer.received;
    EXPECT_EQ(total, observer.received);
    EXPECT_EQ(0u, observer.mismatches);
    EXPECT_LE(most, CSocketEngine::INBOUND_MAX_BYTES + 65536);
    EXPECT_EQ(std::vector<std::string>{"1,0"}, observer.statuses);
}

TEST_F(FloodEngineTest, ARunStopsOnceItsBudgetIsSpentAndTheNextGoesOnInOrder)
{
    VortanTestClock::Set(100 * kSecond);
    SlowObserver& observer = slow;
    Connect(&observer);
    engine.SetRunBudget(8);
    // Four chunks, each read whole before the next is written; then the peer closes.
    for (int i = 0; i < 4; ++i) {
        ntest::WriteAll(peer, std::vector<u8>(1000, (u8)i));
        ASSERT_TRUE(vtest::WaitUntil([&]() { return engine.GetInboundBytes() == 1000 * (i + 1); }));
    }
    shutdown(peer, SHUT_WR);
    // 5 ms a chunk against a budget of 8 ms: the second chunk starts within the budget, the
    // third would not.
    engine.Run(0.016f);
    EXPECT_EQ((std::vector<std::string>{"S1,0", "D1000", "D1000"}), observer.events);
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        engine.Run(0.016f);
        return observer.events.size() >= 6;
    }));
    EXPECT_EQ((std::vector<std::string>{"S1,0", "D1000", "D1000", "D1000", "D1000", "S4,0"}),
              observer.events);
    std::vector<u8> expected;
    for (int i = 0; i < 4; ++i)
        expected.insert(expected.end(), 1000, (u8)i);
    EXPECT_EQ(expected, observer.data);
}

// The send thread is held in a write the peer does not read: the peer's and the engine's
// buffers are far smaller than the block.
class StuckEngineTest : public FloodEngineTest {
protected:
    void Stick(ISocketEngineObserver* observer)
    {
        Connect(observer);
        int fd = ntest::FindClientSocket(listener.port);
        ASSERT_GE(fd, 0);
        int small = 4096;
        ASSERT_EQ(0, setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof(small)));
        engine.Send(block.data(), (int)block.size());
        ASSERT_TRUE(vtest::WaitUntil([&]() { return engine.GetOutboundCount() == 0; }));
    }
    // Reads until `count` more octets of the block arrived; false when they did not.
    bool ReadBlock(size_t count)
    {
        size_t before = got.size();
        return vtest::WaitUntil([&]() {
            ntest::ReadSome(peer, &got, 5);
            return got.size() >= before + count;
        });
    }
    std::vector<u8> block = std::vector<u8>(1 << 20, 0x5A);
    std::vector<u8> got;
};

TEST_F(StuckEngineTest, RunTakesNoDataWhileTheAnswersWaitAndGoesOnOnceThePeerReads)
{
    Stick(&observer);
    const u8 one = 1;
    for (int i = 0; i < CSocketEngine::OUTBOUND_HOLD_MESSAGES; ++i)
        engine.Send(&one, 1);
    ntest::WriteAll(peer, std::vector<u8>(300, 0x11));
    ASSERT_TRUE(vtest::WaitUntil([&]() { return engine.GetInboundBytes() == 300; }));
    engine.Run(0.016f);
    engine.Run(0.016f);
    EXPECT_EQ((std::vector<std::string>{"S1,0"}), observer.events);
    EXPECT_EQ(300, engine.GetInboundBytes());

    // The peer reads the block and the small messages: the queue drains and data flows again.
    ASSERT_TRUE(ReadBlock(block.size() + CSocketEngine::OUTBOUND_HOLD_MESSAGES));
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        engine.Run(0.016f);
        return observer.data.size() >= 300;
    }));
    EXPECT_EQ(std::vector<u8>(300, 0x11), observer.data);
    EXPECT_EQ(0, observer.Count("S3,9"));
}

TEST_F(StuckEngineTest, APeerThatKeepsReadingIsWaitedForAndOneThatStopsIsGivenUpAfterTheBound)
{
    VortanTestClock::Set(100 * kSecond);
    Stick(&observer);
    // The send wait is only how often the stall is looked at.
    engine.SetTimeouts(30000, 5);
    // Each 20 s of reading nothing is followed by reading: 40 s in all, never 30 s in a row.
    VortanTestClock::Advance(20 * kSecond);
    ASSERT_TRUE(ReadBlock(256 << 10));
    VortanTestClock::Advance(20 * kSecond);
    ASSERT_TRUE(ReadBlock(256 << 10));
    engine.Run(0.016f);
    EXPECT_EQ((std::vector<std::string>{"S1,0"}), observer.events);

    // Now it stops reading. Once the buffers that its last read emptied are full again, 31 s
    // pass without progress (the clock is moved on until the engine has seen them pass).
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        VortanTestClock::Advance(31 * kSecond);
        engine.Run(0.016f);
        return observer.Count("S3,9") > 0;
    }));
    EXPECT_EQ((std::vector<std::string>{"S1,0", "S3,9"}), observer.events);
    EXPECT_EQ(0, engine.GetOutboundCount());
}

} // namespace
