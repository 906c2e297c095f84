// The pop-ups and the device on a private system bus with a fake browser and vibrator: one
// vibration per toast asked for, and the advert's links ("ad_click", "ad_ok", "ad_title" and
// the buy-full link when the title has none) opened with spaces as "_".
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloDevice.h"
#include "platform/OrloWebServer.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/PrivateBus.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/ui/LoaderTestSupport.h"
#include "tests/ui/RecordingBusService.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/Button.h"

namespace {

// The window-less application with a device, a toast and the advert.
class BusApp : public ltest::LoaderApp {
public:
    ~BusApp() override
    {
        m_toast = nullptr;
        m_advertisement = nullptr;
    }
    void SetToast(IOrloToastNotification* toast) { m_toast = toast; }
    void SetAdvert(IOrloAdvertisement* advert) { m_advertisement = advert; }
};

int Click(CWidget* root, const char* name)
{
    CButton* button = WidgetCast<CButton>(ltest::Find(root, name));
    return button ? button->Click() : -1;
}

} // namespace

TEST(PopupBus, OneVibrationPerToastAndTheAdvertsLinks)
{
    vtest::TempDir dir;
    bustest::PrivateBus bus;
    ASSERT_TRUE(bus.Start(dir, "bus"));
    pid_t fake =
        bustest::StartRecording(dir, bus.address, {"com.nokia.osso_browser", "com.nokia.mce"});
    ASSERT_TRUE(bustest::WaitFor(dir.File("ready"))) << vtest::ReadWholeFile(dir.File("fake.log"));

    // The bus library reads the system bus address once per process: the calls come from a
    // child that has it from the start.
    pid_t child = fork();
    if (child == 0) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        int code = 0;
        {
            BusApp app;
            COrloDevice device;
            device.SetVibrations(1);
            app.SetDevice(&device);
            ptest::GameStateStub game;
            app.SetGame(&game);
            rtest::WritePack(
                dir.File("l.dmp"),
                {{"/toast-root.xml",
                  vtest::ReadWholeFile(vtest::SourceDir() + "/data/layouts/toast-root.xml")},
                 {"/ad-root.xml",
                  vtest::ReadWholeFile(vtest::SourceDir() + "/data/layouts/ad-root.xml")}});
            app.OpenPack(CVortanString(dir.File("l.dmp").c_str()), 1);
            COrloToastNotification toast;
            toast.Init(&app);
            app.SetToast(&toast);
            app.ShowToast(CVortanString("one"), 0.0f, 1);
            app.ShowToast(CVortanString("two"), 0.0f, 1);
            app.ShowToast(CVortanString("two"), 0.0f, 1); // queued once, still a vibration
            COrloAdvertisement advert;
            if (advert.Init(&app) != VORTAN_OK)
                _exit(10);
            app.SetAdvert(&advert);
            CVortanArray<i32> frames;
            const char* buttons[] = {"ad_click", "ad_ok", "ad_title", "button_close"};
            const char* titleLinks[] = {"", "", "http://title page", ""};
            for (int i = 0; i < 4; ++i) {
                advert.Show(CVortanString("first"), CVortanString("http://click me"), 0, nullptr,
                            1000, 1000, &frames, CVortanString("http://ok here"), 0,
                            CVortanString("T"), CVortanString(titleLinks[i]));
                if (!advert.IsShown() || Click(advert.GetRoot(), buttons[i]) != 1)
                    code = 20 + i;
                if (advert.IsShown())
                    code = 30 + i;
            }
            // The title without a link: the buy-full page of the service.
            advert.Show(CVortanString("first"), CVortanString("c"), 0, nullptr, 1000, 1000, &frames,
                        CVortanString("o"), 0, CVortanString("T"), CVortanString());
            Click(advert.GetRoot(), "ad_title");
            advert.Release();
            toast.Release();
            app.SetGame(nullptr);
            app.SetDevice(nullptr);
        }
        _exit(code);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    const std::string expected = "req_vibrator_pattern_activate PatternTouchscreen\n"
                                 "req_vibrator_pattern_activate PatternTouchscreen\n"
                                 "req_vibrator_pattern_activate PatternTouchscreen\n"
                                 "load_url http://click_me\n"
                                 "load_url http://ok_here\n"
                                 "load_url http://title_page\n"
                                 "load_url " ORLO_FORWARD_ADDRESS "?link=buyfull\n";
    EXPECT_TRUE(vtest::WaitUntil(
        [&] { return vtest::ReadWholeFile(dir.File("records")).size() >= expected.size(); }));
    EXPECT_EQ(expected, vtest::ReadWholeFile(dir.File("records")));
    bustest::Stop(fake);
}
