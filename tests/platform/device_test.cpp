// Device services: the exact D-Bus calls, checked against a private bus daemon and a fake
// service (Python with dbus-python) that owns the three service names and records every
// call; quiet failure without a bus; and the URL encoding.
#include <gtest/gtest.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "platform/OrloDevice.h"
#include "tests/platform/DeviceServiceFake.h"
#include "tests/platform/PrivateBus.h"
#include "tests/support/TestSupport.h"

namespace {

using bustest::InChild;
using bustest::kFakeService;
using bustest::kImeiRecord;
using bustest::kVibrateRecord;
using bustest::PrivateBus;
using bustest::Spawn;
using bustest::Stop;
using bustest::UrlRecord;
using bustest::WaitFor;

int OpenFdCount()
{
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    while (d && readdir(d))
        ++n;
    if (d)
        closedir(d);
    return n;
}

class DeviceBus : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new vtest::TempDir();
        s_bus = new PrivateBus();
        ASSERT_TRUE(s_bus->Start(*s_dir, "system_bus")) << "dbus-daemon did not start";
        ASSERT_TRUE(vtest::WriteWholeFile(s_dir->File("fake.py"), kFakeService));
        s_fake = Spawn({vtest::Python(), s_dir->File("fake.py"), s_bus->address, Records(),
                        s_dir->File("ready"), s_dir->File("mode")},
                       s_dir->File("fake.log"));
        ASSERT_TRUE(WaitFor(s_dir->File("ready")))
            << "fake service did not start: " << vtest::ReadWholeFile(s_dir->File("fake.log"));
    }

    static void TearDownTestSuite()
    {
        Stop(s_fake);
        delete s_bus;
        delete s_dir;
    }

    void SetUp() override
    {
        ASSERT_NE(s_bus, nullptr);
        vtest::WriteWholeFile(Records(), "");
        SetMode("normal");
    }

    static std::string Records() { return s_dir->File("records"); }
    static std::vector<std::string> Calls()
    {
        std::vector<std::string> lines;
        std::istringstream in(vtest::ReadWholeFile(Records()));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    static void SetMode(const std::string& mode)
    {
        vtest::WriteWholeFile(s_dir->File("mode"), mode);
    }
    static std::string OnBus(const std::function<std::string()>& body)
    {
        return InChild(s_bus->address, body);
    }

    static vtest::TempDir* s_dir;
    static PrivateBus* s_bus;
    static pid_t s_fake;
};

vtest::TempDir* DeviceBus::s_dir = nullptr;
PrivateBus* DeviceBus::s_bus = nullptr;
pid_t DeviceBus::s_fake = -1;

} // namespace

TEST_F(DeviceBus, VibrateOnlyWhenSwitchedOnAndOpenUrlWithSpacesReplaced)
{
    std::string out = OnBus([] {
        COrloDevice device;
        device.Vibrate(0); // off until Init or SetVibrations
        device.SetVibrations(1);
        device.Vibrate(5);
        device.SetVibrations(0);
        device.Vibrate(0);
        device.OpenUrl(CVortanString("page one two"));
        device.OpenUrl(CVortanString(L"http://x.org/?q=a b&n=\u00e9\u4e2d"));
        return std::string("done");
    });
    EXPECT_EQ(out, "done");
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{kVibrateRecord, UrlRecord("page_one_two"),
                                        UrlRecord("http://x.org/?q=a_b&n=\\u00e9\\u4e2d")}));
}

TEST_F(DeviceBus, InitReadsTheImeiAndFillsTheInformation)
{
    std::string out = OnBus([] {
        COrloDevice device;
        std::string text = std::to_string(device.GetVibrations()) + "|";
        text += std::to_string(device.Init(nullptr)) + "|";
        text += std::to_string(device.GetVibrations());
        for (int i = 0; i < ORLO_DEVICE_INFO_COUNT; ++i)
            text += "|" + VortanBytesOf(device.GetInfo()[i]);
        return text;
    });
    EXPECT_EQ(out, "0|1|1|N900|Nokia|356938035643809|Linux (Maemo)|4.1|");
    EXPECT_EQ(Calls(), std::vector<std::string>{kImeiRecord});
}

TEST_F(DeviceBus, AnImeiServiceThatFailsGivesAnEmptyText)
{
    for (const char* mode : {"error", "wrongtype", "silent"}) {
        SCOPED_TRACE(mode);
        SetMode(mode);
        vtest::WriteWholeFile(Records(), "");
        std::string out = OnBus([] {
            COrloDevice device;
            return "[" + VortanBytesOf(device.GetImei()) + "]";
        });
        EXPECT_EQ(out, "[]");
        EXPECT_EQ(Calls(), std::vector<std::string>{kImeiRecord});
    }
}

