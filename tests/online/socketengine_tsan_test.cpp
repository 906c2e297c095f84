// The socket engine over real loopback TCP: status pairs and where they are delivered, data
// order, time-outs, the close drain, a peer that never reads, and wake-ups that must not be lost.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/online/NetTestSupport.h"

using ntest::Listener;
using ntest::RecordingObserver;

namespace {

class SocketEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, engine.Init(&app, &observer)); }
    void TearDown() override
    {
        engine.Close(true);
        engine.Reset();
    }
    // Connects to the listener and accepts the peer.
    int ConnectPeer(Listener& listener)
    {
        EXPECT_EQ(1, engine.Connect(CVortanString("127.0.0.1"), listener.port, nullptr));
        return listener.Accept();
    }

    ntest::BareApp app;
    RecordingObserver observer;
    CSocketEngine engine;
};

TEST_F(SocketEngineTest, ConnectReportsAtOnceAndDataGoesBothWaysInOrder)
{
    Listener listener;
    EXPECT_EQ(1, engine.Connect(CVortanString("localhost"), listener.port, nullptr));
    // (1, 0) came directly, before Connect returned.
    ASSERT_EQ(std::vector<std::string>{"S1,0"}, observer.events);
    EXPECT_EQ(1, app.GetListenerCount());
    int peer = listener.Accept();
    ASSERT_GE(peer, 0);

    const std::vector<u8> first = {1, 2, 3}, second = {4, 5};
    engine.Send(first.data(), 3);
    engine.Send(second.data(), 2);
    std::vector<u8> got;
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        ntest::ReadSome(peer, &got, 5);
        return got.size() >= 5;
    }));
    EXPECT_EQ((std::vector<u8>{1, 2, 3, 4, 5}), got);

    // Two chunks in one frame arrive in order, each in its own call; the close comes after.
    ntest::WriteAll(peer, {9, 8, 7});
    close(peer);
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.Count("S4,0") == 1; }));
    EXPECT_EQ((std::vector<u8>{9, 8, 7}), observer.data);
    EXPECT_EQ("S4,0", observer.events.back());
    // Exactly one close, however many frames run afterwards.
    for (int i = 0; i < 20; ++i)
        engine.Run(0.016f);
    EXPECT_EQ(1, observer.Count("S4,0"));
}

TEST_F(SocketEngineTest, SendReportsUnconnectedDirectlyAndIgnoresEmptyMessages)
{
    const u8 byte = 7;
    engine.Send(&byte, 0);
    engine.Send(&byte, -3);
    EXPECT_TRUE(observer.events.empty());
    engine.Send(&byte, 1);
    EXPECT_EQ(std::vector<std::string>{"S2,10"}, observer.events);
    // The not-connected check reports (4, 0) only when asked to.
    EXPECT_FALSE(engine.IsConnected(false));
    EXPECT_EQ(1u, observer.events.size());
    EXPECT_FALSE(engine.IsConnected(true));
    EXPECT_EQ("S4,0", observer.events.back());
    // Close on an engine that never connected changes nothing.
    engine.Close(false);
    EXPECT_EQ(2u, observer.events.size());
}

TEST_F(SocketEngineTest, RefusedAndUnresolvableConnectsQueueConnectFailure)
{
    int port;
    {
        Listener closed;
        port = closed.port;
    }
    EXPECT_EQ(0, engine.Connect(CVortanString("127.0.0.1"), port, nullptr));
    EXPECT_TRUE(observer.events.empty()); // queued, not direct
    engine.Run(0.0f);
    EXPECT_EQ(std::vector<std::string>{"S2,2"}, observer.events);
    EXPECT_EQ(0, engine.Connect(CVortanString("no-such-host.invalid"), 5000, nullptr));
    EXPECT_EQ(0, engine.Connect(CVortanString("127.0.0.1"), 0, nullptr));
    engine.Run(0.0f);
    EXPECT_EQ(3, observer.Count("S2,2"));
    EXPECT_FALSE(engine.IsConnected(false));
}

