// CVexSceneFile: the bounded reader of the scene file layout.
#include "game/VexSceneFile.h"

#include <string.h>

namespace {

// Reads forward through a buffer; every read says whether its bytes were there.
class Cursor {
public:
    Cursor(const u8* data, int size, int at) : m_data(data), m_size(size), m_at(at) {}
    int Left() const { return m_size - m_at; }
    bool Byte(u8& out)
    {
        if (Left() < 1)
            return false;
        out = m_data[m_at++];
        return true;
    }
    bool Word(u32& out)
    {
        if (Left() < 4)
            return false;
        out = VortanReadLE32(m_data + m_at);
        m_at += 4;
        return true;
    }
    bool Skip(int n)
    {
        if (n < 0 || Left() < n)
            return false;
        m_at += n;
        return true;
    }
    const u8* Take(int n)
    {
        if (n < 0 || Left() < n)
            return nullptr;
        const u8* p = m_data + m_at;
        m_at += n;
        return p;
    }

private:
    const u8* m_data;
    int m_size;
    int m_at;
};

} // namespace

CVexSceneFile::CVexSceneFile()
    : version(VEX_SCENE_UNTAGGED), playerCount(0), blockCount(0), markerCount(0)
{
    DefaultHeader(wordsA, wordsB);
    spawnCount[0] = spawnCount[1] = 0;
    memset(spawns, 0, sizeof spawns);
    memset(blocks, 0, sizeof blocks);
    memset(markers, 0, sizeof markers);
}

void CVexSceneFile::DefaultHeader(u32 a[4], u32 b[16])
{
    for (int i = 0; i < 4; ++i)
        a[i] = (u32)i;
    for (int i = 0; i < 16; ++i)
        b[i] = (u32)(i % 4);
}

int CVexSceneFile::Parse(const u8* data, int size)
{
    *this = CVexSceneFile();
    if (!data || size < 1)
        return VORTAN_E_ARGUMENT;

    int start = 0;
    if (size >= 4 && data[0] == 'v' && data[1] == '1' && data[3] == '0' &&
        (data[2] == '0' || data[2] == '1')) {
        version = data[2] == '1' ? VEX_SCENE_V110 : VEX_SCENE_V100;
        if (size < VEX_SCENE_HEADER_BYTES)
            return VORTAN_E_MALFORMED;
        for (int i = 0; i < 4; ++i)
            wordsA[i] = VortanReadLE32(data + 4 + 4 * i);
        for (int i = 0; i < 16; ++i)
            wordsB[i] = VortanReadLE32(data + 20 + 4 * i);
        start = VEX_SCENE_HEADER_BYTES;
    }
    Cursor in(data, size, start);

    u8 count;
    if (!in.Byte(count))
        return VORTAN_E_MALFORMED;
    playerCount = count;
    for (int p = 0; p < playerCount; ++p) {
        if (p >= 2) {
            if (!in.Skip(VEX_SCENE_PLAYER_BYTES))
                return VORTAN_E_MALFORMED;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            const u8* entry = in.Take(VEX_SCENE_SPAWN_BYTES);
            if (!entry)
                return VORTAN_E_MALFORMED;
            spawns[p][k].x = (i8)entry[0];
            spawns[p][k].y = (i8)entry[1];
            spawns[p][k].colour = VortanReadLE32(entry + 2);
            spawnCount[p] = k + 1;
        }
    }

    if (!in.Byte(count))
        return VORTAN_E_MALFORMED;
    for (int i = 0; i < count; ++i) {
        const u8* record = in.Take(VEX_SCENE_BLOCK_BYTES);
        if (!record)
            return VORTAN_E_MALFORMED;
        CVexSceneBlockRecord& b = blocks[blockCount++];
        b.x = (i8)record[0];
        b.y = (i8)record[1];
        b.shape = record[2];
        b.material = record[3];
        b.variant = record[4];
        b.layer = record[5];
    }

    if (version != VEX_SCENE_V110)
        return VORTAN_OK;
    if (!in.Byte(count))
        return VORTAN_E_MALFORMED;
    for (int i = 0; i < count; ++i) {
        const u8* record = in.Take(VEX_SCENE_MARKER_BYTES);
        if (!record)
            return VORTAN_E_MALFORMED;
        markers[markerCount].x = (i8)record[0];
        markers[markerCount].y = (i8)record[1];
        ++markerCount;
    }
    return VORTAN_OK;
}
