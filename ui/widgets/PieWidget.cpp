// The pie widget: its sector's vertices and the one fan that draws them.
#include "ui/widgets/PieWidget.h"

#include <GLES2/gl2.h>
#include <math.h>

#include <new>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/ClipOverlap.h"

const float CPieWidget::FULL_TURN = 6.2831855f;

CPieWidget::CPieWidget()
    : m_pieColor(0xFF00FF00u), m_angle(FULL_TURN), m_segments(12), m_vertices(nullptr)
{}

CPieWidget::~CPieWidget()
{
    delete[] m_vertices;
}

int CPieWidget::Startup(COrloApplication* context, COrloResourceManager* resources,
                        const CVortanRect& rect)
{
    int rc = CWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    AllocateVertices();
    return VORTAN_OK;
}

void CPieWidget::Shutdown()
{
    delete[] m_vertices;
    m_vertices = nullptr;
    CWidget::Shutdown();
}

CWidget* CPieWidget::CreateInstance() const
{
    return new (std::nothrow) CPieWidget();
}

void CPieWidget::CopyFrom(const CWidget* other)
{
    CWidget::CopyFrom(other);
    const CPieWidget* source = WidgetCast<CPieWidget>(other);
    if (!source || source == this)
        return;
    m_pieColor = source->m_pieColor;
    m_angle = source->m_angle;
    SetSegments(source->m_segments);
}

void CPieWidget::AllocateVertices()
{
    delete[] m_vertices;
    m_vertices = new (std::nothrow) float[(size_t)(m_segments + 1) * FLOATS_PER_VERTEX]();
}

void CPieWidget::SetAngle(float radians)
{
    m_angle = radians < 0.0f ? 0.0f : (radians > FULL_TURN ? FULL_TURN : radians);
}

void CPieWidget::SetSegments(int n)
{
    m_segments = n < MIN_SEGMENTS ? MIN_SEGMENTS : (n > MAX_SEGMENTS ? MAX_SEGMENTS : n);
    AllocateVertices();
}

int CPieWidget::UpdateSelf(float)
{
    return VORTAN_OK;
}

bool CPieWidget::BuildVertices(float targetWidth, float targetHeight, const CVortanRect& rect)
{
    if (!m_vertices || !(targetWidth > 0.0f) || !(targetHeight > 0.0f))
        return false;
    const float left = 2.0f * ((float)rect.left / targetWidth) - 1.0f;
    const float right = 2.0f * ((float)rect.right / targetWidth) - 1.0f;
    const float top = 1.0f - 2.0f * ((float)rect.top / targetHeight);
    const float bottom = 1.0f - 2.0f * ((float)rect.bottom / targetHeight);
    const float cx = (left + right) * 0.5f, cy = (top + bottom) * 0.5f;
    const float hw = (right - left) * 0.5f, hh = (top - bottom) * 0.5f;
    const float r = (float)((m_pieColor >> 16) & 0xFF) / 255.0f;
    const float g = (float)((m_pieColor >> 8) & 0xFF) / 255.0f;
    const float b = (float)(m_pieColor & 0xFF) / 255.0f;
    const float a = (float)(m_pieColor >> 24) / 255.0f;
    const float step = FULL_TURN / (float)(m_segments - 1);
    for (int k = 0; k <= m_segments; ++k) {
        float* v = m_vertices + (size_t)k * FLOATS_PER_VERTEX;
        if (k == 0) {
            v[0] = cx;
            v[1] = cy;
        } else {
            float angle = (float)(k - 1) * step;
            if (angle > m_angle)
                angle = m_angle;
            v[0] = cx - sinf(angle) * hw;
            v[1] = cy + cosf(angle) * hh;
        }
        v[2] = 0.0f;
        v[3] = r;
        v[4] = g;
        v[5] = b;
        v[6] = a;
    }
    return true;
}

int CPieWidget::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    // Only the GL extension draws the fan (a stand-in may report the same context type).
    CVortanGraphicsExt_GLES2* gl = dynamic_cast<CVortanGraphicsExt_GLES2*>(gc);
    if (!gl)
        return VORTAN_OK;
    CVortan3DProgram* program = gl->GetProgram(CVortanGraphicsExt_GLES2::PROGRAM_COLOR);
    if (!program)
        return VORTAN_OK;
    const CVortanRect saved = gc->GetClipRect();
    const CVortanRect clip = ClipOverlap(saved, rect);
    gc->SetClipRect(&clip);
    // The context's own unit conversion: x / width and y / height.
    const float unitW = gc->ToUnitX(1.0f), unitH = gc->ToUnitY(1.0f);
    if (unitW > 0.0f && unitH > 0.0f && BuildVertices(1.0f / unitW, 1.0f / unitH, rect)) {
        glDisable(GL_BLEND);
        gl->BindTexture(GL_TEXTURE0, 0);
        gl->UseProgram(program, m_vertices);
        glDrawArrays(GL_TRIANGLE_FAN, 0, m_segments + 1);
    }
    gc->SetClipRect(&saved);
    return VORTAN_OK;
}
