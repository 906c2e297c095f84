// COrloResourceManager: the one way to the program's data packs. It opens DMP2 packs,
// registers the images, atlas members, sounds, fonts and other files each one lists, and
// hands out surfaces, sounds, bitmap fonts and GLSL programs by their bare file name
// ("title.jpg") with reference counts, loading each on first use. Sounds are decoded on a
// worker thread, one at a time. The platform application derives from it (second base).
//
// Use from the application:
//   Init(application, sound engine)  once the window and graphics exist (sound engine may be null)
//   OpenPack / ChooseMediaPack       as data is needed
//   PollAsyncSounds()                once per frame, from the application's Update
//   ReleaseAll()                     at shutdown, before the sound engine is closed
//
// Everything but the loader list runs on the main thread.
#pragma once
#include "engine/HashString.h"
#include "engine/VortanArray.h"
#include "engine/VortanMap.h"
#include "engine/VortanMutex.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/graphics/VortanTextureSource.h"
#include "platform/OrloResourceRecords.h"
#include "xmlloader/OrloResourceReader.h"

class IVortanApplication;
class IVortanGraphicsContext;
class CVortanSoundEngine;

// GetSound flag: load and decode now, on the calling thread.
enum { ORLO_SOUND_LOAD_NOW = 0x1 };

// OpenPack / ClosePack flag value: the name is relative to the program's directory.
enum { ORLO_PACK_BESIDE_PROGRAM = 0 };

class COrloResourceManager : public IOrloResourceReader, public IVortanTextureSource {
public:
    class CAsyncSoundLoader; // platform/OrloSoundLoader.h

    COrloResourceManager();
    // Frees whatever ReleaseAll has not (owners call ReleaseAll first).
    virtual ~COrloResourceManager();

    // Stores the application (graphics context, resource path) and the sound engine (may be
    // null: sounds then never load); the next pack id becomes 1. Returns VORTAN_OK.
    virtual int Init(IVortanApplication* application, CVortanSoundEngine* soundEngine);
    // Stops every loader, closes every pack, releases every loaded object and forgets every
    // record.
    virtual void ReleaseAll();

    // Flags 0: the name is relative to the program's directory; else the whole path. When the
    // pack does not open, the first ".dmp" is replaced by ".jet" and that file is tried.
    // 1 opened (the pack becomes current), 0 not found.
    virtual int OpenPack(const CVortanString& name, int flags);
    // 1 when a pack was opened under exactly this path, else 0.
    virtual int FindPack(const CVortanString& name);
    // The name is resolved as by OpenPack. 1 closed, 0 no such pack.
    virtual int ClosePack(const CVortanString& name, int flags);

    // Registers a surface made elsewhere (reference count 1). 1; 0 when the name is taken
    // (the first registration wins; the caller keeps the surface).
    virtual int AddSurface(const CVortanString& name, CVortanSurface* surface);
    // The loaded surface with one more reference, or null. For an atlas member the atlas
    // image's surface is returned and the member's rectangle copied to `rect` (when given).
    virtual CVortanSurface* FindSurface(const CVortanString& name,
                                        CVortanFloatRect* rect = nullptr);
    // FindSurface, else LoadSurface. Null for an empty name.
    virtual CVortanSurface* GetSurface(const CVortanString& name, CVortanFloatRect* rect = nullptr);
    // 1 for null or a registered surface (one more reference), 0 for an unknown one.
    virtual int AddRefSurface(CVortanSurface* surface);
    // 1 for null or a registered surface: one reference less; at zero the surface is
    // released and deleted and `surface` set to null. 0 when no record holds it.
    virtual int ReleaseSurface(CVortanSurface*& surface);

    virtual CVortanSoundWave* FindSound(const CVortanString& name);
    // FindSound, else LoadSoundAsync. flags ORLO_SOUND_LOAD_NOW decodes at once; otherwise the
    // sound object comes back at once and is filled when its loader has run.
    virtual CVortanSoundWave* GetSound(const CVortanString& name, int flags = 0);
    virtual int AddRefSound(CVortanSoundWave* sound);
    virtual int ReleaseSound(CVortanSoundWave*& sound);

    // Registers a font made elsewhere (reference count 1). 1; 0 when the name is taken (the
    // caller keeps the font).
    virtual int AddFont(const CVortanString& name, CVortanBitmapFont* font);
    virtual CVortanBitmapFont* FindFont(const CVortanString& name);
    // FindFont, else LoadFont; "default" is the built-in font.
    virtual CVortanBitmapFont* GetFont(const CVortanString& name);
    virtual int AddRefFont(CVortanBitmapFont* font);
    virtual int ReleaseFont(CVortanBitmapFont*& font);

    // Opens "<base>_<size>.dmp" beside the program for the size that suits the screen: the
    // sizes 640, 480, 360, 320, 240 at or below the smaller screen side from the largest
    // down, then those above it from the smallest up. 1 with the chosen name and size (when
    // asked for), 0 when none opens.
    virtual int ChooseMediaPack(const CVortanString& base, CVortanString* chosenName,
                                int* chosenSize);
    // The media-pack sizes, largest first (index 0 .. count - 1).
    static int GetMediaPackSizeCount();
    static int GetMediaPackSize(int index);

    // Registers a program made elsewhere (reference count 1). A record of that name whose
    // program was released takes the new one. 1; 0 when a live program holds the name (the
    // caller keeps its program).
    virtual int AddProgram(const CVortanString& name, CVortan3DProgram* program);
    virtual CVortan3DProgram* FindProgram(const CVortanString& name);
    // Programs are only registered, never loaded: the same as FindProgram.
    virtual CVortan3DProgram* GetProgram(const CVortanString& name);
    virtual int AddRefProgram(CVortan3DProgram* program);
    virtual int ReleaseProgram(CVortan3DProgram*& program);

