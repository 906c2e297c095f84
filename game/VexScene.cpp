// CVexScene: set-up, squibs, markers, projectiles, the per-step animation, the block queries
// and the snapshot copies.
#include "game/VexScene.h"

#include <math.h>
#include <new>

#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexSceneFile.h"

namespace {

// A square dynamic box of group 1 at (0, y), friction 0.5: the squibs' and projectiles' bodies.
void FillDynamicBoxDesc(CVexPhysicsBodyDesc& desc, float y, float halfSize, float weight,
                        float restitution)
{
    desc.position.Set(0.0f, y);
    desc.halfSize.Set(halfSize, halfSize);
    desc.kind = VEX_BODY_DYNAMIC;
    desc.group = 1;
    desc.id = 0;
    desc.weight = weight;
    desc.restitution = restitution;
    desc.friction = 0.5f;
}

// The squib's body: a dynamic box of 0.1 x 0.1.
void FillSquibDesc(CVexPhysicsBodyDesc& desc)
{
    FillDynamicBoxDesc(desc, 0.1f, 0.05f, 20.0f, 0.05f);
}

float Clamp(float v, float low, float high)
{
    return v < low ? low : v > high ? high : v;
}

int IsPieceMask(u32 mask)
{
    return mask == VEX_PIECE_MASK_0 || mask == VEX_PIECE_MASK_1 || mask == VEX_PIECE_MASK_2;
}

} // namespace

CVexScene::CVexScene()
    : m_blockAnimation(0), m_blocks(nullptr), m_renderer(nullptr), m_world(nullptr),
      m_game(nullptr), m_selectedBlock(-1), m_editorMode(0), m_clock(0.0f), m_batchFlags(nullptr),
      m_shadowVertices(nullptr), m_shadowIndices(nullptr), m_blockIndices(nullptr), m_drawTimeMs(-1)
{
    AllocateDrawBuffers();
    m_teamColours[0].SetARGB(VEX_TEAM_COLOUR_0);
    m_teamColours[1].SetARGB(VEX_TEAM_COLOUR_1);
    for (int p = 0; p < 2; ++p) {
        for (int k = 0; k < 3; ++k)
            m_spawns[p][k].Set(0.0f, 0.0f);
    }
    CVexSceneFile::DefaultHeader(m_headerA, m_headerB);
}

CVexScene::~CVexScene()
{
    DeleteProjectiles();
    ClearMarkers();
    if (m_blocks) {
        for (int i = 0; i < m_blocks->GetCount(); ++i) {
            CVexBlock* block = m_blocks->GetAt(i);
            if (m_world && block->body)
                m_world->RemoveBody(block->body);
        }
        delete m_blocks;
        m_blocks = nullptr;
    }
    for (int p = 0; p < 2; ++p) {
        if (m_world && m_players[p].body)
            m_world->RemoveBody(m_players[p].body);
    }
    if (CVexCamera* camera = Camera()) {
        if (camera->GetScene() == this)
            camera->SetScene(nullptr);
    }
    Watch(nullptr);
    FreeDrawBuffers();
}

void CVexScene::Watch(CVexPhysicsWorld* world)
{
    CVexPhysicsWorld::MoveWatcher(this, m_world, world);
}

void CVexScene::Init(CStateGame* game, CVexRenderer* renderer, CVexPhysicsWorld* world,
                     int editorMode)
{
    m_game = game;
    m_renderer = renderer;
    Watch(world);
    if (CVexCamera* camera = Camera())
        camera->SetScene(this);
    if (!m_blocks)
        m_blocks = new CVexBlockList();
    m_blocks->SetWorld(world);
    m_editorMode = editorMode ? 1 : 0;
    m_blockAnimation = 0;
    m_clock = 0.0f;
    for (int i = 0; i < 3; ++i)
        m_drawStats[i] = 0;
    if (!m_editorMode)
        ResetPlayers();
}

CVexCamera* CVexScene::Camera() const
{
    return m_renderer ? &m_renderer->GetCamera() : nullptr;
}