TEST_F(SocketEngineTest, ANewConnectionDropsWhatEarlierAttemptsLeftUndelivered)
{
    // A refused attempt's failure is still queued when the next attempt connects: delivered
    // after it, it would be taken for the new connection's failure and end it as it starts.
    int refused;
    {
        Listener closed;
        refused = closed.port;
    }
    EXPECT_EQ(0, engine.Connect(CVortanString("127.0.0.1"), refused, nullptr));
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    for (int i = 0; i < 5; ++i)
        engine.Run(0.016f);
    EXPECT_EQ((std::vector<std::string>{"S1,0"}), observer.events);
    EXPECT_TRUE(engine.IsConnected(false));
    close(peer);
}

TEST_F(SocketEngineTest, AWakeAnEarlierCloseLeftDoesNotEndTheNextConnection)
{
    // Statuses other than a connect: a failure, time-out or close.
    auto ended = [&]() {
        int n = 0;
        for (const std::string& e : observer.events)
            n += e[0] == 'S' && e.compare(0, 3, "S1,") != 0;
        return n;
    };
    // The token a close writes for a receive thread that had already stopped reading: the
    // next connection's receive thread must not take it for a failure.
    engine.PutWakeToken();
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    ntest::WriteAll(peer, {1, 2, 3});
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.data.size() >= 3 || ended(); }));
    EXPECT_EQ((std::vector<u8>{1, 2, 3}), observer.data);
    EXPECT_EQ(0, ended()) << observer.events.back();
    // A token given while connected wakes the thread for nothing: the connection goes on.
    engine.PutWakeToken();
    ntest::WriteAll(peer, {4});
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.data.size() >= 4 || ended(); }));
    EXPECT_EQ(0, ended()) << observer.events.back();
    EXPECT_TRUE(engine.IsConnected(false));
    // Closed and connected again, over and over: each connection carries its data.
    for (int round = 0; round < 20; ++round) {
        engine.Close(false);
        close(peer);
        peer = ConnectPeer(listener);
        ASSERT_GE(peer, 0);
        const size_t before = observer.data.size();
        ntest::WriteAll(peer, {(u8)round});
        ASSERT_TRUE(
            ntest::PumpUntil(engine, [&]() { return observer.data.size() > before || ended(); }))
            << "round " << round;
        ASSERT_EQ(0, ended()) << "round " << round << ": " << observer.events.back();
    }
    close(peer);
}

TEST_F(SocketEngineTest, SilentPeerTimesOutAfterFourIdleWaitsAndDataRestartsTheCount)
{
    // Four waits of 250 ms: a second of silence ends the connection.
    engine.SetTimeouts(250, 1000);
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    // Data every ~100 ms keeps it alive well past four waits (1.5 s); only a stall of the
    // writer ten times longer than its pace would let the count run out.
    for (int i = 0; i < 15; ++i) {
        ntest::WriteAll(peer, {(u8)i});
        usleep(100000);
        engine.Run(0.016f);
    }
    EXPECT_EQ(0, observer.Count("S3,6"));
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.Count("S3,6") == 1; }));
    EXPECT_EQ(15u, observer.data.size());
    close(peer);
}

TEST_F(SocketEngineTest, PeerThatNeverReadsTimesTheSendOutAndCloseDoesNotHang)
{
    // Looked at every 10 ms; the stall bound drops to 100 ms once all is queued (before, the
    // thread could give up while a slow machine was still queueing, and one of those sends
    // would have been the one reported).
    engine.SetTimeouts(30000, 10);
    Listener listener(4096);
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    int small = 4096;
    setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    std::vector<u8> block(1 << 20, 0x5A);
    for (int i = 0; i < 16; ++i)
        engine.Send(block.data(), (int)block.size());
    EXPECT_EQ(0, observer.Count("S2,10"));
    engine.SetStallLimit(100);
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.Count("S3,9") == 1; }));
    // The failure emptied the queue; the thread has ended, so a send reports at once.
    EXPECT_EQ(0, engine.GetOutboundCount());
    engine.Send(block.data(), 10);
    std::string seen;
    for (size_t i = 0; i < observer.events.size(); ++i)
        seen += observer.events[i] + " ";
    EXPECT_EQ("S2,10", observer.events.back()) << seen;
    engine.Close(false);
    EXPECT_FALSE(engine.IsConnected(false));
    EXPECT_EQ(0, engine.GetPort());
    close(peer);
}

