// The player pages and a challenge against the stand-in lobby: a guest logs in through the
// menu's login controller, the global list fills from the seeded players, a search finds an
// account that the scripted peer holds, and the peer accepts the challenge sent from its row;
// the match's chat, the rematch both ways and the results the stand-in keeps.
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
#include <sstream>

#include "online/menu/OrloMenuPlayerRecord.h"
#include "tests/online/LoginTestSupport.h"
#include "tests/online/MenuPagesSupport.h"
#include "tests/online/StandInProcess.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/ToggleButton.h"
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

class StandInPages : public ntest::FactoryTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->window);
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
        BeforeLogin();
        menu->LoginAsGuest();
        if (WaitsForLogin()) {
            ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
        }
    }
    virtual std::vector<std::string> ServerOptions() const { return {}; }
    virtual void BeforeLogin() {}
    virtual bool WaitsForLogin() const { return ServerOptions().empty(); }
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
    virtual void Frame()
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
    // Every use waits for something the stand-in will send; the bound only ends a run whose
    // answer never comes, so it is generous enough for a stand-in on a crowded machine.
    bool FramesUntil(const std::function<bool()>& condition)
    {
        return vtest::WaitUntil(
            [&]() {
                Frame();
                return condition();
            },
            60000);
    }
    CInfiniteList* Global()
    {
        return WidgetCast<CInfiniteList>(
            menu->GetRoot()->FindByPath(CVortanString("//players_root//playerlist_global")));
    }
    CWidget* At(const char* path) { return menu->GetRoot()->FindByPath(CVortanString(path)); }
    // Finds the peer's row by a search, challenges it from there, and waits for the match and
    // its game connection.
    void ChallengeThePeer();
    // The peer's row, online, found by a search (null when it does not show in time).
    CWidget* FindThePeersRow();
    std::string TextOf(CWidget* parent, const char* name)
    {
        CTextWidget* text = WidgetCast<CTextWidget>(parent->FindChild(CVortanString(name), -1));
        return text ? VortanUTF8Of(text->GetText()) : std::string("<none>");
    }
    // The language text formatted with the peer's name.
    CVortanString Named(int text)
    {
        const CVortanString format = app->GetLanguage()->GetText(text);
        const CVortanString name("bobcat");
        CVortanFormatArg arg(name.GetBuffer());
        CVortanString out;
        out.FormatArgs(format.GetBuffer(), &arg, 1);
        return out;
    }
    // How many waiting chat lines read so in that colour.
    int Lines(const CVortanString& text, u32 colour)
    {
        int n = 0;
        for (int i = 0; i < menu->GetPendingChatLineCount(); ++i)
            if (menu->GetPendingChatText(i) == text && menu->GetPendingChatColor(i) == colour)
                ++n;
        return n;
    }
    int Departures() { return Lines(Named(198), 0xFF2F9BCEu); }
    // The battle's end as the game reports it: the own place against the peer's.
    void EndMatch(int place)
    {
        CVortanArray<i32> ids, places;
        ids.SetAtGrow(0, app->GetNetworkSession()->GetOwnPlayerId());
        ids.SetAtGrow(1, 102);
        places.SetAtGrow(0, place);
        places.SetAtGrow(1, 3 - place);
        app->EndMatch(&ids, &places, 0);
        for (int i = 0; i < 5; ++i)
            Frame();
    }
    // Whether the lobby counts the player online ("ok" and the ids online).
    bool IsOnline(int id)
    {
        std::istringstream words(Control("online"));
        std::string word;
        while (words >> word)
            if (word == std::to_string(id))
                return true;
        return false;
    }
    // The match results the stand-in keeps for a player (name or id).
    int Results(const std::string& who)
    {
        const std::string answer = Control("results " + who);
        return answer.compare(0, 3, "ok ") == 0 ? atoi(answer.c_str() + 3) : -1;
    }
    std::string Control(const std::string& line)
    {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons((uint16_t)server->control);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string answer;
        if (connect(fd, (sockaddr*)&address, sizeof(address)) == 0) {
            const std::string out = line + "\n";
            if (write(fd, out.data(), out.size()) == (ssize_t)out.size()) {
                char c = 0;
                while (read(fd, &c, 1) == 1 && c != '\n')
                    answer += c;
            }
        }
        close(fd);
        return answer;
    }
    // The Following page opened as its tab does, once the lobby's answer has filled it: the
    // names of its rows.
    std::vector<std::string> Following()
    {
        CPageView* pages = WidgetCast<CPageView>(At("//players_root//players_content_root"));
        if (!pages)
            return {"<no page view>"};
        pages->NavigateTo(CVortanString("follow_page"));
        menu->RunEvent("show_follow_items", nullptr);
        CWidget* page = At("//players_root//follow_page");
        CInfiniteList* list = WidgetCast<CInfiniteList>(At("//players_root//playerlist_follow"));
        std::vector<std::string> names;
        const bool filled = FramesUntil([&]() {
            CWidget* loading = page->FindChild(CVortanString("loading"), -1);
            if (loading && loading->IsVisible())
                return false;
            names.clear();
            for (int i = 0; i < list->GetItemCount(); ++i) {
                CWidget* row = list->FindChild(CVortanString(std::to_string(i).c_str()), 1);
                SMenuPlayer* record = row ? (SMenuPlayer*)row->GetTag() : nullptr;
                if (!record || record->name.IsEmpty())
                    return false;
                names.push_back(VortanUTF8Of(record->name));
            }
            return true;
        });
        return filled ? names : std::vector<std::string>({"<not filled>"});
    }
    // The global list searched for the name, as its field and button do; true once the row
    // of that name has come (its index in `at`).
    bool SearchGlobal(const std::string& name, int& at)
    {
        CPageView* pages = WidgetCast<CPageView>(At("//players_root//players_content_root"));
        if (!pages)
            return false;
        pages->NavigateTo(CVortanString("global_page"));
        menu->RunEvent("show_playerlist_items", nullptr);
        CTextWidget* search =
            WidgetCast<CTextWidget>(At("//players_root//global_page//search_text"));
        search->SetText(CVortanString(name.c_str()));
        menu->RunEvent("filter_players", nullptr);
        return FramesUntil([&]() {
            for (int i = 0; i < Global()->GetItemCount() && i < 4; ++i)
                if (RowRecord(i) && VortanUTF8Of(RowRecord(i)->name) == name)
                    return (at = i) >= 0;
            return false;
        });
    }
    CWidget* GlobalRow(int index)
    {
        return Global()->FindChild(CVortanString(std::to_string(index).c_str()), 1);
    }
    SMenuPlayer* RowRecord(int index)
    {
        CWidget* row = Global()->FindChild(CVortanString(std::to_string(index).c_str()), 1);
        return row ? (SMenuPlayer*)row->GetTag() : nullptr;
    }

    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> server;
    mtest::PagesApp* app = nullptr;
    mtest::ChatGame* game = nullptr;
    mtest::PagesMenu* menu = nullptr;
};

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
    int at = -1;
    ASSERT_TRUE(FramesUntil([&]() {
        for (int i = 0; i < 4; ++i)
            if (RowRecord(i) && VortanUTF8Of(RowRecord(i)->name) == "bobcat")
                return (at = i) >= 0;
        return false;
    }));
    EXPECT_FALSE(RowRecord(at)->flags & MENU_PLAYER_BLOCKED);

    // Followed from his row, he is on the Following page; unfollowed there, he is gone from it.
    EXPECT_EQ(std::vector<std::string>(), Following());
    ASSERT_TRUE(SearchGlobal("bobcat", at));
    menu->RunEvent("follow", GlobalRow(at)->FindChild(CVortanString("button_follow"), -1));
    ASSERT_EQ(std::vector<std::string>({"bobcat"}), Following());
    CWidget* followed = At("//players_root//playerlist_follow")->FindChild(CVortanString("0"), 1);
    menu->RunEvent("unfollow", followed->FindChild(CVortanString("button_unfollow"), -1));
    EXPECT_EQ(std::vector<std::string>(), Following());

    // Blocked from his row, his entry comes back from the lobby marked blocked.
    ASSERT_TRUE(SearchGlobal("bobcat", at));
    EXPECT_FALSE(RowRecord(at)->flags & MENU_PLAYER_BLOCKED);
    CToggleButton* block =
        WidgetCast<CToggleButton>(GlobalRow(at)->FindChild(CVortanString("button_block"), -1));
    ASSERT_NE(nullptr, block);
    block->SetState(1);
    menu->RunEvent("block", block);
    ASSERT_TRUE(SearchGlobal("bobcat", at));
    EXPECT_TRUE(RowRecord(at)->flags & MENU_PLAYER_BLOCKED);
}

