// COrlogateApplication: the services offered to screens and the game (sound and music with
// their settings, vibration, the platform objects, the language switch), the reload screen
// after a lost graphics context, and the shutdown.
#include "platform/OrlogateApplication.h"

#include <GLES2/gl2.h>

#include <new>

#include "VortanSound/VortanMusicPlayer.h"
#include "VortanSound/VortanSoundEngine.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloAchievementInterfaces.h"
#include "platform/OrloAdvertisementInterface.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloMenuStateInterface.h"
#include "platform/OrloNetConnectionInterface.h"
#include "platform/OrloNotification.h"
#include "platform/OrloReloadImage.h"
#include "platform/OrloState.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrloToastNotificationInterface.h"

namespace {

int ClampVolume(int volume)
{
    if (volume > 0)
        return 0;
    if (volume < -10000)
        return -10000;
    return volume;
}

} // namespace

// --- settings-backed sound and music ----------------------------------------------------------------

static COrloStatsEntry* Setting(COrloStatsStore* settings, const char* key)
{
    return settings ? settings->Find(CVortanString(key)) : nullptr;
}

int COrlogateApplication::GetSoundsVolume()
{
    if (m_soundEngine)
        return m_soundEngine->GetVolume();
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_SOUNDS_VOLUME);
    return entry ? entry->intValue : 0;
}

void COrlogateApplication::SetSoundsVolume(int volume)
{
    volume = ClampVolume(volume);
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_SOUNDS_VOLUME);
    if (entry)
        entry->SetInt(volume);
    if (m_soundEngine)
        m_soundEngine->SetVolume(volume);
}

void COrlogateApplication::SetSoundsMute(bool muted)
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_SOUNDS_MUTE);
    if (entry)
        entry->SetBool(muted ? 1 : 0);
    if (m_soundEngine)
        m_soundEngine->SetMute(muted);
}

bool COrlogateApplication::GetSoundsMute()
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_SOUNDS_MUTE);
    return entry ? entry->boolValue != 0 : false;
}

int COrlogateApplication::GetMusicVolume()
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_MUSIC_VOLUME);
    return entry ? entry->intValue : 0;
}

void COrlogateApplication::SetMusicVolume(int volume)
{
    volume = ClampVolume(volume);
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_MUSIC_VOLUME);
    if (entry)
        entry->SetInt(volume);
    if (m_musicPlayer)
        m_musicPlayer->SetVolume(volume);
}

void COrlogateApplication::SetMusicMute(bool muted)
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_MUSIC_MUTE);
    if (entry)
        entry->SetBool(muted ? 1 : 0);
    if (muted) {
        if (m_musicPlayer) {
            m_musicPosition = (int)(m_musicPlayer->GetPosition() * 1000.0f);
            DeleteMusicPlayer();
        }
    } else if (!m_musicFile.IsEmpty() && !m_musicPlayer) {
        ResumeMusic();
    }
}

void COrlogateApplication::ResumeMusic()
{
    int position = m_musicPosition;
    CVortanString file(m_musicFile);
    PlayMusic(file, m_musicLoop != 0);
    m_musicPosition = position;
    if (m_musicPlayer)
        m_musicPlayer->Seek((float)position / 1000.0f);
}

bool COrlogateApplication::GetMusicMute()
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_MUSIC_MUTE);
    return entry ? entry->boolValue != 0 : false;
}

void COrlogateApplication::SetAllMute(bool muted)
{
    SetSoundsMute(muted);
    SetMusicMute(muted);
}

int COrlogateApplication::PlayMusic(const CVortanString& file, bool loop)
{
    DeleteMusicPlayer();
    if (&file != &m_musicFile)
        m_musicFile = file;
    m_musicLoop = loop ? 1 : 0;
    m_musicPosition = 0;
    if (GetMusicMute())
        return VORTAN_OK;

    CVortanSoundMusicPlayer* player = new (std::nothrow) CVortanSoundMusicPlayer();
    if (!player)
        return VORTAN_E_NOMEMORY;
    int result = player->CreatePipeline(this, file);
    if (result != VORTAN_OK) {
        player->Stop();
        delete player;
        return result;
    }
    player->SetVolume(GetMusicVolume());
    player->Play(loop ? 1 : 0);
    m_musicPlayer = player;
    return VORTAN_OK;
}

void COrlogateApplication::DeleteMusicPlayer()
{
    if (!m_musicPlayer)
        return;
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_MUSIC_VOLUME);
    if (entry)
        entry->SetInt(ClampVolume(m_musicPlayer->GetVolume()));
    m_musicPlayer->Stop();
    delete m_musicPlayer;
    m_musicPlayer = nullptr;
}

void COrlogateApplication::StopMusic()
{
    DeleteMusicPlayer();
    m_musicFile.Empty();
    m_musicPosition = 0;
}

void COrlogateApplication::SetVibrations(bool on)
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_VIBRATIONS);
    if (entry) {
        entry->SetBool(on ? 1 : 0);
        m_settings->Save();
    }
    if (m_device)
        m_device->SetVibrations(on ? 1 : 0);
}

bool COrlogateApplication::GetVibrations()
{
    COrloStatsEntry* entry = Setting(m_settings, ORLO_KEY_VIBRATIONS);
    return entry ? entry->boolValue != 0 : true;
}

// --- the online menu's data ----------------------------------------------------------------------

void COrlogateApplication::GetUserName(CVortanString& out)
{
    if (m_menu)
        m_menu->GetUserName(out);
    else
        out.Empty();
}

CVortanPtrArray* COrlogateApplication::GetMenuData()
{
    return m_menu ? m_menu->GetItemList() : nullptr;
}

