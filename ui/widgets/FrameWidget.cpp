// The frame widget: its mask and border images, the shared program and the nine-slice drawing.
#include "ui/widgets/FrameWidget.h"

#include <GLES2/gl2.h>
#include <inttypes.h>
#include <math.h>
#include <stdio.h>

#include <new>

#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "platform/OrloResourceManager.h"
#include "ui/WidgetCast.h"

const char* const CFrameWidget::SHADER_NAME = "framewidget_shader";

namespace {
const char* kFrameVertex = "attribute mediump vec2 position;\n"
                           "attribute mediump vec4 uv;\n"
                           "varying mediump vec4 v_uv;\n"
                           "void main() {\n"
                           "    v_uv = uv;\n"
                           "    gl_Position = vec4(position, 0.0, 1.0);\n"
                           "}\n";
const char* kFrameFragment = "precision mediump float;\n"
                             "uniform sampler2D texture01;\n"
                             "uniform sampler2D texture02;\n"
                             "uniform sampler2D texture03;\n"
                             "varying mediump vec4 v_uv;\n"
                             "void main() {\n"
                             "    vec4 background = texture2D(texture01, v_uv.xy);\n"
                             "    vec4 border = texture2D(texture02, v_uv.zw);\n"
                             "    float mask = texture2D(texture03, v_uv.zw).a;\n"
                             "    gl_FragColor = vec4(border.rgb + background.rgb * (1.0 - "
                             "border.a), mask);\n"
                             "}\n";

const int kFloatsPerVertex = 6; // x, y, background u, v, border u, v

bool HasTexture(CVortanSurface* s)
{
    return s && s->DrawTexture() != 0 && s->GetWidth() > 0 && s->GetHeight() > 0;
}
} // namespace

CFrameWidget::CFrameWidget() : m_program(nullptr), m_ownsProgram(false) {}

CFrameWidget::~CFrameWidget()
{
    m_mask.Drop();
    m_border.Drop();
    if (m_ownsProgram && m_program) {
        m_program->Release();
        delete m_program;
    }
}

int CFrameWidget::Startup(COrloApplication* context, COrloResourceManager* resources,
                          const CVortanRect& rect)
{
    if (!context || !resources)
        return 0;
    int rc = CImageWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_mask.Drop();
    m_border.Drop();
    m_program = nullptr;
    m_ownsProgram = false;
    SetPassThrough(false);
    return VORTAN_OK;
}

void CFrameWidget::ReleaseProgram()
{
    CVortan3DProgram* program = m_program;
    m_program = nullptr;
    if (!program)
        return;
    COrloResourceManager* manager = GetResourceManager();
    if (!m_ownsProgram && manager && manager->ReleaseProgram(program))
        return;
    if (program) {
        program->Release();
        delete program;
    }
}

void CFrameWidget::Shutdown()
{
    COrloResourceManager* manager = GetResourceManager();
    ReleaseProgram();
    m_ownsProgram = false;
    m_mask.Release(manager);
    m_border.Release(manager);
    CImageWidget::Shutdown();
}

CWidget* CFrameWidget::CreateInstance() const
{
    return new (std::nothrow) CFrameWidget();
}

void CFrameWidget::CopyFrom(const CWidget* other)
{
    CImageWidget::CopyFrom(other);
    const CFrameWidget* source = WidgetCast<CFrameWidget>(other);
    if (!source || source == this)
        return;
    SetMaskImage(source->m_mask.surface);
    SetBorderImage(source->m_border.surface);
}

void CFrameWidget::SetImage(CVortanSurface* image)
{
    if (image == GetImage())
        return;
    CImageWidget::SetImage(image);
}

void CFrameWidget::SetMaskImage(CVortanSurface* image)
{
    m_mask.Set(GetResourceManager(), image);
}

void CFrameWidget::SetBorderImage(CVortanSurface* image)
{
    m_border.Set(GetResourceManager(), image);
}

void CFrameWidget::OnFrameChanged() {}

void CFrameWidget::CreateShader()
{
    if (m_program)
        return;
    COrloResourceManager* manager = GetResourceManager();
    if (!manager)
        return;
    IVortanApplication* application = manager->GetResourceApplication();
    IVortanGraphicsContext* gc = application ? application->GetGraphics() : nullptr;
    if (!dynamic_cast<CVortanGraphicsExt_GLES2*>(gc))
        return; // no GL to build with: drawn as an image widget
    const CVortanString name(SHADER_NAME);
    m_program = manager->GetProgram(name);
    if (m_program) {
        m_ownsProgram = false;
        return;
    }
    CVortan3DProgram* program = new (std::nothrow) CVortan3DProgram();
    if (!program)
        return;
    if (program->Create(gc, CVortanString(kFrameVertex), CVortanString(kFrameFragment)) !=
        VORTAN_OK) {
        CVortanString log;
        program->GetLog(log);
        program->Release();
        delete program;
        return;
    }
    m_program = program;
    m_ownsProgram = !manager->AddProgram(name, program);
    // Warm the program's location cache (a rebuild empties it; drawing asks it again).
    program->GetAttribLocation("position");
    program->GetAttribLocation("uv");
    program->GetUniformLocation("texture01");
    program->GetUniformLocation("texture02");
    program->GetUniformLocation("texture03");
}

int CFrameWidget::UpdateSelf(float dt)
{
    CreateShader();
    return CImageWidget::UpdateSelf(dt);
}

