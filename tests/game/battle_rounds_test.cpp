// Rounds and turns of the online battle between two games: the turn timer's beeps, time-out
// strikes ending the match for the opponent, a draw replayed on a new level with the other side
// first, the match end reported and left 5.0 s later, and a closed game connection; the result
// banner says how each match ended, and each device hears its start, time-outs and result.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

bool OwnTurn(CVexPlayState* b)
{
    return b && b->GetRoundState() == VEX_ROUND_OWN_TURN && b->IsTurnActive() &&
           !b->IsShotInProgress() && !b->GetExecutionQueue()->HasRecords();
}

typedef std::pair<int, int> Banner;

// The language texts of the result banner: its main line and the line saying how it ended.
Banner BannerOf(CVexPlayState* b)
{
    Banner texts(-1, -1);
    if (b)
        b->GetResultBanner(texts.first, texts.second);
    return texts;
}

// A shot that changes nothing: a jump with almost no stretch.
void Harmless(CVexPlayState* b)
{
    Match::Fire(b, VEX_WEAPON_JUMP, CVortanVector2(0.0f, 0.001f));
}

TEST(BattleRounds, TheTimerBeepsFiveTimesInTheLastFiveSeconds)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* b = match.ReadyShooter();
    // The turn began at most one step ago: 24.8 s from now nothing has sounded yet.
    for (int i = 0; i < 24800 / 33; ++i)
        match.Tick();
    EXPECT_EQ(0, b->GetBeepCount());
    EXPECT_GT(b->GetTurnTimeLeft(), 0.16f);
    int seen = 0;
    while (b->GetRoundState() == VEX_ROUND_OWN_TURN && seen < 5 && match.ticks < 2000) {
        match.Tick();
        const int beeps = b->GetBeepCount();
        if (beeps > seen) {
            // Beep n sounds once less than 6 - n seconds remain.
            const float left = b->GetTurnLimit() * b->GetTurnTimeLeft();
            EXPECT_LT(left, (float)(6 - beeps)) << beeps;
            EXPECT_GT(left, (float)(5 - beeps) - 0.1f) << beeps;
            seen = beeps;
        }
        EXPECT_GE(b->GetTimerFrame(), 0);
        EXPECT_LE(b->GetTimerFrame(), 15);
    }
    EXPECT_EQ(5, seen);

    // Each beep rises a tenth above the last (1.0 to 1.4 times the sound's own frequency), and
    // the first one also vibrates the device, once.
    vtest::CTestMatchGame& game = b == match.A() ? match.gameA : match.gameB;
    std::vector<int> beeps;
    int vibrations = 0, firstBeepAt = -1, vibrationAt = -1;
    for (size_t i = 0; i < game.cues.size(); ++i) {
        if (game.cues[i].first == vtest::CTestMatchGame::BEEP_SOUND) {
            if (firstBeepAt < 0)
                firstBeepAt = (int)i;
            beeps.push_back(game.cues[i].second);
        } else if (game.cues[i].first == -1) {
            ++vibrations;
            vibrationAt = (int)i;
        }
    }
    const int expected[5] = {22050, 24255, 26460, 28665, 30870}; // 22050 x 1.0 .. 1.4
    ASSERT_EQ(5u, beeps.size());
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(expected[i], beeps[i], 1) << i;
    EXPECT_EQ(1, vibrations);
    EXPECT_EQ(firstBeepAt + 1, vibrationAt);
}

