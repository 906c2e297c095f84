// The menu's help and social buttons open the service's pages through the device's browser
// service: the exact D-Bus calls, as the device tests' stand-in service on a private bus
// records them, with the forward address, game number, release and store name.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/OrloDevice.h"
#include "platform/OrloWebServer.h"
#include "tests/game/ScreenTestSupport.h"
#include "tests/platform/DeviceServiceFake.h"
#include "tests/platform/PrivateBus.h"

namespace {

// The test application with the device services the program makes at start-up.
class DeviceApp : public htest::HostApp {
public:
    DeviceApp() { m_device = new COrloDevice(); }
};

// The menu, loaded, in a process whose system bus is the private one: taps the help button,
// then the social button.
class MenuInChild : public stest::ScreensOn<DeviceApp> {
public:
    void TestBody() override {}
    std::string Run()
    {
        LoadMenu();
        TapButton(MenuButton(VEX_MENU_BUTTON_HELP));
        Seconds(0.5f);
        TapButton(MenuButton(VEX_MENU_BUTTON_SOCIAL));
        Seconds(0.5f);
        return Menu() && !Menu()->IsLeaving() ? "ok" : "left";
    }
    void Start() { SetUp(); }
    void Stop() { TearDown(); }
};

TEST(MenuPages, HelpAndSocialOpenTheForwardAddressInTheBrowser)
{
    vtest::TempDir dir;
    bustest::PrivateBus bus;
    ASSERT_TRUE(bus.Start(dir, "system_bus")) << "dbus-daemon did not start";
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("fake.py"), bustest::kFakeService));
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("mode"), "normal"));
    pid_t fake = bustest::Spawn({vtest::Python(), dir.File("fake.py"), bus.address,
                                 dir.File("records"), dir.File("ready"), dir.File("mode")},
                                dir.File("fake.log"));
    ASSERT_TRUE(bustest::WaitFor(dir.File("ready"))) << vtest::ReadWholeFile(dir.File("fake.log"));

    const std::string out = bustest::InChild(bus.address, [] {
        MenuInChild screens;
        screens.Start();
        std::string result = screens.Run();
        screens.Stop();
        return result;
    });
    bustest::Stop(fake);
    EXPECT_EQ("ok", out);
    std::vector<std::string> calls;
    std::istringstream in(vtest::ReadWholeFile(dir.File("records")));
    for (std::string line; std::getline(in, line);)
        calls.push_back(line);
    const std::string base = std::string(ORLO_WEB_SERVER) + "/api/forward.php?link=";
    EXPECT_EQ(
        std::vector<std::string>({bustest::UrlRecord(base + "help&game=64&release=0&rid=Ovi"),
                                  bustest::UrlRecord(base + "facebook&game=64&release=0&rid=Ovi")}),
        calls);
}

} // namespace
