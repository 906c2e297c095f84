// The player pages and a challenge against the stand-in lobby: a guest logs in through the
// menu's login controller, the global list fills from the seeded players, a search finds an
// account that the scripted peer holds, and the peer accepts the challenge sent from its row.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuPlayerRecord.h"
#include "tests/online/MenuPagesSupport.h"
#include "tests/online/StandInProcess.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/widgets/WebButton.h"

namespace {

gtest_graphics::GLEnvironment* const g_env = mtest::Display();

// The scripted peer as a child process (its output goes to a file).
class Peer {
public:
    Peer(const std::vector<std::string>& args, const std::string& log)
    {
        m_pid = fork();
        if (m_pid == 0) {
            std::vector<std::string> all = {vtest::Python(),
                                            vtest::SourceDir() + "/tests/online/standin_peer.py"};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (size_t i = 0; i < all.size(); ++i)
                argv.push_back(&all[i][0]);
            argv.push_back(nullptr);
            int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, 1);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Peer() { Stop(); }
    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid;
};

class StandInPages : public ::testing::Test {
protected:
    static void SetUpTestSuite() { COrlogateApplication::RegisterOnlineFactory(&s_factory); }
    static void TearDownTestSuite() { COrlogateApplication::RegisterOnlineFactory(nullptr); }
    void SetUp() override
    {
        ASSERT_TRUE(g_env->window);
        setenv("HOME", home.Path().c_str(), 1);
        server.reset(new ntest::StandIn(state.Path(), 0, 0, ServerOptions()));
        ASSERT_GT(server->lobby, 0);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(server->lobby)).c_str(), 1);
        app = new mtest::PagesApp(g_env->window->Id(), home.Path());
        ASSERT_TRUE(app->created && app->packs);
        game = new mtest::ChatGame();
        game->number = 64;
        app->SetGame(game);
        app->RecreateSession();
        ASSERT_NE(nullptr, app->GetNetworkSession());
        menu = new mtest::PagesMenu();
        ASSERT_EQ(VORTAN_OK, menu->Init(app));
        app->SetMenu(menu);
        ASSERT_EQ(1, menu->BuildMenu(800, 480, nullptr));
        menu->LoginAsGuest();
        if (ServerOptions().empty()) {
            ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
        }
    }
    virtual std::vector<std::string> ServerOptions() const { return {}; }
    void TearDown() override
    {
        app->SetMenu(nullptr);
        delete menu;
        app->SetGame(nullptr);
        IOrloNetworkSession* session = app->GetNetworkSession();
        app->SetSession(nullptr);
        if (session) {
            session->Shutdown();
            delete session;
        }
        delete app;
        unsetenv("ORLO_LOBBY");
    }
    void Frame()
    {
        COrloNetworkSession* session = (COrloNetworkSession*)app->GetNetworkSession();
        if (session && session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(0.016f);
        if (session && session->GetGameEngine())
            session->GetGameEngine()->Run(0.016f);
        if (session)
            session->Update(0.016f);
        menu->Update(0.016f);
    }
    bool FramesUntil(const std::function<bool()>& condition)
    {
        return vtest::WaitUntil([&]() {
            Frame();
            return condition();
        });
    }
    CInfiniteList* Global()
    {
        return WidgetCast<CInfiniteList>(
            menu->GetRoot()->FindByPath(CVortanString("//players_root//playerlist_global")));
    }
    SMenuPlayer* RowRecord(int index)
    {
        CWidget* row = Global()->FindChild(CVortanString(std::to_string(index).c_str()), 1);
        return row ? (SMenuPlayer*)row->GetTag() : nullptr;
    }

    static COrloOnlineFactory s_factory;
    vtest::TempDir home;
    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> server;
    mtest::PagesApp* app = nullptr;
    mtest::ChatGame* game = nullptr;
    mtest::PagesMenu* menu = nullptr;
};

COrloOnlineFactory StandInPages::s_factory;

TEST_F(StandInPages, TheSeededPlayersFillTheListAndASearchNarrowsIt)
{
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    ASSERT_TRUE(FramesUntil([&]() { return Global()->GetItemCount() > 10000; }));
    // Online first: the first row is someone online, with the stand-in's fields.
    ASSERT_TRUE(FramesUntil([&]() { return RowRecord(1) && !RowRecord(1)->name.IsEmpty(); }));
    EXPECT_TRUE(RowRecord(1)->flags & MENU_PLAYER_ONLINE);

    CTextWidget* search = WidgetCast<CTextWidget>(
        menu->GetRoot()->FindByPath(CVortanString("//players_root//global_page//search_text")));
    ASSERT_NE(nullptr, search);
    search->SetText(CVortanString("bobcat"));
    menu->RunEvent("filter_players", nullptr);
    ASSERT_TRUE(FramesUntil(
        [&]() { return Global()->GetItemCount() > 0 && Global()->GetItemCount() < 10; }));
    ASSERT_TRUE(FramesUntil([&]() {
        for (int i = 0; i < 4; ++i)
            if (RowRecord(i) && VortanUTF8Of(RowRecord(i)->name) == "bobcat")
                return true;
        return false;
    }));
}

TEST_F(StandInPages, APeerAcceptsTheChallengeFromItsRowAndTheMatchStarts)
{
    Peer peer({"--port-file", state.Path() + "/ports.0", "--login", "bobcat", "builder42",
               "--answer", "accept", "--echo-chat"},
              home.Path() + "/peer.log");
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    CTextWidget* search = WidgetCast<CTextWidget>(
        menu->GetRoot()->FindByPath(CVortanString("//players_root//global_page//search_text")));
    search->SetText(CVortanString("bobcat"));
    // The peer is online once its row says so.
    int row = -1;
    ASSERT_TRUE(vtest::WaitUntil(
        [&]() {
            menu->RunEvent("filter_players", nullptr);
            for (int f = 0; f < 20; ++f)
                Frame();
            for (int i = 0; i < 4; ++i) {
                SMenuPlayer* r = RowRecord(i);
                if (r && VortanUTF8Of(r->name) == "bobcat" && (r->flags & MENU_PLAYER_ONLINE)) {
                    row = i;
                    return true;
                }
            }
            return false;
        },
        15000));
    CWidget* item = Global()->FindChild(CVortanString(std::to_string(row).c_str()), 1);
    menu->RunEvent("send_challenge", item->FindChild(CVortanString("button_challenge"), -1));
    EXPECT_EQ("challenge_waiting", VortanUTF8Of(menu->GetCurrentPageName()));
    ASSERT_TRUE(FramesUntil([&]() { return menu->IsInMatch() != 0; }));
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
    EXPECT_NE("challenge_waiting", VortanUTF8Of(menu->GetCurrentPageName()));

    // Chat through the game server: the own line at once, the peer's echo in its colour.
    ASSERT_TRUE(FramesUntil([&]() { return (app->GetNetworkSession()->GetStatus() & 0xFF00); }));
    const int before = menu->GetPendingChatLineCount();
    app->SendChatMessage(CVortanString("hello there"), 2);
    ASSERT_TRUE(FramesUntil([&]() {
        for (int i = before; i < menu->GetPendingChatLineCount(); ++i)
            if (VortanUTF8Of(menu->GetPendingChatText(i)) == "bobcat: hello there")
                return menu->GetPendingChatColor(i) == 0xFFFFFFFFu;
        return false;
    }));

    // The peer goes: its departure is told once, in the notices' colour.
    peer.Stop();
    CVortanString departure;
    {
        const CVortanString format = app->GetLanguage()->GetText(198);
        const CVortanString name("bobcat");
        CVortanFormatArg arg(name.GetBuffer());
        departure.FormatArgs(format.GetBuffer(), &arg, 1);
    }
    auto departures = [&]() {
        int n = 0;
        for (int i = 0; i < menu->GetPendingChatLineCount(); ++i)
            if (menu->GetPendingChatText(i) == departure &&
                menu->GetPendingChatColor(i) == 0xFF2F9BCEu)
                ++n;
        return n;
    };
    ASSERT_TRUE(FramesUntil([&]() { return departures() == 1; }));
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_EQ(1, departures());
}

TEST_F(StandInPages, AKickToReconnectGivesItsNoticeAndTheMenuLogsInAgain)
{
    int control = 0;
    {
        std::ifstream in(state.Path() + "/ports.0");
        int lobby = 0, game = 0;
        ASSERT_TRUE((bool)(in >> lobby >> game >> control));
    }
    const int own = app->GetNetworkSession()->GetOwnPlayerId();
    ASSERT_GT(own, 0);
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)control);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, connect(fd, (sockaddr*)&address, sizeof(address)));
    const std::string line = "kick " + std::to_string(own) + " -1\n";
    ASSERT_EQ((ssize_t)line.size(), write(fd, line.data(), line.size()));
    char answer[64] = {};
    ASSERT_GT(read(fd, answer, sizeof(answer) - 1), 0);
    close(fd);
    EXPECT_EQ(0, strncmp(answer, "ok", 2)) << answer;
    ASSERT_TRUE(FramesUntil([&]() { return !app->notices.empty(); }));
    EXPECT_EQ("0:" + VortanUTF8Of(app->GetLanguage()->GetText(8)), app->notices[0]);
    EXPECT_EQ(1, game->leaves);
    // The reconnect logs in again.
    ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
}

