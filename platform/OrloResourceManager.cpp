// COrloResourceManager: packs, registries, surfaces, sounds, programs and the resource
// reader. Fonts are in OrloResourceManager_Fonts.cpp.
#include "platform/OrloResourceManager.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <new>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "platform/OrloSoundLoader.h"
#include "xmlloader/XMLLoaderWrapper.h"

namespace {

const u32 kGlRgba = 0x1908;         // GL_RGBA
const u32 kGlUnsignedByte = 0x1401; // GL_UNSIGNED_BYTE

// Largest entry read whole into memory (resource files, sound files, descriptions).
const int kMaxReadBytes = 64 * 1024 * 1024;

// Largest side of an image scaled to the screen by its pack's design size. A design size
// from a damaged or hostile "/dmp.meta" (original_size 1) would otherwise blow an image up
// to gigabytes; such an image is used at its own size.
const i64 kMaxScaledSide = 4096;

// Pack-variant sizes, largest first.
const int kPackSizes[] = {640, 480, 360, 320, 240};

// Records of packs that were closed while an object of theirs was still loaded keep this
// pack id; no pack has it, so the record is dropped with its last reference (or taken over
// by the next pack that lists the name).
const i32 kNoPack = 0;
// Pack id of surfaces added from outside and of the built-in font.
const i32 kOutside = -1;

enum EntryKind { KIND_OTHER, KIND_IMAGE, KIND_ATLAS, KIND_SOUND, KIND_FONT, KIND_META };

EntryKind KindOf(const CVortanString& bareName)
{
    if (bareName == CVortanString("dmp.meta"))
        return KIND_META;
    int dot = bareName.ReverseFind('.');
    if (dot <= 0)
        return KIND_OTHER;
    CVortanString ext(bareName, dot + 1, -1);
    if (ext.CompareNoCase(CVortanString("jpg")) == 0 ||
        ext.CompareNoCase(CVortanString("png")) == 0)
        return KIND_IMAGE;
    if (ext.CompareNoCase(CVortanString("six")) == 0)
        return KIND_ATLAS;
    if (ext.CompareNoCase(CVortanString("wav")) == 0 ||
        ext.CompareNoCase(CVortanString("ogg")) == 0)
        return KIND_SOUND;
    if (ext.CompareNoCase(CVortanString("fnt")) == 0)
        return KIND_FONT;
    return KIND_OTHER;
}

// The ".jet" name of a pack path: its ".dmp" suffix replaced (only the suffix: a ".dmp"
// inside a directory name stays). False when the path does not end in ".dmp".
bool JetPath(const CVortanString& path, CVortanString& jet)
{
    CVortanString suffix(".dmp");
    if (!path.EndsWith(suffix))
        return false;
    jet = CVortanString(path, 0, path.GetLength() - suffix.GetLength());
    jet.Append(CVortanString(".jet"));
    return true;
}

CVortanString EntryPath(const CVortanString& name)
{
    CVortanString path("/");
    path.Append(name);
    return path;
}

// Reads the pack entry whose bare name is `name` whole into a new buffer with a NUL after
// the data. Returns the size, 0 (buffer null) when it is absent, empty, too large or short.
int ReadEntry(CVortanMediaPack* pack, const CVortanString& name, char** buffer)
{
    *buffer = nullptr;
    if (!pack || name.IsEmpty())
        return 0;
    int size = pack->FindEntry(name);
    if (size <= 0 || size > kMaxReadBytes)
        return 0;
    char* data = new (std::nothrow) char[(size_t)size + 1];
    if (!data)
        return 0;
    CVortanFile* file = pack->GetFile();
    if (!file || file->Read(data, size) != size) {
        delete[] data;
        return 0;
    }
    data[size] = 0;
    *buffer = data;
    return size;
}

// Whether an emptied record goes with its object: nothing could load it again when it was
// added from outside or its pack is closed.
template <class R>
bool NoPackLeft(const R* record)
{
    return record->packId <= 0;
}

bool IsTrue(const char* text)
{
    return text && atoi(text) != 0;
}

// The design size of an "image" or "font" section of "/dmp.meta" (its "original_size"; 0
// when absent or negative).
i32 DesignSizeOf(CVortanXMLDataNode* section)
{
    CVortanXMLDataNode* node = CXMLLoaderWrapper::FindChildElement(section, "original_size");
    i32 size = CXMLLoaderWrapper::GetIntAttribute(node, "$value", 0);
    return size < 0 ? 0 : size;
}

// The "files" list of a "/dmp.meta" section: `bit` for every file whose `attribute` is true,
// 0 for the others, keyed by the bare file name.
void ReadFileFlags(CVortanXMLDataNode* section, const char* attribute, i32 bit,
                   CVortanMap<CHashString, i32>& out)
{
    CVortanXMLDataNode* files = CXMLLoaderWrapper::FindChildElement(section, "files");
    for (CVortanXMLDataNode* f = CXMLLoaderWrapper::GetFirstChild(files); f;
         f = CXMLLoaderWrapper::GetNextSibling(f)) {
        const char* nodeName = CXMLLoaderWrapper::GetNodeName(f);
        const char* path = CXMLLoaderWrapper::GetAttribute(f, "$path");
        if (!nodeName || strcmp(nodeName, "file") != 0 || !path || !path[0])
            continue;
        i32 flags = IsTrue(CXMLLoaderWrapper::GetAttribute(f, attribute)) ? bit : 0;
        out.Add(CHashString(COrloResourceManager::StripDirectory(CVortanString(path))), flags);
    }
}

// The flags "/dmp.meta" gave the entry (0 when it named none).
i32 FlagsOf(const CVortanMap<CHashString, i32>& flags, const CHashString& key)
{
    int at = flags.FindKey(key);
    return at < 0 ? 0 : flags.ElementAt(at).value;
}

void SetFlags(COrloSurfaceRecord* record, i32 flags)
{
    record->flags = flags;
}

void SetFlags(COrloFontRecord* record, i32 flags)
{
    record->flags = flags;
}

void SetFlags(COrloSoundRecord*, i32) {}

// Lists a pack entry in its registry. A record left behind by a closed pack is taken over
// (with the entry's flags), so that it can load again; one that an open pack lists stays
// with that pack; a new name gets the record that `make` builds.
template <class R, class Make>
void ListEntry(CVortanMap<CHashString, R*>& map, const CHashString& key, i32 packId, i32 flags,
               Make make)
{
    int at = map.FindKey(key);
    if (at >= 0) {
        R* existing = map.ElementAt(at).value;
        if (existing->packId == kNoPack) {
            existing->packId = packId;
            SetFlags(existing, flags);
        }
        return;
    }
    R* record = make();
    if (record && map.Add(key, record) != VORTAN_OK)
        delete record;
}

} // namespace

