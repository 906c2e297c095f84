// The application's services that need no window: a missing X display, the user data and
// resource paths, the palette and the random numbers.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanPtrArray.h"
#include "engine/platform/VortanApplication.h"
#include "engine/platform/VortanExitStatus.h"
#include "tests/support/TestSupport.h"

using namespace vtest;

namespace {

class PlainApp : public IVortanApplication {
public:
    int updates = 0;
    void Update() override { ++updates; }
};

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Points HOME somewhere else for the life of the object.
class HomeOverride {
public:
    explicit HomeOverride(const std::string& home)
    {
        const char* old = getenv("HOME");
        m_had = old != nullptr;
        m_old = old ? old : "";
        setenv("HOME", home.c_str(), 1);
    }
    ~HomeOverride()
    {
        if (m_had)
            setenv("HOME", m_old.c_str(), 1);
        else
            unsetenv("HOME");
    }

private:
    bool m_had;
    std::string m_old;
};

// Every test here runs without an X server.
class NoDisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override { unsetenv("DISPLAY"); }
};
const ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new NoDisplayEnvironment);

} // namespace

TEST(ApplicationWithoutDisplay, FailsCleanlyInsteadOfCrashing)
{
    PlainApp app;
    CVortanWindowSettings settings;
    IVortanApplication::GetDefaultSettings(&settings);
    EXPECT_EQ(VORTAN_E_FAIL, app.CreateWindow(nullptr, &settings));
    EXPECT_EQ(VORTAN_E_FAIL, app.InitWindow(nullptr, &settings, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, app.CreateWindow(nullptr, nullptr));
    // The failure was told and is the program's exit status.
    EXPECT_EQ(VORTAN_EXIT_NO_DISPLAY, VortanGetExitStatus());
    EXPECT_EQ(VORTAN_EXIT_NO_DISPLAY, app.Run());
    EXPECT_FALSE(app.IsCreated());
    app.Frame();
    EXPECT_EQ(0, app.updates);
    // Only the default mode can be offered.
    CVortanPtrArray modes;
    app.GetDisplayModes(&modes);
    ASSERT_EQ(1, modes.GetCount());
    delete (CVortanWindowSettings*)modes.GetAt(0);
    // No dialog can be shown; the call returns.
    app.MessageBox(CVortanString("Title"), CVortanString("Text"));
    app.Quit();
}

TEST(ApplicationPaths, UserDataDirectoryIsMadeWithoutAShellFromTheSanitisedName)
{
    TempDir temp;
    std::string home = temp.File("home with space/nested"); // not there yet
    HomeOverride override(home);
    PlainApp app;
    // Shell characters, a path separator and non-ASCII units all become "_".
    app.SetAppName(CVortanString(L"Squib's;touch pwned$(id)`x`/../Z\u00e9\u0141"));
    CVortanString path;
    ASSERT_EQ(VORTAN_OK, app.GetUserDataPath(path, CVortanString("stats.dat")));
    std::string dir = home + "/.Squib_s_touch_pwned__id__x_____Z__";
    EXPECT_EQ(dir + "/stats.dat", VortanUTF8Of(path));
    EXPECT_TRUE(IsDirectory(dir));
    // Nothing was run: no file appeared anywhere near.
    EXPECT_NE(0, access(temp.File("pwned").c_str(), F_OK));
    EXPECT_NE(0, access((home + "/pwned").c_str(), F_OK));
    EXPECT_NE(0, access("pwned", F_OK));

    // The directory is there now.
    ASSERT_EQ(VORTAN_OK, app.GetUserDataPath(path, CVortanString("ach.dat")));
    EXPECT_EQ(dir + "/ach.dat", VortanUTF8Of(path));
}

TEST(ApplicationPaths, UserDataPathFailsWhenTheDirectoryCannotBeMade)
{
    TempDir temp;
    ASSERT_TRUE(WriteWholeFile(temp.File("file"), "x"));
    HomeOverride override(temp.File("file")); // a file where the home directory should be
    PlainApp app;
    app.SetAppName(CVortanString("Game"));
    CVortanString path("old");
    EXPECT_EQ(VORTAN_E_FAIL, app.GetUserDataPath(path, CVortanString("stats.dat")));
    EXPECT_TRUE(path.IsEmpty());
}

TEST(ApplicationPaths, UserDataPathUnderANonAsciiHomeOpensWithTheFileLayer)
{
    // The file layer hands a path to the C library as the low byte of each unit, so the
    // path must carry the home directory's bytes one per unit (here UTF-8 "h\u00e9me").
    TempDir temp;
    std::string home = temp.File("h\xc3\xa9me");
    HomeOverride override(home);
    PlainApp app;
    app.SetAppName(CVortanString("Game"));
    CVortanString path;
    ASSERT_EQ(VORTAN_OK, app.GetUserDataPath(path, CVortanString("stats.dat")));
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.Open(path, VORTAN_FILE_WRITE));
    EXPECT_EQ(4, file.Write("abcd", 4));
    file.Close();
    EXPECT_EQ("abcd", ReadWholeFile(home + "/.Game/stats.dat"));
}

