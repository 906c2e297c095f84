// The test-only dump of what both sides of an online battle must agree on after a shot: the
// round fields, both squibs, every block and every projectile slot, floats as their bits.
#pragma once
#include <string>

// The battle tests reach the scene's parts through this header.
#include "game/VexBlockList.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPlayState.h"
#include "game/VexProjectile.h"
#include "game/VexScene.h"
#include "game/VexStateDump.h"

namespace btest {

inline std::string Digest(CVexPlayState* battle)
{
    std::string out;
    VexBattleDigest(battle, out);
    return out;
}

} // namespace btest
