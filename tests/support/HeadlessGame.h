// The game without a window, for the benchmarks and fuzz targets: the program's application
// on the drawing-free graphics with its resources read from a folder, the game of a two-player
// lobby whose messages go nowhere, and a language pack with one text.
#pragma once
#include <stdlib.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "game/StateGame.h"
#include "online/net/OrloLobby.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/PackWriter.h"

namespace headless {

// The application at 800 x 480 without a display, its resources named in the folder.
class App : public COrlogateApplication {
public:
    explicit App(const std::string& dir) : m_dir(dir)
    {
        unsetenv("DISPLAY");
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
    }
    int CreateSessionAndMenu() override { return VORTAN_OK; }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((m_dir + "/").c_str());
        out.Append(fileName);
    }

private:
    std::string m_dir;
};

// The game of player 1 or 2 of a two-player lobby; what it sends goes nowhere.
class Game : public CStateGame {
public:
    explicit Game(int ownPlayerId) : m_own(ownPlayerId)
    {
        m_players[0].playerId = 1;
        m_players[1].playerId = 2;
    }
    int GetOwnPlayerId() override { return m_own; }
    int GetLobbyPlayerCount() override { return 2; }
    COrloPlayer* GetLobbyPlayer(int index) override
    {
        return index >= 0 && index < 2 ? &m_players[index] : nullptr;
    }
    void SendGameData(const u8*, int, int, int) override {}
    void ReportMatchEnd(const CVortanArray<i32>*, const CVortanArray<i32>*, int) override {}

private:
    int m_own;
    COrloPlayer m_players[2];
};

// The bytes of the game's language pack "zorbixlanguage_0000.dmp": English, text 0 is "T0".
inline std::string LanguagePack()
{
    const std::string text = "NAME=English\r\nCODE=en\r\n0=T0\r\n";
    std::string utf16;
    for (char c : text)
        utf16 += c, utf16 += '\0';
    return vtest::MakePack({{"/texts.txt", utf16}});
}

} // namespace headless
