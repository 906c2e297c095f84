// CVexAmbientSounds: the battle's background sounds.
#include "game/VexAmbientSounds.h"

#include "VortanSound/VortanSoundWave.h"
#include "engine/platform/VortanApplication.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "platform/OrloApplication.h"

namespace {
const float kCommonMin = 7.0f, kCommonMax = 15.0f;
const float kRareMin = 20.0f, kRareMax = 30.0f;
} // namespace

CVexAmbientSounds::CVexAmbientSounds()
    : m_loop(-1), m_game(nullptr), m_rareTimer(10.0f), m_commonTimer(10.0f)
{}

CVexAmbientSounds::~CVexAmbientSounds()
{
    StopAll();
}

void CVexAmbientSounds::Init(CStateGame* game)
{
    m_game = game;
    ResetRareTimer();
    ResetCommonTimer();
}

void CVexAmbientSounds::ResetCommonTimer()
{
    m_commonTimer = IVortanApplication::RandomFloat(kCommonMin, kCommonMax);
}

void CVexAmbientSounds::ResetRareTimer()
{
    m_rareTimer = IVortanApplication::RandomFloat(kRareMin, kRareMax);
}

void CVexAmbientSounds::PlayOneOf(const CVortanArray<int>& ids)
{
    if (ids.GetSize() == 0 || !m_game)
        return;
    m_game->PlaySound(ids[IVortanApplication::RandomInt(0, ids.GetSize() - 1)], 0, 0);
}

void CVexAmbientSounds::Update(float dt)
{
    m_commonTimer -= dt;
    m_rareTimer -= dt;
    if (m_commonTimer <= 0.0f) {
        PlayOneOf(m_common);
        ResetCommonTimer();
    }
    if (m_rareTimer <= 0.0f) {
        PlayOneOf(m_rare);
        ResetRareTimer();
    }
    if (m_game && m_loop >= 0)
        m_game->PlaySound(m_loop, 0, 0);
}

void CVexAmbientSounds::Stop(int id)
{
    COrloApplication* application = m_game ? m_game->GetHostApplication() : nullptr;
    CVortanSoundWave** slot = m_game ? m_game->GetGameContext()->SoundSlot(id) : nullptr;
    if (!slot || !application)
        return;
    if (!*slot)
        *slot = application->GetSound(CVexAssetTables::Get().SoundName(id), 0);
    if (*slot)
        (*slot)->Stop();
}

void CVexAmbientSounds::StopAll()
{
    for (int i = 0; i < m_common.GetSize(); ++i)
        Stop(m_common[i]);
    for (int i = 0; i < m_rare.GetSize(); ++i)
        Stop(m_rare[i]);
}
