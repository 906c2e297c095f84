// The web button: the page address with "&amp;" and the first of each placeholder filled in
// reaches the browser service on a private bus (a Python fake records the calls); values are
// read afresh on each click and onclick fires in every case.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/OnlineStubs.h"
#include "tests/platform/PrivateBus.h"
#include "tests/ui/LoaderTestSupport.h"
#include "tests/ui/RecordingBusService.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/WebButton.h"

namespace {

int g_clicks = 0;
int CountClick(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_clicks;
    return 1;
}

} // namespace

TEST(WebButton, TheFilledAddressReachesTheBrowserOnEveryClick)
{
    vtest::TempDir dir;
    bustest::PrivateBus bus;
    ASSERT_TRUE(bus.Start(dir, "bus"));
    pid_t fake = bustest::StartRecording(dir, bus.address, {"com.nokia.osso_browser"});
    ASSERT_TRUE(bustest::WaitFor(dir.File("ready"))) << vtest::ReadWholeFile(dir.File("fake.log"));
    ltest::WriteLanguagePacks(dir);
    const std::string layout =
        "<l><element name='w' type='web_button'><target url='http://h/f?id=APPLICATION_ID"
        "&amp;amp;rel=RELEASE_ID&amp;amp;store=RESELLER_ID&amp;amp;lang=LANGUAGE&amp;amp;again="
        "LANGUAGE&amp;amp;t=APPLICATION_TOKEN&amp;amp;c=APPLICATION_CHECK'/></element></l>";

    // The bus library reads the system bus address once per process: the clicks run in a
    // child that has it from the start.
    pid_t child = fork();
    if (child == 0) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        int code = 0;
        {
            ltest::LoaderApp app;
            COrloDevice device;
            app.SetDevice(&device);
            ltest::LanguageHost host(dir);
            COrloLanguage language;
            language.Init(&host, CVortanString("lang"));
            app.SetLanguageObject(&language);
            ptest::GameStateStub game;
            app.SetGame(&game);
            rtest::WritePack(dir.File("w.dmp"), {{"/w.xml", layout}});
            app.OpenPack(CVortanString(dir.File("w.dmp").c_str()), 1);
            CWidget* root = new CWidget();
            CVortanRect rect;
            rect.Set(0, 0, 800, 480);
            root->Startup(&app, nullptr, rect);
            CUIXMLLoader loader;
            loader.Load(&app, nullptr, nullptr, root, nullptr, nullptr);
            loader.LoadFile(CVortanString("w.xml"));
            loader.Unload();
            CWebButton* button = WidgetCast<CWebButton>(ltest::Find(root, "w"));
            if (!button)
                _exit(10);
            button->SetOnClick(CUIDelegate(CountClick, nullptr));
            button->Click(); // no session: the session's values are empty
            ptest::SessionStub session;
            session.login = CVortanString("key1");
            session.link = CVortanString("tok1");
            session.releaseId = 7;
            app.SetSession(&session);
            button->Click();
            session.login = CVortanString("key2");
            language.SetLanguage(CVortanString("rt"));
            button->Click();
            code = g_clicks == 3 ? 0 : 11;
            const CVortanString stored = button->GetUrl();
            if (stored.FindString(CVortanString("&amp;")) < 0)
                code = 12; // the stored address is never changed
            app.SetSession(nullptr);
            app.SetGame(nullptr);
            app.SetLanguageObject(nullptr);
            app.SetDevice(nullptr);
            CWidget::Destroy(root);
        }
        _exit(code);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string expected =
        "load_url http://h/f?id=64&rel=0&store=Ovi&lang=en&again=LANGUAGE&t=&c=\n"
        "load_url http://h/f?id=64&rel=7&store=Ovi&lang=en&again=LANGUAGE&t=key1&c=tok1\n"
        "load_url http://h/f?id=64&rel=7&store=Ovi&lang=rt&again=LANGUAGE&t=key2&c=tok1\n";
    EXPECT_TRUE(vtest::WaitUntil(
        [&] { return vtest::ReadWholeFile(dir.File("records")).size() >= expected.size(); }));
    EXPECT_EQ(vtest::ReadWholeFile(dir.File("records")), expected);
    bustest::Stop(fake);
}

TEST(WebButton, WithoutAContextOnlyOnclickFires)
{
    CWebButton* button = new CWebButton();
    CVortanRect rect;
    rect.Set(0, 0, 10, 10);
    button->Startup(nullptr, nullptr, rect);
    button->SetUrl(CVortanString("a&amp;b"));
    EXPECT_EQ(VortanUTF8Of(button->ExpandUrl()), "a&b");
    g_clicks = 0;
    button->SetOnClick(CUIDelegate(CountClick, nullptr));
    button->Click();
    EXPECT_EQ(g_clicks, 1);
    CWebButton* copy = static_cast<CWebButton*>(button->Clone());
    EXPECT_EQ(VortanUTF8Of(copy->GetUrl()), "a&amp;b");
    CWidget::Destroy(copy);
    CWidget::Destroy(button);
}
