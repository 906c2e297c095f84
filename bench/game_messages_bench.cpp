// Match message batches: packing a shot's pending records into a batch (FlushBatch, which
// also plays the batch back into the local scheduled queue) and unpacking a received batch
// (UnpackBatch), each against a memcpy of the same batch bytes. Two shots: a typical one of 60
// entries and the largest batch one game-data message carries (32,768 bytes).
#include <benchmark/benchmark.h>

#include <string.h>

#include <vector>

#include "engine/VortanPtrArray.h"
#include "game/VexGameContext.h"
#include "game/VexMatchMessages.h"
#include "game/VexMessageBatch.h"

namespace {

// The messages of a shot: squib and projectile moves, block hits, explosions; `large` fills a
// batch to exactly 32,768 bytes with block sticks.
std::vector<std::vector<u8>> ShotMessages(bool large)
{
    std::vector<std::vector<u8>> out;
    auto add = [&out](const auto& body, i32 at) {
        std::vector<u8> m(64);
        m.resize(VexWriteMessage(body, (u32)out.size() + 1, at, m.data(), (u32)m.size()));
        out.push_back(m);
    };
    if (large) {
        for (int i = 0; i < 726; ++i)
            add(CVexMsgBlockStick{(u8)i, 200, 2, 1, CVortanVector2(0.5f, 1.0f), 0.9f, 0.1f, 1.0f},
                i * 33);
        for (int i = 0; i < 3; ++i)
            add(CVexMsgBlockDestroyed{(u8)i}, 24000);
        add(CVexMsgBlockState{4, 10, -3, 90, CVortanVector2(0.1f, 0.2f)}, 24033);
        return out;
    }
    add(CVexMsgSettlePositions{CVortanVector2(-5, 2), CVortanVector2(5, 2)}, 0);
    add(CVexMsgSpawnProjectile{0, 1, 3}, 0);
    add(CVexMsgLaunchProjectile{0, CVortanVector2(-10, -6), 3}, 0);
    add(CVexMsgPhysicsSwitch{1}, 0);
    for (int i = 0; i < 14; ++i) {
        i32 at = 400 + 33 * i;
        add(CVexMsgBlockState{(u8)i, 12, 40, 70, CVortanVector2(0.3f, -0.2f)}, at);
        add(CVexMsgExplosion{0xFF808080u, 1, CVortanVector2(1, 2), 0.7f}, at);
        add(CVexMsgPlayerDamage{1, 12, 88}, at);
        add(CVexMsgPlaceProjectile{0, CVortanVector2(3, 4), 3}, at);
    }
    add(CVexMsgProjectileGone{0, 0, 3}, 1000);
    return out;
}

void Fill(CVortanPtrArray& pending, const std::vector<std::vector<u8>>& messages)
{
    for (const std::vector<u8>& m : messages)
        pending.Add(CVexMessage::Create(m[0], m.data(), (u32)m.size(), 1));
}

std::vector<u8> BatchBytes(const std::vector<std::vector<u8>>& messages)
{
    CVortanPtrArray pending;
    Fill(pending, messages);
    CVexGameContext game;
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    CVexMessage* batch = nullptr;
    if (batcher.FlushBatch(pending, execution, scheduled, &batch) != VORTAN_OK)
        abort();
    return std::vector<u8>(batch->payload, batch->payload + batch->size);
}

void BM_BatchPack(benchmark::State& state)
{
    std::vector<std::vector<u8>> messages = ShotMessages(state.range(0) != 0);
    CVexGameContext game;
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    CVortanPtrArray pending;
    u64 bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        execution.Clear();
        scheduled.Clear();
        Fill(pending, messages);
        state.ResumeTiming();
        CVexMessage* batch = nullptr;
        batcher.FlushBatch(pending, execution, scheduled, &batch);
        bytes += batch->size;
        benchmark::DoNotOptimize(batch);
    }
    state.SetBytesProcessed((int64_t)bytes);
}
BENCHMARK(BM_BatchPack)->Arg(0)->Arg(1);

void BM_BatchUnpack(benchmark::State& state)
{
    std::vector<u8> batch = BatchBytes(ShotMessages(state.range(0) != 0));
    CVexGameContext game;
    CVexMessageQueue scheduled(&game);
    for (auto _ : state) {
        CVexMessageBatch::UnpackBatch(batch.data(), (u32)batch.size(), scheduled);
        benchmark::DoNotOptimize(scheduled.Peek());
        scheduled.Clear();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)batch.size());
}
BENCHMARK(BM_BatchUnpack)->Arg(0)->Arg(1);

// The same batch bytes copied once, the floor of both.
void BM_BatchMemcpy(benchmark::State& state)
{
    std::vector<u8> batch = BatchBytes(ShotMessages(state.range(0) != 0));
    std::vector<u8> copy(batch.size());
    for (auto _ : state) {
        memcpy(copy.data(), batch.data(), batch.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)batch.size());
}
BENCHMARK(BM_BatchMemcpy)->Arg(0)->Arg(1);

} // namespace
