// A counter of GL work per frame, loaded into a program with LD_PRELOAD (a measuring tool, not
// part of the program): counts draw calls, program switches and texture binds that change the
// binding between two eglSwapBuffers, and every GL_COUNT_FRAMES frames (default 60) rewrites the
// file named by GL_COUNT_FILE with the averages of those frames:
//   frames <n>
//   draws <per frame>
//   programs <program switches per frame>
//   textures <texture binds that changed the binding, per frame>
//   binds <glBindTexture calls per frame>
//   uses <glUseProgram calls per frame>
//   total <frames presented since the start>
//   at <CLOCK_MONOTONIC seconds of this report>
// With GL_COUNT_TIMES set, each draw call is also timed with the drawing finished (glFinish
// before and after it), and each report adds one line per draw call of the report's last frame:
//   draw <index> <program> <texture on unit 0> <vertices or indices> <microseconds>
// (finishing every draw changes the program's pace: for finding the costly draws only).
// The calls go on to the real library found after this one (dlsym RTLD_NEXT).
#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

namespace {

struct Counts {
    long draws, programs, textures, binds, uses;
};

Counts g_counts;
long g_frames;
long g_total;
GLuint g_program;
GLenum g_unit = GL_TEXTURE0;
GLuint g_bound[32];

template <typename T>
T Next(T& cached, const char* name)
{
    if (!cached)
        cached = (T)dlsym(RTLD_NEXT, name);
    return cached;
}

struct DrawTime {
    GLuint program, texture;
    int count;
    double us;
};
const int kMaxTimed = 512;
DrawTime g_times[kMaxTimed], g_lastFrame[kMaxTimed];
int g_timed, g_lastTimed;

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int Timing()
{
    static int on = -1;
    if (on < 0)
        on = getenv("GL_COUNT_TIMES") != nullptr;
    return on;
}

void Finish()
{
    static void (*real)();
    Next(real, "glFinish")();
}

// Runs one draw, timed with the drawing finished when timing is on.
template <typename F>
void Timed(int count, F draw)
{
    ++g_counts.draws;
    if (!Timing()) {
        draw();
        return;
    }
    Finish();
    const double start = Now();
    draw();
    Finish();
    if (g_timed < kMaxTimed)
        g_times[g_timed++] = {g_program, g_bound[0], count, (Now() - start) * 1e6};
}

int FramesPerReport()
{
    static int frames = 0;
    if (!frames) {
        const char* text = getenv("GL_COUNT_FRAMES");
        frames = text ? atoi(text) : 0;
        if (frames <= 0)
            frames = 60;
    }
    return frames;
}

void Report()
{
    const char* path = getenv("GL_COUNT_FILE");
    if (!path || !g_frames)
        return;
    char temp[4096];
    snprintf(temp, sizeof(temp), "%s.part", path);
    FILE* f = fopen(temp, "w");
    if (!f)
        return;
    const double n = (double)g_frames;
    fprintf(f, "frames %ld\ndraws %.2f\nprograms %.2f\ntextures %.2f\nbinds %.2f\nuses %.2f\n",
            g_frames, g_counts.draws / n, g_counts.programs / n, g_counts.textures / n,
            g_counts.binds / n, g_counts.uses / n);
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    for (int i = 0; i < g_lastTimed; ++i)
        fprintf(f, "draw %d %u %u %d %.1f\n", i, g_lastFrame[i].program, g_lastFrame[i].texture,
                g_lastFrame[i].count, g_lastFrame[i].us);
    fprintf(f, "total %ld\nat %.6f\n", g_total, (double)now.tv_sec + (double)now.tv_nsec * 1e-9);
    fclose(f);
    rename(temp, path);
}

} // namespace

extern "C" {

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    static void (*real)(GLenum, GLint, GLsizei);
    Timed(count, [&] { Next(real, "glDrawArrays")(mode, first, count); });
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    static void (*real)(GLenum, GLsizei, GLenum, const void*);
    Timed(count, [&] { Next(real, "glDrawElements")(mode, count, type, indices); });
}

void glUseProgram(GLuint program)
{
    static void (*real)(GLuint);
    ++g_counts.uses;
    if (program != g_program)
        ++g_counts.programs;
    g_program = program;
    Next(real, "glUseProgram")(program);
}

void glActiveTexture(GLenum unit)
{
    static void (*real)(GLenum);
    g_unit = unit;
    Next(real, "glActiveTexture")(unit);
}

void glBindTexture(GLenum target, GLuint texture)
{
    static void (*real)(GLenum, GLuint);
    ++g_counts.binds;
    const unsigned unit = (unsigned)(g_unit - GL_TEXTURE0);
    if (target == GL_TEXTURE_2D && unit < 32) {
        if (g_bound[unit] != texture)
            ++g_counts.textures;
        g_bound[unit] = texture;
    }
    Next(real, "glBindTexture")(target, texture);
}

EGLBoolean eglSwapBuffers(EGLDisplay display, EGLSurface surface)
{
    static EGLBoolean (*real)(EGLDisplay, EGLSurface);
    ++g_total;
    for (int i = 0; i < g_timed; ++i)
        g_lastFrame[i] = g_times[i];
    g_lastTimed = g_timed;
    g_timed = 0;
    if (++g_frames >= FramesPerReport()) {
        Report();
        g_frames = 0;
        g_counts = Counts();
    }
    return Next(real, "eglSwapBuffers")(display, surface);
}

} // extern "C"
