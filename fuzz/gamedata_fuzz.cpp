// Game data from the opponent: the input is split into messages (each after a two-byte
// little-endian length) and handed to a running battle as the session would, between fixed
// steps of the game. Whatever arrives must be dropped or executed without harm; the battle's
// queues stay bounded by what was sent.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "fuzz/FuzzSupport.h"
#include "game/StateGame.h"
#include "game/VexPlayState.h"
#include "tests/support/HeadlessGame.h"

namespace {

// The application with the game's language pack in the scratch folder.
headless::App* NewApp()
{
    vfuzz::WriteFile(vfuzz::ScratchFile("zorbixlanguage_0000.dmp"), headless::LanguagePack());
    return new headless::App(vfuzz::ScratchDir());
}

headless::App* g_app = nullptr;
headless::Game* g_game = nullptr; // the second player's: what it sends goes nowhere

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    if (!g_app) {
        g_app = NewApp();
        g_game = new headless::Game(2);
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
