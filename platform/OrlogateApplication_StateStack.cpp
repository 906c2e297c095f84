// COrlogateApplication: the stack of screens, the frame update, input routing, activation,
// resizing and the lost graphics context.
#include "platform/OrlogateApplication.h"

#include "VortanSound/VortanMusicPlayer.h"
#include "VortanSound/VortanSoundEngine.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "platform/OrloAdvertisementInterface.h"
#include "platform/OrloMenuStateInterface.h"
#include "platform/OrloNotification.h"
#include "platform/OrloState.h"
#include "platform/OrloToastNotificationInterface.h"

namespace {

int IndexOf(const CVortanPtrArray& array, const void* pointer)
{
    for (int i = 0; i < array.GetCount(); ++i)
        if (array.GetAt(i) == pointer)
            return i;
    return -1;
}

void BecomeFront(IOrloState* screen)
{
    screen->ClearFinished();
    screen->Load();
}

} // namespace

// --- the screen stack ---------------------------------------------------------------------------

int COrlogateApplication::PushState(IOrloState* screen)
{
    if (!screen)
        return VORTAN_E_ARGUMENT;
    int result = screen->Init(this);
    if (result != VORTAN_OK) {
        delete screen;
        return result;
    }
    if (m_states.Add(screen) != VORTAN_OK) {
        screen->Release();
        delete screen;
        return VORTAN_E_NOMEMORY;
    }
    if (m_states.GetCount() == 1)
        BecomeFront(screen);
    return VORTAN_OK;
}

void COrlogateApplication::DropFrontRequests(IOrloState* screen)
{
    for (int i = m_frontRequests.GetCount() - 1; i >= 0; --i)
        if (m_frontRequests.GetAt(i) == screen)
            m_frontRequests.RemoveAt(i);
}

void COrlogateApplication::DestroyState(IOrloState* screen)
{
    DropFrontRequests(screen);
    if (screen == (IOrloState*)m_menu) {
        // The menu releases and deletes the game it hosts.
        m_menu = nullptr;
        m_gameState = nullptr;
        m_ownsGameState = 0;
    }
    screen->Release();
    delete screen;
}

int COrlogateApplication::RemoveState(IOrloState* screen)
{
    int index = IndexOf(m_states, screen);
    if (index < 0)
        return 0;
    if (index == 0) {
        screen->Unload();
        m_states.RemoveAt(0);
        DestroyState(screen);
        if (m_states.GetCount() > 0)
            BecomeFront((IOrloState*)m_states.GetAt(0));
    } else {
        m_states.RemoveAt(index);
        DestroyState(screen);
    }
    return 1;
}

int COrlogateApplication::RequestBringToFront(IOrloState* screen)
{
    m_frontRequests.Add(screen);
    return 1;
}

int COrlogateApplication::BringStateToFront(IOrloState* screen)
{
    int index = IndexOf(m_states, screen);
    if (index == 0)
        return 1;
    if (index < 0)
        return 0;
    ((IOrloState*)m_states.GetAt(0))->Unload();
    m_states.RemoveAt(index);
    m_states.InsertAt(0, screen);
    BecomeFront(screen);
    return 1;
}

// --- the frame --------------------------------------------------------------------------------

