// CVexScene: the battlefield of one battle or of the level editor: the two squibs with their
// projectiles, the blocks, the editor's markers and the three spawn points of each squib. It
// owns the blocks, the projectile records and the markers, not the physics world, the
// renderer with its camera or the game. It animates squibs and blocks each step, creates and
// removes projectiles, and reads and writes scene files.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanColor.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexBlockList.h"
#include "game/VexCamera.h"
#include "game/VexPhysicsListener.h"
#include "game/VexPlayer.h"
#include "game/VexProjectile.h"

class CStateGame;
class CVexRenderer;
class CVexPhysicsWorld;
class CVexSceneFile;

// Team colours of the two sides.
#define VEX_TEAM_COLOUR_0 0xFFFF5D37u
#define VEX_TEAM_COLOUR_1 0xFF3A92FFu

// Collision masks of the two squibs and of the projectiles of each side while they are still
// inside their own squib; a cluster piece takes one of the three piece masks by its slot.
#define VEX_SQUIB_MASK_0 0x11101u
#define VEX_SQUIB_MASK_1 0x11110u
#define VEX_SHOT_MASK_0 0x10u
#define VEX_SHOT_MASK_1 0x1u
#define VEX_PIECE_MASK_0 0x100u
#define VEX_PIECE_MASK_1 0x1000u
#define VEX_PIECE_MASK_2 0x10000u
#define VEX_SHOT_MASK_FREE 0x11111111u

// Half size of a marker read from a scene file.
#define VEX_MARKER_HALF_SIZE 0.03f

// An editor marker: a box around its centre.
struct CVexMarker {
    CVortanVector2 centre;
    CVortanVector2 halfSize;
};

class CVexScene : public IVexCameraScene, public IVexBodyWatcher {
public:
    // Both players, the team colours, zero spawn points, default header words, battle mode.
    CVexScene();
    // Removes the projectile, block and squib bodies from the world (when it still exists)
    // and deletes the projectiles, markers and blocks.
    virtual ~CVexScene();

    // Keeps the game, renderer and world, gives the camera this scene, makes the block list
    // over the world and, outside the editor, the two squibs (ResetPlayers).
    void Init(CStateGame* game, CVexRenderer* renderer, CVexPhysicsWorld* world, int editorMode);
    // For each side: a new squib body (the old one leaves the world), health 100, empty
    // projectile slots, in play, its index and team colour; player 0 at (-0.1, 0.1), player 1
    // at (0.1, 0.1), each looking at the other; the camera follows nothing.
    void ResetPlayers();
    // Blocks, every body of the world, camera, selection, squibs and markers back to start.
    void ClearScene();

    // --- scene files ----------------------------------------------------------------------
    // Clears the scene and loads the named file from the game's packs. 1 when the file was
    // there (a file cut short loads what is whole), 0 when it could not be had.
    int LoadScene(const CVortanString& name);
    // Reads a scene file beside the program (whole, at most VEX_SCENE_READ_LIMIT bytes) the
    // same way. 1, 0 when it cannot be read.
    int LoadSceneFile(const CVortanString& path);
    // Clears the scene and applies the file's bytes (the display name is left alone). The
    // parser's result: 1 whole, 4 cut short (what was whole is loaded), 2 nothing to read.
    int LoadSceneBytes(const u8* data, int size);
    // Writes the scene as version 110 beside the program, or in the user-data directory when
    // no file can be made there. 1; 10 when no file can be made in either place; 9 when a
    // write, the close or the rename fails (the old file stays as it was).
    int SaveScene(const CVortanString& path);
    // Writes the scene at exactly this path, through a temporary file beside it renamed into
    // place. 1; 10 when the temporary file cannot be made; 9 as above.
    int SaveSceneTo(const CVortanString& path);
    // The file's fields for the scene as it stands: the header words, three spawn entries of
    // each squib from its body position and colour, the blocks in list order, the markers.
    void MakeSceneFile(CVexSceneFile& file) const;

