// Resource manager: pack choice by screen size, the ".jet" fall-back, entry kinds, first
// registration wins, reference counts, atlas members, "/dmp.meta" scaling and flags, the
// resource reader, closing and reopening packs, sounds (decoded at once and on the worker),
// programs and the lost-context texture pass. Packs are written byte by byte in the test,
// images made by ImageMagick.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanThread.h"
#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "platform/OrloResourceManager.h"
#include "tests/platform/ResourceTestSupport.h"
#include "ui/XMLLoaderWrapper.h"

using rtest::Entries;
using rtest::MakePng;
using rtest::MakeWav;
using rtest::S;

namespace {

std::string Str(const CVortanString& s)
{
    int n = s.ToUTF8(nullptr);
    std::string out((size_t)n, '\0');
    s.ToUTF8(&out[0]);
    out.resize(n > 0 ? (size_t)n - 1 : 0);
    return out;
}

class ResourcesTest : public ::testing::Test {
protected:
    ResourcesTest() : app(800, 480) { manager.Init(&app, nullptr); }
    ~ResourcesTest() override { manager.ReleaseAll(); }

    std::string Pack(const std::string& name, const Entries& entries)
    {
        std::string path = dir.File(name);
        rtest::WritePack(path, entries);
        return path;
    }
    int Open(const std::string& path) { return manager.OpenPack(S(path), 1); }
    std::string Read(const std::string& name)
    {
        char* buffer = reinterpret_cast<char*>(1);
        int n = manager.ReadResourceFile(S(name), &buffer);
        if (!buffer) {
            EXPECT_EQ(n, 0);
            return "<none>";
        }
        EXPECT_EQ(buffer[n], '\0');
        std::string out(buffer, (size_t)n);
        delete[] buffer;
        return out;
    }

    vtest::TempDir dir;
    rtest::ScreenApp app;
    COrloResourceManager manager;
};

// --- packs -------------------------------------------------------------------------------------

// Packs "beside the program" go into the test program's own directory under a name no other
// test uses, and are removed afterwards.
class ChoosePackTest : public ResourcesTest {
protected:
    ChoosePackTest()
    {
        CVortanString exeDir;
        EXPECT_EQ(app.GetExecutableDir(exeDir), 1);
        dirPath = Str(exeDir);
        base = "rmtest" + std::to_string(getpid()) + "_fonts";
    }
    ~ChoosePackTest() override
    {
        manager.ReleaseAll();
        for (const std::string& f : written)
            unlink(f.c_str());
    }
    void Variant(int size)
    {
        std::string path = dirPath + base + "_" + std::to_string(size) + ".dmp";
        rtest::WritePack(path, {{"/size" + std::to_string(size) + ".txt", std::to_string(size)}});
        written.push_back(path);
    }
    int Choose(std::string* name, int* size)
    {
        CVortanString chosen;
        int rc = manager.ChooseMediaPack(S(base), &chosen, size);
        *name = Str(chosen);
        return rc;
    }

    std::string dirPath;
    std::string base;
    std::vector<std::string> written;
};

TEST_F(ChoosePackTest, PicksTheVariantForTheSmallerScreenSide)
{
    Variant(480);
    Variant(640);
    std::string name;
    int size = 0;
    ASSERT_EQ(Choose(&name, &size), 1);
    EXPECT_EQ(size, 480);
    EXPECT_EQ(name, base + "_480.dmp");
    EXPECT_EQ(Read("size480.txt"), "480");
    EXPECT_EQ(Read("size640.txt"), "<none>");
    EXPECT_EQ(manager.GetPackCount(), 1);
}

TEST_F(ChoosePackTest, FallsBackToTheNearestLargerThenGivesUp)
{
    std::string name;
    int size = 0;
    EXPECT_EQ(Choose(&name, &size), 0);
    EXPECT_EQ(manager.GetPackCount(), 0);

    Variant(640);
    ASSERT_EQ(Choose(&name, &size), 1);
    EXPECT_EQ(size, 640);

    // A 300-pixel side: sizes at or below come first (240), then the smallest above (360).
    manager.ReleaseAll();
    app.SetScreen(300, 1000);
    Variant(360);
    ASSERT_EQ(Choose(&name, &size), 1);
    EXPECT_EQ(size, 360);
    manager.ReleaseAll();
    Variant(240);
    ASSERT_EQ(Choose(&name, &size), 1);
    EXPECT_EQ(size, 240);
    // Outputs are optional.
    manager.ReleaseAll();
    EXPECT_EQ(manager.ChooseMediaPack(S(base), nullptr, nullptr), 1);
}

TEST_F(ResourcesTest, JetFallbackReplacesOnlyTheSuffix)
{
    // The directory's name holds ".dmp" too: only the file's suffix may change.
    std::string sub = dir.File("store.dmp.d");
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    rtest::WritePack(sub + "/x.jet", {{"/inside.txt", "jet pack"}});
    ASSERT_EQ(Open(sub + "/x.dmp"), 1);
    EXPECT_EQ(Read("inside.txt"), "jet pack");
    EXPECT_EQ(manager.FindPack(S(sub + "/x.jet")), 1);
    EXPECT_EQ(manager.FindPack(S(sub + "/x.dmp")), 0);
    // Closing by the ".dmp" name closes the ".jet" pack.
    EXPECT_EQ(manager.ClosePack(S(sub + "/x.dmp"), 1), 1);
    EXPECT_EQ(manager.GetPackCount(), 0);
    EXPECT_EQ(Read("inside.txt"), "<none>");
    EXPECT_EQ(manager.ClosePack(S(sub + "/x.dmp"), 1), 0);
    // Neither file: nothing opens, nothing is kept.
    EXPECT_EQ(Open(dir.File("absent.dmp")), 0);
    EXPECT_EQ(manager.GetPackCount(), 0);
    // Not a pack at all.
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("junk.dmp"), "DMP1\x01\0\0\0"));
    EXPECT_EQ(Open(dir.File("junk.dmp")), 0);
}