void COrlogateApplication::Update()
{
    // A lost context is restored over two frames: the reload screen, then the textures.
    if (m_reloadStep == 1) {
        DrawReloadScreen();
        m_reloadStep = 2;
        ResetIdle();
        return;
    }
    if (m_reloadStep == 2) {
        m_reloadStep = 0;
        ResetIdle();
        if (ReloadAllSurfaceTextures() != VORTAN_OK)
            Quit();
        return;
    }

    float dt = GetFrameDelta();

    DeleteRetiredSessions();
    if (m_session)
        m_session->Update(dt);

    if (m_advertisement) {
        m_advertisement->Update(dt);
        if (m_advertisement->IsClosed()) {
            m_advertisement->Release();
            delete m_advertisement;
            m_advertisement = nullptr;
        }
    }
    COrloNotification* overlay = (COrloNotification*)m_overlays.GetAt(0);
    if (overlay) {
        overlay->Update(dt);
        if (overlay->IsClosed()) {
            m_overlays.RemoveAt(0);
            overlay->Release();
            delete overlay;
        }
    }
    if (m_toast)
        m_toast->Update(dt);

    // Bring-to-front requests in the order queued. A request made while they are applied (a
    // screen's Load) waits for the next frame.
    if (m_frontRequests.GetCount() > 0) {
        CVortanPtrArray requests(static_cast<CVortanPtrArray&&>(m_frontRequests));
        for (int i = 0; i < requests.GetCount(); ++i)
            BringStateToFront((IOrloState*)requests.GetAt(i));
    }

    // Finished screens leave; screens that asked to go to the back are set aside and then
    // appended behind the others. Only the front screen is loaded, so only it is unloaded.
    CVortanPtrArray aside;
    int frontLeftAlone = 0; // the front went aside and no screen was left to load
    for (int i = 0; i < m_states.GetCount();) {
        IOrloState* screen = (IOrloState*)m_states.GetAt(i);
        if (screen->IsFinished()) {
            RemoveState(screen);
            continue;
        }
        if (screen->WantsSendToBack()) {
            if (i == 0)
                screen->Unload();
            screen->ClearSendToBack();
            m_states.RemoveAt(i);
            aside.Add(screen);
            if (i == 0) {
                if (m_states.GetCount() > 0)
                    BecomeFront((IOrloState*)m_states.GetAt(0));
                else
                    frontLeftAlone = 1;
            }
            continue;
        }
        ++i;
    }
    for (int i = 0; i < aside.GetCount(); ++i)
        m_states.Add(aside.GetAt(i));
    if (frontLeftAlone && m_states.GetCount() > 0)
        BecomeFront((IOrloState*)m_states.GetAt(0));

    for (int i = 0; i < m_states.GetCount(); ++i) {
        if (((IOrloState*)m_states.GetAt(i))->Update(dt))
            break;
    }

    IOrloState* front = (IOrloState*)m_states.GetAt(0);
    if (front)
        front->Render();

    if (m_advertisement)
        m_advertisement->Render();
    overlay = (COrloNotification*)m_overlays.GetAt(0);
    if (overlay)
        overlay->Render();
    if (m_toast)
        m_toast->Render();

    PollAsyncSounds();

    if (m_states.GetCount() == 0)
        RequestQuit();
    if (m_quitRequested)
        Quit();
}

void COrlogateApplication::RequestQuit()
{
    m_quitRequested = 1;
}

// --- input ------------------------------------------------------------------------------------

int COrlogateApplication::RoutePointer(int kind, int button, int x, int y)
{
    int result;
    if (m_toast && m_toast->IsShowing()) {
        result = kind == 0   ? m_toast->OnPointerDown(button, x, y)
                 : kind == 1 ? m_toast->OnPointerMove(button, x, y)
                             : m_toast->OnPointerUp(button, x, y);
        if (result) {
            if (kind == 0 && m_menu &&
                m_toast->GetCurrentKind() == IOrloToastNotification::KIND_CHALLENGE)
                m_menu->ShowPage(CVortanString("challenge_received"), 1);
            return result;
        }
    }
    COrloNotification* overlay = (COrloNotification*)m_overlays.GetAt(0);
    if (overlay) {
        result = kind == 0   ? overlay->OnPointerDown(button, x, y)
                 : kind == 1 ? overlay->OnPointerMove(button, x, y)
                             : overlay->OnPointerUp(button, x, y);
        if (result)
            return result;
    }
    if (m_advertisement && m_advertisement->IsShown()) {
        result = kind == 0   ? m_advertisement->OnPointerDown(button, x, y)
                 : kind == 1 ? m_advertisement->OnPointerMove(button, x, y)
                             : m_advertisement->OnPointerUp(button, x, y);
        if (result)
            return result;
    }
    for (int i = 0; i < m_states.GetCount(); ++i) {
        IOrloState* screen = (IOrloState*)m_states.GetAt(i);
        result = kind == 0   ? screen->OnPointerDown(button, x, y)
                 : kind == 1 ? screen->OnPointerMove(button, x, y)
                             : screen->OnPointerUp(button, x, y);
        if (result)
            return result;
    }
    return 0;
}

