// Resource manager: pack choice by screen size, the ".jet" fall-back, entry kinds, first
// registration wins, reference counts, atlas members, "/dmp.meta" scaling and flags, the
// resource reader, closing and reopening packs, sounds (decoded at once and on the worker),
// programs, fonts and the lost-context texture pass. Packs are written byte by byte in the
// test, images made by ImageMagick.
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
#include "xmlloader/XMLLoaderWrapper.h"

using rtest::Entries;
using rtest::MakePng;
using rtest::MakeWav;
using rtest::S;

namespace {

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
    CVortanSurface* Get(const std::string& name) { return manager.GetSurface(S(name)); }
    // "<width>x<height>" of a surface by name, or "none"; the reference is kept.
    std::string Size(const std::string& name)
    {
        CVortanSurface* s = Get(name);
        return s ? std::to_string(s->GetWidth()) + "x" + std::to_string(s->GetHeight()) : "none";
    }
    // Releases one reference through a copy of the handle.
    int Drop(CVortanSurface* surface) { return manager.ReleaseSurface(surface); }
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
    // Packs "beside the program" go into the test program's own directory under a name no
    // other test uses; the test removes them.
    std::string Beside(const std::string& name)
    {
        CVortanString exeDir;
        EXPECT_EQ(app.GetExecutableDir(exeDir), VORTAN_OK);
        return VortanUTF8Of(exeDir) + "rmtest" + std::to_string(getpid()) + name;
    }

    vtest::TempDir dir;
    rtest::ScreenApp app;
    COrloResourceManager manager;
};

TEST_F(ResourcesTest, ChoosesTheVariantForTheSmallerScreenSideThenTheNearestLarger)
{
    const std::string base = "rmtest" + std::to_string(getpid()) + "_fonts";
    std::vector<std::string> written;
    auto variant = [&](int size) {
        written.push_back(Beside("_fonts_" + std::to_string(size) + ".dmp"));
        rtest::WritePack(written.back(),
                         {{"/size" + std::to_string(size) + ".txt", std::to_string(size)}});
    };
    auto choose = [&](int expected) {
        CVortanString chosen;
        int size = 0;
        manager.ReleaseAll();
        ASSERT_EQ(manager.ChooseMediaPack(S(base), &chosen, &size), expected ? 1 : 0);
        EXPECT_EQ(size, expected);
        if (expected) {
            EXPECT_EQ(VortanUTF8Of(chosen), base + "_" + std::to_string(expected) + ".dmp");
        }
    };
    choose(0);
    EXPECT_EQ(manager.GetPackCount(), 0);
    variant(640);
    choose(640);
    variant(480);
    choose(480);
    EXPECT_EQ(Read("size480.txt"), "480");
    EXPECT_EQ(Read("size640.txt"), "<none>");
    EXPECT_EQ(manager.GetPackCount(), 1);
    // A 300-pixel side: sizes at or below come first (240), then the smallest above (360).
    app.SetScreen(300, 1000);
    variant(360);
    choose(360);
    variant(240);
    choose(240);
    manager.ReleaseAll();
    EXPECT_EQ(manager.ChooseMediaPack(S(base), nullptr, nullptr), 1); // outputs are optional
    manager.ReleaseAll();
    for (const std::string& f : written)
        unlink(f.c_str());

    // Relative names resolve beside the program.
    std::string full = Beside("_beside.dmp"), name = full.substr(full.rfind('/') + 1);
    rtest::WritePack(full, {{"/beside.txt", "here"}});
    EXPECT_EQ(manager.OpenPack(S(name), 0), 1);
    EXPECT_EQ(manager.FindPack(S(full)), 1);
    EXPECT_EQ(manager.FindPack(S(name)), 0);
    EXPECT_EQ(Read("beside.txt"), "here");
    EXPECT_EQ(manager.ClosePack(S(name), 0), 1);
    unlink(full.c_str());
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
    EXPECT_EQ(Read("inside.txt"), "<none>");
    EXPECT_EQ(manager.ClosePack(S(sub + "/x.dmp"), 1), 0);
    // Neither file, or not a pack at all: nothing opens, nothing is kept.
    EXPECT_EQ(Open(dir.File("absent.dmp")), 0);
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("junk.dmp"), "DMP1\x01\0\0\0"));
    EXPECT_EQ(Open(dir.File("junk.dmp")), 0);
    EXPECT_EQ(manager.GetPackCount(), 0);
}