TEST_F(ResourcesTest, EntryKindsAndResourceReader)
{
    std::string png = MakePng(4, 4, "#00ff00");
    std::string path = Pack("kinds.dmp", {{"/Title.PNG", png},
                                          {"/readme", "no extension"},
                                          {"/.profile", "dot first"},
                                          {"/layouts/menu.xml", "<menu a=\"1\"/>"},
                                          {"/dmp.meta", "<meta/>"},
                                          {"/empty.txt", ""}});
    ASSERT_EQ(Open(path), 1);

    // An image keeps its name's case; its bytes can be read too.
    CVortanSurface* title = manager.GetSurface(S("Title.PNG"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetWidth(), 4);
    EXPECT_EQ(manager.GetSurface(S("title.png")), nullptr);
    EXPECT_EQ(Read("Title.PNG"), png);
    EXPECT_EQ(manager.ReleaseSurface(title), 1);

    EXPECT_EQ(Read("readme"), "no extension");
    EXPECT_EQ(Read(".profile"), "dot first");
    // Registered by the bare name; a caller's directory part is dropped.
    EXPECT_EQ(Read("menu.xml"), "<menu a=\"1\"/>");
    EXPECT_EQ(Read("layouts/menu.xml"), "<menu a=\"1\"/>");
    EXPECT_EQ(Read("dmp.meta"), "<none>");
    EXPECT_EQ(Read("empty.txt"), "<none>");
    EXPECT_EQ(Read("unknown.txt"), "<none>");
    EXPECT_EQ(Read(""), "<none>");
    EXPECT_EQ(manager.ReadResourceFile(S("readme"), nullptr), 0);

    // The XML loader reads layouts through the reader.
    CXMLLoaderWrapper xml;
    xml.Init(&manager);
    ASSERT_EQ(xml.LoadFile(S("menu.xml")), 1);
    EXPECT_EQ(CXMLLoaderWrapper::GetIntAttribute(xml.GetRootElement(), "$a", 0), 1);
    EXPECT_EQ(xml.LoadFile(S("missing.xml")), 8);
}

TEST_F(ResourcesTest, FirstRegistrationWins)
{
    std::string a = Pack("a.dmp", {{"/same.txt", "from a"}, {"/pic.png", MakePng(8, 4, "#ff0000")}});
    std::string b = Pack("b.dmp", {{"/same.txt", "from b"},
                                   {"/pic.png", MakePng(2, 2, "#0000ff")},
                                   {"/only_b.txt", "b alone"}});
    ASSERT_EQ(Open(a), 1);
    ASSERT_EQ(Open(b), 1);
    EXPECT_EQ(manager.GetCurrentPackId(), 2);
    EXPECT_EQ(Read("same.txt"), "from a");
    EXPECT_EQ(Read("only_b.txt"), "b alone");
    // Reading from pack a reopens its file (only one pack file is open at a time).
    CVortanSurface* pic = manager.GetSurface(S("pic.png"));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->GetWidth(), 8);
    EXPECT_EQ(manager.GetCurrentPackId(), 1);
    manager.ReleaseSurface(pic);

    // Within one pack the first entry of a name is the one registered and read.
    std::string c = Pack("c.dmp", {{"/one/twice.txt", "first"}, {"/two/twice.txt", "second"}});
    ASSERT_EQ(Open(c), 1);
    EXPECT_EQ(Read("twice.txt"), "first");
}

// --- surfaces ------------------------------------------------------------------------------------

