// CVortan3DProgram on a real GLES2 context: build, failure without leftovers, location
// caches, rebuild after a context loss, logs, and the build left for the first use.
#include <gtest/gtest.h>

#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "tests/support/GraphicsTestWindow.h"

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(64, 64);

const char* kVertex =
    "attribute mediump vec3 position;\tattribute mediump vec2 uv;\tvarying mediump vec2 v_uv;\t"
    "void main() {\tv_uv = uv;\tgl_Position = vec4(position, 1.0);\t}";
const char* kFragment = "precision mediump float;\tuniform mediump vec4 color;\tuniform mediump "
                        "vec4 Color;\tvarying mediump vec2 v_uv;\t"
                        "void main() {\tgl_FragColor = color * Color + vec4(v_uv, 0.0, 0.0);\t}";
const char* kBrokenFragment =
    "precision mediump float;\tvoid main() {\tgl_FragColor = vec4(1.0 +;\t}";
const char* kBrokenVertex = "void main() {\tgl_Position = undefined_thing;\t}";
// Compiles, but does not link: the fragment stage reads a varying that the vertex stage
// does not write with the same type.
const char* kMismatchFragment = "precision mediump float;\tvarying mediump vec3 v_uv;\tvoid main() "
                                "{\tgl_FragColor = vec4(v_uv, 1.0);\t}";

// GL names that are shaders or programs among the first few hundred.
int LiveObjects()
{
    int count = 0;
    for (GLuint name = 1; name < 400; ++name)
        count += (glIsShader(name) ? 1 : 0) + (glIsProgram(name) ? 1 : 0);
    return count;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, ext.Create(g_env->window->Id()));
        ext.Resize(64, 64);
    }
    void TearDown() override { ext.Close(); }
    CVortanGraphicsExt_GLES2 ext;
};

} // namespace

TEST_F(Program, CreateBuildsALinkedProgramAndKeepsTheSources)
{
    CVortan3DProgram p;
    int owner = 0;
    ASSERT_EQ(VORTAN_OK, p.Create(&owner, CVortanString(kVertex), CVortanString(kFragment)));
    EXPECT_TRUE(glIsProgram(p.GetProgramId()));
    GLint attached = 0;
    glGetProgramiv(p.GetProgramId(), GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(2, attached);
    p.Release();
    EXPECT_EQ(0u, p.GetProgramId());
}

TEST_F(Program, BrokenShadersAreRefusedAndLeaveNoGLObjectBehind)
{
    int before = LiveObjects();
    CVortan3DProgram p;
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              p.Create(nullptr, CVortanString(kVertex), CVortanString(kBrokenFragment)));
    EXPECT_EQ(0u, p.GetVertexShader());
    EXPECT_EQ(before, LiveObjects());
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              p.Create(nullptr, CVortanString(kBrokenVertex), CVortanString(kFragment)));
    EXPECT_EQ(before, LiveObjects());
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              p.Create(nullptr, CVortanString(kVertex), CVortanString(kMismatchFragment)));
    EXPECT_EQ(0u, p.GetProgramId());
    EXPECT_EQ(before, LiveObjects());
    EXPECT_TRUE(p.GetFragmentSource() == CVortanString(kMismatchFragment)); // kept for Rebuild
    EXPECT_EQ(-1, p.GetUniformLocation("color"));
    CVortanString log;
    EXPECT_EQ(0, p.GetLog(log));
    EXPECT_TRUE(log == CVortanString("VERTEX SHADER:\n\nFRAGMENT SHADER:\n\nPROGRAM:\n"));
}

TEST_F(Program, CompileAndLinkWorksWithoutAnObject)
{
    u32 vs = 0, fs = 0, prog = 0;
    ASSERT_EQ(VORTAN_OK, CVortan3DProgram::CompileAndLink(
                             CVortanString(kVertex), CVortanString(kFragment), &vs, &fs, &prog));
    EXPECT_TRUE(glIsProgram(prog));
    glDeleteProgram(prog);
    glDeleteShader(vs);
    glDeleteShader(fs);
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              CVortan3DProgram::CompileAndLink(CVortanString(kVertex),
                                               CVortanString(kBrokenFragment), &vs, &fs, &prog));
    EXPECT_EQ(0u, vs);
    EXPECT_EQ(0u, fs);
    EXPECT_EQ(0u, prog);
}

