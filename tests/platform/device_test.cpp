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
#include "tests/platform/PrivateBus.h"
#include "tests/support/TestSupport.h"

namespace {

using bustest::PrivateBus;
using bustest::Spawn;
using bustest::Stop;
using bustest::WaitFor;

// Owns the three names, records each method call sent to them as one JSON line and answers
// as the mode file says: "normal" (get_imei gives a string and an int32), "error" (an error
// reply), "silent" (no reply at all), "wrongtype" (get_imei gives an int32 only).
const char* kFakeService = R"PY(
import json, sys
import dbus, dbus.bus, dbus.lowlevel
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

address, record_path, ready_path, mode_path = sys.argv[1:5]
DBusGMainLoop(set_as_default=True)
conn = dbus.bus.BusConnection(address)
NAMES = ("com.nokia.mce", "com.nokia.osso_browser", "com.nokia.phone.SIM")
for name in NAMES:
    if conn.request_name(name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit(3)

def on_message(connection, message):
    if message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL:
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    if message.get_destination() not in NAMES:
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    record = {
        "destination": message.get_destination(),
        "path": message.get_path(),
        "interface": message.get_interface(),
        "member": message.get_member(),
        "signature": message.get_signature(),
        "args": [str(a) if isinstance(a, str) else int(a) if isinstance(a, int) else repr(a)
                 for a in message.get_args_list()],
    }
    with open(record_path, "a") as f:
        f.write(json.dumps(record) + "\n")
    m = open(mode_path).read().strip()
    if m == "silent":
        return dbus.lowlevel.HANDLER_RESULT_HANDLED
    if m == "error":
        reply = dbus.lowlevel.ErrorMessage(message, "org.example.Refused", "refused")
    else:
        reply = dbus.lowlevel.MethodReturnMessage(message)
        if message.get_member() == "get_imei":
            if m == "wrongtype":
                reply.append(dbus.Int32(7), signature="i")
            else:
                reply.append("356938035643809", dbus.Int32(0), signature="si")
    connection.send_message(reply)
    return dbus.lowlevel.HANDLER_RESULT_HANDLED

conn.add_message_filter(on_message)
with open(ready_path, "w") as f:
    f.write("ready\n")
GLib.MainLoop().run()
)PY";

// One call as the fake service records it.
std::string Record(const std::string& destination, const std::string& path,
                   const std::string& interface, const std::string& member,
                   const std::string& signature, const std::string& args)
{
    return "{\"destination\": \"" + destination + "\", \"path\": \"" + path +
           "\", \"interface\": \"" + interface + "\", \"member\": \"" + member +
           "\", \"signature\": \"" + signature + "\", \"args\": [" + args + "]}";
}
const std::string kVibrateRecord =
    Record("com.nokia.mce", "/com/nokia/mce/request", "com.nokia.mce.request",
           "req_vibrator_pattern_activate", "s", "\"PatternTouchscreen\"");
const std::string kImeiRecord = Record("com.nokia.phone.SIM", "/com/nokia/phone/SIM/security",
                                       "Phone.Sim.Security", "get_imei", "", "");
std::string UrlRecord(const std::string& jsonUrl)
{
    return Record("com.nokia.osso_browser", "/com/nokia/osso_browser/request",
                  "com.nokia.osso_browser", "load_url", "s", "\"" + jsonUrl + "\"");
}

// Runs `body` in a child process whose system bus is `address` (the bus library reads the
// address once per process) and returns what it printed. A child that does not finish
// within a minute is killed and reported as "HUNG".
std::string InChild(const std::string& address, const std::function<std::string()>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "PIPE";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        std::string out = body();
        _exit(write(fds[1], out.data(), out.size()) == (ssize_t)out.size() ? 0 : 1);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    pollfd p = {fds[0], POLLIN, 0};
    ssize_t n = 0;
    bool hung = false;
    while (!(hung = poll(&p, 1, 60000) <= 0) && (n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, (size_t)n);
    close(fds[0]);
    if (hung)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (hung)
        return "HUNG";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "CRASHED " + std::to_string(status);
    return out;
}

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