TEST_F(ResourcesTest, EntryKindsResourceReaderAndFirstRegistrationWins)
{
    std::string png = MakePng(4, 4, "#00ff00");
    ASSERT_EQ(Open(Pack("kinds.dmp", {{"/Title.PNG", png},
                                      {"/readme", "no extension"},
                                      {"/.profile", "dot first"},
                                      {"/layouts/menu.xml", "<menu a=\"1\"/>"},
                                      {"/dmp.meta", "<meta/>"},
                                      {"/empty.txt", ""},
                                      {"/bad.png", "not a png at all"},
                                      {"/one/twice.txt", "first"},
                                      {"/two/twice.txt", "second"}})),
              1);
    // An image keeps its name's case; its bytes can be read too.
    EXPECT_EQ(Size("Title.PNG"), "4x4");
    EXPECT_EQ(Get("title.png"), nullptr);
    EXPECT_EQ(Read("Title.PNG"), png);
    // A broken image loads nothing, again and again; its bytes are there.
    EXPECT_EQ(Get("bad.png"), nullptr);
    EXPECT_EQ(Get("bad.png"), nullptr);
    EXPECT_EQ(Read("bad.png"), "not a png at all");

    // Registered by the bare name (the first entry of a name wins); a caller's directory
    // part is dropped.
    const char* reads[][2] = {{"readme", "no extension"},
                              {".profile", "dot first"},
                              {"menu.xml", "<menu a=\"1\"/>"},
                              {"layouts/menu.xml", "<menu a=\"1\"/>"},
                              {"twice.txt", "first"},
                              {"dmp.meta", "<none>"},
                              {"empty.txt", "<none>"},
                              {"unknown.txt", "<none>"},
                              {"", "<none>"}};
    for (const auto& r : reads)
        EXPECT_EQ(Read(r[0]), r[1]) << r[0];
    EXPECT_EQ(manager.ReadResourceFile(S("readme"), nullptr), 0);

    // The XML loader reads layouts through the reader.
    CXMLLoaderWrapper xml;
    xml.Init(&manager);
    ASSERT_EQ(xml.LoadFile(S("menu.xml")), VORTAN_OK);
    EXPECT_EQ(CXMLLoaderWrapper::GetIntAttribute(xml.GetRootElement(), "$a", 0), 1);
    EXPECT_EQ(xml.LoadFile(S("missing.xml")), VORTAN_E_MISSING);

    // Across packs the first registration wins too.
    std::string a =
        Pack("a.dmp", {{"/same.txt", "from a"}, {"/pic.png", MakePng(8, 4, "#ff0000")}});
    std::string b = Pack(
        "b.dmp",
        {{"/same.txt", "from b"}, {"/pic.png", MakePng(2, 2, "#0000ff")}, {"/only_b.txt", "b"}});
    ASSERT_EQ(Open(a), 1);
    ASSERT_EQ(Open(b), 1);
    EXPECT_EQ(manager.GetCurrentPackId(), 3);
    EXPECT_EQ(Read("same.txt"), "from a");
    EXPECT_EQ(Read("only_b.txt"), "b");
    // Reading from pack a reopens its file (only one pack file is open at a time).
    EXPECT_EQ(Size("pic.png"), "8x4");
    EXPECT_EQ(manager.GetCurrentPackId(), 2);
}

