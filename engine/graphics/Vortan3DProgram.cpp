// CVortan3DProgram: building GLSL programs and caching their locations.
#include "engine/graphics/Vortan3DProgram.h"

#include <GLES2/gl2.h>
#include <stdlib.h>

#include <new>

namespace {

// The source as GL takes it: the low byte of every UTF-16 unit, NUL-terminated.
char* EightBit(const CVortanString& text)
{
    char* out = (char*)malloc((size_t)text.ToAscii(nullptr));
    if (out)
        text.ToAscii(out);
    return out;
}

// Compiles one shader into *name; on failure reads and drops the log, deletes the shader and
// leaves *name 0.
bool CompileShader(GLenum type, const CVortanString& source, u32* name)
{
    *name = 0;
    char* text = EightBit(source);
    if (!text)
        return false;
    GLuint shader = glCreateShader(type);
    if (!shader) {
        free(text);
        return false;
    }
    const char* sources[1] = {text};
    glShaderSource(shader, 1, sources, nullptr);
    free(text);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (!status) {
        CVortanString log;
        CVortan3DProgram::GetShaderLog(shader, log);
        glDeleteShader(shader);
        return false;
    }
    *name = shader;
    return true;
}

// The info log of a shader or program object (left alone when it has none, or an absurd
// length) and whether its `statusName` (compile or link status) is true; `getiv` and `getLog`
// are the object kind's GL queries.
template <class GetIv, class GetLog>
bool ReadLogAndStatus(u32 object, GetIv getiv, GetLog getLog, GLenum statusName,
                      CVortanString& text)
{
    GLint length = 0;
    getiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length > 0 && length < (1 << 20)) {
        char* buffer = (char*)calloc((size_t)length + 1, 1);
        if (buffer) {
            GLsizei written = 0;
            getLog(object, length, &written, buffer);
            if (written < 0 || written > length)
                written = 0;
            buffer[written] = 0;
            text = buffer;
            free(buffer);
        }
    }
    GLint status = 0;
    getiv(object, statusName, &status);
    return status == 1;
}

} // namespace

CVortan3DProgram::CVortan3DProgram()
    : m_owner(nullptr), m_vertexShader(0), m_fragmentShader(0), m_program(0), m_locationQueries(0),
      m_waiting(0)
{}

CVortan3DProgram::~CVortan3DProgram() {}

CVortan3DProgram* CVortan3DProgram::Create()
{
    return new (std::nothrow) CVortan3DProgram();
}

int CVortan3DProgram::Create(void* owner, const CVortanString& vertexSource,
                             const CVortanString& fragmentSource)
{
    m_owner = owner;
    m_vertexSource = vertexSource;
    m_fragmentSource = fragmentSource;
    m_waiting = 0;
    ClearCaches();
    return CompileAndLink(m_vertexSource, m_fragmentSource, &m_vertexShader, &m_fragmentShader,
                          &m_program);
}

int CVortan3DProgram::CreateOnFirstUse(void* owner, const CVortanString& vertexSource,
                                       const CVortanString& fragmentSource)
{
    m_owner = owner;
    m_vertexSource = vertexSource;
    m_fragmentSource = fragmentSource;
    ClearCaches();
    m_waiting = 1;
    return VORTAN_OK;
}

bool CVortan3DProgram::Built()
{
    if (m_waiting) {
        m_waiting = 0;
        CompileAndLink(m_vertexSource, m_fragmentSource, &m_vertexShader, &m_fragmentShader,
                       &m_program);
    }
    return m_program != 0;
}

