// CVexSceneFile: the bytes of a scene file (".scn") and their fields: spawn points, blocks and
// markers with positions packed in signed bytes, behind an optional "v100" or "v110" tag with
// header words. Parse reads only what the buffer holds; Write lays out version 110.
#pragma once
#include "engine/VortanTypes.h"

// Scene file versions: untagged, "v100" (no markers), "v110".
enum { VEX_SCENE_UNTAGGED = 0, VEX_SCENE_V100 = 100, VEX_SCENE_V110 = 110 };

// Offsets and sizes of the layout.
enum {
    VEX_SCENE_HEADER_BYTES = 84, // tag and the 20 header words
    VEX_SCENE_SPAWN_BYTES = 6,   // i8 x, i8 y, u32 colour
    VEX_SCENE_PLAYER_BYTES = 18, // three spawn entries
    VEX_SCENE_BLOCK_BYTES = 6,   // i8 x, i8 y, shape, material, variant, layer
    VEX_SCENE_MARKER_BYTES = 2,  // i8 x, i8 y
    VEX_SCENE_MAX_RECORDS = 255, // what a count byte holds
    // The largest file Write makes: header, two players, 255 blocks and 255 markers.
    VEX_SCENE_MAX_WRITE_BYTES = 84 + 1 + 2 * 18 + 1 + 255 * 6 + 1 + 255 * 2
};

struct CVexSceneSpawn {
    i8 x, y;
    u32 colour; // 0xAARRGGBB as written; the reader ignores it
};

struct CVexSceneBlockRecord {
    i8 x, y;
    u8 shape, material, variant, layer;
};

struct CVexSceneMarkerRecord {
    i8 x, y;
};

class CVexSceneFile {
public:
    // Untagged, default header words, nothing else.
    CVexSceneFile();

    // The header words of untagged files and new scenes: 0, 1, 2, 3 and four times 0..3.
    static void DefaultHeader(u32 wordsA[4], u32 wordsB[16]);

    // Reads the fields from `size` bytes; never reads outside them. A tag is exactly "v100"
    // or "v110"; any other first four bytes mean the untagged form, read from offset 0.
    // Players beyond two are stepped over; of a file cut short, every whole spawn entry,
    // block and marker before the cut is taken. 1 when the file was whole; 4 when it was
    // cut short (what was whole is still filled in); 2 for a null buffer or a size below 1.
    int Parse(const u8* data, int size);

    // Version 110 with these fields; the block and marker counts are written as at most 255
    // (the records beyond are left out). `out` holds VEX_SCENE_MAX_WRITE_BYTES; returns the
    // bytes written.
    int Write(u8* out) const;

    i32 version; // VEX_SCENE_*
    u32 wordsA[4];
    u32 wordsB[16];
    i32 playerCount; // as the file gives it
    // Whole spawn entries read for each of the first two players (0..3).
    i32 spawnCount[2];
    CVexSceneSpawn spawns[2][3];
    i32 blockCount; // whole block records read (the file's count when it is whole)
    CVexSceneBlockRecord blocks[VEX_SCENE_MAX_RECORDS];
    i32 markerCount;
    CVexSceneMarkerRecord markers[VEX_SCENE_MAX_RECORDS];
};
