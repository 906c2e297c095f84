// CStateGame: the match hooks, and the sounds, music, game clock and per-scene settings that
// the game's screens share.
#include <stdio.h>

#include "engine/platform/VortanApplication.h"

#include "VortanSound/VortanSoundWave.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexPlayState.h"
#include "game/VexScene.h"
#include "online/net/OrloLobby.h"
#include "platform/OrloApplication.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloDevice.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"

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

void CStateGame::StartMatch(int opener)
{
    if (!m_host)
        return;
    m_sessionFlag = 0;
    m_gameClosed = 0;
    m_connectionLost = 0;
    IVortanApplication::SeedRandomValue(m_stepClock.GetTimeMs());
    DeleteAllStates();
    if (SetState(VEX_STATE_PLAY) != VORTAN_OK)
        return;
    CVexPlayState* battle = GetBattle();
    int ids[2] = {-1, -1};
    CVortanString names[2] = {CVortanString("Player1"), CVortanString("Player2")};
    int complete = 1;
    for (int i = 0; i < 2; ++i) {
        COrloPlayer* player = GetLobbyPlayer(i);
        if (!player) {
            complete = 0;
            continue;
        }
        ids[i] = player->playerId;
        names[i] = player->name;
    }
    const int own = GetOwnPlayerId();
    battle->SetSides(ids[0] == own && complete ? 0 : 1);
    for (int i = 0; i < 2; ++i)
        battle->SetPlayerInfo(i, ids[i], names[i]);
    if (!complete) {
        battle->SetMatchResult(666);
        battle->PostMatchEnd(0);
        battle->PostLeaveBattle(0);
        return;
    }
    const int local = battle->GetLocalSide();
    battle->MarkStartingSide(opener ? local : 1 - local);
    if (opener) {
        battle->SetHost(1);
        battle->SendRoundStart();
    }
}

int CStateGame::OnConnectionLost(int code)
{
    (void)code;
    m_connectionLost = 1;
    CVexPlayState* battle = GetBattle();
    if (!battle)
        return 0;
    battle->OnConnectionLost();
    return battle->GetResult();
}

int CStateGame::OnPlayerLeft(int playerId)
{
    CVexPlayState* battle = GetBattle();
    if (!battle || battle->HasEnded())
        return 0;
    const int taken = battle->OnPlayerLeft(playerId);
    if (taken)
        ++m_playersLeft;
    return taken;
}

float CStateGame::GetTurnClock()
{
    CVexPlayState* battle = GetBattle();
    return battle ? battle->GetTurnTimeLeft() : 0.0f;
}

int CStateGame::GetSoundFrequency(int soundId)
{
    if (!m_host)
        return 0;
    CVortanSoundWave** slot = m_context.SoundSlot(soundId);
    if (!slot)
        return 0;
    if (!*slot)
        *slot = m_host->GetSound(CVexAssetTables::Get().SoundName(soundId), 0);
    return *slot ? (int)(*slot)->GetFrequency() : 0;
}

void CStateGame::Vibrate()
{
    if (m_host)
        if (COrloDevice* device = m_host->GetDevice())
            device->Vibrate(0);
}

int CStateGame::IsPlaying()
{
    return m_states[VEX_STATE_INTRO] || m_states[VEX_STATE_PLAY] ? 1 : 0;
}

void CStateGame::OnGameData(const u8* bytes, int length)
{
    if (CVexPlayState* battle = GetBattle())
        battle->ReceiveGameData(bytes, length);
}

int CStateGame::OnGameMessage(const void* message)
{
    const COrloChatRecord* record = (const COrloChatRecord*)message;
    if (!record || record->kind != kChatLine)
        return 0;
    CVexPlayState* battle = GetBattle();
    if (!battle)
        return 1;
    if (record->playerId == GetOwnPlayerId() || record->playerId < 0) {
        battle->ShowOwnChat(record->text);
        if (!m_chatHelpShown) {
            m_chatHelpShown = 1;
            COrloStatsStore* settings = m_host ? m_host->GetSettings() : nullptr;
            const CVortanString key("zorbix_chathelpplayed");
            if (settings && !settings->Find(key))
                if (COrloStatsEntry* entry = settings->AddEntry(key)) {
                    entry->SetBool(1);
                    settings->Save();
                }
        }
    } else if (!battle->IsTraining()) {
        battle->ShowOpponentChat(record->text);
    }
    return 1;
}

void CStateGame::PlaySound(int soundId, u32 playFlags, int frequency)
{
    if (!m_host || m_fastForward || m_host->GetSoundsMute())
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
    if (m_fastForward)
        return (int)m_clockSimulated;
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
