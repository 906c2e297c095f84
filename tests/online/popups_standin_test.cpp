// The toast fed by the stand-in lobby after a guest login: its notifications (tag 45) of kinds
// 1, 3, 4 and 7 show the kind's icon and the text. (Its adverts are seen in the window test.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "online/OrloOnlineFactory.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/OrloToastNotification.h"
#include "tests/online/SessionTestSupport.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/TextWidget.h"

namespace {

// The application with a toast and the session the real factory makes (the application
// observing it).
class PopupApp : public ntest::PopupApp {
public:
    int Start()
    {
        m_toast = new COrloToastNotification();
        if (m_toast->Init(this) != VORTAN_OK)
            return VORTAN_E_MISSING;
        ownsSession = true;
        return OpenSession();
    }
    COrloNetworkSession* Session() { return dynamic_cast<COrloNetworkSession*>(m_session); }
    COrloToastNotification* Toast() { return dynamic_cast<COrloToastNotification*>(m_toast); }
};

COrloOnlineFactory g_factory;

struct PopupsStandIn : ::testing::Test {
    vtest::TempDir home;
    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> server;
    std::unique_ptr<PopupApp> app;
    ntest::SessionLog log;
    COrloLanguage language;
    std::unique_ptr<ltest::LanguageHost> host;
    std::string who;

    void SetUp() override
    {
        setenv("HOME", home.Path().c_str(), 1);
        server.reset(new ntest::StandIn(state.Path(), 0, 0));
        ASSERT_GT(server->control, 0);
        COrlogateApplication::RegisterOnlineFactory(&g_factory);
        app.reset(new PopupApp());
        COrlogateApplication::RegisterOnlineFactory(nullptr);
        const std::string pack = home.File("layouts.dmp");
        rtest::WritePack(pack, {{"/toast-root.xml", Shipped("toast-root.xml")},
                                {"/ad-root.xml", Shipped("ad-root.xml")}});
        ASSERT_EQ(1, app->OpenPack(CVortanString(pack.c_str()), 1));
        ASSERT_EQ(VORTAN_OK, app->Start());
        COrloNetworkSession* session = app->Session();
        ASSERT_NE(nullptr, session);
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), server->lobby, &log));
        ASSERT_TRUE(Pump([&]() { return (session->GetStatus() & 0xFF) == 3; }));
        session->SendLogin(CVortanString("guest"), CVortanString("0"), &log);
        ASSERT_TRUE(Pump([&]() { return (session->GetStatus() & 0xFF) == 5; }));
        who = std::to_string(session->GetOwnPlayerId());
    }
    void TearDown() override
    {
        app.reset();
        server.reset();
    }
    static std::string Shipped(const char* name)
    {
        return vtest::ReadWholeFile(vtest::SourceDir() + "/data/layouts/" + name);
    }
    // Frames of the session (and nothing of the pop-ups) until the condition holds.
    bool Pump(const std::function<bool()>& condition)
    {
        COrloNetworkSession* s = app->Session();
        return vtest::WaitUntil([&]() {
            if (s->GetLobbyEngine())
                s->GetLobbyEngine()->Run(0.016f);
            s->Update(0.016f);
            return condition();
        });
    }
    std::string Message()
    {
        CTextWidget* t =
            WidgetCast<CTextWidget>(ltest::Find(app->Toast()->GetRoot(), "toast_message"));
        return t ? VortanUTF8Of(t->GetText()) : "?";
    }
    std::string Icon()
    {
        for (const char* n :
             {"toast_icon_message", "toast_icon_challenge", "toast_icon_achievement"}) {
            CWidget* w = ltest::Find(app->Toast()->GetRoot(), n);
            if (w && w->IsVisible())
                return n + 11;
        }
        return "none";
    }
};

} // namespace

TEST_F(PopupsStandIn, NotificationsShowTheirKindsIconAndText)
{
    const struct {
        int kind;
        const char* icon;
        const char* suffix;
    } cases[] = {{1, "message", ""},
                 {3, "challenge", ""},
                 {4, "achievement", "\n\nAchievement unlocked!"},
                 {7, "none", ""}};
    for (const auto& c : cases) {
        const std::string text = "Note of kind " + std::to_string(c.kind);
        ASSERT_EQ("ok", ntest::ControlLine(server->control, "notify " + who + " " +
                                                                std::to_string(c.kind) + " 5 \"" +
                                                                text + "\"")
                            .substr(0, 2));
        ASSERT_TRUE(Pump([&]() { return app->Toast()->IsShowing(); })) << c.kind;
        EXPECT_EQ(text + c.suffix, Message());
        EXPECT_EQ(c.icon, Icon());
        EXPECT_EQ(c.kind, app->Toast()->GetCurrentKind());
        app->Toast()->Update(3.0f);
        EXPECT_FALSE(app->Toast()->IsShowing());
    }
}