TEST_F(StandInPages, APeerAcceptsTheChallengeFromItsRowAndTheMatchStarts)
{
    Peer peer({"--port-file", state.Path() + "/ports.0", "--login", "bobcat", "builder42",
               "--answer", "accept", "--echo-chat"},
              home.Path() + "/peer.log");
    // A third player online, whom the challenge must not reach.
    Peer carol({"--port-file", state.Path() + "/ports.0", "--login", "carol_k", "snowball",
                "--answer", "accept"},
               home.Path() + "/carol.log");
    ASSERT_TRUE(FramesUntil([&]() { return IsOnline(103); }));
    ChallengeThePeer();
    // The challenge came to bobcat from this player; carol got none before a notice that the
    // lobby sent her after the match had begun.
    const std::string own = std::to_string(app->GetNetworkSession()->GetOwnPlayerId());
    const std::string got = vtest::ReadWholeFile(home.Path() + "/peer.log");
    const size_t challenge = got.find("< 39 [");
    ASSERT_NE(std::string::npos, challenge) << got;
    // [0] the challenge's id, [1] the challenger.
    EXPECT_NE(std::string::npos,
              got.substr(challenge, got.find('\n', challenge) - challenge).find(", " + own + ", "))
        << got;
    EXPECT_EQ("ok", Control("notify carol_k 0 0 marker"));
    ASSERT_TRUE(FramesUntil([&]() {
        return vtest::ReadWholeFile(home.Path() + "/carol.log").find("marker") != std::string::npos;
    }));
    const std::string carolGot = vtest::ReadWholeFile(home.Path() + "/carol.log");
    EXPECT_EQ(std::string::npos, carolGot.find("< 39 ")) << carolGot;
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
    ASSERT_TRUE(FramesUntil([&]() { return Departures() == 1; }));
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_EQ(1, Departures());
}

