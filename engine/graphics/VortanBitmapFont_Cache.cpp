// CVortanBitmapFont: the cache of system-font texts. Each distinct text (with its font, size,
// colour, flags and wrap width) is painted once into a shared atlas surface; later draws
// blit its cell.
#include <new>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"

struct CVortanBitmapFont::TextRecord {
    CVortanString text;
    CVortanString font;
    i32 size;
    u32 flags;
    i32 wrapWidth;
    CVortanRect rect; // cell in the atlas
    u32 color;
};

namespace {

const int kAtlasSize = 512;
const int kAtlasLimit = 1024;

} // namespace

void CVortanBitmapFont::FreeTextRecords()
{
    for (int i = 0; i < m_textRecords.GetCount(); ++i)
        delete (TextRecord*)m_textRecords.GetAt(i);
    m_textRecords.RemoveAll();
}

void CVortanBitmapFont::ClearTextCache()
{
    FreeTextRecords();
    m_cursorX = 0;
    m_cursorY = 0;
    if (m_atlas && m_atlas->GetPixels())
        m_atlas->Clear(0, nullptr);
}

int CVortanBitmapFont::CreateTextAtlas(int width, int height)
{
    FreeTextRecords();
    m_cursorX = 0;
    m_cursorY = 0;
    if (m_atlas) {
        m_atlas->Clear(0, nullptr);
        m_atlas->Release();
        delete m_atlas;
        m_atlas = nullptr;
    }
    m_atlas = new (std::nothrow) CVortanSurface();
    if (!m_atlas)
        return VORTAN_E_NOMEMORY;
    CVortanSurfaceDesc desc;
    desc.width = width;
    desc.height = height;
    desc.pitch = 0;
    desc.pixelFormat = m_atlasFormat;
    desc.flags = m_atlasFlags;
    int result = m_atlas->Create(m_atlasApplication, &desc);
    if (result != VORTAN_OK) {
        m_atlas->Release();
        delete m_atlas;
        m_atlas = nullptr;
        return result;
    }
    m_atlas->Clear(0, nullptr);
    return VORTAN_OK;
}

void CVortanBitmapFont::BlitRecord(IVortanGraphicsContext* target, const CVortanRect& rect,
                                   const TextRecord* record, u32 flags)
{
    int w = record->rect.right - record->rect.left, h = record->rect.bottom - record->rect.top;
    int x = rect.left, y = rect.top;
    if (flags & VORTAN_TEXT_CENTER_X)
        x = rect.left + (rect.right - rect.left) / 2 - w / 2;
    else if (flags & VORTAN_TEXT_RIGHT)
        x = rect.right - w;
    if (flags & VORTAN_TEXT_CENTER_Y)
        y = rect.top + (rect.bottom - rect.top) / 2 - h / 2;
    target->Blit(x, y, m_atlas, &record->rect, VORTAN_BLIT_ALPHA);
}

int CVortanBitmapFont::DrawCachedSystemText(IVortanGraphicsContext* target, const CVortanRect& rect,
                                            const CVortanString& text, u32 color, u32 flags)
{
    if (!target || !m_atlas)
        return 0;
    for (int i = 0; i < m_textRecords.GetCount(); ++i) {
        const TextRecord* r = (const TextRecord*)m_textRecords.GetAt(i);
        if (r->color == color && r->text == text) {
            BlitRecord(target, rect, r, flags);
            return 1;
        }
    }
    return 0;
}

