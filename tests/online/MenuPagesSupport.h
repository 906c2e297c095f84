// The player, challenge and chat pages' tests: the program's application on a GLES2 test
// window with the built packs, the online menu built over it, and a session whose lobby is a
// loopback peer that reads what the menu sends.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <GLES2/gl2.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloLobby.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloResourceManager.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/NetTestSupport.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/TestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/TextWidget.h"

namespace mtest {

using ntest::Listener;
using ntest::ReadSome;
using ntest::SplitMessages;
using ntest::TagOf;

inline gtest_graphics::GLEnvironment* Display()
{
    static gtest_graphics::GLEnvironment* env =
        vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);
    return env;
}

// The program's application with the built layout, font, picture and language packs.
class PagesApp : public COrlogateApplication {
public:
    PagesApp(unsigned long window, const std::string& home)
    {
        ext = new CVortanGraphicsExt_GLES2();
        ReplaceGraphicsExt(ext);
        created = ext->Create(window) == VORTAN_OK && ext->Resize(800, 480) == VORTAN_OK;
        COrloResourceManager::Init(this, nullptr);
        m_settings = new COrloStatsStore();
        m_settings->Open(CVortanString((home + "/stats.dat").c_str()));
        m_language = new COrloLanguage();
        const int language = m_language->Init(this, CVortanString("orlolanguage"));
        const int layouts = OpenPack(Built("orlolayouts.dmp"), 1);
        const int fonts = OpenPack(Built("orlofonts_480.dmp"), 1);
        const int pictures = OpenPack(Built("orlolobby_480.dmp"), 1);
        packs = language == VORTAN_OK && layouts && fonts && pictures;
    }
    ~PagesApp() override
    {
        m_session = nullptr;
        OnExit();
        COrloResourceManager::ReleaseAll();
        ReplaceGraphicsExt(nullptr);
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((vtest::BinaryDir() + "/").c_str());
        out.Append(fileName);
    }
    int CreateSessionAndMenu() override { return 1; }
    void OnNotification(IOrloNetworkSession*, int kind, int, const CVortanString& text) override
    {
        notices.push_back(std::to_string(kind) + ":" + VortanUTF8Of(text));
    }
    void SendChatMessage(const CVortanString& text, int kind) override
    {
        sentChat.push_back(std::to_string(kind) + ":" + VortanUTF8Of(text));
        COrlogateApplication::SendChatMessage(text, kind);
    }
    static CVortanString Built(const char* name)
    {
        return CVortanString((vtest::BinaryDir() + "/" + name).c_str());
    }
    void SetGame(IOrloGameState* game) { m_gameState = game; }
    void SetSession(IOrloNetworkSession* session) { m_session = session; }
    void SetMenu(IOrloMenuState* menu) { m_menu = menu; }
    // The program's toast over the layout pack, as the application makes it at its start.
    COrloToastNotification* AddToast()
    {
        COrloToastNotification* toast = new COrloToastNotification();
        if (toast->Init(this) != VORTAN_OK) {
            toast->Release();
            delete toast;
            return nullptr;
        }
        m_toast = toast;
        return toast;
    }

    CVortanGraphicsExt_GLES2* ext;
    bool created = false;
    bool packs = false;
    std::vector<std::string> notices;
    std::vector<std::string> sentChat;
};

// Draws the menu over a black screen and, when MENU_SHOTS names a directory, keeps the frame
// there as NAME.png.
inline void SaveShot(PagesApp* app, COrloMenuState* menu, const std::string& name)
{
    app->ext->Clear(0xFF000000, nullptr);
    menu->Render();
    if (getenv("MENU_SHOTS"))
        vtest::KeepPicture("MENU_SHOTS", gtest_graphics::ReadRgb(), 800, 480, name);
}

// A game that counts the chat lines offered to it (and may take them), the leaves and starts.
class ChatGame : public ptest::GameStateStub {
public:
    int OnGameMessage(const void* message) override
    {
        (void)message;
        ++offered;
        return takes;
    }
    void OnLeaveGame() override { ++leaves; }
    int Update(float) override
    {
        if (onUpdate)
            onUpdate();
        return 1;
    }
    void StartMatch(int) override { ++starts; }
    int GetGameNumber() override { return number; }
    int GetMaxPlayers() override { return maxPlayers; }
    int number = 7;
    int maxPlayers = 2;
    int starts = 0;
    int offered = 0;
    int takes = 0;
    int leaves = 0;
    std::function<void()> onUpdate;
};

class PagesMenu : public COrloMenuState {
public:
    using COrloMenuState::BuildMenu;
    void SetLogin(int state, int guest)
    {
        m_loginState = state;
        m_guest = guest;
    }
};

class PagesFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Display()->window);
        setenv("HOME", home.Path().c_str(), 1);
        app = new PagesApp(Display()->window->Id(), home.Path());
        ASSERT_TRUE(app->created);
        ASSERT_TRUE(app->packs);
        game = new ChatGame();
        app->SetGame(game);
        session = new COrloNetworkSession();
        ASSERT_EQ(VORTAN_OK, session->Init(app, app));
        session->AddLobbyObserver(app); // the lobby's messages reach the menu through it
        app->SetSession(session);
        menu = new PagesMenu();
        ASSERT_EQ(VORTAN_OK, menu->Init(app));
        app->SetMenu(menu);
        ASSERT_EQ(1, menu->BuildMenu(800, 480, nullptr));
        menu->SetLogin(2, 0);
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, nullptr));
        peer = lobby.Accept();
        ASSERT_GE(peer, 0);
        Sent(); // the connect request
    }
    void TearDown() override
    {
        // A reconnect replaces (deletes) the session the application held.
        if (app->GetNetworkSession() != session)
            session = nullptr;
        app->SetMenu(nullptr);
        delete menu;
        app->SetGame(nullptr);
        app->SetSession(nullptr);
        delete session;
        if (peer >= 0)
            close(peer);
        delete app;
    }
    // One frame of the engines and the menu.
    void Frame(float dt = 0.016f)
    {
        if (session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(dt);
        menu->Update(dt);
    }
    // What the peer got since the last call (tags and bodies), after a few frames.
    std::vector<std::vector<u8>> Sent(int waitMs = 150)
    {
        std::vector<std::vector<u8>> out;
        const int rounds = waitMs / 10;
        for (int i = 0; i < rounds; ++i) {
            Frame(0.0f);
            ReadSome(peer, &stream, 10);
            std::vector<std::vector<u8>> got = SplitMessages(stream);
            out.insert(out.end(), got.begin(), got.end());
        }
        return out;
    }
    static std::vector<int> Tags(const std::vector<std::vector<u8>>& messages)
    {
        std::vector<int> tags;
        for (const std::vector<u8>& m : messages)
            tags.push_back(TagOf(m));
        return tags;
    }
    CWidget* At(const char* path) { return menu->GetRoot()->FindByPath(CVortanString(path)); }
    std::string TextAt(CWidget* parent, const char* name)
    {
        CTextWidget* text =
            WidgetCast<CTextWidget>(parent ? parent->FindChild(CVortanString(name), -1) : nullptr);
        return text ? VortanUTF8Of(text->GetText()) : std::string("<none>");
    }
    bool Visible(CWidget* parent, const char* name)
    {
        CWidget* w = parent ? parent->FindChild(CVortanString(name), -1) : nullptr;
        return w && w->IsVisible();
    }
    // Draws the menu and, when MENU_SHOTS names a directory, keeps the frame there as a PNG.
    void Shot(const std::string& name)
    {
        for (int i = 0; i < 30; ++i)
            Frame(0.05f);
        SaveShot(app, menu, name);
    }
    // The drawn menu's pixels (RGBA rows) under the widget, after the frames settle.
    std::string PixelsOf(CWidget* widget)
    {
        for (int i = 0; i < 30; ++i)
            Frame(0.05f);
        app->ext->Clear(0xFF000000, nullptr);
        menu->Render();
        if (!widget)
            return std::string();
        int x = 0, y = 0;
        widget->ConvertPoint(nullptr, x, y); // the screen's origin in the widget's space
        const int left = std::max(0, -x), top = std::max(0, -y);
        const int right = std::min(800, left + widget->GetRect().GetWidth());
        const int bottom = std::min(480, top + widget->GetRect().GetHeight());
        if (right <= left || bottom <= top)
            return std::string();
        std::string out((size_t)(right - left) * (size_t)(bottom - top) * 4, '\0');
        glReadPixels(left, 480 - bottom, right - left, bottom - top, GL_RGBA, GL_UNSIGNED_BYTE,
                     &out[0]);
        return out;
    }
    std::string Page() { return VortanUTF8Of(menu->GetCurrentPageName()); }
    std::string Language(int index) { return VortanUTF8Of(app->GetLanguage()->GetText(index)); }
    void AddLobbyPlayer(int id, const char* name)
    {
        COrloPlayer* player = new COrloPlayer();
        player->playerId = id;
        player->name = CVortanString(name);
        session->GetLobby()->SetLimits(0, 8);
        ASSERT_EQ(1, session->GetLobby()->AddPlayer(player));
    }

    vtest::TempDir home;
    PagesApp* app = nullptr;
    ChatGame* game = nullptr;
    COrloNetworkSession* session = nullptr;
    PagesMenu* menu = nullptr;
    Listener lobby;
    int peer = -1;
    std::vector<u8> stream;
};

} // namespace mtest
