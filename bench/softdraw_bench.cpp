// Software drawing against the physical limit: a full-screen (800 x 480, 32-bit) clear,
// premultiplied alpha blit, nearest stretch and darken in pixels per second next to a plain
// memcpy of the same bytes; and laying out and drawing 2,000 glyphs of the built-in font.
#include <benchmark/benchmark.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"

namespace {

const int kW = 800, kH = 480;

struct Screen {
    CVortanSurface target, source, half;
    Screen()
    {
        CVortanSurfaceDesc d = {kW, kH, 0, 7, 0};
        target.Create(nullptr, &d);
        source.Create(nullptr, &d);
        CVortanSurfaceDesc h = {kW / 2, kH / 2, 0, 7, 0};
        half.Create(nullptr, &h);
        // Premultiplied noise: a quarter transparent, a quarter opaque, the rest in between.
        u32 seed = 1;
        u32* p = (u32*)source.GetPixels();
        for (int i = 0; i < kW * kH; ++i) {
            seed = seed * 1103515245u + 12345u;
            u32 kind = (seed >> 8) & 3, a = kind == 0 ? 0 : (kind == 1 ? 255 : (seed >> 16) & 255);
            u32 c = (seed >> 4) & 0xFF;
            c = a ? c % (a + 1) : 0;
            p[i] = (a << 24) | (c << 16) | (c << 8) | c;
        }
        half.Clear(0xFF336699, nullptr);
        target.Clear(0xFF102030, nullptr);
    }
    ~Screen()
    {
        target.Release();
        source.Release();
        half.Release();
    }
};

Screen& TheScreen()
{
    static Screen screen;
    return screen;
}

void Pixels(benchmark::State& state)
{
    state.SetItemsProcessed((int64_t)state.iterations() * kW * kH);
    state.SetBytesProcessed((int64_t)state.iterations() * kW * kH * 4);
}

void BM_Memcpy(benchmark::State& state)
{
    Screen& s = TheScreen();
    for (auto _ : state) {
        memcpy(s.target.GetPixels(), s.source.GetPixels(), (size_t)kW * kH * 4);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_Memcpy);

void BM_Clear(benchmark::State& state)
{
    Screen& s = TheScreen();
    for (auto _ : state) {
        s.target.Clear(0xFF203040, nullptr);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_Clear);

void BM_AlphaBlit32(benchmark::State& state)
{
    Screen& s = TheScreen();
    for (auto _ : state) {
        s.target.Blit(0, 0, &s.source, nullptr, 0x80);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_AlphaBlit32);

void BM_NearestStretch(benchmark::State& state)
{
    Screen& s = TheScreen();
    for (auto _ : state) {
        s.target.BlitStretch(nullptr, &s.half, nullptr, 0);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_NearestStretch);

void BM_Darken(benchmark::State& state)
{
    Screen& s = TheScreen();
    for (auto _ : state) {
        s.target.Darken(nullptr, 0.9f);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_Darken);

std::wstring Glyphs2000()
{
    std::wstring text;
    const wchar_t* words[] = {L"squib ", L"battle ", L"physics ", L"turn ",
                              L"water ", L"snow ",   L"bomb "};
    int i = 0;
    while (text.size() < 2000)
        text += words[i++ % 7];
    text.resize(2000);
    return text;
}

// 2,000 glyphs wrapped into the screen and drawn into a 32-bit surface with coverage blending.
void BM_Glyphs2000Software(benchmark::State& state)
{
    Screen& s = TheScreen();
    CVortanBitmapFont font;
    if (font.LoadDefault(&s.target) != 1) {
        state.SkipWithError("no default font");
        return;
    }
    CVortanString text(Glyphs2000().c_str());
    CVortanRect r = {0, 0, kW, kH};
    for (auto _ : state)
        font.DrawText(r, &s.target, text, 0xFFFFFFFF, 0x80000 | 0x80);
    state.SetItemsProcessed((int64_t)state.iterations() * 2000);
    font.Unload();
}
BENCHMARK(BM_Glyphs2000Software);

// The same text laid out into GL runs (vertices and indices; no GL draw).
void BM_Glyphs2000Layout(benchmark::State& state)
{
    CVortanGraphicsExt_Null ext;
    ext.Create(0);
    ext.Resize(kW, kH);
    CVortanBitmapFont font;
    if (font.LoadDefault(&ext) != 1) {
        state.SkipWithError("no default font");
        return;
    }
    CVortanString text(Glyphs2000().c_str());
    CVortanRect r = {0, 0, kW, kH};
    CVortanTextLayout layout;
    for (auto _ : state) {
        font.DrawText(r, &ext, text, 0xFFFFFFFF, 0x80000, &layout);
        benchmark::DoNotOptimize(layout.GetRunCount());
    }
    state.SetItemsProcessed((int64_t)state.iterations() * 2000);
    font.Unload();
    ext.Close();
}
BENCHMARK(BM_Glyphs2000Layout);

} // namespace