TEST_F(ResourcesTest, SurfaceReferenceCounts)
{
    ASSERT_EQ(Open(Pack("s.dmp", {{"/red.png", MakePng(16, 8, "#ff0000")}})), 1);
    EXPECT_EQ(manager.GetSurface(S("")), nullptr);
    EXPECT_EQ(manager.FindSurface(S("red.png")), nullptr);  // not loaded yet

    CVortanSurface* a = manager.GetSurface(S("red.png"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetPixel(3, 3), 0xFFFF0000u);
    EXPECT_NE(a->GetTexture(), 0u);
    CVortanSurface* b = manager.GetSurface(S("red.png"));
    EXPECT_EQ(a, b);
    CVortanSurface* c = manager.FindSurface(S("red.png"));
    EXPECT_EQ(a, c);
    EXPECT_EQ(manager.AddRefSurface(a), 1);  // four references
    EXPECT_EQ(manager.AddRefSurface(nullptr), 1);

    // Every handled release clears the caller's handle.
    EXPECT_EQ(manager.ReleaseSurface(b), 1);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(manager.ReleaseSurface(c), 1);
    CVortanSurface* d = a;
    EXPECT_EQ(manager.ReleaseSurface(d), 1);
    EXPECT_EQ(manager.FindSurface(S("red.png")), a);  // still loaded: five - three + one
    CVortanSurface* e = a;
    EXPECT_EQ(manager.ReleaseSurface(e), 1);
    EXPECT_EQ(manager.ReleaseSurface(a), 1);
    EXPECT_EQ(a, nullptr);
    // The record stays: the image loads again.
    EXPECT_EQ(manager.FindSurface(S("red.png")), nullptr);
    CVortanSurface* again = manager.GetSurface(S("red.png"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetWidth(), 16);
    manager.ReleaseSurface(again);

    // A surface the manager does not know is the caller's.
    CVortanSurface* mine = new CVortanSurface();
    EXPECT_EQ(manager.AddRefSurface(mine), 0);
    CVortanSurface* handle = mine;
    EXPECT_EQ(manager.ReleaseSurface(handle), 0);
    EXPECT_EQ(handle, mine);
    CVortanSurface* none = nullptr;
    EXPECT_EQ(manager.ReleaseSurface(none), 1);
    delete mine;
}

TEST_F(ResourcesTest, AddedSurfacesLeaveWithTheirLastReference)
{
    ASSERT_EQ(Open(Pack("s.dmp", {{"/avatar.png", MakePng(4, 4, "#ffffff")}})), 1);
    CVortanSurfaceDesc desc = CVortanSurfaceDesc::From(nullptr);
    desc.width = 5;
    desc.height = 6;
    desc.pixelFormat = VORTAN_PIXEL_ARGB8888;
    CVortanSurface* icon = new CVortanSurface();
    ASSERT_EQ(icon->Create(&app, &desc), 1);
    EXPECT_EQ(manager.AddSurface(S("player_avatar_icon_7"), icon), 1);
    EXPECT_EQ(manager.GetSurface(S("player_avatar_icon_7")), icon);  // two references

    // A name already registered (here by the pack) keeps its first record.
    CVortanSurface* other = new CVortanSurface();
    EXPECT_EQ(manager.AddSurface(S("avatar.png"), other), 0);
    EXPECT_EQ(manager.AddSurface(S("player_avatar_icon_7"), other), 0);
    delete other;

    // A surface that never had a texture does not fail the reload after a lost context.
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), 1);
    EXPECT_EQ(manager.ReloadAllSurfaceTextures(), 1);
    EXPECT_EQ(icon->GetTexture(), 0u);

    CVortanSurface* h = icon;
    manager.ReleaseSurface(h);
    h = icon;
    manager.ReleaseSurface(h);  // deleted now, and its record gone
    EXPECT_EQ(manager.GetSurface(S("player_avatar_icon_7")), nullptr);
    CVortanSurface* fresh = new CVortanSurface();
    ASSERT_EQ(fresh->Create(&app, &desc), 1);
    EXPECT_EQ(manager.AddSurface(S("player_avatar_icon_7"), fresh), 1);
}

TEST_F(ResourcesTest, AtlasMembersShareTheirImage)
{
    const char* six =
        "<surfaces image=\"gfx/sheet.png\">\n"
        "  <surface name=\"btn_ok\" left=\"0.0\" top=\"0.5\" right=\"0.25\" bottom=\"0.75\"/>\n"
        "  <Surface name=\"btn_no\" left=\"0.5\" right=\"1\"/>\n"
        "  <other name=\"ignored\" left=\"1\"/>\n"
        "</surfaces>\n";
    ASSERT_EQ(Open(Pack("atlas.dmp", {{"/sheet.png", MakePng(32, 16, "#808080")}, {"/buttons.six", six}})), 1);

    CVortanFloatRect r1 = {-1, -1, -1, -1};
    CVortanSurface* ok = manager.GetSurface(S("btn_ok"), &r1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetWidth(), 32);
    EXPECT_FLOAT_EQ(r1.left, 0.0f);
    EXPECT_FLOAT_EQ(r1.top, 0.5f);
    EXPECT_FLOAT_EQ(r1.right, 0.25f);
    EXPECT_FLOAT_EQ(r1.bottom, 0.75f);

    CVortanFloatRect r2 = {-1, -1, -1, -1};
    CVortanSurface* ok2 = manager.GetSurface(S("btn_ok"), &r2);
    EXPECT_EQ(ok2, ok);
    EXPECT_FLOAT_EQ(r2.top, 0.5f);
    CVortanFloatRect r3 = {-1, -1, -1, -1};
    CVortanSurface* no = manager.GetSurface(S("btn_no"), &r3);  // element name in any case
    EXPECT_EQ(no, ok);
    EXPECT_FLOAT_EQ(r3.left, 0.5f);
    EXPECT_FLOAT_EQ(r3.right, 1.0f);
    EXPECT_FLOAT_EQ(r3.top, 0.0f);  // absent: 0
    EXPECT_EQ(manager.GetSurface(S("sheet.png")), ok);

    // Without a rectangle a member is not handed out; unknown members neither.
    EXPECT_EQ(manager.GetSurface(S("btn_ok")), nullptr);
    CVortanFloatRect r4;
    EXPECT_EQ(manager.GetSurface(S("ignored"), &r4), nullptr);
    EXPECT_EQ(manager.GetSurface(S("buttons.six")), nullptr);
    EXPECT_EQ(Read("buttons.six"), "<none>");

    // Four references on the image: it goes with the fourth release.
    CVortanSurface* handles[4] = {ok, ok2, no, ok};
    for (int i = 0; i < 3; ++i) {
        manager.ReleaseSurface(handles[i]);
        EXPECT_EQ(manager.FindSurface(S("sheet.png")), ok);
        manager.ReleaseSurface(handles[3]);  // the Find's reference back
        handles[3] = ok;
    }
    manager.ReleaseSurface(handles[3]);
    CVortanFloatRect r5;
    EXPECT_EQ(manager.FindSurface(S("btn_ok"), &r5), nullptr);
    EXPECT_EQ(manager.FindSurface(S("sheet.png")), nullptr);
}

