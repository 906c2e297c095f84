// CVexStateDump: the game's state written to a small text file once per frame, for tests that
// drive the built program from outside (a test seam no player sees; the environment variable
// ORLO_STATE_DUMP names the file and turns it on). The file's lines are listed in
// VexStateDump.cpp. Also the battle digest that both sides of a battle agree on after a shot.
//
// A second seam for tests that must look at a screen that shows only for a while (a turn's
// banner): ORLO_FREEZE_TEXTS lists game texts by number ("1,2,6"). When the last frame drew one
// of them opaque and the frame before did not, the dump is written with a line "frozen <n>
// <number>..." and the process stops itself (SIGSTOP) with that frame on the screen, until the
// test continues it (SIGCONT).
//
// A third: with ORLO_DUMP_FRAMES=1 every frame's dump carries the frame's number and the game's
// step count, so that a reader can tell frames apart (a screen at rest over several frames, a
// time counted in the game's steps); every frame is then written.
#pragma once
#include <string>
#include <vector>

#include "engine/VortanTypes.h"

class CStateGame;
class CVexPlayState;

// A part of the program that adds its own lines to the dump ("key value..." each, ending in
// '\n'), called each time the dump is composed. A plain function over a std::string, so that
// parts the game's code does not see (the online menu: its page, the rectangles of its named
// widgets, the connections' states) can be registered by the program that sees both.
typedef void (*VexDumpSection)(void* context, std::string& out);

enum { VEX_DUMP_MAX_SECTIONS = 4 };

// Appends the digest of the battle: the round fields, both squibs, every projectile slot and
// every block, floats as the hex of their bits, numbers separated by spaces.
void VexBattleDigest(CVexPlayState* battle, std::string& out);

class CVexStateDump {
public:
    // The dump's file named by the environment, or null when the dump is off. The one place
    // the variable is read.
    static const char* PathFromEnvironment();

    // Adds a section to every dump of this process (the same function and context once).
    // VORTAN_OK; VORTAN_E_ARGUMENT without a function; VORTAN_E_RANGE when all are taken.
    static int AddSection(VexDumpSection section, void* context);
    static void RemoveSection(VexDumpSection section, void* context);

    // The game texts named by ORLO_FREEZE_TEXTS (numbers from 0 to 9999 separated by commas;
    // anything else in the list is left out), in the order given.
    static std::vector<int> FreezeTextsFromEnvironment();
    // Whether ORLO_DUMP_FRAMES asks for the frame and step lines ("1").
    static int FrameLinesFromEnvironment();

    explicit CVexStateDump(const char* path);
    virtual ~CVexStateDump();

    // Stops the process so far.
    u32 GetFreezeCount() const { return m_freezes; }

    // Composes the game's state and writes it when it differs from the last one written:
    // to a temporary file beside the dump, then renamed over it.
    void Frame(CStateGame* game);
    // The state as it would be written now.
    void Compose(CStateGame* game, std::string& out);
    // The text last written, and how many writes there were.
    const std::string& GetLastText() const { return m_last; }
    int GetWriteCount() const { return m_writes; }
    // The digest taken at the last end of a shot's playback of the running battle.
    const std::string& GetShotDigest() const { return m_shotDigest; }

    // What a freeze does in place of stopping the process (a test's), or null to stop it.
    typedef void (*StopHook)(void* context);
    void SetStopHook(StopHook hook, void* context)
    {
        m_stopHook = hook;
        m_stopContext = context;
    }

private:
    void Stop();

    CVexStateDump(const CVexStateDump&) = delete;
    CVexStateDump& operator=(const CVexStateDump&) = delete;

    static void OnPlayback(CVexPlayState* battle, void* context);
    void ComposeBattle(CStateGame* game, CVexPlayState* battle, std::string& out);
    // The touch buttons of the active screens and the texts of the last frame.
    static void ComposeButtons(CStateGame* game, std::string& out);
    static void ComposeTexts(CStateGame* game, std::string& out);
    // The freeze texts the last frame drew opaque that the frame before did not; remembers
    // this frame's.
    void FreezeTextsAppeared(CStateGame* game, std::vector<int>& appeared);
    int Write(const std::string& text);

    std::string m_path;
    std::string m_last;
    std::string m_shotDigest;
    // The battle lines of the last frame of a battle whose match was over, each with "last_"
    // before it.
    std::string m_lastEnd;
    i32 m_writes;
    std::vector<int> m_freezeTexts;
    std::vector<int> m_opaqueBefore;
    u32 m_freezes;
    StopHook m_stopHook;
    void* m_stopContext;
    u32 m_frames;
    i32 m_frameLines;
};