TEST_F(StandInPages, BothAskForARematchThenTheExitEndsTheSecondMatchEachResultKeptOnce)
{
    Peer peer({"--port-file", state.Path() + "/ports.0", "--login", "bobcat", "builder42",
               "--answer", "accept", "--result", "2", "--rematch", "yes"},
              home.Path() + "/peer.log");
    ChallengeThePeer();
    const std::string own = std::to_string(app->GetNetworkSession()->GetOwnPlayerId());
    const int ownBefore = Results(own), peerBefore = Results("bobcat");
    // The peer's match ends at the first line; it asks for a rematch: text 182 and the toggle.
    app->SendChatMessage(CVortanString("gg"), 2);
    ASSERT_TRUE(FramesUntil([&]() { return Lines(Named(182), 0xFFFF6600u) == 1; }));
    CToggleButton* toggle = WidgetCast<CToggleButton>(At("//chat_root//rematch-button"));
    ASSERT_NE(nullptr, toggle);
    EXPECT_EQ(1, toggle->GetState());
    EndMatch(1);
    EXPECT_TRUE(toggle->IsVisible());
    menu->RunEvent("chat_rematch", toggle);
    EXPECT_EQ(1, Lines(app->GetLanguage()->GetText(183), 0xFFFF6600u));
    EXPECT_FALSE(toggle->IsVisible());
    ASSERT_TRUE(FramesUntil([&]() { return game->starts == 2; }));
    EXPECT_TRUE(menu->IsInMatch());
    EXPECT_EQ(0, toggle->GetState());
    EXPECT_TRUE(app->GetNetworkSession()->GetStatus() & 0xFF00);

    // The second match: lost, and left through the exit button (its result went already).
    EndMatch(2);
    menu->RunEvent("chat_exit", nullptr);
    ASSERT_TRUE(FramesUntil([&]() { return !(app->GetNetworkSession()->GetStatus() & 0xFF00); }));
    EXPECT_FALSE(menu->IsInMatch());
    // A guest's first page.
    EXPECT_EQ("loginscreen_root", VortanUTF8Of(menu->GetCurrentPageName()));
    // The peer hears that the player left. Two matches, each own result kept once; the peer
    // reported the first only (no line came in the second).
    EXPECT_TRUE(vtest::WaitUntil([&]() {
        return vtest::ReadWholeFile(home.Path() + "/peer.log").find("< 72 ") != std::string::npos;
    }));
    EXPECT_EQ(ownBefore + 2, Results(own));
    EXPECT_EQ(peerBefore + 1, Results("bobcat"));
    EXPECT_EQ(2, game->starts);
}

