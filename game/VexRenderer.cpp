// CVexRenderer: the camera's holder, the view size, the water clock, the shaders and the GL
// state shared by every helper.
#include "game/VexRenderer.h"

#include <GLES2/gl2.h>
#include <new>
#include <stdlib.h>

#include "engine/VortanColor.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "game/StateGame.h"
#include "game/VexShader.h"
#include "platform/OrloApplication.h"

CVexRenderer::CVexRenderer()
    : m_clock(0.0f), m_game(nullptr), m_textVertices(nullptr), m_textIndices(nullptr),
      m_lastTextDraws(0), m_batchVertices(nullptr), m_shadersWanted(0)
{
    for (int i = 0; i < VEX_SHADER_COUNT; ++i)
        m_shaders[i] = nullptr;
}

CVexRenderer::~CVexRenderer()
{
    ReleaseShaders();
    free(m_textVertices);
    m_textVertices = nullptr;
    free(m_textIndices);
    m_textIndices = nullptr;
    free(m_batchVertices);
    m_batchVertices = nullptr;
}

int CVexRenderer::Init(CStateGame* game)
{
    m_game = game;
    UpdateView();
    CreateShaders();
    if (!m_textVertices)
        m_textVertices = (CVexVertex*)calloc(VEX_TEXT_QUADS * 4, sizeof(CVexVertex));
    if (!m_textIndices) {
        m_textIndices = (u16*)malloc(VEX_TEXT_QUADS * 6 * sizeof(u16));
        if (m_textIndices) {
            for (int q = 0; q < VEX_TEXT_QUADS; ++q) {
                u16* i = m_textIndices + 6 * q;
                const u16 b = (u16)(4 * q);
                i[0] = b;
                i[1] = (u16)(b + 1);
                i[2] = (u16)(b + 2);
                i[3] = b;
                i[4] = (u16)(b + 2);
                i[5] = (u16)(b + 3);
            }
        }
    }
    return (m_textVertices && m_textIndices) ? VORTAN_OK : VORTAN_E_NOMEMORY;
}

IVortanGraphicsContext* CVexRenderer::GetContext() const
{
    if (!m_game || !m_game->GetHostApplication())
        return nullptr;
    return m_game->GetHostApplication()->GetGraphics();
}

