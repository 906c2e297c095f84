// The online menu under the lobby's messages: a real menu built from the program's packs on the
// drawing-free graphics, hosted by the application with its toast and adverts, logged in, and a
// session that decodes lobby messages and hands them on as in the program (player lists, shop
// groups and items, adverts, notifications, chat lines, achievements, match results). Between
// the messages the menu runs frames, draws and changes pages.
#include <stdlib.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "fuzz/FuzzSupport.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloAchievementInterfaces.h"
#include "platform/OrloAdvertisementInterface.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloNotification.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrloToastNotificationInterface.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"

namespace {

CVortanString Built(const char* name)
{
    return CVortanString((std::string(VORTAN_BINARY_DIR) + "/" + name).c_str());
}

COrloOnlineFactory g_factory;

// The program's application without a window: the built packs, the settings and language, the
// toast, and a session and menu set from outside.
class FuzzApp : public COrlogateApplication {
public:
    FuzzApp()
    {
        m_onlineFactory = &g_factory;
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
        m_settings = new COrloStatsStore();
        m_settings->Open(CVortanString(vfuzz::ScratchFile("stats.dat").c_str()));
        m_language = new COrloLanguage();
        ok = m_language->Init(this, CVortanString("orlolanguage")) == VORTAN_OK;
        ok = OpenPack(Built("orlolayouts.dmp"), 1) && ok;
        ok = OpenPack(Built("orlofonts_480.dmp"), 1) && ok;
        ok = OpenPack(Built("orlolobby_480.dmp"), 1) && ok;
        m_toast = g_factory.CreateToastNotification();
        if (m_toast && m_toast->Init(this) != VORTAN_OK)
            ok = false;
        m_achievements = g_factory.CreateAchievementStation();
        CVortanString packPath;
        GetResourcePath(packPath, CVortanString("achievements.dmp"));
        if (m_achievements && m_achievements->Init(this, GetGameNumber(), packPath) != VORTAN_OK) {
            m_achievements->Clear();
            delete m_achievements;
            m_achievements = nullptr;
        }
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = Built("");
        out.Append(fileName);
    }
    int CreateSessionAndMenu() override { return VORTAN_OK; }
    void Set(IOrloNetworkSession* session, IOrloMenuState* menu, IOrloGameState* game)
    {
        m_session = session;
        m_menu = menu;
        m_gameState = game;
    }
    // The toast and the advert, as the application's frame runs and draws them.
    void Overlays(float seconds, bool draw)
    {
        COrloNotification* overlays[] = {m_toast, m_advertisement};
        for (COrloNotification* overlay : overlays) {
            if (!overlay)
                continue;
            overlay->Update(seconds);
            if (draw)
                overlay->Render();
        }
    }
    void DropRetired() { DeleteRetiredSessions(); }

    bool ok = false;
};

class FuzzMenu : public COrloMenuState {
public:
    using COrloMenuState::BuildMenu;
    void LogIn(int guest)
    {
        m_loginState = 2;
        m_guest = guest;
    }
};

const char* const kPages[] = {
    "startscreen_root", "players_root",  "chat_root",     "shop_root",  "my_items_root",
    "me_root",          "settings_root", "language_root", "about_root", "loginscreen_root"};

FuzzApp* g_app = nullptr;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    if (!g_app) {
        // Files the menu writes go under the home directory; the lobby it might reconnect to
        // refuses at once.
        setenv("HOME", vfuzz::ScratchDir().c_str(), 1);
        setenv("ORLO_LOBBY", "127.0.0.1:1", 1);
        g_app = new FuzzApp();
        VFUZZ_CHECK(g_app->ok);
    }
    ptest::GameStateStub* game = new ptest::GameStateStub(); // the menu takes it in
    COrloNetworkSession* session = new COrloNetworkSession();
    VFUZZ_CHECK(session->Init(g_app, g_app) == VORTAN_OK);
    session->AddLobbyObserver(g_app);
    session->AddGameObserver(g_app);
    session->AddAdvertisementObserver(g_app);
    FuzzMenu* menu = new FuzzMenu();
    g_app->Set(session, menu, game);
    VFUZZ_CHECK(menu->Init(g_app) == VORTAN_OK);
    VFUZZ_CHECK(menu->BuildMenu(800, 480, nullptr) == 1);
    menu->LogIn(size > 0 && (data[0] & 0x80));

    // Segments: one octet (bits 0-1: 0 a lobby message, 1 frames of bits 2-7 x 10 ms, 2 a page
    // of bits 2-7 shown, 3 a frame drawn), two octets of length, the bytes (a message's octets;
    // after a drawn frame, taps: two octets x and two y each, within 800 x 480).
    size_t at = 0;
    while (at + 3 <= size) {
        const int op = data[at] & 3, value = data[at] >> 2;
        size_t length = ((size_t)data[at + 1] << 8) | data[at + 2];
        at += 3;
        if (length > size - at)
            length = size - at;
        IOrloNetworkSession* current = g_app->GetNetworkSession();
        if (op == 0) {
            COrloNetworkSession* live = dynamic_cast<COrloNetworkSession*>(current);
            if (live && length > 0)
                live->ReassembleSocketData(0, data + at, (int)length);
        } else if (op == 1) {
            for (int i = 0; i <= value % 8; ++i) {
                menu->Update(0.01f * (float)(value + 1));
                g_app->Overlays(0.01f * (float)(value + 1), false);
            }
        } else if (op == 2) {
            menu->ShowPage(CVortanString(kPages[value % (sizeof(kPages) / sizeof(kPages[0]))]), 1);
        } else {
            menu->Update(0.016f);
            menu->Render();
            g_app->Overlays(0.016f, true);
            for (size_t k = 0; k + 4 <= length && k < 64; k += 4) {
                const int x = (((int)data[at + k] << 8) | data[at + k + 1]) % 800;
                const int y = (((int)data[at + k + 2] << 8) | data[at + k + 3]) % 480;
                menu->OnPointerDown(0, x, y);
                menu->Update(0.016f);
                menu->OnPointerUp(0, x, y);
                menu->Update(0.016f);
            }
        }
        at += length;
        g_app->DropRetired();
    }

    // The menu deletes the game it took in; the session is the application's (one that replaced
    // the first, which the application deleted).
    IOrloNetworkSession* last = g_app->GetNetworkSession();
    delete menu;
    g_app->Set(nullptr, nullptr, nullptr);
    if (last) {
        last->Shutdown();
        delete last;
    }
    g_app->DropRetired();
    return 0;
}
