// CStateGame: the match hooks, and the sounds, music, game clock and per-scene settings that
// the game's screens share.
#include <stdio.h>

#include "VortanSound/VortanSoundWave.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "platform/OrloApplication.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"

namespace {

// Chat records of this kind are chat lines.
const int kChatLine = 2;

CVortanString SceneKey(int scene)
{
    char key[48];
    snprintf(key, sizeof(key), "scene_%d_cleared", scene);
    return CVortanString(key);
}

} // namespace

void CStateGame::OnLeaveGame()
{
    if (CVexState* connecting = m_states[VEX_STATE_CONNECTING])
        connecting->SetDone(); // its next state is the menu
}

int CStateGame::OnConnectionLost(int code)
{
    (void)code;
    m_connectionLost = 1;
    return 0;
}

int CStateGame::OnPlayerLeft(int playerId)
{
    (void)playerId;
    return 0;
}

int CStateGame::IsPlaying()
{
    return m_states[VEX_STATE_INTRO] || m_states[VEX_STATE_PLAY] ? 1 : 0;
}

void CStateGame::OnGameData(const u8* bytes, int length)
{
    (void)bytes;
    (void)length;
}

int CStateGame::OnGameMessage(const void* message)
{
    const COrloChatRecord* record = (const COrloChatRecord*)message;
    return record && record->kind == kChatLine ? 1 : 0;
}

void CStateGame::PlaySound(int soundId, u32 playFlags, int frequency)
{
    if (!m_host || m_host->GetSoundsMute())
        return;
    CVortanSoundWave** slot = m_context.SoundSlot(soundId);
    if (!slot)
        return;
    if (!*slot)
        *slot = m_host->GetSound(CVexAssetTables::Get().SoundName(soundId), 0);
    CVortanSoundWave* sound = *slot;
    if (!sound || sound->IsPlaying())
        return;
    if (frequency > 0)
        sound->SetFrequency((u32)frequency);
    sound->Replay(playFlags);
}

void CStateGame::PlayMusicTrack(int track)
{
    if (!m_host || track < 0 || track >= VEX_MUSIC_COUNT)
        return;
    CVortanString path;
    m_host->GetResourcePath(path, CVexAssetTables::Get().MusicName(track));
    m_host->PlayMusic(path, true);
}

void CStateGame::ResetGameClock()
{
    m_clockStart = m_gameTimer.GetTimeMs();
    m_clockSimulated = 0;
}

int CStateGame::GetGameClock()
{
    const u32 now = m_gameTimer.GetTimeMs();
    const i32 elapsed = (i32)(now - m_clockStart);
    if (elapsed < 0) {
        m_clockStart = now;
        m_clockSimulated = 0;
        return 0;
    }
    return elapsed;
}

int CStateGame::IsSceneCleared(int scene)
{
    COrloStatsStore* settings = m_host ? m_host->GetSettings() : nullptr;
    return settings && settings->Find(SceneKey(scene)) ? 1 : 0;
}

void CStateGame::SetSceneCleared(int scene)
{
    COrloStatsStore* settings = m_host ? m_host->GetSettings() : nullptr;
    if (!settings)
        return;
    const CVortanString key = SceneKey(scene);
    if (COrloStatsEntry* entry = settings->Find(key)) {
        entry->SetBool(1);
        return;
    }
    COrloStatsEntry* entry = settings->AddEntry(key);
    if (!entry)
        return;
    entry->SetBool(1);
    settings->Save();
}
