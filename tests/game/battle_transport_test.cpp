// The match transport of the battle: stop-and-wait sending with acknowledgements and the 10 s
// resend, the receiver's window, the limits on what OnGameData takes, hostile messages that
// must change nothing, and a training battle that sends nothing.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <random>

#include "game/VexMatchMessages.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

u32 HeaderSeq(const CVexMessage* record)
{
    CVexMessageHeader header;
    VexReadHeader(record->payload, record->size, header);
    return header.seq;
}

std::vector<u8> Ack(u32 seq)
{
    std::vector<u8> bytes(12, 0);
    VexWriteHeader(bytes.data(), VEX_MSG_ACK, seq, -1);
    return bytes;
}

template <class T>
std::vector<u8> Bytes(const T& body, u32 seq, i32 executeAt = -1)
{
    std::vector<u8> bytes(T::kSize);
    VexWriteMessage(body, seq, executeAt, bytes.data(), (u32)bytes.size());
    return bytes;
}

// One game alone: a battle waiting for the round start, what it sends counted, nothing
// delivered.
class Transport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, game.Init(&app));
        game.StartMatch(0);
        battle = game.GetBattle();
        ASSERT_NE(nullptr, battle);
    }
    void TearDown() override { game.Release(); }
    void Step()
    {
        clock.AdvanceMs(33);
        game.Update(0.0f);
    }
    void Deliver(const std::vector<u8>& bytes) { game.OnGameData(bytes.data(), (int)bytes.size()); }

    htest::DrivenClock clock;
    vtest::CTestMatchApp app;
    vtest::CTestMatchGame game{202, 1};
    CVexPlayState* battle = nullptr;
};

TEST_F(Transport, ARunOfAcknowledgementsClearsARunOfRecordsSendingEachFollowerOnce)
{
    for (int i = 0; i < 3; ++i)
        battle->PostReady(1);
    Step();
    ASSERT_EQ(3, battle->GetOutQueue()->Count());
    EXPECT_EQ(1, game.sends); // one in flight
    const u32 seqs[3] = {HeaderSeq(battle->GetOutQueue()->At(0)),
                         HeaderSeq(battle->GetOutQueue()->At(1)),
                         HeaderSeq(battle->GetOutQueue()->At(2))};
    // An acknowledgement for the second waits until the second is at the front.
    Deliver(Ack(seqs[1]));
    Step();
    EXPECT_EQ(3, battle->GetOutQueue()->Count());
    EXPECT_EQ(1, battle->GetAckQueue()->Count());
    EXPECT_EQ(1, game.sends);
    Deliver(Ack(seqs[0]));
    Deliver(Ack(seqs[2]));
    Step();
    EXPECT_EQ(0, battle->GetOutQueue()->Count());
    EXPECT_EQ(0, battle->GetAckQueue()->Count());
    EXPECT_EQ(3, game.sends); // the second and third once each
}

TEST_F(Transport, TheRecordInFlightIsResentAfterTenSecondsWithoutAnAcknowledgement)
{
    battle->PostReady(1);
    Step();
    EXPECT_EQ(1, game.sends);
    clock.AdvanceMs(9900);
    Step();
    EXPECT_EQ(1, game.sends);
    clock.AdvanceMs(200);
    Step();
    EXPECT_EQ(2, game.sends);
    Deliver(Ack(HeaderSeq(battle->GetOutQueue()->At(0))));
    clock.AdvanceMs(20000);
    Step();
    EXPECT_EQ(2, game.sends);
}

TEST_F(Transport, ARepeatIsAcknowledgedButTakenOnce)
{
    CVexMsgReady ready{0};
    const std::vector<u8> message = Bytes(ready, 500);
    Deliver(message);
    Deliver(message);
    EXPECT_EQ(1, battle->GetAcceptedCount());
    EXPECT_EQ(2, game.sends); // two acknowledgements
    EXPECT_EQ(1, battle->GetExecutionQueue()->Count());
    // The window holds at most 100 numbers before the new one: seq 500 falls out after 101
    // others and is then taken again.
    for (u32 seq = 1; seq <= 101; ++seq)
        Deliver(Bytes(ready, 1000 + seq));
    EXPECT_LE(battle->GetSeenWindow().GetSize(), 101);
    Deliver(message);
    EXPECT_EQ(103, battle->GetAcceptedCount());
}

