// Fast-forward of one shot to rest, headless, on each of the twenty levels with seeded shots
// (weapon and aim): the wall time of the whole fast-forward against the 30 s turn, the time of
// one frame of 31 steps against the 33 ms frame, and the time of one physics step with the
// number of bodies in the world.
#include <benchmark/benchmark.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>

#include "engine/VortanTimer.h"
#include "game/StateGame.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexPlayState.h"
#include "game/VexScene.h"
#include "tests/support/HeadlessGame.h"

namespace {

std::string g_dir;

using headless::Game;

void WriteLanguage()
{
    char pattern[] = "/tmp/battle_bench_XXXXXX";
    g_dir = mkdtemp(pattern);
    const std::string pack = headless::LanguagePack();
    FILE* f = fopen((g_dir + "/zorbixlanguage_0000.dmp").c_str(), "wb");
    fwrite(pack.data(), 1, pack.size(), f);
    fclose(f);
}

u64 g_clockNs = 5000000000ull;

void Step(Game& game)
{
    g_clockNs += 33000000ull;
    VortanTestClock::Set(g_clockNs);
    game.Update(0.0f);
}

// The battle on the level with the first turn this side's.
CVexPlayState* Prepare(Game& game, int level)
{
    game.StartMatch(0);
    CVexPlayState* battle = game.GetBattle();
    battle->SetHost(1);
    battle->PostRoundBegin(0, level, 0, 1);
    Step(game);
    battle->PostBattleBegin(0);
    for (int i = 0; i < 10 && battle->GetRoundState() != VEX_ROUND_OWN_TURN; ++i)
        Step(game);
    return battle;
}

void BM_FastForwardOneShot(benchmark::State& state)
{
    const int level = (int)state.range(0);
    if (g_dir.empty())
        WriteLanguage();
    VortanTestClock::Set(g_clockNs);
    headless::App app(g_dir);
    app.OpenPack(CVortanString(VORTAN_BINARY_DIR "/dataScenes.dmp"), 1);
    Game game(1);
    game.Init(&app);
    std::mt19937 random(1000 + level);
    double wall = 0.0, frameMax = 0.0, frames = 0.0, steps = 0.0, shots = 0.0;
    int bodies = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CVexPlayState* battle = Prepare(game, level);
        bodies = game.GetPhysicsWorld()->GetBodyCount();
        const float angle = (float)(random() % 6283) / 1000.0f;
        const float length = 0.1f + (float)(random() % 300) / 1000.0f;
        battle->Player(0).weapon = (u32)(random() % 6);
        battle->SetAim(CVortanVector2(length * cosf(angle), length * sinf(angle)));
        battle->FireShot();
        state.ResumeTiming();
        while (battle->IsFastForwarding()) {
            const auto start = std::chrono::steady_clock::now();
            Step(game);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            wall += seconds;
            frames += 1.0;
            if (battle->GetLastFrameSteps() == 31 && seconds > frameMax)
                frameMax = seconds;
        }
        steps += battle->GetFastForwardTime() * 30.0;
        shots += 1.0;
    }
    game.Release();
    VortanTestClock::Clear();
    state.counters["bodies"] = bodies;
    state.counters["steps_per_shot"] = steps / shots;
    state.counters["shot_ms"] = wall / shots * 1000.0;
    state.counters["share_of_30s_turn"] = wall / shots / 30.0;
    state.counters["frame_31_steps_ms_max"] = frameMax * 1000.0;
    state.counters["us_per_step"] = steps > 0 ? wall / steps * 1e6 : 0.0;
}
BENCHMARK(BM_FastForwardOneShot)->DenseRange(0, 19)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
