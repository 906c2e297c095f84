// A battle frame on the largest battlefield through the game's renderer on Mesa GLES2 under a
// private Xvfb: one 33 ms step of logic (world, scene, effects, camera) plus the frame's draw
// submission (water, blocks with shadows, squibs with aim dots, projectiles, explosions,
// labels, HUD texts) with the game's own images and font, as main-thread CPU time; the swap is outside the measure. Also the peak
// resident size with every image, the font, the sounds' bytes and a drawn level, beside a child that only opens
// a minimal EGL/GLES2 window on the same server.
#include <benchmark/benchmark.h>

#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexAssetTables.h"
#include "game/VexEffectList.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrlogateApplication.h"

namespace {

// Starts Xvfb on a free display and exports DISPLAY; the server ends with this process.
bool StartXvfb()
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        char fd[16];
        snprintf(fd, sizeof(fd), "%d", fds[1]);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", "800x480x24", "-nolisten", "tcp",
               "-noreset", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

Window MakeWindow(Display* display)
{
    Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 480, 0, 0, 0);
    XSelectInput(display, w, StructureNotifyMask);
    XMapWindow(display, w);
    XEvent e;
    do {
        XNextEvent(display, &e);
    } while (e.type != MapNotify);
    return w;
}

long PeakKb()
{
    FILE* f = fopen("/proc/self/status", "r");
    char line[256];
    long kb = 0;
    while (f && fgets(line, sizeof(line), f))
        if (!strncmp(line, "VmHWM:", 6))
            kb = atol(line + 6);
    if (f)
        fclose(f);
    return kb;
}

// The peak of a child that opens a minimal EGL/GLES2 window, clears it and presents.
long BaselinePeakKb()
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Display* display = XOpenDisplay(nullptr);
        Window w = MakeWindow(display);
        CVortanGraphicsExt_GLES2 ext;
        ext.Create(w);
        ext.Resize(800, 480);
        ext.Clear(0xFF000000u, nullptr);
        ext.Present();
        long kb = PeakKb();
        ssize_t n = write(fds[1], &kb, sizeof(kb));
        (void)n;
        _exit(0);
    }
    close(fds[1]);
    long kb = 0;
    ssize_t n = read(fds[0], &kb, sizeof(kb));
    (void)n;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return kb;
}

class App : public COrlogateApplication {
public:
    ~App() override { COrloResourceManager::ReleaseAll(); }
    int CreateSessionAndMenu() override { return 1; }
    void StartResources() { COrloResourceManager::Init(this, nullptr); }
};

double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

struct Battle {
    Battle()
    {
        if (!StartXvfb())
            abort();
        baselineKb = BaselinePeakKb();
        display = XOpenDisplay(nullptr);
        window = MakeWindow(display);
        ext = new CVortanGraphicsExt_GLES2();
        app.ReplaceGraphicsExt(ext);
        if (ext->Create(window) != VORTAN_OK)
            abort();
        ext->Resize(800, 480);
        app.StartResources();
        game.Init(&app);
        renderer.Init(&game);
        // Every pack of the game; every image and the font into their slots; every sound's
        // bytes held as the resource manager reads them before decoding (about the PCM's
        // size: the sounds are WAVE files).
        const char* packs[] = {
            "dataEffects", "dataPlayers",      "dataScenes",        "dataTextures", "dataUI",
            "dataAudio",   "dataAmbientAudio", "dataAmbientAudio2", "dataIntro"};
        for (const char* p : packs) {
            const std::string path = std::string(VORTAN_BINARY_DIR "/") + p + ".dmp";
            if (app.OpenPack(CVortanString(path.c_str()), 1) != 1)
                abort();
        }
        for (int id = 0; id < VEX_IMAGE_COUNT; ++id)
            CVexAssetLoader::LoadImage(game.GetGameContext(), &app, id);
        CVexAssetLoader::LoadFont(game.GetGameContext(), &app);
        for (int id = 0; id < VEX_SOUND_COUNT; ++id) {
            char* bytes = nullptr;
            const int size = app.ReadResourceFile(CVexAssetTables::Get().SoundName(id), &bytes);
            soundBytes += size > 0 ? size : 0;
            sounds[id] = bytes;
        }
        // The largest battlefield.
        world.Init(1.0f / 30.0f, 4);
        scene.Init(&game, &renderer, &world, 0);
        int best = 0, most = -1;
        for (int i = 0; i < VEX_LEVEL_COUNT; ++i) {
            scene.LoadScene(CVexAssetTables::Get().LevelName(i));
            if (scene.GetBlocks()->GetCount() > most)
                most = scene.GetBlocks()->GetCount(), best = i;
        }
        scene.LoadScene(CVexAssetTables::Get().LevelName(best));
        blocks = most;
        scene.SetBlockAnimation(1);
        // Squibs: one aiming at full stretch, one idle showing damage; three projectiles in
        // flight; five explosions; the camera on the world.
        CVexPlayer& p0 = scene.GetPlayer(0);
        p0.stretching = 1;
        p0.aiming = 1;
        p0.stretch.Set(-0.3f, -0.2f);
        p0.aim.Set(-0.3f, -0.2f);
        CVexPlayer& p1 = scene.GetPlayer(1);
        p1.showDamage = 1;
        p1.damageNumbers[0] = 30;
        p1.damageNumbers[1] = 60;
        for (int i = 0; i < 3; ++i) {
            CVexProjectile* shot = scene.CreateProjectile(i & 1, 0, i);
            if (shot)
                shot->body->velocity.Set(0.02f * (float)(i + 1), 0.05f);
        }
        effects.SetGame(&game);
        effects.SetRenderer(&renderer);
        renderer.GetCamera().FollowWorld(&world);
        Frame();
        ext->Present();
        peakKb = PeakKb();
    }
    ~Battle()
    {
        for (int id = 0; id < VEX_SOUND_COUNT; ++id)
            delete[] sounds[id];
    }

