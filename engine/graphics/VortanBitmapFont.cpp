// CVortanBitmapFont: loading (description, pages, textures, quads), glyph lookup, measuring
// and wrapping.
#include "engine/graphics/VortanBitmapFont.h"

#include <GLES2/gl2.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <new>

#include "engine/VortanDataScrambler.h"
#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanBitmapFontText.h"
#include "engine/graphics/VortanDefaultFont.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"

namespace {

// Descriptions larger than this are not fonts.
const int kMaxDescriptionBytes = 16 * 1024 * 1024;

// Texture names handed out while surfaces keep their textures without GL (tests).
std::atomic<u32> g_nullFontTextures(0x7F000000u);

IVortanApplication* ApplicationOf(IVortanGraphicsContext* context)
{
    CVortanSurface* surface = VortanSoft::AsSurface(context);
    return surface ? surface->GetApplication() : nullptr;
}

// The directory of a path with its trailing "/", or empty.
CVortanString DirectoryOf(const CVortanString& path)
{
    int slash = path.ReverseFind('/');
    if (slash < 0)
        return CVortanString();
    return CVortanString(path, 0, slash + 1);
}

// Truncation towards zero, saturated to the int range (metrics of a hostile description
// times the scale may not fit; NaN gives 0).
int Trunc(float v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0f)
        return 0x7FFFFFFF;
    if (v <= -2147483648.0f)
        return -0x7FFFFFFF - 1;
    return (int)v;
}

} // namespace

// --- colour tags (shared with the drawing code) -----------------------------------------------

// The length of the colour tag at t[i] that a measuring loop skips: 0 when there is none or
// the flags say that tags are plain text.
static int TagLengthAt(const unsigned short* t, int length, int i, u32 flags)
{
    return (flags & VORTAN_TEXT_NO_TAGS) ? 0 : VortanTextTagAt(t, length, i, nullptr);
}

int VortanTextTagAt(const unsigned short* text, int length, int i, u32* color)
{
    static const char prefix[] = "$COLOR=0x";
    if (i < 0 || length - i < VORTAN_TEXT_TAG_LENGTH)
        return 0;
    for (int k = 0; k < 9; ++k) {
        if (text[i + k] != (unsigned short)prefix[k])
            return 0;
    }
    u32 value = 0;
    for (int k = 9; k < VORTAN_TEXT_TAG_LENGTH; ++k) {
        const int digit = VortanHexDigit(text[i + k]);
        if (digit < 0)
            return 0;
        value = (value << 4) | (u32)digit;
    }
    if (color)
        *color = value;
    return VORTAN_TEXT_TAG_LENGTH;
}

// --- layouts --------------------------------------------------------------------------------------

CVortanTextLayout::CVortanTextLayout() : m_context(nullptr), m_color(0), m_flags(0)
{
    m_rect.Set(0, 0, 0, 0);
}

CVortanTextLayout::~CVortanTextLayout()
{
    FreeRuns();
}

void CVortanTextLayout::FreeRuns()
{
    for (int i = 0; i < m_runs.GetCount(); ++i)
        delete (CVortanTextRun*)m_runs.GetAt(i);
    m_runs.RemoveAll();
}

// --- construction and loading ------------------------------------------------------------------

CVortanBitmapFont::CVortanBitmapFont()
    : m_context(nullptr), m_lineHeight(0), m_glyphCount(0), m_glyphs(nullptr), m_direct(nullptr),
      m_quads(nullptr), m_scale(1.0f), m_program(nullptr), m_extraSurface(nullptr), m_loadFlags(0),
      m_atlas(nullptr), m_cursorX(0), m_cursorY(0), m_atlasApplication(nullptr), m_atlasFormat(0),
      m_atlasFlags(0)
{}

CVortanBitmapFont::~CVortanBitmapFont() {}

CVortanBitmapFont* CVortanBitmapFont::Create()
{
    return new (std::nothrow) CVortanBitmapFont();
}

