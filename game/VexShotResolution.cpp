// CVexPlayState: what a fast-forwarded shot does to the battlefield: water, bombs going off at
// rest, blast and whip damage, the cluster burst, the snow freeze, squashed squibs, and the
// decision that the shot is over. Every consequence is posted as a timed message.
#include <math.h>

#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexEffectList.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexPlayState.h"
#include "game/VexProjectile.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"

namespace {
const u32 kGreen = 0xFF00FF00u;

// Blast and strike damage by material; the bouncy material takes none.
int MaterialDamage(int material)
{
    switch (material) {
    case VEX_MATERIAL_PAPER:
        return 160;
    case VEX_MATERIAL_METAL:
        return 80;
    case VEX_MATERIAL_ICE:
        return 240;
    default:
        return 0;
    }
}

int UnderWater(const CVexPhysicsBody* body)
{
    return body->position.y + 2.0f * body->halfSize.y < 0.0f;
}
} // namespace

void CVexPlayState::CheckWater()
{
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        if (!p.inPlay || !p.body || p.body->asleep)
            continue;
        if (UnderWater(p.body) && !p.inWater) {
            p.inWater = 1;
            m_game->PlaySound(8, 0, 0);
            m_waterPending = 1;
            m_waterTimer = 0.0f;
        }
    }
    for (int side = 0; side < 2; ++side)
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = Player(side).slots[slot];
            if (!projectile || !projectile->body || projectile->body->asleep)
                continue;
            if (UnderWater(projectile->body) && !projectile->inWater) {
                projectile->inWater = 1;
                m_game->PlaySound(4, 0, 0);
                m_waterPending = 1;
                m_waterTimer = 0.0f;
            }
        }
}

int CVexPlayState::CheckWaterAndSettle()
{
    if (m_settled)
        return 1;
    if (!m_shotInProgress)
        return 0;
    m_squibsStill = 1;
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        if (p.whip && !p.whipStruck && p.whipPhase > 1.5707964f) {
            p.whipStruck = 1;
            ResolveExplosion(side, VexScale(p.whipBase, -1.0f));
        }
    }
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        if (!p.inPlay || !p.body)
            continue;
        // A squib in play under water is out after the water time, and the shot waits for
        // it: also when its body fell asleep there, and when it went under before this shot
        // (its in-water flag already set, by the playback's sounds or a fall between shots).
        const int under = UnderWater(p.body);
        if (p.body->asleep && !under)
            continue;
        m_squibsStill = 0;
        if (!under)
            continue;
        if (!p.inWater) {
            p.inWater = 1;
            m_game->PlaySound(8, 0, 0);
            m_waterPending = 1;
            m_waterTimer = 0.0f;
        } else if (!m_waterPending) {
            m_waterPending = 1;
            m_waterTimer = 0.0f;
        }
        if (m_waterPending && m_waterTimer > m_waterLimit)
            PostPlayerOut(side, 1);
    }
    m_projectilesStill = 1;
    for (int side = 0; side < 2; ++side)
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = Player(side).slots[slot];
            if (!projectile || !projectile->body || projectile->body->asleep)
                continue;
            m_projectilesStill = 0;
            if (!UnderWater(projectile->body))
                continue;
            if (!projectile->inWater) {
                projectile->inWater = 1;
                m_game->PlaySound(4, 0, 0);
                m_waterPending = 1;
                m_waterTimer = 0.0f;
            }
            if (m_waterPending && m_waterTimer > m_waterLimit)
                PostProjectileGone(side, 1, slot);
        }

    if (m_squibsStill && m_projectilesStill) {
        CVexPlayer& shooter = Player(m_localSide);
        int any = 0;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = shooter.slots[slot];
            if (!projectile || !projectile->body)
                continue;
            any = 1;
            const CVortanVector2 at = projectile->body->position;
            PostPlaceProjectile(m_localSide, at, slot);
            PostExplosion(
                at, projectile->blastRadius, (int)projectile->type,
                projectile->type == VEX_PROJECTILE_STICKY ? kGreen : shooter.colour.ToARGB(), 1);
        }
        if (any)
            ResolveHits(m_localSide);

        int held[VEX_PLAYER_SLOTS];
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot)
            held[slot] = shooter.slots[slot] != nullptr;
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = shooter.slots[slot];
            if (!held[slot] || !projectile || projectile->type != VEX_PROJECTILE_CLUSTER ||
                !projectile->body)
                continue;
            const CVortanVector2 at = projectile->body->position;
            static const float kDirX[3] = {0.0f, 3.0f, -3.0f};
            for (int k = 0; k < 3; ++k) {
                CVortanVector2 direction(kDirX[k], -3.0f);
                direction.SetLength(0.15f);
                const int piece = PostSpawnProjectile(m_localSide, VEX_PROJECTILE_CLUSTER_PIECE);
                PostPlaceProjectile(m_localSide, at, piece);
                PostLaunchProjectile(m_localSide, VexScale(direction, -6.9f), piece);
                // A piece may land in a slot that was noted: it stays.
                held[piece & (VEX_PLAYER_SLOTS - 1)] = 0;
            }
            m_projectilesStill = 0;
        }
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot)
            if (held[slot])
                PostProjectileGone(m_localSide, 0, slot);

        m_settlePass = 1;
        if (m_squibsStill && m_projectilesStill) {
            m_queueEmpty = m_execution->HasRecords() ? 0 : 1;
            if (m_effects->GetCount() == 0)
                m_effectsDone = 1;
        }
    }
    if (m_waterTimer > m_waterLimit) {
        m_waterPending = 0;
        m_waterTimer = 0.0f;
    }
    if (m_squibsStill && m_projectilesStill && m_settlePass && m_queueEmpty && m_effectsDone) {
        if (!m_settlePosted) {
            PostSettlePositions();
            PostPhysicsSwitch(1);
            m_settlePosted = 1;
            return 0;
        }
        if (!m_shotFinished)
            FinishShot();
    }
    return m_settled;
}

