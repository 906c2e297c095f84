// CVexShader: the game's GLSL sources, their build and the locations of each program.
#include "game/VexShader.h"

#include <GLES2/gl2.h>

#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "game/StateGame.h"
#include "platform/OrloApplication.h"

const char* const kVexWorldTexturedVS = "attribute mediump vec3 position;\n"
                                        "attribute mediump vec2 uv0;\n"
                                        "uniform mediump mat4 projectionMatrix;\n"
                                        "varying mediump vec2 texCoord0;\n"
                                        "void main() {\n"
                                        "  texCoord0 = uv0;\n"
                                        "  gl_Position = vec4(position, 1.0) * projectionMatrix;\n"
                                        "}\n";

const char* const kVexPlainTextureFS = "uniform sampler2D texture0;\n"
                                       "varying mediump vec2 texCoord0;\n"
                                       "void main() {\n"
                                       "  gl_FragColor = texture2D(texture0, texCoord0);\n"
                                       "}\n";

const char* const kVexBlockVS = "attribute mediump vec3 position;\n"
                                "attribute mediump vec2 uv0;\n"
                                "attribute mediump vec2 uv1;\n"
                                "attribute mediump float shadevs;\n"
                                "uniform mediump mat4 projectionMatrix;\n"
                                "varying mediump vec2 texCoord0;\n"
                                "varying mediump vec2 texCoord1;\n"
                                "varying mediump float shadeps;\n"
                                "void main() {\n"
                                "  texCoord0 = uv0;\n"
                                "  texCoord1 = uv1;\n"
                                "  shadeps = shadevs;\n"
                                "  gl_Position = vec4(position, 1.0) * projectionMatrix;\n"
                                "}\n";

const char* const kVexBlockFS = "uniform sampler2D texture0;\n"
                                "uniform sampler2D texture1;\n"
                                "varying mediump vec2 texCoord0;\n"
                                "varying mediump vec2 texCoord1;\n"
                                "varying mediump float shadeps;\n"
                                "void main() {\n"
                                "  mediump vec4 tex0 = texture2D(texture0, texCoord0);\n"
                                "  mediump vec4 tex1 = texture2D(texture1, texCoord1);\n"
                                "  gl_FragColor = vec4(tex0.rgb * tex1.rgb * shadeps, tex0.a);\n"
                                "}\n";

const char* const kVexTintedWorldVS = "attribute mediump vec3 position;\n"
                                      "attribute mediump vec2 uv0;\n"
                                      "uniform mediump mat4 projectionMatrix;\n"
                                      "uniform mediump vec4 color0;\n"
                                      "varying mediump vec2 texCoord0;\n"
                                      "varying mediump vec4 rgba0;\n"
                                      "void main() {\n"
                                      "  texCoord0 = uv0;\n"
                                      "  rgba0 = color0;\n"
                                      "  gl_Position = vec4(position, 1.0) * projectionMatrix;\n"
                                      "}\n";

const char* const kVexTintedScreenVS = "attribute mediump vec3 position;\n"
                                       "attribute mediump vec2 uv0;\n"
                                       "uniform mediump vec4 color0;\n"
                                       "varying mediump vec2 texCoord0;\n"
                                       "varying mediump vec4 rgba0;\n"
                                       "void main() {\n"
                                       "  texCoord0 = uv0;\n"
                                       "  rgba0 = color0;\n"
                                       "  gl_Position = vec4(position, 1.0);\n"
                                       "}\n";

const char* const kVexColouredScreenVS = "attribute mediump vec3 position;\n"
                                         "attribute mediump vec2 uv0;\n"
                                         "attribute mediump vec4 colour0;\n"
                                         "varying mediump vec2 texCoord0;\n"
                                         "varying mediump vec4 rgba0;\n"
                                         "void main() {\n"
                                         "  texCoord0 = uv0;\n"
                                         "  rgba0 = colour0;\n"
                                         "  gl_Position = vec4(position, 1.0);\n"
                                         "}\n";

const char* const kVexTintedFS = "uniform sampler2D texture0;\n"
                                 "varying mediump vec2 texCoord0;\n"
                                 "varying mediump vec4 rgba0;\n"
                                 "void main() {\n"
                                 "  gl_FragColor = texture2D(texture0, texCoord0) * rgba0;\n"
                                 "}\n";

const char* const kVexTintedOverlayFS = "uniform sampler2D texture0;\n"
                                        "varying mediump vec2 texCoord0;\n"
                                        "varying mediump vec4 rgba0;\n"
                                        "void main() {\n"
                                        "  gl_FragColor = rgba0 * texture2D(texture0, texCoord0);\n"
                                        "}\n";

namespace {

// The application's GLES2 extension, or null (no game, no application, or another kind).
CVortanGraphicsExt_GLES2* Gles2Of(CStateGame* game)
{
    if (!game || !game->GetHostApplication())
        return nullptr;
    return dynamic_cast<CVortanGraphicsExt_GLES2*>(game->GetHostApplication()->GetGraphicsExt());
}

} // namespace

CVexShader::CVexShader(const char* vertexSource, const char* fragmentSource, CStateGame* game)
    : m_program(0), m_vertexShader(0), m_fragmentShader(0), m_game(game), m_borrowed(0)
{
    if (!Gles2Of(game)) {
        m_messages += CVortanString("NULL Extension \n");
        return;
    }
    if (CVortan3DProgram::CompileAndLink(CVortanString(vertexSource), CVortanString(fragmentSource),
                                         &m_vertexShader, &m_fragmentShader,
                                         &m_program) != VORTAN_OK) {
        m_program = m_vertexShader = m_fragmentShader = 0;
        m_messages += CVortanString("Failed to create shader program \n");
    }
}