TEST_F(ResourcesTest, MetaScalesImagesToTheScreen)
{
    const char* meta =
        "<meta>\n"
        "  <image>\n"
        "    <original_size value=\"240\"/>\n"
        "    <files>\n"
        "      <file path=\"flat.png\" no_mipmaps=\"1\"/>\n"
        "    </files>\n"
        "  </image>\n"
        "</meta>\n";
    ASSERT_EQ(Open(Pack("m.dmp", {{"/dmp.meta", meta},
                                  {"/wide.png", MakePng(101, 50, "#336699")},
                                  {"/flat.png", MakePng(32, 32, "#000000")},
                                  {"/square.png", MakePng(32, 32, "#000000")}})),
              1);
    // 480 / 240: twice the size (101 * 480 / 240 = 202).
    CVortanSurface* wide = manager.GetSurface(S("wide.png"));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->GetWidth(), 202);
    EXPECT_EQ(wide->GetHeight(), 100);
    EXPECT_EQ(wide->GetPixel(0, 0), 0xFF336699u);
    EXPECT_EQ(wide->GetPixel(201, 99), 0xFF336699u);
    EXPECT_NE(wide->GetTexture(), 0u);
    // Mipmaps unless the meta says otherwise (the scaled 64 x 64 images are powers of two).
    CVortanSurface* flat = manager.GetSurface(S("flat.png"));
    CVortanSurface* square = manager.GetSurface(S("square.png"));
    ASSERT_NE(flat, nullptr);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(flat->GetWidth(), 64);
    EXPECT_EQ(flat->HasMipLevels(), 0);
    EXPECT_EQ(square->HasMipLevels(), 1);
}

