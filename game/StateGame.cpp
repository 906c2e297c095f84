// CStateGame: the host's lifecycle, fixed step, screen switching and drawing.
#include "game/StateGame.h"

#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanKeys.h"
#include "game/VexAssetTables.h"
#include "game/VexChatBubbles.h"
#include "game/VexMenuState.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "game/VexStateDump.h"
#include "game/VexStateFactory.h"
#include "platform/OrloApplication.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"

namespace {
const float kStepSeconds = VEX_STEP_MS / 1000.0f;
const float kButtonAtRest = 2.0f;
const float kButtonMuted = -1.0f;
const int kBackgroundImage = 1;
const int kSoundOnImage = 8;
const int kSoundOffImage = 9;
} // namespace

CStateGame::CStateGame()
    : m_host(nullptr), m_renderer(nullptr), m_world(nullptr), m_bubbles(nullptr),
      m_physicsRate(VEX_PHYSICS_RATE), m_stepMs(VEX_STEP_MS), m_lastTime(0), m_accumulator(0),
      m_stepsDue(0), m_steppedThisFrame(0), m_stepCount(0), m_stepsTotal(0), m_frameCount(0),
      m_stepsLastSecond(0), m_framesLastSecond(0), m_windowStart(0), m_won(0), m_lost(0),
      m_playersLeft(0), m_clockStart(0), m_clockSimulated(0), m_loadingDone(0), m_loadingIndex(0),
      m_loadingProgress(1), m_textureBytes(0), m_gameClosed(0), m_sessionFlag(0),
      m_connectionLost(0), m_chatHelpShown(0), m_exitToPlatform(0), m_trainingScene(0),
      m_fastForward(0), m_battleFrames(0), m_editorScene("newscene.scn"), m_buttonLeft(0.0f),
      m_buttonTop(0.0f), m_buttonRight(0.0f), m_buttonBottom(0.0f),
      m_soundButtonScale(kButtonAtRest), m_soundButtonTook(0), m_dump(nullptr)
{
    for (int i = 0; i < VEX_STATE_COUNT; ++i)
        m_states[i] = nullptr;
}

CStateGame::~CStateGame()
{
    Release();
}

int CStateGame::Init(COrloApplication* application)
{
    m_host = application;
    m_application = application;
    if (!application)
        return VORTAN_E_ARGUMENT;
    if (!m_dump)
        if (const char* dumpPath = CVexStateDump::PathFromEnvironment())
            m_dump = new (std::nothrow) CVexStateDump(dumpPath);

    if (!m_language) {
        m_language = new (std::nothrow) COrloLanguage();
        if (!m_language)
            return VORTAN_E_NOMEMORY;
        int result = m_language->Init(application, CVortanString("zorbixlanguage"));
        if (result != VORTAN_OK)
            return result;
    }

    const CVexAssetTables& tables = CVexAssetTables::Get();
    for (int i = 0; i < VEX_PACK_COUNT; ++i)
        application->OpenPack(tables.PackName(i), ORLO_PACK_BESIDE_PROGRAM);

    m_stepClock.Init();
    m_gameTimer.Init();
    m_physicsRate = VEX_PHYSICS_RATE;
    m_stepMs = VEX_STEP_MS;
    m_lastTime = m_windowStart = m_stepClock.GetTimeMs();
    m_accumulator = 0;
    m_clockStart = m_gameTimer.GetTimeMs();
    m_clockSimulated = 0;

    if (!m_renderer) {
        m_renderer = new (std::nothrow) CVexRenderer();
        if (!m_renderer)
            return VORTAN_E_NOMEMORY;
        m_renderer->Init(this);
    }
    if (!m_world) {
        m_world = new (std::nothrow) CVexPhysicsWorld(&m_context);
        if (!m_world)
            return VORTAN_E_NOMEMORY;
        m_world->Init(1.0f / VEX_PHYSICS_RATE, 4);
    }
    if (!m_bubbles) {
        m_bubbles = new (std::nothrow) CVexChatBubbles();
        if (!m_bubbles)
            return VORTAN_E_NOMEMORY;
    }
    m_bubbles->SetRenderer(m_renderer);

    m_context.ReleaseHandles(application);
    ComputeSoundButton();
    m_touches.Clear();

    COrloStatsStore* settings = application->GetSettings();
    m_chatHelpShown =
        settings && settings->Find(CVortanString("zorbix_chathelpplayed")) != nullptr ? 1 : 0;
    return VORTAN_OK;
}