    void Step()
    {
        world.Step();
        scene.Step(1.0f / 30.0f);
        if (effects.GetCount() < 5)
            effects.Add(CVortanVector2(0.3f * (float)effects.GetCount() - 0.6f, 0.6f), 0.25f, 0,
                        0xFFFFFFFFu);
        effects.Update(1.0f / 30.0f);
        renderer.UpdateCamera(1.0f / 30.0f);
    }

    // The frame's parts' main-thread seconds add up in `parts` (water, blocks, squibs, the
    // rest).
    void Frame(double* parts = nullptr)
    {
        double t = ThreadSeconds();
        auto lap = [&](int i) {
            const double now = ThreadSeconds();
            if (parts)
                parts[i] += now - t;
            t = now;
        };
        renderer.DrawWater(0);
        lap(0);
        scene.DrawWorld(1);
        lap(1);
        scene.DrawPlayers();
        lap(2);
        for (int p = 0; p < 2; ++p)
            for (int s = 0; s < 3; ++s)
                if (CVexProjectile* shot = scene.GetPlayer(p).GetSlot(s))
                    renderer.DrawWorldImage(shot->body->position, shot->body->halfSize,
                                            renderer.GetImage(18 + p), 0xFFFFFFFFu);
        effects.Render();
        scene.DrawPlayerLabels();
        renderer.DrawText(400, 10, CVortanString("Round 2"), 0xFFFFFFFFu, VEX_TEXT_CENTER_X);
        renderer.DrawText(20, 10, CVortanString("Player one"), 0xFFFF5D37u, 0);
        renderer.DrawText(780, 10, CVortanString("Player two"), 0xFF3A92FFu, VEX_TEXT_RIGHT);
        renderer.DrawText(400, 460, CVortanString("27"), 0xFFFFFFFFu, VEX_TEXT_CENTER_X);
        renderer.DrawText(400, 240, CVortanString("Your turn"), 0xFFFFFFFFu,
                          VEX_TEXT_CENTER_VIEW_X | VEX_TEXT_CENTER_VIEW_Y);
        lap(3);
    }

    Display* display;
    Window window;
    App app;
    CVortanGraphicsExt_GLES2* ext;
    CStateGame game;
    CVexRenderer renderer;
    CVexPhysicsWorld world;
    CVexScene scene;
    CVexEffectList effects;
    char* sounds[VEX_SOUND_COUNT];
    long soundBytes = 0;
    int blocks = 0;
    long baselineKb = 0, peakKb = 0;
};

Battle& Get()
{
    static Battle* battle = new Battle();
    return *battle;
}

void BM_BattleFrame(benchmark::State& state)
{
    Battle& b = Get();
    double cpu = 0.0, logic = 0.0, parts[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        b.Step();
        const double t1 = ThreadSeconds();
        b.Frame(parts);
        cpu += ThreadSeconds() - t0;
        logic += t1 - t0;
        b.ext->Present();
        // The swap's own work (llvmpipe finishing the frame, the copy to the server) is not
        // the game's: let it end before the next measure.
        glFinish();
    }
    const double perFrame = cpu / (double)state.iterations();
    const double n = (double)state.iterations();
    state.counters["logic_cpu_ms"] = logic / n * 1e3;
    state.counters["water_ms"] = parts[0] / n * 1e3;
    state.counters["blocks_ms"] = parts[1] / n * 1e3;
    state.counters["squibs_ms"] = parts[2] / n * 1e3;
    state.counters["rest_ms"] = parts[3] / n * 1e3;
    state.counters["main_cpu_ms"] = perFrame * 1e3;
    state.counters["share_of_33ms"] = perFrame / 0.033;
    state.counters["blocks"] = b.blocks;
    state.counters["draw_calls_blocks"] = b.scene.GetDrawCalls();
}
BENCHMARK(BM_BattleFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The least a full redraw costs here: one full-screen textured quad (the 1024 x 512 battle
// background) a frame, presented and finished like the battle's frame, at the same rate.
void BM_FullScreenQuadFrame(benchmark::State& state)
{
    Battle& b = Get();
    CVortanSurface* image = b.renderer.GetImage(3);
    if (!image) {
        state.SkipWithError("no background image");
        return;
    }
    glFinish();
    for (auto _ : state) {
        b.renderer.DrawScreenQuad(CVortanVector2(400.0f, 240.0f), CVortanVector2(400.0f, 240.0f),
                                  image, 0xFFFFFFFFu);
        b.ext->Present();
        glFinish();
    }
}
BENCHMARK(BM_FullScreenQuadFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakResident(benchmark::State& state)
{
    Battle& b = Get();
    for (auto _ : state)
        benchmark::DoNotOptimize(b.peakKb);
    state.counters["peak_MB"] = (double)b.peakKb / 1024.0;
    state.counters["window_only_MB"] = (double)b.baselineKb / 1024.0;
    state.counters["difference_MB"] = (double)(b.peakKb - b.baselineKb) / 1024.0;
    state.counters["sound_MB"] = (double)b.soundBytes / 1048576.0;
}
BENCHMARK(BM_PeakResident)->Iterations(1);

} // namespace