int CVortanBitmapFont::LoadXML(CVortanXMLDataNode* root)
{
    if (!root)
        return VORTAN_E_ARGUMENT;
    delete[] m_glyphs;
    m_glyphs = nullptr;
    delete[] m_direct;
    m_direct = nullptr;
    m_glyphCount = 0;
    FreePages();

    CVortanXMLDataNode* chars = root->FindNode("font/chars", 0);
    CVortanXMLDataNode* pages = root->FindNode("font/pages", 0);
    CVortanXMLDataNode* common = root->FindNode("font/common", 0);
    if (!chars || !pages || !common)
        return VORTAN_E_MISSING;
    int lineHeight = root->GetInt("font/common/$lineHeight", 0);
    if (lineHeight == 0)
        return VORTAN_E_MISSING;
    if (lineHeight < 0)
        return VORTAN_E_MALFORMED;
    int declared = root->GetInt("font/chars/$count", 0);
    if (declared < 1)
        return VORTAN_E_MALFORMED;

    // Pages: every element child of "font/pages", in order.
    for (CVortanXMLDataNode* child = pages->GetFirstChild(); child;
         child = child->GetNextSibling()) {
        if (child->IsValueNode())
            continue;
        CVortanFontPage* page = new (std::nothrow) CVortanFontPage();
        if (!page)
            return VORTAN_E_NOMEMORY;
        page->alpha = nullptr;
        page->width = page->height = 0;
        page->surface = nullptr;
        page->texture = 0;
        const char* file = child->GetValueNode("$file", "");
        page->file = file; // bytes, widened one unit per byte like every file name
        if ((file[0] && page->file.IsEmpty()) || m_pages.Add(page) != VORTAN_OK) {
            delete page;
            return VORTAN_E_NOMEMORY;
        }
    }
    if (m_pages.GetCount() == 0)
        return VORTAN_E_MISSING;

    // Glyphs: as many records as "char" elements, never more than "$count".
    int available = 0;
    for (CVortanXMLDataNode* child = chars->GetFirstChild(); child;
         child = child->GetNextSibling()) {
        if (!child->IsValueNode() && child->GetName() && strcmp(child->GetName(), "char") == 0)
            ++available;
    }
    int count = available < declared ? available : declared;
    if (count > 0) {
        m_glyphs = new (std::nothrow) CVortanGlyph[count];
        if (!m_glyphs)
            return VORTAN_E_NOMEMORY;
    }
    int n = 0;
    for (CVortanXMLDataNode* child = chars->GetFirstChild(); child && n < count;
         child = child->GetNextSibling()) {
        if (child->IsValueNode() || !child->GetName() || strcmp(child->GetName(), "char") != 0)
            continue;
        CVortanGlyph& g = m_glyphs[n];
        g.id = child->GetInt("$id", 0);
        g.x = child->GetInt("$x", -1);
        g.y = child->GetInt("$y", -1);
        g.width = child->GetInt("$width", -1);
        g.height = child->GetInt("$height", -1);
        g.page = child->GetInt("$page", 0);
        g.xoffset = child->GetInt("$xoffset", 0);
        g.yoffset = child->GetInt("$yoffset", 0);
        g.xadvance = child->GetInt("$xadvance", 0);
        g.index = n;
        if (g.page < 0 || g.page >= m_pages.GetCount()) {
            delete[] m_glyphs;
            m_glyphs = nullptr;
            return VORTAN_E_MALFORMED;
        }
        ++n;
    }
    m_glyphCount = n;
    m_lineHeight = lineHeight;

    m_direct = new (std::nothrow) const CVortanGlyph*[256];
    if (!m_direct)
        return VORTAN_E_NOMEMORY;
    for (int i = 0; i < 256; ++i)
        m_direct[i] = nullptr;
    for (int i = 0; i < m_glyphCount; ++i) {
        int id = m_glyphs[i].id;
        if (id >= 0 && id < 256 && !m_direct[id])
            m_direct[id] = &m_glyphs[i];
    }
    return VORTAN_OK;
}

int CVortanBitmapFont::LoadFromFile(IVortanGraphicsContext* context, const CVortanString& path,
                                    u32 flags)
{
    if (!context)
        return VORTAN_E_ARGUMENT;
    Unload();
    m_context = context;
    CVortanXMLDataNode root;
    int result = root.LoadFromPath(path);
    if (result != VORTAN_OK)
        return result;
    result = LoadXML(&root);
    if (result != VORTAN_OK) {
        Unload();
        return result;
    }
    return FinishLoad(path, nullptr, DirectoryOf(path), flags);
}

