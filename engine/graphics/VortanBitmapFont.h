// CVortanBitmapFont: text drawn from glyph images.
//
// A font description in XML ("font/common" with "$lineHeight", "font/pages" naming one page
// image per child, "font/chars" with "$count" and one "char" element per glyph) names the page
// images; each glyph is a rectangle on a page with offsets and an advance. The font measures
// and wraps text, understands inline colour tags ("$COLOR=0xAARRGGBB") and draws either
// through the GLES2 extension (runs of up to 64 textured glyph quads) or into a software
// surface (the glyphs' 8-bit coverage), depending on the graphics context it is given.
//
// Besides its glyphs the font keeps a cache of system-font texts (rendered with Pango into
// a shared atlas surface, see CVortanSurface::DrawText) that later draws blit from the atlas.
// Main thread only. Owners call Unload before deleting a font.
#pragma once
#include "engine/VortanID.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class CVortan3DProgram;
class CVortanMediaPack;
class CVortanSurface;
class CVortanXMLDataNode;
class IVortanGraphicsContext;

// Text flags read by the fonts and the text renderer.
enum {
    VORTAN_TEXT_BLEND = 0x80,        // software path: blend glyph coverage with the colour
    VORTAN_TEXT_CENTER_X = 0x100,    // centre each line horizontally in the rectangle
    VORTAN_TEXT_CENTER_Y = 0x200,    // centre the text vertically
    VORTAN_TEXT_RIGHT = 0x40000,     // align each line to the rectangle's right edge
    VORTAN_TEXT_MULTILINE = 0x80000, // CR and LF start new lines, words wrap at the right edge
    VORTAN_TEXT_MEASURE = 0x100000,  // system text: lay out only, draw nothing
    VORTAN_TEXT_NO_TAGS = 0x400000   // colour tags are ordinary text
};

// Flag bit 0 of a font load: keep the pages' colours (RGBA textures, text program B).
enum { VORTAN_FONT_KEEP_COLOR = 0x1 };

// Glyphs of one page drawn by one indexed draw: up to 64 quads of four vertices
// {corner x, corner y, u, v, offset x, offset y} (24 bytes each) and six u16 indices each.
struct CVortanTextRun {
    enum { MAX_GLYPHS = 64, FLOATS_PER_VERTEX = 6 };
    u32 color; // 0xAARRGGBB
    i32 count; // glyphs in the run
    u32 texture;
    i32 page;
    float vertices[MAX_GLYPHS * 4 * FLOATS_PER_VERTEX];
    u16 indices[MAX_GLYPHS * 6];
};

// What DrawText laid out: the context, the colour, the drawing rectangle after clipping, the
// flags and the runs (owned: freed by FreeRuns and by the destructor).
class CVortanTextLayout {
public:
    CVortanTextLayout();
    ~CVortanTextLayout();
    void FreeRuns();
    int GetRunCount() const { return m_runs.GetCount(); }
    CVortanTextRun* GetRun(int i) const { return (CVortanTextRun*)m_runs.GetAt(i); }

    IVortanGraphicsContext* m_context;
    u32 m_color;
    CVortanRect m_rect;
    u32 m_flags;
    CVortanPtrArray m_runs;

private:
    CVortanTextLayout(const CVortanTextLayout&) = delete;
    CVortanTextLayout& operator=(const CVortanTextLayout&) = delete;
};

struct CVortanGlyph {
    i32 id;   // character code
    i32 x, y; // rectangle on the page, pixels
    i32 width, height;
    i32 xoffset, yoffset;
    i32 xadvance;
    i32 page;  // index into the pages
    i32 index; // the record's own position
};

struct CVortanFontPage {
    CVortanString file;
    u8* alpha; // 8-bit coverage (the low byte of each pixel), one byte per pixel
    i32 width, height;
    CVortanSurface* surface;
    u32 texture; // GL texture name (0 = none)
};

// Four corners {x, y, u, v}: (0, 0), (0, -2h), (2w, -2h), (2w, 0).
struct CVortanGlyphQuad {
    float corner[4][4];
};

class CVortanBitmapFont : public CVortanID {
public:
    CVortanBitmapFont();
    virtual ~CVortanBitmapFont();

    static CVortanBitmapFont* Create();

    // --- loading ----------------------------------------------------------------------------
    // Parses the description, loads the pages (a page name is tried as given, next to the
    // description, then next to the executable), builds the textures and the quad table; the
    // description's name becomes the identifier. VORTAN_OK; VORTAN_E_ARGUMENT without a context;
    // else the first failing code (XML, file, image).
    int LoadFromFile(IVortanGraphicsContext* context, const CVortanString& path, u32 flags = 0);
    // The same from a data pack: the description entry and its pages from the pack.
    int LoadFromPack(IVortanGraphicsContext* context, CVortanMediaPack* pack,
                     const CVortanString& entry, u32 flags = 0);
    // The built-in font: codes 32 to 255, line height 10, identifier "default-font".
    int LoadDefault(IVortanGraphicsContext* context);
    // Reads the description into the glyph records and the direct table. VORTAN_OK;
    // VORTAN_E_MISSING for a missing node or line height; VORTAN_E_MALFORMED for a glyph count
    // below 1, a negative line height or a glyph on a page that does not exist; VORTAN_E_NOMEMORY
    // out of memory.
    int LoadXML(CVortanXMLDataNode* root);
    // Frees glyphs, tables, pages (coverage, surfaces, textures), layouts and the text cache.
    void Unload();