void CVexPlayState::ApplyPendingBlocks()
{
    CVexBlockList* blocks = m_live->GetBlocks();
    for (int i = 0; i < blocks->GetCount(); ++i) {
        CVexBlock* block = blocks->GetAt(i);
        if (!block->pending)
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

void CVexPlayState::ResolveHits(int side)
{
    PostSettlePositions();
    m_live->FindBlocksAroundPlayers();
    int health[2] = {Player(0).health, Player(1).health};
    CVexCamera& camera = m_renderer->GetCamera();
    const CVexAssetTables& tables = CVexAssetTables::Get();
    CVexPlayer& shooter = Player(side);
    for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
        CVexProjectile* projectile = shooter.slots[slot];
        if (!projectile || !projectile->body)
            continue;
        const float radius = projectile->blastRadius;
        const u32 type = projectile->type;
        const CVortanVector2 centre = projectile->body->position;
        const int found = m_world->QueryRadius(centre, radius);
        for (int r = 0; r < found; ++r) {
            const CVexRadiusResult* result = m_world->GetRadiusResult(r);
            if (!result || !result->body)
                continue;
            CVexPhysicsBody* body = result->body;
            float f = (radius - result->distance) / radius;
            f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
            if (body->kind == VEX_BODY_STATIC) {
                CVexBlock* block = (CVexBlock*)body->owner;
                if (!block || m_live->GetBlocks()->FindById(block->id) != block)
                    continue;
                float drop = f * radius * 0.5f;
                if (type == VEX_PROJECTILE_STICKY)
                    drop *= 2.0f;
                CVortanVector2 v = result->offset;
                v.SetLength(2.0f * f);
                CVortanVector2 moved(body->position.x, body->position.y - drop);
                i8 ox, oy, nx, ny;
                camera.QuantizePosition(body->position, ox, oy);
                camera.QuantizePosition(moved, nx, ny);
                if (type == VEX_PROJECTILE_SNOW) {
                    PostBlockStick(block->id, 255, VEX_MATERIAL_ICE, 0, v, 0.75f, 0.15f,
                                   (1.0f - f) * -2.0f);
                    continue;
                }
                if (type == VEX_PROJECTILE_CLUSTER) {
                    nx = ox;
                    ny = oy;
                } else if (ny == oy) {
                    continue;
                }
                const int hitPoints = block->hitPoints - MaterialDamage(block->material);
                block->hitPoints = hitPoints;
                CVortanVector2 at;
                camera.DequantizePosition(nx, ny, at);
                const float halfHeight = tables.BlockSize((int)block->shape).y;
                if (at.y + halfHeight >= 0.0f && hitPoints > 64) {
                    PostBlockState(block->id, nx, ny, hitPoints, v);
                } else {
                    PostBlockDestroyed(block->id);
                    m_live->ForgetBlock(block->id);
                }
            } else if (body->kind == VEX_BODY_DYNAMIC) {
                int target = -1;
                for (int s = 0; s < 2; ++s)
                    if (Player(s).body == body && Player(s).inPlay)
                        target = s;
                if (target < 0)
                    continue;
                float distance = result->distance;
                const CVortanVector2 between = VexSub(body->position, centre);
                const float centres = between.Length();
                if (centres < body->halfSize.x + projectile->body->halfSize.x)
                    distance = centres;
                f = (radius - distance) / radius;
                f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
                CVortanVector2 unit = result->offset;
                unit.Normalize();
                const CVortanVector2 knock = VexScale(VexScale(unit, f), -0.12f);
                PostPlayerKnock(target, VexScale(knock, -6.9f), 1);
                const int damage = (int)(f * projectile->blastDamage);
                if (damage > 0) {
                    health[target] -= damage;
                    if (health[target] < 0)
                        health[target] = 0;
                    PostPlayerDamage(target, damage, health[target]);
                    if (health[target] < 1) {
                        PostPlayerOut(target, 0);
                        PostExplosion(body->position, 0.2f, 0, Player(target).colour.ToARGB(), 1);
                    }
                }
            }
        }
    }
    PostSquashCheck();
}

void CVexPlayState::ResolveExplosion(int side, const CVortanVector2& vector)
{
    CVexPlayer& striker = Player(side);
    if (!striker.body)
        return;
    const CVortanVector2 half = VexScale(striker.body->halfSize, 0.75f);
    const int found = m_world->QuerySweep(striker.body->position, half, vector);
    int d = (int)(vector.Length() / 0.4f * 26.0f);
    if (d > 25)
        d = 25;
    m_live->FindBlocksAroundPlayers();
    int health[2] = {Player(0).health, Player(1).health};
    CVexCamera& camera = m_renderer->GetCamera();
    const CVexAssetTables& tables = CVexAssetTables::Get();
    const int other = 1 - side;
    for (int i = 0; i < found; ++i) {
        CVexPhysicsBody* body = m_world->GetSweepResult(i);
        if (!body)
            continue;
        if (body->kind == VEX_BODY_STATIC) {
            CVexBlock* block = (CVexBlock*)body->owner;
            if (!block || m_live->GetBlocks()->FindById(block->id) != block)
                continue;
            const int hitPoints = block->hitPoints - MaterialDamage(block->material);
            block->hitPoints = hitPoints;
            i8 qx, qy;
            camera.QuantizePosition(CVortanVector2(body->position.x, body->position.y - 0.15f), qx,
                                    qy);
            const float halfHeight = tables.BlockSize((int)block->shape).y;
            if (body->position.y - 0.15f + halfHeight >= 0.0f && hitPoints > 64) {
                PostBlockState(block->id, qx, qy, hitPoints, vector);
            } else {
                PostBlockDestroyed(block->id);
                m_live->ForgetBlock(block->id);
            }
        } else if (body == Player(other).body && Player(other).inPlay && d > 0) {
            health[other] -= d;
            if (health[other] < 0)
                health[other] = 0;
            PostPlayerDamage(other, d, health[other]);
            if (health[other] < 1) {
                PostPlayerOut(other, 0);
                PostExplosion(body->position, 0.2f, 0, Player(other).colour.ToARGB(), 1);
            } else {
                PostPlayerKnock(other, VexScale(VexScale(vector, -0.35f), -6.9f), 1);
            }
        }
    }
    PostSquashCheck();
}

void CVexPlayState::OnSignal28()
{
    if (m_roundState != VEX_ROUND_OWN_TURN)
        return;
    CheckSquash(0);
    CheckSquash(1);
    PostPhysicsSwitch(1);
}

void CVexPlayState::CheckSquash(int side)
{
    CVexPlayer& p = Player(side);
    if (!p.inPlay || !p.body)
        return;
    const float epsilon = m_world->GetEpsilon();
    const float my = p.body->halfSize.y - epsilon;
    CVexBlockList* blocks = m_live->GetBlocks();
    const CVexAssetTables& tables = CVexAssetTables::Get();
    float lowest = 1000.0f, highest = -1000.0f;
    for (int i = 0; i < p.above.GetSize(); ++i)
        if (CVexBlock* b = blocks->FindById(p.above[i]))
            if (b->body) {
                const float bottom = b->body->position.y - tables.BlockSize((int)b->shape).y;
                if (bottom < lowest)
                    lowest = bottom;
            }
    for (int i = 0; i < p.below.GetSize(); ++i)
        if (CVexBlock* b = blocks->FindById(p.below[i]))
            if (b->body) {
                const float top = b->body->position.y + tables.BlockSize((int)b->shape).y;
                if (top > highest)
                    highest = top;
            }
    p.squashLowest = lowest;
    p.squashHighest = highest;
    if (p.above.GetSize() == 0)
        return;
    int squashed = lowest < highest;
    if (!squashed && p.body->position.y + my >= lowest) {
        p.body->position.y = lowest - my;
        PostSettlePositions();
        squashed = p.body->position.y - my < highest;
    }
    if (squashed) {
        PostPlayerOut(side, 2);
        PostExplosion(p.body->position, 0.2f, 0, p.colour.ToARGB(), 1);
    }
}
