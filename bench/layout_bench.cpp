// Building a layout of about 3,000 elements of every built-in type (images shared from a few
// surfaces already in the manager, so no image is decoded) against parsing the same bytes
// with the XML parser alone: the difference is the cost of making the widgets. Both free the
// parsed file (the loader does at Unload); freeing the widget tree is not timed.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/loader/UIXMLLoader.h"

namespace {

// The application without a window: a drawing-free graphics of 800 x 480.
class BenchApp : public COrlogateApplication {
public:
    BenchApp()
    {
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
        for (int i = 0; i < 4; ++i) {
            CVortanSurface* surface = new CVortanSurface();
            CVortanSurfaceDesc desc = {64, 64, 0, VORTAN_PIXEL_ARGB8888, 0};
            surface->Create(this, &desc);
            AddSurface(CVortanString(("img" + std::to_string(i) + ".png").c_str()), surface);
        }
    }
    ~BenchApp() override { ReleaseAll(); }
};

int Nothing(CWidget*, void*, intptr_t, intptr_t)
{
    return 1;
}

std::string Element(int n)
{
    const std::string id = std::to_string(n);
    const std::string image = "img" + std::to_string(n % 4) + ".png";
    const std::string place = "<position x='0." + std::to_string(n % 97) + "' y='0." +
                              std::to_string(n % 89) + "'/><size w='0.1" + std::to_string(n % 7) +
                              "' h='0.0" + std::to_string(n % 9 + 1) + "'/>";
    switch (n % 12) {
    case 0:
        return "<element type='button' name='b" + id + "'>" + place + "<image path='" + image +
               "' frames_x='2' frames_y='2'/><clickdelay value='0.1'/><events>"
               "<onclick action='tap'/></events></element>";
    case 1:
        return "<element type='toggle_button' name='t" + id + "'>" + place + "<image path='" +
               image + "'/></element>";
    case 2:
        return "<element type='web_button' name='w" + id + "'>" + place +
               "<target url='http://h/?a=LANGUAGE&amp;amp;b=1'/></element>";
    case 3:
        return "<element type='bubble' name='u" + id + "'>" + place +
               "<arrow value='left-up'/>"
               "</element>";
    case 4:
        return "<element type='image' name='i" + id + "'>" + place + "<image path='" + image +
               "'/><skip_clipping value='1'/></element>";
    case 5:
        return "<element type='text' name='x" + id + "'>" + place +
               "<text color='FF8800' align='center-middle' local='3'/></element>";
    case 6:
        return "<element type='divider_layout' orientation='left' aspect='1.5'>" + place +
               "</element>";
    case 7:
        return "<element type='ratio_layout' orientation='vertical' ratio='0.3'>" + place +
               "</element>";
    case 8:
        return "<element type='aspect_layout' aspect='1.33'>" + place + "</element>";
    case 9:
        return "<element type='anchor_layout' vertical='center' horizontal='right'>" + place +
               "<border-size width='0.01' height='0.02'/></element>";
    case 10:
        return "<element type='expand_layout' name='e" + id + "'>" + place +
               "<width value='0.5'/><height value='0.1'/><height value='0.3'/></element>";
    default:
        return "<element name='g" + id + "' uniquename='g" + id + "'>" + place +
               "<align v='center'/><flags enabled='1'/></element>";
    }
}

// 250 groups of 12 elements, each group a plain container holding its twelve.
std::string MakeLayout()
{
    std::string doc = "<layout>";
    for (int g = 0; g < 250; ++g) {
        doc += "<element name='group" + std::to_string(g) + "'><size w='1' h='1'/>";
        for (int i = 0; i < 12; ++i)
            doc += Element(g * 12 + i);
        doc += "</element>";
    }
    return doc + "</layout>";
}

const std::string& Layout()
{
    static const std::string doc = MakeLayout();
    return doc;
}

void BM_ParseOnly(benchmark::State& state)
{
    std::vector<char> copy;
    for (auto _ : state) {
        state.PauseTiming();
        copy.assign(Layout().begin(), Layout().end());
        CVortanXMLDataNode* doc = new CVortanXMLDataNode();
        state.ResumeTiming();
        if (doc->LoadMemory(copy.data(), (int)copy.size()) != VORTAN_OK)
            state.SkipWithError("parse failed");
        delete doc; // the loader frees its parsed file too
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)Layout().size());
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

void BM_LoadLayout(benchmark::State& state)
{
    BenchApp app;
    CUIActionSequenceList sequences;
    CUIActionRegistry registry;
    sequences.Init();
    registry.Init(&sequences);
    registry.Register(CVortanString("tap"), CUIDelegate(Nothing, nullptr), 0);
    std::vector<char> copy;
    int widgets = 0;
    for (auto _ : state) {
        state.PauseTiming();
        copy.assign(Layout().begin(), Layout().end());
        CWidget* root = new CWidget();
        CVortanRect rect;
        rect.Set(0, 0, 800, 480);
        root->Startup(&app, nullptr, rect);
        state.ResumeTiming();
        CUIXMLLoader loader;
        loader.Load(&app, &registry, nullptr, root, nullptr, nullptr);
        if (loader.LoadMemory(copy.data(), (int)copy.size()) == VORTAN_OK)
            loader.ParseDocument(loader.GetRootElement());
        loader.Unload();
        state.PauseTiming();
        widgets = 0;
        for (int g = 0; g < root->GetChildCount(); ++g)
            widgets += 1 + root->GetChild(g)->GetChildCount();
        CWidget::Destroy(root);
        state.ResumeTiming();
    }
    state.counters["elements"] = widgets;
    registry.RemoveAll();
    sequences.DeleteAll();
}
BENCHMARK(BM_LoadLayout)->Unit(benchmark::kMillisecond);

} // namespace
