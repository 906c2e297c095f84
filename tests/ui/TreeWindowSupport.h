// Pieces of the toolkit's window tests: the real application under Xvfb (GLES2 on Mesa) with
// its packs beside the build, a test screen that hosts a widget tree, the stand-in clock, and
// frames read back and compared with ImageMagick pictures block by block.
#pragma once
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/VortanTimer.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/shell/ApplicationTestSupport.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/WindowAppSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/widgets/ImageWidget.h"

namespace uiwin {

using uitest::R;
using winapp::H;
using winapp::Near;
using winapp::Pixel;
using winapp::ReadScreen;
using winapp::Rgb;
using winapp::W;

typedef winapp::BesideBuildApp TestApp;

// A screen that hosts a tree (its root made by Init): drawn over black with the application's
// graphics, updated with the frame time and handed the pointer.
class RootScreen : public IOrloState {
public:
    int Load() override { return VORTAN_OK; }
    void Unload() override {}
    int Update(float seconds) override
    {
        root->Update(seconds);
        return 1;
    }
    void Render() override
    {
        m_application->GetGraphics()->Clear(0xFF000000, nullptr);
        root->RenderAt(m_application->GetGraphics());
    }
    int OnPointerDown(int b, int x, int y) override
    {
        root->DispatchPointerDown(b, x, y);
        return 1;
    }
    int OnPointerMove(int b, int x, int y) override
    {
        root->DispatchPointerMove(b, x, y);
        return 1;
    }
    int OnPointerUp(int b, int x, int y) override
    {
        root->DispatchPointerUp(b, x, y);
        return 1;
    }

    CWidget* root = nullptr;
};

// The screen whose tree the test's function builds.
class TreeScreen : public RootScreen {
public:
    typedef std::function<void(COrloApplication*, CWidget*)> Builder;
    explicit TreeScreen(Builder builder) : m_builder(std::move(builder)) {}

    int Init(COrloApplication* application) override
    {
        m_application = application;
        root = new CWidget();
        root->Startup(application, application, R(0, 0, W, H));
        m_builder(application, root);
        root->Update(0.0f);
        return VORTAN_OK;
    }
    void Release() override
    {
        root->Shutdown();
        delete root;
        root = nullptr;
    }

private:
    Builder m_builder;
};

// A started image widget showing the pack's image at the rect.
inline CImageWidget* Image(COrloApplication* app, const char* name, const CVortanRect& rect)
{
    CImageWidget* widget = new CImageWidget();
    widget->Startup(app, app, rect);
    CVortanSurface* surface = app->GetSurface(CVortanString(name));
    widget->SetImage(surface);
    app->ReleaseSurface(surface);
    return widget;
}

// The application on a fresh Xvfb with a pack of the given files, hosting the tree that the
// builder makes.
class WindowTest : public winapp::WindowFixture<TestApp> {
protected:
    typedef std::vector<std::pair<std::string, std::string>> Files;

    void Start(const Files& files, TreeScreen::Builder builder)
    {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        const std::string pack = home->File("widgets.dmp");
        rtest::Entries entries;
        for (const auto& f : files)
            entries.push_back({"/" + f.first, f.second});
        rtest::WritePack(pack, entries);
        app = new TestApp();
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, W, H, new ptest::GameStateStub()));
        while (app->GetStateCount() > 0)
            app->RemoveState(app->GetStateAt(0));
        ASSERT_EQ(1, app->OpenPack(rtest::S(pack), 1));
        screen = new TreeScreen(std::move(builder));
        ASSERT_EQ(VORTAN_OK, app->PushState(screen));
        Step(0.0f);
    }
    // The picture ImageMagick makes from the arguments (ending in the image), as RGB.
    Rgb Picture(std::vector<std::string> argv)
    {
        argv.insert(argv.begin(), "convert");
        argv.push_back("-depth");
        argv.push_back("8");
        argv.push_back("rgb:-");
        std::string out;
        EXPECT_EQ(0, vtest::RunProgram(argv, &out));
        EXPECT_EQ((size_t)W * H * 3, out.size());
        return Rgb(out.begin(), out.end());
    }
    // Pixels inside the blocks (each shrunk by the margin) that differ by more than the
    // tolerance in a channel.
    static int Mismatches(const Rgb& got, const Rgb& want, const std::vector<CVortanRect>& blocks,
                          int margin = 2, int tolerance = 2)
    {
        if (got.size() != want.size() || got.size() != (size_t)W * H * 3)
            return -1;
        int bad = 0;
        for (const CVortanRect& b : blocks)
            for (int y = b.top + margin; y < b.bottom - margin; ++y)
                for (int x = b.left + margin; x < b.right - margin; ++x)
                    for (int c = 0; c < 3; ++c) {
                        size_t i = ((size_t)y * W + x) * 3 + c;
                        if (abs((int)got[i] - (int)want[i]) > tolerance) {
                            ++bad;
                            break;
                        }
                    }
        return bad;
    }

    TreeScreen* screen = nullptr;
};

} // namespace uiwin
