// CVexScene: reading scene files from the packs or beside the program.
#include <string.h>

#include <vector>

#include "engine/VortanFile.h"
#include "game/StateGame.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexScene.h"
#include "game/VexSceneFile.h"
#include "platform/OrloApplication.h"

int CVexScene::LoadScene(const CVortanString& name)
{
    ClearScene();
    // The display name: without the last four characters (".scn"), "_" shown as spaces. A
    // name shorter than that is kept whole.
    int keep = name.GetLength() >= 4 ? name.GetLength() - 4 : name.GetLength();
    m_name = CVortanString(name, 0, keep);
    m_name.ReplaceAll(CVortanString("_"), CVortanString(" "));

    COrloApplication* application = m_game ? m_game->GetHostApplication() : nullptr;
    if (!application)
        return 0;
    char* buffer = nullptr;
    int size = application->ReadResourceFile(name, &buffer);
    if (!buffer || size <= 0) {
        delete[] buffer;
        return 0;
    }
    ApplySceneBytes((const u8*)buffer, size);
    delete[] buffer;
    return 1;
}

int CVexScene::ApplySceneBytes(const u8* data, int size)
{
    CVexSceneFile file;
    int result = file.Parse(data, size);
    for (int i = 0; i < 4; ++i)
        m_headerA[i] = file.wordsA[i];
    for (int i = 0; i < 16; ++i)
        m_headerB[i] = file.wordsB[i];

    // Each squib goes to its spawn points in turn, so it ends on spawn point 2. Points the
    // file does not hold (it is cut short) are the origin, not the last scene's.
    if (!m_editorMode) {
        for (int p = 0; p < 2; ++p) {
            for (int k = 0; k < 3; ++k)
                m_spawns[p][k].Set(0.0f, 0.0f);
        }
    }
    for (int p = 0; p < 2; ++p) {
        CVexPlayer& player = m_players[p];
        for (int k = 0; k < file.spawnCount[p]; ++k) {
            CVortanVector2 point;
            Dequantize(file.spawns[p][k].x, file.spawns[p][k].y, point);
            player.colour = m_teamColours[p];
            if (player.body)
                player.body->position = point;
            if (!m_editorMode) {
                m_spawns[p][k] = point;
                if (player.body)
                    player.body->position = point;
            }
        }
    }
    // Ids come again from 32 in file order; a record the list refuses is skipped.
    for (int i = 0; i < file.blockCount && m_blocks; ++i) {
        const CVexSceneBlockRecord& b = file.blocks[i];
        CVortanVector2 point;
        Dequantize(b.x, b.y, point);
        m_blocks->AddBlock(b.shape, point, b.material, b.variant, b.layer);
    }
    const CVortanVector2 markerHalf(VEX_MARKER_HALF_SIZE, VEX_MARKER_HALF_SIZE);
    for (int i = 0; i < file.markerCount; ++i) {
        CVortanVector2 point;
        Dequantize(file.markers[i].x, file.markers[i].y, point);
        AddMarker(point, markerHalf);
    }
    m_selectedBlock = -1;
    return result;
}
