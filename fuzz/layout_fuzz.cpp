// The layout loader: the input is a layout file, a NUL, then a second file; both go into a
// data pack as "main.xml" and "sub.xml" (so imports of either, and of themselves, are read
// from the pack). The layout is built over a root, built again over the first tree (the
// uniquely named widgets are kept), updated for a few frames and freed.
#include <string>

#include "engine/VortanString.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "fuzz/FuzzSupport.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/PackWriter.h"
#include "ui/Widget.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/loader/UIXMLLoader.h"

namespace {

// The application without a window, its resource manager over the scratch pack.
class FuzzApp : public COrlogateApplication {
public:
    FuzzApp()
    {
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
    }
    ~FuzzApp() override { ReleaseAll(); }
};

int Nothing(CWidget*, void*, intptr_t, intptr_t)
{
    return 1;
}

CWidget* Build(FuzzApp& app, CUIActionRegistry& registry, CWidget* previous)
{
    CWidget* root = new CWidget();
    CVortanRect rect;
    rect.Set(0, 0, 800, 480);
    root->Startup(&app, nullptr, rect);
    CUIXMLLoader loader;
    loader.Load(&app, &registry, nullptr, root, nullptr, previous);
    loader.LoadFile(CVortanString("main.xml"));
    loader.Unload();
    return root;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = vfuzz::ScratchFile("layout.dmp");
    const std::pair<std::string, std::string> parts = vfuzz::SplitAtNul(data, size);
    vfuzz::WriteFile(path,
                     vtest::MakePack({{"/main.xml", parts.first}, {"/sub.xml", parts.second}}));

    FuzzApp app;
    VFUZZ_CHECK(app.OpenPack(CVortanString(path.c_str()), 1) == 1);
    CUIActionSequenceList sequences;
    CUIActionRegistry registry;
    sequences.Init();
    registry.Init(&sequences);
    registry.Register(CVortanString("a"), CUIDelegate(Nothing, nullptr), 1);
    CWidget* first = Build(app, registry, nullptr);
    CWidget* second = Build(app, registry, first);
    VFUZZ_CHECK(second->GetWidth() == 800);
    for (int frame = 0; frame < 3; ++frame) {
        second->Update(0.1f);
        sequences.AdvanceAll(0.1f);
    }
    CWidget::Destroy(second);
    registry.RemoveAll();
    sequences.DeleteAll();
    return 0;
}