// --- construction -----------------------------------------------------------------------------

COrloResourceManager::COrloResourceManager()
    : m_application(nullptr), m_soundEngine(nullptr), m_nextPackId(0), m_skipPoll(1),
      m_current(nullptr)
{}

COrloResourceManager::~COrloResourceManager()
{
    ReleaseAll();
}

int COrloResourceManager::Init(IVortanApplication* application, CVortanSoundEngine* soundEngine)
{
    m_application = application;
    m_soundEngine = soundEngine;
    // Ids stay unique should Init come again while packs are open.
    if (m_nextPackId < 1)
        m_nextPackId = 1;
    return VORTAN_OK;
}

int COrloResourceManager::GetScreenSide() const
{
    IVortanGraphicsContext* graphics = m_application ? m_application->GetGraphics() : nullptr;
    if (!graphics)
        return 0;
    int w = graphics->GetWidth();
    int h = graphics->GetHeight();
    return w < h ? w : h;
}

int COrloResourceManager::GetCurrentPackId() const
{
    return m_current ? m_current->id : 0;
}

int COrloResourceManager::GetPendingSoundLoads()
{
    m_lock.Lock();
    int n = m_loaders.GetSize();
    m_lock.Unlock();
    return n;
}

CVortanString COrloResourceManager::StripDirectory(const CVortanString& path)
{
    int slash = path.ReverseFind('/');
    int backslash = path.ReverseFind('\\');
    int at = slash > backslash ? slash : backslash;
    if (at < 0)
        return path;
    return CVortanString(path, at + 1, -1);
}

// --- releasing --------------------------------------------------------------------------------

void COrloResourceManager::DeleteSurface(CVortanSurface* surface)
{
    if (!surface)
        return;
    surface->Release();
    delete surface;
}

void COrloResourceManager::DeleteSound(CVortanSoundWave* sound)
{
    if (!sound)
        return;
    sound->ReleaseBuffers();
    delete sound;
}

void COrloResourceManager::DeleteProgram(CVortan3DProgram* program)
{
    if (!program)
        return;
    program->Release();
    delete program;
}

void COrloResourceManager::RemoveLoadersLocked(CVortanSoundWave* sound)
{
    for (int i = 0; i < m_loaders.GetSize();) {
        CAsyncSoundLoader* loader = m_loaders[i];
        if (!sound || loader->GetSound() == sound) {
            loader->Stop();
            delete loader;
            m_loaders.RemoveAt(i);
        } else {
            ++i;
        }
    }
}

