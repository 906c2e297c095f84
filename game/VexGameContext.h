// CVexGameContext: the state one game shares among its parts: the match message sequence
// counter, the physics world's copy of its sub-step, and the handle slots of the game's
// images, sounds and font. CStateGame owns one and hands it on; two games in one process
// share nothing.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class COrloResourceManager;
class CVortanSurface;
class CVortanSoundWave;
class CVortanBitmapFont;

// Handle slots: one per image id, one per sound id, and the one game font.
enum { VEX_IMAGE_SLOTS = 70, VEX_SOUND_SLOTS = 24 };

class CVexGameContext {
public:
    // Counter 0, sub-step 0.25, every slot null.
    CVexGameContext();
    // Handles still in their slots stay with the resource manager (see ReleaseHandles).
    virtual ~CVexGameContext();

    // --- sequence counter (one per game; every message queue of the game uses it) -------
    u32 GetSequence() const { return m_sequence; }
    // The counter's value, then adds one (wrapping after 0xFFFFFFFF).
    u32 TakeSequence() { return m_sequence++; }
    void SetSequence(u32 value) { m_sequence = value; }

    // --- the physics world's sub-step dt (written by CVexPhysicsWorld::Init) -------------
    float GetSubStep() const { return m_subStep; }
    void SetSubStep(float dt) { m_subStep = dt; }

    // --- handle slots ----------------------------------------------------------------------
    // The handle in the slot; null for an empty slot or an id outside the table.
    CVortanSurface* GetImage(int id) const;
    CVortanSoundWave* GetSound(int id) const;
    CVortanBitmapFont* GetFont() const { return m_font; }
    // The slot itself, for the parts that load and release through the resource manager;
    // null for an id outside the table.
    CVortanSurface** ImageSlot(int id);
    CVortanSoundWave** SoundSlot(int id);
    CVortanBitmapFont** FontSlot() { return &m_font; }

    // Loads the named resource into the slot through the resource manager (images and
    // sounds with flags 0), releasing the handle the slot held first. 1 when a handle is
    // now in the slot; 0 when the resource is missing (the slot is then empty);
    // VORTAN_E_ARGUMENT for an id outside the table.
    int LoadImage(COrloResourceManager* resources, int id, const CVortanString& name);
    int LoadSound(COrloResourceManager* resources, int id, const CVortanString& name);
    int LoadFont(COrloResourceManager* resources, const CVortanString& name);
    // Gives the slot's handle back and empties the slot (an empty slot or an id outside the
    // table is left alone).
    void ReleaseImage(COrloResourceManager* resources, int id);
    void ReleaseSound(COrloResourceManager* resources, int id);
    void ReleaseFont(COrloResourceManager* resources);
    void ReleaseAllImages(COrloResourceManager* resources);
    void ReleaseAllSounds(COrloResourceManager* resources);
    // Every image, sound and the font.
    void ReleaseHandles(COrloResourceManager* resources);

private:
    CVexGameContext(const CVexGameContext&) = delete;
    CVexGameContext& operator=(const CVexGameContext&) = delete;

    u32 m_sequence;
    float m_subStep;
    CVortanSurface* m_images[VEX_IMAGE_SLOTS];
    CVortanSoundWave* m_sounds[VEX_SOUND_SLOTS];
    CVortanBitmapFont* m_font;
};
