// The smallest EGL/GLES2 program of the program's kind: an 800 x 480 X window with a GLES2
// context that clears and presents a number of frames, then prints its resident sizes (VmRSS,
// VmHWM in kB) and the GL renderer and version strings; the yardstick of the program's memory.
//
//   minimal_window [FRAMES]            clears and presents FRAMES frames (60) as fast as it can
//   minimal_window --quad FPS SECONDS  draws one full-screen textured quad per frame, FPS frames a
//                                      second for SECONDS, and also prints its CPU share: process
//                                      CPU time of all threads (the driver draws on its own) over
//                                      wall time, in per cent of one core, and the frames drawn;
//                                      the least a full redraw at that rate costs, the yardstick
//                                      of the program's frame cost.
#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

long StatusKb(const char* field)
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    const size_t length = strlen(field);
    char line[256];
    long kb = 0;
    while (fgets(line, sizeof(line), f))
        if (!strncmp(line, field, length))
            kb = atol(line + length);
    fclose(f);
    return kb;
}

const char* GlText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? (const char*)text : "?";
}

double Seconds(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

const char kQuadVS[] = "attribute vec2 position;\n"
                       "varying mediump vec2 uv;\n"
                       "void main() {\n"
                       "  uv = vec2(position.x * 0.5 + 0.5, 0.5 - position.y * 0.5);\n"
                       "  gl_Position = vec4(position, 0.0, 1.0);\n"
                       "}\n";
const char kQuadFS[] = "varying mediump vec2 uv;\n"
                       "uniform sampler2D picture;\n"
                       "void main() { gl_FragColor = texture2D(picture, uv); }\n";

GLuint Shader(GLenum kind, const char* source)
{
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok ? shader : 0;
}

// Draws one textured quad over the whole 800 x 480 window per frame at the given rate (absolute
// deadlines, as a paced program would); prints the CPU share and the frames. 1 on success.
int DrawQuads(EGLDisplay egl, EGLSurface surface, int fps, double seconds)
{
    const GLuint vs = Shader(GL_VERTEX_SHADER, kQuadVS), fs = Shader(GL_FRAGMENT_SHADER, kQuadFS);
    if (!vs || !fs)
        return 0;
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, 0, "position");
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked)
        return 0;
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    // A picture of the window's size with something in every pixel.
    const int w = 800, h = 480;
    unsigned char* pixels = (unsigned char*)malloc((size_t)w * h * 4);
    if (!pixels)
        return 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = pixels + 4 * ((size_t)y * w + x);
            p[0] = (unsigned char)x;
            p[1] = (unsigned char)y;
            p[2] = (unsigned char)(x ^ y);
            p[3] = 255;
        }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    free(pixels);
    static const GLfloat quad[] = {-1.0f, 1.0f, -1.0f, -1.0f, 1.0f, -1.0f, 1.0f, 1.0f};
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, quad);

    const double period = 1.0 / (double)fps;
    const double wallStart = Seconds(CLOCK_MONOTONIC);
    const double cpuStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    double next = wallStart;
    long frames = 0;
    while (Seconds(CLOCK_MONOTONIC) - wallStart < seconds) {
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        eglSwapBuffers(egl, surface);
        ++frames;
        next += period;
        const double now = Seconds(CLOCK_MONOTONIC);
        if (next > now) {
            const double wait = next - now;
            timespec t = {(time_t)wait, (long)((wait - (double)(time_t)wait) * 1e9)};
            nanosleep(&t, nullptr);
        } else {
            next = now; // a late frame does not make the next ones hurry
        }
    }
    glFinish();
    const double wall = Seconds(CLOCK_MONOTONIC) - wallStart;
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
    printf("quad_frames %ld\n", frames);
    printf("quad_fps %.1f\n", wall > 0.0 ? (double)frames / wall : 0.0);
    printf("quad_cpu_percent %.1f\n", wall > 0.0 ? 100.0 * cpu / wall : 0.0);
    glDeleteTextures(1, &texture);
    glDeleteProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const int quad = argc > 3 && !strcmp(argv[1], "--quad");
    const int frames = !quad && argc > 1 ? atoi(argv[1]) : 60;
    const int quadFps = quad ? atoi(argv[2]) : 0;
    const double quadSeconds = quad ? atof(argv[3]) : 0.0;
    if (quad && (quadFps <= 0 || quadFps > 1000 || !(quadSeconds > 0.0 && quadSeconds < 3600.0))) {
        fprintf(stderr, "usage: minimal_window [FRAMES] | --quad FPS SECONDS\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "minimal_window: no X display\n");
        return 1;
    }
    Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 480, 0, 0, 0);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do {
        XNextEvent(display, &event);
    } while (event.type != MapNotify);

    EGLDisplay egl = eglGetDisplay((EGLNativeDisplayType)display);
    EGLint major = 0, minor = 0;
    if (egl == EGL_NO_DISPLAY || !eglInitialize(egl, &major, &minor)) {
        fprintf(stderr, "minimal_window: no EGL display\n");
        return 1;
    }
    const EGLint configAttributes[] = {EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_ES2_BIT,
                                       EGL_SURFACE_TYPE,
                                       EGL_WINDOW_BIT,
                                       EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(egl, configAttributes, &config, 1, &count) || count < 1) {
        fprintf(stderr, "minimal_window: no EGL configuration\n");
        return 1;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLSurface surface = eglCreateWindowSurface(egl, config, (EGLNativeWindowType)window, nullptr);
    EGLContext context = eglCreateContext(egl, config, EGL_NO_CONTEXT, contextAttributes);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(egl, surface, surface, context)) {
        fprintf(stderr, "minimal_window: no GLES2 context\n");
        return 1;
    }
    glViewport(0, 0, 800, 480);
    for (int i = 0; i < frames; ++i) {
        glClearColor(0.0f, (float)(i % 2), 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        eglSwapBuffers(egl, surface);
    }
    if (quad && !DrawQuads(egl, surface, quadFps, quadSeconds)) {
        fprintf(stderr, "minimal_window: the quad could not be drawn\n");
        return 1;
    }
    glFinish();
    printf("rss_kb %ld\n", StatusKb("VmRSS:"));
    printf("hwm_kb %ld\n", StatusKb("VmHWM:"));
    printf("gl_renderer %s\n", GlText(GL_RENDERER));
    printf("gl_version %s\n", GlText(GL_VERSION));
    eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl, context);
    eglDestroySurface(egl, surface);
    eglTerminate(egl);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
