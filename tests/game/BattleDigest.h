// The test-only dump of what both sides of an online battle must agree on after a shot: the
// round fields, both squibs, every block and every projectile slot, floats as their bits.
#pragma once
#include <stdio.h>
#include <string.h>

#include <string>

#include "game/VexBlockList.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPlayState.h"
#include "game/VexProjectile.h"
#include "game/VexScene.h"

namespace btest {

inline void Bits(std::string& out, float value)
{
    u32 bits;
    memcpy(&bits, &value, sizeof bits);
    char text[16];
    snprintf(text, sizeof text, "%08x ", bits);
    out += text;
}

inline void Int(std::string& out, long long value)
{
    out += std::to_string(value);
    out += ' ';
}

inline std::string Digest(CVexPlayState* battle)
{
    std::string out;
    CVexScene* scene = battle->GetLiveScene();
    Int(out, battle->GetTurnSide());
    Int(out, battle->GetWinner());
    Int(out, battle->IsGameOver());
    for (int side = 0; side < 2; ++side) {
        const CVexPlayer& p = scene->GetPlayer(side);
        out += "| ";
        Int(out, p.roundWins);
        Int(out, p.inPlay);
        Int(out, p.health);
        if (p.body) {
            Bits(out, p.body->position.x);
            Bits(out, p.body->position.y);
            Bits(out, p.body->velocity.x);
            Bits(out, p.body->velocity.y);
        }
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            const CVexProjectile* projectile = p.slots[slot];
            if (!projectile)
                continue;
            out += "s";
            Int(out, slot);
            Int(out, projectile->type);
            if (projectile->body) {
                Bits(out, projectile->body->position.x);
                Bits(out, projectile->body->position.y);
                Bits(out, projectile->body->velocity.x);
                Bits(out, projectile->body->velocity.y);
            }
        }
    }
    CVexBlockList* blocks = scene->GetBlocks();
    out += "| ";
    for (int i = 0; i < blocks->GetCount(); ++i) {
        const CVexBlock* block = blocks->GetAt(i);
        out += "b";
        Int(out, block->id);
        Int(out, block->shape);
        Int(out, block->material);
        Int(out, block->variant);
        Int(out, block->layer);
        Int(out, block->hitPoints);
        Int(out, block->pending);
        if (block->body) {
            Bits(out, block->body->position.x);
            Bits(out, block->body->position.y);
        }
    }
    return out;
}

} // namespace btest
