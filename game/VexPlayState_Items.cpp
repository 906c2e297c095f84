// CVexPlayState: shop items in the battle: a hat (drawn on the squib, extra health), a snow
// or cluster bomb for button 8, and a battleground that replaces the background pictures.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "game/StateGame.h"
#include "game/VexPlayState.h"
#include "game/VexScene.h"
#include "platform/OrloApplication.h"

namespace {
const int kBattleImage = 3;
const int kUniqueImage = 4;

CVortanString Lower(const char* text)
{
    CVortanString s(text ? text : "");
    s.MakeLower();
    return s;
}
} // namespace

void CVexPlayState::ReleaseItemImages()
{
    COrloApplication* app = m_game ? m_game->GetHostApplication() : nullptr;
    ReleaseShade();
    if (!app || !m_live)
        return;
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        if (p.hatImage)
            app->ReleaseSurface(p.hatImage);
        p.hatImage = nullptr;
    }
    if (Player(m_localSide).hasBattleground) {
        m_game->GetGameContext()->ReleaseImage(app, kBattleImage);
        m_game->GetGameContext()->ReleaseImage(app, kUniqueImage);
    }
}

void CVexPlayState::LoadShopItem(int side, int item, int valueA, int valueB)
{
    COrloApplication* app = m_game->GetHostApplication();
    if (item < 0 || !app || !ValidSide(side))
        return;
    CVortanString packPath;
    if (app->GetItemPackPath(valueB, packPath) != VORTAN_OK || packPath.IsEmpty())
        return;
    if (app->OpenPack(packPath, 1) != VORTAN_OK)
        return;
    char name[32];
    snprintf(name, sizeof name, "%d.xml", valueA);
    char* bytes = nullptr;
    const int size = app->ReadResourceFile(CVortanString(name), &bytes);
    if (!bytes || size <= 0) {
        delete[] bytes;
        return;
    }
    CVortanXMLDataNode root;
    const int parsed = root.LoadMemory(bytes, size);
    CVortanXMLDataNode* document = root.GetChildCount() > 0 ? root.GetFirstChild() : nullptr;
    CVortanXMLDataNode* attributes =
        parsed == VORTAN_OK && document ? document->FindChild("attributes", 0) : nullptr;
    if (!attributes) {
        delete[] bytes;
        return;
    }
    const int variable = attributes->GetInt("$variable", 0);
    CVortanString type = Lower(attributes->GetValueNode("$type", ""));
    CVexPlayer& p = Player(side);
    if (type == CVortanString("hat")) {
        // The extra health is the description's: both devices give it, whether or not the
        // picture loads here.
        if (p.hatImage)
            app->ReleaseSurface(p.hatImage);
        p.hatImage = app->GetSurface(Lower(attributes->GetValueNode("$filename", "")));
        p.hatValue = variable;
        p.hatItem = item;
        p.hatPackValues[0] = valueA;
        p.hatPackValues[1] = valueB;
        p.hasHat = 1;
        if (!m_turnActive)
            p.health = 100 + variable;
    } else if (type == CVortanString("cluster")) {
        p.bombItem = item;
        p.clusterBombOwned = 1;
        m_clusterItem[side] = item;
    } else if (type == CVortanString("snow")) {
        p.bombItem = item;
        p.snowBombOwned = 1;
        m_snowItem[side] = item;
    } else if (type == CVortanString("battleground") && side == m_localSide) {
        CVexGameContext* context = m_game->GetGameContext();
        const int a = context->LoadImage(app, kBattleImage,
                                         Lower(attributes->GetValueNode("$battlefilename", "")));
        const int b = context->LoadImage(app, kUniqueImage,
                                         Lower(attributes->GetValueNode("$uniquefilename", "")));
        if (a == 1 && b == 1) {
            p.hasBattleground = 1;
            p.battlegroundItem = item;
            p.battlegroundPackA = valueA;
            p.battlegroundPackB = valueB;
        } else {
            context->ReleaseImage(app, kBattleImage);
            context->ReleaseImage(app, kUniqueImage);
            p.hasBattleground = 0;
        }
    }
    if (side == m_localSide && (type == CVortanString("cluster") || type == CVortanString("snow")))
        LayoutButtons(1), SetRoundState(m_roundState);
    delete[] bytes;
}
