// CVortanString: formatting against snprintf, UTF-16 -> UTF-8 against codecvt and iconv.
#include <benchmark/benchmark.h>

#include <iconv.h>
#include <stdio.h>

#include <codecvt>
#include <locale>
#include <string>
#include <vector>

#include "engine/VortanString.h"

namespace {

typedef unsigned short unit;

void BM_Format_Vortan(benchmark::State& state)
{
    const unit name[] = {'p', 'l', 'a', 'y', 'e', 'r', '_', 'o', 'n', 'e', 0};
    CVortanString s;
    for (auto _ : state) {
        s.Format(L"%s %d %04x %.2f", name, 12345, 0xbeefu, 3.14159);
        benchmark::DoNotOptimize(s.GetBuffer());
    }
}
BENCHMARK(BM_Format_Vortan);

void BM_Format_Snprintf(benchmark::State& state)
{
    const char* name = "player_one";
    std::string s;
    for (auto _ : state) {
        char buffer[128];
        const int n =
            snprintf(buffer, sizeof(buffer), "%s %d %04x %.2f", name, 12345, 0xbeefu, 3.14159);
        s.assign(buffer, (size_t)n);
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_Format_Snprintf);

// A text of 4096 units: ASCII, Latin-1 and CJK mixed (no surrogates, which codecvt refuses).
std::u16string SampleText()
{
    std::u16string t;
    const char16_t piece[] = u"Player \u00E9t\u00E9 scored 1234 \u6D4B\u8BD5 points! ";
    while (t.size() < 4096)
        t += piece;
    t.resize(4096);
    return t;
}

void BM_ToUTF8_Vortan(benchmark::State& state)
{
    const std::u16string t = SampleText();
    CVortanString s((const unit*)t.c_str());
    std::vector<char> out;
    for (auto _ : state) {
        const int n = s.ToUTF8(nullptr);
        out.resize((size_t)n);
        s.ToUTF8(out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)t.size() * 2);
}
BENCHMARK(BM_ToUTF8_Vortan);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
void BM_ToUTF8_Codecvt(benchmark::State& state)
{
    const std::u16string t = SampleText();
    std::wstring_convert<std::codecvt_utf8_utf16<char16_t>, char16_t> convert;
    for (auto _ : state) {
        std::string out = convert.to_bytes(t);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)t.size() * 2);
}
BENCHMARK(BM_ToUTF8_Codecvt);
#pragma GCC diagnostic pop

void BM_ToUTF8_Iconv(benchmark::State& state)
{
    const std::u16string t = SampleText();
    iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    if (cd == (iconv_t)-1) {
        state.SkipWithError("iconv_open failed");
        return;
    }
    std::vector<char> out(t.size() * 3 + 1);
    for (auto _ : state) {
        char* in = (char*)t.data();
        size_t inLeft = t.size() * 2;
        char* o = out.data();
        size_t outLeft = out.size();
        iconv(cd, &in, &inLeft, &o, &outLeft);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)t.size() * 2);
}
BENCHMARK(BM_ToUTF8_Iconv);

} // namespace
