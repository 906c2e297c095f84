// CVortanGraphicsExt_GLES2: EGL set-up on the X window, the built-in programs and every
// drawing operation as GL quads.
#include "engine/graphics/VortanGraphicsExt_GLES2.h"

#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <math.h>
#include <string.h>

#include <new>

#include "engine/VortanColor.h"
#include "engine/VortanMatrix.h"
#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanXErrorTrap.h"

namespace {

// --- built-in program sources (one line each, statements separated by tabs) -------------

const char* kSpriteSheetVertex =
    "attribute mediump vec3 position;\tattribute mediump vec2 uv;\tuniform mediump int frame;\t"
    "uniform mediump int x_frames;\tuniform mediump int y_frames;\tuniform mediump float size;\t"
    "uniform mediump vec4 color;\tuniform mediump vec3 pos;\tuniform mediump mat4 "
    "projectionMatrix;\t"
    "varying mediump vec2 v_uv;\tvarying mediump vec4 v_color;\t"
    "void main() {\tmediump int frame_y = frame / y_frames;\tmediump int frame_x = frame - frame_y "
    "* x_frames;\t"
    "v_uv = uv + vec2(float(frame_x) * 0.25, float(frame_y) * 0.25);\tv_color = color;\t"
    "gl_Position = vec4(position * size + pos, 1.0) * projectionMatrix;\t}";
const char* kSpriteSheetFragment =
    "precision mediump float;\tuniform sampler2D texture01;\tvarying mediump vec2 v_uv;\t"
    "varying mediump vec4 v_color;\tvoid main() {\tgl_FragColor = texture2D(texture01, v_uv) * "
    "v_color;\t}";

const char* kTextureVertex =
    "attribute mediump vec3 position;\tattribute mediump vec2 uv;\tvarying mediump vec2 v_uv;\t"
    "void main() {\tv_uv = uv;\tgl_Position = vec4(position, 1.0);\t}";
const char* kTextureFragment =
    "precision mediump float;\tuniform sampler2D texture01;\tvarying mediump vec2 v_uv;\t"
    "void main() {\tgl_FragColor = texture2D(texture01, v_uv);\t}";

const char* kColorVertex = "attribute mediump vec3 position;\tattribute mediump vec4 "
                           "color;\tvarying mediump vec4 v_color;\t"
                           "void main() {\tv_color = color;\tgl_Position = vec4(position, 1.0);\t}";
const char* kColorFragment = "precision mediump float;\tvarying mediump vec4 v_color;\tvoid main() "
                             "{\tgl_FragColor = v_color;\t}";

const char* kTintedVertex =
    "attribute mediump vec2 position;\tattribute mediump vec2 uv;\tattribute mediump vec4 color;\t"
    "varying mediump vec2 v_uv;\tvarying mediump vec4 v_color;\t"
    "void main() {\tv_uv = uv;\tv_color = color;\tgl_Position = vec4(position, 0.0, 1.0);\t}";
const char* kTintedFragment =
    "precision mediump float;\tuniform sampler2D texture01;\tvarying mediump vec2 v_uv;\t"
    "varying mediump vec4 v_color;\tvoid main() {\tgl_FragColor = texture2D(texture01, v_uv) * "
    "v_color;\t}";
const char* kColorMixFragment =
    "precision mediump float;\tuniform sampler2D texture01;\tvarying mediump vec2 v_uv;\t"
    "varying mediump vec4 v_color;\tvoid main() {\tmediump vec4 t = texture2D(texture01, v_uv);\t"
    "gl_FragColor = vec4(mix(v_color.rgb, t.rgb, v_color.a), t.a);\t}";

const char* kTextVertex =
    "attribute mediump vec2 position;\tattribute mediump vec2 uv;\tattribute mediump vec2 offset;\t"
    "uniform mediump vec2 scale;\tvarying mediump vec2 v_uv;\t"
    "void main() {\tv_uv = uv;\tgl_Position = vec4(position.x * scale.x + offset.x, "
    "position.y * scale.y + offset.y, 0.0, 1.0);\t}";
const char* kTextFragment =
    "precision mediump float;\tuniform sampler2D texture01;\tuniform mediump vec4 color;\t"
    "varying mediump vec2 v_uv;\tvoid main() {\tgl_FragColor = color * texture2D(texture01, "
    "v_uv).a;\t}";

const u32 kBlendOff = 0xFFFFFFFF;

// The blending of the plain textured blits: multiply for the half blend, else premultiplied
// alpha when any of `alphaFlags` is set, else none (source factor kBlendOff).
struct BlendFactors {
    u32 src, dst;
};
BlendFactors BlitBlend(u32 flags, u32 alphaFlags)
{
    if (flags & VORTAN_BLIT_HALFBLEND)
        return {GL_DST_COLOR, GL_ZERO};
    if (flags & alphaFlags)
        return {GL_ONE, GL_ONE_MINUS_SRC_ALPHA};
    return {kBlendOff, 0};
}

// The visual of an X window, asked on a connection of our own (X errors trapped): 0 when
// the window does not exist. EGL is never handed a window that X does not know (the
// software rasteriser does not survive one).
unsigned long WindowVisual(unsigned long window)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    unsigned long visual = 0;
    {
        VortanX::XErrorTrap trap(display);
        XWindowAttributes attributes;
        memset(&attributes, 0, sizeof(attributes));
        Status ok = XGetWindowAttributes(display, (Window)window, &attributes);
        if (ok && !trap.Failed() && attributes.visual)
            visual = XVisualIDFromVisual(attributes.visual);
    }
    XCloseDisplay(display);
    return visual;
}

} // namespace

