// CStateGame: the graphics released and restored around a lost context.
#include "game/StateGame.h"
#include "game/VexIntroState.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "platform/OrloApplication.h"

int CStateGame::OnContextLost()
{
    if (CVexPlayState* battle = GetBattle())
        battle->ReleaseItemImages();
    if (CVexIntroState* intro = dynamic_cast<CVexIntroState*>(m_states[VEX_STATE_INTRO]))
        intro->ReleaseGraphics();
    if (m_host)
        m_context.ReleaseAllImages(m_host);
    ResetLoading();
    if (m_renderer)
        m_renderer->ReleaseShaders();
    return 1;
}

int CStateGame::OnContextRestored()
{
    if (!m_host)
        return 1;
    if (m_renderer)
        m_renderer->CreateShaders();
    if (!m_states[VEX_STATE_INTRO])
        while (!m_loadingDone)
            LoadNextAsset(true);
    const int reload[] = {VEX_STATE_PLAY,  VEX_STATE_EDIT,     VEX_STATE_MENU,
                          VEX_STATE_INTRO, VEX_STATE_TRAINING, VEX_STATE_CONNECTING};
    for (int type : reload)
        if (CVexState* screen = m_states[type])
            screen->ReloadGraphics();
    return 1;
}
