// CVexPhysicsWorld: bodies, the step with its contact resolution, and the queries.
#include "game/VexPhysicsWorld.h"

#include <math.h>
#include <new>

#include "game/VexGameContext.h"

namespace {

const int kSweepPositions = 1002;

inline float Abs(float v)
{
    return fabsf(v);
}

// The impulse along `direction` (a unit axis): its component on the push axis times the mixed
// speed on that axis, then both components times `factor`.
inline CVortanVector2 PushImpulse(CVortanVector2 direction, int onX, const CVortanVector2& vmix,
                                  float factor)
{
    if (onX)
        direction.x = direction.x * Abs(vmix.x);
    else
        direction.y = direction.y * Abs(vmix.y);
    direction.x = direction.x * factor;
    direction.y = direction.y * factor;
    return direction;
}

// Friction on the tangential axis, the one without a push: that component of the velocity
// times `friction`.
inline CVortanVector2 TangentialFriction(const CVortanVector2& velocity, int onX, float friction)
{
    CVortanVector2 f(0.0f, 0.0f);
    if (onX)
        f.y = velocity.y * friction;
    else
        f.x = velocity.x * friction;
    return f;
}

} // namespace

CVexPhysicsWorld::CVexPhysicsWorld(CVexGameContext* context)
    : m_context(context), m_activeBody(nullptr), m_stepSeconds(0.05f), m_dt(0.25f), m_epsilon(0.0f),
      m_subSteps(4), m_gravity(0.0f, 0.0f), m_pairTests(0), m_contacts(0), m_dynamic(nullptr),
      m_kinematic(nullptr), m_dynamicCount(0), m_kinematicCount(0), m_scratchCapacity(0),
      m_gridUsable(0), m_gridStale(0), m_exhaustive(0)
{}

CVexPhysicsWorld::~CVexPhysicsWorld()
{
    DeleteBodies();
    DeleteRadiusResults();
    // Watchers may unregister from OnWorldDestroyed; walk a snapshot of the list.
    CVortanPtrArray watchers;
    for (int i = 0; i < m_watchers.GetCount(); ++i)
        watchers.Add(m_watchers.GetAt(i));
    m_watchers.RemoveAll();
    for (int i = 0; i < watchers.GetCount(); ++i)
        ((IVexBodyWatcher*)watchers.GetAt(i))->OnWorldDestroyed(this);
    delete[] m_dynamic;
    delete[] m_kinematic;
}

void CVexPhysicsWorld::Init(float stepSeconds, int subSteps)
{
    if (subSteps < 1)
        subSteps = 1;
    m_stepSeconds = stepSeconds;
    m_subSteps = subSteps;
    m_dt = 1.0f / (float)subSteps;
    if (m_context)
        m_context->SetSubStep(m_dt);
    m_gravity.Set(0.0f, -0.003f);
    m_epsilon = 1e-5f;
    Clear();
}

void CVexPhysicsWorld::Clear()
{
    DeleteBodies();
    DeleteRadiusResults();
    m_sweepResults.RemoveAll();
    m_pairTests = 0;
    m_contacts = 0;
}

void CVexPhysicsWorld::ForgetBody(CVexPhysicsBody* body)
{
    for (int i = 0; i < m_watchers.GetCount(); ++i)
        ((IVexBodyWatcher*)m_watchers.GetAt(i))->OnBodyRemoved(this, body);
    if (m_activeBody == body)
        m_activeBody = nullptr;
    for (int i = 0; i < m_radiusResults.GetCount(); ++i) {
        CVexRadiusResult* result = (CVexRadiusResult*)m_radiusResults.GetAt(i);
        if (result->body == body)
            result->body = nullptr;
    }
    for (int i = 0; i < m_sweepResults.GetCount(); ++i) {
        if (m_sweepResults.GetAt(i) == body)
            m_sweepResults.ElementAt(i) = nullptr;
    }
}

void CVexPhysicsWorld::DeleteBodies()
{
    // From the back, so that each body leaves a consistent list behind it.
    while (m_bodies.GetCount() > 0) {
        const int last = m_bodies.GetCount() - 1;
        CVexPhysicsBody* body = (CVexPhysicsBody*)m_bodies.GetAt(last);
        ForgetBody(body);
        m_bodies.RemoveAt(last);
        delete body;
    }
    m_bodies.RemoveAll();
    m_activeBody = nullptr;
}

