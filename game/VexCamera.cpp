// CVexCamera: following, easing, clamping, the view matrix and the coordinate conversions.
#include "game/VexCamera.h"

#include <math.h>

#include "game/VexPhysicsWorld.h"

CVexCamera::CVexCamera()
    : m_mode(VEX_CAMERA_FREE), m_worldScale(3.2f), m_offset(0.0f, 0.0f), m_screenSize(0.0f, 0.0f),
      m_halfScreen(0.0f, 0.0f), m_target(0.0f, 0.0f), m_body(nullptr), m_world(nullptr),
      m_scene(nullptr), m_zoom(1.0f), m_targetZoom(1.0f), m_aspect(0.0f), m_watched(nullptr)
{
    m_matrix.SetIdentity();
}

CVexCamera::~CVexCamera()
{
    Unwatch();
}

void CVexCamera::CopyFrom(const CVexCamera& other)
{
    if (&other == this)
        return;
    m_mode = other.m_mode;
    m_worldScale = other.m_worldScale;
    m_matrix.Copy(other.m_matrix);
    m_offset = other.m_offset;
    m_screenSize = other.m_screenSize;
    m_halfScreen = other.m_halfScreen;
    m_target = other.m_target;
    m_scene = other.m_scene;
    m_zoom = other.m_zoom;
    m_targetZoom = other.m_targetZoom;
    m_aspect = other.m_aspect;
    FollowNone();
}

void CVexCamera::Watch(CVexPhysicsWorld* world)
{
    if (world == m_watched)
        return;
    Unwatch();
    if (!world)
        return;
    world->AddWatcher(this);
    m_watched = world;
}

void CVexCamera::Unwatch()
{
    if (!m_watched)
        return;
    m_watched->RemoveWatcher(this);
    m_watched = nullptr;
}

void CVexCamera::FollowBody(CVexPhysicsBody* body)
{
    if (!body) {
        FollowNone();
        return;
    }
    Watch(body->world);
    m_mode = VEX_CAMERA_FOLLOW_BODY;
    m_body = body;
    m_world = nullptr;
}

void CVexCamera::FollowWorld(CVexPhysicsWorld* world)
{
    if (!world) {
        FollowNone();
        return;
    }
    Watch(world);
    m_mode = VEX_CAMERA_FOLLOW_WORLD;
    m_body = nullptr;
    m_world = world;
}

void CVexCamera::FollowNone()
{
    Unwatch();
    m_mode = VEX_CAMERA_FREE;
    m_body = nullptr;
    m_world = nullptr;
}

void CVexCamera::OnBodyRemoved(CVexPhysicsWorld* world, CVexPhysicsBody* body)
{
    (void)world;
    if (body != m_body)
        return;
    // Stays registered with the world (it is walking its watchers); the next Follow call or
    // the destructor lets go.
    m_body = nullptr;
    m_mode = VEX_CAMERA_FREE;
}

void CVexCamera::OnWorldDestroyed(CVexPhysicsWorld* world)
{
    if (world == m_watched)
        m_watched = nullptr;
    if (world == m_world) {
        m_world = nullptr;
        m_mode = VEX_CAMERA_FREE;
    }
}

void CVexCamera::SetScreenSize(float width, float height)
{
    m_screenSize.Set(width, height);
    m_halfScreen.Set(width * 0.5f, height * 0.5f);
}

void CVexCamera::WorldToScreen(const CVortanVector2& world, CVortanVector2& screen) const
{
    const float hx = m_halfScreen.x;
    const float hy = m_halfScreen.y;
    screen.x = hx + (world.x + m_offset.x) * m_zoom * hx;
    screen.y = hy - (world.y - m_offset.y) * m_zoom * hx;
}

void CVexCamera::ScreenToWorld(const CVortanVector2& screen, CVortanVector2& world) const
{
    const float hx = m_halfScreen.x;
    const float hy = m_halfScreen.y;
    world.x = (screen.x - hx) / hx / m_zoom - m_offset.x;
    world.y = (hy - screen.y) / hx / m_zoom + m_offset.y;
}

int CVexCamera::Quantize(float v, int roundHalfUp) const
{
    float t = v / m_worldScale * 128.0f;
    if (t != t)
        return 0;
    // Clamped in float first, so that the conversion below always has an int to give.
    if (t < -128.0f)
        t = -128.0f;
    if (t > 127.0f)
        t = 127.0f;
    // floor by truncating a positive value: 65536 + t rounds to 1/128 in single precision,
    // so a tiny negative t gives 0, as on every device that plays the match.
    const float u = 65536.0f + t;
    const int whole = (int)u;
    int q = whole - 65536;
    if (roundHalfUp && u - (float)whole >= 0.5f)
        ++q;
    if (q < -128)
        q = -128;
    if (q > 127)
        q = 127;
    return q;
}

void CVexCamera::QuantizePosition(const CVortanVector2& position, i8& x, i8& y) const
{
    x = (i8)Quantize(position.x, 0);
    y = (i8)Quantize(position.y, 0);
}