TEST_F(Program, LocationsAreCachedButUnknownNamesAreAskedAgain)
{
    CVortan3DProgram p;
    ASSERT_EQ(VORTAN_OK, p.Create(nullptr, CVortanString(kVertex), CVortanString(kFragment)));
    EXPECT_EQ(-1, p.GetAttribLocation("missing"));
    EXPECT_EQ(-1, p.GetAttribLocation("missing"));
    EXPECT_EQ(2, p.GetLocationQueries());
    EXPECT_EQ(0, p.GetCachedAttribCount());
    int position = p.GetAttribLocation("position");
    EXPECT_GE(position, 0);
    EXPECT_EQ(position, p.GetAttribLocation(CVortanString("position")));
    EXPECT_EQ(3, p.GetLocationQueries());
    EXPECT_EQ(glGetAttribLocation(p.GetProgramId(), "uv"), p.GetAttribLocation("uv"));
    EXPECT_EQ(2, p.GetCachedAttribCount());
    // Names that differ only in case are two entries.
    int lower = p.GetUniformLocation("color");
    int upper = p.GetUniformLocation("Color");
    EXPECT_GE(lower, 0);
    EXPECT_GE(upper, 0);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(2, p.GetCachedUniformCount());
    EXPECT_EQ(lower, p.GetUniformLocation("color"));
    EXPECT_EQ(6, p.GetLocationQueries());
    p.Release();
    EXPECT_EQ(0, p.GetCachedUniformCount());
}

TEST_F(Program, RebuildAfterUnloadGivesAWorkingProgram)
{
    CVortan3DProgram p;
    ASSERT_EQ(VORTAN_OK, p.Create(nullptr, CVortanString(kVertex), CVortanString(kFragment)));
    p.GetUniformLocation("color");
    // The context goes away and comes back.
    p.Unload();
    EXPECT_EQ(0u, p.GetProgramId());
    EXPECT_EQ(0, p.GetCachedUniformCount());
    ASSERT_EQ(VORTAN_OK, ext.Restore());
    ext.Resize(64, 64);
    ASSERT_EQ(VORTAN_OK, p.Rebuild());
    EXPECT_TRUE(glIsProgram(p.GetProgramId()));
    EXPECT_EQ(0, p.GetCachedUniformCount());
    int color = p.GetUniformLocation("color");
    EXPECT_GE(color, 0);
    EXPECT_EQ(1, p.GetCachedUniformCount());
    // The rebuilt program draws: colour x Colour over the whole target.
    float quad[] = {-1, 1, 0, 0, 0, -1, -1, 0, 0, 0, 1, -1, 0, 0, 0, 1, 1, 0, 0, 0};
    glUseProgram(p.GetProgramId());
    glUniform4f(color, 1.0f, 0.5f, 0.25f, 1.0f);
    glUniform4f(p.GetUniformLocation("Color"), 1.0f, 1.0f, 1.0f, 1.0f);
    int position = p.GetAttribLocation("position");
    glEnableVertexAttribArray((GLuint)position);
    glVertexAttribPointer((GLuint)position, 3, GL_FLOAT, GL_FALSE, 20, quad);
    int uv = p.GetAttribLocation("uv");
    glEnableVertexAttribArray((GLuint)uv);
    glVertexAttribPointer((GLuint)uv, 2, GL_FLOAT, GL_FALSE, 20, quad + 3);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    EXPECT_TRUE(gtest_graphics::Near(0xFFFF8040u, gtest_graphics::ReadPixel(32, 32, 64)));
    p.Release();
}