TEST_F(StandInPages, APeerWhoDeclinesTheRematchLeavesOnceAndTheExitReturnsToTheStartPage)
{
    const std::string own = std::to_string(app->GetNetworkSession()->GetOwnPlayerId());
    const int ownBefore = Results(own);
    Peer peer({"--port-file", state.Path() + "/ports.0", "--login", "bobcat", "builder42",
               "--answer", "accept", "--result", "1", "--rematch", "no"},
              home.Path() + "/peer.log");
    ChallengeThePeer();
    EndMatch(2);
    app->SendChatMessage(CVortanString("well played"), 2);
    // Its notice and the game server's word of its leaving make one line; the offer is closed
    // and the chat stays, telling it, until the user leaves.
    ASSERT_TRUE(FramesUntil([&]() { return app->IsMatchClosed() && Departures() >= 1; }));
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_EQ(1, Departures());
    EXPECT_FALSE(At("//chat_root//rematch-button")->IsVisible());
    EXPECT_TRUE(menu->IsInMatch());
    // The exit: the game connection goes, the first page shows, and no second result.
    menu->RunEvent("chat_exit", nullptr);
    ASSERT_TRUE(FramesUntil([&]() { return !(app->GetNetworkSession()->GetStatus() & 0xFF00); }));
    EXPECT_FALSE(menu->IsInMatch());
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_EQ("loginscreen_root", VortanUTF8Of(menu->GetCurrentPageName()));
    EXPECT_EQ(ownBefore + 1, Results(own));
    EXPECT_EQ(1, game->starts);
}

