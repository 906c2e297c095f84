// CVexEditState: the controls, the touch handling of the edit step and the per-step update.
#include "game/VexEditState.h"

#include <new>

#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexBlockList.h"
#include "game/VexCamera.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "game/VexTouchTable.h"
#include "platform/OrloApplication.h"

namespace {
// Query masks of a touch: every body kind, the block and squib groups.
const u32 kPickKinds = 7;
const u32 kPickGroups = 3;
enum { BYTE_MATERIAL, BYTE_VARIANT, BYTE_LAYER };

CVexEditRect Area(float l, float t, float r, float b)
{
    CVexEditRect a = {l, t, r, b};
    return a;
}
} // namespace

CVexEditState::CVexEditState()
    : m_scene(nullptr), m_mirror(0), m_moved(0), m_stopped(0), m_panMode(0), m_pinching(0),
      m_shape(0), m_material(0), m_variant(0), m_layer(1), m_countersHidden(0), m_time(0.0f),
      m_paletteDrag(0), m_pickedCell(0), m_picked(0), m_selected(nullptr), m_hasSelection(0),
      m_dragOffset(0.0f, 0.0f), m_paletteBand(0.0f), m_guides(1), m_name("newscene.scn")
{
    m_stop = m_hide = m_leave = m_delete = m_guidesArea = m_mirrorArea = Area(0, 0, 0, 0);
    for (CVexEditRect& r : m_cells)
        r = Area(0, 0, 0, 0);
    for (CVexEditRect& r : m_materials)
        r = Area(0, 0, 0, 0);
    for (int k = 0; k < 3; ++k)
        m_variants[k] = m_layers[k] = Area(0, 0, 0, 0);
}

CVexEditState::~CVexEditState()
{
    Release();
}

int CVexEditState::Init(CStateGame* game)
{
    CVexState::Init(game);
    m_typeId = VEX_STATE_EDIT;
    COrloApplication* host = game ? game->GetHostApplication() : nullptr;
    if (host) {
        for (int id = 0; id < VEX_IMAGE_COUNT; ++id)
            CVexAssetLoader::LoadImage(game->GetGameContext(), host, id);
        CVexAssetLoader::LoadFont(game->GetGameContext(), host);
    }
    LayOut();
    m_scene = new (std::nothrow) CVexScene();
    if (m_scene)
        m_scene->Init(game, m_renderer, m_world, 1);
    Reset();
    m_mirror = 0;
    return VORTAN_OK;
}

void CVexEditState::Release()
{
    delete m_scene;
    m_scene = nullptr;
    m_selected = nullptr;
}

void CVexEditState::LayOut()
{
    const float w = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
    const float h = m_renderer ? m_renderer->GetViewHeight() : 0.0f;
    const float u = w / 40.0f;
    m_stop = Area(0.0f, h - 2 * u, 2 * u, h);
    m_hide = Area(w - 2 * u, h - 2 * u, w, h);
    m_leave = Area(w / 2 - u, h - 2 * u, w / 2 + u, h);
    m_delete = Area(w / 2 - u, h / 2 - u, w / 2 + u, h / 2 + u);
    m_guidesArea = Area(w - 2 * u, h / 2 - u, w, h / 2 + u);
    m_mirrorArea = Area(w - 2 * u, 0.75f * h - u, w, 0.75f * h + u);
    for (int k = 0; k < 4; ++k) {
        const float l = (1 + 3 * k) * u, r = (3 + 3 * k) * u;
        m_materials[k] = Area(l, h / 2 - 4 * u, r, h / 2 - 2 * u);
        if (k < 3) {
            m_variants[k] = Area(l, h / 2 - u, r, h / 2 + u);
            m_layers[k] = Area(l, h / 2 + 2 * u, r, h / 2 + 4 * u);
        }
    }
    const float s = w * 0.0625f;
    for (int k = 0; k < VEX_BLOCK_SHAPE_COUNT; ++k) {
        const float x = 2.5f * s + 2.2f * s * (float)k, y = 1.1f * s;
        m_cells[k] = Area(x - s, y - s, x + s, y + s);
    }
    m_paletteBand = 2.2f * s;
}

void CVexEditState::Reset()
{
    CVexState::Reset();
    if (m_scene)
        m_scene->ClearScene();
    if (m_renderer) {
        CVexCamera& camera = m_renderer->GetCamera();
        camera.FollowNone();
        camera.SetOffset(CVortanVector2(0.0f, 1.5f));
        camera.SetZoom(0.3f);
        camera.SetTargetZoom(0.3f);
    }
    m_material = 0;
    m_variant = 0;
    m_layer = 1;
    SelectNone();
    m_panMode = m_paletteDrag = m_picked = 0;
}

void CVexEditState::SelectNone()
{
    m_selected = nullptr;
    m_hasSelection = 0;
    if (m_scene)
        m_scene->SetSelectedBlock(-1);
}

