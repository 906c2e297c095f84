// CVexBlockList: adding blocks with their bodies, finding and removing them by id.
#include "game/VexBlockList.h"

#include <new>

#include "game/VexAssetTables.h"
#include "game/VexPhysicsWorld.h"

CVexBlockList::CVexBlockList() : m_world(nullptr) {}

CVexBlockList::~CVexBlockList()
{
    Clear();
    if (m_world)
        m_world->RemoveWatcher(this);
}

void CVexBlockList::SetWorld(CVexPhysicsWorld* world)
{
    Clear();
    CVexPhysicsWorld::MoveWatcher(this, m_world, world);
}

CVexBlock* CVexBlockList::AddBlock(u32 shape, const CVortanVector2& position, u8 material,
                                   u8 variant, u8 layer)
{
    if (shape >= VEX_BLOCK_SHAPE_COUNT || !m_world)
        return nullptr;
    // The smallest id from 32 that no block holds.
    bool used[256] = {};
    for (int i = 0; i < m_blocks.GetCount(); ++i)
        used[GetAt(i)->id] = true;
    int id = VEX_BLOCK_FIRST_ID;
    while (id <= VEX_BLOCK_LAST_ID && used[id])
        ++id;
    if (id > VEX_BLOCK_LAST_ID)
        return nullptr;
    CVexBlock* block = new (std::nothrow) CVexBlock();
    if (!block)
        return nullptr;
    block->id = (u8)id;
    block->variant = variant;
    block->material = material;
    block->layer = layer;
    block->shape = shape;

    CVexPhysicsBodyDesc desc;
    desc.position = position;
    desc.halfSize = CVexAssetTables::Get().BlockSize((int)shape);
    desc.kind = VEX_BODY_STATIC;
    desc.group = 1;
    desc.id = 0;
    desc.weight = 0.0f;
    desc.restitution = material == VEX_MATERIAL_BOUNCY ? 0.8f : 0.15f;
    desc.friction = 0.75f;
    CVexPhysicsBody* body = m_world->AddBody(desc);
    if (!body || m_blocks.Add(block) != VORTAN_OK) {
        if (body)
            m_world->RemoveBody(body);
        delete block;
        return nullptr;
    }
    body->owner = block;
    body->ownerValue = (u32)id;
    body->mask = VEX_BLOCK_MASK;
    block->body = body;
    return block;
}

CVexBlock* CVexBlockList::FindById(int id) const
{
    for (int i = 0; i < m_blocks.GetCount(); ++i) {
        CVexBlock* block = GetAt(i);
        if (block->id == id)
            return block;
    }
    return nullptr;
}

void CVexBlockList::RemoveById(int id)
{
    for (int i = 0; i < m_blocks.GetCount(); ++i) {
        CVexBlock* block = GetAt(i);
        if (block->id != id)
            continue;
        m_blocks.RemoveAt(i);
        if (m_world && block->body)
            m_world->RemoveBody(block->body);
        delete block;
        return;
    }
}

void CVexBlockList::Clear()
{
    for (int i = 0; i < m_blocks.GetCount(); ++i)
        delete GetAt(i);
    m_blocks.RemoveAll();
}

void CVexBlockList::OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body)
{
    (void)world;
    for (int i = 0; i < m_blocks.GetCount(); ++i) {
        CVexBlock* block = GetAt(i);
        if (block->body == body)
            block->body = nullptr;
    }
}

void CVexBlockList::OnWorldDestroyed(CVexPhysicsWorld* world)
{
    if (world != m_world)
        return;
    for (int i = 0; i < m_blocks.GetCount(); ++i)
        GetAt(i)->body = nullptr;
    m_world = nullptr;
}
