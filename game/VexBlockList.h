// CVexBlockList: the blocks of one battlefield in the order they were added, each with a
// static body in the scene's physics world and an id from 32 to 254.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexBlock.h"
#include "game/VexPhysicsListener.h"

class CVexPhysicsWorld;

// Block ids run from 32 to 254, so a list holds at most 223 blocks.
#define VEX_BLOCK_FIRST_ID 32
#define VEX_BLOCK_LAST_ID 254
#define VEX_BLOCK_MAX 223

// Collision mask of block bodies.
#define VEX_BLOCK_MASK 0x11111111u

// The list watches its world: a block whose body leaves the world (the world cleared, or
// gone) forgets the body instead of keeping a dangling pointer.
class CVexBlockList : public IVexBodyWatcher {
public:
    // No world, no blocks.
    CVexBlockList();
    // Deletes every block (their bodies are the scene's to remove).
    virtual ~CVexBlockList();

    // Deletes the blocks and works over the world from now on.
    void SetWorld(CVexPhysicsWorld* world);
    CVexPhysicsWorld* GetWorld() const { return m_world; }

    // A new block with the smallest free id from 32 and a static body at the position with
    // the shape's size (restitution 0.8 for bouncy blocks, else 0.15; friction 0.75). Null
    // when the shape is not 0..39, no id is free, there is no world or the body cannot be
    // made.
    CVexBlock* AddBlock(u32 shape, const CVortanVector2& position, u8 material, u8 variant,
                        u8 layer);
    // The first block with the id, or null.
    CVexBlock* FindById(int id) const;
    // Removes the first block with the id: its body leaves the world, the block is deleted
    // and the others keep their order. Nothing when absent.
    void RemoveById(int id);
    // Deletes every block (the bodies are removed by the scene).
    void Clear();

    int GetCount() const { return m_blocks.GetCount(); }
    CVexBlock* GetAt(int i) const { return (CVexBlock*)m_blocks.GetAt(i); }

    // IVexBodyWatcher
    void OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body) override;
    void OnWorldDestroyed(CVexPhysicsWorld* world) override;

private:
    CVexBlockList(const CVexBlockList&) = delete;
    CVexBlockList& operator=(const CVexBlockList&) = delete;

    CVexPhysicsWorld* m_world;
    CVortanPtrArray m_blocks; // CVexBlock*, owned, in the order added
};
