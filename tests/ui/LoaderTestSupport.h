// Pieces of the layout loader tests: a window-less application with its resource manager
// over test packs, and a builder that packs layout texts and loads one over a fresh root.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloLanguageHost.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/Widget.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/loader/UIXMLLoader.h"

namespace ltest {

// The application without a window: its graphics is the drawing-free extension of the size.
class LoaderApp : public COrlogateApplication {
public:
    LoaderApp(int width = 800, int height = 480)
    {
        m_ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(m_ext);
        m_ext->Create(0);
        m_ext->Resize(width, height);
        COrloResourceManager::Init(this, nullptr);
    }
    ~LoaderApp() override
    {
        ReleaseAll();
        m_device = nullptr;
    }
    void SetDevice(COrloDevice* device) { m_device = device; }
    void SetLanguageObject(COrloLanguage* language) { m_language = language; }
    void SetSession(IOrloNetworkSession* session) { m_session = session; }
    void SetGame(IOrloGameState* game) { m_gameState = game; }

private:
    CVortanGraphicsExt_Null* m_ext;
};

// ASCII as UTF-16LE.
inline std::string Utf16(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// Language packs "lang_0000.dmp" (English, code "en", texts "Hello" and "Your name") and
// "lang_0001.dmp" (code "rt", right-aligned, "Olleh" and "Eman") in the directory.
inline void WriteLanguagePacks(const vtest::TempDir& dir)
{
    const char* packs[] = {"NAME=English\r\nCODE=en\r\nFLAGS=VE_TEXT_LEFT\r\nSPECIAL_CHARS=0\r\n"
                           "0=Hello\r\n1=Your name\r\n",
                           "NAME=Right\r\nCODE=rt\r\nFLAGS=VE_TEXT_RIGHT\r\nSPECIAL_CHARS=0\r\n"
                           "0=Olleh\r\n1=Eman\r\n"};
    for (int i = 0; i < 2; ++i) {
        const std::string path = dir.File("lang_000" + std::to_string(i) + ".dmp");
        ASSERT_TRUE(
            vtest::WriteWholeFile(path, vtest::MakePack({{"/texts.txt", Utf16(packs[i])}})));
    }
}

// Finds the language packs in the directory; no user data, no settings.
class LanguageHost : public IOrloLanguageHost {
public:
    explicit LanguageHost(vtest::TempDir& dir) : m_dir(dir) {}
    int GetUserDataPath(CVortanString& out, const CVortanString& name) override
    {
        out = CVortanString(m_dir.File("user/").c_str());
        out.Append(name);
        return VORTAN_OK;
    }
    void GetResourcePath(CVortanString& out, const CVortanString& name) override
    {
        out = CVortanString((m_dir.Path() + "/").c_str());
        out.Append(name);
    }
    COrloStatsStore* GetSettings() override { return nullptr; }

private:
    vtest::TempDir& m_dir;
};

// A layout file read from the tests' folder of layouts.
inline std::string Layout(const std::string& name)
{
    return vtest::ReadWholeFile(std::string(VORTAN_SOURCE_DIR) + "/tests/ui/layouts/" + name);
}

// One pack of entries opened in the application, and a registry with a few actions.
struct LoaderCase : ::testing::Test {
    vtest::TempDir dir;
    LoaderApp app;
    CUIActionSequenceList sequences;
    CUIActionRegistry registry;
    int packs = 0;

    LoaderCase()
    {
        sequences.Init();
        registry.Init(&sequences);
    }
    ~LoaderCase() override
    {
        registry.RemoveAll();
        sequences.DeleteAll();
    }
    // Packs the entries ("/" is added before each name) and opens the pack.
    void Pack(const vtest::PackEntries& entries)
    {
        vtest::PackEntries named;
        for (const auto& e : entries)
            named.push_back({"/" + e.first, e.second});
        const std::string path = dir.File("p" + std::to_string(packs++) + ".dmp");
        rtest::WritePack(path, named);
        ASSERT_EQ(app.OpenPack(CVortanString(path.c_str()), 1), 1);
    }
    // A started root of the size, named "root".
    CWidget* NewRoot(int width = 800, int height = 480)
    {
        CWidget* root = new CWidget();
        CVortanRect rect;
        rect.Set(0, 0, width, height);
        root->Startup(&app, nullptr, rect);
        root->SetName(CVortanString("root"));
        return root;
    }
    // Loads the file over the root (a new root when null) with the registry; the loader's
    // result.
    int Build(CWidget* root, const char* file, CUIActionRegistry* reg = nullptr,
              const CUIWidgetTypeList* extra = nullptr, CWidget* previous = nullptr)
    {
        CUIXMLLoader loader;
        loader.Load(&app, reg, extra, root, nullptr, previous);
        int rc = loader.LoadFile(CVortanString(file));
        loader.Unload();
        return rc;
    }
};

// A creator that makes nothing.
inline CWidget* NoWidget(CUIXMLLoader*, CVortanXMLDataNode*, CWidget*, CWidget*)
{
    return nullptr;
}

inline CWidget* Find(CWidget* root, const char* name)
{
    return root ? root->FindChild(CVortanString(name), -1) : nullptr;
}

inline void Drop(CWidget* root)
{
    CWidget::Destroy(root);
}

} // namespace ltest