TEST_F(Program, SourcesGoToGLAsTheLowByteOfEachUnit)
{
    // A wide-character comment: only its low bytes reach the compiler (U+4120 -> ' ').
    unsigned short text[200];
    const char* body = "void main() {\tgl_Position = vec4(0.0);\t}";
    int n = 0;
    text[n++] = '/';
    text[n++] = '/';
    text[n++] = 0x4120;
    text[n++] = '\n';
    for (const char* c = body; *c; ++c)
        text[n++] = (unsigned short)*c;
    text[n] = 0;
    CVortan3DProgram p;
    EXPECT_EQ(
        1, p.Create(nullptr, CVortanString(text),
                    CVortanString(
                        "precision mediump float;\tvoid main() {\tgl_FragColor = vec4(1.0);\t}")));
    p.Release();
}

TEST_F(Program, AProgramLeftForItsFirstUseIsBuiltThenOnceAndOnlyThen)
{
    const int before = LiveObjects();
    CVortan3DProgram p;
    int owner = 0;
    ASSERT_EQ(VORTAN_OK,
              p.CreateOnFirstUse(&owner, CVortanString(kVertex), CVortanString(kFragment)));
    EXPECT_EQ(before, LiveObjects()); // nothing built yet
    EXPECT_EQ(1, p.IsWaitingForUse());
    EXPECT_EQ(0u, p.GetNameIfBuilt());
    // A lost context before the first use: still nothing to build.
    p.Unload();
    ASSERT_EQ(VORTAN_OK,
              p.CreateOnFirstUse(&owner, CVortanString(kVertex), CVortanString(kFragment)));
    EXPECT_EQ(VORTAN_OK, p.Rebuild());
    EXPECT_EQ(before, LiveObjects());
    // The first location asked for builds it.
    EXPECT_GE(p.GetAttribLocation("uv"), 0);
    EXPECT_EQ(before + 3, LiveObjects()); // two shaders and the program
    EXPECT_TRUE(glIsProgram(p.GetNameIfBuilt()));
    EXPECT_EQ(p.GetNameIfBuilt(), p.GetProgramId());
    EXPECT_EQ(0, p.IsWaitingForUse());
    p.Release();
    EXPECT_EQ(before, LiveObjects());

    // A source that does not build fails once, on first use, and leaves nothing behind.
    CVortan3DProgram broken;
    ASSERT_EQ(VORTAN_OK, broken.CreateOnFirstUse(nullptr, CVortanString(kVertex),
                                                 CVortanString(kBrokenFragment)));
    EXPECT_EQ(0u, broken.GetProgramId());
    EXPECT_EQ(-1, broken.GetUniformLocation("color"));
    EXPECT_EQ(0, broken.IsWaitingForUse());
    EXPECT_EQ(before, LiveObjects());
}

TEST_F(Program, TheExtensionBuildsEachProgramWhenFirstDrawnWith)
{
    // The extension's seven programs wait; a texture blit builds the texture program alone.
    for (int role = 0; role < CVortanGraphicsExt_GLES2::PROGRAM_COUNT; ++role)
        EXPECT_EQ(1, ext.GetProgram(role)->IsWaitingForUse()) << role;
    CVortanSurfaceDesc desc = CVortanSurfaceDesc::From(nullptr);
    desc.width = 4;
    desc.height = 4;
    desc.pixelFormat = VORTAN_PIXEL_ARGB8888;
    CVortanSurface s;
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &desc));
    s.Clear(0xFF00FF00u, nullptr);
    ASSERT_EQ(VORTAN_OK, s.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(VORTAN_OK, ext.Blit(0, 0, &s, nullptr, 0));
    for (int role = 0; role < CVortanGraphicsExt_GLES2::PROGRAM_COUNT; ++role)
        EXPECT_EQ(role == CVortanGraphicsExt_GLES2::PROGRAM_TEXTURE ? 0 : 1,
                  ext.GetProgram(role)->IsWaitingForUse())
            << role;
    GLubyte pixel[4] = {0, 0, 0, 0};
    glReadPixels(1, 62, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(0, pixel[0]);
    EXPECT_EQ(255, pixel[1]);
    s.Release();
}