TEST_F(ResourcesTest, SurfaceReferenceCounts)
{
    ASSERT_EQ(Open(Pack("s.dmp", {{"/red.png", MakePng(16, 8, "#ff0000")}})), 1);
    EXPECT_EQ(Get(""), nullptr);
    EXPECT_EQ(manager.FindSurface(S("red.png")), nullptr); // not loaded yet
    CVortanSurface* a = Get("red.png");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetPixel(3, 3), 0xFFFF0000u);
    EXPECT_NE(a->GetTexture(), 0u);
    CVortanSurface* b = Get("red.png");
    EXPECT_EQ(a, b);
    EXPECT_EQ(manager.FindSurface(S("red.png")), a);
    EXPECT_EQ(manager.AddRefSurface(a), 1); // four references
    EXPECT_EQ(manager.AddRefSurface(nullptr), 1);
    // Every handled release clears the caller's handle.
    EXPECT_EQ(manager.ReleaseSurface(b), 1);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(Drop(a), 1);
    EXPECT_EQ(Drop(a), 1);
    EXPECT_EQ(manager.FindSurface(S("red.png")), a); // still loaded: four - three + one
    EXPECT_EQ(Drop(a), 1);
    EXPECT_EQ(manager.ReleaseSurface(a), 1);
    EXPECT_EQ(a, nullptr);
    // The record stays: the image loads again.
    EXPECT_EQ(manager.FindSurface(S("red.png")), nullptr);
    EXPECT_EQ(Size("red.png"), "16x8");

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
    ASSERT_EQ(icon->Create(&app, &desc), VORTAN_OK);
    EXPECT_EQ(manager.AddSurface(S("player_avatar_icon_7"), icon), 1);
    EXPECT_EQ(Get("player_avatar_icon_7"), icon); // two references
    // A name already registered (here by the pack) keeps its first record.
    CVortanSurface* other = new CVortanSurface();
    EXPECT_EQ(manager.AddSurface(S("avatar.png"), other), 0);
    EXPECT_EQ(manager.AddSurface(S("player_avatar_icon_7"), other), 0);
    delete other;
    // A surface that never had a texture does not fail the reload after a lost context.
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), VORTAN_OK);
    EXPECT_EQ(manager.ReloadAllSurfaceTextures(), VORTAN_OK);
    EXPECT_EQ(icon->GetTexture(), 0u);
    Drop(icon);
    Drop(icon); // deleted now, and its record gone
    EXPECT_EQ(Get("player_avatar_icon_7"), nullptr);
    CVortanSurface* fresh = new CVortanSurface();
    ASSERT_EQ(fresh->Create(&app, &desc), VORTAN_OK);
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
    ASSERT_EQ(Open(Pack("atlas.dmp",
                        {{"/sheet.png", MakePng(32, 16, "#808080")}, {"/buttons.six", six}})),
              1);
    CVortanFloatRect r1 = {-1, -1, -1, -1}, r2 = r1, r3 = r1, r4;
    CVortanSurface* ok = manager.GetSurface(S("btn_ok"), &r1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetWidth(), 32);
    EXPECT_FLOAT_EQ(r1.left, 0.0f);
    EXPECT_FLOAT_EQ(r1.top, 0.5f);
    EXPECT_FLOAT_EQ(r1.right, 0.25f);
    EXPECT_FLOAT_EQ(r1.bottom, 0.75f);
    EXPECT_EQ(manager.GetSurface(S("btn_ok"), &r2), ok);
    EXPECT_FLOAT_EQ(r2.top, 0.5f);
    EXPECT_EQ(manager.GetSurface(S("btn_no"), &r3), ok); // element name in any case
    EXPECT_FLOAT_EQ(r3.left, 0.5f);
    EXPECT_FLOAT_EQ(r3.right, 1.0f);
    EXPECT_FLOAT_EQ(r3.top, 0.0f); // absent: 0
    EXPECT_EQ(Get("sheet.png"), ok);
    // Without a rectangle a member is not handed out; unknown members neither.
    EXPECT_EQ(Get("btn_ok"), nullptr);
    EXPECT_EQ(manager.GetSurface(S("ignored"), &r4), nullptr);
    EXPECT_EQ(Get("buttons.six"), nullptr);
    EXPECT_EQ(Read("buttons.six"), "<none>");

    // Four references on the image: it goes with the fourth release.
    for (int i = 0; i < 3; ++i) {
        Drop(ok);
        EXPECT_EQ(manager.FindSurface(S("sheet.png")), ok);
        Drop(ok); // the Find's reference back
    }
    Drop(ok);
    EXPECT_EQ(manager.FindSurface(S("btn_ok"), &r4), nullptr);
    EXPECT_EQ(manager.FindSurface(S("sheet.png")), nullptr);
}

