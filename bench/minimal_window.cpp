// The smallest EGL/GLES2 program of the program's kind: an 800 x 480 X window with a GLES2
// context that clears and presents a number of frames, then prints its resident sizes (VmRSS,
// VmHWM in kB) and the GL renderer and version strings; the yardstick of the program's memory.
#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? atoi(argv[1]) : 60;
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
