// The records the resource manager keeps: one per opened data pack and one per named
// surface, atlas member, sound, font, GLSL program and other file. Registries map the bare
// file name to a record pointer; the records belong to the resource manager.
#pragma once
#include "engine/HashString.h"
#include "engine/VortanMap.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class CVortanMediaPack;
class CVortanSurface;
class CVortanSoundWave;
class CVortanBitmapFont;
class CVortan3DProgram;
class COrloResourceManager;

// Flag bits of image and font records (from "/dmp.meta").
enum {
    ORLO_IMAGE_NO_MIPMAPS = 0x1,
    ORLO_FONT_KEEP_COLOR = 0x1
};

// One opened data pack.
struct COrloPackRecord {
    COrloPackRecord() : id(0), pack(nullptr), imageDesignSize(0), fontDesignSize(0), separateAlpha(false) {}

    i32 id;
    CVortanString path;             // as opened (after the ".jet" fall-back)
    CVortanMediaPack* pack;         // null while its file is closed
    CVortanMap<CHashString, i32> imageFlags;  // from "/dmp.meta", emptied once listed
    CVortanMap<CHashString, i32> fontFlags;   // from "/dmp.meta", emptied once listed
    i32 imageDesignSize;            // 0 = none
    i32 fontDesignSize;             // 0 = none
    bool separateAlpha;
};

struct COrloSurfaceRecord {
    COrloResourceManager* owner;  // the manager for pack images, null for added surfaces
    i32 packId;                   // -1 for a surface registered from outside
    CVortanSurface* surface;      // null until loaded
    i32 refCount;
    i32 flags;                    // ORLO_IMAGE_*
};

struct COrloAtlasRecord {
    i32 packId;
    CVortanString image;          // the atlas image's bare file name
    CVortanFloatRect rect;        // where the member lies in the image, as written
};

struct COrloSoundRecord {
    i32 packId;
    CVortanSoundWave* sound;      // null until loaded
    i32 refCount;
};

struct COrloFontRecord {
    i32 packId;
    CVortanBitmapFont* font;      // null until loaded
    i32 refCount;
    i32 flags;                    // ORLO_FONT_*
};

struct COrloProgramRecord {
    i32 spare;                    // 0
    CVortan3DProgram* program;    // null after its last release
    i32 refCount;
};

struct COrloOtherFileRecord {
    i32 packId;
};