int CVortanBitmapFont::LoadFromPack(IVortanGraphicsContext* context, CVortanMediaPack* pack,
                                    const CVortanString& entry, u32 flags)
{
    if (!context || !pack)
        return VORTAN_E_ARGUMENT;
    Unload();
    m_context = context;
    int size = pack->GetEntry(entry);
    if (size <= 0)
        return VORTAN_E_MISSING;
    if (size > kMaxDescriptionBytes)
        return VORTAN_E_NOMEMORY;
    char* buffer = (char*)malloc((size_t)size + 1);
    if (!buffer)
        return VORTAN_E_NOMEMORY;
    if (pack->GetFile()->Read(buffer, size) != size) {
        free(buffer);
        return VORTAN_E_MALFORMED;
    }
    buffer[size] = '\0';
    if (pack->GetKey()) {
        CVortanDataScrambler scrambler;
        scrambler.Process(*pack->GetKey(), buffer, size);
    }
    CVortanXMLDataNode root;
    int result = root.LoadMemory(buffer, size);
    if (result == VORTAN_OK)
        result = LoadXML(&root);
    free(buffer);
    if (result != VORTAN_OK) {
        Unload();
        return result;
    }
    return FinishLoad(entry, pack, CVortanString(), flags);
}

int CVortanBitmapFont::FinishLoad(const CVortanString& name, CVortanMediaPack* pack,
                                  const CVortanString& dir, u32 flags)
{
    int result = LoadPages(pack, dir, flags);
    if (result == VORTAN_OK)
        result = BuildTextures(flags);
    if (result != VORTAN_OK) {
        Unload();
        return result;
    }
    SetID(name);
    return VORTAN_OK;
}

int CVortanBitmapFont::LoadDefault(IVortanGraphicsContext* context)
{
    if (!context)
        return VORTAN_E_ARGUMENT;
    Unload();
    m_context = context;
    const u8* png = nullptr;
    int pngSize = 0;
    const CVortanDefaultGlyph* table = nullptr;
    int count = 0, lineHeight = 0;
    if (!VortanGetDefaultFont(&png, &pngSize, &table, &count, &lineHeight) || count < 1)
        return VORTAN_E_MISSING;

    m_glyphs = new (std::nothrow) CVortanGlyph[count];
    m_direct = new (std::nothrow) const CVortanGlyph*[256];
    CVortanFontPage* page = new (std::nothrow) CVortanFontPage();
    if (!m_glyphs || !m_direct || !page || m_pages.Add(page) != VORTAN_OK) {
        delete page;
        Unload();
        return VORTAN_E_NOMEMORY;
    }
    page->file = "default_font_image.png";
    page->alpha = nullptr;
    page->width = page->height = 0;
    page->texture = 0;
    page->surface = new (std::nothrow) CVortanSurface();
    if (!page->surface) {
        Unload();
        return VORTAN_E_NOMEMORY;
    }
    for (int i = 0; i < count; ++i) {
        CVortanGlyph& g = m_glyphs[i];
        g.id = table[i].id;
        g.x = table[i].x;
        g.y = table[i].y;
        g.width = table[i].width;
        g.height = table[i].height;
        g.xoffset = table[i].xoffset;
        g.yoffset = table[i].yoffset;
        g.xadvance = table[i].xadvance;
        g.page = 0;
        g.index = i;
    }
    m_glyphCount = count;
    m_lineHeight = lineHeight;
    for (int i = 0; i < 256; ++i)
        m_direct[i] = nullptr;
    for (int i = 0; i < count; ++i) {
        if (m_glyphs[i].id >= 0 && m_glyphs[i].id < 256 && !m_direct[m_glyphs[i].id])
            m_direct[m_glyphs[i].id] = &m_glyphs[i];
    }
    int result = page->surface->LoadFromMemory(ApplicationOf(context), png, pngSize, nullptr);
    if (result == VORTAN_OK) {
        page->width = page->surface->GetWidth();
        page->height = page->surface->GetHeight();
        result = BuildTextures(0);
    }
    if (result != VORTAN_OK) {
        Unload();
        return result;
    }
    SetID("default-font");
    return VORTAN_OK;
}