void CVexEditState::Select(CVexPhysicsBody* body)
{
    m_selected = body;
    m_hasSelection = body != nullptr;
    CVexBlock* block = nullptr;
    if (body && m_scene && m_scene->GetBlocks()) {
        block = m_scene->GetBlocks()->FindById((int)body->ownerValue);
        if (block && block->body != body)
            block = nullptr; // a squib: it moves, but it is no block
    }
    if (m_scene)
        m_scene->SetSelectedBlock(block ? block->id : -1);
}

void CVexEditState::ToWorld(const CVortanVector2& screen, CVortanVector2& world) const
{
    m_renderer->GetCamera().ScreenToWorld(screen, world);
}

void CVexEditState::Update(float dt)
{
    m_time += dt;
    if (!m_stopped) {
        // The palette springs back inside the screen.
        const float w = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
        const float l = m_cells[0].left, cw = m_cells[0].right - m_cells[0].left;
        const float lastRight = m_cells[VEX_BLOCK_SHAPE_COUNT - 1].right;
        float shift = 0.0f;
        if (l > cw)
            shift = (cw - l) / 10.0f;
        if (lastRight < w - 10.0f)
            shift = (w - 10.0f - lastRight) / 10.0f;
        if (shift != 0.0f)
            for (CVexEditRect& c : m_cells) {
                c.left += shift;
                c.right += shift;
            }
    }
    // Once stopped, the editor still hears its leave control: the work is saved, not lost.
    EditStep();
    if (m_scene) {
        m_scene->UpdateContacts();
        m_scene->Step(dt);
    }
    if (m_renderer)
        m_renderer->UpdateCamera(dt);
    if (m_world)
        m_world->SyncPrevious();
}

void CVexEditState::SetBlockByte(int what, int k)
{
    if (what == BYTE_MATERIAL)
        m_material = k;
    else if (what == BYTE_VARIANT)
        m_variant = k;
    else
        m_layer = k;
    CVexBlockList* blocks = m_scene ? m_scene->GetBlocks() : nullptr;
    CVexBlock* block = blocks ? blocks->FindById(m_scene->GetSelectedBlock()) : nullptr;
    if (!block)
        return;
    if (what == BYTE_MATERIAL)
        block->material = (u8)k;
    else if (what == BYTE_VARIANT)
        block->variant = (u8)k;
    else
        block->layer = (u8)k;
}

// The control areas, in their order; 1 when the point is inside one (the touch is then the
// control's, and it acts when the finger has just gone down).
int CVexEditState::Controls(float x, float y, int justDown)
{
    if (m_leave.Contains(x, y)) {
        if (justDown) {
            m_material = 0;
            m_variant = 0;
            m_layer = 1;
            SelectNone();
            m_nextState = VEX_STATE_MENU;
            SetDone();
            if (m_scene)
                m_scene->SaveScene(m_name);
        }
        return 1;
    }
    if (m_stopped)
        return 0;
    if (m_stop.Contains(x, y)) {
        if (justDown) {
            m_material = 0;
            m_variant = 0;
            m_layer = 1;
            SelectNone();
            m_stopped = 1;
        }
        return 1;
    }
    if (m_hide.Contains(x, y)) {
        if (justDown)
            m_countersHidden = 1;
        return 1;
    }
    if (m_guidesArea.Contains(x, y)) {
        if (justDown)
            m_guides = !m_guides;
        return 1;
    }
    if (m_mirrorArea.Contains(x, y)) {
        if (justDown)
            m_mirror = !m_mirror;
        return 1;
    }
    const int selectedBlock = m_scene ? m_scene->GetSelectedBlock() : -1;
    if (selectedBlock >= 0 && m_delete.Contains(x, y)) {
        if (justDown) {
            // Blocks are never linked as mirror partners here, so the block goes alone.
            SelectNone();
            m_scene->GetBlocks()->RemoveById(selectedBlock);
        }
        return 1;
    }
    int hit = 0;
    for (int k = 0; k < 4; ++k)
        if (m_materials[k].Contains(x, y)) {
            hit = 1;
            if (justDown)
                SetBlockByte(BYTE_MATERIAL, k);
        }
    for (int k = 0; k < 3; ++k) {
        if (m_variants[k].Contains(x, y)) {
            hit = 1;
            if (justDown)
                SetBlockByte(BYTE_VARIANT, k);
        }
        if (m_layers[k].Contains(x, y)) {
            hit = 1;
            if (justDown)
                SetBlockByte(BYTE_LAYER, k);
        }
    }
    return hit;
}

