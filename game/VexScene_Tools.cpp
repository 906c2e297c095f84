// What of a scene no battle uses: the level editor's markers found and removed, and its saving
// (CVexScene's file of the scene as it stands, written to a temporary file and renamed into
// place, and CVexSceneFile's writer of the layout); and the readers of scene bytes and of a
// file beside the program, which only the tests, the benchmarks and the fuzz target call.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "game/StateGame.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexScene.h"
#include "game/VexSceneFile.h"
#include "platform/OrloApplication.h"

namespace {

// A path held one byte per unit, as the file layer hands it to the C library.
std::string PathBytes(const CVortanString& path)
{
    std::string out;
    out.reserve((size_t)path.GetLength());
    for (int i = 0; i < path.GetLength(); ++i)
        out += (char)(path.GetAt(i) & 0xFF);
    return out;
}

} // namespace

int CVexSceneFile::Write(u8* out) const
{
    u8* p = out;
    memcpy(p, "v110", 4);
    p += 4;
    for (int i = 0; i < 4; ++i, p += 4)
        VortanWriteLE32(p, wordsA[i]);
    for (int i = 0; i < 16; ++i, p += 4)
        VortanWriteLE32(p, wordsB[i]);
    *p++ = 2;
    for (int player = 0; player < 2; ++player) {
        for (int k = 0; k < 3; ++k) {
            const CVexSceneSpawn& s = spawns[player][k];
            *p++ = (u8)s.x;
            *p++ = (u8)s.y;
            VortanWriteLE32(p, s.colour);
            p += 4;
        }
    }
    int n = blockCount < 0                       ? 0
            : blockCount > VEX_SCENE_MAX_RECORDS ? VEX_SCENE_MAX_RECORDS
                                                 : blockCount;
    *p++ = (u8)n;
    for (int i = 0; i < n; ++i) {
        const CVexSceneBlockRecord& b = blocks[i];
        *p++ = (u8)b.x;
        *p++ = (u8)b.y;
        *p++ = b.shape;
        *p++ = b.material;
        *p++ = b.variant;
        *p++ = b.layer;
    }
    n = markerCount < 0                       ? 0
        : markerCount > VEX_SCENE_MAX_RECORDS ? VEX_SCENE_MAX_RECORDS
                                              : markerCount;
    *p++ = (u8)n;
    for (int i = 0; i < n; ++i) {
        *p++ = (u8)markers[i].x;
        *p++ = (u8)markers[i].y;
    }
    return (int)(p - out);
}

void CVexScene::MakeSceneFile(CVexSceneFile& file) const
{
    file = CVexSceneFile();
    file.version = VEX_SCENE_V110;
    for (int i = 0; i < 4; ++i)
        file.wordsA[i] = m_headerA[i];
    for (int i = 0; i < 16; ++i)
        file.wordsB[i] = m_headerB[i];
    file.playerCount = 2;
    for (int p = 0; p < 2; ++p) {
        const CVexPlayer& player = m_players[p];
        i8 x = 0, y = 0;
        if (player.body)
            Quantize(player.body->position, x, y);
        else
            Quantize(m_spawns[p][2], x, y);
        file.spawnCount[p] = 3;
        for (int k = 0; k < 3; ++k) {
            file.spawns[p][k].x = x;
            file.spawns[p][k].y = y;
            file.spawns[p][k].colour = player.colour.ToARGB();
        }
    }
    int blocks = m_blocks ? m_blocks->GetCount() : 0;
    for (int i = 0; i < blocks && file.blockCount < VEX_SCENE_MAX_RECORDS; ++i) {
        const CVexBlock* block = m_blocks->GetAt(i);
        CVexSceneBlockRecord& r = file.blocks[file.blockCount++];
        r.x = r.y = 0;
        if (block->body)
            Quantize(block->body->position, r.x, r.y);
        r.shape = (u8)block->shape;
        r.material = block->material;
        r.variant = block->variant;
        r.layer = block->layer;
    }
    for (int i = 0; i < m_markers.GetCount() && file.markerCount < VEX_SCENE_MAX_RECORDS; ++i) {
        CVexSceneMarkerRecord& r = file.markers[file.markerCount++];
        Quantize(GetMarker(i)->centre, r.x, r.y);
    }
}

int CVexScene::SaveSceneTo(const CVortanString& path)
{
    CVexSceneFile file;
    MakeSceneFile(file);
    u8 bytes[VEX_SCENE_MAX_WRITE_BYTES];
    int size = file.Write(bytes);
    return CVortanFile::WriteReplacing(PathBytes(path).c_str(), bytes, (size_t)size, true);
}

int CVexScene::SaveScene(const CVortanString& path)
{
    IVortanApplication* application = m_game ? m_game->GetHostApplication() : nullptr;
    if (!application)
        return VORTAN_E_OPEN;
    CVortanString beside;
    application->GetResourcePath(beside, path);
    int result = SaveSceneTo(beside);
    if (result != VORTAN_E_OPEN)
        return result;
    // The program's directory takes no new file: the scene goes to the user's data.
    CVortanString user;
    if (application->GetUserDataPath(user, path) != VORTAN_OK)
        return result;
    return SaveSceneTo(user);
}

void CVexScene::RemoveMarker(CVexMarker* marker)
{
    if (!marker)
        return;
    bool held = false;
    for (int i = m_markers.GetCount() - 1; i >= 0; --i) {
        if (m_markers.GetAt(i) == marker) {
            m_markers.RemoveAt(i);
            held = true;
        }
    }
    if (held)
        delete marker;
}

void CVexScene::ClearMarkers()
{
    for (int i = 0; i < m_markers.GetCount(); ++i)
        delete GetMarker(i);
    m_markers.RemoveAll();
}

CVexMarker* CVexScene::FindMarkerAt(const CVortanVector2& point) const
{
    for (int i = 0; i < m_markers.GetCount(); ++i) {
        CVexMarker* m = GetMarker(i);
        if (point.x >= m->centre.x - m->halfSize.x && point.x <= m->centre.x + m->halfSize.x &&
            point.y >= m->centre.y - m->halfSize.y && point.y <= m->centre.y + m->halfSize.y)
            return m;
    }
    return nullptr;
}

int CVexScene::LoadSceneFile(const CVortanString& path)
{
    ClearScene();
    IVortanApplication* application = m_game ? m_game->GetHostApplication() : nullptr;
    CVortanString full;
    if (application)
        application->GetResourcePath(full, path);
    else
        full = path;
    CVortanFile file;
    if (file.Open(full, VORTAN_FILE_READ) != VORTAN_OK)
        return 0;
    // A scene file is a few kilobytes at most; anything past the limit cannot belong to one.
    std::vector<u8> bytes(VEX_SCENE_READ_LIMIT);
    int size = file.Read(bytes.data(), (int)bytes.size());
    file.Close();
    if (size <= 0)
        return 0;
    ApplySceneBytes(bytes.data(), size);
    return 1;
}

int CVexScene::LoadSceneBytes(const u8* data, int size)
{
    ClearScene();
    return ApplySceneBytes(data, size);
}