int CVortanBitmapFont::LoadPages(CVortanMediaPack* pack, const CVortanString& dir, u32 flags)
{
    (void)flags;
    IVortanApplication* application = ApplicationOf(m_context);
    for (int i = 0; i < m_pages.GetCount(); ++i) {
        CVortanFontPage* page = (CVortanFontPage*)m_pages.GetAt(i);
        page->surface = new (std::nothrow) CVortanSurface();
        if (!page->surface)
            return VORTAN_E_NOMEMORY;
        int result;
        if (pack) {
            CVortanString name("/");
            name.Append(page->file);
            result = page->surface->LoadFromPack(application, pack, name, 0, nullptr);
        } else {
            // As given, next to the description, then next to the executable.
            result = page->surface->LoadFromFile(application, page->file, nullptr);
            if (result != VORTAN_OK && !dir.IsEmpty() && page->file.GetAt(0) != '/') {
                CVortanString path(dir);
                path.Append(page->file);
                result = page->surface->LoadFromFile(application, path, nullptr);
            }
            if (result != VORTAN_OK && page->file.GetAt(0) != '/') {
                CVortanString path;
                if (IVortanApplication::GetExecutableDir(path) == VORTAN_OK) {
                    path.Append(page->file);
                    result = page->surface->LoadFromFile(application, path, nullptr);
                }
            }
        }
        if (result != VORTAN_OK)
            return result;
        page->width = page->surface->GetWidth();
        page->height = page->surface->GetHeight();
    }
    return VORTAN_OK;
}

int CVortanBitmapFont::BuildTextures(u32 flags)
{
    m_loadFlags = flags;
    // Glyph rectangles are kept inside their page: a rectangle reaching outside is cut to it
    // (a glyph without one draws nothing but still advances).
    for (int i = 0; i < m_glyphCount; ++i) {
        CVortanGlyph& g = m_glyphs[i];
        const CVortanFontPage* page = GetPage(g.page);
        int w = page ? page->width : 0, h = page ? page->height : 0;
        int x0 = g.x < 0 ? 0 : (g.x > w ? w : g.x);
        int y0 = g.y < 0 ? 0 : (g.y > h ? h : g.y);
        i64 x1 = (i64)g.x + (g.width > 0 ? g.width : 0),
            y1 = (i64)g.y + (g.height > 0 ? g.height : 0);
        if (x1 > w)
            x1 = w;
        if (y1 > h)
            y1 = h;
        g.x = x0;
        g.y = y0;
        g.width = x1 > x0 ? (int)(x1 - x0) : 0;
        g.height = y1 > y0 ? (int)(y1 - y0) : 0;
    }
    for (int i = 0; i < m_pages.GetCount(); ++i) {
        CVortanFontPage* page = (CVortanFontPage*)m_pages.GetAt(i);
        CVortanSurface* s = page->surface;
        if (!s || !s->GetPixels())
            return VORTAN_E_RANGE;
        free(page->alpha);
        page->alpha = (u8*)malloc((size_t)page->width * page->height);
        if (!page->alpha)
            return VORTAN_E_NOMEMORY;
        u32 lockFlags = s->GetLockFlags();
        for (int y = 0; y < page->height; ++y)
            for (int x = 0; x < page->width; ++x)
                page->alpha[(size_t)y * page->width + x] = (u8)(s->GetPixel(x, y) & 0xFF);
        s->SetLockFlags(lockFlags);
        int result = BuildPageTexture(page);
        if (result != VORTAN_OK)
            return result;
    }
    BuildQuads();
    return VORTAN_OK;
}

int CVortanBitmapFont::BuildPageTexture(CVortanFontPage* page)
{
    // Textures only for a GLES2 context; a software target draws from the coverage.
    if (!m_context || m_context->GetContextType() != VORTAN_CONTEXT_GLES2)
        return VORTAN_OK;
    if (m_loadFlags & VORTAN_FONT_KEEP_COLOR) {
        int result = page->surface->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
        page->texture = page->surface->GetTexture();
        return result;
    }
    if (CVortanSurface::GetNullTextures()) {
        page->texture = ++g_nullFontTextures;
        return VORTAN_OK;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    if (!name)
        return VORTAN_E_FAIL;
    CVortanGraphicsExt_GLES2* ext = dynamic_cast<CVortanGraphicsExt_GLES2*>(m_context);
    if (ext)
        ext->BindTexture(GL_TEXTURE0, name);
    else {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, name);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, page->width, page->height, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, page->alpha);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    page->texture = name;
    return VORTAN_OK;
}