TEST(BattleRounds, TheThirdTimeOutEndsTheMatchForTheOpponentOnBothDevices)
{
    Match match;
    match.Start();
    int timeOuts = 0;
    CVexPlayState* idler = nullptr;
    for (long i = 0; i < 20000 && !(match.A() && match.A()->IsGameOver()); ++i) {
        CVexPlayState* shooter = match.ReadyShooter();
        if (shooter && !idler)
            idler = shooter;
        if (shooter && shooter != idler)
            Harmless(shooter);
        const int strikes = idler ? idler->Player(idler->GetLocalSide()).strikes : 3;
        match.Tick();
        if (idler && idler->Player(idler->GetLocalSide()).strikes < strikes)
            ++timeOuts;
    }
    ASSERT_NE(nullptr, idler);
    EXPECT_EQ(3, timeOuts);
    ASSERT_TRUE(match.RunUntil([&] { return match.B() && match.B()->IsGameOver(); }, 100));
    const int winner = 1 - idler->GetLocalSide();
    EXPECT_EQ(winner, match.A()->GetWinner());
    EXPECT_EQ(winner, match.B()->GetWinner());
    ASSERT_TRUE(match.RunUntil(
        [&] { return !match.gameA.reports.empty() && !match.gameB.reports.empty(); }, 100));
    // Both report the same places: the idler second.
    for (auto* game : {&match.gameA, &match.gameB}) {
        ASSERT_EQ(1u, game->reports.size());
        EXPECT_EQ((std::vector<int>{101, 202}), game->reports[0].ids);
        EXPECT_EQ(winner == 0 ? (std::vector<int>{1, 2}) : (std::vector<int>{2, 1}),
                  game->reports[0].places);
        EXPECT_EQ(0, game->reports[0].flag);
    }
    // One match counted on each device.
    EXPECT_EQ(1, match.gameA.GetWonMatches() + match.gameA.GetLostMatches());
    EXPECT_EQ(1, match.gameB.GetWonMatches() + match.gameB.GetLostMatches());
    // The banners: won (3) and lost (4), each saying the idler ran out of time (8 to the
    // winner, 9 to the idler).
    for (CVexPlayState* b : {match.A(), match.B()}) {
        const bool idle = b->GetLocalSide() == idler->GetLocalSide();
        EXPECT_EQ(Banner(idle ? 4 : 3, idle ? 9 : 8), BannerOf(b)) << idle;
        EXPECT_EQ(idle ? "startgame.wav timerend.wav timerend.wav timerend.wav losegame.wav"
                       : "startgame.wav wingame.wav",
                  match.Course(b));
    }
}

TEST(BattleRounds, ADrowningAfterATimedOutTurnIsNoTimeOutWin)
{
    // The first side lets its turn run out; in the turn that follows the other side falls in
    // the water: the first side wins by the water, and neither banner speaks of time.
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* idler = match.ReadyShooter();
    const int idleSide = idler->GetLocalSide();
    ASSERT_TRUE(match.RunUntil(
        [&] { return match.ReadyShooter() && match.ReadyShooter() != idler; }, 2000));
    EXPECT_EQ(2, idler->Player(idleSide).strikes);
    CVexPlayState* shooter = match.ReadyShooter();
    Harmless(shooter);
    shooter->PostPlayerOut(1 - idleSide, 1);
    ASSERT_TRUE(
        match.RunUntil([&] { return match.A()->IsGameOver() && match.B()->IsGameOver(); }, 2000));
    for (CVexPlayState* b : {match.A(), match.B()}) {
        EXPECT_EQ(idleSide, b->GetWinner());
        EXPECT_EQ(Banner(b == idler ? 3 : 4, -1), BannerOf(b)) << (b == idler);
        EXPECT_EQ(b == idler ? "startgame.wav timerend.wav wingame.wav"
                             : "startgame.wav losegame.wav",
                  match.Course(b));
    }
}

TEST(BattleRounds, ADrawIsReplayedOnANewLevelWithTheOtherSideFirst)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* shooter = match.ReadyShooter();
    const int firstSide = shooter->GetTurnSide();
    const int level = match.A()->GetLevelIndex();
    Harmless(shooter);
    // Both squibs go out during the shot: the records travel in its batch.
    shooter->PostPlayerOut(0, 1);
    shooter->PostPlayerOut(1, 1);
    ASSERT_TRUE(match.RunUntil(
        [&] {
            return match.A()->GetRoundState() == VEX_ROUND_BETWEEN &&
                   match.B()->GetRoundState() == VEX_ROUND_BETWEEN;
        },
        2000));
    for (CVexPlayState* b : {match.A(), match.B()}) {
        EXPECT_EQ(VEX_WINNER_DRAW, b->GetWinner());
        EXPECT_EQ(0, b->Player(0).roundWins + b->Player(1).roundWins);
        EXPECT_FALSE(b->IsGameOver());
        EXPECT_EQ("startgame.wav tiegame.wav", match.Course(b));
    }
    // The host's Back key stands for its ready button: the button goes, no question opens;
    // the other is ready by itself after 5 s; the host starts the next round.
    CVexPlayState* host = match.A()->IsHost() ? match.A() : match.B();
    CVexButton* ready = host->GetButtons()->FindButton(VEX_BTN_READY);
    ASSERT_TRUE(ready && ready->visible);
    host->OnBack(0);
    EXPECT_FALSE(ready->visible);
    EXPECT_FALSE(host->IsExitConfirmationShown());
    ASSERT_TRUE(
        match.RunUntil([&] { return host->Player(host->GetLocalSide()).extra[1] != 0; }, 10));
    ASSERT_TRUE(match.RunUntil([&] { return OwnTurn(match.A()) || OwnTurn(match.B()); }, 1000));
    EXPECT_NE(level, match.A()->GetLevelIndex());
    EXPECT_EQ(match.A()->GetLevelIndex(), match.B()->GetLevelIndex());
    EXPECT_EQ(1 - firstSide, match.A()->GetTurnSide());
    EXPECT_EQ(1 - firstSide, match.B()->GetTurnSide());
}

