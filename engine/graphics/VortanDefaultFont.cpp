// The built-in default font's data: the generated table and page image when the build made
// them (cmake/DefaultFont.cmake puts VortanDefaultFontData.inc on the include path).
#include "engine/graphics/VortanDefaultFont.h"

#if __has_include("VortanDefaultFontData.inc")
#include "VortanDefaultFontData.inc"

int VortanGetDefaultFont(const u8** png, int* pngSize, const CVortanDefaultGlyph** glyphs, int* glyphCount,
                         int* lineHeight)
{
    if (png)
        *png = kVortanDefaultFontPng;
    if (pngSize)
        *pngSize = (int)sizeof(kVortanDefaultFontPng);
    if (glyphs)
        *glyphs = kVortanDefaultFontGlyphs;
    if (glyphCount)
        *glyphCount = (int)(sizeof(kVortanDefaultFontGlyphs) / sizeof(kVortanDefaultFontGlyphs[0]));
    if (lineHeight)
        *lineHeight = kVortanDefaultFontLineHeight;
    return 1;
}
#else
int VortanGetDefaultFont(const u8** png, int* pngSize, const CVortanDefaultGlyph** glyphs, int* glyphCount,
                         int* lineHeight)
{
    if (png)
        *png = nullptr;
    if (pngSize)
        *pngSize = 0;
    if (glyphs)
        *glyphs = nullptr;
    if (glyphCount)
        *glyphCount = 0;
    if (lineHeight)
        *lineHeight = 0;
    return 0;
}
#endif
