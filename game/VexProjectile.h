// CVexProjectile: one projectile in flight, held in a squib's projectile slot; its body lives
// in the physics world.
#pragma once
#include "engine/VortanTypes.h"

class CVexPhysicsBody;

// Projectile types.
enum {
    VEX_PROJECTILE_BOMB = 0,
    VEX_PROJECTILE_STICKY = 1,
    VEX_PROJECTILE_CLUSTER = 2,
    VEX_PROJECTILE_CLUSTER_PIECE = 3,
    VEX_PROJECTILE_SNOW = 4
};

// Owner tags of the two sides (also the body's owner value).
enum { VEX_OWNER_TAG_0 = 10, VEX_OWNER_TAG_1 = 20 };

class CVexProjectile {
public:
    CVexProjectile()
        : type(0), ownerTag(0), state(0), blastRadius(0.0f), blastDamage(0.0f), inWater(0),
          link(-1), body(nullptr)
    {}

    u32 type;          // VEX_PROJECTILE_*
    u8 ownerTag;       // VEX_OWNER_TAG_*
    u8 state;          // 0 at creation; the battle's
    float blastRadius; // 0.3, or 0.6 for the snow bomb
    float blastDamage; // 60 for the bomb, 30 for the others
    i32 inWater;       // set by the battle when it falls into the water
    i32 link;          // -1 at creation; the battle's
    CVexPhysicsBody* body;
};