int COrlogateApplication::GetItemPackPath(int itemId, CVortanString& out)
{
    if (!m_menu) {
        out.Empty();
        return VORTAN_E_FAIL;
    }
    return m_menu->GetItemDataPath(itemId, out);
}

void COrlogateApplication::SendValuePair(int a, int b)
{
    if (m_menu)
        m_menu->SendValuePair(a, b);
}

// --- language and the game's identity ----------------------------------------------------------------

int COrlogateApplication::SetLanguage(const CVortanString& nameOrCode)
{
    if (!m_session || !m_language)
        return VORTAN_E_RANGE;
    int result = m_language->SetLanguage(nameOrCode);
    m_session->SendChangeLanguage(nameOrCode);
    for (int i = 0; i < m_states.GetCount(); ++i)
        ((IOrloState*)m_states.GetAt(i))->SetLanguage(nameOrCode);
    return result;
}

void COrlogateApplication::GetStoreName(CVortanString& out)
{
    out.Empty();
    if (m_gameState)
        m_gameState->GetStoreName(out);
    if (out.IsEmpty())
        out = "Ovi";
}

int COrlogateApplication::GetGameNumber()
{
    return m_gameState ? m_gameState->GetGameNumber() : 0;
}

void COrlogateApplication::GetGameVersion(CVortanString& out)
{
    out.Empty();
    if (m_gameState)
        m_gameState->GetVersion(out);
}

int COrlogateApplication::GetEditionFlag()
{
    return m_gameState ? m_gameState->GetEditionFlag() : 0;
}

int COrlogateApplication::GetReleaseId()
{
    return m_session ? m_session->GetReleaseId() : 0;
}

// --- the reload screen -------------------------------------------------------------------------

void COrlogateApplication::FreeReloadImage()
{
    if (!m_reloadImage)
        return;
    m_reloadImage->Release();
    delete m_reloadImage;
    m_reloadImage = nullptr;
}

int COrlogateApplication::LoadReloadScreenImage()
{
    FreeReloadImage();
    CVortanSurface* image = new (std::nothrow) CVortanSurface();
    if (!image)
        return VORTAN_E_NOMEMORY;
    int result = image->LoadFromMemory(this, g_OrloReloadImage, g_OrloReloadImageSize);
    IVortanGraphicsContext* graphics = GetGraphics();
    if (result == VORTAN_OK && graphics && graphics->GetContextType() == VORTAN_CONTEXT_GLES2)
        result = image->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    if (result != VORTAN_OK) {
        image->Release();
        delete image;
        return result;
    }
    m_reloadImage = image;
    return VORTAN_OK;
}

void COrlogateApplication::DrawReloadScreen()
{
    IVortanGraphicsContext* graphics = GetGraphics();
    if (!graphics)
        return;
    graphics->Clear(0xFF000000u, nullptr);
    if (!m_reloadImage && LoadReloadScreenImage() != VORTAN_OK)
        return;
    graphics->Blit(graphics->GetWidth() - m_reloadImage->GetWidth(),
                   graphics->GetHeight() - m_reloadImage->GetHeight(), m_reloadImage, nullptr,
                   VORTAN_BLIT_ALPHA);
    FreeReloadImage();
}

// --- shutdown ----------------------------------------------------------------------------------

void COrlogateApplication::OnExit()
{
    m_exiting = 1;

    FreeReloadImage();
    DeleteRetiredSessions();
    if (m_session) {
        m_session->Shutdown();
        delete m_session;
        m_session = nullptr;
    }
    if (m_netConnection) {
        m_netConnection->Close();
        delete m_netConnection;
        m_netConnection = nullptr;
    }
    if (m_advertisement) {
        m_advertisement->Release();
        delete m_advertisement;
        m_advertisement = nullptr;
    }
    for (int i = 0; i < m_overlays.GetCount(); ++i) {
        COrloNotification* overlay = (COrloNotification*)m_overlays.GetAt(i);
        overlay->Release();
        delete overlay;
    }
    m_overlays.RemoveAll();
    if (m_toast) {
        m_toast->Release();
        delete m_toast;
        m_toast = nullptr;
    }

    // The screens: the front one unloaded, then every one released and deleted, front to
    // back. A menu that took the game in deletes it with itself; otherwise it is deleted here.
    IOrloState* front = (IOrloState*)m_states.GetAt(0);
    if (front)
        front->Unload();
    CVortanPtrArray states(static_cast<CVortanPtrArray&&>(m_states));
    for (int i = 0; i < states.GetCount(); ++i)
        DestroyState((IOrloState*)states.GetAt(i));
    m_frontRequests.RemoveAll();
    if (m_gameState && m_ownsGameState)
        delete m_gameState;
    m_gameState = nullptr;
    m_ownsGameState = 0;

    if (m_achievements) {
        m_achievements->SaveUnlocks();
        m_achievements->Clear();
        delete m_achievements;
        m_achievements = nullptr;
    }
    if (m_device) {
        m_device->Shutdown();
        delete m_device;
        m_device = nullptr;
    }
    ReleaseAll();
    if (m_language) {
        m_language->SaveLanguage();
        m_language->ClearLanguages();
        delete m_language;
        m_language = nullptr;
    }
    if (m_soundEngine) {
        m_soundEngine->Close();
        delete m_soundEngine;
        m_soundEngine = nullptr;
    }
    DeleteMusicPlayer();
    m_musicFile.Empty();
    m_musicPosition = 0;
    if (m_settings) {
        m_settings->Save();
        m_settings->Clear();
        delete m_settings;
        m_settings = nullptr;
    }
}
