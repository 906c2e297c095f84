// CVexPhysicsBody: construction from a description and the state copy.
#include "game/VexPhysicsBody.h"

CVexPhysicsBodyDesc::CVexPhysicsBodyDesc()
    : position(0.0f, 0.0f), halfSize(0.0f, 0.0f), kind(VEX_BODY_STATIC), group(1), id(0),
      weight(0.0f), restitution(0.5f), friction(0.5f)
{}

CVexPhysicsBody::CVexPhysicsBody(const CVexPhysicsBodyDesc& desc)
    : position(desc.position), previous(-1000.0f, -1000.0f), stepStart(0.0f, 0.0f),
      stepDisplacement(0.0f, 0.0f), velocity(0.0f, 0.0f), spare(0.0f, 0.0f),
      halfSize(desc.halfSize), impulseSum(0.0f, 0.0f), push(0.0f, 0.0f), kind(desc.kind),
      group(desc.group), asleep(0), mask(VEX_MASK_ALL), restTime(0.0f), id(desc.id),
      weight(desc.weight), restitution(desc.restitution), friction(desc.friction), ownerValue(0),
      owner(nullptr), world(nullptr)
{
    UpdateBounds();
}

void CVexPhysicsBody::CopyState(const CVexPhysicsBody& from)
{
    if (&from == this)
        return;
    position = from.position;
    previous = from.previous;
    stepStart = from.stepStart;
    stepDisplacement = from.stepDisplacement;
    velocity = from.velocity;
    spare = from.spare;
    halfSize = from.halfSize;
    impulseSum = from.impulseSum;
    push = from.push;
    kind = from.kind;
    group = from.group;
    asleep = from.asleep;
    mask = from.mask;
    restTime = from.restTime;
    id = from.id;
    weight = from.weight;
    restitution = from.restitution;
    friction = from.friction;
    ownerValue = from.ownerValue;
    for (int i = 0; i < 4; ++i)
        bounds[i] = from.bounds[i];
}

void CVexPhysicsBody::UpdateBounds()
{
    bounds[VEX_BOUND_MIN_X] = MinX();
    bounds[VEX_BOUND_MIN_Y] = MinY();
    bounds[VEX_BOUND_MAX_X] = MaxX();
    bounds[VEX_BOUND_MAX_Y] = MaxY();
}