void COrloResourceManager::ReleaseAll()
{
    m_lock.Lock();
    RemoveLoadersLocked(nullptr);
    m_loaders.RemoveAll();
    m_lock.Unlock();

    for (int i = 0; i < m_packs.GetCount(); ++i) {
        COrloPackRecord* record = static_cast<COrloPackRecord*>(m_packs.GetAt(i));
        if (record) {
            delete record->pack;
            delete record;
        }
    }
    m_packs.RemoveAll();
    m_current = nullptr;

    DeleteAllRecords(m_surfaces, [](COrloSurfaceRecord* r) { DeleteSurface(r->surface); });
    DeleteAllRecords(m_atlas, [](COrloAtlasRecord*) {});
    DeleteAllRecords(m_sounds, [](COrloSoundRecord* r) { DeleteSound(r->sound); });
    DeleteAllRecords(m_fonts, [](COrloFontRecord* r) { DeleteFont(r->font); });
    DeleteAllRecords(m_programs, [](COrloProgramRecord* r) { DeleteProgram(r->program); });
    DeleteAllRecords(m_otherFiles, [](COrloOtherFileRecord*) {});
}

// --- packs ------------------------------------------------------------------------------------

void COrloResourceManager::ResolvePackPath(const CVortanString& name, int flags,
                                           CVortanString& path) const
{
    if (flags == ORLO_PACK_BESIDE_PROGRAM && m_application) {
        path.Empty();
        m_application->GetResourcePath(path, name);
    } else {
        path = name;
    }
}

COrloPackRecord* COrloResourceManager::FindPackRecord(int packId) const
{
    for (int i = 0; i < m_packs.GetCount(); ++i) {
        COrloPackRecord* record = static_cast<COrloPackRecord*>(m_packs.GetAt(i));
        if (record && record->id == packId)
            return record;
    }
    return nullptr;
}

int COrloResourceManager::OpenPack(const CVortanString& name, int flags)
{
    if (name.IsEmpty())
        return 0;
    CVortanString path;
    ResolvePackPath(name, flags, path);
    CVortanMediaPack* pack = new (std::nothrow) CVortanMediaPack();
    if (!pack)
        return 0;
    int rc = pack->Open(path, CVortanString());
    if (rc != VORTAN_OK) {
        CVortanString jet;
        if (JetPath(path, jet)) {
            rc = pack->Open(jet, CVortanString());
            if (rc == VORTAN_OK)
                path = jet;
        }
    }
    if (rc != VORTAN_OK) {
        delete pack;
        return 0;
    }

    COrloPackRecord* record = new (std::nothrow) COrloPackRecord();
    if (!record) {
        delete pack;
        return 0;
    }
    record->id = m_nextPackId++;
    record->path = path;
    record->pack = pack;
    if (m_packs.Add(record) != VORTAN_OK) {
        delete pack;
        delete record;
        return 0;
    }
    ReadPackMeta(record);

    int count = pack->GetEntryCount();
    for (int i = 0; i < count; ++i) {
        CVortanMediaPackEntry* entry = pack->GetEntryAt(i);
        if (entry)
            RegisterEntry(record, StripDirectory(entry->m_name));
    }

    record->imageFlags.RemoveAll();
    record->fontFlags.RemoveAll();
    if (m_current && m_current != record) {
        delete m_current->pack;
        m_current->pack = nullptr;
    }
    m_current = record;
    return 1;
}

void COrloResourceManager::ReadPackMeta(COrloPackRecord* record)
{
    char* text = nullptr;
    int size = ReadEntry(record->pack, CVortanString("dmp.meta"), &text);
    if (size <= 0)
        return;
    CXMLLoaderWrapper xml;
    xml.Init(this);
    if (xml.LoadMemory(text, size) == VORTAN_OK) {
        CVortanXMLDataNode* root = xml.GetRootElement();
        CVortanXMLDataNode* image = CXMLLoaderWrapper::FindChildElement(root, "image");
        if (image) {
            record->imageDesignSize = DesignSizeOf(image);
            CVortanXMLDataNode* node = CXMLLoaderWrapper::FindChildElement(image, "separate_alpha");
            record->separateAlpha = CXMLLoaderWrapper::GetIntAttribute(node, "$value", 0) != 0;
            ReadFileFlags(image, "$no_mipmaps", ORLO_IMAGE_NO_MIPMAPS, record->imageFlags);
        }
        CVortanXMLDataNode* font = CXMLLoaderWrapper::FindChildElement(root, "font");
        if (font) {
            record->fontDesignSize = DesignSizeOf(font);
            ReadFileFlags(font, "$keep_color", ORLO_FONT_KEEP_COLOR, record->fontFlags);
        }
    }
    xml.Unload();
    delete[] text;
}