void CStateGame::Release()
{
    if (!m_host)
        return;
    m_host->StopMusic();
    m_context.ReleaseHandles(m_host);
    ResetLoading();
    DeleteAllStates();
    delete m_dump;
    m_dump = nullptr;
    if (m_renderer) {
        m_renderer->ReleaseShaders();
        delete m_renderer;
        m_renderer = nullptr;
    }
    delete m_world;
    m_world = nullptr;
    delete m_bubbles;
    m_bubbles = nullptr;
    if (m_language) {
        m_language->ClearLanguages();
        delete m_language;
        m_language = nullptr;
    }
    m_host = nullptr;
}

int CStateGame::Load()
{
    if (m_host)
        m_host->SetAppName(CVortanString("Zorbix"));
    DeleteAllStates();
    m_sessionFlag = 0;
    m_gameClosed = 0;
    SetState(VEX_STATE_MENU);
    m_touches.Clear();
    return VORTAN_OK;
}

void CStateGame::Unload()
{
    if (m_host)
        m_host->StopMusic();
}

// --- the fixed step -----------------------------------------------------------------------------

int CStateGame::Update(float seconds)
{
    (void)seconds;
    const u32 now = m_stepClock.GetTimeMs();
    if (now < m_lastTime) {
        // The clock went back: start counting afresh instead of running steps.
        m_accumulator = 0;
        m_lastTime = now;
        m_windowStart = now;
    }
    m_accumulator += now - m_lastTime;
    m_lastTime = now;

    int due = 0;
    while (m_accumulator >= (u32)m_stepMs) {
        m_accumulator -= (u32)m_stepMs;
        ++due;
    }
    // After a stall, one step and the rest of the time is dropped.
    m_stepsDue = due > VEX_MAX_STEPS ? 1 : due;
    for (int i = 0; i < m_stepsDue; ++i)
        Step();

    if (now - m_windowStart >= 1000) {
        m_stepsLastSecond = m_stepCount;
        m_framesLastSecond = m_frameCount;
        m_stepCount = 0;
        m_frameCount = 0;
        m_windowStart = now;
    }

    CVexState* menu = m_states[VEX_STATE_MENU];
    if (!m_loadingDone && menu && MenuWantsAssets(menu))
        LoadNextAsset(true);

    if (m_exitToPlatform) {
        DeleteAllStates();
        m_exitToPlatform = 0;
        if (m_host)
            m_host->ReturnToMenu(true);
    }

    FreeOthersDuringBattle();
    if (m_dump)
        m_dump->Frame(this);
    return 1;
}

void CStateGame::Step()
{
    m_touches.Refresh();
    if (m_bubbles)
        m_bubbles->Update(kStepSeconds);
    m_soundButtonTook = HandleSoundButton();
    ProcessTransitions();
    for (int i = 0; i < m_active.GetCount(); ++i)
        GetActive(i)->Update(kStepSeconds);
    ++m_stepCount;
    ++m_stepsTotal;
    m_steppedThisFrame = 1;
}

void CStateGame::FreeOthersDuringBattle()
{
    CVexState* battle = m_states[VEX_STATE_PLAY];
    if (!battle || battle->IsDone())
        return;
    const int others[] = {VEX_STATE_MENU, VEX_STATE_INTRO, VEX_STATE_CONNECTING, VEX_STATE_EDIT,
                          VEX_STATE_TRAINING};
    for (int type : others)
        DeleteStateByType(type);
}

// --- the sound button -----------------------------------------------------------------------

void CStateGame::ComputeSoundButton()
{
    const float width = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
    const float s = width / 25.0f;
    m_buttonLeft = width - 2.0f * s;
    m_buttonTop = 0.0f;
    m_buttonRight = width;
    m_buttonBottom = 2.0f * s;
}

int CStateGame::HandleSoundButton()
{
    const CVexTouchPoint& finger = m_touches.Get(0);
    const float x = finger.position.x, y = finger.position.y;
    const bool inside =
        m_buttonLeft <= x && x <= m_buttonRight && m_buttonTop <= y && y <= m_buttonBottom;
    if (!inside || !m_host)
        return 0;
    if (finger.pressed && finger.justDown) {
        m_soundButtonScale = kButtonAtRest;
        return 1;
    }
    if (!finger.pressed && finger.justUp) {
        m_host->SetAllMute(!(m_host->GetSoundsMute() && m_host->GetMusicMute()));
        if (m_host->GetSoundsMute())
            m_soundButtonScale = kButtonMuted;
        return 1;
    }
    return 0;
}

