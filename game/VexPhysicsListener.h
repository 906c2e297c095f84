// What the physics world tells others: contacts during a step (CVexPhysicsListener) and
// bodies leaving the world (IVexBodyWatcher).
#pragma once
#include "engine/VortanVector.h"

class CVexPhysicsBody;
class CVexPhysicsWorld;

// One contact of a step, reported after body A has been pushed out of body B.
struct CVexPhysicsContact {
    CVexPhysicsBody* a;
    CVexPhysicsBody* b;
    CVortanVector2 position; // B's position
    CVortanVector2 normal;   // unit axis vector from B towards A
    float impulse;           // squared length of the pair's mixed velocity
};

class CVexPhysicsListener {
public:
    virtual ~CVexPhysicsListener() {}
    virtual void OnContact(const CVexPhysicsContact& contact) = 0;
};

// Told when a body is deleted (RemoveBody, Clear, Init, the world's destruction) and when
// the world itself goes, so that holders of body pointers can let go in time. A watcher may
// not add or remove watchers from inside these calls.
class IVexBodyWatcher {
public:
    virtual ~IVexBodyWatcher() {}
    // The body is about to be deleted.
    virtual void OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body) = 0;
    // The world is being destroyed; it forgets its watchers after this call.
    virtual void OnWorldDestroyed(CVexPhysicsWorld* world) = 0;
};