void COrloResourceManager::ReadAtlas(COrloPackRecord* record, const CVortanString& entryName)
{
    char* text = nullptr;
    int size = ReadEntry(record->pack, entryName, &text);
    if (size <= 0)
        return;
    CXMLLoaderWrapper xml;
    xml.Init(this);
    if (xml.LoadMemory(text, size) == VORTAN_OK) {
        CVortanXMLDataNode* surfaces = xml.GetRootElement();
        const char* rootName = CXMLLoaderWrapper::GetNodeName(surfaces);
        if (!rootName || strcmp(rootName, "surfaces") != 0)
            surfaces = CXMLLoaderWrapper::FindChildElement(surfaces, "surfaces");
        const char* image = CXMLLoaderWrapper::GetAttribute(surfaces, "$image");
        if (surfaces && image && image[0]) {
            CVortanString imageName = StripDirectory(CVortanString(image));
            for (CVortanXMLDataNode* s = CXMLLoaderWrapper::GetFirstChild(surfaces); s;
                 s = CXMLLoaderWrapper::GetNextSibling(s)) {
                const char* nodeName = CXMLLoaderWrapper::GetNodeName(s);
                if (!nodeName || strcasecmp(nodeName, "surface") != 0)
                    continue;
                const char* member = CXMLLoaderWrapper::GetAttribute(s, "$name");
                if (!member || !member[0])
                    continue;
                CHashString key{CVortanString(member)};
                if (m_atlas.Contains(key))
                    continue; // the first registration wins
                COrloAtlasRecord* atlas = new (std::nothrow) COrloAtlasRecord();
                if (!atlas)
                    continue;
                atlas->packId = record->id;
                atlas->image = imageName;
                atlas->rect.left = CXMLLoaderWrapper::GetFloatAttribute(s, "$left", 0.0f);
                atlas->rect.top = CXMLLoaderWrapper::GetFloatAttribute(s, "$top", 0.0f);
                atlas->rect.right = CXMLLoaderWrapper::GetFloatAttribute(s, "$right", 0.0f);
                atlas->rect.bottom = CXMLLoaderWrapper::GetFloatAttribute(s, "$bottom", 0.0f);
                if (m_atlas.Add(key, atlas) != VORTAN_OK)
                    delete atlas;
            }
        }
    }
    xml.Unload();
    delete[] text;
}

void COrloResourceManager::RegisterEntry(COrloPackRecord* record, const CVortanString& name)
{
    if (name.IsEmpty())
        return;
    CHashString key(name);
    switch (KindOf(name)) {
    case KIND_META:
        return;
    case KIND_ATLAS:
        ReadAtlas(record, name);
        return;
    case KIND_IMAGE: {
        const i32 id = record->id, flags = FlagsOf(record->imageFlags, key);
        ListEntry(m_surfaces, key, id, flags, [&] {
            return new (std::nothrow) COrloSurfaceRecord{this, id, nullptr, 0, flags};
        });
        return;
    }
    case KIND_SOUND: {
        const i32 id = record->id;
        ListEntry(m_sounds, key, id, 0, [&] {
            return new (std::nothrow) COrloSoundRecord{id, nullptr, 0};
        });
        return;
    }
    case KIND_FONT: {
        const i32 id = record->id, flags = FlagsOf(record->fontFlags, key);
        ListEntry(m_fonts, key, id, flags, [&] {
            return new (std::nothrow) COrloFontRecord{id, nullptr, 0, flags};
        });
        return;
    }
    case KIND_OTHER: {
        if (m_otherFiles.Contains(key))
            return;
        COrloOtherFileRecord* other = new (std::nothrow) COrloOtherFileRecord{record->id};
        if (other && m_otherFiles.Add(key, other) != VORTAN_OK)
            delete other;
        return;
    }
    }
}

int COrloResourceManager::FindPack(const CVortanString& name)
{
    for (int i = 0; i < m_packs.GetCount(); ++i) {
        COrloPackRecord* record = static_cast<COrloPackRecord*>(m_packs.GetAt(i));
        if (record && record->path == name)
            return 1;
    }
    return 0;
}

CVortanMediaPack* COrloResourceManager::GetPackFile(int packId)
{
    if (m_current && m_current->id == packId && m_current->pack)
        return m_current->pack;
    COrloPackRecord* record = FindPackRecord(packId);
    if (!record)
        return nullptr;
    CVortanMediaPack* pack = record->pack;
    if (!pack) {
        pack = new (std::nothrow) CVortanMediaPack();
        if (!pack)
            return nullptr;
        if (pack->Open(record->path, CVortanString()) != VORTAN_OK) {
            delete pack;
            return nullptr;
        }
    }
    if (m_current && m_current != record) {
        delete m_current->pack;
        m_current->pack = nullptr;
    }
    record->pack = pack;
    m_current = record;
    return pack;
}

