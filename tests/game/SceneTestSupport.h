// Shared pieces of the scene tests: the program's application without a window (its graphics
// the drawing-free extension, its resources the real resource manager), and a game with its
// renderer, physics world and one battle scene over them.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/TestSupport.h"

namespace scenetest {

class HeadlessApp : public COrlogateApplication {
public:
    HeadlessApp(int width = 800, int height = 480)
    {
        unsetenv("DISPLAY");
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(width, height);
        COrloResourceManager::Init(this, nullptr);
    }
    ~HeadlessApp() override { COrloResourceManager::ReleaseAll(); }
    int CreateSessionAndMenu() override { return 1; }
};

inline CVortanString S(const std::string& text)
{
    return CVortanString(text.c_str());
}

// The game, its renderer and its live world (1/30 s, 4 sub-steps), and a battle scene.
class Battle {
public:
    Battle() : world(game.GetGameContext())
    {
        game.Init(&app);
        renderer.Init(&game);
        world.Init(1.0f / 30.0f, 4);
        scene.Init(&game, &renderer, &world, 0);
    }
    // The game's scenes pack, as the build makes it beside the program.
    bool OpenScenes() { return app.OpenPack(S(vtest::BinaryDir() + "/dataScenes.dmp"), 1) == 1; }
    // The whole named entry of the open packs, as the resource manager reads it.
    std::string ReadEntry(const CVortanString& name)
    {
        char* buffer = nullptr;
        int size = app.ReadResourceFile(name, &buffer);
        std::string bytes = buffer && size > 0 ? std::string(buffer, (size_t)size) : "";
        delete[] buffer;
        return bytes;
    }

    HeadlessApp app;
    CStateGame game;
    CVexRenderer renderer;
    CVexPhysicsWorld world;
    CVexScene scene;
};

} // namespace scenetest
