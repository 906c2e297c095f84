// The online menu in the real application under Xvfb with its session to the stand-in lobby:
// the language switch, from the chooser's confirm to the first frame drawn with every label
// replaced, against the language table's own switch of the same packs; and a login, from the
// login button to the start page shown, against a bare session exchanging the same messages on
// loopback. Each pair runs in one program so that its ratio can be read from one run.
// First: X11's macros would break the headers after it.
#include "tests/support/WindowAppSupport.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "engine/VortanTimer.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/GraphicsTestWindow.h"
#include "ui/Widget.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"

namespace {

typedef winapp::PacksBesideBuildApp BenchApp;

// The application logged in as a guest, its menu on the language chooser.
struct World {
    World()
    {
        setenv("HOME", home.Path().c_str(), 1);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(standin.lobby)).c_str(), 1);
        VortanTestClock::Set(5000000000ull);
        COrlogateApplication::RegisterOnlineFactory(&factory);
        app = new BenchApp();
        ok = app->Create(nullptr, 800, 480, new ptest::GameStateStub()) == VORTAN_OK;
        for (int i = 0; ok && i < 6000 && !Ready(); ++i)
            Step();
        ok = ok && Ready();
        if (ok) {
            menu->SetMenuShown(true);
            menu->GetPageRoot()->NavigateTo(CVortanString("language_root"));
            menu->GetPageRoot()->FinishTransitions();
            for (int i = 0; i < 4; ++i)
                Step();
        }
    }
    ~World()
    {
        delete app;
        VortanTestClock::Clear();
    }
    bool Ready()
    {
        menu = dynamic_cast<COrloMenuState*>(app->GetMenuState());
        return menu && menu->GetLoginState() == 2 && !menu->IsLoading() &&
               app->GetLanguage()->GetLanguageCount() >= 2;
    }
    void Step()
    {
        VortanTestClock::Advance(16000000ull);
        app->Frame();
        usleep(1000);
    }

    gtest_graphics::Xvfb xvfb;
    vtest::TempDir home;
    vtest::TempDir state;
    ntest::StandIn standin{state.Path(), 0, 0};
    COrloOnlineFactory factory;
    BenchApp* app = nullptr;
    COrloMenuState* menu = nullptr;
    bool ok = false;
};

World& TheWorld()
{
    static World world;
    return world;
}

