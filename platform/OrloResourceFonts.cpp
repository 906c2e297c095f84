// COrloResourceManager: bitmap fonts.
#include <new>

#include "engine/VortanMediaPack.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/platform/VortanApplication.h"
#include "platform/OrloResourceManager.h"

namespace {

// Pack id of the built-in font (no pack holds it).
const i32 kBuiltIn = -1;

COrloFontRecord* LookupFont(const CVortanMap<CHashString, COrloFontRecord*>& map, const CVortanString& name)
{
    int i = map.FindKey(CHashString(name));
    return i < 0 ? nullptr : map.ElementAt(i).value;
}

COrloFontRecord* FindFontRecord(CVortanMap<CHashString, COrloFontRecord*>& map, CVortanBitmapFont* font,
                                int* index)
{
    for (int i = 0; font && i < map.GetSize(); ++i) {
        if (map.ElementAt(i).value->font == font) {
            if (index)
                *index = i;
            return map.ElementAt(i).value;
        }
    }
    return nullptr;
}

}  // namespace

void COrloResourceManager::DeleteFont(CVortanBitmapFont* font)
{
    if (!font)
        return;
    font->Unload();
    delete font;
}

CVortanBitmapFont* COrloResourceManager::FindFont(const CVortanString& name)
{
    COrloFontRecord* record = name.IsEmpty() ? nullptr : LookupFont(m_fonts, name);
    if (!record || !record->font)
        return nullptr;
    ++record->refCount;
    return record->font;
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
    COrloFontRecord* record = LookupFont(m_fonts, name);
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
    if (!font)
        return 1;
    COrloFontRecord* record = FindFontRecord(m_fonts, font, nullptr);
    if (!record)
        return 0;
    ++record->refCount;
    return 1;
}

int COrloResourceManager::ReleaseFont(CVortanBitmapFont*& font)
{
    if (!font)
        return 1;
    int index = -1;
    COrloFontRecord* record = FindFontRecord(m_fonts, font, &index);
    if (!record)
        return 0;
    if (--record->refCount <= 0) {
        DeleteFont(record->font);
        record->font = nullptr;
        record->refCount = 0;
        if (record->packId <= 0) {
            // The built-in font, or a font whose pack is closed: nothing could load it again
            // under this record.
            m_fonts.RemoveAt(index);
            delete record;
        }
    }
    font = nullptr;
    return 1;
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
