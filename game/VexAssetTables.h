// CVexAssetTables: the fixed, ordered name tables of every asset of the game; the rest of the
// game names an asset only by its row index (its id).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

// Row counts of the tables.
#define VEX_IMAGE_COUNT 70
#define VEX_SOUND_COUNT 24
#define VEX_MUSIC_COUNT 2
#define VEX_LEVEL_COUNT 20
#define VEX_TRAINING_COUNT 15
#define VEX_PACK_COUNT 9
#define VEX_GRAPHICS_EXT_COUNT 3
#define VEX_INTRO_SLIDE_COUNT 11
#define VEX_CREDITS_COUNT 110
#define VEX_BLOCK_SHAPE_COUNT 40

// The credits rows with this key are the closing legal block.
#define VEX_CREDITS_LEGAL_KEY 666

// A name with its value: the row index for sounds, music and images, 0 for the battlefield
// and training-scene tables.
struct CVexNamedEntry {
    CVortanString name;
    i32 value;
};

// A credits row: its text and the key of its group (0 for blank rows).
struct CVexCreditsRow {
    CVortanString text;
    i32 key;
};

class CVexAssetTables {
public:
    // The tables, built on first use (the game's factory asks before the application is
    // made) and kept until the process exits.
    static const CVexAssetTables& Get();

    // Ids are kept within their table's bounds by the callers.
    const CVortanString& ImageName(int id) const { return m_images[id].name; }
    const CVortanString& SoundName(int id) const { return m_sounds[id].name; }
    const CVortanString& MusicName(int id) const { return m_music[id].name; }
    const CVortanString& LevelName(int index) const { return m_levels[index].name; }
    const CVortanString& TrainingName(int index) const { return m_training[index].name; }
    const CVortanString& PackName(int index) const { return m_packs[index]; }
    const CVortanString& GraphicsExtName(int index) const { return m_graphicsExts[index]; }
    const CVortanString& IntroSlideName(int index) const { return m_introSlides[index]; }
    const CVortanString& FontName() const { return m_font; }
    const CVexNamedEntry& Image(int id) const { return m_images[id]; }
    const CVexNamedEntry& Sound(int id) const { return m_sounds[id]; }
    const CVexNamedEntry& Music(int id) const { return m_music[id]; }
    const CVexNamedEntry& Level(int index) const { return m_levels[index]; }
    const CVexNamedEntry& Training(int index) const { return m_training[index]; }
    const CVexCreditsRow& Credits(int row) const { return m_credits[row]; }
    // Half width and half height of block shape s (0..39), in world units.
    const CVortanVector2& BlockSize(int shape) const { return m_blockSizes[shape]; }

private:
    CVexAssetTables();
    CVexAssetTables(const CVexAssetTables&) = delete;
    CVexAssetTables& operator=(const CVexAssetTables&) = delete;

    CVexNamedEntry m_images[VEX_IMAGE_COUNT];
    CVexNamedEntry m_sounds[VEX_SOUND_COUNT];
    CVexNamedEntry m_music[VEX_MUSIC_COUNT];
    CVexNamedEntry m_levels[VEX_LEVEL_COUNT];
    CVexNamedEntry m_training[VEX_TRAINING_COUNT];
    CVortanString m_packs[VEX_PACK_COUNT];
    CVortanString m_graphicsExts[VEX_GRAPHICS_EXT_COUNT];
    CVortanString m_introSlides[VEX_INTRO_SLIDE_COUNT];
    CVortanString m_font;
    CVexCreditsRow m_credits[VEX_CREDITS_COUNT];
    CVortanVector2 m_blockSizes[VEX_BLOCK_SHAPE_COUNT];
};