TEST_F(Transport, WhatOnGameDataDropsAndWhatItAcknowledges)
{
    const int acceptedBefore = battle->GetAcceptedCount();
    // Under 12 bytes or over 32,768: dropped without an acknowledgement.
    std::vector<u8> shortOne(11, 0);
    shortOne[0] = VEX_MSG_READY;
    Deliver(shortOne);
    std::vector<u8> huge(32769, 0);
    huge[0] = VEX_MSG_BATCH;
    Deliver(huge);
    EXPECT_EQ(0, game.sends);
    // An unknown type and a known type cut short: acknowledged and dropped.
    std::vector<u8> unknown(16, 0);
    unknown[0] = 99;
    Deliver(unknown);
    std::vector<u8> cut = Bytes(CVexMsgRoundBegin{0, 1, 0, 0}, 77);
    cut.resize(20);
    Deliver(cut);
    EXPECT_EQ(2, game.sends);
    // Execute-at below -1: dropped, not acknowledged.
    Deliver(Bytes(CVexMsgReady{0}, 78, -5));
    EXPECT_EQ(2, game.sends);
    EXPECT_EQ(acceptedBefore, battle->GetAcceptedCount());
    EXPECT_EQ(0, battle->GetExecutionQueue()->Count());
}

TEST_F(Transport, UnmatchedAcknowledgementsAreCapped)
{
    battle->PostReady(1);
    Step();
    for (u32 seq = 0; seq < 500; ++seq)
        Deliver(Ack(900000 + seq));
    Step();
    EXPECT_LE(battle->GetAckQueue()->Count(), 64);
    EXPECT_EQ(1, battle->GetOutQueue()->Count());
}

TEST_F(Transport, AReceivedTimedMessageWhoseTimeHasPassedIsReleasedByTheNextPass)
{
    // The opponent's turn with its batch played back here.
    Deliver(Bytes(CVexMsgNextTurn{0}, 10));
    Step();
    ASSERT_EQ(VEX_ROUND_OTHER_TURN, battle->GetRoundState());
    Deliver(Bytes(CVexMsgBattleBegin{0}, 11)); // nothing loaded: the handler still runs
    Step();
    battle->GetScheduledQueue()->Clear();
    ASSERT_EQ(VEX_ROUND_OTHER_TURN, battle->GetRoundState());
    // An empty batch makes the playback start; a timed message long due follows.
    std::vector<u8> batch(18, 0);
    VexWriteHeader(batch.data(), VEX_MSG_BATCH, 12, -1);
    batch[16] = batch[17] = 'c';
    Deliver(Bytes(CVexMsgPhysicsSwitch{0}, 13, 0));
    EXPECT_EQ(1, battle->GetScheduledQueue()->Count());
    Deliver(batch);
    Step();
    EXPECT_EQ(0, battle->GetScheduledQueue()->Count());
    EXPECT_TRUE(battle->IsPlaybackDone());
}

// Hostile records change nothing: sides, slots and block ids out of range, non-finite floats.
TEST_F(Transport, HostileRecordsChangeNothing)
{
    CVexScene* scene = battle->GetLiveScene();
    const CVortanVector2 before0 = scene->GetPlayer(0).body->position;
    const float nan = nanf("");
    const float inf = INFINITY;
    std::vector<std::vector<u8>> hostile = {
        Bytes(CVexMsgPlayerOut{7, 1}, 20),
        Bytes(CVexMsgSettlePositions{CVortanVector2(nan, 0.0f), CVortanVector2(0.0f, 0.0f)}, 21),
        Bytes(CVexMsgPlayerKnock{2, CVortanVector2(1.0f, 1.0f), 0}, 22),
        Bytes(CVexMsgPlayerKnock{0, CVortanVector2(inf, 1.0f), 0}, 23),
        Bytes(CVexMsgSpawnProjectile{0, 1, 40}, 24),
        Bytes(CVexMsgSpawnProjectile{3, 1, 2}, 25),
        Bytes(CVexMsgSpawnProjectile{0, 9, 2}, 26),
        Bytes(CVexMsgPlaceProjectile{0, CVortanVector2(0.0f, 0.0f), 99}, 27),
        Bytes(CVexMsgLaunchProjectile{5, CVortanVector2(0.0f, 0.0f), 1}, 28),
        Bytes(CVexMsgProjectileGone{0, 0, -3}, 29),
        Bytes(CVexMsgBlockState{250, 1, 1, 10, CVortanVector2(0.0f, 0.0f)}, 30),
        Bytes(CVexMsgBlockDestroyed{7}, 31),
        Bytes(CVexMsgExplosion{0, 0, CVortanVector2(nan, nan), 1.0f}, 32),
        Bytes(CVexMsgPlayerDamage{9, 50, 0}, 33),
        Bytes(CVexMsgWhip{4, CVortanVector2(0.0f, 0.0f)}, 34),
        Bytes(CVexMsgReady{3}, 35),
        Bytes(CVexMsgGameOver{0, 0, 0, 9, 0}, 36),
        Bytes(CVexMsgGameOver{5, 0, 0, 1, 0}, 37),
        Bytes(CVexMsgEquipment{}, 38),
    };
    for (const auto& message : hostile)
        Deliver(message);
    Step();
    Step();
    EXPECT_EQ(0, memcmp(&before0, &scene->GetPlayer(0).body->position, sizeof before0));
    EXPECT_EQ(100, scene->GetPlayer(0).health);
    EXPECT_EQ(100, scene->GetPlayer(1).health);
    EXPECT_EQ(1u, scene->GetPlayer(0).inPlay);
    EXPECT_EQ(0, scene->GetPlayer(0).extra[1] + scene->GetPlayer(1).extra[1]);
    for (int side = 0; side < 2; ++side)
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot)
            EXPECT_EQ(nullptr, scene->GetPlayer(side).slots[slot]);
    EXPECT_FALSE(battle->IsGameOver());
}

