// The lockstep of two devices over many matches: a scripted run of seeded shots (weapons and
// aims), harmless shots, idle turns that time out, forfeits and rematches, over a clean channel
// and over one that loses, repeats, reorders and delays. After each shot both sides dump what
// they must agree on; the two sequences must be equal, and every message delivered is taken
// for execution exactly once.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <random>
#include <set>

#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

#if defined(__SANITIZE_ADDRESS__)
const int kShots = 120;
#else
const int kShots = 1000;
#endif

struct Side {
    std::vector<std::string> digests;
    std::set<u32> delivered; // distinct data seqs handed to this side's battle, this match
    int accepted = 0;        // the battle's count of taken messages, this match
};

void Record(CVexPlayState* battle, void* context)
{
    static_cast<Side*>(context)->digests.push_back(btest::Digest(battle));
}

struct Run {
    int shots = 0;
    int kept = 0;
    int idleTurns = 0;
    int forfeits = 0;
    int matches = 0;
    int draws = 0;
    int timeOutMatches = 0;
};

// Plays until `total` shots were fired; the seed drives every choice.
Run Play(Match& match, Side sides[2], unsigned seed, int total)
{
    std::mt19937 random(seed);
    Run run;
    int opener = 1;
    CVexPlayState* idleFor = nullptr;
    int idleState = -1;
    CVexPlayState* battles[2] = {nullptr, nullptr};
    int lastPlaybacks[2] = {0, 0};
    long guard = 0, sinceShot = 0;
    // A run where nobody gets to shoot any more (no level loads, say) stops early and fails.
    while (run.shots < total && guard < 4000000 && sinceShot < 60000) {
        ++guard;
        ++sinceShot;
        for (int s = 0; s < 2; ++s) {
            CVexPlayState* b = match.Battle(s);
            if (b != battles[s]) {
                battles[s] = b;
                if (b)
                    b->SetPlaybackHook(Record, &sides[s]);
            }
            if (b)
                sides[s].accepted = b->GetAcceptedCount();
        }
        if (!match.A() && !match.B() && match.channel.IsIdle()) {
            // Both battles over: every distinct message that reached a battle was taken once.
            for (int s = 0; s < 2; ++s) {
                EXPECT_EQ((int)sides[s].delivered.size(), sides[s].accepted)
                    << "side " << s << " match " << run.matches;
                sides[s].delivered.clear();
                sides[s].accepted = 0;
            }
            ++run.matches;
            match.Start(opener);
            opener = !opener;
            continue;
        }
        CVexPlayState* shooter = match.ReadyShooter();
        if (shooter && shooter == idleFor && shooter->GetRoundState() == idleState &&
            shooter->GetTurnTimeLeft() > 0.0f) {
            // Idle this turn: the timer runs out.
        } else if (shooter) {
            idleFor = nullptr;
            const unsigned roll = random() % 1000;
            if (roll < 8) {
                idleFor = shooter;
                idleState = shooter->GetRoundState();
                ++run.idleTurns;
            } else if (roll < 14) {
                // Forfeit by the exit confirmation; the service tells the other side.
                const int local = shooter->GetLocalSide();
                shooter->ClickButton(VEX_BTN_YES);
                vtest::CTestMatchGame& other = local == 0 ? match.gameB : match.gameA;
                other.OnPlayerLeft(local == 0 ? 101 : 202);
                ++run.forfeits;
            } else {
                const int weapon = (int)(random() % 6); // the shop bombs too
                const float angle = (float)(random() % 6283) / 1000.0f;
                const bool harmless = random() % 10 == 0;
                const float length = harmless ? 0.01f : 0.05f + (float)(random() % 350) / 1000.0f;
                Match::Fire(shooter, weapon,
                            CVortanVector2(length * cosf(angle), length * sinf(angle)));
                ++run.shots;
                sinceShot = 0;
            }
        }
        match.Tick();
        for (int s = 0; s < 2; ++s)
            if (CVexPlayState* b = match.Battle(s)) {
                if (b->GetPlaybackCount() != lastPlaybacks[s] && s == 0)
                    ++run.kept;
                lastPlaybacks[s] = b->GetPlaybackCount();
            }
    }
    // Let the last shot play out on both sides.
    match.RunUntil([&] { return sides[0].digests.size() == sides[1].digests.size(); }, 3000);
    return run;
}

void CheckRun(unsigned seed, const vtest::CTestFaults& faults, int shots)
{
    Match match(seed);
    match.channel.SetFaults(faults);
    Side sides[2];
    match.gameA.onData = [&](const u8* bytes, int length) {
        if (match.A() && length >= 12 && bytes[0] != 1)
            sides[0].delivered.insert((u32)bytes[4] | (u32)bytes[5] << 8 | (u32)bytes[6] << 16 |
                                      (u32)bytes[7] << 24);
    };
    match.gameB.onData = [&](const u8* bytes, int length) {
        if (match.B() && length >= 12 && bytes[0] != 1)
            sides[1].delivered.insert((u32)bytes[4] | (u32)bytes[5] << 8 | (u32)bytes[6] << 16 |
                                      (u32)bytes[7] << 24);
    };
    SCOPED_TRACE(match.channel.Describe());
    match.Start(1);
    const Run run = Play(match, sides, seed, shots);
    ASSERT_GE(run.shots, shots);
    ASSERT_EQ(sides[0].digests.size(), sides[1].digests.size());
    ASSERT_GT(sides[0].digests.size(), (size_t)shots / 2);
    for (size_t i = 0; i < sides[0].digests.size(); ++i)
        ASSERT_EQ(sides[0].digests[i], sides[1].digests[i]) << "shot " << i;
    EXPECT_GT(run.matches, 3);
    printf("seed %u: %d shots, %zu played back, %d idle turns, %d forfeits, %d matches, %ld ticks; "
           "lost %d repeated %d reordered %d delayed %d\n",
           seed, run.shots, sides[0].digests.size(), run.idleTurns, run.forfeits, run.matches,
           match.ticks, match.channel.lost, match.channel.duplicated, match.channel.reordered,
           match.channel.delayed);
}

TEST(BattleLockstep, ThousandShotsOverACleanChannelNeverDrift)
{
    CheckRun(7, vtest::CTestFaults(), kShots);
}

TEST(BattleLockstep, ThousandShotsOverAFaultyChannelNeverDrift)
{
    vtest::CTestFaults faults;
    faults.loss = 0.03;
    faults.duplicate = 0.05;
    faults.reorder = 0.05;
    faults.delay = 0.1;
    faults.maxDelayTicks = 20;
    CheckRun(11, faults, kShots);
}

} // namespace