TEST(BattleRounds, AWonRoundEndsTheMatchWhichIsLeftFiveSecondsLater)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* shooter = match.ReadyShooter();
    const int loser = 1 - shooter->GetLocalSide();
    Harmless(shooter);
    shooter->PostPlayerOut(loser, 1);
    ASSERT_TRUE(
        match.RunUntil([&] { return match.A()->IsGameOver() && match.B()->IsGameOver(); }, 2000));
    EXPECT_EQ(1 - loser, match.A()->GetWinner());
    EXPECT_EQ(1 - loser, match.B()->GetWinner());
    for (CVexPlayState* b : {match.A(), match.B()}) {
        const bool lost = b->GetLocalSide() == loser;
        EXPECT_EQ(Banner(lost ? 4 : 3, -1), BannerOf(b));
        EXPECT_EQ(lost ? "startgame.wav losegame.wav" : "startgame.wav wingame.wav",
                  match.Course(b));
    }
    ASSERT_TRUE(match.RunUntil(
        [&] { return !match.gameA.reports.empty() && !match.gameB.reports.empty(); }, 200));
    const long ended = match.ticks;
    // Button 12 shows after 1 s; the battle leaves by itself 5 s after the match end.
    ASSERT_TRUE(match.RunUntil([&] { return !match.A() && !match.B(); }, 400));
    const float seconds = (match.ticks - ended) * 0.033f;
    EXPECT_GT(seconds, 4.8f);
    EXPECT_LT(seconds, 5.4f);
    EXPECT_EQ(1, match.appA.chatPages);
    EXPECT_EQ(1, match.appB.chatPages);
    EXPECT_EQ(1, match.gameA.GetWonMatches() + match.gameA.GetLostMatches());
    EXPECT_EQ(match.gameA.GetWonMatches(), match.gameB.GetLostMatches());
}

TEST(BattleRounds, AClosedGameConnectionEndsTheBattleWithoutAMessage)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    match.RunUntil(
        [&] {
            return match.channel.IsIdle() && !match.A()->GetOutQueue()->Count() &&
                   !match.B()->GetOutQueue()->Count();
        },
        100);
    const int sendsBefore = match.channel.GetSentData();
    match.gameB.OnGameClosed();
    match.Tick();
    match.Tick();
    EXPECT_EQ(VEX_ROUND_GAME_OVER, match.B()->GetRoundState());
    EXPECT_TRUE(match.B()->IsGameOver());
    EXPECT_EQ(sendsBefore, match.channel.GetSentData());
    EXPECT_FALSE(match.A()->IsGameOver());
}

TEST(BattleRounds, APlayerWhoLeftLosesOnceAndAnUnknownIdChangesNothing)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    EXPECT_EQ(0, match.gameA.OnPlayerLeft(999));
    EXPECT_FALSE(match.A()->IsGameOver());
    EXPECT_EQ(1, match.gameA.OnPlayerLeft(202));
    match.Tick();
    EXPECT_TRUE(match.A()->IsGameOver());
    EXPECT_EQ(0, match.A()->GetWinner());
    EXPECT_EQ(0, match.gameA.OnPlayerLeft(202)); // ended: nothing more
    match.Tick();
    EXPECT_EQ(1, match.gameA.GetWonMatches());
    EXPECT_EQ(0, match.gameA.GetLostMatches());
    // Won, because the other side left (10).
    EXPECT_EQ(Banner(3, 10), BannerOf(match.A()));
    EXPECT_EQ("startgame.wav wingame.wav", match.Course(match.A()));
}

TEST(BattleRounds, AnEmptyLobbyEndsTheMatchAtOnceWithoutARoundStart)
{
    Match match;
    match.gameA.SetLobbySize(0);
    match.gameA.StartMatch(1);
    CVexPlayState* b = match.A();
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(CVortanString("Player1"), b->Player(0).name);
    EXPECT_EQ(CVortanString("Player2"), b->Player(1).name);
    match.Tick();
    EXPECT_EQ(0, match.gameA.sends);
    ASSERT_EQ(1u, match.gameA.reports.size());
    EXPECT_EQ((std::vector<int>{1, 1}), match.gameA.reports[0].places);
}

} // namespace