void CVexPhysicsWorld::DeleteRadiusResults()
{
    for (int i = 0; i < m_radiusResults.GetCount(); ++i)
        delete (CVexRadiusResult*)m_radiusResults.GetAt(i);
    m_radiusResults.RemoveAll();
}

CVexPhysicsBody* CVexPhysicsWorld::AddBody(const CVexPhysicsBodyDesc& desc)
{
    CVexPhysicsBody* body = new (std::nothrow) CVexPhysicsBody(desc);
    if (!body)
        return nullptr;
    if (m_bodies.Add(body) != VORTAN_OK) {
        delete body;
        return nullptr;
    }
    body->world = this;
    return body;
}

int CVexPhysicsWorld::FindBody(const CVexPhysicsBody* body) const
{
    return body ? m_bodies.IndexOf(body) : -1;
}

void CVexPhysicsWorld::RemoveBody(CVexPhysicsBody* body)
{
    const int index = FindBody(body);
    if (index < 0)
        return;
    ForgetBody(body);
    m_bodies.RemoveAt(index);
    delete body;
}

void CVexPhysicsWorld::AddListener(CVexPhysicsListener* listener)
{
    if (listener && m_listeners.IndexOf(listener) < 0)
        m_listeners.Add(listener);
}

void CVexPhysicsWorld::RemoveListener(CVexPhysicsListener* listener)
{
    m_listeners.RemoveAt(m_listeners.IndexOf(listener));
}

void CVexPhysicsWorld::AddWatcher(IVexBodyWatcher* watcher)
{
    if (watcher && m_watchers.IndexOf(watcher) < 0)
        m_watchers.Add(watcher);
}

void CVexPhysicsWorld::RemoveWatcher(IVexBodyWatcher* watcher)
{
    m_watchers.RemoveAt(m_watchers.IndexOf(watcher));
}

void CVexPhysicsWorld::MoveWatcher(IVexBodyWatcher* watcher, CVexPhysicsWorld*& watched,
                                   CVexPhysicsWorld* world)
{
    if (world == watched)
        return;
    if (watched)
        watched->RemoveWatcher(watcher);
    watched = world;
    if (watched)
        watched->AddWatcher(watcher);
}

void CVexPhysicsWorld::SyncPrevious()
{
    for (int i = 0; i < m_bodies.GetCount(); ++i) {
        CVexPhysicsBody* body = GetBody(i);
        body->previous = body->position;
    }
}

// ---- the step -------------------------------------------------------------------------------

int CVexPhysicsWorld::ReserveScratch(int count)
{
    if (count <= m_scratchCapacity)
        return 1;
    int size = m_scratchCapacity > 0 ? m_scratchCapacity : 16;
    while (size < count)
        size *= 2;
    i32* dynamic = new (std::nothrow) i32[size];
    i32* kinematic = new (std::nothrow) i32[size];
    if (!dynamic || !kinematic) {
        delete[] dynamic;
        delete[] kinematic;
        return 0;
    }
    delete[] m_dynamic;
    delete[] m_kinematic;
    m_dynamic = dynamic;
    m_kinematic = kinematic;
    m_scratchCapacity = size;
    return 1;
}

