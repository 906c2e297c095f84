// CVexCamera: the view of the battlefield. It follows one body or the moving bodies of a
// world, eases its zoom and centre towards their goals, clamps itself to the battlefield,
// builds the view matrix, converts between world and screen points, and holds the world
// scale by which positions are packed into signed bytes (1/128 of the scale per step).
#pragma once
#include "engine/VortanMatrix.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexPhysicsListener.h"

class CVexPhysicsBody;
class CVexPhysicsWorld;

// What the camera asks of the battlefield it shows: whether a body is one it should follow
// (a squib still in play, or a live projectile). The scene implements it.
class IVexCameraScene {
public:
    virtual ~IVexCameraScene() {}
    virtual int IsBodyInPlay(const CVexPhysicsBody* body) const = 0;
};

// Camera modes.
enum { VEX_CAMERA_FREE = 0, VEX_CAMERA_FOLLOW_BODY = 1, VEX_CAMERA_FOLLOW_WORLD = 2 };

class CVexCamera : public IVexBodyWatcher {
public:
    // Mode free, world scale 3.2, offset, screen and target (0, 0), zoom and target zoom 1.
    CVexCamera();
    virtual ~CVexCamera();

    // The whole state of `other` (matrix, offset, screen, target, zoom, scene, ...), then
    // follows nothing.
    void CopyFrom(const CVexCamera& other);

    void SetScene(IVexCameraScene* scene) { m_scene = scene; }
    IVexCameraScene* GetScene() const { return m_scene; }

    // Mode 1 on the body (which must belong to a world; null follows nothing). When the
    // body leaves its world the camera follows nothing.
    void FollowBody(CVexPhysicsBody* body);
    // Mode 2 on the world (null follows nothing); clears the followed body.
    void FollowWorld(CVexPhysicsWorld* world);
    // Mode 0; clears the followed body and world.
    void FollowNone();

    // World point to screen pixels (y down) and back; both axes scale by the half width.
    void WorldToScreen(const CVortanVector2& world, CVortanVector2& screen) const;
    void ScreenToWorld(const CVortanVector2& screen, CVortanVector2& world) const;

    // Each axis to floor(v / scale x 128), clamped to -128..127 (NaN gives 0).
    void QuantizePosition(const CVortanVector2& position, i8& x, i8& y) const;
    // q x (1/128) x scale for each axis.
    void DequantizePosition(i8 x, i8 y, CVortanVector2& position) const;
    // Quantise (floor, or nearest with halves up) and dequantise.
    void SnapFloor(const CVortanVector2& position, CVortanVector2& out) const;
    void SnapRound(const CVortanVector2& position, CVortanVector2& out) const;
    // The nearest integer to the value, halves up (NaN gives 0; clamped to the int range).
    static void RoundToNearest(float value, int& out);

    // Once per frame: follow, ease the zoom, clamp, rebuild the matrix.
    void Update();

    // Screen size in pixels; the half screen follows.
    void SetScreenSize(float width, float height);

    u32 GetMode() const { return m_mode; }
    float GetWorldScale() const { return m_worldScale; }
    const CVortanMatrix& GetMatrix() const { return m_matrix; }
    // The view centre as (-x, y) of the world point shown at the screen centre; also
    // written directly by the battle's handlers.
    CVortanVector2& Offset() { return m_offset; }
    const CVortanVector2& GetOffset() const { return m_offset; }
    void SetOffset(const CVortanVector2& offset) { m_offset = offset; }
    const CVortanVector2& GetScreenSize() const { return m_screenSize; }
    const CVortanVector2& GetHalfScreen() const { return m_halfScreen; }
    const CVortanVector2& GetTarget() const { return m_target; }
    CVexPhysicsBody* GetFollowedBody() const { return m_body; }
    CVexPhysicsWorld* GetFollowedWorld() const { return m_world; }
    float GetZoom() const { return m_zoom; }
    void SetZoom(float zoom) { m_zoom = zoom; }
    float GetTargetZoom() const { return m_targetZoom; }
    void SetTargetZoom(float zoom) { m_targetZoom = zoom; }
    float GetAspect() const { return m_aspect; }

    // IVexBodyWatcher
    void OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body) override;
    void OnWorldDestroyed(CVexPhysicsWorld* world) override;

private:
    CVexCamera(const CVexCamera&) = delete;
    CVexCamera& operator=(const CVexCamera&) = delete;

    // Whether the body is one to follow: in play for the scene and not in the water.
    int Counts(const CVexPhysicsBody* body) const;
    void UpdateFollowBody();
    void UpdateFollowWorld();
    // Registers with the world that holds what is followed; Unwatch undoes it.
    void Watch(CVexPhysicsWorld* world);
    void Unwatch();
    // floor (or halves up) of v / scale x 128 by the truncation of 65536 + t, clamped.
    int Quantize(float v, int roundHalfUp) const;

    u32 m_mode;
    float m_worldScale;
    CVortanMatrix m_matrix;
    CVortanVector2 m_offset;
    CVortanVector2 m_screenSize;
    CVortanVector2 m_halfScreen;
    CVortanVector2 m_target;
    CVexPhysicsBody* m_body;
    CVexPhysicsWorld* m_world;
    IVexCameraScene* m_scene;
    float m_zoom;
    float m_targetZoom;
    float m_aspect;
    CVexPhysicsWorld* m_watched; // the world this camera is registered with, or null
};
