// Game data from the opponent: the input is split into messages (each after a two-byte
// little-endian length) and handed to a running battle as the session would, between fixed
// steps of the game. Whatever arrives must be dropped or executed without harm; the battle's
// queues stay bounded by what was sent.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "fuzz/FuzzSupport.h"
#include "game/StateGame.h"
#include "game/VexPlayState.h"
#include "online/net/OrloLobby.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/PackWriter.h"

namespace {

class App : public COrlogateApplication {
public:
    App()
    {
        unsetenv("DISPLAY");
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
        // The game's language pack, with one text.
        const std::string text = "NAME=English\r\nCODE=en\r\n0=T0\r\n";
        std::string utf16;
        for (char c : text)
            utf16 += c, utf16 += '\0';
        vfuzz::WriteFile(vfuzz::ScratchFile("zorbixlanguage_0000.dmp"),
                         vtest::MakePack({{"/texts.txt", utf16}}));
    }
    int CreateSessionAndMenu() override { return VORTAN_OK; }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((vfuzz::ScratchDir() + "/").c_str());
        out.Append(fileName);
    }
};

// The game of the second player of a two-player lobby; what it sends goes nowhere.
class Game : public CStateGame {
public:
    Game()
    {
        m_players[0].playerId = 1;
        m_players[1].playerId = 2;
    }
    int GetOwnPlayerId() override { return 2; }
    int GetLobbyPlayerCount() override { return 2; }
    COrloPlayer* GetLobbyPlayer(int index) override
    {
        return index >= 0 && index < 2 ? &m_players[index] : nullptr;
    }
    void SendGameData(const u8*, int, int, int) override {}
    void ReportMatchEnd(const CVortanArray<i32>*, const CVortanArray<i32>*, int) override {}

private:
    COrloPlayer m_players[2];
};

App* g_app = nullptr;
Game* g_game = nullptr;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    if (!g_app) {
        g_app = new App();
        g_game = new Game();
        VFUZZ_CHECK(g_game->Init(g_app) == VORTAN_OK);
    }
    // A fresh battle waiting for the opponent's round start.
    g_game->StartMatch(0);
    CVexPlayState* battle = g_game->GetBattle();
    VFUZZ_CHECK(battle != nullptr);
    size_t at = 0;
    int messages = 0;
    while (at + 2 <= size && g_game->GetBattle()) {
        const size_t length = (size_t)data[at] | (size_t)data[at + 1] << 8;
        at += 2;
        const size_t n = length < size - at ? length : size - at;
        // A block of exactly the message's size, so that a read past it is seen.
        std::vector<u8> message(data + at, data + at + n);
        g_game->OnGameData(n ? message.data() : nullptr, (int)n);
        at += n;
        ++messages;
        if (CVexPlayState* b = g_game->GetBattle()) {
            b->Update(0.033f);
            VFUZZ_CHECK(b->GetAckQueue()->Count() <= messages);
            VFUZZ_CHECK(b->GetSeenWindow().GetSize() <= 101);
        }
    }
    return 0;
}
