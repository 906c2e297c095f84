// The built-in default font: a glyph table for codes 32 to 255 and one page image
// ("default_font_image.png") stored in the program. The data is made at build time by
// tools/makedefaultfont from DejaVu Sans (cmake/DefaultFont.cmake).
#pragma once
#include "engine/VortanTypes.h"

struct CVortanDefaultGlyph {
    i16 id;
    i16 x, y, width, height;
    i16 xoffset, yoffset, xadvance;
};

// The PNG bytes, the glyph table and the line height. 1, or 0 when the program was built
// without the generated font data.
int VortanGetDefaultFont(const u8** png, int* pngSize, const CVortanDefaultGlyph** glyphs,
                         int* glyphCount, int* lineHeight);