float CVexScene::WorldScale() const
{
    CVexCamera* camera = Camera();
    if (camera)
        return camera->GetWorldScale();
    CVexCamera standard;
    return standard.GetWorldScale();
}

void CVexScene::Dequantize(i8 x, i8 y, CVortanVector2& out) const
{
    if (CVexCamera* camera = Camera()) {
        camera->DequantizePosition(x, y, out);
        return;
    }
    CVexCamera standard;
    standard.DequantizePosition(x, y, out);
}

void CVexScene::Quantize(const CVortanVector2& v, i8& x, i8& y) const
{
    if (CVexCamera* camera = Camera()) {
        camera->QuantizePosition(v, x, y);
        return;
    }
    CVexCamera standard;
    standard.QuantizePosition(v, x, y);
}

void CVexScene::DeleteProjectiles()
{
    for (int p = 0; p < 2; ++p) {
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot)
            RemoveProjectile(p, slot);
    }
}

void CVexScene::ResetPlayers()
{
    if (!m_world)
        return;
    for (int i = 0; i < 2; ++i) {
        CVexPlayer& player = m_players[i];
        FillSquibDesc(player.bodyDesc);
        if (player.body)
            m_world->RemoveBody(player.body);
        player.body = m_world->AddBody(player.bodyDesc);
        player.health = 100;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot)
            RemoveProjectile(i, slot);
        player.inPlay = 1;
        player.index = (u8)i;
        player.colour = m_teamColours[i];
        player.labelSize.Set(0.2f, 0.2f);
        // A new scene's squib stands unstretched, whatever the last one did.
        player.aim.Set(0.0f, 0.0f);
        player.stretch.Set(0.0f, 0.0f);
        player.stretching = 0;
        player.aiming = 0;
    }
    static const float kStartX[2] = {-0.1f, 0.1f};
    static const u32 kMasks[2] = {VEX_SQUIB_MASK_0, VEX_SQUIB_MASK_1};
    for (int i = 0; i < 2; ++i) {
        CVexPhysicsBody* body = m_players[i].body;
        if (!body)
            continue;
        body->position.Set(kStartX[i], 0.1f);
        body->ownerValue = (u32)i;
        body->owner = &m_players[i];
        body->mask = kMasks[i];
    }
    m_players[0].SetLookAt(m_players[1].body);
    m_players[1].SetLookAt(m_players[0].body);
    if (CVexCamera* camera = Camera())
        camera->FollowNone();
}

void CVexScene::ClearScene()
{
    if (m_blocks)
        m_blocks->Clear();
    DeleteProjectiles();
    if (m_world)
        m_world->Clear();
    if (CVexCamera* camera = Camera())
        camera->FollowNone();
    m_selectedBlock = -1;
    ResetPlayers();
    ClearMarkers();
}

// --- markers ---------------------------------------------------------------------------------

CVexMarker* CVexScene::AddMarker(const CVortanVector2& centre, const CVortanVector2& halfSize)
{
    CVexMarker* marker = new (std::nothrow) CVexMarker;
    if (!marker)
        return nullptr;
    marker->centre = centre;
    marker->halfSize = halfSize;
    if (m_markers.Add(marker) != VORTAN_OK) {
        delete marker;
        return nullptr;
    }
    return marker;
}

// --- projectiles -----------------------------------------------------------------------------

