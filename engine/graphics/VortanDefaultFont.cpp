// The built-in default font's data: the generated table and page image when the build made
// them (cmake/DefaultFont.cmake puts VortanDefaultFontData.inc on the include path).
#include "engine/graphics/VortanDefaultFont.h"

#if __has_include("VortanDefaultFontData.inc")
#include "VortanDefaultFontData.inc"
#define VORTAN_HAS_DEFAULT_FONT 1
#else
#define VORTAN_HAS_DEFAULT_FONT 0
#endif

namespace {

struct DefaultFontData {
    const u8* png;
    int pngSize;
    const CVortanDefaultGlyph* glyphs;
    int glyphCount;
    int lineHeight;
};

#if VORTAN_HAS_DEFAULT_FONT
const DefaultFontData kData = {
    kVortanDefaultFontPng, (int)sizeof(kVortanDefaultFontPng), kVortanDefaultFontGlyphs,
    (int)(sizeof(kVortanDefaultFontGlyphs) / sizeof(kVortanDefaultFontGlyphs[0])),
    kVortanDefaultFontLineHeight};
#else
// A build without the generated data: no font (every output empty, result 0).
const DefaultFontData kData = {nullptr, 0, nullptr, 0, 0};
#endif

} // namespace

int VortanGetDefaultFont(const u8** png, int* pngSize, const CVortanDefaultGlyph** glyphs,
                         int* glyphCount, int* lineHeight)
{
    if (png)
        *png = kData.png;
    if (pngSize)
        *pngSize = kData.pngSize;
    if (glyphs)
        *glyphs = kData.glyphs;
    if (glyphCount)
        *glyphCount = kData.glyphCount;
    if (lineHeight)
        *lineHeight = kData.lineHeight;
    return VORTAN_HAS_DEFAULT_FONT;
}

// This file's macros end here (the build may compile it together with others).
#undef VORTAN_HAS_DEFAULT_FONT