TEST_F(ResourcesTest, MetaScalesImagesToTheScreen)
{
    const char* meta = "<meta><image><original_size value=\"240\"/>"
                       "<files><file path=\"flat.png\" no_mipmaps=\"1\"/></files></image></meta>";
    ASSERT_EQ(Open(Pack("m.dmp", {{"/dmp.meta", meta},
                                  {"/wide.png", MakePng(101, 50, "#336699")},
                                  {"/flat.png", MakePng(32, 32, "#000000")},
                                  {"/square.png", MakePng(32, 32, "#000000")}})),
              1);
    // 480 / 240: twice the size (101 * 480 / 240 = 202).
    EXPECT_EQ(Size("wide.png"), "202x100");
    CVortanSurface* wide = Get("wide.png");
    EXPECT_EQ(wide->GetPixel(0, 0), 0xFF336699u);
    EXPECT_EQ(wide->GetPixel(201, 99), 0xFF336699u);
    // Mipmaps unless the meta says otherwise (the scaled 64 x 64 images are powers of two).
    EXPECT_EQ(Size("flat.png"), "64x64");
    EXPECT_EQ(Size("square.png"), "64x64");
    EXPECT_EQ(Get("flat.png")->HasMipLevels(), 0);
    EXPECT_EQ(Get("square.png")->HasMipLevels(), 1);

    // The screen's own size or a broken meta keep images; a smaller screen shrinks them
    // (320 * 30 / 480 = 20).
    const char* same = "<meta><image><original_size value=\"480\"/></image></meta>";
    ASSERT_EQ(Open(Pack("same.dmp", {{"/dmp.meta", same}, {"/a.png", MakePng(30, 20, "#ffffff")}})),
              1);
    ASSERT_EQ(Open(Pack("broken.dmp",
                        {{"/dmp.meta", "<meta><image"}, {"/b.png", MakePng(30, 20, "#ffffff")}})),
              1);
    EXPECT_EQ(Size("a.png"), "30x20");
    EXPECT_EQ(Size("b.png"), "30x20");
    app.SetScreen(320, 640);
    ASSERT_EQ(Open(Pack("half.dmp", {{"/dmp.meta", same}, {"/c.png", MakePng(30, 21, "#ffffff")}})),
              1);
    EXPECT_EQ(Size("c.png"), "20x14");
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
    EXPECT_EQ(Size("strip.png"), "100x10");
    EXPECT_EQ(Size("dot.png"), "3840x3840");
}

TEST_F(ResourcesTest, SeparateAlphaLoadsTheCompanion)
{
    const char* meta = "<meta><image><separate_alpha value=\"1\"/></image></meta>";
    ASSERT_EQ(Open(Pack("alpha.dmp", {{"/dmp.meta", meta},
                                      {"/ghost.png", MakePng(8, 8, "#ffffff")},
                                      {"/ghost_alpha.png", MakePng(8, 8, "#000000")}})),
              1);
    ASSERT_EQ(Open(Pack("plain.dmp", {{"/solid.png", MakePng(8, 8, "#ffffff")},
                                      {"/solid_alpha.png", MakePng(8, 8, "#000000")}})),
              1);
    // The companion's black makes the image fully transparent (premultiplied: all zero);
    // without the flag the same image stays opaque.
    ASSERT_NE(Get("ghost.png"), nullptr);
    EXPECT_EQ(Get("ghost.png")->GetPixel(4, 4) >> 24, 0u);
    ASSERT_NE(Get("solid.png"), nullptr);
    EXPECT_EQ(Get("solid.png")->GetPixel(4, 4), 0xFFFFFFFFu);
}