CVexProjectile* CVexScene::CreateProjectile(int player, u32 type, int slot)
{
    if (player < 0 || player > 1 || slot < 0 || slot >= VEX_PLAYER_SLOTS || !m_world)
        return nullptr;
    RemoveProjectile(player, slot);
    CVexProjectile* projectile = new (std::nothrow) CVexProjectile();
    if (!projectile)
        return nullptr;
    projectile->type = type;
    if (type <= VEX_PROJECTILE_SNOW) {
        projectile->blastRadius = type == VEX_PROJECTILE_SNOW ? 0.6f : 0.3f;
        projectile->blastDamage = type == VEX_PROJECTILE_BOMB ? 60.0f : 30.0f;
    }
    projectile->inWater = 0;
    projectile->link = -1;

    CVexPhysicsBodyDesc desc;
    FillDynamicBoxDesc(desc, 1000.0f, 0.025f, 15.0f, 0.2f);
    CVexPhysicsBody* body = m_world->AddBody(desc);
    if (!body) {
        delete projectile;
        return nullptr;
    }
    CVexPlayer& shooter = m_players[player];
    body->velocity.Set(0.0f, 0.0f);
    if (shooter.body)
        body->position = shooter.body->position;
    body->owner = projectile;
    if (type == VEX_PROJECTILE_CLUSTER_PIECE) {
        static const u32 kPieceMasks[3] = {VEX_PIECE_MASK_0, VEX_PIECE_MASK_1, VEX_PIECE_MASK_2};
        body->mask = kPieceMasks[slot % 3];
    } else {
        body->mask = player == 0 ? VEX_SHOT_MASK_0 : VEX_SHOT_MASK_1;
    }
    projectile->ownerTag = player == 0 ? VEX_OWNER_TAG_0 : VEX_OWNER_TAG_1;
    body->ownerValue = projectile->ownerTag;
    projectile->body = body;
    shooter.slots[slot] = projectile;
    m_world->SetActiveBody(body);
    return projectile;
}

void CVexScene::RemoveProjectile(int player, int slot)
{
    if (player < 0 || player > 1 || slot < 0 || slot >= VEX_PLAYER_SLOTS)
        return;
    CVexProjectile* projectile = m_players[player].slots[slot];
    if (!projectile)
        return;
    m_players[player].slots[slot] = nullptr;
    if (m_world && projectile->body)
        m_world->RemoveBody(projectile->body);
    delete projectile;
}

// --- per step --------------------------------------------------------------------------------

void CVexScene::Step(float dt)
{
    m_clock += dt;
    UpdateContacts();
    if (m_blockAnimation)
        AnimateBlocks(dt);
    if (!m_editorMode)
        AnimatePlayers(dt);
}

void CVexScene::UpdateContacts()
{
    m_players[0].SetLookAt(m_players[1].body);
    m_players[1].SetLookAt(m_players[0].body);
    for (int p = 0; p < 2; ++p) {
        CVexPlayer& player = m_players[p];
        const u32 ownMask = p == 0 ? VEX_SHOT_MASK_0 : VEX_SHOT_MASK_1;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = player.slots[slot];
            if (!projectile || !projectile->body)
                continue;
            CVexPhysicsBody* body = projectile->body;
            if (body->mask == ownMask &&
                (!player.body || !CVexPhysicsWorld::BodiesOverlap(*body, *player.body)))
                body->mask = VEX_SHOT_MASK_FREE;
            m_players[0].SetLookAt(body);
            m_players[1].SetLookAt(body);
            if (IsPieceMask(body->mask)) {
                bool touching = false;
                for (int other = 0; other < VEX_PLAYER_SLOTS && !touching; ++other) {
                    CVexProjectile* sibling = player.slots[other];
                    touching = other != slot && sibling && sibling->body &&
                               CVexPhysicsWorld::BodiesOverlap(*body, *sibling->body);
                }
                if (!touching)
                    body->mask = VEX_SHOT_MASK_FREE;
            }
        }
    }
    m_players[0].UpdateFacing();
    m_players[1].UpdateFacing();
}

void CVexScene::AnimateBlocks(float dt)
{
    if (!m_blocks)
        return;
    for (int i = 0; i < m_blocks->GetCount(); ++i) {
        CVexBlock* block = m_blocks->GetAt(i);
        if (block->body) {
            block->wobble.x += block->body->impulseSum.x * 0.8f;
            block->wobble.y += block->body->impulseSum.y * 0.8f;
        }
        block->wobble.x *= 0.9f;
        block->wobble.y *= 0.9f;
        block->wobble.y *= 0.7f;
        block->wobble.x = Clamp(block->wobble.x, -0.1f, 0.1f);
        block->wobble.y = Clamp(block->wobble.y, -0.1f, 0.1f);
        block->displayedHitPoints +=
            (int)((float)(block->hitPoints - block->displayedHitPoints) * 0.1f);
        if (!block->pending)
            continue;
        block->delayCounter += dt;
        if (!(block->delayCounter > 0.0f))
            continue;
        block->variant = block->pendingVariant;
        block->material = block->pendingMaterial;
        block->hitPoints = block->pendingHitPoints;
        if (block->body) {
            block->body->restitution = block->pendingRestitution;
            block->body->friction = block->pendingFriction;
        }
        block->pending = 0;
    }
}

