// The built program with the stand-in lobby (chunks sent slowly) and a fake browser on a private
// system bus: a player logs in, opens the shop (coins, groups, items with icons), opens the top
// hat (it scrolls into view, its large icon comes), buys it, sees the loading page while its
// pack downloads (the file then equal to the stand-in's, its own name appearing only by a
// rename), opens the coin page in the browser (its link's form), and finds the
// hat in "my items" with its switch on, then off. With VEX_SHOTS set the screens are kept.
#include "tests/game/ProgramWindowSupport.h"

#include <sys/inotify.h>

#include "tests/platform/PrivateBus.h"
#include "tests/ui/RecordingBusService.h"
#include <utility>

namespace {

using ptest::kStepSeconds;
using ptest::WaitFor;

class ProgramShop : public ptest::ProgramWindow {
protected:
    void SetUp() override
    {
        // The bus and the fake browser are up once their files are there (the helpers' own
        // waits are short for a busy machine: on from there).
        bus.Start(busDir, "bus");
        ASSERT_TRUE(WaitFor([&] { return vtest::Exists(busDir.File("bus")); }, kStepSeconds));
        fake = bustest::StartRecording(busDir, bus.address, {"com.nokia.osso_browser"});
        ASSERT_TRUE(WaitFor([&] { return vtest::Exists(busDir.File("ready")); }, kStepSeconds));
        // The program inherits the address.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
        ptest::ProgramWindow::SetUp();
    }
    void TearDown() override
    {
        ptest::ProgramWindow::TearDown();
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        bustest::Stop(fake);
    }
    // Chunks come 0.4 s after they are asked for: the loading page stays long enough to see.
    std::vector<std::string> StandInOptions() const override { return {"--item-fault", "slow"}; }
    // The shop list's first row: the golden cup's icon (a gold cup on a blue tile, warm where
    // the empty icon's placeholder is blue) left of its name.
    bool ShowsCup()
    {
        ptest::Colour cup = Mean(52, 140, 86, 174);
        return cup.r > 110 && cup.g > 100 && cup.b + 25 < cup.r;
    }
    // The loading page: its orange emblem at the screen's centre.
    bool ShowsLoadingPage()
    {
        ptest::Colour c = Mean(388, 232, 408, 248);
        return c.r > 180 && c.g > 60 && c.g < 180 && c.b < 90;
    }
    // The value of a link's query key.
    static std::string Query(const std::string& link, const std::string& key)
    {
        const size_t at = link.find("&" + key + "=");
        if (at == std::string::npos)
            return "";
        const size_t from = at + key.size() + 2;
        return link.substr(from, link.find('&', from) - from);
    }