TEST_F(SocketEngineTest, SendsThatMeetTheSendThreadsEndAreReportedNotLeftQueued)
{
    // The send times out almost at once, while the sends below are still copying their
    // blocks: each one either goes into the queue before the failure empties it, or is
    // reported at once. None may stay queued behind a thread that has ended.
    engine.SetTimeouts(30000, 1);
    engine.SetStallLimit(1);
    Listener listener(4096);
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    int small = 4096;
    setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    std::vector<u8> block(1 << 20, 0x3C);
    for (int i = 0; i < 16; ++i)
        engine.Send(block.data(), (int)block.size());
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.Count("S3,9") == 1; }));
    EXPECT_EQ(0, engine.GetOutboundCount());
    close(peer);
}

TEST_F(SocketEngineTest, CloseWaitsForTheQueueAndLargeMessagesArriveWhole)
{
    engine.SetDrainStep(5);
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    std::vector<u8> expected;
    // A reader that takes its time: the engine must write the rest of partial sends.
    std::atomic<bool> done(false);
    std::vector<u8> got;
    std::thread reader([&]() {
        while (ntest::ReadSome(peer, &got, 100) && !done.load())
            usleep(200);
        done.store(true);
    });
    for (int i = 0; i < 40; ++i) {
        std::vector<u8> message((size_t)(50000 + i * 997));
        for (size_t k = 0; k < message.size(); ++k)
            message[k] = (u8)(k * 31 + i);
        expected.insert(expected.end(), message.begin(), message.end());
        engine.Send(message.data(), (int)message.size());
    }
    engine.Close(false);
    EXPECT_EQ(0, engine.GetOutboundCount());
    reader.join();
    close(peer);
    EXPECT_EQ(expected.size(), got.size());
    EXPECT_TRUE(expected == got);
}

TEST_F(SocketEngineTest, EveryWakeIsTakenWhenSendsRaceTheSendThreadsSleep)
{
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    std::vector<u8> got;
    // One message at a time, each sent when the queue has just run empty: a lost wake would
    // leave the message in the queue for good.
    for (int i = 0; i < 300; ++i) {
        u8 byte = (u8)i;
        engine.Send(&byte, 1);
        ASSERT_TRUE(vtest::WaitUntil(
            [&]() {
                ntest::ReadSome(peer, &got, 1);
                return got.size() == (size_t)(i + 1);
            },
            5000))
            << "message " << i << " never left";
        if (i % 3 == 0)
            usleep(50);
    }
    close(peer);
}

TEST_F(SocketEngineTest, KeepAliveIsDueAfterThirtySecondsOfSilenceAndResetsIdle)
{
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    engine.Run(29.0f);
    EXPECT_FALSE(engine.IsKeepAliveDue());
    engine.Run(1.0f);
    EXPECT_TRUE(engine.IsKeepAliveDue());
    EXPECT_FALSE(engine.IsKeepAliveDue());
    engine.Run(20.0f);
    ntest::WriteAll(peer, {1});
    ASSERT_TRUE(ntest::PumpUntil(engine, [&]() { return observer.data.size() == 1; }));
    EXPECT_LT(engine.GetIdleTime(), 1.0f); // data reset it
    close(peer);
}

TEST_F(SocketEngineTest, ResetUnregistersAndClosesTheSocket)
{
    Listener listener;
    int peer = ConnectPeer(listener);
    ASSERT_GE(peer, 0);
    engine.Reset();
    EXPECT_EQ(0, app.GetListenerCount());
    EXPECT_FALSE(engine.IsConnected(false));
    // The peer sees the connection end.
    std::vector<u8> got;
    ASSERT_TRUE(vtest::WaitUntil([&]() { return !ntest::ReadSome(peer, &got, 5); }));
    close(peer);
    ASSERT_EQ(1, engine.Init(&app, &observer));
}

} // namespace

namespace {

TEST(SocketEngineLifetime, DeletingAConnectedEngineEndsItsThreadsAtOnce)
{
    ntest::BareApp app;
    RecordingObserver observer;
    Listener listener;
    std::atomic<bool> gone(false);
    // The receive thread waits 30 s for data; the delete must not wait for that.
    std::thread owner([&]() {
        CSocketEngine* engine = new CSocketEngine();
        engine->Init(&app, &observer);
        engine->Connect(CVortanString("127.0.0.1"), listener.port, nullptr);
        delete engine;
        gone.store(true);
    });
    int peer = listener.Accept();
    EXPECT_TRUE(vtest::WaitUntil([&]() { return gone.load(); }, 10000));
    owner.join();
    if (peer >= 0)
        close(peer);
}

} // namespace
