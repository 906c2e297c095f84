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

// Flag bits of image and font records (from "/dmp.meta"; ORLO_IMAGE_TEXTURE_ONLY is set by
// COrloResourceManager::KeepTextureOnly).
enum { ORLO_IMAGE_NO_MIPMAPS = 0x1, ORLO_IMAGE_TEXTURE_ONLY = 0x100, ORLO_FONT_KEEP_COLOR = 0x1 };

// One opened data pack.
struct COrloPackRecord {
    COrloPackRecord()
        : id(0), pack(nullptr), imageDesignSize(0), fontDesignSize(0), separateAlpha(false)
    {}

    i32 id;
    CVortanString path;                      // as opened (after the ".jet" fall-back)
    CVortanMediaPack* pack;                  // null while its file is closed
    CVortanMap<CHashString, i32> imageFlags; // from "/dmp.meta", emptied once listed
    CVortanMap<CHashString, i32> fontFlags;  // from "/dmp.meta", emptied once listed
    i32 imageDesignSize;                     // 0 = none
    i32 fontDesignSize;                      // 0 = none
    bool separateAlpha;
};

struct COrloSurfaceRecord {
    COrloResourceManager* owner; // the manager for pack images, null for added surfaces
    i32 packId;                  // -1 for a surface registered from outside
    CVortanSurface* surface;     // null until loaded
    i32 refCount;
    i32 flags; // ORLO_IMAGE_*
};

struct COrloAtlasRecord {
    i32 packId;
    CVortanString image;   // the atlas image's bare file name
    CVortanFloatRect rect; // where the member lies in the image, as written
};

struct COrloSoundRecord {
    i32 packId;
    CVortanSoundWave* sound; // null until loaded
    i32 refCount;
};

struct COrloFontRecord {
    i32 packId;
    CVortanBitmapFont* font; // null until loaded
    i32 refCount;
    i32 flags; // ORLO_FONT_*
};

struct COrloProgramRecord {
    i32 spare;                 // 0
    CVortan3DProgram* program; // null after its last release
    i32 refCount;
};

struct COrloOtherFileRecord {
    i32 packId;
};

// --- registry operations shared by the resource manager's files --------------------------------

// The record registered under `name`, or null.
template <class R>
R* LookupRecord(const CVortanMap<CHashString, R*>& map, const CVortanString& name)
{
    int i = map.FindKey(CHashString(name));
    return i < 0 ? nullptr : map.ElementAt(i).value;
}

// The record whose object is `object` and its index (a linear walk: registries are keyed by
// name), or null.
template <class R, class T>
R* FindRecordOf(CVortanMap<CHashString, R*>& map, T* object, T* R::*field, int* index = nullptr)
{
    if (!object)
        return nullptr;
    for (int i = 0; i < map.GetSize(); ++i) {
        R* record = map.ElementAt(i).value;
        if (record && record->*field == object) {
            if (index)
                *index = i;
            return record;
        }
    }
    return nullptr;
}

// A new reference to the loaded object registered under `name`; null when the name is empty,
// unknown or not loaded.
template <class R, class T>
T* TakeLoaded(const CVortanMap<CHashString, R*>& map, const CVortanString& name, T* R::*field)
{
    R* record = name.IsEmpty() ? nullptr : LookupRecord(map, name);
    if (!record || !(record->*field))
        return nullptr;
    ++record->refCount;
    return record->*field;
}

// One more reference to a registered object: 1, or 0 when the object is not registered (a
// null object is accepted and ignored).
template <class R, class T>
int AddRefRecord(CVortanMap<CHashString, R*>& map, T* object, T* R::*field)
{
    if (!object)
        return 1;
    R* record = FindRecordOf(map, object, field);
    if (!record)
        return 0;
    ++record->refCount;
    return 1;
}

// Drops the caller's reference and nulls its pointer. The last reference deletes the object
// (`deleteObject`); the emptied record goes too when `dropEmpty` says nothing could load it
// again. 1, or 0 when the object is not registered (a null object is accepted and ignored).
template <class R, class T, class Delete>
int ReleaseRecord(CVortanMap<CHashString, R*>& map, T*& object, T* R::*field, Delete deleteObject,
                  bool (*dropEmpty)(const R*))
{
    if (!object)
        return 1;
    int index = -1;
    R* record = FindRecordOf(map, object, field, &index);
    if (!record)
        return 0;
    if (--record->refCount <= 0) {
        deleteObject(record->*field);
        record->*field = nullptr;
        record->refCount = 0;
        if (dropEmpty && dropEmpty(record)) {
            map.RemoveAt(index);
            delete record;
        }
    }
    object = nullptr;
    return 1;
}

// Deletes every record of a registry, first handing each to `deleteObject` (for its object).
template <class R, class Delete>
void DeleteAllRecords(CVortanMap<CHashString, R*>& map, Delete deleteObject)
{
    for (int i = 0; i < map.GetSize(); ++i) {
        R* record = map.ElementAt(i).value;
        if (record)
            deleteObject(record);
        delete record;
    }
    map.RemoveAll();
}

// Forgets pack `packId` in a registry. With `field`, a record whose object is still loaded
// stays (its holders keep using it) but names pack `noPack`; without, every record of the
// pack goes.
template <class R, class T>
void DropPackRecords(CVortanMap<CHashString, R*>& map, i32 packId, i32 noPack, T* R::*field)
{
    for (int i = 0; i < map.GetSize();) {
        R* record = map.ElementAt(i).value;
        if (record->packId == packId && !(field && record->*field)) {
            delete record;
            map.RemoveAt(i);
            continue;
        }
        if (record->packId == packId)
            record->packId = noPack;
        ++i;
    }
}

// Deletes every record of pack `packId` from a registry.
template <class R>
void DropPackRecords(CVortanMap<CHashString, R*>& map, i32 packId)
{
    DropPackRecords(map, packId, packId, static_cast<void * R::*>(nullptr));
}
