// Two devices in one test process: both applications, both games on the stand-in clock, the
// channel between them, and the steps of a scripted player.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "game/VexPlayState.h"
#include "tests/game/BattleDigest.h"
#include "tests/support/GameMatchChannel.h"

namespace btest {

// The battle's own turn, aiming: nothing fired and nothing waiting to run.
inline bool Aiming(CVexPlayState* b)
{
    return b && b->GetRoundState() == VEX_ROUND_OWN_TURN && b->IsTurnActive() &&
           !b->IsShotInProgress() && !b->GetExecutionQueue()->HasRecords();
}

// A game (or two) stepped on the driven clock, one Tick a step.
class Stepper {
public:
    virtual ~Stepper() = default;
    virtual void Tick() = 0;
    // Ticks until the condition holds; false after `limit` ticks.
    bool RunUntil(const std::function<bool()>& done, int limit)
    {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            Tick();
        }
        return done();
    }
};

class Match : public Stepper {
public:
    explicit Match(unsigned seed = 1) : gameA(101, 0), gameB(202, 1), channel(&gameA, &gameB, seed)
    {
        EXPECT_EQ(VORTAN_OK, gameA.Init(&appA));
        EXPECT_EQ(VORTAN_OK, gameB.Init(&appB));
        gameA.Update(0.0f);
        gameB.Update(0.0f);
    }
    ~Match()
    {
        gameA.Release();
        gameB.Release();
    }
    CVexPlayState* A() { return gameA.GetBattle(); }
    CVexPlayState* B() { return gameB.GetBattle(); }
    CVexPlayState* Battle(int side) { return side == 0 ? A() : B(); }
    // One 33 ms step of both games, then the channel's deliveries.
    void Tick() override
    {
        clock.AdvanceMs(33);
        gameA.Update(0.0f);
        gameB.Update(0.0f);
        channel.Tick();
        ++ticks;
    }
    void Start(int openerA = 1)
    {
        gameA.StartMatch(openerA);
        gameB.StartMatch(!openerA);
    }
    // The battle whose turn it is (round state 7, turn active, nothing fired yet), or null.
    CVexPlayState* ReadyShooter()
    {
        for (int side = 0; side < 2; ++side) {
            if (Aiming(Battle(side)) && !Battle(side)->IsGameOver())
                return Battle(side);
        }
        return nullptr;
    }
    // The sounds of the match's course heard on battle b's device: starts, time-outs, results.
    std::string Course(CVexPlayState* b)
    {
        return (b == A() ? gameA : gameB).Heard(0, {11, 12, 13, 14, 16});
    }
    static void Fire(CVexPlayState* b, int weapon, const CVortanVector2& aim)
    {
        b->Player(b->GetLocalSide()).weapon = (u32)weapon;
        b->SetAim(aim);
        b->FireShot();
    }

    htest::DrivenClock clock;
    vtest::CTestMatchApp appA, appB;
    vtest::CTestMatchGame gameA, gameB;
    vtest::CTestMatchChannel channel;
    long ticks = 0;
};

// One device in training: the training screen is a stand-in that picks the scene; the game's
// language pack holds texts 0..119 ("T<n>").
class TrainingGame : public vtest::CTestMatchGame {
public:
    TrainingGame() : vtest::CTestMatchGame(101, 0) {}
    // The picker chose the scene: the next step starts the battle.
    void Begin(int scene)
    {
        SetState(VEX_STATE_TRAINING);
        auto* picker = static_cast<htest::TestScreen*>(GetState(VEX_STATE_TRAINING));
        picker->SetResult(scene);
        picker->Finish(VEX_STATE_PLAY);
    }

protected:
    CVexState* CreateState(int typeId) override
    {
        if (typeId == VEX_STATE_TRAINING)
            return new htest::TestScreen(typeId, nullptr);
        return CStateGame::CreateState(typeId);
    }
};

class Training : public Stepper {
public:
    Training()
    {
        htest::WriteGameLanguage(app.dir.Path(), 120);
        EXPECT_EQ(VORTAN_OK, game.Init(&app));
    }
    ~Training() override { game.Release(); }
    void Tick() override
    {
        clock.AdvanceMs(33);
        game.Update(0.0f);
        ++ticks;
    }
    CVexPlayState* Battle() { return game.GetBattle(); }
    // The player's turn, nothing fired.
    bool Ready() { return Aiming(Battle()); }
    // Starts the scene and waits for the first turn.
    bool Start(int scene)
    {
        game.Begin(scene);
        return RunUntil([&] { return Ready(); }, 300);
    }

    htest::DrivenClock clock;
    vtest::CTestMatchApp app;
    TrainingGame game;
    long ticks = 0;
};

// Training on a drawn screen: each step is drawn, so that the view moves as the player sees it.
class DrawnTraining : public Training {
public:
    void Tick() override
    {
        Training::Tick();
        game.Render();
    }
};

} // namespace btest
