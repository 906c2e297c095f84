// The outbound queue under a peer that does not read: it holds at most its bounds, a message
// past them fails the connection once, and a lobby that floods the session with pings gets the
// answer to a later ping as soon as it reads again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "online/protocol/ASN1Wire.h"
#include "tests/online/SessionTestSupport.h"

using ntest::Ber;
using ntest::Listener;
using ntest::RecordingObserver;

namespace {

// An engine whose send thread is stuck in a write that cannot finish: the peer reads nothing
// and both sides' buffers are far smaller than the first message.
class StalledEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, engine.Init(&app, &observer));
        engine.SetTimeouts(30000, 30000);
        ASSERT_EQ(1, engine.Connect(CVortanString("127.0.0.1"), listener.port, nullptr));
        peer = listener.Accept();
        ASSERT_GE(peer, 0);
        int fd = ntest::FindClientSocket(listener.port);
        ASSERT_GE(fd, 0);
        int small = 4096;
        ASSERT_EQ(0, setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof(small)));
        std::vector<u8> block(1 << 20, 0x33);
        engine.Send(block.data(), (int)block.size());
        // Taken by the send thread, which now waits for room that never comes.
        ASSERT_TRUE(vtest::WaitUntil([&]() { return engine.GetOutboundCount() == 0; }));
    }
    void TearDown() override
    {
        engine.Close(true);
        engine.Reset();
        if (peer >= 0)
            close(peer);
    }

    Listener listener{4096};
    ntest::BareApp app;
    RecordingObserver observer;
    CSocketEngine engine;
    int peer = -1;
};

TEST_F(StalledEngineTest, CloseWaitsForTheMessageBeingWrittenAndItArrivesWhole)
{
    // The queue is empty, but its one message is half written: the peer starts reading only
    // after Close has begun, and must still get every byte before the socket goes.
    std::atomic<bool> closing(false);
    std::vector<u8> got;
    std::thread reader([&]() {
        while (!closing.load())
            usleep(1000);
        usleep(50000);
        while (got.size() < (1u << 20) && ntest::ReadSome(peer, &got, 20000)) {}
    });
    closing.store(true);
    engine.Close(false);
    reader.join();
    EXPECT_EQ((size_t)(1 << 20), got.size());
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](u8 b) { return b == 0x33; }));
}

TEST_F(StalledEngineTest, QueueHoldsAtMostItsMessageCountThenFailsTheConnectionOnce)
{
    const u8 byte = 1;
    for (int i = 0; i < 16384; ++i)
        engine.Send(&byte, 1);
    EXPECT_EQ(16384, engine.GetOutboundCount());
    engine.Run(0.0f);
    EXPECT_EQ(0, observer.Count("S0,11"));
    // One more: the queue is given up, and what follows on this connection is dropped.
    for (int i = 0; i < 1000; ++i)
        engine.Send(&byte, 1);
    EXPECT_EQ(0, engine.GetOutboundCount());
    EXPECT_EQ(0, engine.GetOutboundBytes());
    engine.Run(0.0f);
    EXPECT_EQ((std::vector<std::string>{"S1,0", "S0,11"}), observer.events);
}

TEST_F(StalledEngineTest, QueueHoldsAtMostItsBytesAndANewConnectionStartsAfresh)
{
    std::vector<u8> message(65536, 0x44);
    for (int i = 0; i < 256; ++i)
        engine.Send(message.data(), (int)message.size());
    EXPECT_EQ(16 << 20, engine.GetOutboundBytes());
    engine.Send(message.data(), 1);
    EXPECT_EQ(0, engine.GetOutboundBytes());
    engine.Run(0.0f);
    EXPECT_EQ(1, observer.Count("S0,11"));

    // Closed and connected again, the engine queues and sends as before.
    engine.Close(false);
    close(peer);
    Listener second;
    ASSERT_EQ(1, engine.Connect(CVortanString("127.0.0.1"), second.port, nullptr));
    peer = second.Accept();
    ASSERT_GE(peer, 0);
    const std::vector<u8> hello = {5, 6, 7};
    engine.Send(hello.data(), 3);
    std::vector<u8> got;
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        ntest::ReadSome(peer, &got, 5);
        return got.size() >= 3;
    }));
    EXPECT_EQ(hello, got);
}

class HostileLobbyTest : public ntest::SessionFixture {};

// The lobby writes a burst of pings and reads nothing meanwhile; once it reads again, a ping
// of its own is answered after the burst's answers, which arrive complete and in order.
TEST_F(HostileLobbyTest, BurstOfPingsLeavesTheQueueBoundedAndALaterPingIsAnswered)
{
    // A write that waits for room must not time out while the lobby is not reading.
    session->GetLobbyEngine()->SetTimeouts(30000, 30000);
    ConnectLobby();
    const int burst = 16000;
    std::vector<u8> pings;
    for (int i = 0; i < burst; ++i) {
        std::vector<u8> one = Ber(44).Int(0, 1000 + i).Build();
        pings.insert(pings.end(), one.begin(), one.end());
    }
    std::atomic<bool> written(false);
    std::thread writer([&]() {
        ntest::WriteAll(peer, pings);
        written.store(true);
    });
    int most = 0, mostBytes = 0;
    bool ran = vtest::WaitUntil(
        [&]() {
            Frame();
            most = std::max(most, session->GetLobbyEngine()->GetOutboundCount());
            mostBytes = std::max(mostBytes, session->GetLobbyEngine()->GetOutboundBytes());
            return written.load();
        },
        60000);
    writer.join();
    ASSERT_TRUE(ran);
    EXPECT_LE(most, CSocketEngine::OUTBOUND_MAX_MESSAGES);
    EXPECT_LE(mostBytes, CSocketEngine::OUTBOUND_MAX_BYTES);

    // The lobby reads again and pings once more.
    Serve(Ber(44).Int(0, 777777).Build());
    std::vector<u8> stream;
    std::vector<u8> last = Ber(44).Int(0, 777777).Build();
    ASSERT_TRUE(vtest::WaitUntil(
        [&]() {
            Frame();
            ntest::ReadSome(peer, &stream, 1);
            return stream.size() >= last.size() &&
                   std::equal(last.begin(), last.end(), stream.end() - last.size());
        },
        10000))
        << stream.size() << " octets answered";
    std::vector<u8> expected = pings;
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_TRUE(expected == stream);
    EXPECT_EQ(1, session->GetStatus() & 0xFF);
}

} // namespace