TEST_F(ResourcesTest, MetaOfTheScreenSizeOrAbsentKeepsImages)
{
    const char* meta = "<meta><image><original_size value=\"480\"/></image></meta>";
    ASSERT_EQ(Open(Pack("same.dmp", {{"/dmp.meta", meta}, {"/a.png", MakePng(30, 20, "#ffffff")}})), 1);
    CVortanSurface* a = manager.GetSurface(S("a.png"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetWidth(), 30);
    // A broken meta is skipped; the pack still opens.
    ASSERT_EQ(Open(Pack("broken.dmp", {{"/dmp.meta", "<meta><image"}, {"/b.png", MakePng(30, 20, "#ffffff")}})), 1);
    CVortanSurface* b = manager.GetSurface(S("b.png"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetWidth(), 30);
    // On a screen smaller than the design the images shrink (320 * 30 / 480 = 20).
    app.SetScreen(320, 640);
    ASSERT_EQ(Open(Pack("half.dmp", {{"/dmp.meta", meta}, {"/c.png", MakePng(30, 21, "#ffffff")}})), 1);
    CVortanSurface* c = manager.GetSurface(S("c.png"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetWidth(), 20);
    EXPECT_EQ(c->GetHeight(), 14);
}

TEST_F(ResourcesTest, HostileDesignSizeDoesNotBlowImagesUp)
{
    // original_size 1 on a 480 screen would make a 100 x 10 image 48000 x 4800 pixels (almost
    // a gigabyte); it is used at its own size. 8 x 8 still scales (to 3840 x 3840).
    const char* meta = "<meta><image><original_size value=\"1\"/></image></meta>";
    ASSERT_EQ(Open(Pack("huge.dmp", {{"/dmp.meta", meta},
                                     {"/strip.png", MakePng(100, 10, "#ffffff")},
                                     {"/dot.png", MakePng(8, 8, "#ffffff")}})),
              1);
    CVortanSurface* strip = manager.GetSurface(S("strip.png"));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->GetWidth(), 100);
    EXPECT_EQ(strip->GetHeight(), 10);
    CVortanSurface* dot = manager.GetSurface(S("dot.png"));
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->GetWidth(), 3840);
    manager.ReleaseSurface(strip);
    manager.ReleaseSurface(dot);
}

TEST_F(ResourcesTest, SeparateAlphaLoadsTheCompanion)
{
    const char* meta = "<meta><image><separate_alpha value=\"1\"/></image></meta>";
    ASSERT_EQ(Open(Pack("alpha.dmp", {{"/dmp.meta", meta},
                                      {"/ghost.png", MakePng(8, 8, "#ffffff")},
                                      {"/ghost_alpha.png", MakePng(8, 8, "#000000")}})),
              1);
    CVortanSurface* ghost = manager.GetSurface(S("ghost.png"));
    ASSERT_NE(ghost, nullptr);
    // The companion's black makes the image fully transparent (premultiplied: all zero).
    EXPECT_EQ(ghost->GetPixel(4, 4) >> 24, 0u);
    // Without the flag the same image stays opaque.
    ASSERT_EQ(Open(Pack("plain.dmp", {{"/solid.png", MakePng(8, 8, "#ffffff")},
                                      {"/solid_alpha.png", MakePng(8, 8, "#000000")}})),
              1);
    CVortanSurface* solid = manager.GetSurface(S("solid.png"));
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(solid->GetPixel(4, 4), 0xFFFFFFFFu);
}

TEST_F(ResourcesTest, BrokenImagesLoadAgainLater)
{
    ASSERT_EQ(Open(Pack("bad.dmp", {{"/bad.png", "not a png at all"}})), 1);
    EXPECT_EQ(manager.GetSurface(S("bad.png")), nullptr);
    EXPECT_EQ(manager.GetSurface(S("bad.png")), nullptr);
    EXPECT_EQ(Read("bad.png"), "not a png at all");
}

// --- closing packs -------------------------------------------------------------------------------

TEST_F(ResourcesTest, ClosePackForgetsWhatIsNotLoaded)
{
    std::string path = Pack("p.dmp", {{"/held.png", MakePng(4, 4, "#ff00ff")},
                                      {"/idle.png", MakePng(4, 4, "#ff00ff")},
                                      {"/notes.txt", "notes"},
                                      {"/a.six", "<surfaces image=\"held.png\"><surface name=\"m\"/></surfaces>"}});
    ASSERT_EQ(Open(path), 1);
    CVortanSurface* held = manager.GetSurface(S("held.png"));
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(manager.ClosePack(S(path), 1), 1);
    EXPECT_EQ(manager.GetPackCount(), 0);
    EXPECT_EQ(manager.GetCurrentPackId(), 0);

    EXPECT_EQ(Read("notes.txt"), "<none>");
    EXPECT_EQ(manager.GetSurface(S("idle.png")), nullptr);
    CVortanFloatRect r;
    EXPECT_EQ(manager.GetSurface(S("m"), &r), nullptr);
    // The loaded surface lives on with its holders.
    EXPECT_EQ(held->GetPixel(1, 1), 0xFFFF00FFu);
    CVortanSurface* again = manager.FindSurface(S("held.png"));
    EXPECT_EQ(again, held);
    manager.ReleaseSurface(again);
    manager.ReleaseSurface(held);

    // Reopened, every name loads again.
    ASSERT_EQ(Open(path), 1);
    CVortanSurface* back = manager.GetSurface(S("held.png"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Read("notes.txt"), "notes");
    manager.ReleaseSurface(back);
}

TEST_F(ResourcesTest, SurfaceHeldAcrossCloseAndReopenLoadsAgainAfterItsLastRelease)
{
    std::string path = Pack("p.dmp", {{"/held.png", MakePng(4, 4, "#00ffff")}});
    ASSERT_EQ(Open(path), 1);
    CVortanSurface* held = manager.GetSurface(S("held.png"));
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(manager.ClosePack(S(path), 1), 1);
    ASSERT_EQ(Open(path), 1);
    // Still the loaded one while it is held.
    CVortanSurface* same = manager.GetSurface(S("held.png"));
    EXPECT_EQ(same, held);
    manager.ReleaseSurface(same);
    manager.ReleaseSurface(held);
    // Gone with its last reference, it loads from the reopened pack.
    CVortanSurface* fresh = manager.GetSurface(S("held.png"));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetPixel(0, 0), 0xFF00FFFFu);
    manager.ReleaseSurface(fresh);
    // And without a reopen, a record of a closed pack leaves with its last reference.
    fresh = manager.GetSurface(S("held.png"));
    ASSERT_EQ(manager.ClosePack(S(path), 1), 1);
    manager.ReleaseSurface(fresh);
    rtest::WritePack(dir.File("q.dmp"), {{"/held.png", MakePng(2, 2, "#ffffff")}});
    ASSERT_EQ(Open(dir.File("q.dmp")), 1);
    fresh = manager.GetSurface(S("held.png"));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetWidth(), 2);
    manager.ReleaseSurface(fresh);
}