void CVexEditState::EditStep()
{
    if (!m_game || !m_renderer || !m_scene)
        return;
    const CVexTouchTable& touches = m_game->GetTouchTable();
    const CVexTouchPoint& p0 = touches.Get(0);
    const CVexTouchPoint& p1 = touches.Get(1);
    const CVexTouchPoint& p2 = touches.Get(2);
    CVexCamera& camera = m_renderer->GetCamera();
    m_pinching = touches.IsPinching();

    if (m_stopped) {
        if (p0.pressed)
            Controls(p0.position.x, p0.position.y, p0.justDown);
        return;
    }
    if (m_panMode) {
        if (p0.pressed) {
            const float z = 1.0f - (camera.GetZoom() - 0.4f) / 3.6f;
            const float k = z < 0.3f ? 0.0009f : (z <= 1.0f ? z * z * 0.01f : 0.01f);
            camera.Offset().x += p0.delta.x * k;
            camera.Offset().y += p0.delta.y * k;
        } else {
            m_panMode = 0;
        }
        return;
    }
    int zoomed = 0;
    if (m_pinching) {
        const float f = 1.0f + 0.01f * touches.GetPinchChange();
        camera.SetZoom(camera.GetZoom() * f);
        camera.SetTargetZoom(camera.GetTargetZoom() * f);
        zoomed = 1;
    }
    if (p2.pressed && p2.moved) {
        const float f = 1.0f - 0.01f * p2.delta.y;
        camera.SetZoom(camera.GetZoom() * f);
        camera.SetTargetZoom(camera.GetTargetZoom() * f);
        zoomed = 1;
    }
    if (zoomed)
        return;
    if (p0.pressed && Controls(p0.position.x, p0.position.y, p0.justDown))
        return;

    // Finger 2 toggles a marker where it tapped.
    if (p2.justUp && p2.drag.Length() <= 0.1f) {
        CVortanVector2 point;
        ToWorld(p2.position, point);
        if (CVexMarker* marker = m_scene->FindMarkerAt(point)) {
            m_scene->RemoveMarker(marker);
        } else {
            CVortanVector2 snapped;
            camera.SnapRound(point, snapped);
            m_scene->AddMarker(snapped, CVortanVector2(VEX_MARKER_HALF_SIZE, VEX_MARKER_HALF_SIZE));
        }
    }
    CVexBlockList* blocks = m_scene->GetBlocks();
    // Finger 1 places a block of the current kind.
    if (p1.justDown && !p0.pressed && blocks) {
        CVortanVector2 point, snapped;
        ToWorld(p1.position, point);
        camera.SnapFloor(point, snapped);
        CVexBlock* block =
            blocks->AddBlock((u32)m_shape, snapped, (u8)m_material, (u8)m_variant, (u8)m_layer);
        if (!block) {
            SelectNone();
            m_paletteDrag = 1;
        } else {
            Select(block->body);
        }
    }
    // The palette: a drag along the top band slides it and picks the shape under the finger.
    if (p0.pressed && p0.position.y < m_paletteBand) {
        m_paletteDrag = 1;
        SelectNone();
    }
    if (m_paletteDrag && p0.pressed) {
        if (p0.justDown)
            m_picked = 0;
        const float dx = 1.5f * p0.delta.x;
        for (CVexEditRect& c : m_cells) {
            c.left += dx;
            c.right += dx;
        }
        for (int k = 0; k < VEX_BLOCK_SHAPE_COUNT; ++k)
            if (m_cells[k].Contains(p0.position.x, p0.position.y)) {
                m_pickedCell = k;
                m_picked = 1;
                break;
            }
    }
    CVortanVector2 point;
    ToWorld(p0.position, point);
    if (p0.pressed && p0.position.y >= m_paletteBand && m_paletteDrag) {
        if (m_picked && blocks) {
            CVortanVector2 snapped;
            camera.SnapFloor(point, snapped);
            CVexBlock* block = blocks->AddBlock((u32)m_pickedCell, snapped, (u8)m_material,
                                                (u8)m_variant, (u8)m_layer);
            if (block) {
                Select(block->body);
                m_dragOffset.Set(0.0f, 0.0f);
                m_shape = m_pickedCell;
                m_paletteDrag = 0;
                m_picked = 0;
            } else {
                SelectNone();
            }
        } else {
            m_paletteDrag = 0;
        }
        return;
    }
    if (m_hasSelection && m_selected && p0.pressed && !p0.justDown) {
        CVortanVector2 target(point.x + m_dragOffset.x, point.y + m_dragOffset.y), snapped;
        camera.SnapFloor(target, snapped);
        m_selected->position = snapped;
        m_moved = 1;
        return;
    }
    if (p0.justDown && p0.position.y >= m_paletteBand) {
        CVexPhysicsBody* body =
            m_world ? m_world->QueryPoint(point, kPickKinds, kPickGroups) : nullptr;
        Select(body);
        if (body) {
            m_dragOffset.Set(body->position.x - point.x, body->position.y - point.y);
            CVexBlock* block = blocks ? blocks->FindById(m_scene->GetSelectedBlock()) : nullptr;
            if (block) {
                m_material = block->material;
                m_variant = block->variant;
                m_layer = block->layer;
                m_shape = (int)block->shape;
            }
        }
    } else if (p0.pressed && p0.moved && !m_hasSelection && !m_paletteDrag) {
        m_panMode = 1;
    }
}
