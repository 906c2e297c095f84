// CVexPhysicsWorld: the game's physics. Axis-aligned boxes without rotation, moved in a fixed
// number of sub-steps per step, pushed apart along the axis of least penetration, with
// restitution and friction mixed per pair, a speed clamp, rest detection and contact reports.
//
// Every dynamic body is tested against every body of the world in list order, so two worlds
// given the same bodies in the same order compute the same bits: all arithmetic is single
// precision, one operation at a time.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexBodyGrid.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPhysicsListener.h"

class CVexGameContext;

// One body found by QueryRadius.
struct CVexRadiusResult {
    CVexPhysicsBody* body;  // null when the body has left the world since the query
    CVortanVector2 closest; // closest point of the body's box to the query point
    CVortanVector2 offset;  // closest point - query point (inside: centre - query point)
    float distance;         // length of the offset (0 at the very centre)
};

class CVexPhysicsWorld {
public:
    // Step seconds 0.05, 4 sub-steps (dt 0.25), no gravity, epsilon 0. The context, when
    // given, receives the sub-step dt at each Init.
    explicit CVexPhysicsWorld(CVexGameContext* context = nullptr);
    // Deletes every body (watchers are told), then tells the watchers the world is gone.
    virtual ~CVexPhysicsWorld();

    void SetContext(CVexGameContext* context) { m_context = context; }
    CVexGameContext* GetContext() const { return m_context; }

    // Step seconds, sub-steps (at least 1), dt = 1 / sub-steps (also into the context),
    // gravity (0, -0.003), epsilon 1e-5; deletes every body and query result; statistics 0.
    virtual void Init(float stepSeconds, int subSteps);

    // A new body from the description, appended to the list; null when out of memory.
    virtual CVexPhysicsBody* AddBody(const CVexPhysicsBodyDesc& desc);
    // Deletes the body and closes the gap; a body not in the list is left alone. The active
    // body and query results that named it are cleared.
    virtual void RemoveBody(CVexPhysicsBody* body);
    // Deletes every body and query result; statistics 0.
    virtual void Clear();

    // Appends unless present / removes the first equal entry.
    virtual void AddListener(CVexPhysicsListener* listener);
    virtual void RemoveListener(CVexPhysicsListener* listener);
    virtual void AddWatcher(IVexBodyWatcher* watcher);
    virtual void RemoveWatcher(IVexBodyWatcher* watcher);
    // Moves `watcher` from `watched` to `world` (either may be null) and sets `watched` to
    // `world`; the same world again changes nothing.
    static void MoveWatcher(IVexBodyWatcher* watcher, CVexPhysicsWorld*& watched,
                            CVexPhysicsWorld* world);

    // The last body launched, kept for the owner; null once that body has left the world.
    void SetActiveBody(CVexPhysicsBody* body) { m_activeBody = body; }
    CVexPhysicsBody* GetActiveBody() const { return m_activeBody; }

    // Previous position = position for every body.
    virtual void SyncPrevious();
    // One step: gravity once, then the sub-steps (move, resolve contacts), then rest
    // detection; see the source for the exact order of operations. Listeners called from
    // here may change the two bodies of the contact they are told of, and nothing else of
    // the world (they add and remove no bodies). Nothing happens when memory runs out.
    virtual void Step();

    // The most recently added body whose kind shares a bit with kindMask, whose group shares
    // a bit with groupMask and whose box strictly contains the point; null when none.
    virtual CVexPhysicsBody* QueryPoint(const CVortanVector2& point, u32 kindMask,
                                        u32 groupMask) const;
    // Bodies whose box comes closer than `radius` to the point, in body order (see
    // GetRadiusResult). Clears every body's push vector and writes every body's bounds.
    // Returns the number found.
    virtual int QueryRadius(const CVortanVector2& point, float radius);
    // Bodies met by a box of the given half size moved from `start` along `direction` in
    // steps of 0.75 x its smaller half size (at most 1002 positions), each once, in order of
    // first contact (see GetSweepResult). Returns the number found.
    virtual int QuerySweep(const CVortanVector2& start, const CVortanVector2& halfSize,
                           const CVortanVector2& direction);

