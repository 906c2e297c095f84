// The advert pop-up on a window-less application whose session talks to a loopback lobby
// peer: waits that end in exactly one request (tag 112), showing now, after a match or on
// exit, the countdown texts, the picture strip's frames, closing, the edition flag, resizes,
// a missing layout, and server pictures too large to decode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/VortanSurface.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/ServerImage.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloOnlineFactoryInterface.h"
#include "tests/online/SentFields.h"
#include "tests/online/SessionTestSupport.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"

namespace {

// The session application that makes real adverts, on a session and a language the test keeps.
class AdvertApp : public ntest::PopupApp {
public:
    void SetSession(IOrloNetworkSession* session) { m_session = session; }
    void SetLanguageObject(COrloLanguage* language) { m_language = language; }
    void SetInGame(int on) { m_inGame = on; }
    void ClearQuit() { m_quitRequested = 0; }
};

// A factory that makes only adverts.
class AdvertFactory : public IOrloOnlineFactory {
public:
    IOrloNetConnection* CreateNetConnection() override { return nullptr; }
    IOrloNetworkSession* CreateNetworkSession() override { return nullptr; }
    IOrloMenuState* CreateMenuState() override { return nullptr; }
    IOrloToastNotification* CreateToastNotification() override { return nullptr; }
    IOrloAdvertisement* CreateAdvertisement() override { return new COrloAdvertisement(); }
    IOrloAchievementStation* CreateAchievementStation() override { return nullptr; }
};

AdvertFactory g_factory;

std::string Utf16(const std::string& text)
{
    return ltest::Utf16(text);
}

struct Advert : ::testing::Test {
    vtest::TempDir home;
    std::unique_ptr<AdvertApp> app;
    ntest::SessionLog log;
    ntest::Listener lobby;
    COrloNetworkSession* session = nullptr;
    ltest::LanguageHost* host = nullptr;
    COrloLanguage language;
    int peer = -1;
    std::vector<u8> stream;
    std::vector<std::string> sent; // every message the lobby peer received, field by field

