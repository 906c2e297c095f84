// COrloApplication: the platform application as screens and services see it. It is the
// engine application with the resource manager as a second base; the operations below are
// the platform services that screens and the game call (sound and music settings, device
// services, settings, texts, the online menu's data). COrlogateApplication supplies them.
//
// Main thread only.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/platform/VortanApplication.h"
#include "platform/OrloLanguageHost.h"
#include "platform/OrloResourceManager.h"

class COrloDevice;
class COrloLanguage;
class COrloStatsStore;
class CVortanPtrArray;
class CVortanSoundMusicPlayer;
class IOrloAchievementStation;

class COrloApplication : public IVortanApplication,
                         public COrloResourceManager,
                         public IOrloLanguageHost {
public:
    COrloApplication();
    virtual ~COrloApplication();

    // Sets the quit request: the application quits in its next Update.
    virtual void RequestQuit() = 0;
    // Back to the online menu after a match (logging out, or reconnecting).
    virtual void ReturnToMenu(bool logout) = 0;
    virtual void ReturnToMenuReconnect(int argument) = 0;
    // Starts the online part: the network session and the online menu. VORTAN_OK when the menu is
    // on the stack.
    virtual int CreateSessionAndMenu() = 0;
    // Clears the screen and shows the reload picture in the bottom-right corner.
    virtual void DrawReloadScreen() = 0;

    // Volumes are hundredths of a decibel, -10000..0.
    virtual int GetSoundsVolume() = 0;
    virtual void SetSoundsVolume(int volume) = 0;
    virtual void SetSoundsMute(bool muted) = 0;
    virtual bool GetSoundsMute() = 0;
    virtual int GetMusicVolume() = 0;
    virtual void SetMusicVolume(int volume) = 0;
    virtual void SetMusicMute(bool muted) = 0;
    virtual bool GetMusicMute() = 0;
    virtual void SetAllMute(bool muted) = 0;
    // Plays a music file (looping or not); while music is muted the file is only remembered.
    virtual int PlayMusic(const CVortanString& file, bool loop) = 0;
    virtual void StopMusic() = 0;
    virtual CVortanSoundMusicPlayer* GetMusicPlayer() = 0;
    virtual void SetVibrations(bool on) = 0;
    virtual bool GetVibrations() = 0;

    virtual COrloDevice* GetDevice() = 0;
    // IOrloLanguageHost: the settings store, or null.
    COrloStatsStore* GetSettings() override = 0;
    virtual IOrloAchievementStation* GetAchievements() = 0;
    virtual void OnHook44() = 0;
    // The login controller's user name.
    virtual void GetUserName(CVortanString& out) = 0;
    // The online menu's item records, or null.
    virtual CVortanPtrArray* GetMenuData() = 0;
    // The user-data path of the item's data pack.
    virtual int GetItemPackPath(int itemId, CVortanString& out) = 0;
    virtual void SendValuePair(int a, int b) = 0;
    virtual COrloLanguage* GetLanguage() = 0;

    // IOrloLanguageHost over the engine application's paths.
    int GetUserDataPath(CVortanString& out, const CVortanString& fileName) override
    {
        return IVortanApplication::GetUserDataPath(out, fileName);
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        IVortanApplication::GetResourcePath(out, fileName);
    }

    // Set while the application shuts down (from the start of OnExit): screens must not
    // start anything new then.
    int IsExiting() const { return m_exiting; }

protected:
    int m_exiting;
};