    // --- markers ----------------------------------------------------------------------------
    // A new marker appended; null when out of memory.
    CVexMarker* AddMarker(const CVortanVector2& centre, const CVortanVector2& halfSize);
    // Deletes the marker and every entry of the list that holds it.
    void RemoveMarker(CVexMarker* marker);
    void ClearMarkers();
    // The first marker whose box (edges included) contains the point, or null.
    CVexMarker* FindMarkerAt(const CVortanVector2& point) const;
    int GetMarkerCount() const { return m_markers.GetCount(); }
    CVexMarker* GetMarker(int i) const { return (CVexMarker*)m_markers.GetAt(i); }

    // --- projectiles ------------------------------------------------------------------------
    // A new projectile of the type in the player's slot, at the shooter's body, made the
    // world's active body. A projectile already in the slot goes first. Null for a player
    // other than 0 and 1, a slot outside 0..31, or without a world.
    CVexProjectile* CreateProjectile(int player, u32 type, int slot);
    // Removes the slot's projectile: its body leaves the world and the record is deleted.
    // Nothing for an empty slot or one outside 0..31.
    void RemoveProjectile(int player, int slot);

    // --- per step ---------------------------------------------------------------------------
    // Clock, contacts, block animation (when switched on) and, outside the editor, the squibs.
    void Step(float dt);
    // Facing, and projectiles leaving their own squib (and cluster pieces their siblings)
    // start to meet everything.
    void UpdateContacts();
    void AnimateBlocks(float dt);
    void AnimatePlayers(float dt);

    // --- queries for the battle -------------------------------------------------------------
    // Rebuilds each squib's lists of the blocks above and below it.
    void FindBlocksAroundPlayers();
    // Takes the block with this id out of both lists of both squibs.
    void ForgetBlock(int id);

    // --- drawing (VexScene_Draw.cpp) --------------------------------------------------------
    // The blocks of every layer in batches, with the drop shadows of upper layers when asked.
    void DrawWorld(int withShadows);
    // The two passes over the current batch.
    void DrawBlockShadows();
    void DrawBlockBatch();
    // One block's 16 vertices {x, y, z; nine-patch u, v; material u, v; shade} into `out`.
    static void BuildBlockMesh(float* out, const CVortanVector2& centre,
                               const CVortanVector2& halfSize, float shade);
    // Each squib idle (breathing) or stretched with its aim dots.
    void DrawPlayers();
    void DrawPlayer(int i);
    void DrawMarkers();
    // Damage numbers over and health under the squibs that show them.
    void DrawPlayerLabels();

    // Draw statistics of the last DrawWorld.
    int GetUpperLayersDrawn() const { return m_drawStats[0]; }
    int GetBatchesDrawn() const { return m_drawStats[1]; }
    int GetDrawCalls() const { return m_drawStats[2]; }
    // Block count of batch k (0 .. GetBatchesDrawn() - 1) of the last DrawWorld.
    int GetBatchSize(int k) const
    {
        return (k >= 0 && k < m_drawStats[1] && k < m_batchSizes.GetSize()) ? m_batchSizes[k] : 0;
    }
    // Aim dots drawn by the last DrawPlayer of this side.
    int GetAimDotsDrawn(int i) const { return m_aimDots[i & 1]; }
    // Test seam: the milliseconds the squibs breathe by (negative: the application's timer).
    void SetDrawTimeMs(i64 ms) { m_drawTimeMs = ms; }

    // --- snapshot copies --------------------------------------------------------------------
    static void CopyCamera(CVexCamera& to, const CVexCamera& from);
    // The record field by field except the slots, slot counter, whip state, look-at body,
    // block lists and body pointer; the copy stops aiming; the copy's body takes the
    // source body's state (keeping its own owner).
    static void CopyPlayer(CVexPlayer& to, const CVexPlayer& from);
    // Id, variant, material, layer, shape and hit points; the copy's wobble is zero and its
    // body takes the source body's state at rest (zero velocity and impulses, previous =
    // position), keeping its own owner.
    static void CopyBlock(CVexBlock& to, const CVexBlock& from);