void CVortanBitmapFont::BuildQuads()
{
    delete[] m_quads;
    m_quads = m_glyphCount > 0 ? new (std::nothrow) CVortanGlyphQuad[m_glyphCount] : nullptr;
    if (m_quads) {
        for (int i = 0; i < m_glyphCount; ++i) {
            const CVortanGlyph& g = m_glyphs[i];
            const CVortanFontPage* page = GetPage(g.page);
            float W = page && page->width ? (float)page->width : 1.0f;
            float H = page && page->height ? (float)page->height : 1.0f;
            float w = (float)g.width, h = (float)g.height;
            float u0 = (float)g.x / W, v0 = (float)g.y / H;
            float u1 = (float)(g.x + g.width) / W, v1 = (float)(g.y + g.height) / H;
            float corners[4][4] = {{0.0f, 0.0f, u0, v0},
                                   {0.0f, -2.0f * h, u0, v1},
                                   {2.0f * w, -2.0f * h, u1, v1},
                                   {2.0f * w, 0.0f, u1, v0}};
            memcpy(m_quads[i].corner, corners, sizeof(corners));
        }
    }
    CVortanGraphicsExt_GLES2* ext = dynamic_cast<CVortanGraphicsExt_GLES2*>(m_context);
    m_program = ext ? ext->GetProgram((m_loadFlags & VORTAN_FONT_KEEP_COLOR)
                                          ? CVortanGraphicsExt_GLES2::PROGRAM_TEXT_B
                                          : CVortanGraphicsExt_GLES2::PROGRAM_TEXT_A)
                    : nullptr;
}

void CVortanBitmapFont::ReleaseTextures()
{
    for (int i = 0; i < m_pages.GetCount(); ++i) {
        CVortanFontPage* page = (CVortanFontPage*)m_pages.GetAt(i);
        if (!page)
            continue;
        if (page->surface && page->surface->GetTexture()) {
            if (page->texture == page->surface->GetTexture())
                page->texture = 0;
            page->surface->DeleteTexture();
        }
        if (page->texture) {
            if (!CVortanSurface::GetNullTextures()) {
                GLuint name = page->texture;
                glDeleteTextures(1, &name);
            }
            page->texture = 0;
        }
    }
    if (m_atlas)
        m_atlas->DeleteTexture();
}

int CVortanBitmapFont::RestoreTextures()
{
    for (int i = 0; i < m_pages.GetCount(); ++i) {
        CVortanFontPage* page = (CVortanFontPage*)m_pages.GetAt(i);
        if (!page || !page->alpha)
            continue;
        int result = BuildPageTexture(page);
        if (result != VORTAN_OK)
            return result;
    }
    BuildQuads();
    if (m_atlas && m_atlas->GetTextureFormat()) {
        int result = m_atlas->RecreateTexture();
        if (result != VORTAN_OK)
            return result;
    }
    return VORTAN_OK;
}

void CVortanBitmapFont::FreePages()
{
    for (int i = 0; i < m_pages.GetCount(); ++i) {
        CVortanFontPage* page = (CVortanFontPage*)m_pages.GetAt(i);
        if (!page)
            continue;
        if (page->texture && !(page->surface && page->texture == page->surface->GetTexture()) &&
            !CVortanSurface::GetNullTextures()) {
            GLuint name = page->texture;
            glDeleteTextures(1, &name);
        }
        free(page->alpha);
        if (page->surface) {
            page->surface->Release();
            delete page->surface;
        }
        delete page;
    }
    m_pages.RemoveAll();
}

void CVortanBitmapFont::Unload()
{
    delete[] m_glyphs;
    m_glyphs = nullptr;
    m_glyphCount = 0;
    delete[] m_direct;
    m_direct = nullptr;
    FreePages();
    delete[] m_quads;
    m_quads = nullptr;
    if (m_extraSurface) {
        m_extraSurface->Release();
        delete m_extraSurface;
        m_extraSurface = nullptr;
    }
    for (int i = 0; i < m_layouts.GetCount(); ++i)
        delete (CVortanTextLayout*)m_layouts.GetAt(i);
    m_layouts.RemoveAll();
    FreeTextRecords();
    if (m_atlas) {
        m_atlas->Release();
        delete m_atlas;
        m_atlas = nullptr;
    }
    m_cursorX = m_cursorY = 0;
    m_lineHeight = 0;
    m_program = nullptr;
}