// A lobby that refuses every connect and names where the newer client is.
class RefusedPages : public StandInPages {
protected:
    std::vector<std::string> ServerOptions() const override
    {
        return {"--update-link", "https://example.org/new-client"};
    }
};

TEST_F(RefusedPages, ARefusedConnectOffersTheServersLinkAsTheUpdateInsteadOfTryingAgain)
{
    ASSERT_TRUE(FramesUntil(
        [&]() { return VortanUTF8Of(menu->GetCurrentPageName()) == "loginscreen_error"; }));
    CWidget* root = menu->GetRoot();
    auto text = [&](const char* name) {
        CTextWidget* t = WidgetCast<CTextWidget>(root->FindChild(CVortanString(name), -1));
        return t ? VortanUTF8Of(t->GetText()) : std::string("<none>");
    };
    EXPECT_EQ(VortanUTF8Of(app->GetLanguage()->GetText(12)), text("loginerror_title"));
    EXPECT_EQ(VortanUTF8Of(app->GetLanguage()->GetText(13)), text("loginerror_message"));
    CWebButton* update =
        WidgetCast<CWebButton>(root->FindChild(CVortanString("button_update"), -1));
    ASSERT_NE(nullptr, update);
    EXPECT_TRUE(update->IsVisible());
    EXPECT_EQ("https://example.org/new-client", VortanUTF8Of(update->GetUrl()));
    EXPECT_FALSE(root->FindChild(CVortanString("button_tryagain"), -1)->IsVisible());
    EXPECT_FALSE(root->FindChild(CVortanString("button_recover"), -1)->IsVisible());
    EXPECT_NE(2, menu->GetLoginState());
}

} // namespace
