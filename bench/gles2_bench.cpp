// A full-screen (800 x 480) frame through the GLES2 extension on llvmpipe under Xvfb: a
// background stretch, 500 premultiplied sprite blits, a tinted full-screen stretch and a
// darken, then the swap. Compared with the same frame drawn by a minimal hand-written GLES2
// loop (one program, one glDrawArrays per sprite) on the same context.
#include <GLES2/gl2.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "tests/support/GraphicsTestWindow.h"

namespace {

const int kSprites = 500;

struct Scene {
    Scene()
    {
        if (!window.Id() || ext.Create(window.Id()) != 1)
            return;
        ext.Resize(800, 480);
        CVortanSurfaceDesc d = {256, 256, 0, 7, VORTAN_SURFACE_TEXTURE};
        background.Create(nullptr, &d);
        background.Clear(0xFF203040, nullptr);
        d.width = d.height = 64;
        sprite.Create(nullptr, &d);
        sprite.Clear(0x80402010, nullptr);
        srand(7);
        for (int i = 0; i < kSprites; ++i) {
            x[i] = rand() % (800 - 64);
            y[i] = rand() % (480 - 64);
        }
        ok = true;
    }
    ~Scene()
    {
        background.Release();
        sprite.Release();
        ext.Close();
    }
    gtest_graphics::Xvfb xvfb;
    gtest_graphics::TestWindow window;
    CVortanGraphicsExt_GLES2 ext;
    CVortanSurface background, sprite;
    int x[kSprites], y[kSprites];
    bool ok = false;
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

void BM_ExtensionFrame(benchmark::State& state)
{
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    for (auto _ : state) {
        s.ext.BlitStretch(nullptr, &s.background, nullptr, 0);
        for (int i = 0; i < kSprites; ++i)
            s.ext.Blit(s.x[i], s.y[i], &s.sprite, nullptr, VORTAN_BLIT_ALPHA);
        s.ext.BlitStretchTinted(nullptr, &s.background, nullptr, 0x40FFFFFF, 0);
        s.ext.Darken(nullptr, 0.75f);
        s.ext.Present();
    }
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

// The hand-written loop: its own texture and colour programs, client-side vertices.
struct Minimal {
    GLuint Build(const char* vs, const char* fs)
    {
        GLuint v = glCreateShader(GL_VERTEX_SHADER), f = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(v, 1, &vs, nullptr);
        glCompileShader(v);
        glShaderSource(f, 1, &fs, nullptr);
        glCompileShader(f);
        GLuint p = glCreateProgram();
        glAttachShader(p, v);
        glAttachShader(p, f);
        glLinkProgram(p);
        return p;
    }
    Minimal()
    {
        texture = Build("attribute vec3 position; attribute vec2 uv; varying mediump vec2 t;"
                        "void main() { t = uv; gl_Position = vec4(position, 1.0); }",
                        "precision mediump float; uniform sampler2D tex; varying vec2 t;"
                        "void main() { gl_FragColor = texture2D(tex, t); }");
        tinted =
            Build("attribute vec2 position; attribute vec2 uv; attribute vec4 color; varying "
                  "mediump vec2 t;"
                  "varying mediump vec4 c; void main() { t = uv; c = color; gl_Position = "
                  "vec4(position, 0.0, 1.0); }",
                  "precision mediump float; uniform sampler2D tex; varying vec2 t; varying vec4 c;"
                  "void main() { gl_FragColor = texture2D(tex, t) * c; }");
        color = Build("attribute vec3 position; attribute vec4 color; varying mediump vec4 c;"
                      "void main() { c = color; gl_Position = vec4(position, 1.0); }",
                      "precision mediump float; varying vec4 c; void main() { gl_FragColor = c; }");
    }
    ~Minimal()
    {
        glDeleteProgram(texture);
        glDeleteProgram(tinted);
        glDeleteProgram(color);
    }
    // One textured quad (position and uv at locations 0 and 1), one draw call.
    void Quad(float x0, float y0, float x1, float y1)
    {
        float v[20] = {x0, y0, 0, 0, 0, x0, y1, 0, 0, 1, x1, y1, 0, 1, 1, x1, y0, 0, 1, 0};
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 20, v);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 20, v + 3);
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    }
    GLuint texture, tinted, color;
};

void BM_MinimalLoopFrame(benchmark::State& state)
{
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    Minimal m;
    for (GLuint p : {m.texture, m.tinted, m.color}) {
        glBindAttribLocation(p, 0, "position");
        glBindAttribLocation(p, 1, "uv");
        glBindAttribLocation(p, 2, "color");
        glLinkProgram(p);
    }
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glActiveTexture(GL_TEXTURE0);
    for (auto _ : state) {
        glUseProgram(m.texture);
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glDisableVertexAttribArray(2);
        glBindTexture(GL_TEXTURE_2D, s.background.GetTexture());
        glDisable(GL_BLEND);
        m.Quad(-1, 1, 1, -1);
        glBindTexture(GL_TEXTURE_2D, s.sprite.GetTexture());
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        const float w = 2.0f * 64 / 800, h = 2.0f * 64 / 480;
        for (int i = 0; i < kSprites; ++i) {
            float x0 = 2.0f * s.x[i] / 800 - 1, y0 = 1 - 2.0f * s.y[i] / 480;
            m.Quad(x0, y0, x0 + w, y0 - h);
        }
        // Tinted full screen.
        glUseProgram(m.tinted);
        glEnableVertexAttribArray(2);
        glBindTexture(GL_TEXTURE_2D, s.background.GetTexture());
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        float t[32] = {-1, 1,  0, 0, 1, 1, 1, 0.25f, -1, -1, 0, 1, 1, 1, 1, 0.25f,
                       1,  -1, 1, 1, 1, 1, 1, 0.25f, 1,  1,  1, 0, 1, 1, 1, 0.25f};
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 32, t);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 32, t + 2);
        glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, 32, t + 4);
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        // Darken.
        glUseProgram(m.color);
        glDisableVertexAttribArray(1);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
        float c[28] = {-1, 1,  0, 1, 1, 1, 0.75f, -1, -1, 0, 1, 1, 1, 0.75f,
                       1,  -1, 0, 1, 1, 1, 0.75f, 1,  1,  0, 1, 1, 1, 0.75f};
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 28, c);
        glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, 28, c + 3);
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        s.ext.Present();
    }
    glUseProgram(0);
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

} // namespace

// Frames per second in wall time: llvmpipe renders on its own threads.
BENCHMARK(BM_ExtensionFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_MinimalLoopFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