    // IOrloResourceReader: reads "/" + name whole from the pack that lists the name.
    int ReadResourceFile(const CVortanString& name, char** buffer) override;

    // Drops the GL textures of every loaded surface and font and unloads every program. VORTAN_OK.
    virtual int UnloadAllSurfaceTextures();
    // Re-creates them: the first surface failure is returned at once; VORTAN_OK.
    virtual int ReloadAllSurfaceTextures();

    // The loaders behind the Get operations.
    virtual CVortanSurface* LoadSurface(const CVortanString& name,
                                        CVortanFloatRect* rect = nullptr);
    virtual CVortanSoundWave* LoadSoundAsync(const CVortanString& name, int flags);
    virtual CVortanBitmapFont* LoadFont(const CVortanString& name);

    // The loaded pack image is only ever drawn through its texture: its main-memory pixels
    // and its texture are freed now; the texture is made when the image is first drawn (the
    // image decoded from its pack anew for the upload, its pixels freed again), and again
    // after a lost context or DropUndrawnTextures. VORTAN_OK; VORTAN_E_ARGUMENT for a surface
    // that is no loaded pack image or has neither texture nor a source for one.
    int KeepTextureOnly(CVortanSurface* surface);
    // IVortanTextureSource: the texture of an image kept by KeepTextureOnly, from its pack.
    int MakeTexture(CVortanSurface* surface) override;
    // Frees the textures of the images kept by KeepTextureOnly that were not drawn since the
    // last call (a screen change: what the last screen did not draw is made again when drawn);
    // every such image then counts as not drawn. Returns how many textures were freed.
    int DropUndrawnTextures();

    // Once per frame (main thread): reaps at most one finished loader and starts the next
    // queued one. The first call after construction does nothing.
    void PollAsyncSounds();
    // The pack's open media pack (made the current pack), or null.
    CVortanMediaPack* GetPackFile(int packId);
    // The text after the last "/" or "\".
    static CVortanString StripDirectory(const CVortanString& path);

    // Queries for the platform and tests.
    IVortanApplication* GetResourceApplication() const { return m_application; }
    CVortanSoundEngine* GetResourceSoundEngine() const { return m_soundEngine; }
    int GetPackCount() const { return m_packs.GetCount(); }
    // Id of the pack whose file is open, 0 when none.
    int GetCurrentPackId() const;
    // Loaders queued or running (takes the lock).
    int GetPendingSoundLoads();
    // The smaller side of the graphics context (0 without one).
    int GetScreenSide() const;

private:
    COrloResourceManager(const COrloResourceManager&) = delete;
    COrloResourceManager& operator=(const COrloResourceManager&) = delete;

    void ResolvePackPath(const CVortanString& name, int flags, CVortanString& path) const;
    COrloPackRecord* FindPackRecord(int packId) const;
    void ReadPackMeta(COrloPackRecord* record);
    void RegisterEntry(COrloPackRecord* record, const CVortanString& name);
    void ReadAtlas(COrloPackRecord* record, const CVortanString& entryName);
    typedef CVortanSurface* (COrloResourceManager::*SurfaceGetter)(const CVortanString& name,
                                                                   CVortanFloatRect* rect);
    // The atlas member's image through `get` (FindSurface or LoadSurface), with the member's
    // rectangle copied to `rect` when the image comes back. Null without `rect` or for a name
    // that is no atlas member.
    CVortanSurface* AtlasMemberSurface(const CVortanString& name, CVortanFloatRect* rect,
                                       SurfaceGetter get);
    // Stops, frees and removes the loaders aimed at the sound (all when null); caller holds
    // the lock.
    void RemoveLoadersLocked(CVortanSoundWave* sound);
    static void DeleteSurface(CVortanSurface* surface);
    // The record's image decoded from its pack and scaled to the screen, without a texture;
    // null when that fails.
    CVortanSurface* DecodeImage(const CVortanString& name, COrloSurfaceRecord* record);
    // The texture of a texture-only image again, from its pack; its pixels freed after.
    int RemakeTexture(const CVortanString& name, COrloSurfaceRecord* record);
    static void DeleteSound(CVortanSoundWave* sound);
    static void DeleteFont(CVortanBitmapFont* font);
    void UnloadFontTextures();
    void ReloadFontTextures();
    static void DeleteProgram(CVortan3DProgram* program);

    IVortanApplication* m_application;
    CVortanSoundEngine* m_soundEngine;
    i32 m_nextPackId;
    CVortanPtrArray m_packs; // COrloPackRecord*, in opening order
    CVortanMap<CHashString, COrloSurfaceRecord*> m_surfaces;
    CVortanMap<CHashString, COrloAtlasRecord*> m_atlas;
    CVortanMap<CHashString, COrloSoundRecord*> m_sounds;
    CVortanMap<CHashString, COrloFontRecord*> m_fonts;
    CVortanMap<CHashString, COrloProgramRecord*> m_programs;
    CVortanMap<CHashString, COrloOtherFileRecord*> m_otherFiles;
    CVortanMutex m_lock;                        // guards m_loaders
    CVortanArray<CAsyncSoundLoader*> m_loaders; // in queueing order
    i32 m_skipPoll;
    COrloPackRecord* m_current; // the pack whose file is open, or null
};