TEST(ApplicationPaths, ResourcePathIsBesideTheExecutable)
{
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ASSERT_GT(n, 0);
    exe[n] = 0;
    std::string dir(exe);
    dir.resize(dir.rfind('/') + 1);

    PlainApp app;
    CVortanString path;
    app.GetResourcePath(path, CVortanString("orlosounds.dmp"));
    EXPECT_EQ(dir + "orlosounds.dmp", VortanUTF8Of(path));
    // One leading backslash is dropped.
    CVortanString other;
    app.GetResourcePath(other, CVortanString("\\data\\x.dmp"));
    EXPECT_EQ(dir + "data\\x.dmp", VortanUTF8Of(other));
    CVortanString exeDir;
    ASSERT_EQ(VORTAN_OK, app.GetExecutableDir(exeDir));
    EXPECT_EQ(dir, VortanUTF8Of(exeDir));
}

TEST(ApplicationPalette, DefaultPaletteAndNearestColourLookupMatchAnIndependentComputation)
{
    const char* script =
        "pal=[(((i>>5)&7)*255//7)<<16|(((i>>2)&7)*255//7)<<8|(i&3)*85 for i in range(256)]\n"
        "def near(c):\n"
        "  if c in pal: return pal.index(c)\n"
        "  r,g,b=c>>16&255,c>>8&255,c&255\n"
        "  return min(range(256),key=lambda "
        "i:(abs((pal[i]>>16&255)-r)+abs((pal[i]>>8&255)-g)+abs((pal[i]&255)-b),i))\n"
        "print(' '.join(map(str,pal)))\n"
        "print(' '.join(str(near((v>>8&15)*16<<16|(v>>4&15)*16<<8|(v&15)*16)) for v in "
        "range(4096)))\n";
    std::string out;
    ASSERT_EQ(0, RunProgram({Python(), "-c", script}, &out));
    std::istringstream in(out);
    std::vector<u32> palette(256), lookup(4096);
    for (u32& v : palette)
        in >> v;
    for (u32& v : lookup)
        in >> v;
    ASSERT_FALSE(in.fail());

    PlainApp app;
    EXPECT_EQ(nullptr, app.GetPalette());
    ASSERT_EQ(VORTAN_OK, app.SetPalette(nullptr));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(palette[i], app.GetPalette()[i]) << "entry " << i;
    for (int v = 0; v < 4096; ++v)
        ASSERT_EQ(lookup[v], (u32)app.GetPaletteLookup()[v]) << "lookup " << v;

    // A palette of one colour everywhere: every lookup finds entry 0 (the first of equals).
    std::vector<u32> grey(256, 0x808080);
    ASSERT_EQ(VORTAN_OK, app.SetPalette(grey.data()));
    EXPECT_EQ(0, app.GetPaletteLookup()[0xFFF]);
    EXPECT_EQ(0x808080u, app.GetPalette()[255]);
    // An exact match wins over an earlier near one; alpha is ignored.
    grey[200] = 0x102030;
    EXPECT_EQ(200, IVortanApplication::FindNearestPaletteIndex(grey.data(), 0xFF102030));
    EXPECT_EQ(255, IVortanApplication::FindNearestPaletteIndex(nullptr, 0));
}

TEST(ApplicationRandom, RangesAndDegenerateRanges)
{
    IVortanApplication::SeedRandomValue(1234);
    bool seen[10] = {};
    for (int i = 0; i < 2000; ++i) {
        int v = IVortanApplication::RandomInt(0, 9);
        ASSERT_TRUE(v >= 0 && v <= 9) << v;
        seen[v] = true;
    }
    for (bool s : seen)
        EXPECT_TRUE(s);
    // Empty or inverted ranges give min (no division by zero).
    for (auto [lo, hi] : {std::pair<int, int>{3, 3}, {5, 4}, {9, -9}, {INT_MAX, INT_MIN}})
        EXPECT_EQ(lo, IVortanApplication::RandomInt(lo, hi));
    for (int i = 0; i < 200; ++i) {
        int v = IVortanApplication::RandomInt(-5, -1);
        ASSERT_TRUE(v >= -5 && v <= -1) << v;
        IVortanApplication::RandomInt(INT_MIN, INT_MAX); // full range: no overflow (UBSan)
        float f = IVortanApplication::RandomFloat(-2.0f, 2.0f);
        ASSERT_TRUE(f >= -2.0f && f <= 2.0f) << f;
        double d = IVortanApplication::RandomDouble(10.0, 20.0);
        ASSERT_TRUE(d >= 10.0 && d <= 20.0) << d;
    }
    // The same seed gives the same sequence.
    IVortanApplication::SeedRandomValue(99);
    int a = IVortanApplication::RandomInt(0, 1000000);
    IVortanApplication::SeedRandomValue(99);
    EXPECT_EQ(a, IVortanApplication::RandomInt(0, 1000000));
}