void CVexScene::AnimatePlayers(float dt)
{
    for (int p = 0; p < 2; ++p) {
        CVexPlayer& player = m_players[p];
        if (player.showDamage) {
            player.labelRise += 0.0025f;
            if (player.labelRise > 0.3f) {
                player.showDamage = 0;
                for (int i = 0; i < VEX_PLAYER_SLOTS; ++i)
                    player.damageNumbers[i] = 0;
                player.labelRise = 0.3001f;
            }
        } else {
            for (int i = 0; i < VEX_PLAYER_SLOTS; ++i)
                player.damageNumbers[i] = 0;
        }
        if (player.whip) {
            if (player.body) {
                player.body->asleep = 0;
                player.body->restTime = 0.0f;
            }
            player.stretching = 1;
            player.whipPhase += dt * 12.0f;
            float s = sinf(player.whipPhase);
            if (s < 0.0f) {
                player.stretching = 0;
                player.whip = 0;
                player.stretch.Set(0.0f, 0.0f);
            } else {
                player.stretch.Set(player.whipBase.x * -s, player.whipBase.y * -s);
            }
        }
        if (m_renderer) {
            float w = m_renderer->GetViewWidth() / 20.0f;
            player.labelSize.Set(w, w);
        }
    }
}

// --- queries ---------------------------------------------------------------------------------

void CVexScene::FindBlocksAroundPlayers()
{
    const float epsilon = m_world ? m_world->GetEpsilon() : 1e-5f;
    const float reach = 2.0f * WorldScale();
    for (int p = 0; p < 2; ++p) {
        CVexPlayer& player = m_players[p];
        player.above.RemoveAll();
        player.below.RemoveAll();
        CVexPhysicsBody* squib = player.body;
        if (!squib || !m_blocks)
            continue;
        const float half = squib->halfSize.x - 2.0f * epsilon;
        const float probe[4] = {squib->position.x - half, squib->position.y - reach,
                                squib->position.x + half, squib->position.y + reach};
        const float top = squib->position.y + squib->halfSize.y;
        for (int i = 0; i < m_blocks->GetCount(); ++i) {
            CVexBlock* block = m_blocks->GetAt(i);
            CVexPhysicsBody* body = block->body;
            if (!body)
                continue;
            body->UpdateBounds();
            if (!CVexPhysicsWorld::BoxesOverlap(body->bounds, probe))
                continue;
            if (body->position.y > top)
                player.above.SetAtGrow(player.above.GetSize(), block->id);
            else if (body->position.y < squib->position.y)
                player.below.SetAtGrow(player.below.GetSize(), block->id);
        }
    }
}

void CVexScene::ForgetBlock(int id)
{
    if (!m_blocks)
        return;
    for (int p = 0; p < 2; ++p) {
        CVortanArray<int>* lists[2] = {&m_players[p].above, &m_players[p].below};
        for (CVortanArray<int>* list : lists) {
            for (int i = list->GetSize() - 1; i >= 0; --i) {
                CVexBlock* block = m_blocks->FindById((*list)[i]);
                if (block && block->id == id)
                    list->RemoveAt(i);
            }
        }
    }
}

// --- snapshot copies -------------------------------------------------------------------------

void CVexScene::CopyCamera(CVexCamera& to, const CVexCamera& from)
{
    to.CopyFrom(from);
}