    // --- glyphs and metrics -------------------------------------------------------------------
    const CVortanGlyph* FindGlyph(u32 code) const;
    int GetLineHeight() const;
    int GetRawLineHeight() const { return m_lineHeight; }
    float GetScale() const { return m_scale; }
    void SetScale(float scale) { m_scale = scale; }
    int GetGlyphCount() const { return m_glyphCount; }
    const CVortanGlyph* GetGlyph(int i) const
    {
        return (i >= 0 && i < m_glyphCount) ? &m_glyphs[i] : nullptr;
    }
    int GetPageCount() const { return m_pages.GetCount(); }
    const CVortanFontPage* GetPage(int i) const { return (const CVortanFontPage*)m_pages.GetAt(i); }
    const CVortanGlyphQuad* GetQuad(int i) const
    {
        return (m_quads && i >= 0 && i < m_glyphCount) ? &m_quads[i] : nullptr;
    }
    CVortan3DProgram* GetProgram() const { return m_program; }

    // Width of the widest line (lines only with VORTAN_TEXT_MULTILINE), scaled and truncated.
    int GetTextWidth(const CVortanString& text, u32 flags);
    // `out` = the text with LF at the spaces where it wraps at the rectangle's right edge
    // (wrapping needs VORTAN_TEXT_MULTILINE; without it CR and LF become spaces). Returns
    // VORTAN_OK.
    int WrapText(const CVortanString& text, CVortanString& out, const CVortanRect& rect, u32 flags);
    // Sets rect.bottom to where the text wrapped into the rectangle ends (scaled line
    // heights). Returns the text's length.
    int MeasureWrappedText(CVortanRect& rect, const CVortanString& text);
    static bool HasCodesAbove255(const CVortanString& text);

    // --- drawing -------------------------------------------------------------------------------
    // Draws the text into the rectangle of the context in `color` (the colour of the first
    // run). With a layout the runs are handed to it (the caller frees them). VORTAN_OK;
    // VORTAN_E_ARGUMENT without a context.
    int DrawText(const CVortanRect& rect, IVortanGraphicsContext* context,
                 const CVortanString& text, u32 color, u32 flags,
                 CVortanTextLayout* layout = nullptr);
    // The rectangle in unit coordinates of the context.
    int DrawTextInContext(const CVortanFloatRect& rect, IVortanGraphicsContext* context,
                          const CVortanString& text, u32 color, u32 flags,
                          CVortanTextLayout* layout = nullptr);
    // From a point to the context's width and height (pixels, or unit coordinates).
    int DrawTextAt(int x, int y, IVortanGraphicsContext* context, const CVortanString& text,
                   u32 color, u32 flags, CVortanTextLayout* layout = nullptr);
    int DrawTextAtUnit(float x, float y, IVortanGraphicsContext* context, const CVortanString& text,
                       u32 color, u32 flags, CVortanTextLayout* layout = nullptr);

    // After a context loss: drop the page textures; once the context is back, build them
    // again from the kept coverage (or the pages' pixels). RestoreTextures returns VORTAN_OK or the
    // first failing code.
    void ReleaseTextures();
    int RestoreTextures();

    // --- system-font text cache --------------------------------------------------------------
    // Draws the text in a system font through the cache (rendered once per text, font, size,
    // colour, flags and width). Returns 0.
    int DrawSystemText(IVortanGraphicsContext* target, const CVortanRect& rect,
                       const CVortanString& fontName, int size, const CVortanString& text,
                       u32 color, u32 flags);
    // 1 when a cached text of that text and colour was drawn, else 0.
    int DrawCachedSystemText(IVortanGraphicsContext* target, const CVortanRect& rect,
                             const CVortanString& text, u32 color, u32 flags);
    // A new atlas (the records are dropped). VORTAN_OK, VORTAN_E_NOMEMORY without an atlas object,
    // or the creation's code.
    int CreateTextAtlas(int width, int height);
    // Drops every record, resets the cursor and clears the atlas (safe without one).
    void ClearTextCache();
    int GetTextCacheCount() const { return m_textRecords.GetCount(); }
    CVortanSurface* GetTextAtlas() const { return m_atlas; }

private:
    struct TextRecord;

    int LoadPages(CVortanMediaPack* pack, const CVortanString& descriptionDir, u32 flags);
    int BuildTextures(u32 flags);
    int BuildPageTexture(CVortanFontPage* page);
    void BuildQuads();
    int FinishLoad(const CVortanString& name, CVortanMediaPack* pack, const CVortanString& dir,
                   u32 flags);
    void FreeTextRecords();
    void FreePages();
    void BlitRecord(IVortanGraphicsContext* target, const CVortanRect& rect,
                    const TextRecord* record, u32 flags);

    CVortanBitmapFont(const CVortanBitmapFont&) = delete;
    CVortanBitmapFont& operator=(const CVortanBitmapFont&) = delete;

    IVortanGraphicsContext* m_context;
    CVortanPtrArray m_pages; // CVortanFontPage*, owned
    i32 m_lineHeight;
    i32 m_glyphCount;
    CVortanGlyph* m_glyphs;
    const CVortanGlyph** m_direct; // 256 entries
    CVortanGlyphQuad* m_quads;
    float m_scale;
    CVortan3DProgram* m_program;
    CVortanPtrArray m_layouts; // CVortanTextLayout*, owned
    CVortanSurface* m_extraSurface;
    u32 m_loadFlags;

    // System-text cache.
    CVortanPtrArray m_textRecords; // TextRecord*, owned
    CVortanSurface* m_atlas;
    i32 m_cursorX;
    i32 m_cursorY;
    // How the next atlas is made: the application and pixel format of the surface drawn into
    // (0: the display's) and its description flags (the texture mirror for a GLES2 target).
    class IVortanApplication* m_atlasApplication;
    i32 m_atlasFormat;
    u32 m_atlasFlags;
};