int CStateGame::ShowsSoundButton()
{
    CVexMenuState* menu = dynamic_cast<CVexMenuState*>(m_states[VEX_STATE_MENU]);
    if (menu && menu->IsReady())
        return 1;
    return m_states[VEX_STATE_PLAY] || m_states[VEX_STATE_INTRO];
}

void CStateGame::DrawSoundButton()
{
    if (!m_host)
        return;
    const bool muted = m_host->GetSoundsMute() && m_host->GetMusicMute();
    CVortanSurface* image = m_context.GetImage(muted ? kSoundOffImage : kSoundOnImage);
    const CVortanVector2 centre((m_buttonLeft + m_buttonRight) * 0.5f,
                                (m_buttonTop + m_buttonBottom) * 0.5f);
    const CVortanVector2 half((m_buttonRight - m_buttonLeft) * 0.5f,
                              (m_buttonBottom - m_buttonTop) * 0.5f);
    m_renderer->DrawScreenQuad(centre, half, image, 0xFFFFFFFFu);
}

// --- screens --------------------------------------------------------------------------------

CVexState* CStateGame::CreateState(int typeId)
{
    return CreateVexState(typeId);
}

int CStateGame::MenuWantsAssets(CVexState* menu)
{
    CVexMenuState* screen = dynamic_cast<CVexMenuState*>(menu);
    return screen ? screen->WantsAssets() : 0;
}

CVexState* CStateGame::GetState(int typeId) const
{
    return typeId >= 0 && typeId < VEX_STATE_COUNT ? m_states[typeId] : nullptr;
}

int CStateGame::SetState(int typeId)
{
    if (typeId < 0 || typeId >= VEX_STATE_COUNT)
        return VORTAN_E_ARGUMENT;
    // The images that the screen before did not draw give their textures back; they are made
    // again when a screen draws them.
    if (m_host)
        m_host->DropUndrawnTextures();
    CVexState* screen = m_states[typeId];
    if (!screen) {
        screen = CreateState(typeId);
        if (!screen)
            return VORTAN_E_ARGUMENT;
        m_states[typeId] = screen;
        screen->Init(this);
    }
    screen->Reset();
    for (int i = 0; i < m_active.GetCount(); ++i)
        if (GetActive(i) == screen)
            return VORTAN_OK; // already active: reset only
    return m_active.Add(screen);
}

void CStateGame::DeleteState(CVexState* screen)
{
    if (!screen)
        return;
    for (int i = m_active.GetCount() - 1; i >= 0; --i)
        if (GetActive(i) == screen)
            m_active.RemoveAt(i);
    for (int type = 0; type < VEX_STATE_COUNT; ++type)
        if (m_states[type] == screen)
            m_states[type] = nullptr;
    screen->Release();
    delete screen;
}

void CStateGame::DeleteStateByType(int typeId)
{
    DeleteState(GetState(typeId));
}

void CStateGame::DeleteAllStates()
{
    m_active.RemoveAll();
    for (int type = 0; type < VEX_STATE_COUNT; ++type) {
        CVexState* screen = m_states[type];
        m_states[type] = nullptr;
        if (screen) {
            screen->Release();
            delete screen;
        }
    }
}

void CStateGame::ProcessTransitions()
{
    // The screens done at the start of the walk; each is taken out before its successor
    // comes in, so a screen that several done screens lead to is made once and stays.
    CVexState* done[VEX_STATE_COUNT];
    int doneCount = 0;
    for (int i = 0; i < m_active.GetCount() && doneCount < VEX_STATE_COUNT; ++i)
        if (GetActive(i)->IsDone())
            done[doneCount++] = GetActive(i);

    for (int d = 0; d < doneCount; ++d) {
        CVexState* screen = done[d];
        const int type = screen->GetTypeId();
        const int next = screen->GetNextState();
        const int result = screen->GetResult();
        DeleteState(screen);

        switch (type) {
        case VEX_STATE_MENU:
            if (next == VEX_STATE_EDIT) {
                SetState(VEX_STATE_EDIT);
            } else if (next == VEX_STATE_PLAY) {
                if (m_host)
                    m_host->StopMusic();
                SetState(VEX_STATE_CONNECTING);
                LeaveGame();
            } else if (next == VEX_STATE_TRAINING) {
                SetState(VEX_STATE_TRAINING);
            } else if (next == VEX_STATE_INTRO) {
                if (m_host) {
                    m_host->StopMusic();
                    m_context.ReleaseAllImages(m_host);
                    m_context.ReleaseFont(m_host);
                }
                m_loadingDone = 0;
                m_loadingIndex = 0;
                SetState(VEX_STATE_INTRO);
            }
            break;
        case VEX_STATE_PLAY:
            if (next == VEX_STATE_TRAINING) {
                if (result > 0)
                    SetSceneCleared(m_trainingScene);
                SetState(VEX_STATE_TRAINING);
            } else if (next == VEX_STATE_MENU) {
                SetState(VEX_STATE_MENU);
            }
            break;
        case VEX_STATE_EDIT:
        case VEX_STATE_CONNECTING:
        case VEX_STATE_INTRO:
            if (next == VEX_STATE_MENU)
                SetState(VEX_STATE_MENU);
            break;
        case VEX_STATE_TRAINING:
            if (next == VEX_STATE_MENU) {
                SetState(VEX_STATE_MENU);
            } else if (next == VEX_STATE_PLAY) {
                StartTraining(result);
            }
            break;
        default:
            break;
        }
    }
}