TEST_F(ResourcesTest, ClosePackForgetsWhatIsNotLoadedAndHeldSurfacesLoadAgainLater)
{
    std::string path = Pack(
        "p.dmp", {{"/held.png", MakePng(4, 4, "#ff00ff")},
                  {"/idle.png", MakePng(4, 4, "#ff00ff")},
                  {"/notes.txt", "notes"},
                  {"/a.six", "<surfaces image=\"held.png\"><surface name=\"m\"/></surfaces>"}});
    ASSERT_EQ(Open(path), 1);
    CVortanSurface* held = Get("held.png");
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(manager.ClosePack(S(path), 1), 1);
    EXPECT_EQ(manager.GetPackCount(), 0);
    EXPECT_EQ(manager.GetCurrentPackId(), 0);
    EXPECT_EQ(Read("notes.txt"), "<none>");
    EXPECT_EQ(Get("idle.png"), nullptr);
    CVortanFloatRect r;
    EXPECT_EQ(manager.GetSurface(S("m"), &r), nullptr);
    // The loaded surface lives on with its holders, also across a reopen.
    EXPECT_EQ(held->GetPixel(1, 1), 0xFFFF00FFu);
    EXPECT_EQ(manager.FindSurface(S("held.png")), held);
    Drop(held);
    ASSERT_EQ(Open(path), 1);
    EXPECT_EQ(Read("notes.txt"), "notes");
    EXPECT_EQ(Get("held.png"), held);
    Drop(held);
    Drop(held);
    // Gone with its last reference, it loads from the reopened pack.
    CVortanSurface* fresh = Get("held.png");
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh->GetTexture(), 0u);
    EXPECT_EQ(fresh->GetPixel(0, 0), 0xFFFF00FFu);
    // And without a reopen, a record of a closed pack leaves with its last reference: the
    // next pack listing the name takes it over.
    ASSERT_EQ(manager.ClosePack(S(path), 1), 1);
    Drop(fresh);
    ASSERT_EQ(Open(Pack("q.dmp", {{"/held.png", MakePng(2, 2, "#ffffff")}})), 1);
    EXPECT_EQ(Size("held.png"), "2x2");
}

class SoundResourcesTest : public ResourcesTest {
protected:
    SoundResourcesTest() : engine(CVortanSoundEngine::Create()) { manager.Init(&app, engine); }
    ~SoundResourcesTest() override
    {
        manager.ReleaseAll();
        delete engine;
    }
    CVortanSoundEngine* engine;
};

