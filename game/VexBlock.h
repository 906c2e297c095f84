// CVexBlock: one block of a battlefield, a box of paper, metal, ice or bouncy material with a
// static body in the physics world, identified by a one-byte id.
#pragma once
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CVexPhysicsBody;

// Block materials.
enum {
    VEX_MATERIAL_PAPER = 0,
    VEX_MATERIAL_METAL = 1,
    VEX_MATERIAL_ICE = 2,
    VEX_MATERIAL_BOUNCY = 3
};

class CVexBlock {
public:
    CVexBlock()
        : id(0), variant(0), material(0), layer(0), shape(0), hitPoints(255),
          displayedHitPoints(255), body(nullptr), wobble(0.0f, 0.0f), pending(0),
          delayCounter(1.0f), pendingVariant(0), pendingMaterial(0), pendingHitPoints(255),
          pendingFriction(0.5f), pendingRestitution(0.5f)
    {}

    u8 id;
    u8 variant;  // texture variant 0..3 (3 draws nothing)
    u8 material; // VEX_MATERIAL_*
    u8 layer;    // drawing layer 0..3
    u32 shape;   // row of the block-size table, 0..39
    i32 hitPoints;
    i32 displayedHitPoints; // follows the hit points for drawing
    CVexPhysicsBody* body;  // owned by the world
    CVortanVector2 wobble;  // drawing offset animated by the scene
    // A change that waits until the delay counter, counting up by the step's seconds, is
    // above 0 (a snow bomb's freeze).
    u32 pending;
    float delayCounter;
    u8 pendingVariant;
    u8 pendingMaterial;
    i32 pendingHitPoints;
    float pendingFriction;
    float pendingRestitution;

private:
    CVexBlock(const CVexBlock&) = delete;
    CVexBlock& operator=(const CVexBlock&) = delete;
};
