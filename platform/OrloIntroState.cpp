// COrloIntroState: the logo sequence.
#include "platform/OrloIntroState.h"

#include "VortanSound/VortanSoundWave.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanExitStatus.h"
#include "platform/OrloApplication.h"

namespace {
// The first updates after loading do not advance the time.
const int kStartupFrames = 5;
// Frames per second of counted time (twelve frames in about one second).
const float kFrameRate = 11.0f;
const float kFadeStart = 1.5f;
const float kIntroDuration = 2.0f;
} // namespace

COrloIntroState::COrloIntroState()
    : m_time(0.0f), m_startupFrames(0), m_sound(nullptr), m_soundPlayed(0)
{
    for (int i = 0; i < ORLO_INTRO_FRAMES; ++i)
        m_frames[i] = nullptr;
}

COrloIntroState::~COrloIntroState() {}

int COrloIntroState::Init(COrloApplication* application)
{
    m_application = application;
    return VORTAN_OK;
}

void COrloIntroState::Release() {}

int COrloIntroState::Load()
{
    m_time = 0.0f;
    m_startupFrames = kStartupFrames;
    if (!m_application)
        return 0;
    if (!m_application->OpenPack(CVortanString(ORLO_INTRO_PACK), ORLO_PACK_BESIDE_PROGRAM)) {
        // The intro still runs its time on a black screen, and the program goes on.
        CVortanString path;
        m_application->GetResourcePath(path, CVortanString(ORLO_INTRO_PACK));
        VortanReportPackProblem("intro pack", path, false);
    }
    for (int i = 0; i < ORLO_INTRO_FRAMES; ++i) {
        if (m_frames[i])
            continue;
        CVortanString name;
        name.Format(L"orlogate_logo%d.jpg", i + 1);
        m_frames[i] = m_application->GetSurface(name);
        if (!m_frames[i])
            return 0;
    }
    if (!m_sound)
        m_sound = m_application->GetSound(CVortanString("sl-welcome.wav"), ORLO_SOUND_LOAD_NOW);
    return VORTAN_OK;
}

void COrloIntroState::Unload()
{
    if (!m_application)
        return;
    for (int i = 0; i < ORLO_INTRO_FRAMES; ++i)
        if (m_frames[i])
            m_application->ReleaseSurface(m_frames[i]);
    if (m_sound)
        m_application->ReleaseSound(m_sound);
    m_application->ClosePack(CVortanString(ORLO_INTRO_PACK), ORLO_PACK_BESIDE_PROGRAM);
}

int COrloIntroState::Update(float seconds)
{
    if (m_startupFrames > 0)
        --m_startupFrames;
    else
        m_time += seconds;
    if (m_sound && !m_soundPlayed) {
        m_sound->Play(0);
        m_soundPlayed = 1;
    }
    if (m_time >= kIntroDuration)
        Finish();
    return 1;
}

void COrloIntroState::Render()
{
    IVortanGraphicsContext* graphics = m_application ? m_application->GetGraphics() : nullptr;
    if (!graphics)
        return;
    graphics->Clear(0xFF000000u, nullptr);

    float f = m_time * kFrameRate;
    int frame;
    float blend;
    if (f > (float)(ORLO_INTRO_FRAMES - 1)) {
        frame = ORLO_INTRO_FRAMES - 1;
        blend = 0.0f;
    } else {
        frame = (int)f;
        blend = f - (float)frame;
    }
    const u32 centred = VORTAN_BLIT_CENTER_X | VORTAN_BLIT_CENTER_Y;
    if (m_frames[frame])
        graphics->BlitUnit(0.0f, 0.0f, m_frames[frame], nullptr, centred);
    if (f + 1.0f < (float)ORLO_INTRO_FRAMES && m_frames[frame + 1]) {
        u32 alpha = (u32)(blend * 255.0f) & 0xFFu;
        graphics->BlitTintedUnit(0.0f, 0.0f, m_frames[frame + 1], nullptr,
                                 (alpha << 24) | 0x00FFFFFFu, centred);
    }
    if (m_time >= kFadeStart) {
        float amount = (kIntroDuration - m_time) * 2.0f;
        graphics->DarkenUnit(nullptr, amount > 0.0f ? amount : 0.0f);
    }
}