    vtest::TempDir busDir;
    bustest::PrivateBus bus;
    pid_t fake = -1;
};

TEST_F(ProgramShop, APlayerBuysAHatFindsItInMyItemsAndOpensTheCoinPage)
{
    // A guest: the Orlo button opens the login page; carol_k (500 coins, no items) logs in.
    ASSERT_TRUE(OpenLoginPage());
    ASSERT_TRUE(LogInAs("carol_k", "snowball", 103)) << Control("online");
    // The packs of the list come slowly; the menu hides over the game once they are there.
    ASSERT_TRUE(WaitFor([&] { return ShowsMenu() && ShowsOrloButton(); }, kStepSeconds));
    Click(50, 50);
    ASSERT_TRUE(WaitForWidgetAt("start_shop", 172, 235));
    Keep("shop_start");
    Click(172, 235); // the start page's shop button
    // The list's rows: the golden cup's icon left of its name.
    ASSERT_TRUE(WaitFor([&] { return ShowsCup(); }, kStepSeconds));
    Keep("shop_list");

    // The top hat opens below the list's edge and is scrolled into view; its large icon comes
    // after 5 s open (the stand-in's 128-pixel picture of a black top hat) and fades in.
    Click(300, 299);
    int icon[4];
    ASSERT_TRUE(WaitFor([&] { return DumpedWidget("large-icon-item", icon); }, kStepSeconds))
        << vtest::ReadWholeFile(DumpPath());
    EXPECT_TRUE(WaitFor([&] { return Mean(660, 280, 700, 310).Brightness() < 40.0; }, kStepSeconds))
        << "the hat's black crown: " << Mean(660, 280, 700, 310).Brightness();
    Keep("shop_large_icon");
    // The user data folder (the packs of the list are there) is watched: a pack's own name
    // appears only by a rename, never written to.
    std::string first;
    vtest::RunProgram({"find", home.Path(), "-name", "data_*_1.dmp"}, &first);
    ASSERT_FALSE(first.empty());
    const std::string folder = first.substr(0, first.rfind('/'));
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(),
                                IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO),
              0);
    std::vector<std::pair<uint32_t, std::string>> events;
    auto drain = [&] {
        alignas(struct inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(watch, buffer, sizeof(buffer))) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const struct inotify_event* e = (const struct inotify_event*)p;
                events.emplace_back(e->mask, e->len ? std::string(e->name) : std::string());
                p += sizeof(struct inotify_event) + e->len;
            }
        }
    };
    // Her welcome toast (the guest's was the first) has come and gone from the bottom of the
    // screen, where it would take the tap on "buy".
    ASSERT_TRUE(WaitForToastsGone(2));
    Click(648, 435); // buy
    ASSERT_TRUE(WaitForWidgetAt("confirm_buy_ok", 560, 374));
    Keep("shop_confirm");
    // The hat's pack is held back by the stand-in until the loading page has been seen.
    ASSERT_EQ("ok", Control("items hold"));
    Click(560, 374); // ok: the purchase is confirmed, the pack list and the content follow
    // The loading page covers the shop while the hat's pack comes, its chunks held by the
    // stand-in (a chunk is held once it is due, a while after it is asked); then the shop again.
    ASSERT_TRUE(WaitFor([&] { return ShowsLoadingPage(); }, kStepSeconds));
    // A failed call (-1) ends the wait too, and fails.
    int held = 0;
    ASSERT_TRUE(WaitFor([&] { return (held = ControlCount("items held")) != 0; }, kStepSeconds));
    ASSERT_GT(held, 0);
    EXPECT_EQ(std::vector<std::string>{"1"}, Dumped(vtest::ReadWholeFile(DumpPath()), "loading"));
    Keep("shop_loading");
    const std::string released = Control("items release");
    ASSERT_EQ(0u, released.rfind("ok ", 0)) << released;
    EXPECT_GT(atoi(released.c_str() + 3), 0) << released;
    ASSERT_TRUE(WaitFor(
        [&] {
            drain();
            return !ShowsLoadingPage() && ShowsCup();
        },
        kStepSeconds));
    Keep("shop_after");
    drain();
    close(watch);
    int renamed = 0, written = 0;
    for (const auto& e : events) {
        if (e.second.size() > 5 && e.second.compare(e.second.size() - 6, 6, "_4.dmp") == 0) {
            EXPECT_EQ((uint32_t)IN_MOVED_TO, e.first) << e.second;
            renamed += e.first == IN_MOVED_TO;
        } else if (e.first & IN_MODIFY) {
            ++written;
        }
    }
    EXPECT_EQ(1, renamed);
    EXPECT_GE(written, 1);
    std::string listing;
    vtest::RunProgram({"find", home.Path(), "-name", "data_*_4.dmp"}, &listing);
    ASSERT_FALSE(listing.empty());
    listing.pop_back();
    EXPECT_EQ(vtest::ReadWholeFile(vtest::BinaryDir() + "/standin/items/hat_top.dmp"),
              vtest::ReadWholeFile(listing));

    // The coin page opens in the browser with the link signed as the service checks it.
    Click(496, 48); // buy coins
    ASSERT_TRUE(WaitFor(
        [&] {
            return vtest::ReadWholeFile(busDir.File("records")).find("add_coins") !=
                   std::string::npos;
        },
        kStepSeconds));
    std::string link = vtest::ReadWholeFile(busDir.File("records"));
    link = link.substr(link.find("load_url ") + 9);
    link = link.substr(0, link.find('\n'));
    const std::string prefix = "https://www.orlogate.invalid/api/forward.php?link=add_coins&token=";
    ASSERT_EQ(prefix, link.substr(0, prefix.size())) << link;
    const std::string token =
        link.substr(prefix.size(), link.find('&', prefix.size()) - prefix.size());
    const std::string check = Query(link, "check");
    EXPECT_EQ(32u, token.size()) << link;
    EXPECT_EQ("1", Query(link, "release"));
    EXPECT_EQ("en", link.substr(link.rfind("&lang=") + 6));
    // My items: the hat's row (under its group, the first with items) with its switch on
    // (green), then off (grey).
    Click(392, 48); // my items
    ASSERT_TRUE(WaitFor(
        [&] {
            ptest::Colour on = Mean(640, 142, 700, 166);
            return on.g > on.r + 40;
        },
        kStepSeconds));
    Keep("shop_my_items");
    Click(672, 154);
    ASSERT_TRUE(WaitFor(
        [&] {
            ptest::Colour off = Mean(640, 142, 700, 166);
            return off.g < off.r + 20;
        },
        kStepSeconds));
    Keep("shop_my_items_off");

    StopProgram();
    // The link is signed with carol_k's id, the game's secret, the token, the device's identity
    // (without an IMEI, the random one the program keeps in "stats.dat") and the release.
    std::string expected;
    ASSERT_EQ(
        0, vtest::RunProgram(
               {vtest::Python(), "-c",
                "import glob, hashlib, re, sys\n"
                "d = open(glob.glob(sys.argv[1] + '/.*/stats.dat')[0], 'rb').read()\n"
                "uid = re.search('f0[0-9a-f]{30}0f', d.decode('utf-16-le', 'replace')).group(0)\n"
                "text = '103' + sys.argv[2] + sys.argv[3] + uid + '1'\n"
                "print(hashlib.md5(text.encode()).hexdigest(), end='')",
                home.Path(), "tq7mv3xk9wz2pd5rbn8hc4yf6gle0ua", token},
               &expected));
    EXPECT_EQ(expected, check) << link;
}

} // namespace