void COrlogateApplication::OnPointerDown(int button, int x, int y)
{
    RoutePointer(0, button, x, y);
}

void COrlogateApplication::OnPointerMove(int button, int x, int y)
{
    RoutePointer(1, button, x, y);
}

void COrlogateApplication::OnPointerUp(int button, int x, int y)
{
    RoutePointer(2, button, x, y);
}

void COrlogateApplication::OnKeyDown(int key)
{
    for (int i = 0; i < m_states.GetCount(); ++i)
        if (((IOrloState*)m_states.GetAt(i))->OnKeyDown(key))
            return;
}

void COrlogateApplication::OnChar(unsigned short character)
{
    for (int i = 0; i < m_states.GetCount(); ++i)
        if (((IOrloState*)m_states.GetAt(i))->OnChar(character))
            return;
}

// --- activation and size ------------------------------------------------------------------------

IOrloGameState* COrlogateApplication::GetReadyGameState() const
{
    // The game is initialised by the online menu that takes it in; before that (and without
    // a menu) it must not be called.
    if (!m_menu || !m_gameState || !m_gameState->GetApplication())
        return nullptr;
    return m_gameState;
}

void COrlogateApplication::SetActive(bool active)
{
    IVortanApplication::SetActive(active);
    IOrloGameState* game = GetReadyGameState();
    if (game)
        game->OnActiveChanged(active);
    for (int i = 0; i < m_states.GetCount(); ++i)
        if (((IOrloState*)m_states.GetAt(i))->OnActiveChanged(active))
            break;

    if (active) {
        if (m_soundEngine)
            m_soundEngine->SetPaused(false);
        if (!m_musicFile.IsEmpty())
            ResumeMusic();
    } else {
        if (m_soundEngine)
            m_soundEngine->SetPaused(true);
        if (m_musicPlayer) {
            m_musicPosition = m_musicPlayer->GetState() == CVortanSoundMusicPlayer::STATE_PLAYING
                                  ? (int)(m_musicPlayer->GetPosition() * 1000.0f)
                                  : 0;
            DeleteMusicPlayer();
        }
    }

    if (m_advertisement) {
        m_advertisement->Release();
        delete m_advertisement;
        m_advertisement = nullptr;
    }
}

int COrlogateApplication::OnResize(int width, int height)
{
    int result = IVortanApplication::OnResize(width, height);
    COrloNotification* overlay = (COrloNotification*)m_overlays.GetAt(0);
    if (overlay)
        overlay->OnResize(width, height);
    if (m_toast)
        m_toast->OnResize(width, height);
    if (m_advertisement)
        m_advertisement->OnResize(width, height);
    IOrloState* front = (IOrloState*)m_states.GetAt(0);
    if (front)
        front->OnResize(width, height);
    return result;
}

// --- the lost graphics context ---------------------------------------------------------------------

int COrlogateApplication::RestoreGraphics()
{
    int result = IVortanApplication::RestoreGraphics();
    if (result == VORTAN_OK)
        m_reloadStep = 1;
    return result;
}

int COrlogateApplication::UnloadAllSurfaceTextures()
{
    int result = COrloResourceManager::UnloadAllSurfaceTextures();
    if (result != VORTAN_OK)
        return result;
    IOrloGameState* game = GetReadyGameState();
    if (game) {
        result = game->OnContextLost();
        if (result != VORTAN_OK)
            return result;
    }
    for (int i = 0; i < m_states.GetCount(); ++i) {
        result = ((IOrloState*)m_states.GetAt(i))->OnContextLost();
        if (result != VORTAN_OK)
            return result;
    }
    return VORTAN_OK;
}

int COrlogateApplication::ReloadAllSurfaceTextures()
{
    int result = COrloResourceManager::ReloadAllSurfaceTextures();
    if (result != VORTAN_OK)
        return result;
    IOrloGameState* game = GetReadyGameState();
    if (game) {
        result = game->OnContextRestored();
        if (result != VORTAN_OK)
            return result;
    }
    for (int i = 0; i < m_states.GetCount(); ++i) {
        result = ((IOrloState*)m_states.GetAt(i))->OnContextRestored();
        if (result != VORTAN_OK)
            return result;
    }
    return VORTAN_OK;
}