TEST_F(ResourcesTest, RelativeNamesResolveBesideTheProgram)
{
    CVortanString exeDir;
    ASSERT_EQ(app.GetExecutableDir(exeDir), 1);
    std::string name = "rmtest" + std::to_string(getpid()) + "_beside.dmp";
    std::string full = Str(exeDir) + name;
    rtest::WritePack(full, {{"/beside.txt", "here"}});
    EXPECT_EQ(manager.OpenPack(S(name), 0), 1);
    EXPECT_EQ(manager.FindPack(S(full)), 1);
    EXPECT_EQ(manager.FindPack(S(name)), 0);
    EXPECT_EQ(Read("beside.txt"), "here");
    EXPECT_EQ(manager.ClosePack(S(name), 0), 1);
    unlink(full.c_str());
}

// --- sounds --------------------------------------------------------------------------------------

class SoundResourcesTest : public ResourcesTest {
protected:
    SoundResourcesTest()
    {
        engine = CVortanSoundEngine::Create();
        manager.Init(&app, engine);
    }
    ~SoundResourcesTest() override
    {
        manager.ReleaseAll();
        delete engine;
    }
    // Polls like the application's frames until no loader is left (bounded).
    void Drain()
    {
        for (int i = 0; i < 2000 && manager.GetPendingSoundLoads() > 0; ++i) {
            manager.PollAsyncSounds();
            VortanSleep(2);
        }
        EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
    }

    CVortanSoundEngine* engine;
};

TEST_F(SoundResourcesTest, LoadNowDecodesAtOnce)
{
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/beep.wav", MakeWav(400)}, {"/bad.wav", "RIFF junk"}})), 1);
    CVortanSoundWave* beep = manager.GetSound(S("beep.wav"), ORLO_SOUND_LOAD_NOW);
    ASSERT_NE(beep, nullptr);
    EXPECT_EQ(beep->GetDataSize(), 800);
    EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
    EXPECT_EQ(manager.GetSound(S("beep.wav")), beep);
    EXPECT_EQ(manager.GetSound(S("bad.wav"), ORLO_SOUND_LOAD_NOW), nullptr);
    EXPECT_EQ(manager.GetSound(S("none.wav"), ORLO_SOUND_LOAD_NOW), nullptr);
    EXPECT_EQ(manager.GetSound(S("")), nullptr);
    EXPECT_EQ(manager.ReleaseSound(beep), 1);
    EXPECT_EQ(beep, nullptr);
}

TEST_F(SoundResourcesTest, AsyncSoundIsSilentUntilDecoded)
{
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/long.wav", MakeWav(8000)}})), 1);
    CVortanSoundWave* a = manager.GetSound(S("long.wav"));
    ASSERT_NE(a, nullptr);
    CVortanSoundWave* b = manager.GetSound(S("long.wav"));
    EXPECT_EQ(a, b);  // same object, two references, one loader
    EXPECT_EQ(manager.GetPendingSoundLoads(), 1);
    // Not decoded: nothing to play or mix.
    EXPECT_EQ(a->GetBufferCount(), 0);
    EXPECT_NE(a->Play(0), 1);
    EXPECT_EQ(a->IsPlaying(), 0);

    // The first poll after construction does nothing.
    manager.PollAsyncSounds();
    VortanSleep(20);
    EXPECT_EQ(a->GetBufferCount(), 0);
    Drain();
    EXPECT_EQ(a->GetBufferCount(), 1);
    EXPECT_EQ(a->GetDataSize(), 16000);
    EXPECT_EQ(a->Play(0), 1);
    a->Stop();

    manager.ReleaseSound(b);
    EXPECT_EQ(manager.FindSound(S("long.wav")), a);
    CVortanSoundWave* c = a;
    manager.ReleaseSound(c);
    manager.ReleaseSound(a);
    EXPECT_EQ(manager.FindSound(S("long.wav")), nullptr);
    // The record stays: it loads again.
    CVortanSoundWave* d = manager.GetSound(S("long.wav"), ORLO_SOUND_LOAD_NOW);
    ASSERT_NE(d, nullptr);
    manager.ReleaseSound(d);
}

TEST_F(SoundResourcesTest, LoadersRunOneAtATimeInOrder)
{
    Entries entries;
    for (int i = 0; i < 4; ++i)
        entries.push_back({"/s" + std::to_string(i) + ".wav", MakeWav(1000 + i)});
    entries.push_back({"/broken.ogg", "OggS but not really"});
    ASSERT_EQ(Open(Pack("many.dmp", entries)), 1);
    std::vector<CVortanSoundWave*> sounds;
    for (int i = 0; i < 4; ++i)
        sounds.push_back(manager.GetSound(S("s" + std::to_string(i) + ".wav")));
    CVortanSoundWave* broken = manager.GetSound(S("broken.ogg"));
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(manager.GetPendingSoundLoads(), 5);

    manager.PollAsyncSounds();  // skipped
    int previous = 5;
    int finished[5] = {0, 0, 0, 0, 0};
    for (int frame = 0; frame < 4000 && manager.GetPendingSoundLoads() > 0; ++frame) {
        manager.PollAsyncSounds();
        int now = manager.GetPendingSoundLoads();
        EXPECT_GE(now, previous - 1);  // at most one reaped per frame
        previous = now;
        // Decodes finish in queueing order.
        for (int i = 0; i < 4; ++i) {
            if (sounds[i]->GetBufferCount() > 0 && !finished[i]) {
                finished[i] = 1;
                for (int j = 0; j < i; ++j)
                    EXPECT_TRUE(finished[j]) << i << " before " << j;
            }
        }
        VortanSleep(1);
    }
    EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sounds[i]->GetDataSize(), 2 * (1000 + i));
    // A file that does not decode leaves a silent sound.
    EXPECT_EQ(broken->GetBufferCount(), 0);
    EXPECT_NE(broken->Play(0), 1);
}

