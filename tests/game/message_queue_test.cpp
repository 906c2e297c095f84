// The match message queue: empty-queue answers, independent copies numbered in push order,
// one counter shared by a game's queues, removal without deletion, and clearing.
#include <gtest/gtest.h>

#include "game/StateGame.h"
#include "game/VexGameContext.h"
#include "game/VexMessage.h"
#include "game/VexMessageQueue.h"

namespace {

TEST(MessageQueue, AnEmptyQueueHasNoRecords)
{
    CVexGameContext game;
    CVexMessageQueue queue(&game);
    EXPECT_EQ(nullptr, queue.Pop());
    EXPECT_EQ(nullptr, queue.Peek());
    EXPECT_EQ(nullptr, queue.At(0));
    EXPECT_EQ(0, queue.Count());
    EXPECT_FALSE(queue.HasRecords());
    queue.Clear();
    EXPECT_EQ(0u, game.GetSequence());

    u8 bytes[12] = {8};
    queue.Push(8, bytes, sizeof bytes, 1);
    EXPECT_EQ(nullptr, queue.At(-1));
    EXPECT_EQ(nullptr, queue.At(1)); // the count
    EXPECT_NE(nullptr, queue.At(0));
}

TEST(MessageQueue, PushCopiesTheBytesAndNumbersInOrder)
{
    CVexGameContext game;
    game.SetSequence(7);
    CVexMessageQueue queue(&game);
    u8 bytes[16] = {10, 0, 0, 0, 1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};
    CVexMessage* a = queue.Push(10, bytes, sizeof bytes, 1);
    CVexMessage* b = queue.Push(10, bytes, sizeof bytes, 0);
    ASSERT_TRUE(a && b);
    bytes[12] = 0x55; // the caller keeps its buffer
    EXPECT_NE(a->payload, b->payload);
    EXPECT_NE(bytes, a->payload);
    EXPECT_EQ(1, a->payload[12]);
    EXPECT_EQ(1, b->payload[12]);
    a->payload[13] = 9;
    EXPECT_EQ(0, b->payload[13]);
    EXPECT_EQ(7u, a->seq);
    EXPECT_EQ(8u, b->seq);
    EXPECT_EQ(9u, game.GetSequence());
    EXPECT_EQ(10, a->type);
    EXPECT_EQ(16u, a->size);
    EXPECT_EQ(1, a->send);
    EXPECT_EQ(0, b->send);
    EXPECT_EQ(-1, a->executeAt);

    // First in, first out; a popped record belongs to the caller.
    EXPECT_EQ(a, queue.Peek());
    EXPECT_EQ(2, queue.Count());
    CVexMessage* popped = queue.Pop();
    EXPECT_EQ(a, popped);
    delete popped;
    EXPECT_EQ(b, queue.Peek());
    EXPECT_EQ(1, queue.Count());
}

TEST(MessageQueue, AGamesQueuesShareOneCounterAndTwoGamesShareNothing)
{
    CStateGame one, two;
    CVexMessageQueue execution(one.GetGameContext()), acks(one.GetGameContext()),
        scheduled(one.GetGameContext());
    u8 ack[12] = {1};
    EXPECT_EQ(0u, execution.Push(5, ack, sizeof ack, 1)->seq);
    EXPECT_EQ(1u, acks.Push(1, ack, sizeof ack, 0)->seq);
    EXPECT_EQ(2u, scheduled.Push(15, ack, sizeof ack, 0)->seq);
    EXPECT_EQ(3u, execution.Push(5, ack, sizeof ack, 1)->seq);
    EXPECT_EQ(4u, one.GetGameContext()->GetSequence());
    EXPECT_EQ(4u, scheduled.GetSequence());

    // The other game counts from its own start.
    CVexMessageQueue elsewhere(two.GetGameContext());
    EXPECT_EQ(0u, elsewhere.Push(1, ack, sizeof ack, 0)->seq);
    EXPECT_EQ(1u, elsewhere.Push(1, ack, sizeof ack, 0)->seq);
    EXPECT_EQ(4u, one.GetGameContext()->GetSequence());
    EXPECT_EQ(4u, execution.Push(5, ack, sizeof ack, 1)->seq);
}

TEST(MessageQueue, RemoveAtLeavesTheRecordToTheCallerAndClearDeletesTheRest)
{
    CVexGameContext game;
    CVexMessageQueue queue(&game);
    u8 bytes[12] = {};
    CVexMessage* records[4];
    for (int i = 0; i < 4; ++i)
        records[i] = queue.Push(i + 1, bytes, sizeof bytes, 0);
    queue.RemoveAt(1);
    queue.RemoveAt(7); // outside: nothing
    queue.RemoveAt(-1);
    ASSERT_EQ(3, queue.Count());
    EXPECT_EQ(records[0], queue.At(0));
    EXPECT_EQ(records[2], queue.At(1));
    EXPECT_EQ(records[3], queue.At(2));
    EXPECT_EQ(2, records[1]->type); // still alive: the sanitizers would see a freed one
    delete records[1];

    queue.Clear();
    EXPECT_EQ(0, queue.Count());
    EXPECT_EQ(nullptr, queue.Peek());
    // The queue is usable after a clear, and its destructor frees what is left.
    queue.Push(1, bytes, sizeof bytes, 0);
    queue.Push(2, nullptr, 4, 0);
    EXPECT_EQ(0, queue.At(1)->payload[3]);
}

} // namespace
