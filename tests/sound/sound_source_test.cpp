// Sound buffers and sources: creation, duplicates sharing data, release order, locking,
// positions, out-of-range indexes, and 3-D placement in the mix.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanMatrix.h"
#include "engine/VortanVector.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

using stest::EngineTest;

TEST_F(EngineTest, BufferCreationRefusesOddDepthsAndStartsSilent)
{
    CVortanSoundBuffer buffer;
    EXPECT_EQ(VORTAN_E_ARGUMENT, buffer.Create(nullptr, nullptr, 16, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, buffer.Create(&engine, nullptr, 0, 0));
    CVortanSoundFormat odd(2, 44100, 24, 6); // not a depth the mixer reads
    EXPECT_EQ(VORTAN_E_ARGUMENT, buffer.Create(&engine, &odd, 60, 0));
    EXPECT_EQ(0, engine.GetBufferCount());

    CVortanSoundFormat eight(1, 22050, 8, 1);
    ASSERT_EQ(VORTAN_OK, buffer.Create(&engine, &eight, 10, 0));
    EXPECT_EQ(std::string(10, '\x80'), stest::Bytes(&buffer));
    ASSERT_EQ(VORTAN_OK,
              buffer.Create(&engine, nullptr, 8, VORTAN_SOUNDBUFFER_NOTIFY)); // the engine's format
    EXPECT_EQ(engine.GetFormat(), buffer.GetFormat());
    EXPECT_EQ(std::string(8, '\0'), stest::Bytes(&buffer));
    EXPECT_EQ(1, engine.GetBufferCount());
    buffer.Release();
    EXPECT_EQ(0, engine.GetBufferCount());
    EXPECT_EQ(VORTAN_E_MISSING, engine.RemoveNotifyHandler(&buffer));

    CVortanSoundWave wave;
    ASSERT_EQ(VORTAN_OK,
              wave.CreateFromFormat(&engine, CVortanSoundFormat(2, 22050, 16, 4), 4000, 0, 1));
    EXPECT_EQ(1, wave.GetDuplicateCount());
    EXPECT_EQ(std::string(4000, '\0'), stest::Bytes(wave.GetBuffer(0)));
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              wave.CreateFromFormat(&engine, CVortanSoundFormat(1, 22050, 4, 256), 4000, 0, 1));
    EXPECT_EQ(0, wave.GetBufferCount());
}

TEST_F(EngineTest, LockIsExclusiveAndClamped)
{
    CVortanSoundBuffer buffer;
    ASSERT_EQ(VORTAN_OK, buffer.Create(&engine, nullptr, 100, 0));
    void* data = nullptr;
    u32 bytes = 0;
    EXPECT_EQ(VORTAN_E_ARGUMENT, buffer.Lock(0, 10, nullptr, &bytes, 0));
    ASSERT_EQ(VORTAN_OK, buffer.Lock(90, 50, &data, &bytes, 0));
    EXPECT_EQ(buffer.GetData() + 90, data);
    EXPECT_EQ(10u, bytes);
    void* again = &bytes;
    u32 againBytes = 5;
    EXPECT_EQ(VORTAN_E_LOCKED, buffer.Lock(0, 10, &again, &againBytes, 1));
    EXPECT_EQ(nullptr, again);
    EXPECT_EQ(0u, againBytes);
    buffer.Unlock();
    ASSERT_EQ(VORTAN_OK, buffer.Lock(500, 10, &data, &bytes, 0));
    EXPECT_EQ(buffer.GetData() + 100, data);
    EXPECT_EQ(0u, bytes);
    buffer.Unlock();
    ASSERT_EQ(VORTAN_OK, buffer.Lock(500, 10, &data, &bytes, 1)); // the whole buffer
    EXPECT_EQ(buffer.GetData(), data);
    EXPECT_EQ(100u, bytes);
    buffer.Unlock();

    // A locked buffer is skipped by the mixer.
    std::vector<int16_t> ones(50, 16384);
    memcpy(buffer.GetData(), ones.data(), 100);
    buffer.Play(1);
    buffer.Lock(0, 0, &data, &bytes, 1);
    EXPECT_EQ(0, stest::Period16(engine)[0]);
    buffer.Unlock();
    EXPECT_NE(0, stest::Period16(engine)[0]);
}

TEST_F(EngineTest, PositionsAndIndexesAreClamped)
{
    auto sound = stest::Constant(&engine, 50, 0, 1); // 100 bytes, two buffers
    u32 position = 0;
    const int set[][2] = {{1000, 99}, {-5, 0}, {41, 41}};
    for (const auto& s : set) {
        EXPECT_EQ(VORTAN_OK, sound->SetPosition(s[0]));
        sound->GetPosition(&position);
        EXPECT_EQ(static_cast<u32>(s[1]), position) << s[0];
    }
    sound->Pause();
    sound->GetPosition(&position);
    EXPECT_EQ(41u, position); // pausing keeps it
    sound->Stop();
    sound->GetPosition(&position);
    EXPECT_EQ(0u, position); // stopping rewinds

    EXPECT_EQ(VORTAN_E_ARGUMENT, sound->Play(0, 2));
    EXPECT_EQ(VORTAN_E_RANGE, sound->Stop(2));
    EXPECT_EQ(VORTAN_E_RANGE, sound->GetPosition(&position, 2));
    EXPECT_EQ(VORTAN_E_RANGE, sound->SetPosition(0, 2));
    EXPECT_EQ(VORTAN_E_RANGE, sound->SetVolume(0, 2));
    EXPECT_EQ(0, sound->GetPan(-1));
    EXPECT_EQ(nullptr, sound->GetBuffer(2));
    CVortanSound3DParameters params;
    EXPECT_EQ(VORTAN_E_RANGE, sound->Set3DParameters(&params, 2));
    sound->SetPan(-30000, 1);
    sound->SetVolume(700, 1);
    sound->SetFrequency(100000, 1);
    EXPECT_EQ(-10000, sound->GetPan(1));
    EXPECT_EQ(0, sound->GetVolume(1));
    EXPECT_EQ(88200u, sound->GetFrequency(1));
    EXPECT_EQ(44100u, sound->GetFrequency(0));

    CVortanSoundWave empty;
    EXPECT_EQ(VORTAN_E_ARGUMENT, empty.Play(0));
    EXPECT_EQ(VORTAN_E_RANGE, empty.CreateDuplicates(2));
}

