// CVexRenderer: the camera's holder, the view size and the water clock.
#include "game/VexRenderer.h"

#include "engine/graphics/VortanGraphicsContext.h"
#include "game/StateGame.h"
#include "platform/OrloApplication.h"

CVexRenderer::CVexRenderer() : m_clock(0.0f), m_game(nullptr) {}

CVexRenderer::~CVexRenderer() {}

int CVexRenderer::Init(CStateGame* game)
{
    m_game = game;
    UpdateView();
    return VORTAN_OK;
}

IVortanGraphicsContext* CVexRenderer::GetContext() const
{
    if (!m_game || !m_game->GetHostApplication())
        return nullptr;
    return m_game->GetHostApplication()->GetGraphics();
}

void CVexRenderer::UpdateView()
{
    m_camera.SetOffset(CVortanVector2(0.0f, 0.5f));
    m_camera.SetZoom(1.0f);
    if (IVortanGraphicsContext* context = GetContext())
        m_camera.SetScreenSize((float)context->GetWidth(), (float)context->GetHeight());
    m_camera.Update();
}

void CVexRenderer::UpdateCamera(float dt)
{
    m_clock += dt;
    m_camera.Update();
}
