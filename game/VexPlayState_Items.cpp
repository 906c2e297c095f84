// CVexPlayState: shop items in the battle: a hat (drawn on the squib, extra health), a snow
// or cluster bomb for button 8, and a battleground that replaces the background pictures.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "game/StateGame.h"
#include "game/VexButton.h"
#include "game/VexItemDescription.h"
#include "game/VexPlayState.h"
#include "game/VexScene.h"
#include "platform/OrloApplication.h"

namespace {
const int kBattleImage = 3;
const int kUniqueImage = 4;
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
    SVexItemDescription description;
    const int parsed = VexReadItemDescription(bytes, size, &description);
    delete[] bytes;
    if (parsed != VORTAN_OK)
        return;
    const int variable = description.variable;
    const int type = description.type;
    CVexPlayer& p = Player(side);
    if (type == VEX_ITEM_HAT) {
        // The extra health is the description's: both devices give it, whether or not the
        // picture loads here.
        if (p.hatImage)
            app->ReleaseSurface(p.hatImage);
        p.hatImage = app->GetSurface(description.filename);
        p.hatValue = variable;
        p.hatItem = item;
        p.hatPackValues[0] = valueA;
        p.hatPackValues[1] = valueB;
        p.hasHat = 1;
        if (!m_turnActive)
            p.health = 100 + variable;
    } else if (type == VEX_ITEM_CLUSTER) {
        p.bombItem = item;
        p.clusterBombOwned = 1;
        m_clusterItem[side] = item;
        m_bombPack[side][0] = valueA;
        m_bombPack[side][1] = valueB;
    } else if (type == VEX_ITEM_SNOW) {
        p.bombItem = item;
        p.snowBombOwned = 1;
        m_snowItem[side] = item;
        m_bombPack[side][0] = valueA;
        m_bombPack[side][1] = valueB;
    } else if (type == VEX_ITEM_BATTLEGROUND && side == m_localSide) {
        CVexGameContext* context = m_game->GetGameContext();
        const int a = context->LoadImage(app, kBattleImage, description.battleFilename);
        const int b = context->LoadImage(app, kUniqueImage, description.uniqueFilename);
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
    if (side == m_localSide && (type == VEX_ITEM_CLUSTER || type == VEX_ITEM_SNOW)) {
        // Button 8 is laid out again only when its picture changes: a bomb applied again
        // (new graphics) leaves the buttons and the round as they are.
        CVexButton* eight = Button(VEX_BTN_SHOP_BOMB);
        if (!eight || eight->imageId != ShopBombImage())
            LayoutButtons(1), SetRoundState(m_roundState);
    }
}
