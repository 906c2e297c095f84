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

namespace {

// Owns the mode-control name and writes "member arguments" for each call, then answers it.
const char* kFakeMce = R"PY(
import sys
import dbus, dbus.bus, dbus.lowlevel
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

address, record_path, ready_path = sys.argv[1:4]
DBusGMainLoop(set_as_default=True)
conn = dbus.bus.BusConnection(address)
if conn.request_name("com.nokia.mce", dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
    sys.exit(3)

def on_message(connection, message):
    if message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL:
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    if message.get_destination() != "com.nokia.mce":
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    with open(record_path, "a") as f:
        f.write(" ".join([message.get_path(), message.get_member()] +
                         [str(a) for a in message.get_args_list()]) + "\n")
    connection.send_message(dbus.lowlevel.MethodReturnMessage(message))
    return dbus.lowlevel.HANDLER_RESULT_HANDLED

conn.add_message_filter(on_message)
with open(ready_path, "w") as f:
    f.write("ready\n")
GLib.MainLoop().run()
)PY";

} // namespace

TEST(SequenceVibration, AVibrationEntryReachesTheDeviceServiceCall)
{
    vtest::TempDir dir;
    bustest::PrivateBus bus;
    ASSERT_TRUE(bus.Start(dir, "bus"));
    const std::string address = bus.address;
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("fake.py"), kFakeMce));
    pid_t fake = bustest::Spawn(
        {vtest::Python(), dir.File("fake.py"), address, dir.File("records"), dir.File("ready")},
        dir.File("fake.log"));
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