CVortanGraphicsExt_GLES2::CVortanGraphicsExt_GLES2()
    : m_display(nullptr), m_surface(nullptr), m_context(nullptr), m_redBits(0), m_greenBits(0),
      m_blueBits(0), m_alphaBits(0), m_eglMajor(0), m_eglMinor(0), m_textureMaxLevel(0),
      m_textureBinds(0), m_programSwitches(0), m_currentProgram(0), m_currentVertices(nullptr),
      m_scissorOn(0), m_glScissorOn(0), m_glScissorKnown(0)
{
    for (int i = 0; i < PROGRAM_COUNT; ++i)
        m_programs[i] = nullptr;
    memset(m_scratch, 0, sizeof(m_scratch));
    SetID(CVortanString(VORTAN_EXTENSION_GLES2));
}

CVortanGraphicsExt_GLES2::~CVortanGraphicsExt_GLES2()
{
    // The programs are released by Destroy; only the list's storage goes here.
    m_programList.RemoveAll();
}

CVortanGraphicsExt_GLES2* CVortanGraphicsExt_GLES2::Create()
{
    return new (std::nothrow) CVortanGraphicsExt_GLES2();
}

// --- set-up and tear-down ----------------------------------------------------------------

int CVortanGraphicsExt_GLES2::Create(unsigned long window)
{
    // Whatever an earlier Create left alive goes first: EGL refuses a second window surface
    // on the same window.
    Destroy();
    m_window = window;
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY)
        return VORTAN_E_FAIL;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return VORTAN_E_FAIL;
    m_display = display;
    m_eglMajor = major;
    m_eglMinor = minor;
    if (!eglBindAPI(EGL_OPENGL_ES_API)) {
        Destroy();
        return VORTAN_E_FAIL;
    }

    // Of the configs that fit, the one whose native visual is the window's.
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_WINDOW_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_ES2_BIT,
                                 EGL_DEPTH_SIZE,
                                 16,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count <= 0) {
        Destroy();
        return VORTAN_E_FAIL;
    }
    if (count > 256)
        count = 256;
    EGLConfig configs[256];
    if (!eglChooseConfig(display, attributes, configs, count, &count) || count <= 0) {
        Destroy();
        return VORTAN_E_FAIL;
    }
    EGLConfig config = configs[0];
    unsigned long visual = WindowVisual(window);
    if (!visual) {
        Destroy();
        return VORTAN_E_FAIL;
    }
    for (int i = 0; i < count; ++i) {
        EGLint id = 0;
        if (eglGetConfigAttrib(display, configs[i], EGL_NATIVE_VISUAL_ID, &id) &&
            (unsigned long)id == visual) {
            config = configs[i];
            break;
        }
    }

    EGLSurface surface =
        eglCreateWindowSurface(display, config, (EGLNativeWindowType)window, nullptr);
    if (surface == EGL_NO_SURFACE) {
        Destroy();
        return VORTAN_E_FAIL;
    }
    m_surface = surface;
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        Destroy();
        return VORTAN_E_FAIL;
    }
    m_context = context;
    if (!eglMakeCurrent(display, surface, surface, context)) {
        Destroy();
        return VORTAN_E_FAIL;
    }

    int result = CreatePrograms();
    if (result != VORTAN_OK) {
        Destroy();
        return result;
    }

    GLint bits = 0;
    glGetIntegerv(GL_RED_BITS, &bits);
    m_redBits = bits;
    glGetIntegerv(GL_GREEN_BITS, &bits);
    m_greenBits = bits;
    glGetIntegerv(GL_BLUE_BITS, &bits);
    m_blueBits = bits;
    glGetIntegerv(GL_ALPHA_BITS, &bits);
    m_alphaBits = bits;
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    memset(m_scratch, 0, sizeof(m_scratch));
    const char* extensions = (const char*)glGetString(GL_EXTENSIONS);
    m_textureMaxLevel = (extensions && strstr(extensions, "GL_APPLE_texture_max_level")) ? 1 : 0;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A new context starts with the scissor test off.
    m_glScissorOn = 0;
    m_glScissorKnown = 0;
    SetClipRect(nullptr);
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::CreatePrograms()
{
    struct Build {
        int role;
        const char* vertex;
        const char* fragment;
    };
    const Build builds[] = {
        {PROGRAM_SPRITESHEET, kSpriteSheetVertex, kSpriteSheetFragment},
        {PROGRAM_TEXTURE, kTextureVertex, kTextureFragment},
        {PROGRAM_COLOR, kColorVertex, kColorFragment},
        {PROGRAM_TINTED, kTintedVertex, kTintedFragment},
        {PROGRAM_COLOR_MIX, kTintedVertex, kColorMixFragment},
        {PROGRAM_TEXT_A, kTextVertex, kTextFragment},
        {PROGRAM_TEXT_B, kTextVertex, kTextFragment},
    };
    for (const Build& b : builds) {
        CVortan3DProgram* program = new (std::nothrow) CVortan3DProgram();
        if (!program)
            return VORTAN_E_NOMEMORY;
        m_programs[b.role] = program;
        // Built when first drawn with: the driver keeps a compiled program's code for as long
        // as the program lives, and most screens draw with two or three of the seven. Their
        // samplers read unit 0, the value a new program's uniforms start with.
        int result =
            program->CreateOnFirstUse(this, CVortanString(b.vertex), CVortanString(b.fragment));
        if (result != VORTAN_OK) {
            m_programs[b.role] = nullptr;
            program->Release();
            delete program;
            return result;
        }
        m_programList.SetAtGrow(m_programList.GetSize(), program);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    m_currentProgram = 0;
    m_currentVertices = nullptr;
    return VORTAN_OK;
}

void CVortanGraphicsExt_GLES2::ReleasePrograms()
{
    for (int i = 0; i < m_programList.GetSize(); ++i) {
        CVortan3DProgram* program = m_programList[i];
        if (program) {
            program->Release();
            delete program;
        }
    }
    m_programList.RemoveAll();
    for (int i = 0; i < PROGRAM_COUNT; ++i)
        m_programs[i] = nullptr;
    m_currentProgram = 0;
    m_currentVertices = nullptr;
}

void CVortanGraphicsExt_GLES2::Destroy()
{
    ReleasePrograms();
    if (m_display) {
        EGLDisplay display = (EGLDisplay)m_display;
        if (m_surface && m_context)
            eglSwapBuffers(display, (EGLSurface)m_surface);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (m_context)
            eglDestroyContext(display, (EGLContext)m_context);
        if (m_surface)
            eglDestroySurface(display, (EGLSurface)m_surface);
        eglTerminate(display);
    }
    m_display = nullptr;
    m_surface = nullptr;
    m_context = nullptr;
    m_scissorOn = 0;
    m_glScissorOn = 0;
    m_glScissorKnown = 0;
}

void CVortanGraphicsExt_GLES2::Close()
{
    m_width = 0;
    m_height = 0;
    Destroy();
}

int CVortanGraphicsExt_GLES2::Present()
{
    int result = 0;
    if (m_display && m_surface)
        result = eglSwapBuffers((EGLDisplay)m_display, (EGLSurface)m_surface) ? 1 : 0;
    m_textureBinds = 0;
    m_programSwitches = 0;
    return result;
}

int CVortanGraphicsExt_GLES2::Resize(int width, int height)
{
    m_width = width;
    m_height = height;
    if (m_context)
        glViewport(0, 0, width, height);
    // GL's box is counted from the bottom: with a new height it is no longer the one recorded.
    m_glScissorKnown = 0;
    SetClipRect(nullptr);
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::Restore()
{
    return Create(m_window);
}

// --- state -------------------------------------------------------------------------------

void CVortanGraphicsExt_GLES2::SetClipRect(const CVortanRect* rect)
{
    StoreClipRect(rect);
    m_scissorOn = rect ? 1 : 0;
}

void CVortanGraphicsExt_GLES2::PrepareDraw()
{
    ApplyScissor();
}

void CVortanGraphicsExt_GLES2::PrepareDrawWithin(const CVortanRect& box)
{
    if (!m_context)
        return;
    CVortanRect r = box;
    if (m_scissorOn) {
        const CVortanRect& c = m_clipRect;
        r.left = r.left > c.left ? r.left : c.left;
        r.top = r.top > c.top ? r.top : c.top;
        r.right = r.right < c.right ? r.right : c.right;
        r.bottom = r.bottom < c.bottom ? r.bottom : c.bottom;
    }
    if (r.right <= r.left || r.bottom <= r.top)
        r.right = r.left, r.bottom = r.top; // nothing: an empty box
    ScissorTo(r);
}

void CVortanGraphicsExt_GLES2::ScissorTo(const CVortanRect& r)
{
    if (!m_glScissorOn)
        glEnable(GL_SCISSOR_TEST);
    m_glScissorOn = 1;
    const CVortanRect& g = m_glScissor;
    if (m_glScissorKnown && g.left == r.left && g.top == r.top && g.right == r.right &&
        g.bottom == r.bottom)
        return;
    glScissor(r.left, m_height - r.bottom, r.right - r.left, r.bottom - r.top);
    m_glScissor = r;
    m_glScissorKnown = 1;
}

void CVortanGraphicsExt_GLES2::ApplyScissor()
{
    if (!m_context)
        return;
    if (!m_scissorOn) {
        if (m_glScissorOn)
            glDisable(GL_SCISSOR_TEST);
        m_glScissorOn = 0;
        return;
    }
    ScissorTo(m_clipRect);
}

void CVortanGraphicsExt_GLES2::ApplyScissorFor(float x0, float y0, float x1, float y1)
{
    // The pixels a quad covers (one sample each) have their centres inside it; a small slack
    // keeps the rounding of the quad's corners on the safe side.
    const float w = (float)m_width, h = (float)m_height, slack = 0.01f;
    const float ax = (x0 + 1.0f) * 0.5f * w, bx = (x1 + 1.0f) * 0.5f * w;
    const float ay = (1.0f - y0) * 0.5f * h, by = (1.0f - y1) * 0.5f * h;
    const float left = ceilf((ax < bx ? ax : bx) - 0.5f - slack);
    const float right = floorf((ax < bx ? bx : ax) + 0.5f + slack);
    const float top = ceilf((ay < by ? ay : by) - 0.5f - slack);
    const float bottom = floorf((ay < by ? by : ay) + 0.5f + slack);
    auto within = [&](const CVortanRect& r) {
        return left >= (float)r.left && top >= (float)r.top && right <= (float)r.right &&
               bottom <= (float)r.bottom;
    };
    const bool clipCuts = m_scissorOn && !within(m_clipRect);
    const bool boxCuts = m_glScissorOn && !(m_glScissorKnown && within(m_glScissor));
    if (clipCuts || boxCuts)
        ApplyScissor();
}

int CVortanGraphicsExt_GLES2::UseProgram(CVortan3DProgram* program, const void* vertices)
{
    ApplyScissor();
    return BindProgram(program, vertices);
}

int CVortanGraphicsExt_GLES2::BindProgram(CVortan3DProgram* program, const void* vertices)
{
    if (!program)
        return 0;
    u32 id = program->GetProgramId();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    bool switching = current < 0 || (u32)current != id;
    bool pointerChanged = vertices && vertices != m_currentVertices;
    if (switching) {
        CVortan3DProgram* tinted = m_programs[PROGRAM_TINTED];
        CVortan3DProgram* mix = m_programs[PROGRAM_COLOR_MIX];
        CVortan3DProgram* previous = nullptr;
        if (tinted && m_currentProgram && m_currentProgram == tinted->GetNameIfBuilt())
            previous = tinted;
        else if (mix && m_currentProgram && m_currentProgram == mix->GetNameIfBuilt())
            previous = mix;
        if (previous) {
            int color = previous->GetAttribLocation("color");
            if (color >= 0)
                glDisableVertexAttribArray((GLuint)color);
        }
        m_currentProgram = id;
        glUseProgram(id);
        if (program == m_programs[PROGRAM_TEXTURE] || program == m_programs[PROGRAM_COLOR] ||
            program == m_programs[PROGRAM_TINTED] || program == m_programs[PROGRAM_COLOR_MIX]) {
            glDisable(GL_DEPTH_TEST);
            glDisable(GL_CULL_FACE);
            glDepthMask(GL_FALSE);
            glBindBuffer(GL_ARRAY_BUFFER, 0);
        }
        ++m_programSwitches;
    }
    if (!switching && !pointerChanged)
        return 0;
    m_currentVertices = vertices;
    if (!vertices)
        return 1;
    const char* base = (const char*)vertices;
    struct Attribute {
        const char* name;
        int size;
        int offset;
    };
    const Attribute* layout = nullptr;
    int count = 0, stride = 0;
    static const Attribute textured[] = {{"position", 3, 0}, {"uv", 2, 12}};
    static const Attribute colored[] = {{"position", 3, 0}, {"color", 4, 12}};
    static const Attribute tintedLayout[] = {{"position", 2, 0}, {"uv", 2, 8}, {"color", 4, 16}};
    if (program == m_programs[PROGRAM_TEXTURE]) {
        layout = textured;
        count = 2;
        stride = 20;
    } else if (program == m_programs[PROGRAM_COLOR]) {
        layout = colored;
        count = 2;
        stride = 28;
    } else if (program == m_programs[PROGRAM_TINTED] || program == m_programs[PROGRAM_COLOR_MIX]) {
        layout = tintedLayout;
        count = 3;
        stride = 32;
    }
    for (int i = 0; i < count; ++i) {
        int location = program->GetAttribLocation(layout[i].name);
        if (location < 0)
            continue;
        glEnableVertexAttribArray((GLuint)location);
        glVertexAttribPointer((GLuint)location, layout[i].size, GL_FLOAT, GL_FALSE, stride,
                              base + layout[i].offset);
    }
    return 1;
}

int CVortanGraphicsExt_GLES2::BindTexture(u32 textureUnit, u32 texture)
{
    glActiveTexture(textureUnit);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if ((u32)bound == texture)
        return 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    ++m_textureBinds;
    return 1;
}

void CVortanGraphicsExt_GLES2::SetBlend(u32 srcFactor, u32 dstFactor)
{
    if (srcFactor == kBlendOff) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(srcFactor, dstFactor);
}

CVortanSurface* CVortanGraphicsExt_GLES2::DrawableSource(IVortanGraphicsContext* source)
{
    CVortanSurface* surface = VortanSoft::AsSurface(source);
    return surface && surface->DrawTexture() ? surface : nullptr;
}

int CVortanGraphicsExt_GLES2::DrawTexturedQuad(CVortanSurface* source, CVortan3DProgram* program)
{
    if (!program)
        return VORTAN_E_ARGUMENT;
    BindTexture(GL_TEXTURE0, source->DrawTexture());
    BindProgram(program, m_scratch);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::DrawColoredQuad()
{
    CVortan3DProgram* program = m_programs[PROGRAM_COLOR];
    if (!program)
        return VORTAN_E_ARGUMENT;
    BindTexture(GL_TEXTURE0, 0);
    UseProgram(program, m_scratch);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    return VORTAN_OK;
}

// --- vertices ----------------------------------------------------------------------------

void CVortanGraphicsExt_GLES2::WriteTexturedQuad(float x0, float y0, float w, float h, float uL,
                                                 float vT, float uR, float vB)
{
    float* v = m_scratch;
    const float x1 = x0 + w, y1 = y0 - h;
    const float quad[20] = {x0, y0, 0.0f, uL, vT, x0, y1, 0.0f, uL, vB,
                            x1, y1, 0.0f, uR, vB, x1, y0, 0.0f, uR, vT};
    memcpy(v, quad, sizeof(quad));
}

void CVortanGraphicsExt_GLES2::WriteTintedQuad(float x0, float y0, float w, float h, float uL,
                                               float vT, float uR, float vB, u32 color)
{
    CVortanColor c(color);
    const float x1 = x0 + w, y1 = y0 - h;
    const float quad[32] = {x0, y0, uL, vT, c.r, c.g, c.b, c.a, x0, y1, uL, vB, c.r, c.g, c.b, c.a,
                            x1, y1, uR, vB, c.r, c.g, c.b, c.a, x1, y0, uR, vT, c.r, c.g, c.b, c.a};
    memcpy(m_scratch, quad, sizeof(quad));
}

void CVortanGraphicsExt_GLES2::WriteColoredQuad(float x0, float y0, float w, float h, u32 c0,
                                                u32 c1, u32 c2, u32 c3)
{
    // Corners: c0 top-left, c1 top-right, c2 bottom-right, c3 bottom-left; vertex order
    // top-left, bottom-left, bottom-right, top-right.
    CVortanColor tl(c0), tr(c1), br(c2), bl(c3);
    const float x1 = x0 + w, y1 = y0 - h;
    const float quad[28] = {x0,   y0,   0.0f, tl.r, tl.g, tl.b, tl.a, x0,   y1,   0.0f,
                            bl.r, bl.g, bl.b, bl.a, x1,   y1,   0.0f, br.r, br.g, br.b,
                            br.a, x1,   y0,   0.0f, tr.r, tr.g, tr.b, tr.a};
    memcpy(m_scratch, quad, sizeof(quad));
}

// --- pixel forms -------------------------------------------------------------------------

namespace {

void UnitRect(IVortanGraphicsContext* context, const CVortanRect& r, CVortanFloatRect* out)
{
    out->left = context->ToUnitX((float)r.left);
    out->top = context->ToUnitY((float)r.top);
    out->right = context->ToUnitX((float)r.right);
    out->bottom = context->ToUnitY((float)r.bottom);
}

// The unit form of a pixel rectangle of `context` in `storage`, or null for a null one.
const CVortanFloatRect* UnitRectOrNull(IVortanGraphicsContext* context, const CVortanRect* r,
                                       CVortanFloatRect* storage)
{
    if (!r)
        return nullptr;
    UnitRect(context, *r, storage);
    return storage;
}

// The unit forms of a stretch's rectangles (null: the whole target, the whole source).
void StretchUnitRects(IVortanGraphicsContext* target, const CVortanRect* dstRect,
                      IVortanGraphicsContext* source, const CVortanRect* srcRect,
                      CVortanFloatRect* d, CVortanFloatRect* t)
{
    *d = {0.0f, 0.0f, 1.0f, 1.0f};
    *t = {0.0f, 0.0f, 1.0f, 1.0f};
    if (dstRect)
        UnitRect(target, *dstRect, d);
    if (srcRect)
        UnitRect(source, *srcRect, t);
}

// Clip-space corner and size of a unit rectangle (null: the whole target).
struct ClipBox {
    float x0, y0, w, h;
};

ClipBox ClipBoxOf(const CVortanFloatRect* rect)
{
    ClipBox b = {-1.0f, 1.0f, 2.0f, 2.0f};
    if (rect) {
        b.x0 = 2.0f * rect->left - 1.0f;
        b.w = 2.0f * (rect->right - rect->left);
        b.y0 = 1.0f - 2.0f * rect->top;
        b.h = 2.0f * (rect->bottom - rect->top);
    }
    return b;
}

// Texture coordinates of a blit: the texture rectangle, or (null) the whole texture.
void SetTextureCoords(float* uL, float* vT, float* uR, float* vB, const CVortanFloatRect* texRect)
{
    *uL = texRect ? texRect->left : 0.0f;
    *vT = texRect ? texRect->top : 0.0f;
    *uR = texRect ? texRect->right : 1.0f;
    *vB = texRect ? texRect->bottom : 1.0f;
}

} // namespace

int CVortanGraphicsExt_GLES2::Clear(u32 color, const CVortanRect* rect)
{
    CVortanColor c(color);
    glClearColor(c.r, c.g, c.b, c.a);
    if (rect) {
        int left = rect->left < 0 ? 0 : rect->left;
        int top = rect->top < 0 ? 0 : rect->top;
        int right = rect->right > m_width ? m_width : rect->right;
        int bottom = rect->bottom > m_height ? m_height : rect->bottom;
        if (right > left && bottom > top) {
            if (!m_glScissorOn)
                glEnable(GL_SCISSOR_TEST);
            glScissor(left, m_height - bottom, right - left, bottom - top);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            // GL keeps this box until a drawing needs the clip's own.
            m_glScissorOn = 1;
            m_glScissor.Set(left, top, right, bottom);
            m_glScissorKnown = 1;
        }
        return VORTAN_OK;
    }
    ApplyScissor();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::ClearUnit(u32 color, const CVortanFloatRect* rect)
{
    if (!rect)
        return Clear(color, nullptr);
    CVortanRect r;
    r.left = (int)((float)m_width * rect->left);
    r.top = (int)((float)m_height * rect->top);
    r.right = (int)((float)m_width * rect->right);
    r.bottom = (int)((float)m_height * rect->bottom);
    return Clear(color, &r);
}

int CVortanGraphicsExt_GLES2::FillGradient(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanRect* rect)
{
    CVortanFloatRect u;
    return FillGradientUnit(c0, c1, c2, c3, UnitRectOrNull(this, rect, &u));
}

int CVortanGraphicsExt_GLES2::FillAdditive(u32 color, const CVortanRect* rect)
{
    CVortanFloatRect u;
    return FillAdditiveUnit(color, UnitRectOrNull(this, rect, &u));
}

int CVortanGraphicsExt_GLES2::Darken(const CVortanRect* rect, float amount)
{
    CVortanFloatRect u;
    return DarkenUnit(UnitRectOrNull(this, rect, &u), amount);
}

int CVortanGraphicsExt_GLES2::Blit(int x, int y, IVortanGraphicsContext* source,
                                   const CVortanRect* srcRect, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    CVortanFloatRect t;
    return BlitUnit(ToUnitX((float)x), ToUnitY((float)y), source,
                    UnitRectOrNull(source, srcRect, &t), flags);
}

int CVortanGraphicsExt_GLES2::BlitTinted(int x, int y, IVortanGraphicsContext* source,
                                         const CVortanRect* srcRect, u32 color, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    // Texture coordinates are fractions of the source, as for every other blit.
    CVortanFloatRect t;
    return BlitTintedUnit(ToUnitX((float)x), ToUnitY((float)y), source,
                          UnitRectOrNull(source, srcRect, &t), color, flags);
}

int CVortanGraphicsExt_GLES2::BlitStretch(const CVortanRect* dstRect,
                                          IVortanGraphicsContext* source,
                                          const CVortanRect* srcRect, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    CVortanFloatRect d, t;
    StretchUnitRects(this, dstRect, source, srcRect, &d, &t);
    return BlitStretchUnit(&d, source, &t, flags);
}

int CVortanGraphicsExt_GLES2::BlitStretchTinted(const CVortanRect* dstRect,
                                                IVortanGraphicsContext* source,
                                                const CVortanRect* srcRect, u32 color, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    CVortanFloatRect d, t;
    StretchUnitRects(this, dstRect, source, srcRect, &d, &t);
    return BlitStretchTintedUnit(&d, source, &t, color, flags);
}

int CVortanGraphicsExt_GLES2::BlitRotated(int x, int y, IVortanGraphicsContext* source, float angle,
                                          int size, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    int w = source->GetWidth(), h = source->GetHeight();
    int larger = w > h ? w : h;
    if (larger <= 0)
        return VORTAN_E_ARGUMENT;
    float scale = (float)size / (float)larger;
    return BlitRotatedUnit(ToUnitX((float)x), ToUnitY((float)y), source, angle, scale, flags);
}

int CVortanGraphicsExt_GLES2::DrawLine(int x0, int y0, int x1, int y1, u32 color0, u32 color1)
{
    return DrawLineUnit(ToUnitX((float)x0), ToUnitY((float)y0), ToUnitX((float)x1),
                        ToUnitY((float)y1), color0, color1);
}

int CVortanGraphicsExt_GLES2::BlitStretchTranslated(const CVortanFloatRect* unitRect,
                                                    const CVortanMatrix* matrix,
                                                    IVortanGraphicsContext* source,
                                                    const CVortanFloatRect* srcRect, u32 flags)
{
    CVortanFloatRect r = {0.0f, 0.0f, 1.0f, 1.0f};
    if (unitRect)
        r = *unitRect;
    if (matrix) {
        r.left += (*matrix)[3];
        r.right += (*matrix)[3];
        r.top += (*matrix)[7];
        r.bottom += (*matrix)[7];
    }
    return BlitStretchUnit(&r, source, srcRect, flags);
}

// --- unit forms --------------------------------------------------------------------------

int CVortanGraphicsExt_GLES2::BlitUnit(float x, float y, IVortanGraphicsContext* source,
                                       const CVortanFloatRect* texRect, u32 flags)
{
    CVortanSurface* s = DrawableSource(source);
    if (!s)
        return VORTAN_E_ARGUMENT;
    return DrawBlit(s, PointQuad(x, y, s, texRect), flags);
}

int CVortanGraphicsExt_GLES2::BlitTintedUnit(float x, float y, IVortanGraphicsContext* source,
                                             const CVortanFloatRect* texRect, u32 color, u32 flags)
{
    CVortanSurface* s = DrawableSource(source);
    if (!s)
        return VORTAN_E_ARGUMENT;
    return DrawTintedBlit(s, PointQuad(x, y, s, texRect), color, flags, true);
}

int CVortanGraphicsExt_GLES2::BlitStretchUnit(const CVortanFloatRect* dstRect,
                                              IVortanGraphicsContext* source,
                                              const CVortanFloatRect* texRect, u32 flags)
{
    CVortanSurface* s = DrawableSource(source);
    if (!s)
        return VORTAN_E_ARGUMENT;
    return DrawBlit(s, RectQuad(dstRect, texRect), flags);
}

int CVortanGraphicsExt_GLES2::BlitStretchTintedUnit(const CVortanFloatRect* dstRect,
                                                    IVortanGraphicsContext* source,
                                                    const CVortanFloatRect* texRect, u32 color,
                                                    u32 flags)
{
    CVortanSurface* s = DrawableSource(source);
    if (!s)
        return VORTAN_E_ARGUMENT;
    return DrawTintedBlit(s, RectQuad(dstRect, texRect), color, flags, false);
}

// The quad of a blit at unit position (x, y): the source's size (that of the texture part,
// when given) from there.
CVortanGraphicsExt_GLES2::BlitQuad
CVortanGraphicsExt_GLES2::PointQuad(float x, float y, CVortanSurface* s,
                                    const CVortanFloatRect* texRect)
{
    BlitQuad q;
    SetTextureCoords(&q.uL, &q.vT, &q.uR, &q.vB, texRect);
    q.x0 = 2.0f * x - 1.0f;
    q.y0 = 1.0f - 2.0f * y;
    q.w = 2.0f * ToUnitX((float)s->GetWidth());
    q.h = 2.0f * ToUnitY((float)s->GetHeight());
    if (texRect) {
        q.w *= q.uR - q.uL;
        q.h *= q.vB - q.vT;
    }
    return q;
}

// The quad of a blit into a unit rectangle (null: the whole target).
CVortanGraphicsExt_GLES2::BlitQuad
CVortanGraphicsExt_GLES2::RectQuad(const CVortanFloatRect* dstRect, const CVortanFloatRect* texRect)
{
    BlitQuad q;
    SetTextureCoords(&q.uL, &q.vT, &q.uR, &q.vB, texRect);
    ClipBox b = ClipBoxOf(dstRect);
    q.x0 = b.x0;
    q.y0 = b.y0;
    q.w = b.w;
    q.h = b.h;
    return q;
}

// Centre flags and (unless `mirror` is false) mirror flags.
void CVortanGraphicsExt_GLES2::PlaceQuad(BlitQuad& q, u32 flags, bool mirror)
{
    if (flags & VORTAN_BLIT_CENTER_X)
        q.x0 = -q.w / 2.0f;
    if (flags & VORTAN_BLIT_CENTER_Y)
        q.y0 = q.h / 2.0f;
    if (!mirror)
        return;
    if (flags & VORTAN_BLIT_MIRROR_X) {
        float t = q.uL;
        q.uL = q.uR;
        q.uR = t;
    }
    if (flags & VORTAN_BLIT_MIRROR_Y) {
        float t = q.vT;
        q.vT = q.vB;
        q.vB = t;
    }
}

int CVortanGraphicsExt_GLES2::DrawBlit(CVortanSurface* s, BlitQuad q, u32 flags)
{
    PlaceQuad(q, flags, true);
    WriteTexturedQuad(q.x0, q.y0, q.w, q.h, q.uL, q.vT, q.uR, q.vB);
    ApplyScissorFor(q.x0, q.y0, q.x0 + q.w, q.y0 - q.h);
    BlendFactors blend = BlitBlend(flags, VORTAN_BLIT_ALPHA);
    SetBlend(blend.src, blend.dst);
    return DrawTexturedQuad(s, m_programs[PROGRAM_TEXTURE]);
}

int CVortanGraphicsExt_GLES2::DrawTintedBlit(CVortanSurface* s, BlitQuad q, u32 color, u32 flags,
                                             bool mirror)
{
    PlaceQuad(q, flags, mirror);
    WriteTintedQuad(q.x0, q.y0, q.w, q.h, q.uL, q.vT, q.uR, q.vB, color);
    ApplyScissorFor(q.x0, q.y0, q.x0 + q.w, q.y0 - q.h);
    SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return DrawTexturedQuad(
        s, m_programs[(flags & VORTAN_BLIT_ALPHAONLY) ? PROGRAM_COLOR_MIX : PROGRAM_TINTED]);
}

int CVortanGraphicsExt_GLES2::BlitRotatedUnit(float x, float y, IVortanGraphicsContext* source,
                                              float angle, float scale, u32 flags)
{
    CVortanSurface* s = DrawableSource(source);
    if (!s)
        return VORTAN_E_ARGUMENT;
    if (flags & VORTAN_BLIT_CENTER_X)
        x = 0.5f;
    if (flags & VORTAN_BLIT_CENTER_Y)
        y = 0.5f;
    float px = 2.0f * x - 1.0f, py = 1.0f - 2.0f * y;
    float a = (float)s->GetWidth() * scale;
    float b = (float)s->GetHeight() * scale;
    float sx = ToUnitX(1.0f), sy = ToUnitY(1.0f);
    float c = cosf(angle), sn = sinf(angle);
    // M = S x R: rotate about z, then scale to clip units.
    float m00 = sx * c, m01 = -sx * sn, m10 = sy * sn, m11 = sy * c;
    float tx = a * sx, ty = b * sy;
    if (flags & VORTAN_BLIT_CENTER_X)
        px -= tx;
    if (flags & VORTAN_BLIT_CENTER_Y)
        py += ty;
    float ox = px + tx, oy = py - ty;
    float uL = 0.0f, uR = 1.0f, vT = 0.0f, vB = 1.0f;
    if (flags & VORTAN_BLIT_MIRROR_X) {
        uL = 1.0f;
        uR = 0.0f;
    }
    if (flags & VORTAN_BLIT_MIRROR_Y) {
        vT = 1.0f;
        vB = 0.0f;
    }
    const float corners[4][4] = {
        {-a, b, uL, vT}, {-a, -b, uL, vB}, {a, -b, uR, vB}, {a, b, uR, vT}};
    float* v = m_scratch;
    for (int i = 0; i < 4; ++i) {
        float cx = corners[i][0], cy = corners[i][1];
        v[0] = ox + m00 * cx + m01 * cy;
        v[1] = oy + m10 * cx + m11 * cy;
        v[2] = 0.0f;
        v[3] = corners[i][2];
        v[4] = corners[i][3];
        v += 5;
    }
    // The rotated blit blends colour-keyed sources with their alpha as well.
    BlendFactors blend = BlitBlend(flags, VORTAN_BLIT_ALPHA | VORTAN_BLIT_COLORKEY);
    SetBlend(blend.src, blend.dst);
    ApplyScissor();
    return DrawTexturedQuad(s, m_programs[PROGRAM_TEXTURE]);
}

int CVortanGraphicsExt_GLES2::FillGradientUnit(u32 c0, u32 c1, u32 c2, u32 c3,
                                               const CVortanFloatRect* rect)
{
    const ClipBox b = ClipBoxOf(rect);
    WriteColoredQuad(b.x0, b.y0, b.w, b.h, c0, c1, c2, c3);
    SetBlend(kBlendOff, 0);
    DrawColoredQuad();
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::FillAdditiveUnit(u32 color, const CVortanFloatRect* rect)
{
    const ClipBox b = ClipBoxOf(rect);
    WriteColoredQuad(b.x0, b.y0, b.w, b.h, color, color, color, color);
    SetBlend(GL_SRC_ALPHA, GL_ONE);
    DrawColoredQuad();
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::DarkenUnit(const CVortanFloatRect* rect, float amount)
{
    const ClipBox b = ClipBoxOf(rect);
    const float x0 = b.x0, y0 = b.y0, x1 = b.x0 + b.w, y1 = b.y0 - b.h;
    const float quad[28] = {x0,     y0,   0.0f, 1.0f,   1.0f, 1.0f, amount, x0,    y1,   0.0f,
                            1.0f,   1.0f, 1.0f, amount, x1,   y1,   0.0f,   1.0f,  1.0f, 1.0f,
                            amount, x1,   y0,   0.0f,   1.0f, 1.0f, 1.0f,   amount};
    memcpy(m_scratch, quad, sizeof(quad));
    SetBlend(GL_ZERO, GL_SRC_ALPHA);
    DrawColoredQuad();
    return VORTAN_OK;
}

int CVortanGraphicsExt_GLES2::DrawLineUnit(float x0, float y0, float x1, float y1, u32 color0,
                                           u32 color1)
{
    CVortan3DProgram* program = m_programs[PROGRAM_COLOR];
    if (!program)
        return VORTAN_E_ARGUMENT;
    CVortanColor a(color0), b(color1);
    const float line[14] = {2.0f * x0 - 1.0f, 1.0f - 2.0f * y0, 0.0f, a.r, a.g, a.b, a.a,
                            2.0f * x1 - 1.0f, 1.0f - 2.0f * y1, 0.0f, b.r, b.g, b.b, b.a};
    memcpy(m_scratch, line, sizeof(line));
    UseProgram(program, m_scratch);
    glDrawArrays(GL_LINES, 0, 2);
    return VORTAN_OK;
}