CVortanString CFrameWidget::MakeCacheKey() const
{
    char text[160];
    snprintf(text, sizeof(text), "frame:%" PRIuPTR ":%" PRIuPTR ":%" PRIuPTR ":%d:%d",
             (uintptr_t)GetImage(), (uintptr_t)m_border.surface, (uintptr_t)m_mask.surface,
             GetWidth(), GetHeight());
    return CVortanString(text);
}

void CFrameWidget::ComputeSlices(const CVortanRect& rect, CVortanSurface* background,
                                 CVortanSurface* border, CVortanRect& inner, CVortanRect& insets)
{
    const int bx = border ? border->GetFrameWidth() : 0;
    const int by = border ? border->GetFrameHeight() : 0;
    inner.Set(rect.left + bx, rect.top + by, rect.right - bx, rect.bottom - by);
    const int w = rect.GetWidth(), h = rect.GetHeight();
    const int bw = background ? background->GetWidth() : 0;
    const int bh = background ? background->GetHeight() : 0;
    const int left = w > 0 ? (int)lroundf((float)bx / (float)w * (float)bw) : 0;
    const int top = h > 0 ? (int)lroundf((float)by / (float)h * (float)bh) : 0;
    insets.Set(left, top, bw - left, bh - top);
}

int CFrameWidget::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    CVortanSurface* background = GetImage();
    CVortanSurface* border = m_border.surface;
    CVortanSurface* mask = m_mask.surface;
    if (!dynamic_cast<CVortanGraphicsExt_GLES2*>(gc) || !m_program || !background || !border ||
        !mask || !m_program->GetProgramId() || !HasTexture(background) || !HasTexture(border) ||
        !HasTexture(mask))
        return CImageWidget::RenderSelf(gc, rect);
    if (rect.GetWidth() <= 0 || rect.GetHeight() <= 0)
        return VORTAN_OK;

    CVortanRect inner, insets;
    ComputeSlices(rect, background, border, inner, insets);
    const float xs[4] = {(float)rect.left, (float)inner.left, (float)inner.right,
                         (float)rect.right};
    const float ys[4] = {(float)rect.top, (float)inner.top, (float)inner.bottom,
                         (float)rect.bottom};
    const float bgW = (float)background->GetWidth(), bgH = (float)background->GetHeight();
    const float bu[4] = {0.0f, (float)insets.left / bgW, (float)insets.right / bgW, 1.0f};
    const float bv[4] = {0.0f, (float)insets.top / bgH, (float)insets.bottom / bgH, 1.0f};
    const float fx = (float)border->GetFrameWidth() / (float)border->GetWidth();
    const float fy = (float)border->GetFrameHeight() / (float)border->GetHeight();
    const float fu[4] = {0.0f, fx, 1.0f - fx, 1.0f};
    const float fv[4] = {0.0f, fy, 1.0f - fy, 1.0f};
    float vertices[16 * kFloatsPerVertex];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float* v = vertices + (r * 4 + c) * kFloatsPerVertex;
            v[0] = 2.0f * gc->ToUnitX(xs[c]) - 1.0f;
            v[1] = 1.0f - 2.0f * gc->ToUnitY(ys[r]);
            v[2] = bu[c];
            v[3] = bv[r];
            v[4] = fu[c];
            v[5] = fv[r];
        }
    }
    GLubyte indices[54];
    int n = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const GLubyte a = (GLubyte)(4 * r + c);
            const GLubyte tri[6] = {
                a, (GLubyte)(a + 4), (GLubyte)(a + 5), (GLubyte)(a + 5), (GLubyte)(a + 1), a};
            for (GLubyte i : tri)
                indices[n++] = i;
        }
    }

    CVortan3DProgram* program = m_program;
    const int position = program->GetAttribLocation("position");
    const int uv = program->GetAttribLocation("uv");
    gc->PrepareDraw();
    glUseProgram(program->GetProgramId());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    // The grid is drawn as computed, also when a narrow frame turns inner cells over.
    const GLboolean culling = glIsEnabled(GL_CULL_FACE);
    glDisable(GL_CULL_FACE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, background->DrawTexture());
    glUniform1i(program->GetUniformLocation("texture01"), 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, border->DrawTexture());
    glUniform1i(program->GetUniformLocation("texture02"), 1);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, mask->DrawTexture());
    glUniform1i(program->GetUniformLocation("texture03"), 2);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    if (position >= 0) {
        glEnableVertexAttribArray((GLuint)position);
        glVertexAttribPointer((GLuint)position, 2, GL_FLOAT, GL_FALSE,
                              kFloatsPerVertex * (int)sizeof(float), vertices);
    }
    if (uv >= 0) {
        glEnableVertexAttribArray((GLuint)uv);
        glVertexAttribPointer((GLuint)uv, 4, GL_FLOAT, GL_FALSE,
                              kFloatsPerVertex * (int)sizeof(float), vertices + 2);
    }
    glDrawElements(GL_TRIANGLES, 54, GL_UNSIGNED_BYTE, indices);

    if (position >= 0)
        glDisableVertexAttribArray((GLuint)position);
    if (uv >= 0)
        glDisableVertexAttribArray((GLuint)uv);
    glDisable(GL_BLEND);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    if (culling)
        glEnable(GL_CULL_FACE);
    glUseProgram(0);
    return VORTAN_OK;
}