TEST_F(SoundResourcesTest, ReleasingAQueuedSoundDropsItsLoader)
{
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/a.wav", MakeWav(100)}, {"/b.wav", MakeWav(100)}})), 1);
    CVortanSoundWave* a = manager.GetSound(S("a.wav"));
    CVortanSoundWave* b = manager.GetSound(S("b.wav"));
    EXPECT_EQ(manager.GetPendingSoundLoads(), 2);
    manager.PollAsyncSounds();
    manager.PollAsyncSounds();  // a's loader runs now
    manager.ReleaseSound(a);    // joined and dropped
    EXPECT_EQ(manager.GetPendingSoundLoads(), 1);
    manager.ReleaseSound(b);
    EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
}

TEST_F(ResourcesTest, NoSoundEngineNoSounds)
{
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/a.wav", MakeWav(100)}})), 1);
    EXPECT_EQ(manager.GetSound(S("a.wav")), nullptr);
    EXPECT_EQ(manager.GetSound(S("a.wav"), ORLO_SOUND_LOAD_NOW), nullptr);
    // The file can still be read.
    EXPECT_EQ(Read("a.wav"), MakeWav(100));
    CVortanSoundWave* stranger = CVortanSoundWave::CreateInstance();
    CVortanSoundWave* h = stranger;
    EXPECT_EQ(manager.AddRefSound(stranger), 0);
    EXPECT_EQ(manager.ReleaseSound(h), 0);
    EXPECT_EQ(manager.AddRefSound(nullptr), 1);
    delete stranger;
}

// --- programs and lost contexts ------------------------------------------------------------------

TEST_F(ResourcesTest, ProgramsAreRegisteredAndCounted)
{
    CVortan3DProgram* p = new CVortan3DProgram();
    EXPECT_EQ(manager.GetProgram(S("text")), nullptr);
    EXPECT_EQ(manager.AddProgram(S("text"), p), 1);
    CVortan3DProgram* q = new CVortan3DProgram();
    EXPECT_EQ(manager.AddProgram(S("text"), q), 0);  // a live program keeps the name
    EXPECT_EQ(manager.AddRefProgram(q), 0);
    EXPECT_EQ(manager.GetProgram(S("text")), p);
    EXPECT_EQ(manager.AddRefProgram(p), 1);  // three
    CVortan3DProgram* h = p;
    for (int i = 0; i < 3; ++i) {
        h = p;
        EXPECT_EQ(manager.ReleaseProgram(h), 1);
        EXPECT_EQ(h, nullptr);
    }
    EXPECT_EQ(manager.FindProgram(S("text")), nullptr);
    // The released name takes a new program.
    EXPECT_EQ(manager.AddProgram(S("text"), q), 1);
    EXPECT_EQ(manager.FindProgram(S("text")), q);
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), 1);
}

TEST_F(ResourcesTest, LostContextDropsAndRebuildsTextures)
{
    ASSERT_EQ(Open(Pack("t.dmp", {{"/a.png", MakePng(16, 16, "#123456")}, {"/b.png", MakePng(8, 8, "#654321")}})), 1);
    CVortanSurface* a = manager.GetSurface(S("a.png"));
    CVortanSurface* b = manager.GetSurface(S("b.png"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a->GetTexture(), 0u);
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), 1);
    EXPECT_EQ(a->GetTexture(), 0u);
    EXPECT_EQ(b->GetTexture(), 0u);
    EXPECT_EQ(manager.ReloadAllSurfaceTextures(), 1);
    EXPECT_NE(a->GetTexture(), 0u);
    EXPECT_NE(b->GetTexture(), 0u);
    EXPECT_EQ(a->GetPixel(2, 2), 0xFF123456u);
}

TEST_F(ResourcesTest, ReleaseAllForgetsEverything)
{
    ASSERT_EQ(Open(Pack("r.dmp", {{"/a.png", MakePng(4, 4, "#ffffff")}, {"/f.txt", "x"}})), 1);
    ASSERT_NE(manager.GetSurface(S("a.png")), nullptr);
    manager.AddProgram(S("p"), new CVortan3DProgram());
    manager.ReleaseAll();
    EXPECT_EQ(manager.GetPackCount(), 0);
    EXPECT_EQ(manager.GetCurrentPackId(), 0);
    EXPECT_EQ(Read("f.txt"), "<none>");
    EXPECT_EQ(manager.GetSurface(S("a.png")), nullptr);
    EXPECT_EQ(manager.GetProgram(S("p")), nullptr);
    // Pack ids keep counting.
    ASSERT_EQ(Open(dir.File("r.dmp")), 1);
    EXPECT_EQ(manager.GetCurrentPackId(), 2);
}