int CVortanBitmapFont::DrawSystemText(IVortanGraphicsContext* target, const CVortanRect& rect,
                                      const CVortanString& fontName, int size,
                                      const CVortanString& text, u32 color, u32 flags)
{
    if (!target)
        return 0;
    int width = rect.right - rect.left;
    if (width <= 0 || rect.bottom <= rect.top || text.IsEmpty())
        return 0;
    flags &= ~(u32)VORTAN_TEXT_MEASURE;

    // The atlas is made in the pixel format of the surface drawn into, so that its cells blit
    // straight; a GLES2 target draws it from its texture mirror.
    IVortanApplication* application = nullptr;
    int format = VORTAN_PIXEL_DISPLAY;
    u32 descFlags = 0;
    if (target->GetContextType() == VORTAN_CONTEXT_SURFACE) {
        CVortanSurface* surface = static_cast<CVortanSurface*>(target);
        application = surface->GetApplication();
        format = surface->GetPixelFormat();
    } else {
        descFlags = VORTAN_SURFACE_TEXTURE;
    }
    if (m_atlas && ((format && m_atlas->GetPixelFormat() != format) ||
                    (descFlags && !m_atlas->GetTexture()))) {
        m_atlasApplication = application;
        m_atlasFormat = format;
        m_atlasFlags = descFlags;
        if (CreateTextAtlas(m_atlas->GetWidth(), m_atlas->GetHeight()) != VORTAN_OK)
            return 0;
    }
    if (!m_atlas) {
        m_atlasApplication = application;
        m_atlasFormat = format;
        m_atlasFlags = descFlags;
        if (CreateTextAtlas(kAtlasSize, kAtlasSize) != VORTAN_OK)
            return 0;
    } else {
        for (int i = 0; i < m_textRecords.GetCount(); ++i) {
            const TextRecord* r = (const TextRecord*)m_textRecords.GetAt(i);
            if (r->color == color && r->size == size && r->flags == flags &&
                r->wrapWidth == width && r->text == text && r->font == fontName) {
                BlitRecord(target, rect, r, flags);
                return 0;
            }
        }
    }

    CVortanRect measured;
    measured.Set(0, 0, width, rect.bottom - rect.top);
    int height =
        m_atlas->DrawText(&measured, fontName, size, text, color, flags | VORTAN_TEXT_MEASURE);
    if (height <= 0)
        return 0;

    // A cell larger than the atlas grows it (up to 1024 a side); what still does not fit is
    // cut to the atlas.
    int aw = m_atlas->GetWidth(), ah = m_atlas->GetHeight();
    if (width > aw || height > ah) {
        int nw = width > aw ? width : aw, nh = height > ah ? height : ah;
        if (nw > kAtlasLimit)
            nw = kAtlasLimit;
        if (nh > kAtlasLimit)
            nh = kAtlasLimit;
        if (CreateTextAtlas(nw, nh) != VORTAN_OK)
            return 0;
        aw = nw;
        ah = nh;
    }
    int cellW = width > aw ? aw : width, cellH = height > ah ? ah : height;

    if (m_cursorX + cellW > aw) {
        m_cursorX = 0;
        int bottom = 0;
        for (int i = 0; i < m_textRecords.GetCount(); ++i) {
            const TextRecord* r = (const TextRecord*)m_textRecords.GetAt(i);
            if (r->rect.bottom > bottom)
                bottom = r->rect.bottom;
        }
        m_cursorY = bottom;
    }
    if (m_cursorY + cellH > ah)
        ClearTextCache();

    TextRecord* record = new (std::nothrow) TextRecord();
    if (!record)
        return 0;
    record->text = text;
    record->font = fontName;
    record->size = size;
    record->flags = flags;
    record->wrapWidth = width;
    record->color = color;
    record->rect.Set(m_cursorX, m_cursorY, m_cursorX + cellW, m_cursorY + cellH);
    m_cursorX += cellW;
    CVortanRect paint = record->rect;
    m_atlas->DrawText(&paint, fontName, size, text, color, flags);
    // The atlas's texture mirror must show the new text before a GLES2 blit reads it.
    if (m_atlas->GetTexture())
        m_atlas->UploadTexture();
    if (m_textRecords.Add(record) != VORTAN_OK) {
        delete record;
        return 0;
    }
    BlitRecord(target, rect, record, flags);
    return 0;
}