TEST_F(StandInPages, AChallengeFromThePeerFillsTheDialogItsAvatarFollowsAndADeclineClosesIt)
{
    const int own = app->GetNetworkSession()->GetOwnPlayerId();
    Peer peer({"--port-file", state.Path() + "/ports.0", "--login", "bobcat", "builder42",
               "--challenge", std::to_string(own)},
              home.Path() + "/peer.log");
    menu->ShowPage(CVortanString("startscreen_root"), 1);
    CWidget* page = At("//challenge_received");
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(FramesUntil([&]() { return menu->GetPendingChallenger() == 102; }));
    EXPECT_EQ("bobcat", TextOf(page, "player_name"));
    EXPECT_EQ("2", TextOf(page, "player_rank"));
    // The stand-in's avatar of the challenger replaces the placeholder.
    CImageWidget* avatar =
        WidgetCast<CImageWidget>(page->FindChild(CVortanString("player_avatar"), -1));
    ASSERT_NE(nullptr, avatar);
    ASSERT_TRUE(FramesUntil([&]() {
        CVortanSurface* named = app->FindSurface(CVortanString("player_avatar_icon_102"));
        const bool shown = named && avatar->GetImage() == named;
        if (named)
            app->ReleaseSurface(named);
        return shown;
    }));
    menu->GetPageRoot()->NavigateTo(CVortanString("challenge_received"));
    menu->RunEvent("reject_challenge", nullptr);
    // The stand-in tells both; the dialog closes.
    ASSERT_TRUE(FramesUntil(
        [&]() { return VortanUTF8Of(menu->GetCurrentPageName()) != "challenge_received"; }));
    EXPECT_TRUE(vtest::WaitUntil([&]() {
        return vtest::ReadWholeFile(home.Path() + "/peer.log").find("< 40 [0, ") !=
               std::string::npos;
    }));
    EXPECT_EQ(0, menu->IsInMatch());
}

TEST_F(StandInPages, ThePeersDeclineClosesTheWaitingPageWithItsName)
{
    Peer peer({"--port-file", state.Path() + "/ports.0", "--login", "bobcat", "builder42",
               "--answer", "decline"},
              home.Path() + "/peer.log");
    CWidget* item = FindThePeersRow();
    ASSERT_NE(nullptr, item);
    menu->RunEvent("send_challenge", item->FindChild(CVortanString("button_challenge"), -1));
    EXPECT_EQ("challenge_waiting", VortanUTF8Of(menu->GetCurrentPageName()));
    ASSERT_TRUE(FramesUntil([&]() { return !app->notices.empty(); }));
    EXPECT_EQ("0:" + VortanUTF8Of(Named(5)), app->notices[0]);
    EXPECT_NE("challenge_waiting", VortanUTF8Of(menu->GetCurrentPageName()));
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
}

CWidget* StandInPages::FindThePeersRow()
{
    // The peer has logged in once the lobby counts it online; a search then shows it so.
    menu->ShowPage(CVortanString("players_root"), 1);
    menu->RunEvent("show_players_root", nullptr);
    int at = -1;
    if (!FramesUntil([&]() { return IsOnline(102); }) || !SearchGlobal("bobcat", at))
        return nullptr;
    return (RowRecord(at)->flags & MENU_PLAYER_ONLINE) ? GlobalRow(at) : nullptr;
}

void StandInPages::ChallengeThePeer()
{
    CWidget* item = FindThePeersRow();
    ASSERT_NE(nullptr, item);
    menu->RunEvent("send_challenge", item->FindChild(CVortanString("button_challenge"), -1));
    EXPECT_EQ("challenge_waiting", VortanUTF8Of(menu->GetCurrentPageName()));
    ASSERT_TRUE(FramesUntil([&]() { return menu->IsInMatch() != 0; }));
    EXPECT_FLOAT_EQ(0.0f, menu->GetChallengeTimer());
    EXPECT_NE("challenge_waiting", VortanUTF8Of(menu->GetCurrentPageName()));
    ASSERT_TRUE(FramesUntil([&]() { return (app->GetNetworkSession()->GetStatus() & 0xFF00); }));
    EXPECT_EQ(1, game->starts);
}