    int GetRadiusResultCount() const { return m_radiusResults.GetCount(); }
    // Result i, or null outside 0..count-1.
    const CVexRadiusResult* GetRadiusResult(int i) const;
    int GetSweepResultCount() const { return m_sweepResults.GetCount(); }
    // Body i of the last sweep, or null outside 0..count-1 (or when it has left the world).
    CVexPhysicsBody* GetSweepResult(int i) const;

    // Bodies in creation order.
    int GetBodyCount() const { return m_bodies.GetCount(); }
    CVexPhysicsBody* GetBody(int i) const { return (CVexPhysicsBody*)m_bodies.GetAt(i); }
    // Index of the body in the list, or -1.
    int FindBody(const CVexPhysicsBody* body) const;

    float GetStepSeconds() const { return m_stepSeconds; }
    float GetSubStepDt() const { return m_dt; }
    int GetSubSteps() const { return m_subSteps; }
    float GetEpsilon() const { return m_epsilon; }
    const CVortanVector2& GetGravity() const { return m_gravity; }
    void SetGravity(const CVortanVector2& gravity) { m_gravity = gravity; }
    // Test seam: 1 makes every step test every body in list order instead of going through
    // the grid of standing bodies. The results are the same bits either way.
    void SetExhaustive(int exhaustive) { m_exhaustive = exhaustive; }

    // Statistics of the last step.
    int GetPairTests() const { return m_pairTests; }
    int GetContacts() const { return m_contacts; }

    // Box tests over {min x, min y, max x, max y}: strict overlap on both axes (touching
    // edges do not overlap); overlap of more than 0.001 on both axes; and two bodies by
    // centre -/+ half size, strictly.
    static int BoxesOverlap(const float a[4], const float b[4]);
    static int BoxesOverlapMargin(const float a[4], const float b[4]);
    static int BodiesOverlap(const CVexPhysicsBody& a, const CVexPhysicsBody& b)
    {
        return a.MinX() < b.MaxX() && b.MinX() < a.MaxX() && a.MinY() < b.MaxY() &&
               b.MinY() < a.MaxY();
    }

private:
    CVexPhysicsWorld(const CVexPhysicsWorld&) = delete;
    CVexPhysicsWorld& operator=(const CVexPhysicsWorld&) = delete;

    void DeleteBodies();
    void DeleteRadiusResults();
    void ForgetBody(CVexPhysicsBody* body);
    int ReserveScratch(int count);
    // One dynamic body's pass over the bodies after index `after`, in list order: every
    // body (PassAll; the pair tests are counted when asked) or the standing bodies through
    // the grid and the dynamic ones directly (PassGrid).
    void PassAll(CVexPhysicsBody* a, int after, int countTests);
    void PassGrid(CVexPhysicsBody* a);
    // Resolves the contact of dynamic body a with overlapping body b (at index bIndex).
    void ResolveContact(CVexPhysicsBody* a, CVexPhysicsBody* b, int bIndex);

    CVexGameContext* m_context;
    CVexPhysicsBody* m_activeBody;
    float m_stepSeconds;
    float m_dt;
    float m_epsilon;
    i32 m_subSteps;
    CVortanVector2 m_gravity;
    CVortanPtrArray m_bodies; // CVexPhysicsBody*, owned, in creation order
    i32 m_pairTests;
    i32 m_contacts;
    CVortanPtrArray m_radiusResults; // CVexRadiusResult*, owned
    CVortanPtrArray m_sweepResults;  // CVexPhysicsBody*
    CVortanPtrArray m_listeners;     // CVexPhysicsListener*, not owned
    CVortanPtrArray m_watchers;      // IVexBodyWatcher*, not owned

    // Per-step scratch: indices of the dynamic and kinematic bodies when the step began.
    i32* m_dynamic;
    i32* m_kinematic;
    i32 m_dynamicCount;
    i32 m_kinematicCount;
    i32 m_scratchCapacity;
    // The bodies that stand still during the step, and whether it may be used: a listener
    // that moves or reshapes the body it was told of makes it stale until the next step.
    CVexBodyGrid m_grid;
    i32 m_gridUsable;
    i32 m_gridStale;
    i32 m_exhaustive;
};