// A batch cut short, one that never ends, and one whose entries lie about their types.
TEST_F(Transport, CutAndUnterminatedBatchesAreReadSafely)
{
    Deliver(Bytes(CVexMsgNextTurn{0}, 40));
    Step();
    std::vector<u8> batch(16, 0);
    VexWriteHeader(batch.data(), VEX_MSG_BATCH, 41, -1);
    const std::vector<u8> entry = Bytes(CVexMsgPhysicsSwitch{1}, 5, 0);
    for (int i = 0; i < 3; ++i) {
        batch.push_back(VEX_MSG_PHYSICS_SWITCH);
        batch.insert(batch.end(), entry.begin(), entry.end());
    }
    std::vector<u8> unterminated = batch;
    Deliver(unterminated);
    std::vector<u8> cut = batch;
    cut.resize(cut.size() - 5);
    VexWriteHeader(cut.data(), VEX_MSG_BATCH, 42, -1);
    Deliver(cut);
    std::vector<u8> lying = batch;
    VexWriteHeader(lying.data(), VEX_MSG_BATCH, 43, -1);
    lying[16] = VEX_MSG_EXPLOSION;
    Deliver(lying);
    Step();
    Step();
    EXPECT_LE(battle->GetScheduledQueue()->Count(), 9);
}

TEST(TransportRandom, SeededRandomBytesAreDroppedSafelyAndAShotAfterwardsStaysInStep)
{
    const unsigned seed = 2024;
    Match match(seed);
    SCOPED_TRACE(match.channel.Describe());
    match.Start(1);
    std::vector<std::string> digests[2];
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    std::mt19937 random(seed);
    for (int i = 0; i < 3000; ++i) {
        std::vector<u8> bytes(random() % 96);
        for (u8& b : bytes)
            b = (u8)random();
        if (bytes.size() >= 12 && random() % 2)
            bytes[0] = (u8)(random() % 80); // often a known type
        // Never a number the window holds, never executed at once, never due soon: random
        // data must not be a well-formed message of this match.
        if (bytes.size() >= 12) {
            bytes[4] = 0xEE;
            bytes[8] = 0xFF, bytes[9] = 0xFF, bytes[10] = 0xFF, bytes[11] = 0x7F;
        }
        (i % 2 ? match.gameA : match.gameB)
            .OnGameData(bytes.empty() ? nullptr : bytes.data(), (int)bytes.size());
    }
    match.A()->GetScheduledQueue()->Clear();
    match.B()->GetScheduledQueue()->Clear();
    auto record = [](CVexPlayState* battle, void* context) {
        static_cast<std::vector<std::string>*>(context)[battle->GetLocalSide()].push_back(
            btest::Digest(battle));
    };
    match.A()->SetPlaybackHook(record, digests);
    match.B()->SetPlaybackHook(record, digests);
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    Match::Fire(match.ReadyShooter(), VEX_WEAPON_BOMB, CVortanVector2(-0.1f, -0.2f));
    ASSERT_TRUE(match.RunUntil([&] { return !digests[0].empty() && !digests[1].empty(); }, 3000));
    EXPECT_EQ(digests[0][0], digests[1][0]);
}

// Training: nothing is ever handed to SendGameData, and the copies that would be sent go.
TEST(TransportTraining, ATrainingBattleSendsNothing)
{
    htest::DrivenClock clock;
    vtest::CTestMatchApp app;
    btest::TrainingGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    game.Begin(3);
    CVexPlayState* battle = nullptr;
    for (int i = 0; i < 300; ++i) {
        clock.AdvanceMs(33);
        game.Update(0.0f);
        battle = game.GetBattle();
        if (battle && battle->IsTurnActive() && battle->GetRoundState() == VEX_ROUND_OWN_TURN &&
            !battle->IsShotInProgress())
            break;
    }
    ASSERT_NE(nullptr, battle);
    ASSERT_TRUE(battle->IsTraining());
    EXPECT_EQ(3, battle->GetLevelIndex());
    Match::Fire(battle, VEX_WEAPON_BOMB, CVortanVector2(0.1f, -0.3f));
    for (int i = 0; i < 1500 && game.GetBattle(); ++i) {
        clock.AdvanceMs(33);
        game.Update(0.0f);
    }
    EXPECT_EQ(0, game.sends);
    if (CVexPlayState* b = game.GetBattle()) {
        EXPECT_EQ(0, b->GetOutQueue()->Count());
    }
    game.Release();
}

} // namespace