    void SetUp() override
    {
        setenv("HOME", home.Path().c_str(), 1);
        COrlogateApplication::RegisterOnlineFactory(&g_factory);
        app.reset(new AdvertApp());
        COrlogateApplication::RegisterOnlineFactory(nullptr);
        host = new ltest::LanguageHost(home);
        ASSERT_TRUE(vtest::WriteWholeFile(
            home.File("lang_0000.dmp"),
            vtest::MakePack(
                {{"/texts.txt", Utf16("NAME=English\r\nCODE=en\r\nFLAGS=VE_TEXT_LEFT\r\n"
                                      "SPECIAL_CHARS=0\r\n0=x\r\n1=Closes in %d s %s\r\n"
                                      "209=Close it now\r\n")}})));
        ASSERT_EQ(VORTAN_OK, language.Init(host, CVortanString("lang")));
        app->SetLanguageObject(&language);
        PackLayout();
        session = new COrloNetworkSession();
        ASSERT_EQ(VORTAN_OK, session->Init(app.get(), &log));
        app->SetSession(session);
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, &log));
        peer = lobby.Accept();
        ASSERT_GE(peer, 0);
        Drain(); // the connect request
    }
    void TearDown() override
    {
        app->SetSession(nullptr);
        if (session) {
            session->Shutdown(); // it still knows the application
            delete session;
        }
        app.reset();
        if (peer >= 0)
            close(peer);
        delete host;
    }
    void PackLayout()
    {
        const std::string path = home.File("layouts.dmp");
        rtest::WritePack(
            path, {{"/ad-root.xml",
                    vtest::ReadWholeFile(vtest::SourceDir() + "/data/layouts/ad-root.xml")}});
        ASSERT_EQ(1, app->OpenPack(CVortanString(path.c_str()), 1));
    }
    // Runs the socket engine for a moment and records what the peer got.
    void Drain()
    {
        for (int i = 0; i < 5; ++i) {
            session->GetLobbyEngine()->Run(0.0f);
            ntest::ReadSome(peer, &stream, 20);
        }
        for (const std::vector<u8>& m : ntest::SplitMessages(stream))
            sent.push_back(sentfields::Fields(m, sentfields::KindsOf(ntest::TagOf(m))));
    }
    // The requests (tag 112) the peer has received once at least `atLeast` arrived (or a
    // while passed), and after a further moment for any more: each counted by its tag, and
    // each without fields.
    int Requests(int atLeast = 0)
    {
        std::vector<std::string> requests;
        auto count = [&]() {
            Drain();
            requests.clear();
            for (const std::string& line : sent)
                if (line.compare(0, 4, "112:") == 0)
                    requests.push_back(line);
            return (int)requests.size();
        };
        vtest::WaitUntil([&]() { return count() >= atLeast; }, 3000);
        const int n = count();
        EXPECT_EQ(std::vector<std::string>((size_t)n, "112:"), requests);
        return n;
    }
    // The record as the session hands it on.
    void Record(int delayMs, int countdownMs = 5000, int flags = 0,
                const std::vector<i32>& frames = {}, const std::string& image = std::string(),
                const char* titleLink = "")
    {
        CVortanArray<i32> times;
        for (size_t i = 0; i < frames.size(); ++i)
            times.SetAtGrow((int)i, frames[i]);
        app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click me"),
                                 image.empty() ? nullptr : (const u8*)image.data(),
                                 (int)image.size(), delayMs, countdownMs, &times,
                                 CVortanString("http://ok"), flags, CVortanString("Title"),
                                 CVortanString(titleLink));
    }
    COrloAdvertisement* Ad() { return app->Advert(); }
    void Run(float seconds, float step = 0.5f)
    {
        for (float t = 0.0f; t < seconds - 1e-4f; t += step)
            Ad()->Update(step);
    }
    std::string Text(const char* name)
    {
        CTextWidget* t = WidgetCast<CTextWidget>(ltest::Find(Ad()->GetRoot(), name));
        return t ? VortanUTF8Of(t->GetText()) : "?";
    }
    bool Visible(const char* name)
    {
        CWidget* w = ltest::Find(Ad()->GetRoot(), name);
        return w && w->IsVisible();
    }
    // A PNG strip of the size, from ImageMagick.
    std::string Png(int width, int height)
    {
        std::string png;
        EXPECT_EQ(0, vtest::RunProgram({"convert", "-size",
                                        std::to_string(width) + "x" + std::to_string(height),
                                        "gradient:red-blue", "png:-"},
                                       &png));
        return png;
    }
};

} // namespace

TEST_F(Advert, AnUnshownAdvertWaitsAtLeastFiveMinutesThenAsksOnce)
{
    Record(60000, 5000, ORLO_ADVERT_FLAG_NO_SHOW);
    ASSERT_NE(nullptr, Ad());
    EXPECT_FALSE(Ad()->IsShown());
    EXPECT_FLOAT_EQ(300.0f, Ad()->GetDelay());
    Run(299.5f);
    EXPECT_EQ(0, Requests());
    Run(1.0f);
    EXPECT_EQ(1, Requests(1));
    Run(100.0f, 10.0f);
    EXPECT_EQ(1, Requests());

    Record(400000, 5000, ORLO_ADVERT_FLAG_NO_SHOW); // the next record, same object
    EXPECT_FLOAT_EQ(400.0f, Ad()->GetDelay());
    Run(399.5f);
    EXPECT_EQ(1, Requests());
    Run(1.0f);
    EXPECT_EQ(2, Requests(2));
}