void CVexPhysicsWorld::Step()
{
    m_pairTests = 0;
    m_contacts = 0;
    const int count = m_bodies.GetCount();
    if (!ReserveScratch(count))
        return;
    m_dynamicCount = 0;
    m_kinematicCount = 0;
    m_grid.Begin(count);
    for (int i = 0; i < count; ++i) {
        CVexPhysicsBody* body = GetBody(i);
        body->impulseSum.Set(0.0f, 0.0f);
        if (body->kind == VEX_BODY_DYNAMIC) {
            body->stepStart = body->position;
            body->velocity.y = body->velocity.y + m_gravity.y;
            m_dynamic[m_dynamicCount++] = i;
        } else if (body->kind == VEX_BODY_KINEMATIC) {
            m_kinematic[m_kinematicCount++] = i;
        }
        m_grid.Take(i, body);
    }
    m_gridUsable = m_grid.End() && !m_exhaustive;
    m_gridStale = 0;

    for (int sub = 0; sub < m_subSteps; ++sub) {
        for (int d = 0; d < m_dynamicCount; ++d) {
            CVexPhysicsBody* body = GetBody(m_dynamic[d]);
            body->position.x = body->position.x + body->velocity.x * m_dt;
            body->position.y = body->position.y + body->velocity.y * m_dt;
        }
        for (int k = 0; k < m_kinematicCount; ++k)
            GetBody(m_kinematic[k])->velocity.Set(0.0f, 0.0f);
        // Every dynamic body against every other body in list order, each contact resolved
        // as soon as it is found.
        for (int d = 0; d < m_dynamicCount; ++d) {
            CVexPhysicsBody* a = GetBody(m_dynamic[d]);
            if (m_gridUsable && !m_gridStale)
                PassGrid(a);
            else
                PassAll(a, -1, 1);
        }
    }

    for (int d = 0; d < m_dynamicCount; ++d) {
        CVexPhysicsBody* body = GetBody(m_dynamic[d]);
        body->stepDisplacement.x = body->position.x - body->stepStart.x;
        body->stepDisplacement.y = body->position.y - body->stepStart.y;
        if (body->stepDisplacement.LengthSquared() > 0.0001f) {
            body->restTime = 0.0f;
            body->asleep = 0;
        } else {
            body->restTime = body->restTime + m_stepSeconds;
            if (body->restTime > 1.0f) {
                body->asleep = 1;
                body->restTime = 2.0f;
            }
        }
    }
    for (int k = 0; k < m_kinematicCount; ++k) {
        CVexPhysicsBody* body = GetBody(m_kinematic[k]);
        if (body->weight > 0.0f) {
            body->restTime = body->restTime + m_stepSeconds;
            if (body->restTime > 1.0f) {
                body->asleep = 1;
                body->restTime = 2.0f;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        CVexPhysicsBody* body = GetBody(i);
        body->previous = body->position;
    }
}

void CVexPhysicsWorld::PassAll(CVexPhysicsBody* a, int after, int countTests)
{
    const int count = m_bodies.GetCount();
    for (int i = after + 1; i < count; ++i) {
        CVexPhysicsBody* b = GetBody(i);
        if (b == a || !(a->mask & b->mask))
            continue;
        if (countTests)
            ++m_pairTests;
        if (BodiesOverlap(*a, *b))
            ResolveContact(a, b, i);
    }
}

void CVexPhysicsWorld::PassGrid(CVexPhysicsBody* a)
{
    // The pairs this pass tests: the standing bodies and the other dynamic ones whose masks
    // share a bit with A's.
    int tests = m_grid.CountSharing(a->mask);
    for (int k = 0; k < m_dynamicCount; ++k) {
        const CVexPhysicsBody* b = GetBody(m_dynamic[k]);
        if (b != a && (a->mask & b->mask))
            ++tests;
    }
    m_pairTests += tests;

    // Find the next body in list order that A overlaps, resolve, and go on after it with A
    // where the contact left it: what testing every body in order does.
    int last = -1;
    for (;;) {
        if (m_gridStale) {
            PassAll(a, last, 0);
            return;
        }
        const float box[4] = {a->MinX(), a->MinY(), a->MaxX(), a->MaxY()};
        int next = m_grid.FindFirst(box, a->mask, last);
        for (int k = 0; k < m_dynamicCount; ++k) {
            const int i = m_dynamic[k];
            if (i <= last)
                continue;
            if (next >= 0 && i >= next)
                break;
            const CVexPhysicsBody* b = GetBody(i);
            if (b != a && (a->mask & b->mask) && BodiesOverlap(*a, *b)) {
                next = i;
                break;
            }
        }
        if (next < 0)
            return;
        ResolveContact(a, GetBody(next), next);
        last = next;
    }
}

void CVexPhysicsWorld::ResolveContact(CVexPhysicsBody* a, CVexPhysicsBody* b, int bIndex)
{
    const float speedA = a->velocity.Length();

    // Push A out along the axis of least penetration; ties go to y.
    const float left = b->MinX() - a->MaxX();
    const float right = b->MaxX() - a->MinX();
    float pushX = right > Abs(left) ? left : right;
    const float down = b->MinY() - a->MaxY();
    const float up = b->MaxY() - a->MinY();
    float pushY = up > Abs(down) ? down : up;
    const int onX = Abs(pushX) < Abs(pushY);
    CVortanVector2 normal;
    if (onX) {
        pushY = 0.0f;
        normal.Set(pushX < 0.0f ? -1.0f : 1.0f, 0.0f);
        pushX = pushX < 0.0f ? pushX - m_epsilon : pushX + m_epsilon;
    } else {
        pushX = 0.0f;
        normal.Set(0.0f, pushY < 0.0f ? -1.0f : 1.0f);
        pushY = pushY < 0.0f ? pushY - m_epsilon : pushY + m_epsilon;
    }

    const float wa = a->weight;
    const float wb = b->weight;
    ++m_contacts;
    if (wa + wb == 0.0f)
        return;

    const int bStatic = b->kind == VEX_BODY_STATIC;
    const int bDynamic = b->kind == VEX_BODY_DYNAMIC;
    const float rest = (a->restitution + b->restitution) * 0.5f + 1.0f;
    float friction = (a->friction + b->friction) / 5.0f;
    CVortanVector2 vmix;
    float shareA, shareB, speedB;
    if (!bDynamic) {
        vmix = a->velocity;
        shareA = 1.0f;
        shareB = 0.0f;
        speedB = 0.0f;
    } else {
        const float sum = wa + wb;
        vmix.x = (wa * a->velocity.x + wb * b->velocity.x) / sum;
        vmix.y = (wa * a->velocity.y + wb * b->velocity.y) / sum;
        shareA = wb / sum;
        shareB = wa / sum;
        speedB = b->velocity.Length();
        friction = friction * 0.25f;
    }

    a->position.x = a->position.x + pushX * shareA;
    a->position.y = a->position.y + pushY * shareA;

    const CVortanVector2 impulse = PushImpulse(normal, onX, vmix, shareA * rest);
    a->velocity += impulse;
    const CVortanVector2 twice(2.0f * impulse.x, 2.0f * impulse.y);
    a->impulseSum += twice;
    b->impulseSum -= twice;

    const CVortanVector2 frictionA = TangentialFriction(a->velocity, onX, friction);
    a->velocity -= frictionA;

    if (!bStatic) {
        if (bDynamic) {
            // A standing body made dynamic during the step no longer stands where the
            // grid holds it.
            if (m_grid.Holds(bIndex))
                m_gridStale = 1;
            b->position.x = b->position.x - pushX * shareB;
            b->position.y = b->position.y - pushY * shareB;
            b->velocity +=
                PushImpulse(CVortanVector2(-normal.x, -normal.y), onX, vmix, shareB * rest);
        }
        const CVortanVector2 velocityB = bDynamic ? b->velocity : CVortanVector2(0.0f, 0.0f);
        const CVortanVector2 frictionB = TangentialFriction(velocityB, onX, friction);
        a->velocity += frictionB;
        if (bDynamic) {
            b->velocity -= frictionB;
            b->velocity += frictionA;
        }
    }

    if (m_listeners.GetCount() > 0) {
        const float contactImpulse = vmix.LengthSquared();
        if (contactImpulse > 5e-6f) {
            CVexPhysicsContact contact;
            contact.a = a;
            contact.b = b;
            contact.position = b->position;
            contact.normal = normal;
            contact.impulse = contactImpulse;
            for (int i = 0; i < m_listeners.GetCount(); ++i)
                ((CVexPhysicsListener*)m_listeners.GetAt(i))->OnContact(contact);
            if (m_grid.Holds(bIndex) && !m_grid.Matches(bIndex, b))
                m_gridStale = 1;
        }
    }

    const float limit = speedA + speedB;
    if (a->velocity.Length() > limit)
        a->velocity.SetLength(limit);
}

// ---- queries --------------------------------------------------------------------------------

CVexPhysicsBody* CVexPhysicsWorld::QueryPoint(const CVortanVector2& point, u32 kindMask,
                                              u32 groupMask) const
{
    for (int i = m_bodies.GetCount() - 1; i >= 0; --i) {
        CVexPhysicsBody* body = GetBody(i);
        if (!(body->kind & kindMask) || !(body->group & groupMask))
            continue;
        if (body->MinX() < point.x && point.x < body->MaxX() && body->MinY() < point.y &&
            point.y < body->MaxY())
            return body;
    }
    return nullptr;
}

int CVexPhysicsWorld::QueryRadius(const CVortanVector2& point, float radius)
{
    DeleteRadiusResults();
    const float square[4] = {point.x - radius, point.y - radius, point.x + radius,
                             point.y + radius};
    for (int i = 0; i < m_bodies.GetCount(); ++i) {
        CVexPhysicsBody* body = GetBody(i);
        body->push.Set(0.0f, 0.0f);
        body->UpdateBounds();
        const float* box = body->bounds;
        if (!BoxesOverlap(box, square))
            continue;
        CVortanVector2 closest = point;
        if (closest.x < box[VEX_BOUND_MIN_X])
            closest.x = box[VEX_BOUND_MIN_X];
        if (closest.x > box[VEX_BOUND_MAX_X])
            closest.x = box[VEX_BOUND_MAX_X];
        if (closest.y < box[VEX_BOUND_MIN_Y])
            closest.y = box[VEX_BOUND_MIN_Y];
        if (closest.y > box[VEX_BOUND_MAX_Y])
            closest.y = box[VEX_BOUND_MAX_Y];
        CVortanVector2 offset;
        float distance;
        if (closest.x != point.x || closest.y != point.y) {
            offset.SetDifference(closest, point);
            distance = offset.Length();
        } else {
            offset.SetDifference(body->position, point);
            if (offset.x == 0.0f && offset.y == 0.0f) {
                offset.Set(0.0f, 1e-6f);
                distance = 0.0f;
            } else {
                distance = offset.Length();
            }
        }
        if (!(distance < radius))
            continue;
        CVexRadiusResult* result = new (std::nothrow) CVexRadiusResult;
        if (!result)
            break;
        result->body = body;
        result->closest = closest;
        result->offset = offset;
        result->distance = distance;
        if (m_radiusResults.Add(result) != VORTAN_OK) {
            delete result;
            break;
        }
    }
    return m_radiusResults.GetCount();
}

const CVexRadiusResult* CVexPhysicsWorld::GetRadiusResult(int i) const
{
    return (const CVexRadiusResult*)m_radiusResults.GetAt(i);
}

CVexPhysicsBody* CVexPhysicsWorld::GetSweepResult(int i) const
{
    return (CVexPhysicsBody*)m_sweepResults.GetAt(i);
}

int CVexPhysicsWorld::QuerySweep(const CVortanVector2& start, const CVortanVector2& halfSize,
                                 const CVortanVector2& direction)
{
    m_sweepResults.RemoveAll();
    const float smaller = halfSize.x < halfSize.y ? halfSize.x : halfSize.y;
    const float stepLength = 0.75f * smaller;
    CVortanVector2 unit = direction;
    const float length = unit.Normalize();
    const CVortanVector2 stride(unit.x * stepLength, unit.y * stepLength);
    CVortanVector2 position = start;
    float travelled = 0.0f;
    for (int n = 0; n < kSweepPositions; ++n) {
        const float box[4] = {position.x - halfSize.x, position.y - halfSize.y,
                              position.x + halfSize.x, position.y + halfSize.y};
        for (int i = 0; i < m_bodies.GetCount(); ++i) {
            CVexPhysicsBody* body = GetBody(i);
            const float other[4] = {body->MinX(), body->MinY(), body->MaxX(), body->MaxY()};
            if (!BoxesOverlap(box, other))
                continue;
            int seen = 0;
            for (int j = 0; j < m_sweepResults.GetCount() && !seen; ++j)
                seen = m_sweepResults.GetAt(j) == body;
            if (!seen)
                m_sweepResults.Add(body);
        }
        travelled = travelled + stepLength;
        if (!(travelled <= length))
            break;
        position += stride;
    }
    return m_sweepResults.GetCount();
}

// ---- box tests ------------------------------------------------------------------------------

int CVexPhysicsWorld::BoxesOverlap(const float a[4], const float b[4])
{
    return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
}

int CVexPhysicsWorld::BoxesOverlapMargin(const float a[4], const float b[4])
{
    const float x = (a[2] < b[2] ? a[2] : b[2]) - (a[0] > b[0] ? a[0] : b[0]);
    const float y = (a[3] < b[3] ? a[3] : b[3]) - (a[1] > b[1] ? a[1] : b[1]);
    return x > 0.001f && y > 0.001f;
}
