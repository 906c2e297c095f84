// CVexEditState: the level editor. It holds one battlefield in editor mode over the game's
// physics world and camera and lets the user place blocks of the forty shapes on the 1/128
// grid, move and delete them, set their material, texture variant and layer, toggle markers,
// move the squibs' spawn points, pan and zoom; leaving writes the battlefield as
// "newscene.scn". Its controls are touch areas at fixed screen places; it draws none of them.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexAssetTables.h"
#include "game/VexState.h"

class CVexScene;
class CVexPhysicsBody;

// A touch area, pixels.
struct CVexEditRect {
    float left, top, right, bottom;
    bool Contains(float x, float y) const
    {
        return left <= x && x <= right && top <= y && y <= bottom;
    }
};

class CVexEditState : public CVexState, public CVexButtonListener {
public:
    CVexEditState();
    ~CVexEditState() override;

    // Loads every image and the font, lays out the controls and the palette and makes the
    // editor's battlefield. 1.
    int Init(CStateGame* game) override;
    void Release() override;
    // An empty battlefield, the view at its start, nothing selected.
    void Reset() override;
    void Update(float dt) override;
    void Render() override;
    void ReloadGraphics() override {}
    // Typed characters are swallowed.
    int OnChar(int code) override
    {
        (void)code;
        return 1;
    }

    void OnButtonPressed(CVexButton* button) override { (void)button; }
    void OnButtonClicked(CVexButton* button) override { (void)button; }
    void OnButtonHeld(CVexButton* button) override { (void)button; }

    // --- for tests and the controls' places --------------------------------------------
    CVexScene* GetScene() const { return m_scene; }
    CVexPhysicsBody* GetSelected() const { return m_selected; }
    int GetCurrentShape() const { return m_shape; }
    int GetCurrentMaterial() const { return m_material; }
    int GetCurrentVariant() const { return m_variant; }
    int GetCurrentLayer() const { return m_layer; }
    int IsStopped() const { return m_stopped; }
    int IsMirror() const { return m_mirror; }
    int HasGuides() const { return m_guides; }
    int AreCountersHidden() const { return m_countersHidden; }
    int IsPanning() const { return m_panMode; }
    int IsPaletteDrag() const { return m_paletteDrag; }
    const CVexEditRect& GetCell(int k) const { return m_cells[k]; }
    const CVexEditRect& GetStopArea() const { return m_stop; }
    const CVexEditRect& GetHideArea() const { return m_hide; }
    const CVexEditRect& GetLeaveArea() const { return m_leave; }
    const CVexEditRect& GetDeleteArea() const { return m_delete; }
    const CVexEditRect& GetGuidesArea() const { return m_guidesArea; }
    const CVexEditRect& GetMirrorArea() const { return m_mirrorArea; }
    const CVexEditRect& GetMaterialArea(int k) const { return m_materials[k]; }
    const CVexEditRect& GetVariantArea(int k) const { return m_variants[k]; }
    const CVexEditRect& GetLayerArea(int k) const { return m_layers[k]; }
    // The palette band: touches above this line are in the palette.
    float GetPaletteBand() const { return m_paletteBand; }

private:
    void LayOut();
    void EditStep();
    int Controls(float x, float y, int justDown);
    void Select(CVexPhysicsBody* body);
    void SelectNone();
    void SetBlockByte(int what, int k);
    void ToWorld(const CVortanVector2& screen, CVortanVector2& world) const;
    void Line(const CVortanVector2& a, const CVortanVector2& b, u32 colour);
    void RenderGuides();
    void RenderLimits();
    void RenderCounters();

    CVexScene* m_scene;
    i32 m_mirror;
    i32 m_moved;
    i32 m_stopped;
    i32 m_panMode;
    i32 m_pinching;
    i32 m_shape, m_material, m_variant, m_layer;
    i32 m_countersHidden;
    float m_time;
    i32 m_paletteDrag;
    i32 m_pickedCell;
    i32 m_picked;
    CVexPhysicsBody* m_selected;
    i32 m_hasSelection;
    CVortanVector2 m_dragOffset;
    CVexEditRect m_cells[VEX_BLOCK_SHAPE_COUNT];
    CVexEditRect m_stop, m_hide, m_leave, m_delete, m_guidesArea, m_mirrorArea;
    CVexEditRect m_materials[4], m_variants[3], m_layers[3];
    float m_paletteBand;
    i32 m_guides;
    CVortanString m_name;
};