int CVortan3DProgram::CompileAndLink(const CVortanString& vertexSource,
                                     const CVortanString& fragmentSource, u32* vertexShader,
                                     u32* fragmentShader, u32* program)
{
    u32 vs = 0, fs = 0, prog = 0;
    int result = VORTAN_E_ARGUMENT;
    if (CompileShader(GL_VERTEX_SHADER, vertexSource, &vs)) {
        if (CompileShader(GL_FRAGMENT_SHADER, fragmentSource, &fs)) {
            prog = glCreateProgram();
            if (prog) {
                glAttachShader(prog, fs);
                glAttachShader(prog, vs);
                glLinkProgram(prog);
                GLint status = 0;
                glGetProgramiv(prog, GL_LINK_STATUS, &status);
                if (status) {
                    result = VORTAN_OK;
                } else {
                    CVortanString log;
                    GetProgramLog(prog, log);
                    glDeleteProgram(prog);
                    prog = 0;
                }
            }
            if (result != VORTAN_OK) {
                glDeleteShader(fs);
                fs = 0;
            }
        }
        if (result != VORTAN_OK) {
            glDeleteShader(vs);
            vs = 0;
        }
    }
    if (vertexShader)
        *vertexShader = vs;
    if (fragmentShader)
        *fragmentShader = fs;
    if (program)
        *program = prog;
    return result;
}

int CVortan3DProgram::Rebuild()
{
    ClearCaches();
    if (m_waiting)
        return VORTAN_OK;
    return CompileAndLink(m_vertexSource, m_fragmentSource, &m_vertexShader, &m_fragmentShader,
                          &m_program);
}

void CVortan3DProgram::Release()
{
    if (m_vertexShader)
        glDeleteShader(m_vertexShader);
    if (m_fragmentShader)
        glDeleteShader(m_fragmentShader);
    if (m_program)
        glDeleteProgram(m_program);
    m_vertexShader = m_fragmentShader = m_program = 0;
    m_waiting = 0;
    ClearCaches();
    m_owner = nullptr;
}

void CVortan3DProgram::Unload()
{
    Release();
}

void CVortan3DProgram::ClearCaches()
{
    m_uniforms.RemoveAll();
    m_attribs.RemoveAll();
}

int CVortan3DProgram::Lookup(CVortanArray<Entry>& cache, const CVortanString& name, bool uniform)
{
    int lo = 0, hi = cache.GetSize() - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = name.Compare(cache[mid].name);
        if (c < 0)
            hi = mid - 1;
        else if (c > 0)
            lo = mid + 1;
        else
            return cache[mid].location;
    }
    if (!Built())
        return -1;
    char* text = EightBit(name);
    if (!text)
        return -1;
    ++m_locationQueries;
    int location =
        uniform ? glGetUniformLocation(m_program, text) : glGetAttribLocation(m_program, text);
    free(text);
    if (location >= 0) {
        Entry entry;
        entry.name = name;
        entry.location = location;
        cache.InsertAt(lo, entry);
    }
    return location;
}

int CVortan3DProgram::GetAttribLocation(const CVortanString& name)
{
    return Lookup(m_attribs, name, false);
}

int CVortan3DProgram::GetUniformLocation(const CVortanString& name)
{
    return Lookup(m_uniforms, name, true);
}

int CVortan3DProgram::GetAttribLocation(const char* name)
{
    return Lookup(m_attribs, CVortanString(name), false);
}

int CVortan3DProgram::GetUniformLocation(const char* name)
{
    return Lookup(m_uniforms, CVortanString(name), true);
}

bool CVortan3DProgram::GetShaderLog(u32 shader, CVortanString& text)
{
    return ReadLogAndStatus(shader, glGetShaderiv, glGetShaderInfoLog, GL_COMPILE_STATUS, text);
}

bool CVortan3DProgram::GetProgramLog(u32 program, CVortanString& text)
{
    return ReadLogAndStatus(program, glGetProgramiv, glGetProgramInfoLog, GL_LINK_STATUS, text);
}

int CVortan3DProgram::GetLog(CVortanString& text)
{
    // The object keeps no logs: a failed build has already deleted the objects they
    // belonged to. The headings stay so that readers find their sections.
    text = "VERTEX SHADER:\n\nFRAGMENT SHADER:\n\nPROGRAM:\n";
    return 0;
}
