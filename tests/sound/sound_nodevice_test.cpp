// Without a usable playback device the engine refuses to open and leaves nothing behind, so
// the program can carry on without sound.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "VortanSound/VortanSoundEngine.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(SoundWithoutDevice, OpenFailsCleanly)
{
    // ALSA reads this private configuration once, before the first open of this program.
    static vtest::TempDir home;
    ASSERT_TRUE(vtest::WriteWholeFile(home.File(".asoundrc"),
                                      "pcm.!default { type hw; card 97; device 0 }\n"));
    setenv("HOME", home.Path().c_str(), 1);
    unsetenv("ALSA_CONFIG_PATH");

    CVortanSoundEngine* engine = CVortanSoundEngine::Create();
    ASSERT_NE(nullptr, engine);
    int owner = 0;
    EXPECT_EQ(VORTAN_E_FAIL, engine->Open(&owner, 44100, 16, 2, 0, 0, 0));
    EXPECT_FALSE(engine->IsDeviceOpen());
    EXPECT_FALSE(engine->HasThread());
    EXPECT_EQ(nullptr, engine->GetOwner());
    EXPECT_EQ(0, engine->GetBufferCount());
    EXPECT_EQ(VORTAN_E_RANGE, engine->Mix());
    EXPECT_EQ(VORTAN_OK, engine->SetPaused(true));
    EXPECT_EQ(VORTAN_OK, engine->SetPaused(false));
    EXPECT_EQ(VORTAN_E_FAIL, engine->Open(&owner, 22050, 8, 1, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    EXPECT_FALSE(engine->HasThread());
    engine->Close();
    delete engine;
}

} // namespace