TEST_F(SoundResourcesTest, LoadNowDecodesAtOnceAsyncIsSilentUntilDecoded)
{
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/long.wav", MakeWav(8000)},
                                    {"/beep.wav", MakeWav(400)},
                                    {"/bad.wav", "RIFF junk"}})),
              1);
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

    CVortanSoundWave* a = manager.GetSound(S("long.wav"));
    ASSERT_NE(a, nullptr);
    CVortanSoundWave* b = manager.GetSound(S("long.wav"));
    EXPECT_EQ(a, b); // same object, two references, one loader
    EXPECT_EQ(manager.GetPendingSoundLoads(), 1);
    // Not decoded: nothing to play or mix. The first poll after construction does nothing.
    EXPECT_EQ(a->GetBufferCount(), 0);
    EXPECT_NE(a->Play(0), VORTAN_OK);
    // The loader's thread exists from its start and pauses before it decodes, so the
    // thread count tells at once whether a poll started it.
    const int threads = vtest::ThreadCount();
    manager.PollAsyncSounds();
    EXPECT_EQ(vtest::ThreadCount(), threads);
    EXPECT_EQ(a->GetBufferCount(), 0);
    manager.PollAsyncSounds();
    EXPECT_TRUE(vtest::ThreadCount() == threads + 1 || a->GetBufferCount() == 1); // started
    EXPECT_TRUE(vtest::WaitUntil([&] {
        manager.PollAsyncSounds();
        return manager.GetPendingSoundLoads() == 0;
    }));
    EXPECT_EQ(a->GetBufferCount(), 1);
    EXPECT_EQ(a->GetDataSize(), 16000);
    EXPECT_EQ(a->Play(0), VORTAN_OK);
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

    manager.PollAsyncSounds(); // skipped
    int previous = 5;
    bool finished[4] = {};
    for (int frame = 0; frame < 4000 && manager.GetPendingSoundLoads() > 0; ++frame) {
        manager.PollAsyncSounds();
        int now = manager.GetPendingSoundLoads();
        EXPECT_GE(now, previous - 1); // at most one reaped per frame
        previous = now;
        // Decodes finish in queueing order.
        for (int i = 0; i < 4; ++i) {
            if (sounds[i]->GetBufferCount() > 0 && !finished[i]) {
                finished[i] = true;
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
    EXPECT_NE(broken->Play(0), VORTAN_OK);

    // Releasing a sound whose loader runs or waits drops the loader.
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/a.wav", MakeWav(100)}, {"/b.wav", MakeWav(100)}})), 1);
    CVortanSoundWave* a = manager.GetSound(S("a.wav"));
    CVortanSoundWave* b = manager.GetSound(S("b.wav"));
    EXPECT_EQ(manager.GetPendingSoundLoads(), 2);
    manager.PollAsyncSounds();
    manager.PollAsyncSounds(); // a's loader runs now
    manager.ReleaseSound(a);   // joined and dropped
    EXPECT_EQ(manager.GetPendingSoundLoads(), 1);
    manager.ReleaseSound(b);
    EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
}

TEST_F(ResourcesTest, NoSoundEngineNoSounds)
{
    ASSERT_EQ(Open(Pack("snd.dmp", {{"/a.wav", MakeWav(100)}})), 1);
    EXPECT_EQ(manager.GetSound(S("a.wav")), nullptr);
    EXPECT_EQ(manager.GetSound(S("a.wav"), ORLO_SOUND_LOAD_NOW), nullptr);
    EXPECT_EQ(Read("a.wav"), MakeWav(100)); // the file can still be read
    CVortanSoundWave* stranger = CVortanSoundWave::CreateInstance();
    CVortanSoundWave* h = stranger;
    EXPECT_EQ(manager.AddRefSound(stranger), 0);
    EXPECT_EQ(manager.ReleaseSound(h), 0);
    delete stranger;
}

TEST_F(ResourcesTest, ProgramsLostContextAndReleaseAll)
{
    CVortan3DProgram* p = new CVortan3DProgram();
    EXPECT_EQ(manager.GetProgram(S("text")), nullptr);
    EXPECT_EQ(manager.AddProgram(S("text"), p), 1);
    CVortan3DProgram* q = new CVortan3DProgram();
    EXPECT_EQ(manager.AddProgram(S("text"), q), 0); // a live program keeps the name
    EXPECT_EQ(manager.AddRefProgram(q), 0);
    EXPECT_EQ(manager.GetProgram(S("text")), p);
    EXPECT_EQ(manager.AddRefProgram(p), 1); // three
    for (int i = 0; i < 3; ++i) {
        CVortan3DProgram* h = p;
        EXPECT_EQ(manager.ReleaseProgram(h), 1);
        EXPECT_EQ(h, nullptr);
    }
    EXPECT_EQ(manager.FindProgram(S("text")), nullptr);
    EXPECT_EQ(manager.AddProgram(S("text"), q), 1); // the released name takes a new program

    ASSERT_EQ(Open(Pack("t.dmp", {{"/a.png", MakePng(16, 16, "#123456")},
                                  {"/b.png", MakePng(8, 8, "#654321")},
                                  {"/f.txt", "x"}})),
              1);
    CVortanSurface* a = Get("a.png");
    CVortanSurface* b = Get("b.png");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), VORTAN_OK);
    EXPECT_EQ(a->GetTexture(), 0u);
    EXPECT_EQ(b->GetTexture(), 0u);
    EXPECT_EQ(manager.ReloadAllSurfaceTextures(), VORTAN_OK);
    EXPECT_NE(a->GetTexture(), 0u);
    EXPECT_NE(b->GetTexture(), 0u);
    EXPECT_EQ(a->GetPixel(2, 2), 0xFF123456u);

    manager.ReleaseAll();
    EXPECT_EQ(manager.GetPackCount(), 0);
    EXPECT_EQ(manager.GetCurrentPackId(), 0);
    EXPECT_EQ(Read("f.txt"), "<none>");
    EXPECT_EQ(Get("a.png"), nullptr);
    EXPECT_EQ(manager.GetProgram(S("text")), nullptr);
    // Pack ids keep counting.
    ASSERT_EQ(Open(dir.File("t.dmp")), 1);
    EXPECT_EQ(manager.GetCurrentPackId(), 2);
}