TEST_F(StandInPages, AKickToReconnectGivesItsNoticeAndTheMenuLogsInAgain)
{
    const int own = app->GetNetworkSession()->GetOwnPlayerId();
    ASSERT_GT(own, 0);
    EXPECT_EQ("ok", Control("kick " + std::to_string(own) + " -1"));
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

// A lobby that takes the connect and never answers a login: each login ends in the time-out.
class UnansweredLoginPages : public StandInPages {
protected:
    std::vector<std::string> ServerOptions() const override
    {
        return {"--fault", "no-login-reply"};
    }
    // Frames whose clock runs a second each, until the failed-login page shows (the 40 s
    // time-out, with the login's frames driven by the test, not waited for).
    bool SecondsUntilTheLoginFails()
    {
        for (int i = 0; i < 120; ++i) {
            Second();
            if (VortanUTF8Of(menu->GetCurrentPageName()) == "loginscreen_error")
                return true;
        }
        return false;
    }
    // One frame whose clock runs a second.
    void Second()
    {
        COrloNetworkSession* session = (COrloNetworkSession*)app->GetNetworkSession();
        if (session && session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(1.0f);
        if (session)
            session->Update(1.0f);
        menu->Update(1.0f);
    }
    std::string Page() { return VortanUTF8Of(menu->GetCurrentPageName()); }
};

TEST_F(UnansweredLoginPages, TryAgainLogsTheGuestInAgain)
{
    ASSERT_TRUE(FramesUntil([&]() { return Control("logins") == "ok 1"; }));
    ASSERT_TRUE(SecondsUntilTheLoginFails());
    // A login that was sent and never answered is not sent again by itself: the player is
    // asked.
    for (int i = 0; i < 90; ++i)
        Second();
    EXPECT_EQ(0, menu->GetLoginState());
    EXPECT_EQ("ok 1", Control("logins"));
    EXPECT_EQ("loginscreen_error", Page());
    CWidget* root = menu->GetRoot();
    CButton* tryAgain = WidgetCast<CButton>(root->FindChild(CVortanString("button_tryagain"), -1));
    ASSERT_NE(nullptr, tryAgain);
    ASSERT_TRUE(tryAgain->IsVisible());
    mtest::SaveShot(app, menu, "login_failed");
    tryAgain->Click();
    // A new guest login behind the loading page, not the account form.
    EXPECT_EQ("loading_dialog", Page());
    EXPECT_EQ(1, menu->GetLoginState());
    ASSERT_TRUE(FramesUntil([&]() { return Control("logins") == "ok 2"; }));
    for (int i = 0; i < 30; ++i)
        Frame(); // the page change has run its course
    EXPECT_EQ("loading_dialog", Page());
    mtest::SaveShot(app, menu, "login_try_again");
    // It fails again the same way, and "Try again" is offered again.
    ASSERT_TRUE(SecondsUntilTheLoginFails());
    EXPECT_TRUE(tryAgain->IsVisible());
    mtest::SaveShot(app, menu, "login_failed_again");
}

// A service that stops answering: accepted connections that are never read nor answered,
// from the start or from a moment after a login. The menu's clock runs a second a frame.
class HungPages : public StandInPages {
protected:
    void BeforeLogin() override { CLoginController::SetReloginDelay(1.0f); }
    // One frame whose clock runs a second; notes every failed-login notice and whether the
    // account form ever showed.
    void Second()
    {
        COrloNetworkSession* session = (COrloNetworkSession*)app->GetNetworkSession();
        if (session && session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(1.0f);
        session = (COrloNetworkSession*)app->GetNetworkSession();
        if (session)
            session->Update(1.0f);
        CLoginController::ReloginTimer* timer = menu->GetReloginTimer();
        if (timer && timer->IsAttached())
            timer->Run(1.0f);
        menu->Update(1.0f);
        const std::string page = Page();
        if (page == "loginscreen_error" && last != page)
            ++notices;
        if (page == "loginscreen_root" && menu->IsMenuShown())
            formShown = true;
        last = page;
    }
    // Seconds until the failed-login page shows (at most a bound); -1 when it does not.
    int SecondsUntilTheFailedPage(int bound)
    {
        for (int i = 1; i <= bound; ++i) {
            Second();
            if (Page() == "loginscreen_error")
                return i;
        }
        return -1;
    }
    // The application's frame runs the relogin timer too.
    void Frame() override
    {
        StandInPages::Frame();
        CLoginController::ReloginTimer* timer = menu->GetReloginTimer();
        if (timer && timer->IsAttached())
            timer->Run(0.016f);
    }
    std::string Page() { return VortanUTF8Of(menu->GetCurrentPageName()); }
    // Frames of the usual length, for a page change to run its course before a picture.
    void Settle()
    {
        for (int i = 0; i < 40; ++i)
            Frame();
    }
    std::string Shown(const char* name)
    {
        CTextWidget* text =
            WidgetCast<CTextWidget>(menu->GetRoot()->FindChild(CVortanString(name), -1));
        return text ? VortanUTF8Of(text->GetText()) : std::string("<none>");
    }
    std::string Language(int index) { return VortanUTF8Of(app->GetLanguage()->GetText(index)); }
    CButton* TryAgain()
    {
        return WidgetCast<CButton>(
            menu->GetRoot()->FindChild(CVortanString("button_tryagain"), -1));
    }
    // The failed-login page as a service that does not answer leaves it.
    void ExpectTheFailedLoginPage()
    {
        EXPECT_EQ("loginscreen_error", Page());
        EXPECT_TRUE(menu->IsMenuShown());
        EXPECT_EQ(Language(12), Shown("loginerror_title"));
        EXPECT_EQ(Language(12), Shown("loginerror_message"));
        ASSERT_NE(nullptr, TryAgain());
        EXPECT_TRUE(TryAgain()->IsVisible());
        EXPECT_EQ(Language(10), Shown("label_tryagain"));
        EXPECT_TRUE(menu->GetOrloButtonRoot()->IsVisible());
    }
    // Logs in as an account through the menu's login (a challenge and its response).
    void LogInAs(const char* name, const char* password)
    {
        menu->Login(CVortanString(name), CVortanString(password), true);
        ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
        ASSERT_EQ(name, PlayerName());
    }

    std::string PlayerName()
    {
        CVortanString name;
        app->GetNetworkSession()->GetPlayerName(name);
        return VortanUTF8Of(name);
    }

    std::string last;
    int notices = 0;
    bool formShown = false;
};

// Hung before the first login.
class HungAtStartPages : public HungPages {
protected:
    void BeforeLogin() override
    {
        HungPages::BeforeLogin();
        ASSERT_EQ("ok", Control("hang"));
    }
    bool WaitsForLogin() const override { return false; }
};

TEST_F(HungAtStartPages, TheGuestSeesTheFailedLoginPageOnceAndIsLoggedInWhenTheServiceAnswers)
{
    // The connect is accepted and never acknowledged: nothing for the login time-out, then
    // the page, with the login still wanted.
    const int seconds = SecondsUntilTheFailedPage(60);
    ASSERT_GE(seconds, 40);
    ASSERT_LE(seconds, 41);
    ExpectTheFailedLoginPage();
    EXPECT_EQ(1, menu->GetLoginState());
    Settle();
    mtest::SaveShot(app, menu, "hung_first_start_guest");
    // The round button closes the menu over the page and opens it on the page again.
    ASSERT_EQ(1, menu->RunEvent("toggle_orlo_menu", nullptr));
    EXPECT_FALSE(menu->IsMenuShown());
    ASSERT_EQ(1, menu->RunEvent("toggle_orlo_menu", nullptr));
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_EQ("loginscreen_error", Page());
    ASSERT_EQ(1, menu->RunEvent("toggle_orlo_menu", nullptr));
    // The retries go on behind the page (the unanswered connection is dropped after the idle
    // minute and made again), without a second notice and without covering the page.
    for (int i = 0; i < 150; ++i)
        Second();
    EXPECT_FALSE(menu->IsMenuShown());
    EXPECT_EQ("loginscreen_error", Page());
    EXPECT_EQ(1, notices);
    EXPECT_FALSE(formShown);
    EXPECT_EQ("ok 0", Control("logins"));
    // The service answers again: the guest logs in by itself and the page goes.
    ASSERT_EQ("ok", Control("resume"));
    ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
    ASSERT_TRUE(FramesUntil([&]() { return Page() != "loading_dialog"; }));
    EXPECT_NE("loginscreen_error", Page());
    EXPECT_FALSE(menu->IsLoginUnanswered());
    EXPECT_EQ(1, notices);
    menu->SetMenuShown(true);
    Settle();
    mtest::SaveShot(app, menu, "hung_answered_again");
}

TEST_F(HungAtStartPages, AServiceThatAnswersWithinTheTimeOutChangesNothing)
{
    for (int i = 0; i < 35; ++i)
        Second();
    ASSERT_EQ("ok", Control("resume"));
    ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
    for (int i = 0; i < 30; ++i)
        Second();
    EXPECT_EQ(0, notices);
    EXPECT_EQ(2, menu->GetLoginState());
    EXPECT_EQ("ok 1", Control("logins"));
}

TEST_F(HungPages, AnAccountWhoseConnectionGoesSilentMeetsThePageAndTryAgainKeepsTrying)
{
    ASSERT_NO_FATAL_FAILURE(LogInAs("alice", "wonderland"));
    ASSERT_TRUE(FramesUntil([&]() { return !menu->IsLoading() && !menu->IsMenuShown(); }));
    ASSERT_EQ("ok 2", Control("logins"));
    ASSERT_EQ("ok", Control("hang"));
    // Nothing comes for the idle minute: the connection is dropped, the relogin's connect is
    // never acknowledged, and after the login time-out the page shows; never the account form.
    const int seconds = SecondsUntilTheFailedPage(200);
    ASSERT_GE(seconds, 95);
    ExpectTheFailedLoginPage();
    EXPECT_EQ(1, notices);
    EXPECT_FALSE(formShown);
    Settle();
    mtest::SaveShot(app, menu, "hung_after_login_account");
    // "Try again" logs in again at once with what the session holds, behind the loading page;
    // it is not answered either, and the retries go on.
    TryAgain()->Click();
    EXPECT_EQ("loading_dialog", Page());
    EXPECT_EQ(1, menu->GetLoginState());
    for (int i = 0; i < 150; ++i)
        Second();
    EXPECT_FALSE(formShown);
    EXPECT_EQ(1, menu->GetLoginState());
    EXPECT_EQ("loginscreen_error", Page());
    ASSERT_EQ("ok", Control("resume"));
    ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2; }));
    EXPECT_EQ("alice", PlayerName());
    ASSERT_TRUE(FramesUntil([&]() { return Page() != "loading_dialog"; }));
    EXPECT_NE("loginscreen_error", Page());
    EXPECT_FALSE(formShown);
}

} // namespace
namespace {

// A relogin that the service answers within the time-out: the account is back on its start
// page (the history restarted on the page shown), never the login form.
TEST_F(HungPages, AReloginAnsweredInTimeReturnsToTheStartPage)
{
    ASSERT_NO_FATAL_FAILURE(LogInAs("alice", "wonderland"));
    ASSERT_TRUE(FramesUntil([&]() { return !menu->IsLoading() && !menu->IsMenuShown(); }));
    ASSERT_EQ("ok", Control("hang"));
    for (int i = 0; i < 65; ++i)
        Second();
    ASSERT_EQ(1, menu->GetLoginState());
    ASSERT_EQ("ok", Control("resume"));
    ASSERT_TRUE(FramesUntil([&]() { return menu->GetLoginState() == 2 && !menu->IsLoading(); }));
    EXPECT_EQ("startscreen_root", Page());
    EXPECT_EQ(0, notices);
    EXPECT_FALSE(formShown);
}

} // namespace
