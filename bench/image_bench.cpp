// Loading a 1024 x 1024 RGBA PNG into a surface with its texture mirror and software mip
// chain (decode, premultiplied conversion, 11 levels, GL upload on llvmpipe), against
// gdk-pixbuf's bare decode of the same bytes.
#include <benchmark/benchmark.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "tests/support/GraphicsTestWindow.h"

namespace {

struct Image {
    Image()
    {
        // A smooth picture with some detail, alpha varying across it.
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 1024, 1024);
        if (!pixbuf)
            return;
        guchar* p = gdk_pixbuf_get_pixels(pixbuf);
        int stride = gdk_pixbuf_get_rowstride(pixbuf);
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1024; ++x) {
                guchar* q = p + y * stride + x * 4;
                q[0] = (guchar)(x / 4);
                q[1] = (guchar)(y / 4);
                q[2] = (guchar)((x ^ y) & 0xFF);
                q[3] = (guchar)(128 + ((x * y) >> 13) % 128);
            }
        gchar* buffer = nullptr;
        gsize size = 0;
        if (gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, (char*)nullptr)) {
            bytes.assign(buffer, size);
            g_free(buffer);
        }
        g_object_unref(pixbuf);
        if (window.Id() && ext.Create(window.Id()) == 1)
            ext.Resize(800, 480);
    }
    ~Image() { ext.Close(); }
    gtest_graphics::Xvfb xvfb;
    gtest_graphics::TestWindow window;
    CVortanGraphicsExt_GLES2 ext;
    std::string bytes;
};

Image& TheImage()
{
    static Image image;
    return image;
}

void BM_BareDecode(benchmark::State& state)
{
    Image& image = TheImage();
    for (auto _ : state) {
        GInputStream* stream = g_memory_input_stream_new_from_data(
            image.bytes.data(), (gssize)image.bytes.size(), nullptr);
        GdkPixbuf* pixbuf = gdk_pixbuf_new_from_stream(stream, nullptr, nullptr);
        benchmark::DoNotOptimize(pixbuf);
        if (pixbuf)
            g_object_unref(pixbuf);
        g_object_unref(stream);
    }
}

void BM_LoadWithMipChain(benchmark::State& state)
{
    Image& image = TheImage();
    if (!image.ext.GetEGLContext()) {
        state.SkipWithError("no GLES2 context");
        return;
    }
    for (auto _ : state) {
        CVortanSurface surface;
        CVortanSurfaceDesc d = {0, 0, 0, 7, 0};
        int ok = surface.LoadFromMemory(nullptr, image.bytes.data(), (int)image.bytes.size(), &d);
        if (ok == 1)
            ok = surface.CreateTexture(0x1908 /* GL_RGBA */, 0x1401 /* GL_UNSIGNED_BYTE */, 1);
        glFinish();
        if (ok != 1)
            state.SkipWithError("load failed");
        surface.Release();
    }
}

} // namespace

BENCHMARK(BM_BareDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadWithMipChain)->Unit(benchmark::kMillisecond)->MinTime(2.0);