// The chooser's row of the language, selected, then confirmed; one frame drawn after it.
void BM_ChooseLanguageToFirstFrame(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    CInfiniteList* list = static_cast<CInfiniteList*>(
        w.menu->GetPageRoot()->FindByPath(CVortanString("//language_root//language_list")));
    int target = 1;
    for (auto _ : state) {
        CWidget* row = list->GetChild(target);
        w.menu->RunEvent("select_language_item",
                         row->FindChild(CVortanString("select-button"), -1));
        w.menu->RunEvent("choose_language", nullptr);
        w.app->Frame();
        target = 1 - target;
    }
    state.SetLabel("switch, labels replaced, one frame");
}
BENCHMARK(BM_ChooseLanguageToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(40);

// The language table's own switch between the same two packs.
void BM_LanguageTableSwitch(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    COrloLanguage* language = w.app->GetLanguage();
    const char* codes[2] = {"xa", "en"};
    int target = 0;
    for (auto _ : state) {
        language->SetLanguage(CVortanString(codes[target]));
        target = 1 - target;
    }
    state.SetLabel("COrloLanguage::SetLanguage");
}
BENCHMARK(BM_LanguageTableSwitch)->Unit(benchmark::kMillisecond)->Iterations(40);

// The login button pressed with alice's name and password typed; frames (each drawn) until the
// start page shows without the loading page.
void BM_LoginButtonToStartPage(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    CWidget* pages = w.menu->GetPageRoot();
    auto field = [&](const char* path) {
        return static_cast<CTextWidget*>(pages->FindByPath(CVortanString(path)));
    };
    for (auto _ : state) {
        state.PauseTiming();
        w.menu->ShowLoginScreen();
        field("//loginscreen_input//user_login")->SetText(CVortanString("alice"));
        field("//loginscreen_input//user_password")->SetText(CVortanString("wonderland"));
        static_cast<CToggleButton*>(
            pages->FindByPath(CVortanString("//loginscreen_input//user_autologin")))
            ->SetState(0);
        w.app->Frame();
        state.ResumeTiming();
        w.menu->RunEvent("login_orlogate", nullptr);
        // The program's clock follows the real one, frame by frame.
        auto last = std::chrono::steady_clock::now();
        int frames = 0;
        while (!(w.menu->GetLoginState() == 2 && !w.menu->IsLoading() &&
                 w.menu->GetCurrentPageName() == CVortanString("startscreen_root"))) {
            const auto now = std::chrono::steady_clock::now();
            VortanTestClock::Advance(
                (u64)std::chrono::duration_cast<std::chrono::nanoseconds>(now - last).count());
            last = now;
            w.app->Frame();
            if (++frames > 100000) {
                state.SkipWithError("no start page");
                return;
            }
        }
    }
    state.SetLabel("login button to start page, frames drawn");
}
BENCHMARK(BM_LoginButtonToStartPage)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same exchange with a bare session: connect, the challenge, the login with its response
// (and the session's acknowledgement), then the requests a login sends (the one-int 513 and
// both image-and-link adverts).
class LoginPeer : public COrloNetworkSession::LoginObserver,
                  public IOrloNetworkSession::StatusObserver {
public:
    void OnLobbyStateChanged(IOrloNetworkSession*, int state) override
    {
        if (state == LOBBY_STATE_ACKNOWLEDGED)
            session->SendLoginChallengeRequest(CVortanString("alice"), this);
    }
    void OnGameStateChanged(IOrloNetworkSession*, int) override {}
    void OnNotification(IOrloNetworkSession*, int, int, const CVortanString&) override {}
    void OnConnectRefused(COrloNetworkSession*, const CVortanString&) override { failed = true; }
    void OnLoginError(COrloNetworkSession*, const CVortanString&) override { failed = true; }
    void OnLoginChallenge(COrloNetworkSession* s, const CVortanString& challenge) override
    {
        s->SendLogin(CVortanString("alice"),
                     COrloNetworkSession::MakeLoginResponse(CVortanString("wonderland"), challenge),
                     this);
    }
    void OnLoginSuccess(COrloNetworkSession* s, int, const CVortanString&, const CVortanString&,
                        const CVortanString&, const CVortanString&, int) override
    {
        s->SendShortIntMessage(513);
        s->SendString2Message(CVortanString("moregames"), CVortanString());
        s->SendString2Message(CVortanString("tournaments"), CVortanString());
        done = true;
    }
    void OnConfirmUserNameAck(COrloNetworkSession*, int, const CVortanString&) override {}
    void OnConfirmEmailAck(COrloNetworkSession*, int, const CVortanString&) override {}

    COrloNetworkSession* session = nullptr;
    bool done = false;
    bool failed = false;
};

void BM_SessionLoginExchange(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    LoginPeer peer;
    COrloNetworkSession* previous = nullptr;
    for (auto _ : state) {
        // As the login button does: the previous login's logout, its connection closed.
        if (previous) {
            previous->SendLogout();
            previous->CloseSockets();
            previous->Shutdown();
            delete previous;
        }
        peer.done = peer.failed = false;
        COrloNetworkSession* session = new COrloNetworkSession();
        previous = peer.session = session;
        bool ok = session->Init(w.app, &peer) == VORTAN_OK &&
                  session->ConnectLobby(CVortanString("127.0.0.1"), w.standin.lobby, &peer) == 1;
        // As fast as it can turn, without a clock that runs ahead into the time-outs.
        for (int turns = 0; ok && !peer.done && !peer.failed; ++turns) {
            if (session->GetLobbyEngine())
                session->GetLobbyEngine()->Run(0.0f);
            session->Update(0.0f);
            ok = turns < 50000000;
        }
        if (!ok || peer.failed) {
            state.SkipWithError("the bare session did not log in");
            break;
        }
    }
    if (previous) {
        previous->SendLogout();
        previous->CloseSockets();
        previous->Shutdown();
        delete previous;
    }
    state.SetLabel("the same messages, no menu");
}
BENCHMARK(BM_SessionLoginExchange)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
