// COrloResourceManager: bitmap fonts.
#include <new>

#include "engine/VortanMediaPack.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/platform/VortanApplication.h"
#include "platform/OrloResourceManager.h"

namespace {

// Pack id of the built-in font and of fonts made elsewhere (no pack holds them).
const i32 kBuiltIn = -1;

// The built-in font, or a font whose pack is closed: nothing could load it again under this
// record.
bool NoFontPackLeft(const COrloFontRecord* record)
{
    return record->packId <= 0;
}

} // namespace

void COrloResourceManager::DeleteFont(CVortanBitmapFont* font)
{
    if (!font)
        return;
    font->Unload();
    delete font;
}

int COrloResourceManager::AddFont(const CVortanString& name, CVortanBitmapFont* font)
{
    if (name.IsEmpty() || !font)
        return 0;
    CHashString key(name);
    if (m_fonts.Contains(key))
        return 0;
    COrloFontRecord* record = new (std::nothrow) COrloFontRecord{kBuiltIn, font, 1, 0};
    if (!record)
        return 0;
    if (m_fonts.Add(key, record) != VORTAN_OK) {
        delete record;
        return 0;
    }
    return 1;
}

CVortanBitmapFont* COrloResourceManager::FindFont(const CVortanString& name)
{
    return TakeLoaded(m_fonts, name, &COrloFontRecord::font);
}

CVortanBitmapFont* COrloResourceManager::GetFont(const CVortanString& name)
{
    if (name.IsEmpty())
        return nullptr;
    CVortanBitmapFont* font = FindFont(name);
    return font ? font : LoadFont(name);
}

CVortanBitmapFont* COrloResourceManager::LoadFont(const CVortanString& name)
{
    if (name.IsEmpty())
        return nullptr;
    IVortanGraphicsContext* context = m_application ? m_application->GetGraphics() : nullptr;
    COrloFontRecord* record = LookupRecord(m_fonts, name);
    if (!record) {
        if (name != CVortanString("default"))
            return nullptr;
        CVortanBitmapFont* font = new (std::nothrow) CVortanBitmapFont();
        if (!font)
            return nullptr;
        record = new (std::nothrow) COrloFontRecord{kBuiltIn, font, 1, 0};
        if (!record || font->LoadDefault(context) != VORTAN_OK ||
            m_fonts.Add(CHashString(name), record) != VORTAN_OK) {
            delete record;
            DeleteFont(font);
            return nullptr;
        }
        return font;
    }
    if (record->font) {
        ++record->refCount;
        return record->font;
    }
    CVortanMediaPack* pack = GetPackFile(record->packId);
    if (!pack || !m_current)
        return nullptr;
    CVortanBitmapFont* font = new (std::nothrow) CVortanBitmapFont();
    if (!font)
        return nullptr;
    CVortanString entry("/");
    entry.Append(name);
    u32 flags = (record->flags & ORLO_FONT_KEEP_COLOR) ? VORTAN_FONT_KEEP_COLOR : 0;
    if (font->LoadFromPack(context, pack, entry, flags) != VORTAN_OK) {
        DeleteFont(font);
        return nullptr;
    }
    int design = m_current->fontDesignSize;
    int side = GetScreenSide();
    if (design > 0 && side > 0 && design != side)
        font->SetScale((float)side / (float)design);
    record->font = font;
    record->refCount = 1;
    return font;
}

int COrloResourceManager::AddRefFont(CVortanBitmapFont* font)
{
    return AddRefRecord(m_fonts, font, &COrloFontRecord::font);
}

int COrloResourceManager::ReleaseFont(CVortanBitmapFont*& font)
{
    return ReleaseRecord(m_fonts, font, &COrloFontRecord::font, DeleteFont, NoFontPackLeft);
}

void COrloResourceManager::UnloadFontTextures()
{
    for (int i = 0; i < m_fonts.GetSize(); ++i) {
        COrloFontRecord* record = m_fonts.ElementAt(i).value;
        if (record->font)
            record->font->ReleaseTextures();
    }
}

void COrloResourceManager::ReloadFontTextures()
{
    for (int i = 0; i < m_fonts.GetSize(); ++i) {
        COrloFontRecord* record = m_fonts.ElementAt(i).value;
        if (record->font)
            record->font->RestoreTextures();
    }
}
