// CVexPhysicsBody: one axis-aligned box of the physics world, and the description it is made
// from. Bodies never rotate; the world owns them and moves the dynamic ones.
#pragma once
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CVexPhysicsWorld;

// Body kinds (bit values, so that queries can take a mask of kinds).
enum { VEX_BODY_STATIC = 1, VEX_BODY_KINEMATIC = 2, VEX_BODY_DYNAMIC = 4 };

// Collision mask of a new body: it meets every other body.
enum : u32 { VEX_MASK_ALL = 0xFFFFFFFFu };

// What AddBody copies into a new body.
struct CVexPhysicsBodyDesc {
    CVexPhysicsBodyDesc();

    CVortanVector2 position; // centre
    CVortanVector2 halfSize; // half width, half height
    u32 kind;                // VEX_BODY_*
    u32 group;               // bits tested by QueryPoint
    u32 id;
    float weight; // shares corrections and impulses between bodies
    float restitution;
    float friction;
};

// Indices of a body's bounds (written by QueryRadius).
enum { VEX_BOUND_MIN_X = 0, VEX_BOUND_MIN_Y = 1, VEX_BOUND_MAX_X = 2, VEX_BOUND_MAX_Y = 3 };

class CVexPhysicsBody {
public:
    // A body as AddBody makes it from the description: previous position (-1000, -1000),
    // every vector not in the description zero, asleep 0, mask VEX_MASK_ALL, no owner.
    explicit CVexPhysicsBody(const CVexPhysicsBodyDesc& desc);

    // Takes every field of `from` except the owner pointer and the world link (so a body of
    // a snapshot world can mirror a body of the live world).
    void CopyState(const CVexPhysicsBody& from);

    // Box edges from the centre and the half size.
    float MinX() const { return position.x - halfSize.x; }
    float MinY() const { return position.y - halfSize.y; }
    float MaxX() const { return position.x + halfSize.x; }
    float MaxY() const { return position.y + halfSize.y; }
    // Writes centre -/+ half size into bounds[].
    void UpdateBounds();

    int IsStatic() const { return kind == VEX_BODY_STATIC; }
    int IsKinematic() const { return kind == VEX_BODY_KINEMATIC; }
    int IsDynamic() const { return kind == VEX_BODY_DYNAMIC; }

    CVortanVector2 position;
    CVortanVector2 previous;         // position at the end of the last step
    CVortanVector2 stepStart;        // position when the current step began (dynamic bodies)
    CVortanVector2 stepDisplacement; // position - step start, after the step (dynamic bodies)
    CVortanVector2 velocity;         // world units per step
    CVortanVector2 spare;
    CVortanVector2 halfSize;
    CVortanVector2 impulseSum; // contact impulses of the last step (and block pushes)
    CVortanVector2 push;       // cleared by QueryRadius; a block's displacement from a message
    u32 kind;                  // VEX_BODY_*
    u32 group;
    u32 asleep;     // set after 1 s at rest; cleared by the owners
    u32 mask;       // two bodies interact when their masks share a bit
    float restTime; // seconds without movement
    u32 id;
    float weight;
    float restitution;
    float friction;
    u32 ownerValue;
    void* owner;             // the block or projectile record; not owned
    float bounds[4];         // VEX_BOUND_*; written by QueryRadius
    CVexPhysicsWorld* world; // the world that holds the body

private:
    CVexPhysicsBody(const CVexPhysicsBody&) = delete;
    CVexPhysicsBody& operator=(const CVexPhysicsBody&) = delete;
};