int COrloResourceManager::ClosePack(const CVortanString& name, int flags)
{
    if (name.IsEmpty())
        return 0;
    CVortanString path;
    ResolvePackPath(name, flags, path);
    CVortanString jet;
    bool hasJet = JetPath(path, jet);
    int index = -1;
    for (int i = 0; i < m_packs.GetCount(); ++i) {
        COrloPackRecord* record = static_cast<COrloPackRecord*>(m_packs.GetAt(i));
        if (record && (record->path == path || (hasJet && record->path == jet))) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return 0;
    COrloPackRecord* record = static_cast<COrloPackRecord*>(m_packs.GetAt(index));
    if (m_current == record)
        m_current = nullptr;
    const i32 id = record->id;

    // Records whose object is still loaded stay (their holders keep using them) but no longer
    // name a pack: they go with their last reference, or a pack that lists the name again
    // takes them over. The others go now.
    DropPackRecords(m_surfaces, id, kNoPack, &COrloSurfaceRecord::surface);
    DropPackRecords(m_sounds, id, kNoPack, &COrloSoundRecord::sound);
    DropPackRecords(m_fonts, id, kNoPack, &COrloFontRecord::font);
    DropPackRecords(m_atlas, id);
    DropPackRecords(m_otherFiles, id);

    m_packs.RemoveAt(index);
    delete record->pack;
    delete record;
    return 1;
}

int COrloResourceManager::GetMediaPackSizeCount()
{
    return (int)(sizeof(kPackSizes) / sizeof(kPackSizes[0]));
}

int COrloResourceManager::GetMediaPackSize(int index)
{
    return (index >= 0 && index < GetMediaPackSizeCount()) ? kPackSizes[index] : 0;
}

int COrloResourceManager::ChooseMediaPack(const CVortanString& base, CVortanString* chosenName,
                                          int* chosenSize)
{
    const int count = (int)(sizeof(kPackSizes) / sizeof(kPackSizes[0]));
    int order[count];
    int n = 0;
    int side = GetScreenSide();
    for (int i = 0; i < count; ++i) {
        if (kPackSizes[i] <= side)
            order[n++] = kPackSizes[i];
    }
    for (int i = count - 1; i >= 0; --i) {
        if (kPackSizes[i] > side)
            order[n++] = kPackSizes[i];
    }
    for (int i = 0; i < n; ++i) {
        CVortanString number;
        number.FromInteger(order[i], 10);
        CVortanString name(base);
        name.AppendChar('_');
        name.Append(number);
        name.Append(CVortanString(".dmp"));
        if (OpenPack(name, ORLO_PACK_BESIDE_PROGRAM)) {
            if (chosenName)
                *chosenName = name;
            if (chosenSize)
                *chosenSize = order[i];
            return 1;
        }
    }
    return 0;
}

// --- surfaces ---------------------------------------------------------------------------------

int COrloResourceManager::AddSurface(const CVortanString& name, CVortanSurface* surface)
{
    if (name.IsEmpty() || !surface)
        return 0;
    CHashString key(name);
    if (m_surfaces.Contains(key))
        return 0;
    COrloSurfaceRecord* record =
        new (std::nothrow) COrloSurfaceRecord{nullptr, kOutside, surface, 1, 0};
    if (!record)
        return 0;
    if (m_surfaces.Add(key, record) != VORTAN_OK) {
        delete record;
        return 0;
    }
    return 1;
}

CVortanSurface* COrloResourceManager::FindSurface(const CVortanString& name, CVortanFloatRect* rect)
{
    if (name.IsEmpty())
        return nullptr;
    COrloSurfaceRecord* record = LookupRecord(m_surfaces, name);
    if (record) {
        if (!record->surface)
            return nullptr;
        ++record->refCount;
        return record->surface;
    }
    return AtlasMemberSurface(name, rect, &COrloResourceManager::FindSurface);
}

CVortanSurface* COrloResourceManager::AtlasMemberSurface(const CVortanString& name,
                                                         CVortanFloatRect* rect, SurfaceGetter get)
{
    if (!rect)
        return nullptr;
    COrloAtlasRecord* member = LookupRecord(m_atlas, name);
    if (!member)
        return nullptr;
    CVortanFloatRect memberRect = member->rect;
    CVortanString image(member->image);
    CVortanSurface* surface = (this->*get)(image, nullptr);
    if (surface)
        *rect = memberRect;
    return surface;
}

CVortanSurface* COrloResourceManager::GetSurface(const CVortanString& name, CVortanFloatRect* rect)
{
    if (name.IsEmpty())
        return nullptr;
    CVortanSurface* surface = FindSurface(name, rect);
    return surface ? surface : LoadSurface(name, rect);
}

CVortanSurface* COrloResourceManager::LoadSurface(const CVortanString& name, CVortanFloatRect* rect)
{
    if (name.IsEmpty())
        return nullptr;
    COrloSurfaceRecord* record = LookupRecord(m_surfaces, name);
    if (!record)
        return AtlasMemberSurface(name, rect, &COrloResourceManager::LoadSurface);
    if (record->surface) {
        ++record->refCount;
        return record->surface;
    }
    CVortanSurface* surface = DecodeImage(name, record);
    if (!surface) {
        record->surface = nullptr;
        return nullptr;
    }
    surface->CreateTexture(kGlRgba, kGlUnsignedByte,
                           (record->flags & ORLO_IMAGE_NO_MIPMAPS) ? 0 : 1);
    if (record->flags & ORLO_IMAGE_TEXTURE_ONLY) {
        surface->DropPixels();
        surface->DeleteTexture();
        surface->SetTextureSource(this);
    }
    record->surface = surface;
    record->refCount = 1;
    return surface;
}

CVortanSurface* COrloResourceManager::DecodeImage(const CVortanString& name,
                                                  COrloSurfaceRecord* record)
{
    CVortanMediaPack* pack = GetPackFile(record->packId);
    if (!pack || !m_current)
        return nullptr;
    CVortanSurface* surface = new (std::nothrow) CVortanSurface();
    if (!surface)
        return nullptr;
    CVortanSurfaceDesc alphaDesc = CVortanSurfaceDesc::From(nullptr);
    alphaDesc.flags = VORTAN_SURFACE_ALPHA_COMPANION;
    int rc = surface->LoadFromPack(m_application, pack, EntryPath(name), 0,
                                   m_current->separateAlpha ? &alphaDesc : nullptr);
    if (rc != VORTAN_OK) {
        DeleteSurface(surface);
        return nullptr;
    }

    int design = m_current->imageDesignSize;
    int side = GetScreenSide();
    if (design > 0 && side > 0 && design != side) {
        i64 width = (i64)surface->GetWidth() * side / design;
        i64 height = (i64)surface->GetHeight() * side / design;
        if (width < 1)
            width = 1;
        if (height < 1)
            height = 1;
        CVortanSurfaceDesc desc = CVortanSurfaceDesc::From(nullptr);
        desc.width = (i32)width;
        desc.height = (i32)height;
        desc.pixelFormat = surface->GetPixelFormat();
        desc.flags = surface->GetFlags();
        CVortanSurface* scaled = nullptr;
        if (width <= kMaxScaledSide && height <= kMaxScaledSide)
            scaled = new (std::nothrow) CVortanSurface();
        if (scaled && scaled->Create(m_application, &desc) == VORTAN_OK) {
            CVortanRect to;
            to.Set(0, 0, desc.width, desc.height);
            CVortanRect from;
            from.Set(0, 0, surface->GetWidth(), surface->GetHeight());
            scaled->BlitStretch(&to, surface, &from, VORTAN_BLIT_FILTERED);
            DeleteSurface(surface);
            surface = scaled;
        } else {
            // Too large, or out of memory for the scaled copy: the image is used at its own
            // size.
            DeleteSurface(scaled);
        }
    }
    return surface;
}

int COrloResourceManager::KeepTextureOnly(CVortanSurface* surface)
{
    if (!surface)
        return VORTAN_E_ARGUMENT;
    for (int i = 0; i < m_surfaces.GetSize(); ++i) {
        COrloSurfaceRecord* record = m_surfaces.ElementAt(i).value;
        if (record->surface != surface)
            continue;
        if (record->packId < 0)
            return VORTAN_E_ARGUMENT;
        if (!surface->GetTexture())
            return surface->GetTextureSource() == this ? VORTAN_OK : VORTAN_E_ARGUMENT;
        record->flags |= ORLO_IMAGE_TEXTURE_ONLY;
        // Neither copy is kept until a screen draws the image.
        surface->DropPixels();
        surface->DeleteTexture();
        surface->SetTextureSource(this);
        return VORTAN_OK;
    }
    return VORTAN_E_ARGUMENT;
}

int COrloResourceManager::RemakeTexture(const CVortanString& name, COrloSurfaceRecord* record)
{
    CVortanSurface* surface = record->surface;
    // Its only copy is in the pack.
    CVortanSurface* decoded = DecodeImage(name, record);
    int rc = decoded ? surface->RestorePixels(*decoded) : VORTAN_E_FAIL;
    DeleteSurface(decoded);
    if (rc != VORTAN_OK)
        return rc;
    rc = surface->RecreateTexture();
    surface->DropPixels();
    return rc;
}

int COrloResourceManager::MakeTexture(CVortanSurface* surface)
{
    if (!surface || surface->GetTexture())
        return surface ? VORTAN_OK : VORTAN_E_ARGUMENT;
    for (int i = 0; i < m_surfaces.GetSize(); ++i) {
        COrloSurfaceRecord* record = m_surfaces.ElementAt(i).value;
        if (record->surface != surface || !(record->flags & ORLO_IMAGE_TEXTURE_ONLY))
            continue;
        int rc = RemakeTexture(m_surfaces.ElementAt(i).key.GetString(), record);
        if (rc != VORTAN_OK) {
            // Not decoded again on every frame: the image stays blank.
            surface->SetTextureSource(nullptr);
        }
        return rc;
    }
    return VORTAN_E_ARGUMENT;
}

int COrloResourceManager::DropUndrawnTextures()
{
    int dropped = 0;
    for (int i = 0; i < m_surfaces.GetSize(); ++i) {
        COrloSurfaceRecord* record = m_surfaces.ElementAt(i).value;
        CVortanSurface* surface = record->surface;
        if (!surface || surface->GetTextureSource() != this)
            continue;
        if (surface->GetTexture() && !surface->WasDrawn()) {
            surface->DeleteTexture();
            ++dropped;
        }
        surface->ClearDrawn();
    }
    return dropped;
}

int COrloResourceManager::AddRefSurface(CVortanSurface* surface)
{
    return AddRefRecord(m_surfaces, surface, &COrloSurfaceRecord::surface);
}

int COrloResourceManager::ReleaseSurface(CVortanSurface*& surface)
{
    return ReleaseRecord(m_surfaces, surface, &COrloSurfaceRecord::surface, DeleteSurface,
                         NoPackLeft<COrloSurfaceRecord>);
}

// --- sounds -----------------------------------------------------------------------------------

CVortanSoundWave* COrloResourceManager::FindSound(const CVortanString& name)
{
    return TakeLoaded(m_sounds, name, &COrloSoundRecord::sound);
}

CVortanSoundWave* COrloResourceManager::GetSound(const CVortanString& name, int flags)
{
    if (name.IsEmpty())
        return nullptr;
    CVortanSoundWave* sound = FindSound(name);
    return sound ? sound : LoadSoundAsync(name, flags);
}

CVortanSoundWave* COrloResourceManager::LoadSoundAsync(const CVortanString& name, int flags)
{
    if (!m_soundEngine || name.IsEmpty())
        return nullptr;
    COrloSoundRecord* record = LookupRecord(m_sounds, name);
    if (!record)
        return nullptr;
    if (record->sound) {
        ++record->refCount;
        return record->sound;
    }
    CVortanMediaPack* pack = GetPackFile(record->packId);
    if (!pack)
        return nullptr;
    CVortanString path = EntryPath(name);

    if (flags & ORLO_SOUND_LOAD_NOW) {
        CVortanSoundWave* sound = CVortanSoundWave::CreateInstance();
        if (!sound)
            return nullptr;
        if (sound->LoadFromPack(m_soundEngine, pack, path, 0, 0, 0) != VORTAN_OK) {
            DeleteSound(sound);
            return nullptr;
        }
        record->sound = sound;
        record->refCount = 1;
        return sound;
    }

    // The file is read here, on the main thread; only the decode runs on the worker.
    char* data = nullptr;
    int size = ReadEntry(pack, name, &data);
    if (size <= 0)
        return nullptr;

    m_lock.Lock();
    for (int i = 0; i < m_loaders.GetSize(); ++i) {
        if (m_loaders[i]->GetPath() == path) {
            m_lock.Unlock();
            delete[] data;
            return nullptr;
        }
    }
    CVortanSoundWave* sound = CVortanSoundWave::CreateInstance();
    CAsyncSoundLoader* loader =
        sound ? new (std::nothrow)
                    CAsyncSoundLoader(this, m_soundEngine, (u8*)data, size, sound, path)
              : nullptr;
    if (!loader) {
        m_lock.Unlock();
        delete[] data;
        DeleteSound(sound);
        return nullptr;
    }
    if (m_loaders.SetAtGrow(m_loaders.GetSize(), loader) != VORTAN_OK) {
        m_lock.Unlock();
        delete loader;
        DeleteSound(sound);
        return nullptr;
    }
    record->sound = sound;
    record->refCount = 1;
    m_lock.Unlock();
    return sound;
}

void COrloResourceManager::PollAsyncSounds()
{
    if (m_skipPoll) {
        m_skipPoll = 0;
        return;
    }
    m_lock.Lock();
    for (int i = 0; i < m_loaders.GetSize(); ++i) {
        CAsyncSoundLoader* loader = m_loaders[i];
        if (loader->IsDone() && !loader->IsRunning()) {
            loader->Stop();
            delete loader;
            m_loaders.RemoveAt(i);
            break;
        }
    }
    if (m_loaders.GetSize() > 0) {
        CAsyncSoundLoader* first = m_loaders[0];
        if (!first->IsDone() && !first->IsRunning())
            first->Start();
    }
    m_lock.Unlock();
}

int COrloResourceManager::AddRefSound(CVortanSoundWave* sound)
{
    return AddRefRecord(m_sounds, sound, &COrloSoundRecord::sound);
}

int COrloResourceManager::ReleaseSound(CVortanSoundWave*& sound)
{
    auto stopAndDelete = [this](CVortanSoundWave* last) {
        m_lock.Lock();
        RemoveLoadersLocked(last);
        m_lock.Unlock();
        DeleteSound(last);
    };
    return ReleaseRecord(m_sounds, sound, &COrloSoundRecord::sound, stopAndDelete,
                         NoPackLeft<COrloSoundRecord>);
}

// --- programs ---------------------------------------------------------------------------------

int COrloResourceManager::AddProgram(const CVortanString& name, CVortan3DProgram* program)
{
    if (name.IsEmpty() || !program)
        return 0;
    CHashString key(name);
    COrloProgramRecord* record = LookupRecord(m_programs, name);
    if (record) {
        if (record->program)
            return 0;
        record->program = program;
        record->refCount = 1;
        return 1;
    }
    record = new (std::nothrow) COrloProgramRecord{0, program, 1};
    if (!record)
        return 0;
    if (m_programs.Add(key, record) != VORTAN_OK) {
        delete record;
        return 0;
    }
    return 1;
}

CVortan3DProgram* COrloResourceManager::FindProgram(const CVortanString& name)
{
    return TakeLoaded(m_programs, name, &COrloProgramRecord::program);
}

CVortan3DProgram* COrloResourceManager::GetProgram(const CVortanString& name)
{
    if (name.IsEmpty())
        return nullptr;
    return FindProgram(name);
}

int COrloResourceManager::AddRefProgram(CVortan3DProgram* program)
{
    return AddRefRecord(m_programs, program, &COrloProgramRecord::program);
}

int COrloResourceManager::ReleaseProgram(CVortan3DProgram*& program)
{
    // A program's record stays: AddProgram fills it again under the same name.
    return ReleaseRecord(m_programs, program, &COrloProgramRecord::program, DeleteProgram,
                         (bool (*)(const COrloProgramRecord*)) nullptr);
}

// --- files ------------------------------------------------------------------------------------

int COrloResourceManager::ReadResourceFile(const CVortanString& name, char** buffer)
{
    if (!buffer)
        return 0;
    *buffer = nullptr;
    CVortanString bare = StripDirectory(name);
    if (bare.IsEmpty())
        return 0;
    i32 packId = kNoPack;
    COrloSurfaceRecord* surface = LookupRecord(m_surfaces, bare);
    if (surface && surface->packId > 0) {
        packId = surface->packId;
    } else if (COrloSoundRecord* sound = LookupRecord(m_sounds, bare)) {
        packId = sound->packId;
    } else if (COrloFontRecord* font = LookupRecord(m_fonts, bare)) {
        packId = font->packId;
    } else if (COrloOtherFileRecord* other = LookupRecord(m_otherFiles, bare)) {
        packId = other->packId;
    }
    if (packId <= 0)
        return 0;
    return ReadEntry(GetPackFile(packId), bare, buffer);
}

// --- lost graphics context --------------------------------------------------------------------

int COrloResourceManager::UnloadAllSurfaceTextures()
{
    for (int i = 0; i < m_surfaces.GetSize(); ++i) {
        COrloSurfaceRecord* record = m_surfaces.ElementAt(i).value;
        if (record->surface)
            record->surface->DeleteTexture();
    }
    UnloadFontTextures();
    for (int i = 0; i < m_programs.GetSize(); ++i) {
        COrloProgramRecord* record = m_programs.ElementAt(i).value;
        if (record->program)
            record->program->Unload();
    }
    return VORTAN_OK;
}

int COrloResourceManager::ReloadAllSurfaceTextures()
{
    for (int i = 0; i < m_surfaces.GetSize(); ++i) {
        COrloSurfaceRecord* record = m_surfaces.ElementAt(i).value;
        // A surface that never had a texture mirror (one added from outside for software
        // drawing) gets none now either.
        if (!record->surface || !record->surface->GetTextureFormat())
            continue;
        CVortanSurface* surface = record->surface;
        // An image kept only as a texture is made again when it is next drawn.
        if (surface->GetTextureSource() == this)
            continue;
        int rc = surface->RecreateTexture();
        if (rc != VORTAN_OK)
            return rc;
    }
    ReloadFontTextures();
    for (int i = 0; i < m_programs.GetSize(); ++i) {
        COrloProgramRecord* record = m_programs.ElementAt(i).value;
        if (record->program)
            record->program->Rebuild();
    }
    return VORTAN_OK;
}