void CVexCamera::DequantizePosition(i8 x, i8 y, CVortanVector2& position) const
{
    position.x = (float)x * (1.0f / 128.0f) * m_worldScale;
    position.y = (float)y * (1.0f / 128.0f) * m_worldScale;
}

void CVexCamera::SnapFloor(const CVortanVector2& position, CVortanVector2& out) const
{
    DequantizePosition((i8)Quantize(position.x, 0), (i8)Quantize(position.y, 0), out);
}

void CVexCamera::SnapRound(const CVortanVector2& position, CVortanVector2& out) const
{
    DequantizePosition((i8)Quantize(position.x, 1), (i8)Quantize(position.y, 1), out);
}

void CVexCamera::RoundToNearest(float value, int& out)
{
    if (value != value) {
        out = 0;
        return;
    }
    float f = floorf(value);
    if (value - f >= 0.5f)
        f += 1.0f;
    // 2147483520 is the largest float below 2^31.
    if (f < -2147483648.0f)
        f = -2147483648.0f;
    if (f > 2147483520.0f)
        f = 2147483520.0f;
    out = (int)f;
}

int CVexCamera::Counts(const CVexPhysicsBody* body) const
{
    if (!body || !m_scene || !m_scene->IsBodyInPlay(body))
        return 0;
    return body->position.y < 0.0f ? 0 : 1;
}

void CVexCamera::UpdateFollowBody()
{
    if (!m_body || !m_scene)
        return;
    if (Counts(m_body)) {
        m_target = m_body->position;
        const float z = 2.0f - 75.0f * m_body->velocity.Length();
        if (z < m_targetZoom)
            m_targetZoom = z;
    }
    m_offset.x += (-m_target.x - m_offset.x) / 6.0f;
    m_offset.y += (m_target.y - m_offset.y) / 6.0f;
}

void CVexCamera::UpdateFollowWorld()
{
    if (!m_world)
        return;
    float minX = 1000.0f, minY = 1000.0f, maxX = -1000.0f, maxY = -1000.0f;
    int counted = 0;
    for (int i = 0; i < m_world->GetBodyCount(); ++i) {
        const CVexPhysicsBody* body = m_world->GetBody(i);
        if (!(body->kind & (VEX_BODY_KINEMATIC | VEX_BODY_DYNAMIC)) || !Counts(body))
            continue;
        ++counted;
        if (body->MinX() < minX)
            minX = body->MinX();
        if (body->MinY() < minY)
            minY = body->MinY();
        if (body->MaxX() > maxX)
            maxX = body->MaxX();
        if (body->MaxY() > maxY)
            maxY = body->MaxY();
    }
    if (!counted)
        return;
    float aspect = m_screenSize.y != 0.0f ? m_screenSize.x / m_screenSize.y : 0.0f;
    if (aspect < 1.8f)
        aspect = 1.8f;
    const float scale = m_worldScale;
    const float y0 = minY > 0.0f ? minY : 0.0f;
    const float y1 = maxY < 2.0f * scale ? maxY : 2.0f * scale;
    const float x0 = minX > -scale ? minX : -scale;
    const float x1 = maxX < scale ? maxX : scale;
    const float cx = (x0 + x1) * 0.5f;
    const float cy = (y0 + y1) * 0.5f;
    float width = x1 - x0;
    const float tall = aspect * (y1 - y0);
    if (tall > width)
        width = tall;
    const float z = 1.0f - 0.2f * width;
    if (z < m_targetZoom)
        m_targetZoom = z;
    m_offset.x += (-cx - m_offset.x) / 10.0f;
    m_offset.y += (cy - m_offset.y) / 10.0f;
}

void CVexCamera::Update()
{
    m_matrix.SetIdentity();
    if (m_mode == VEX_CAMERA_FOLLOW_BODY)
        UpdateFollowBody();
    else if (m_mode == VEX_CAMERA_FOLLOW_WORLD)
        UpdateFollowWorld();

    const float scale = m_worldScale;
    if (m_offset.x < -scale)
        m_offset.x = -scale;
    if (m_offset.x > scale)
        m_offset.x = scale;
    if (m_offset.y < 0.0f)
        m_offset.y = 0.0f;
    if (m_offset.y > 1.2f * scale)
        m_offset.y = 1.2f * scale;

    m_zoom += (m_targetZoom - m_zoom) / 10.0f;
    if (m_zoom < 0.3f)
        m_zoom = 0.3f;
    if (m_zoom > 1.0f)
        m_zoom = 1.0f;

    // A camera not yet given its screen keeps an aspect of 1 rather than dividing by zero.
    m_aspect = m_screenSize.y != 0.0f ? m_screenSize.x / m_screenSize.y : 1.0f;
    m_matrix[0] = m_zoom;
    m_matrix[5] = m_aspect * m_zoom;
    m_matrix[10] = 1.0f;
    m_matrix[3] = m_offset.x * m_zoom;
    m_matrix[7] = -(m_offset.y * m_aspect) * m_zoom;
}