const char* kFontDescription =
    "<font>\n"
    "  <common lineHeight=\"20\"/>\n"
    "  <pages><page id=\"0\" file=\"glyphs.png\"/></pages>\n"
    "  <chars count=\"2\">\n"
    "    <char id=\"65\" x=\"0\" y=\"0\" width=\"8\" height=\"10\" xadvance=\"9\" page=\"0\"/>\n"
    "    <char id=\"66\" x=\"8\" y=\"0\" width=\"8\" height=\"10\" xadvance=\"7\" page=\"0\"/>\n"
    "  </chars>\n"
    "</font>\n";

TEST_F(ResourcesTest, DefaultFontNeedsNoPackAndPackFontsAreScaled)
{
    EXPECT_EQ(manager.GetFont(S("")), nullptr);
    EXPECT_EQ(manager.GetFont(S("missing.fnt")), nullptr);
    CVortanBitmapFont* def = manager.GetFont(S("default"));
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->GetRawLineHeight(), 10);
    EXPECT_EQ(manager.GetFont(S("default")), def);
    CVortanBitmapFont* h = def;
    EXPECT_EQ(manager.ReleaseFont(h), 1);
    EXPECT_EQ(h, nullptr);
    manager.ReleaseFont(def);
    EXPECT_EQ(manager.FindFont(S("default")), nullptr);

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
    EXPECT_EQ(manager.UnloadAllSurfaceTextures(), VORTAN_OK);
    EXPECT_EQ(plain->GetPage(0)->texture, 0u);
    EXPECT_EQ(manager.ReloadAllSurfaceTextures(), VORTAN_OK);
    EXPECT_NE(plain->GetPage(0)->texture, 0u);
    // The last release keeps the record: the font loads again.
    h = plain;
    EXPECT_EQ(manager.ReleaseFont(h), 1);
    EXPECT_EQ(manager.FindFont(S("plain.fnt")), nullptr);
    CVortanBitmapFont* again = manager.GetFont(S("plain.fnt"));
    ASSERT_NE(again, nullptr);
    manager.ReleaseFont(again);
    manager.ReleaseFont(colour);
    // Unknown fonts are the caller's.
    CVortanBitmapFont stranger;
    CVortanBitmapFont* s = &stranger;
    EXPECT_EQ(manager.AddRefFont(s), 0);
    EXPECT_EQ(manager.ReleaseFont(s), 0);
    EXPECT_EQ(s, &stranger);
}

} // namespace
