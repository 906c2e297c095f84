// The scene file reader: the input is a scene file (".scn"), parsed and loaded into a battle
// scene over a live physics world. Whatever the bytes, the scene stays within its limits (at
// most 223 blocks, every one of a known shape with its body in the world, the markers the file
// gave whole) and what it would save reads back as the same bytes.
#include <string.h>

#include "fuzz/FuzzSupport.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexScene.h"
#include "game/VexSceneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > VEX_SCENE_READ_LIMIT)
        return 0;
    const int n = (int)size;
    CVexSceneFile file;
    const int parsed = file.Parse(data, n);
    VFUZZ_CHECK(parsed == VORTAN_OK || parsed == VORTAN_E_MALFORMED ||
                (n == 0 && parsed == VORTAN_E_ARGUMENT));
    VFUZZ_CHECK(file.blockCount <= 255 && file.markerCount <= 255);

    static CVexPhysicsWorld* world = nullptr;
    static CVexScene* scene = nullptr;
    if (!world) {
        world = new CVexPhysicsWorld();
        world->Init(1.0f / 30.0f, 4);
        scene = new CVexScene();
        scene->Init(nullptr, nullptr, world, 0);
    }
    VFUZZ_CHECK(scene->LoadSceneBytes(data, n) == parsed);
    CVexBlockList* blocks = scene->GetBlocks();
    VFUZZ_CHECK(blocks->GetCount() <= 223 && blocks->GetCount() <= file.blockCount);
    for (int i = 0; i < blocks->GetCount(); ++i)
        VFUZZ_CHECK(blocks->GetAt(i)->shape < 40 && blocks->GetAt(i)->body);
    VFUZZ_CHECK(scene->GetMarkerCount() == file.markerCount);
    VFUZZ_CHECK(world->GetBodyCount() == 2 + blocks->GetCount());
    // A few steps over whatever the file built.
    for (int i = 0; i < 3; ++i) {
        scene->Step(1.0f / 30.0f);
        world->Step();
    }

    CVexSceneFile made, again;
    scene->MakeSceneFile(made);
    u8 out[VEX_SCENE_MAX_WRITE_BYTES], twice[VEX_SCENE_MAX_WRITE_BYTES];
    const int written = made.Write(out);
    VFUZZ_CHECK(again.Parse(out, written) == VORTAN_OK);
    VFUZZ_CHECK(again.Write(twice) == written && memcmp(out, twice, (size_t)written) == 0);
    return 0;
}