// The game draws with GL calls of its own: the clip the screen set comes into force first.
void CVexRenderer::PrepareClip()
{
    if (IVortanGraphicsContext* context = GetContext())
        context->PrepareDraw();
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

void CVexRenderer::ReleaseShaders()
{
    m_shadersWanted = 0;
    // The shaders that borrow the squib's program go before it.
    for (int i = VEX_SHADER_COUNT - 1; i >= 0; --i) {
        delete m_shaders[i];
        m_shaders[i] = nullptr;
    }
}

void CVexRenderer::CreateShaders()
{
    ReleaseShaders();
    m_shadersWanted = 1;
}

CVexShader* CVexRenderer::GetShader(int index) const
{
    if (index < 0 || index >= VEX_SHADER_COUNT)
        return nullptr;
    if (m_shaders[index] || !m_shadersWanted)
        return m_shaders[index];
    CVexShader* made = nullptr;
    switch (index) {
    case VEX_SHADER_WATER:
        made = new (std::nothrow) CVexWaterShader(kVexWorldTexturedVS, kVexPlainTextureFS, m_game);
        break;
    case VEX_SHADER_BLOCK:
        made = new (std::nothrow) CVexBlockShader(kVexBlockVS, kVexBlockFS, m_game);
        break;
    case VEX_SHADER_SQUIB:
        made = new (std::nothrow) CVexSquibShader(kVexTintedWorldVS, kVexTintedFS, m_game);
        break;
    case VEX_SHADER_SCREEN:
        made = new (std::nothrow) CVexScreenShader(kVexTintedScreenVS, kVexTintedFS, m_game);
        break;
    case VEX_SHADER_SCREEN_OVERLAY:
        made = new (std::nothrow)
            CVexScreenOverlayShader(kVexTintedScreenVS, kVexTintedOverlayFS, m_game);
        break;
    // The world and background quads draw with the squib's sources: one program for the three.
    case VEX_SHADER_WORLD:
        if (CVexSquibShader* squib = (CVexSquibShader*)GetShader(VEX_SHADER_SQUIB))
            made = new (std::nothrow) CVexWorldShader(*squib);
        break;
    case VEX_SHADER_BACKGROUND:
        if (CVexSquibShader* squib = (CVexSquibShader*)GetShader(VEX_SHADER_SQUIB))
            made = new (std::nothrow) CVexBackgroundShader(*squib);
        break;
    case VEX_SHADER_COLOURED_SCREEN:
        made =
            new (std::nothrow) CVexColouredScreenShader(kVexColouredScreenVS, kVexTintedFS, m_game);
        break;
    default:
        break;
    }
    m_shaders[index] = made;
    return made;
}

CVexWaterShader* CVexRenderer::GetWaterShader() const
{
    return (CVexWaterShader*)GetShader(VEX_SHADER_WATER);
}
CVexBlockShader* CVexRenderer::GetBlockShader() const
{
    return (CVexBlockShader*)GetShader(VEX_SHADER_BLOCK);
}
CVexSquibShader* CVexRenderer::GetSquibShader() const
{
    return (CVexSquibShader*)GetShader(VEX_SHADER_SQUIB);
}
CVexScreenShader* CVexRenderer::GetScreenShader() const
{
    return (CVexScreenShader*)GetShader(VEX_SHADER_SCREEN);
}
CVexScreenOverlayShader* CVexRenderer::GetScreenOverlayShader() const
{
    return (CVexScreenOverlayShader*)GetShader(VEX_SHADER_SCREEN_OVERLAY);
}
CVexWorldShader* CVexRenderer::GetWorldShader() const
{
    return (CVexWorldShader*)GetShader(VEX_SHADER_WORLD);
}
CVexBackgroundShader* CVexRenderer::GetBackgroundShader() const
{
    return (CVexBackgroundShader*)GetShader(VEX_SHADER_BACKGROUND);
}

CVortanSurface* CVexRenderer::GetImage(int id) const
{
    return m_game ? m_game->GetGameContext()->GetImage(id) : nullptr;
}

void CVexRenderer::DisableAttribArrays()
{
    static GLint count = 0;
    if (count <= 0) {
        glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &count);
        if (count <= 0 || count > 64)
            count = 16;
    }
    for (GLint i = 0; i < count; ++i)
        glDisableVertexAttribArray((GLuint)i);
}

void CVexRenderer::BeginWorldPass()
{
    PrepareClip();
    DisableAttribArrays();
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void CVexRenderer::EndWorldPass()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CVexRenderer::BeginDraw()
{
    PrepareClip();
    DisableAttribArrays();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    // Quads are wound either way (rotations, the stretch strip).
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
}

void CVexRenderer::EndDraw()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CVexRenderer::SetBlend(Blend blend, u32 colour)
{
    switch (blend) {
    case BLEND_BY_ALPHA:
        if ((colour >> 24) < 0xFF)
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        else
            glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case BLEND_PREMULTIPLIED:
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case BLEND_GLOW:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    case BLEND_MULTIPLY:
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
    case BLEND_BACKGROUND:
        glBlendEquation(GL_FUNC_ADD);
        glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
        break;
    case BLEND_ADD_COLOUR:
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
        break;
    case BLEND_SHADOW:
        glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
        glBlendFuncSeparate(GL_DST_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
        break;
    case BLEND_OPAQUE:
        // The pixels below are not read: nothing of them would show.
        glDisable(GL_BLEND);
        break;
    }
}

void CVexRenderer::ResetBlend(Blend blend)
{
    if (blend == BLEND_BACKGROUND) {
        glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ONE, GL_ZERO);
    } else if (blend == BLEND_SHADOW) {
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
}

void VexFrameUV(int col, int row, int columns, int rows, int wrapRow, float& u0, float& v0,
                float& u1, float& v1)
{
    if (columns < 1)
        columns = 1;
    if (rows < 1)
        rows = 1;
    int c = col % columns;
    if (c < 0)
        c += columns;
    if (wrapRow) {
        const int cells = columns * rows;
        row %= cells;
        if (row < 0)
            row += cells;
    }
    u0 = (float)c / (float)columns;
    u1 = u0 + 1.0f / (float)columns;
    v0 = 0.005f + (float)row / (float)rows;
    v1 = v0 + 1.0f / (float)rows;
}
