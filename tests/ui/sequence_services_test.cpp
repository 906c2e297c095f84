// Timed sequences against the real services: a sound entry replays through the sound engine
// and goes back to the resource manager, a vibration entry reaches the device's D-Bus call.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/OrloDevice.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/PrivateBus.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/ui/RecordingBusService.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"

namespace {

// The application without a window, its device made by the test.
class TestApp : public COrlogateApplication {
public:
    void SetDevice(COrloDevice* device) { m_device = device; }
};

// Opens the engine at 44.1 kHz 16-bit stereo without a mixer thread, and the manager on it.
struct SoundCase : ::testing::Test {
    vtest::TempDir dir;
    CVortanSoundEngine engine;
    TestApp app;
    void SetUp() override
    {
        stest::SetUpCapture();
        ASSERT_EQ(VORTAN_OK,
                  engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
        ASSERT_EQ(app.COrloResourceManager::Init(&app, &engine), VORTAN_OK);
    }
    void TearDown() override { app.ReleaseAll(); }
    bool Silent()
    {
        for (int16_t s : stest::Period16(engine)) {
            if (s != 0)
                return false;
        }
        return true;
    }
};

} // namespace

TEST_F(SoundCase, ASoundEntryReplaysThroughTheEngineAndClearGivesItBack)
{
    std::string path = dir.File("sounds.dmp");
    rtest::WritePack(
        path, {{"/beep.wav",
                stest::PcmWave(1, 44100, 16, stest::Samples16(std::vector<int>(20000, 3000)))}});
    ASSERT_EQ(app.OpenPack(uitest::S(path.c_str()), 1), 1);
    CVortanSoundWave* beep = app.GetSound(uitest::S("beep.wav"), ORLO_SOUND_LOAD_NOW);
    ASSERT_NE(beep, nullptr);

    CUIActionSequenceList list;
    CUIActionRegistry registry;
    list.Init();
    registry.Init(&list);
    CUIActionSequence* seq = registry.CreateSequence(uitest::S("ping"));
    seq->SetOwner(&app);
    ASSERT_EQ(seq->AddSound(0.5f, beep), VORTAN_OK);

    EXPECT_TRUE(Silent());
    registry.Lookup(uitest::S("ping")).Call(nullptr);
    list.AdvanceAll(0.4f);
    EXPECT_TRUE(Silent());
    list.AdvanceAll(0.1f);
    std::vector<int16_t> period = stest::Period16(engine);
    ASSERT_FALSE(period.empty());
    EXPECT_NE(period[0], 0); // the constant sample, mixed into both channels
    EXPECT_EQ(period[0], period[1]);
    EXPECT_FALSE(seq->IsRunning());

    // Clear hands the sound to the manager, which drops its last reference.
    seq->Clear();
    EXPECT_EQ(app.FindSound(uitest::S("beep.wav")), nullptr);
    list.DeleteAll();
    registry.RemoveAll();
}

TEST(SequenceVibration, AVibrationEntryReachesTheDeviceServiceCall)
{
    vtest::TempDir dir;
    bustest::PrivateBus bus;
    ASSERT_TRUE(bus.Start(dir, "bus"));
    const std::string address = bus.address;
    pid_t fake = bustest::StartRecording(dir, address, {"com.nokia.mce"}, true);
    ASSERT_TRUE(bustest::WaitFor(dir.File("ready"))) << vtest::ReadWholeFile(dir.File("fake.log"));

    // The bus library reads the system bus address once per process: the sequence runs in a
    // child that has it from the start.
    pid_t child = fork();
    if (child == 0) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        int code = 0;
        {
            TestApp app;
            COrloDevice* device = new COrloDevice();
            device->SetVibrations(1);
            app.SetDevice(device);
            CUIActionSequence seq;
            seq.SetOwner(&app);
            seq.AddVibration(0.25f, 0);
            seq.Start(nullptr);
            seq.Advance(0.2f);
            code = vtest::ReadWholeFile(dir.File("records")).empty() ? 0 : 1;
            seq.Advance(0.05f);
            code |= seq.IsRunning() ? 2 : 0;
        }
        _exit(code);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0); // nothing before its time, idle after it
    EXPECT_TRUE(
        vtest::WaitUntil([&] { return !vtest::ReadWholeFile(dir.File("records")).empty(); }));
    EXPECT_EQ(vtest::ReadWholeFile(dir.File("records")),
              "/com/nokia/mce/request req_vibrator_pattern_activate PatternTouchscreen\n");
    bustest::Stop(fake);
}