CVexShader::CVexShader(const CVexShader& owner, int borrowed)
    : m_program(owner.m_program), m_vertexShader(0), m_fragmentShader(0), m_game(owner.m_game),
      m_messages(owner.m_messages), m_borrowed(borrowed)
{}

CVexShader::~CVexShader()
{
    if (m_borrowed)
        return;
    if (m_program)
        glDeleteProgram(m_program);
    m_program = 0;
    if (m_vertexShader)
        glDeleteShader(m_vertexShader);
    m_vertexShader = 0;
    if (m_fragmentShader)
        glDeleteShader(m_fragmentShader);
    m_fragmentShader = 0;
}

void CVexShader::Use()
{
    if (m_program)
        glUseProgram(m_program);
}

int CVexShader::Attrib(const char* name) const
{
    return m_program ? glGetAttribLocation(m_program, name) : -1;
}

int CVexShader::Uniform(const char* name) const
{
    return m_program ? glGetUniformLocation(m_program, name) : -1;
}

void CVexShader::BindSampler(int location, int unit, const char* failure)
{
    if (location < 0) {
        // Without the extension the one text already says why.
        if (Gles2Of(m_game))
            m_messages += CVortanString(failure);
        return;
    }
    glUseProgram(m_program);
    glUniform1i(location, unit);
    glUseProgram(0);
}

CVexWaterShader::CVexWaterShader(const char* vs, const char* fs, CStateGame* game)
    : CVexShader(vs, fs, game)
{
    position = Attrib("position");
    uv0 = Attrib("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    texture0 = Uniform("texture0");
    BindSampler(texture0, 0, "WATER SHADER : Failed to get uniform location texture0 \n");
}

CVexBlockShader::CVexBlockShader(const char* vs, const char* fs, CStateGame* game)
    : CVexShader(vs, fs, game)
{
    position = Attrib("position");
    uv0 = Attrib("uv0");
    uv1 = Attrib("uv1");
    shadevs = Attrib("shadevs");
    projectionMatrix = Uniform("projectionMatrix");
    texture0 = Uniform("texture0");
    texture1 = Uniform("texture1");
    BindSampler(texture0, 0, "BLOCK SHADER 0: Failed to get uniform location texture0 \n");
    BindSampler(texture1, 1, "BLOCK SHADER 1: Failed to get uniform location texture1 \n");
}

CVexTintedWorldShader::CVexTintedWorldShader(const char* vs, const char* fs, CStateGame* game,
                                             const char* failure)
    : CVexShader(vs, fs, game)
{
    position = Attrib("position");
    uv0 = Attrib("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    color0 = Uniform("color0");
    texture0 = Uniform("texture0");
    BindSampler(texture0, 0, failure);
}

CVexTintedWorldShader::CVexTintedWorldShader(const CVexTintedWorldShader& owner,
                                             const char* failure)
    : CVexShader(owner, 1)
{
    position = Attrib("position");
    uv0 = Attrib("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    color0 = Uniform("color0");
    texture0 = Uniform("texture0");
    BindSampler(texture0, 0, failure);
}

CVexSquibShader::CVexSquibShader(const char* vs, const char* fs, CStateGame* game)
    : CVexTintedWorldShader(vs, fs, game,
                            "SQUIB SHADER : Failed to get uniform location texture0 \n")
{}

CVexWorldShader::CVexWorldShader(const char* vs, const char* fs, CStateGame* game)
    : CVexTintedWorldShader(vs, fs, game,
                            "WORLD SHADER : Failed to get uniform location texture0 \n")
{}

CVexWorldShader::CVexWorldShader(const CVexTintedWorldShader& owner)
    : CVexTintedWorldShader(owner, "WORLD SHADER : Failed to get uniform location texture0 \n")
{}

CVexBackgroundShader::CVexBackgroundShader(const char* vs, const char* fs, CStateGame* game)
    : CVexTintedWorldShader(vs, fs, game,
                            "BACKGROUND SHADER : Failed to get uniform location texture0 \n")
{}

CVexBackgroundShader::CVexBackgroundShader(const CVexTintedWorldShader& owner)
    : CVexTintedWorldShader(owner, "BACKGROUND SHADER : Failed to get uniform location texture0 \n")
{}

CVexTintedScreenShader::CVexTintedScreenShader(const char* vs, const char* fs, CStateGame* game,
                                               const char* failure)
    : CVexShader(vs, fs, game)
{
    position = Attrib("position");
    uv0 = Attrib("uv0");
    color0 = Uniform("color0");
    texture0 = Uniform("texture0");
    BindSampler(texture0, 0, failure);
}

CVexScreenShader::CVexScreenShader(const char* vs, const char* fs, CStateGame* game)
    : CVexTintedScreenShader(vs, fs, game,
                             "SCREEN SHADER : Failed to get uniform location texture0 \n")
{}

CVexScreenOverlayShader::CVexScreenOverlayShader(const char* vs, const char* fs, CStateGame* game)
    : CVexTintedScreenShader(vs, fs, game,
                             "SCREEN OVERLAY SHADER : Failed to get uniform location texture0 \n")
{}

CVexColouredScreenShader::CVexColouredScreenShader(const char* vs, const char* fs, CStateGame* game)
    : CVexShader(vs, fs, game)
{
    position = Attrib("position");
    uv0 = Attrib("uv0");
    colour0 = Attrib("colour0");
    texture0 = Uniform("texture0");
    BindSampler(texture0, 0, "COLOURED SCREEN SHADER : Failed to get uniform location texture0 \n");
}
