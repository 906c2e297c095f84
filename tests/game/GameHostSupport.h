// Helpers of the game host tests: an application without a window (null graphics, a settings
// store and optionally a sound engine, the program's directory in a temporary one), the game's
// language pack, screens that log what the host does with them, and a host that makes them.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "engine/VortanRunnable.h"
#include "engine/VortanTimer.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "game/StateGame.h"
#include "game/VexState.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

namespace htest {

inline CVortanString S(const std::string& text)
{
    return CVortanString(text.c_str());
}

// "<dir>/zorbixlanguage_0000.dmp": an English pack whose text n is "T<n>" for n < count.
inline void WriteGameLanguage(const std::string& dir, int count = 4)
{
    std::string text = "NAME=English\r\nCODE=en\r\nFLAGS=VE_TEXT_LEFT\r\nSPECIAL_CHARS=0\r\n";
    for (int i = 0; i < count; ++i)
        text += std::to_string(i) + "=T" + std::to_string(i) + "\r\n";
    std::string utf16;
    for (char c : text)
        utf16 += c, utf16 += '\0';
    ASSERT_TRUE(vtest::WriteWholeFile(dir + "/zorbixlanguage_0000.dmp",
                                      vtest::MakePack({{"/texts.txt", utf16}})));
}

// The program's application without a window. Its program directory is a temporary one
// holding the game's language pack; its settings live there too.
class HostApp : public COrlogateApplication {
public:
    HostApp(int width = 800, int height = 480, CVortanSoundEngine* sound = nullptr)
    {
        unsetenv("DISPLAY");
        m_ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(m_ext);
        m_ext->Create(0);
        m_ext->Resize(width, height);
        m_soundEngine = sound;
        COrloResourceManager::Init(this, sound);
        WriteGameLanguage(dir.Path());
        m_settings = new COrloStatsStore();
        m_settings->Open(S(dir.File("stats.dat")));
        for (const char* key : {ORLO_KEY_SOUNDS_MUTE, ORLO_KEY_MUSIC_MUTE})
            m_settings->AddEntry(S(key))->SetBool(0);
    }
    ~HostApp() override
    {
        m_created = 0;
        COrloResourceManager::ReleaseAll();
        OnExit();
    }
    int CreateSessionAndMenu() override { return VORTAN_OK; }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = S(dir.Path() + "/");
        out.Append(fileName);
    }
    void ReturnToMenu(bool logout) override { returnsToMenu += logout ? 1 : 100; }
    // One frame's runnables (the music player's bus among them).
    void RunFrame(float dt)
    {
        for (int i = 0; i < m_runnables.GetCount(); ++i)
            ((IVortanRunnable*)m_runnables.GetAt(i))->Run(dt);
    }
    // Paced as the program is (idle throttle) and idle, as after a long quiet spell.
    void MakeIdle()
    {
        m_created = 1;
        SetFramePacing(2, 3000);
        m_idle = 1;
    }

    vtest::TempDir dir;
    int returnsToMenu = 0;

private:
    CVortanGraphicsExt_Null* m_ext;
};

typedef std::vector<std::string> Log;

// A screen that logs the host's calls on it as "<type>:<call>".
class TestScreen : public CVexState {
public:
    TestScreen(int type, Log* log) : m_log(log) { m_typeId = type; }
    ~TestScreen() override { Note("delete"); }
    int Init(CStateGame* game) override
    {
        const int type = m_typeId;
        CVexState::Init(game);
        m_typeId = type;
        Note("init");
        return VORTAN_OK;
    }
    void Release() override { Note("release"); }
    void Reset() override
    {
        CVexState::Reset();
        Note("reset");
    }
    void Update(float dt) override
    {
        lastDt = dt;
        ++updates;
        if (finishAfter > 0 && updates >= finishAfter)
            Finish(finishNext);
    }
    void Render() override { ++renders; }
    void ReloadGraphics() override { Note("reload"); }
    void OnBack(int value) override
    {
        (void)value;
        Note("back");
    }
    int OnChar(int code) override
    {
        Note("char " + std::to_string(code));
        return 1;
    }
    void Finish(int next)
    {
        m_nextState = next;
        SetDone();
    }
    void Note(const std::string& what)
    {
        if (m_log)
            m_log->push_back(std::to_string(m_typeId) + ":" + what);
    }

    int updates = 0;
    int renders = 0;
    float lastDt = 0.0f;
    int finishAfter = 0; // done after this many updates (0: never by itself)
    int finishNext = 0;

private:
    Log* m_log;
};

// The host with test screens of every type and a switch for the menu's loading condition.
class TestGame : public CStateGame {
public:
    explicit TestGame(Log* log = nullptr) : m_log(log) {}
    TestScreen* Screen(int type) const { return static_cast<TestScreen*>(GetState(type)); }
    int menuWantsAssets = 0;
    int madeScreens = 0;

protected:
    CVexState* CreateState(int typeId) override
    {
        ++madeScreens;
        return new TestScreen(typeId, m_log);
    }
    int MenuWantsAssets(CVexState* menu) override
    {
        (void)menu;
        return menuWantsAssets;
    }

private:
    Log* m_log;
};

// The stand-in clock, set at a round start and cleared at the end of the test.
class DrivenClock {
public:
    DrivenClock() { VortanTestClock::Set(5000000000ull); }
    ~DrivenClock() { VortanTestClock::Clear(); }
    void AdvanceMs(u64 ms) { VortanTestClock::Advance(ms * 1000000ull); }
    void SetMs(u64 ms) { VortanTestClock::Set(ms * 1000000ull); }
};

} // namespace htest