// --- fonts ---------------------------------------------------------------------------------------

const char* kFontDescription =
    "<font>\n"
    "  <common lineHeight=\"20\"/>\n"
    "  <pages><page id=\"0\" file=\"glyphs.png\"/></pages>\n"
    "  <chars count=\"2\">\n"
    "    <char id=\"65\" x=\"0\" y=\"0\" width=\"8\" height=\"10\" xadvance=\"9\" page=\"0\"/>\n"
    "    <char id=\"66\" x=\"8\" y=\"0\" width=\"8\" height=\"10\" xadvance=\"7\" page=\"0\"/>\n"
    "  </chars>\n"
    "</font>\n";

TEST_F(ResourcesTest, DefaultFontNeedsNoPack)
{
    EXPECT_EQ(manager.GetFont(S("")), nullptr);
    EXPECT_EQ(manager.GetFont(S("missing.fnt")), nullptr);
    CVortanBitmapFont* a = manager.GetFont(S("default"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetRawLineHeight(), 10);
    EXPECT_EQ(manager.GetFont(S("default")), a);
    CVortanBitmapFont* b = a;
    EXPECT_EQ(manager.ReleaseFont(b), 1);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(manager.FindFont(S("default")), a);
    b = a;
    manager.ReleaseFont(b);
    manager.ReleaseFont(a);
    EXPECT_EQ(manager.FindFont(S("default")), nullptr);
    // Made again on the next request.
    CVortanBitmapFont* again = manager.GetFont(S("default"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetRawLineHeight(), 10);
    manager.ReleaseFont(again);
}

TEST_F(ResourcesTest, PackFontsAreScaledAndKeepTheirColourFlag)
{
    const char* meta =
        "<meta><font><original_size value=\"240\"/>"
        "<files><file path=\"fonts/colour.fnt\" keep_color=\"1\"/></files></font></meta>";
    ASSERT_EQ(Open(Pack("f.dmp", {{"/dmp.meta", meta},
                                  {"/glyphs.png", MakePng(16, 16, "#ffffff")},
                                  {"/plain.fnt", kFontDescription},
                                  {"/colour.fnt", kFontDescription}})),
              1);
    CVortanBitmapFont* plain = manager.GetFont(S("plain.fnt"));
    ASSERT_NE(plain, nullptr);
    // Designed for 240, shown on 480: twice the size.
    EXPECT_FLOAT_EQ(plain->GetScale(), 2.0f);
    EXPECT_EQ(plain->GetLineHeight(), 40);
    EXPECT_EQ(plain->GetTextWidth(S("AB"), 0), 32);
    CVortanBitmapFont* colour = manager.GetFont(S("colour.fnt"));
    ASSERT_NE(colour, nullptr);
    ASSERT_EQ(colour->GetPageCount(), 1);
    ASSERT_EQ(plain->GetPageCount(), 1);
    // Keep colour: the page's own RGBA texture; otherwise an alpha texture of its own.
    EXPECT_NE(colour->GetPage(0)->texture, 0u);
    EXPECT_EQ(colour->GetPage(0)->texture, colour->GetPage(0)->surface->GetTexture());
    EXPECT_NE(plain->GetPage(0)->texture, 0u);
    EXPECT_NE(plain->GetPage(0)->texture, plain->GetPage(0)->surface->GetTexture());
    EXPECT_EQ(Read("plain.fnt"), kFontDescription);

    // The lost-context pass covers fonts too.
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), 1);
    EXPECT_EQ(plain->GetPage(0)->texture, 0u);
    EXPECT_EQ(manager.ReloadAllSurfaceTextures(), 1);
    EXPECT_NE(plain->GetPage(0)->texture, 0u);

    // The last release keeps the record: the font loads again.
    EXPECT_EQ(manager.GetFont(S("plain.fnt")), plain);
    CVortanBitmapFont* h = plain;
    EXPECT_EQ(manager.ReleaseFont(h), 1);
    EXPECT_EQ(manager.ReleaseFont(plain), 1);
    EXPECT_EQ(manager.FindFont(S("plain.fnt")), nullptr);
    CVortanBitmapFont* again = manager.GetFont(S("plain.fnt"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(manager.AddRefFont(again), 1);
    EXPECT_EQ(manager.AddRefFont(nullptr), 1);
    manager.ReleaseFont(again);
    again = manager.FindFont(S("plain.fnt"));
    manager.ReleaseFont(again);
    manager.ReleaseFont(colour);
    // Unknown fonts are the caller's.
    CVortanBitmapFont stranger;
    CVortanBitmapFont* s = &stranger;
    EXPECT_EQ(manager.AddRefFont(s), 0);
    EXPECT_EQ(manager.ReleaseFont(s), 0);
    EXPECT_EQ(s, &stranger);
}

}  // namespace