void CVexScene::CopyPlayer(CVexPlayer& to, const CVexPlayer& from)
{
    if (&to == &from)
        return;
    to.inPlay = from.inPlay;
    to.inWater = from.inWater;
    to.strikes = from.strikes;
    to.labelRise = from.labelRise;
    for (int i = 0; i < VEX_PLAYER_SLOTS; ++i)
        to.damageNumbers[i] = from.damageNumbers[i];
    to.showDamage = from.showDamage;
    to.labelAnchor = from.labelAnchor;
    to.firePulse = from.firePulse;
    to.hatImage = from.hatImage;
    to.hatValue = from.hatValue;
    to.hatItem = from.hatItem;
    to.hatPackValues[0] = from.hatPackValues[0];
    to.hatPackValues[1] = from.hatPackValues[1];
    to.hasHat = from.hasHat;
    to.hasBattleground = from.hasBattleground;
    to.battlegroundPackB = from.battlegroundPackB;
    to.battlegroundItem = from.battlegroundItem;
    to.battlegroundPackA = from.battlegroundPackA;
    to.bombUsed = from.bombUsed;
    to.snowBombOwned = from.snowBombOwned;
    to.clusterBombOwned = from.clusterBombOwned;
    to.bombItem = from.bombItem;
    to.playerId = from.playerId;
    to.weapon = from.weapon;
    to.aim = from.aim;
    to.stretch = from.stretch;
    to.labelSize = from.labelSize;
    to.whipOffset = from.whipOffset;
    to.zoom = from.zoom;
    to.squashLowest = from.squashLowest;
    to.squashHighest = from.squashHighest;
    to.stretching = from.stretching;
    to.name = from.name;
    to.health = from.health;
    to.facingFrame = from.facingFrame;
    to.facingAngle = from.facingAngle;
    to.roundWins = from.roundWins;
    to.index = from.index;
    to.reserved[0] = from.reserved[0];
    to.reserved[1] = from.reserved[1];
    for (int i = 0; i < 3; ++i)
        to.extra[i] = from.extra[i];
    to.colour = from.colour;
    to.bodyDesc = from.bodyDesc;
    to.aiming = 0;
    if (to.body && from.body)
        to.body->CopyState(*from.body);
}

void CVexScene::CopyBlock(CVexBlock& to, const CVexBlock& from)
{
    if (&to == &from)
        return;
    to.id = from.id;
    to.variant = from.variant;
    to.material = from.material;
    to.layer = from.layer;
    to.shape = from.shape;
    to.hitPoints = from.hitPoints;
    to.displayedHitPoints = from.displayedHitPoints;
    to.wobble.Set(0.0f, 0.0f);
    if (to.body && from.body) {
        to.body->CopyState(*from.body);
        to.body->velocity.Set(0.0f, 0.0f);
        to.body->impulseSum.Set(0.0f, 0.0f);
        to.body->previous = to.body->position;
    }
}

// --- watching --------------------------------------------------------------------------------

int CVexScene::IsBodyInPlay(const CVexPhysicsBody* body) const
{
    if (!body)
        return 0;
    for (int p = 0; p < 2; ++p) {
        const CVexPlayer& player = m_players[p];
        if (body == player.body && player.inPlay)
            return 1;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            if (player.slots[slot] && player.slots[slot]->body == body)
                return 1;
        }
    }
    return 0;
}

void CVexScene::OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body)
{
    (void)world;
    for (int p = 0; p < 2; ++p) {
        CVexPlayer& player = m_players[p];
        if (player.body == body)
            player.body = nullptr;
        if (player.lookAt == body)
            player.lookAt = nullptr;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            if (player.slots[slot] && player.slots[slot]->body == body)
                player.slots[slot]->body = nullptr;
        }
    }
}

void CVexScene::OnWorldDestroyed(CVexPhysicsWorld* world)
{
    if (world != m_world)
        return;
    for (int p = 0; p < 2; ++p) {
        CVexPlayer& player = m_players[p];
        player.body = nullptr;
        player.lookAt = nullptr;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            if (player.slots[slot])
                player.slots[slot]->body = nullptr;
        }
    }
    m_world = nullptr;
}