TEST_F(EngineTest, DuplicatesShareAndReleaseUnregistersEverything)
{
    auto sound = stest::Constant(&engine, 50, 123, 3);
    EXPECT_EQ(4, engine.GetBufferCount());
    CVortanSoundBuffer* first = sound->GetBuffer(0);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(first->GetData(), sound->GetBuffer(i)->GetData());
        EXPECT_EQ(1, sound->GetBuffer(i)->IsShared());
    }
    EXPECT_EQ(0, first->IsShared());
    ASSERT_EQ(VORTAN_OK, sound->CreateDuplicates(2));
    EXPECT_EQ(6, engine.GetBufferCount());

    // Releasing one duplicate leaves the data to buffer 0.
    sound->GetBuffer(3)->Release();
    EXPECT_EQ(5, engine.GetBufferCount());
    EXPECT_EQ(123, reinterpret_cast<const i16*>(first->GetData())[49]);

    for (int i = 0; i < 6; ++i)
        sound->Play(1, i);
    sound->ReleaseBuffers();
    EXPECT_EQ(0, engine.GetBufferCount());
    EXPECT_EQ(0, sound->GetDataSize());
    EXPECT_EQ(0, stest::Period16(engine)[0]); // nothing left to mix (and nothing freed is read)
}

TEST_F(EngineTest, ThreeDListenerSpace)
{
    CVortanSoundBuffer buffer;
    ASSERT_EQ(VORTAN_OK, buffer.Create(&engine, nullptr, 64, VORTAN_SOUNDBUFFER_3D));
    CVortanMatrix source, listener;
    source.SetIdentity();
    source[3] = 5.0f, source[7] = 2.0f, source[11] = -1.0f;
    listener.SetRotationZ(1.5707963f); // a quarter turn about z
    listener[3] = 1.0f, listener[7] = 1.0f, listener[11] = 1.0f;
    buffer.Update3D(CVortanVector3(3.0f, 0.0f, 0.0f), source, CVortanVector3(1.0f, 0.0f, 0.0f),
                    listener);
    CVortanSound3DParameters params;
    buffer.Get3DParameters(&params);
    EXPECT_FLOAT_EQ(4.0f, params.m_position[0]);
    EXPECT_FLOAT_EQ(1.0f, params.m_position[1]);
    EXPECT_FLOAT_EQ(-2.0f, params.m_position[2]);
    // (2, 0, 0) turned a quarter: (0, 2, 0) up to rounding.
    EXPECT_NEAR(0.0f, params.m_velocity[0], 1e-5);
    EXPECT_NEAR(2.0f, fabsf(params.m_velocity[1]), 1e-5);
    EXPECT_NEAR(0.0f, params.m_velocity[2], 1e-5);
    buffer.Set3DParameters(nullptr);
    buffer.Get3DParameters(&params);
    EXPECT_EQ(0.0f, params.m_position[0]);
}

TEST_F(EngineTest, ThreeDPlacementInTheMix)
{
    auto sound = stest::Constant(&engine, 20000, 16384, 0, VORTAN_SOUNDBUFFER_3D);
    CVortanSound3DParameters params;
    // At the listener's place, moving: no NaN, no shift; nearly centred.
    params.m_velocity[0] = 10.0f;
    sound->Set3DParameters(&params);
    sound->Play(0);
    std::vector<int16_t> out = stest::Period16(engine);
    EXPECT_EQ(16382, out[0]); // (32766 x ((32766 x 16384) >> 15)) >> 15
    EXPECT_EQ(16381, out[1]); // sin(-pi) is a hair above 0 in floats: right gain 32765
    u32 position = 0;
    sound->GetPosition(&position);
    EXPECT_EQ(2096u * 2, position);

    // Straight to the right: left silent.
    params.m_position[0] = 10.0f;
    params.m_velocity[0] = 0.0f;
    sound->Set3DParameters(&params);
    out = stest::Period16(engine);
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(16382, out[1]);

    // Ahead at twice the minimum distance: half the amplitude on both sides.
    params.m_position[0] = 0.0f;
    params.m_position[2] = 40.0f;
    sound->Set3DParameters(&params);
    out = stest::Period16(engine);
    EXPECT_EQ(8190, out[0]); // gain (32767 x 16383) >> 15 = 16382
    EXPECT_EQ(8189, out[1]); // gain 16381, as above

    // Approaching at a tenth of the speed of sound: 10 % higher (step 281 in 8.8).
    params.m_position[2] = 10.0f;
    params.m_velocity[2] = -34.0f;
    sound->Set3DParameters(&params);
    sound->GetPosition(&position);
    stest::Period16(engine);
    u32 next = 0;
    sound->GetPosition(&next);
    EXPECT_EQ(position + 2 * ((2096u * 281u) >> 8), next);
}

} // namespace