TEST_F(Advert, AJoinedUserIsNotShownAndAMatchDefersTheAdvert)
{
    session->SendJoin(1, 2);
    Record(1000);
    EXPECT_FALSE(Ad()->IsShown());
    session->SendLeave();
    app->SetInGame(1);
    Record(1000);
    EXPECT_FALSE(Ad()->IsShown());
    EXPECT_TRUE(Ad()->IsPending());
    Ad()->Update(0.1f);
    EXPECT_FALSE(Ad()->IsShown());
    app->SetInGame(0);
    Ad()->Update(0.1f); // the first frame after the match
    EXPECT_TRUE(Ad()->IsShown());
    EXPECT_EQ("Closes in 5 s %s", Text("text_closing")); // the stray conversion stays
}

TEST_F(Advert, TheCountdownRevealsTheCloseButtonAndClosingAsksForTheNext)
{
    Record(1000, 5000);
    ASSERT_TRUE(Ad()->IsShown());
    EXPECT_FALSE(Visible("button_close"));
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        Ad()->Update(1.0f);
        seen.push_back(Text("text_closing"));
    }
    EXPECT_EQ((std::vector<std::string>{"Closes in 4 s %s", "Closes in 3 s %s", "Closes in 2 s %s",
                                        "Closes in 1 s %s", "Close it now"}),
              seen);
    EXPECT_TRUE(Visible("button_close"));
    EXPECT_EQ(-1.0f, Ad()->GetCloseElapsed());
    // A tap anywhere is taken by the shown advert.
    EXPECT_EQ(1, Ad()->OnPointerDown(0, 5, 5));
    EXPECT_EQ(1, Ad()->OnPointerUp(0, 5, 5));
    EXPECT_EQ(0, Requests());
    Ad()->CloseAdvert(nullptr);
    EXPECT_FALSE(Ad()->IsShown());
    EXPECT_EQ(1, Requests(1));
    EXPECT_FALSE(app->IsQuitRequested());
}

TEST_F(Advert, LeavingShowsAWaitingAdvertAndItsCloseQuits)
{
    Record(1000, 5000, ORLO_ADVERT_FLAG_NO_SHOW);
    app->ExitApplication(true);
    EXPECT_TRUE(Ad()->IsShown());
    EXPECT_FALSE(app->IsQuitRequested());
    Ad()->CloseAdvert(nullptr);
    EXPECT_TRUE(app->IsQuitRequested());
    EXPECT_EQ(0, Requests());
    app->ClearQuit();
    app->ExitApplication(true); // nothing waits now: quit at once
    EXPECT_TRUE(app->IsQuitRequested());
}

TEST_F(Advert, AnotherEditionShowsNothingAsksNothingAndQuitsAtOnce)
{
    app->game.edition = 1;
    EXPECT_EQ(0, app->ShowsAdvertisements());
    Record(1000, 5000);
    ASSERT_NE(nullptr, Ad());
    EXPECT_FALSE(Ad()->IsShown());
    Run(400.0f, 10.0f);
    EXPECT_EQ(0, Requests());
    app->ExitApplication(true);
    EXPECT_TRUE(app->IsQuitRequested());
    app->game.edition = 7;
    EXPECT_EQ(0, app->ShowsAdvertisements());
    app->game.edition = 0;
    EXPECT_EQ(1, app->ShowsAdvertisements());
}

TEST_F(Advert, ResizeActivationAndTheLobbyClosingDropItWithoutARequest)
{
    Record(1000);
    ASSERT_TRUE(Ad()->IsShown());
    app->OnResize(480, 800);
    EXPECT_FALSE(Ad()->IsShown());
    ASSERT_NE(nullptr, Ad()->GetRoot());
    EXPECT_EQ(480, Ad()->GetRoot()->GetWidth());
    Record(1000);
    app->OnLobbyStateChanged(session, 0);
    EXPECT_FALSE(Ad()->IsShown());
    Record(1000);
    app->SetActive(false);
    EXPECT_EQ(nullptr, Ad());
    EXPECT_EQ(0, Requests());
}