    // --- fields -----------------------------------------------------------------------------
    CVexPlayer& GetPlayer(int i) { return m_players[i & 1]; }
    const CVexPlayer& GetPlayer(int i) const { return m_players[i & 1]; }
    CVexBlockList* GetBlocks() const { return m_blocks; }
    CVexPhysicsWorld* GetWorld() const { return m_world; }
    CVexRenderer* GetRenderer() const { return m_renderer; }
    CStateGame* GetGame() const { return m_game; }
    const CVortanString& GetName() const { return m_name; }
    void SetName(const CVortanString& name) { m_name = name; }
    // Spawn point k (0..2) of player p (0, 1).
    const CVortanVector2& GetSpawn(int p, int k) const { return m_spawns[p & 1][k % 3]; }
    void SetSpawn(int p, int k, const CVortanVector2& point) { m_spawns[p & 1][k % 3] = point; }
    const u32* GetHeaderA() const { return m_headerA; }
    const u32* GetHeaderB() const { return m_headerB; }
    u32 GetBlockAnimation() const { return m_blockAnimation; }
    void SetBlockAnimation(u32 on) { m_blockAnimation = on; }
    int GetSelectedBlock() const { return m_selectedBlock; }
    void SetSelectedBlock(int id) { m_selectedBlock = id; }
    int IsEditor() const { return m_editorMode; }
    float GetClock() const { return m_clock; }
    const CVortanColor& GetTeamColour(int i) const { return m_teamColours[i & 1]; }

    // IVexCameraScene: a squib still in play, or a projectile in any slot.
    int IsBodyInPlay(const CVexPhysicsBody* body) const override;
    // IVexBodyWatcher: a body that leaves the world is forgotten; so is a world that goes.
    void OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body) override;
    void OnWorldDestroyed(CVexPhysicsWorld* world) override;

private:
    CVexScene(const CVexScene&) = delete;
    CVexScene& operator=(const CVexScene&) = delete;

    // The camera of the renderer, or null.
    CVexCamera* Camera() const;
    float WorldScale() const;
    void Dequantize(i8 x, i8 y, CVortanVector2& out) const;
    void Quantize(const CVortanVector2& v, i8& x, i8& y) const;
    void DeleteProjectiles();
    // Applies a scene file's bytes to the cleared scene; the parser's result.
    int ApplySceneBytes(const u8* data, int size);
    void Watch(CVexPhysicsWorld* world);
    void AllocateDrawBuffers();
    void FreeDrawBuffers();
    // A batch of the layer's blocks of one material and variant that do not overlap.
    int CollectBatch(const CVortanPtrArray& layer, int material, int variant, int& skipped);
    void DrawIdle(int i);
    void DrawStretched(int i);
    void DrawAimDots(int i);
    u32 DrawTimeMs() const;

    i32 m_drawStats[3]; // upper layers with blocks, batches, GL draw calls
    u32 m_blockAnimation;
    CVortanColor m_teamColours[2];
    CVexPlayer m_players[2];
    CVexBlockList* m_blocks;
    CVexRenderer* m_renderer;
    CVexPhysicsWorld* m_world;
    CStateGame* m_game;
    i32 m_selectedBlock;
    CVortanString m_name;
    CVortanPtrArray m_markers; // CVexMarker*, owned
    u32 m_headerA[4];
    u32 m_headerB[16];
    CVortanVector2 m_spawns[2][3];
    u32 m_editorMode;
    float m_clock;
    CVortanPtrArray m_batch;        // CVexBlock*, the batch being drawn
    CVortanArray<int> m_batchSizes; // one entry per drawn batch (kept, not shrunk)
    u8* m_batchFlags;               // 255: drawn flag per block of the current layer
    float* m_shadowVertices;        // 255 quads x 4 x {x, y, z, u, v}
    u16* m_shadowIndices;           // 255 quads x 6
    u16* m_blockIndices;            // 255 blocks x 54
    i32 m_aimDots[2];
    i64 m_drawTimeMs;
};

// What LoadSceneFile reads of a file at most: more than any scene file can hold.
#define VEX_SCENE_READ_LIMIT 8192