TEST_F(DeviceBus, EveryCallReleasesItsConnection)
{
    std::string out = OnBus([] {
        COrloDevice device;
        device.SetVibrations(1);
        device.GetImei(); // the first call sets up the library
        int before = OpenFdCount();
        for (int i = 0; i < 20; ++i) {
            device.Vibrate(0);
            device.GetImei();
        }
        return std::to_string(OpenFdCount() - before);
    });
    EXPECT_EQ(out, "0");
    EXPECT_EQ(Calls().size(), 41u);
}

TEST(DeviceNoBus, EveryCallFailsQuietly)
{
    vtest::TempDir dir;
    PrivateBus bare; // a bus without the services answers at once
    ASSERT_TRUE(bare.Start(dir, "bare_bus"));
    for (const std::string& address : {"unix:path=" + dir.File("no_such_socket"),
                                       std::string("nonsense-address"), bare.address}) {
        std::string out = InChild(address, [] {
            COrloDevice device;
            device.Init(nullptr);
            device.Vibrate(0);
            device.OpenUrl(CVortanString("http://example.org/"));
            return "[" + VortanBytesOf(device.GetImei()) + "|" +
                   VortanBytesOf(device.GetInfo()[ORLO_DEVICE_IMEI]) + "|" +
                   VortanBytesOf(device.GetInfo()[ORLO_DEVICE_MODEL]) + "]";
        });
        EXPECT_EQ(out, "[||N900]") << address;
    }
}

TEST(UrlEncode, DocumentedExamplesAndUTF8AboveLatin1)
{
    const unsigned short pair[] = {0xD83D, 0xDE00, 'x', 0xDC00, 0xD800, 0};
    const struct {
        CVortanString text;
        const char* encoded;
    } cases[] = {
        {CVortanString("a b-c"), "a%20b%2Dc"},
        {CVortanString(L"\u00ff"), "%FF"},
        {CVortanString("AZaz09_.~"), "AZaz09%5F%2E%7E"},
        {CVortanString(""), ""},
        {CVortanString(L"\u00e9\u0109\u4e2d"), "%E9%C4%89%E4%B8%AD"},
        {CVortanString(pair), "%F0%9F%98%80x%EF%BF%BD%EF%BF%BD"}, // a pair, then lone halves
    };
    for (const auto& c : cases) {
        CVortanString text(c.text);
        COrloDevice::UrlEncode(text);
        EXPECT_EQ(VortanBytesOf(text), c.encoded);
    }
}

TEST(UrlEncode, MatchesAnIndependentEncoderOnRandomText)
{
    std::mt19937 rng(12345);
    std::vector<unsigned short> units;
    std::string list;
    const unsigned ranges[4][2] = {
        {1, 0x7F}, {0x80, 0x80}, {0x100, 0xD800 - 0x100}, {0xE000, 0x2000}};
    for (int i = 0; i < 4000; ++i) {
        const unsigned* r = ranges[rng() % 4];
        units.push_back((unsigned short)(r[0] + rng() % r[1]));
        if (rng() % 16 == 0) { // now and then a surrogate pair
            units.push_back((unsigned short)(0xD800 + rng() % 0x400));
            units.push_back((unsigned short)(0xDC00 + rng() % 0x400));
        }
    }
    for (unsigned short u : units)
        list += std::to_string(u) + " ";
    units.push_back(0);

    const char* encoder = R"PY(
import sys
units = [int(x) for x in sys.stdin.read().split()]
text = bytes()
i = 0
while i < len(units):
    u = units[i]
    if u <= 0xFF:
        text += bytes([u])
    elif 0xD800 <= u <= 0xDBFF and i + 1 < len(units) and 0xDC00 <= units[i + 1] <= 0xDFFF:
        pair = (chr(u) + chr(units[i + 1])).encode("utf-16-le", "surrogatepass")
        text += pair.decode("utf-16-le").encode("utf-8")
        i += 1
    else:
        text += chr(u).encode("utf-8")
    i += 1
safe = b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
sys.stdout.write("".join(chr(b) if b in safe else "%%%02X" % b for b in text))
)PY";
    std::string expected;
    ASSERT_EQ(vtest::RunProgram({vtest::Python(), "-c", encoder}, &expected, list), 0);
    CVortanString text(units.data());
    ASSERT_EQ(text.GetLength(), (int)units.size() - 1);
    COrloDevice::UrlEncode(text);
    EXPECT_EQ(VortanBytesOf(text), expected);
}