// --- glyphs and metrics --------------------------------------------------------------------------

const CVortanGlyph* CVortanBitmapFont::FindGlyph(u32 code) const
{
    if (code < 256)
        return m_direct ? m_direct[code] : nullptr;
    for (int i = 0; i < m_glyphCount; ++i) {
        if ((u32)m_glyphs[i].id == code)
            return &m_glyphs[i];
    }
    return nullptr;
}

int CVortanBitmapFont::GetLineHeight() const
{
    return Trunc((float)m_lineHeight * m_scale);
}

bool CVortanBitmapFont::HasCodesAbove255(const CVortanString& text)
{
    const unsigned short* t = text.GetBuffer();
    for (int i = 0; i < text.GetLength(); ++i) {
        if (t[i] > 255)
            return true;
    }
    return false;
}

int CVortanBitmapFont::GetTextWidth(const CVortanString& text, u32 flags)
{
    const unsigned short* t = text.GetBuffer();
    int length = text.GetLength();
    i64 line = 0, widest = 0;
    for (int i = 0; i < length; ++i) {
        if (int skip = TagLengthAt(t, length, i, flags)) {
            i += skip - 1;
            continue;
        }
        unsigned short c = t[i];
        if ((flags & VORTAN_TEXT_MULTILINE) && (c == '\r' || c == '\n')) {
            if (line > widest)
                widest = line;
            line = 0;
            continue;
        }
        const CVortanGlyph* g = FindGlyph(c);
        if (g)
            line += g->xadvance;
    }
    if (line > widest)
        widest = line;
    return Trunc((float)widest * m_scale);
}

int CVortanBitmapFont::WrapText(const CVortanString& text, CVortanString& out,
                                const CVortanRect& rect, u32 flags)
{
    out = text;
    int length = text.GetLength();
    if (length == 0)
        return VORTAN_OK;
    unsigned short* o = out.GetBuffer();
    const unsigned short* t = text.GetBuffer();
    i64 pen = 0;
    int lastBreak = -1;
    for (int i = 0; i < length; ++i) {
        if (int skip = TagLengthAt(t, length, i, flags)) {
            i += skip - 1;
            continue;
        }
        unsigned short c = t[i];
        if (c == '\r' || c == '\n') {
            if (flags & VORTAN_TEXT_MULTILINE) {
                pen = 0;
                lastBreak = -1;
            } else {
                o[i] = ' ';
            }
            continue;
        }
        if (c == ' ' || c == '\t')
            lastBreak = i;
        const CVortanGlyph* g = FindGlyph(c);
        if (!g)
            continue;
        if ((i64)Trunc((float)(pen + g->xadvance) * m_scale) + rect.left <= rect.right) {
            pen += g->xadvance;
        } else if (lastBreak >= 0 && (flags & VORTAN_TEXT_MULTILINE)) {
            o[lastBreak] = '\n';
            i = lastBreak; // the loop moves on just after the break
            pen = 0;
            lastBreak = -1;
        }
    }
    return VORTAN_OK;
}

int CVortanBitmapFont::MeasureWrappedText(CVortanRect& rect, const CVortanString& text)
{
    // The same walk as WrapText in multi-line mode, counting the lines.
    const unsigned short* t = text.GetBuffer();
    int length = text.GetLength();
    int step = GetLineHeight();
    i64 y = rect.top, pen = 0;
    int lastBreak = -1;
    for (int i = 0; i < length; ++i) {
        int skip = VortanTextTagAt(t, length, i, nullptr);
        if (skip) {
            i += skip - 1;
            continue;
        }
        unsigned short c = t[i];
        if (c == '\r' || c == '\n') {
            pen = 0;
            lastBreak = -1;
            y += step;
            continue;
        }
        if (c == ' ' || c == '\t')
            lastBreak = i;
        const CVortanGlyph* g = FindGlyph(c);
        if (!g)
            continue;
        if ((i64)Trunc((float)(pen + g->xadvance) * m_scale) + rect.left <= rect.right) {
            pen += g->xadvance;
        } else if (lastBreak >= 0) {
            i = lastBreak;
            pen = 0;
            lastBreak = -1;
            y += step;
        }
    }
    i64 bottom = y + step;
    rect.bottom = bottom > 0x7FFFFFFF ? 0x7FFFFFFF : (int)bottom;
    return length;
}