TEST_F(Advert, TheStripsFramesAdvanceAtTheirTimes)
{
    const std::string png = Png(30, 60); // three frames of 30 x 20
    Record(1000, 5000, 0, {1000, 500, 0}, png);
    Ad()->Update(0.0f);
    ASSERT_NE(nullptr, Ad()->GetSurface());
    EXPECT_EQ(20, Ad()->GetSurface()->GetFrameHeight());
    EXPECT_EQ(30, Ad()->GetSurface()->GetFrameWidth());
    CImageWidget* image = WidgetCast<CImageWidget>(ltest::Find(Ad()->GetRoot(), "adimage"));
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(Ad()->GetSurface(), image->GetImage());
    std::vector<int> frames;
    for (int i = 0; i < 8; ++i) {
        Ad()->Update(0.25f);
        frames.push_back(Ad()->GetCurrentFrame());
    }
    // 1.0 s on frame 0, 0.5 s on frame 1, one update on frame 2 (time 0), then frame 0.
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 1, 2, 0, 0}), frames);
    EXPECT_EQ(frames.back(), image->GetFrame());
    // Registered under a name of its own, freed once when the advert closes.
    const CVortanString name = Ad()->GetSurfaceName();
    CVortanSurface* found = app->FindSurface(name);
    EXPECT_EQ(Ad()->GetSurface(), found);
    app->ReleaseSurface(found); // the lookup's reference
    Ad()->CloseAdvert(nullptr);
    EXPECT_EQ(nullptr, app->FindSurface(name));
}

TEST_F(Advert, OversizedOrDamagedPicturesAreNotDecoded)
{
    Record(1000, 5000, 0, {100}, Png(2049, 4));
    Ad()->Update(0.0f);
    EXPECT_EQ(nullptr, Ad()->GetSurface());
    EXPECT_TRUE(Ad()->IsShown());
    Record(1000, 5000, 0, {100, 100, 100, 100, 100}, Png(8, 4)); // more frames than rows
    Ad()->Update(0.0f);
    ASSERT_NE(nullptr, Ad()->GetSurface());
    EXPECT_EQ(4, Ad()->GetSurface()->GetFrameHeight());
    Record(1000, 5000, 0, {}, "\x89PNG\r\n\x1a\n but cut");
    Ad()->Update(0.0f);
    EXPECT_EQ(nullptr, Ad()->GetSurface());
}

TEST(ServerImages, TheHeaderSizeIsCheckedBeforeDecoding)
{
    std::string out;
    ASSERT_EQ(0, vtest::RunProgram({"convert", "-size", "2048x3", "xc:red", "png:-"}, &out));
    int w = 0, h = 0;
    EXPECT_EQ(VORTAN_OK, ReadServerImageSize((const u8*)out.data(), (int)out.size(), &w, &h));
    EXPECT_EQ(2048, w);
    EXPECT_EQ(3, h);
    EXPECT_EQ(1, ServerImageFits((const u8*)out.data(), (int)out.size()));
    ASSERT_EQ(0, vtest::RunProgram({"convert", "-size", "17x2049", "xc:red", "jpg:-"}, &out));
    EXPECT_EQ(VORTAN_OK, ReadServerImageSize((const u8*)out.data(), (int)out.size(), &w, &h));
    EXPECT_EQ(17, w);
    EXPECT_EQ(2049, h);
    EXPECT_EQ(0, ServerImageFits((const u8*)out.data(), (int)out.size()));
    EXPECT_EQ(VORTAN_E_MALFORMED, ReadServerImageSize((const u8*)"\xff\xd8\xff", 3, &w, &h));
    EXPECT_EQ(VORTAN_E_MALFORMED, ReadServerImageSize((const u8*)"GIF89a....", 10, &w, &h));
}

TEST_F(Advert, AMissingLayoutFailsInitAndTheNextRecordTriesAgain)
{
    app->ClosePack(CVortanString(home.File("layouts.dmp").c_str()), 1);
    Record(1000);
    EXPECT_EQ(nullptr, Ad());
    PackLayout();
    Record(1000);
    ASSERT_NE(nullptr, Ad());
    EXPECT_TRUE(Ad()->IsShown());
}