void CStateGame::StartTraining(int scene)
{
    // The battle against the computer on the chosen scene.
    m_trainingScene = scene;
    if (SetState(VEX_STATE_PLAY) != VORTAN_OK)
        return;
    CVexPlayState* battle = GetBattle();
    if (battle) {
        battle->Reset();
        battle->SetupVsComputer(1);
        battle->PostRoundBegin(0, scene, 0, 0);
        battle->SetHost(1);
        battle->PostBattleBegin(0);
        battle->SetRoundState(VEX_ROUND_OWN_TURN);
    }
    if (m_host)
        m_host->StopMusic();
}

CVexPlayState* CStateGame::GetBattle() const
{
    return dynamic_cast<CVexPlayState*>(m_states[VEX_STATE_PLAY]);
}

COrlogateApplication* CStateGame::GetGateApplication() const
{
    return m_gateApplication ? m_gateApplication : dynamic_cast<COrlogateApplication*>(m_host);
}

void CStateGame::RestampStepClock()
{
    m_lastTime = m_stepClock.GetTimeMs();
    m_accumulator = 0;
}

// --- drawing --------------------------------------------------------------------------------

void CStateGame::Render()
{
    if (!m_host)
        return;
    // The game always runs at full frame rate.
    m_host->ResetIdle();
    if (m_renderer)
        m_renderer->ClearTextLog();

    if (m_active.GetCount() == 0) {
        CVortanSurface* background = m_context.GetImage(kBackgroundImage);
        if (background && m_renderer) {
            const float w = m_renderer->GetViewWidth() * 0.5f;
            const float h = m_renderer->GetViewHeight() * 0.5f;
            m_renderer->DrawScreenQuad(CVortanVector2(w, h), CVortanVector2(w, h), background,
                                       0xFFFFFFFFu);
        } else if (IVortanGraphicsContext* graphics = m_host->GetGraphics()) {
            graphics->Clear(0xFF000000u, nullptr);
        }
    }
    for (int i = 0; i < m_active.GetCount(); ++i)
        GetActive(i)->Render();
    ++m_frameCount;
    m_steppedThisFrame = 0;
    if (ShowsSoundButton())
        DrawSoundButton();
}

// --- input ----------------------------------------------------------------------------------

int CStateGame::OnPointerDown(int id, int x, int y)
{
    m_touches.Press(id, (float)x, (float)y);
    return 1;
}

int CStateGame::OnPointerMove(int id, int x, int y)
{
    m_touches.Move(id, (float)x, (float)y);
    return 1;
}

int CStateGame::OnPointerUp(int id, int x, int y)
{
    (void)x;
    (void)y;
    m_touches.Lift(id);
    return 1;
}

int CStateGame::OnKeyDown(int key)
{
    // The device's Back key is for the screen in front, the last one activated (drawn over
    // the others), unless it is done and on its way out. No other key means anything to the
    // screens.
    if (KeyFromDeviceKeysym((unsigned long)(unsigned int)key) != VORTAN_KEY_BACK)
        return 0;
    const int count = m_active.GetCount();
    CVexState* front = count > 0 ? GetActive(count - 1) : nullptr;
    if (front && !front->IsDone())
        front->OnBack(0);
    return 0;
}

int CStateGame::OnChar(unsigned short character)
{
    for (int i = 0; i < m_active.GetCount(); ++i)
        GetActive(i)->OnChar(character);
    return 1;
}
