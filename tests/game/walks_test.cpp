// Recorded walks: the whole program (intro, title, login through the stand-in service, the
// game's screens, the online menu) in this process on the stand-in clock, one or two devices,
// driven by the steps of a walk file in tests/walks and compared with what the file recorded
// after each step: the lines of the state dump that appeared and went ("A+ ", "A- "), the
// settings as stored ("setting <key> <value>" lines among them) and the sounds the game played
// ("A! sound <id> <frequency>"). A walk file is its own script: its "A> " lines are the steps
// (listed in Step below), everything after a tab is a reader's note, and "#" lines are
// comments. WALKS_REWRITE=1 writes what was seen back into the file, keeping the notes of the
// lines that did not change and marking the others "unread" (WALKS_REWRITE=<dir> writes it
// into that directory instead).
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "VortanSound/VortanMusicElements.h"
#include "engine/VortanRunnable.h"
#include "engine/VortanTimer.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "game/StateGame.h"
#include "game/VexStateDump.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetworkSession.h"
#include "online/net/SocketEngine.h"
#include "online/protocol/ASN1Builders.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/StandInProcess.h"
#include "tests/support/VirtualDisplay.h"

namespace {

vtest::DisplayEnvironment* const g_env = vtest::AddDisplayEnvironment();
const u64 kStepNs = 33000000ull;
typedef std::vector<std::string> Lines;

// The game, with the sounds it plays recorded.
class WalkGame : public CStateGame {
public:
    void PlaySound(int id, u32 flags, int frequency) override
    {
        // What is heard: nothing while a shot is computed ahead or the sounds are off; from
        // 17 on, the ambient sounds (at random, and the loop on every step) are left out.
        if (id < 17 && !IsFastForwarding() && !GetHostApplication()->GetSoundsMute())
            heard.push_back("sound " + std::to_string(id) + " " + std::to_string(frequency));
        CStateGame::PlaySound(id, flags, frequency);
    }
    Lines heard;
};

// One device: the program's application on the drawing-free graphics, with a home of its own.
class Device : public COrlogateApplication {
public:
    explicit Device(const std::string& home) : m_home(home)
    {
        setenv("HOME", home.c_str(), 1);
        ReplaceGraphicsExt(new CVortanGraphicsExt_Null());
        game = new WalkGame();
        if (Create(nullptr, 960, 640, game) != VORTAN_OK)
            game = nullptr;
    }
    void SleepMs(int) override {}
    COrloNetworkSession* Session()
    {
        return dynamic_cast<COrloNetworkSession*>(GetNetworkSession());
    }
    // A step of the program, in which nothing arrives from the service: what comes is handed
    // over by Pump alone, at the points the walk waits for it, so that it lands on the same
    // step in every run.
    void Frame() override
    {
        setenv("HOME", m_home.c_str(), 1); // the settings' path is read from it
        std::vector<CSocketEngine*> held;
        if (COrloNetworkSession* s = Session())
            for (CSocketEngine* e : {s->GetLobbyEngine(), s->GetGameEngine()})
                if (e) {
                    RemoveListener(e);
                    held.push_back(e);
                }
        COrlogateApplication::Frame();
        if (COrloNetworkSession* s = Session())
            for (CSocketEngine* e : held)
                if (e == s->GetLobbyEngine() || e == s->GetGameEngine())
                    AddListener(e);
    }
    // The frame's runnables only, taking no time: the connections hand over what arrived.
    void Pump()
    {
        for (int i = 0; i < m_runnables.GetCount(); ++i)
            ((IVortanRunnable*)m_runnables.GetAt(i))->Run(0.0f);
    }
    void X(int type, unsigned button, int x, int y, unsigned long sym = 0)
    {
        XEvent e = {};
        e.type = type;
        e.xbutton.button = button;
        e.xbutton.x = x;
        e.xbutton.y = y;
        if (sym) {
            e.xkey.display = GetDisplay();
            e.xkey.keycode = XKeysymToKeycode(GetDisplay(), sym);
            // Shifted when the key's plain symbol is another ('A', '@').
            e.xkey.state =
                XkbKeycodeToKeysym(GetDisplay(), e.xkey.keycode, 0, 0) != sym ? ShiftMask : 0;
        }
        HandleXEvent(&e);
    }
    // What a player sees: the dump's lines (the frame rate left out) and the stored settings.
    Lines State()
    {
        std::string text;
        dump.Compose(game, text);
        COrloMenuState::DumpSection(this, text);
        Lines out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.compare(0, 4, "fps ") != 0)
                out.push_back(line);
        COrloStatsStore stored;
        CVortanString path;
        GetUserDataPath(path, CVortanString("stats.dat"));
        if (stored.Open(path) == VORTAN_OK && stored.Load() == VORTAN_OK)
            for (int i = 0; i < stored.GetCount(); ++i) {
                const COrloStatsEntry* e = stored.GetAt(i);
                const std::string key = VortanUTF8Of(e->name);
                if (key == "__Orlo_UID" || key == "__Orlo_Password") // random: its length
                    out.push_back("setting " + key + " <" +
                                  std::to_string(e->stringValue.GetLength()) + " characters>");
                else
                    out.push_back("setting " + key + " " +
                                  (e->kind == ORLO_STATS_STRING ? VortanUTF8Of(e->stringValue)
                                   : e->kind == ORLO_STATS_BOOL ? std::to_string(e->boolValue)
                                                                : std::to_string(e->intValue)));
            }
        return out;
    }
    // The first line that starts with the text; with "a & b", whether lines start with each
    // ("!a": none starts with a; "a$": the whole line is a).
    std::string Find(const std::string& heads)
    {
        const Lines state = State();
        std::string found;
        size_t from = 0;
        for (size_t to = 0; to != std::string::npos; from = to + 3) {
            to = heads.find(" & ", from);
            std::string head = heads.substr(from, to - from);
            const bool absent = !head.empty() && head[0] == '!';
            if (absent)
                head.erase(0, 1);
            const bool whole = !head.empty() && head.back() == '$';
            if (whole)
                head.pop_back();
            auto line = std::find_if(state.begin(), state.end(), [&](const std::string& l) {
                return whole ? l == head : l.compare(0, head.size(), head) == 0;
            });
            if ((line == state.end()) != absent)
                return std::string();
            if (found.empty())
                found = absent ? "!" + head : *line;
        }
        return found;
    }

    WalkGame* game;
    CVexStateDump dump{nullptr};
    Lines seen;

private:
    std::string m_home;
};

class Walk : public ::testing::Test {
protected:
    static void SetUpTestSuite() { COrlogateApplication::RegisterOnlineFactory(&s_factory); }
    static void TearDownTestSuite() { COrlogateApplication::RegisterOnlineFactory(nullptr); }
    void SetUp() override
    {
        ASSERT_TRUE(g_env->display && g_env->display->Ok()) << "Xvfb did not start";
        VortanTestClock::Set(5000000000ull);
        // The music goes nowhere: an audio server's client draws from the C library's random
        // numbers on its own threads, which the game's screens draw from too.
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "fakesink");
        setenv("STANDIN_PING_SECONDS", "3600", 1); // no ping at a time of its own
        server.reset(new ntest::StandIn(state.Path(), 0, 0));
        ASSERT_GT(server->lobby, 0);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(server->lobby)).c_str(), 1);
    }
    void TearDown() override
    {
        devices.clear();
        server.reset();
        VortanTestClock::Clear();
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr);
        unsetenv("ORLO_LOBBY");
    }
    Device& Make(char name)
    {
        std::unique_ptr<Device>& d = devices[name];
        Lines seen = d ? d->seen : Lines(); // a restart shows what changed
        d.reset();                          // the old one is gone before the new one starts
        d.reset(new Device(homes[name].Path()));
        d->seen = seen;
        EXPECT_NE(nullptr, d->game) << "device " << name << " did not start";
        return *d;
    }
    // One step of every device's clock; after each device's step, what it sent is answered.
    void Frame()
    {
        VortanTestClock::Advance(kStepNs);
        for (auto& d : devices) {
            const u32 before = Sends();
            d.second->Frame();
            // A connection that heard nothing for 60 s of the walk's clock closes: at 40 s the
            // walk's own ping is answered (the service's own pings come on real time).
            COrloNetworkSession* s = d.second->Session();
            if (Sends() != before || (s && s->GetIdleTime() > 40.0f))
                Settle(d.second.get());
        }
    }
    u32 Sends()
    {
        u32 n = 0;
        for (auto& d : devices)
            if (COrloNetworkSession* s = d.second->Session())
                for (CSocketEngine* e : {s->GetLobbyEngine(), s->GetGameEngine()})
                    n += e ? e->GetSendCount() : 0;
        return n;
    }
    // The sender's connections, then every device's, each in turn get a ping of the walk's own,
    // and this again while more is sent: the service answers a ping after what came before it
    // on that connection, so once the sender's are back the service has taken in what it sent,
    // and once every device's are back each has heard what the service sent it meanwhile, on
    // each connection in the same order in every run.
    void Settle(Device* sender)
    {
        for (;;) {
            const u32 before = Sends();
            std::vector<Device*> order(1, sender);
            for (auto& d : devices)
                order.push_back(d.second.get());
            int pings = 0;
            for (Device* d : order)
                for (int channel = 0; channel < 2; ++channel) {
                    COrloNetworkSession* s = d->Session();
                    CSocketEngine* e = !s        ? nullptr
                                       : channel ? s->GetGameEngine()
                                                 : s->GetLobbyEngine();
                    if (!e || !e->IsConnected(false))
                        continue;
                    u8 bytes[16];
                    const i32 ping = m_nextPing++;
                    e->Send(bytes, ASN1_EncodePing(bytes, sizeof bytes, ping));
                    ++pings;
                    // This connection alone is heard meanwhile.
                    ASSERT_TRUE(vtest::WaitUntil(
                        [&] {
                            if (d->Session() != s || !e->IsConnected(false))
                                return true;
                            e->Run(0.0f);
                            return s->GetLastPing(channel) == ping;
                        },
                        60000));
                }
            if (Sends() == before + 2 * pings) // each ping and the echo of its answer
                return;
        }
    }
    // Until the condition holds, what has arrived is handed over, taking no time and running
    // nothing else (the screens' updates draw random numbers).
    void Await(const std::function<bool()>& condition)
    {
        ASSERT_TRUE(vtest::WaitUntil(
            [&] {
                for (auto& d : devices)
                    d.second->Pump();
                return condition();
            },
            60000));
    }
    void Step(Device& d, const std::string& action);
    void Play(const std::string& name);

    static COrloOnlineFactory s_factory;
    vtest::TempDir state;
    std::map<char, vtest::TempDir> homes;
    std::map<char, std::unique_ptr<Device>> devices;
    std::unique_ptr<ntest::StandIn> server;
    i32 m_nextPing = 1 << 30;
};

COrloOnlineFactory Walk::s_factory;

// The centre of the rectangle that follows `skip` words of the first line that starts so.
bool Centre(const std::string& line, int skip, int& x, int& y)
{
    std::istringstream in(line);
    std::string word;
    for (int i = 0; i < skip; ++i)
        in >> word;
    int l, t, r, b;
    if (!(in >> l >> t >> r >> b))
        return false;
    x = (l + r) / 2;
    y = (t + b) / 2;
    return true;
}

// The steps of a walk:
//   start | restart          the device's program starts (again, on the same home)
//   frames <n>               n steps of 33 ms on every device
//   until <text>             steps until a line starts with the text (at most 5 minutes)
//   still <text>            steps until the line that starts so stays the same for 10 steps
//   await <text>             the service's messages taken in, taking no time, until a line
//                            starts with the text; then a step
//   tap <x> <y>              a finger down, up again a step later, and 6 steps more
//   tapw <name> | tapg <id>  a tap on the middle of the menu's widget or the game's button
//   drag <x> <y> <dx> <dy> <n>      a finger moved by (dx, dy) over n steps
//   aim <dx> <dy> <n>        the same from the device's own squib
//   pinch <x> <y> <d0> <d1> <n>     two fingers d0 apart on a line, moved to d1 apart
//   key <Escape|Return|BackSpace> | type <text> | erase <n> (n BackSpace keys)
//   seed <key> <n>           a setting stored as the program would (a cleared training scene)
void Walk::Step(Device& d, const std::string& action)
{
    std::istringstream in(action);
    std::string verb, rest;
    in >> verb;
    std::getline(in >> std::ws, rest);
    std::istringstream args(rest);
    int x = 0, y = 0, dx = 0, dy = 0, n = 1;
    if (verb == "frames") {
        args >> n;
        for (int i = 0; i < n; ++i)
            Frame();
    } else if (verb == "until") {
        for (int i = 0; i < 9000 && d.Find(rest).empty(); ++i)
            Frame();
        ASSERT_FALSE(d.Find(rest).empty()) << "never came: " << rest;
    } else if (verb == "still") {
        std::string last = d.Find(rest);
        for (int i = 0, same = 0; i < 9000 && same < 10; ++i) {
            Frame();
            const std::string now = d.Find(rest);
            same = now == last ? same + 1 : 0;
            last = now;
        }
    } else if (verb == "await") {
        Await([&] { return !d.Find(rest).empty(); });
        Frame(); // what arrived, as the next frame shows it
    } else if (verb == "tap" || verb == "tapw" || verb == "tapg") {
        if (verb == "tap")
            args >> x >> y;
        else
            ASSERT_TRUE(Centre(d.Find((verb == "tapw" ? "widget " : "gamebutton ") + rest + " "),
                               verb == "tapw" ? 2 : 3, x, y))
                << "not on the screen: " << rest;
        d.X(ButtonPress, 1, x, y);
        Frame();
        d.X(ButtonRelease, 1, x, y);
        for (int i = 0; i < 6; ++i)
            Frame(); // a menu button's click comes 0.15 s after the tap
    } else if (verb == "drag" || verb == "aim") {
        if (verb == "drag")
            args >> x >> y;
        else {
            const std::string side = d.Find("local_side ").substr(11);
            std::istringstream squib(d.Find("squib" + side + "_screen ").substr(14));
            ASSERT_TRUE(squib >> x >> y && x >= 0 && x < 800 && y >= 0 && y < 480)
                << "no squib of side " << side << " on the screen";
        }
        args >> dx >> dy >> n;
        d.X(ButtonPress, 1, x, y);
        Frame();
        for (int i = 1; i <= n; ++i) {
            d.X(MotionNotify, 0, x + dx * i / n, y + dy * i / n);
            Frame();
        }
        d.X(ButtonRelease, 1, x + dx, y + dy);
        Frame();
    } else if (verb == "pinch") {
        int d0, d1;
        args >> x >> y >> d0 >> d1 >> n;
        d.X(ButtonPress, 1, x - d0 / 2, y);
        d.X(ButtonPress, 2, x + d0 / 2, y);
        Frame();
        for (int i = 1; i <= n; ++i) {
            const int half = (d0 + (d1 - d0) * i / n) / 2;
            // Both fingers' moves (an X motion event names no finger).
            CVortanPointerEvent p = {VORTAN_POINTER_MOVE, 1, x + half, y};
            d.HandlePointer(p);
            p = {VORTAN_POINTER_MOVE, 0, x - half, y};
            d.HandlePointer(p);
            Frame();
        }
        d.X(ButtonRelease, 2, x + d1 / 2, y);
        d.X(ButtonRelease, 1, x - d1 / 2, y);
        Frame();
    } else if (verb == "seed") {
        std::string key;
        args >> key >> n; // a setting the program keeps (a cleared training scene, say)
        d.GetSettings()->AddEntry(CVortanString(key.c_str()))->SetInt(n);
        ASSERT_EQ(VORTAN_OK, d.GetSettings()->Save());
    } else if (verb == "key") {
        d.X(KeyPress, 0, 0, 0, rest == "Escape" ? XK_Escape : XStringToKeysym(rest.c_str()));
        Frame();
    } else if (verb == "erase") {
        args >> n;
        for (int i = 0; i < n; ++i) {
            d.X(KeyPress, 0, 0, 0, XK_BackSpace);
            Frame();
        }
    } else if (verb == "type") {
        for (char c : rest) {
            d.X(KeyPress, 0, 0, 0, c == ' ' ? XK_space : (unsigned long)(unsigned char)c);
            Frame();
        }
    } else {
        FAIL() << "no such step: " << action;
    }
}

std::string Source(const std::string& name)
{
    return vtest::SourceDir() + "/tests/walks/" + name + ".walk";
}

// Plays the walk file and compares; WALKS_REWRITE=1 writes it anew.
void Walk::Play(const std::string& name)
{
    std::ifstream in(Source(name));
    ASSERT_TRUE(in) << Source(name);
    Lines file, out;
    std::map<std::string, std::string> notes; // "<step>|<line>" -> its note
    int step = 0;
    for (std::string line; std::getline(in, line);) {
        file.push_back(line);
        const size_t tab = line.find('\t');
        if (line.size() > 2 && line[1] == '>')
            ++step;
        else if (tab != std::string::npos)
            notes[std::to_string(step) + "|" + line.substr(0, tab)] = line.substr(tab);
    }
    step = 0;
    bool failed = false;
    for (const std::string& line : file) {
        const bool isStep = line.size() > 2 && line[1] == '>';
        if (line.empty() || line[0] == '#' || (isStep && failed))
            out.push_back(line); // after a failure the steps are kept, unplayed
        if (!isStep || failed)
            continue;
        out.push_back(line);
        ++step;
        const char name = line[0];
        const std::string action = line.substr(3);
        if (action == "start" || action == "restart")
            Make(name);
        else if (devices.count(name))
            Step(*devices[name], action);
        else
            ADD_FAILURE() << "device " << name << " has not started";
        if (devices.count(name) && !devices[name]->game)
            devices.erase(name);
        for (auto& d : devices) {
            Lines now = d.second->State(), &was = d.second->seen;
            std::vector<std::string> changes;
            for (const std::string& l : was)
                if (std::find(now.begin(), now.end(), l) == now.end())
                    changes.push_back(std::string(1, d.first) + "- " + l);
            for (const std::string& l : now)
                if (std::find(was.begin(), was.end(), l) == was.end())
                    changes.push_back(std::string(1, d.first) + "+ " + l);
            const Lines& heard = d.second->game->heard;
            for (size_t i = 0, n = 1; i < heard.size(); i += n) {
                for (n = 1; i + n < heard.size() && heard[i + n] == heard[i];)
                    ++n; // a sound played on every step shows once, with its count
                changes.push_back(std::string(1, d.first) + "! " + heard[i] +
                                  (n > 1 ? " x" + std::to_string(n) : ""));
            }
            d.second->game->heard.clear();
            was.swap(now);
            for (const std::string& c : changes) {
                auto note = notes.find(std::to_string(step) + "|" + c);
                out.push_back(c + (note != notes.end() ? note->second : "\tunread"));
            }
        }
        failed = HasFailure();
    }
    Lines expected, actual;
    for (const Lines* from : {&file, &out})
        for (const std::string& l : *from)
            (from == &file ? expected : actual).push_back(l.substr(0, l.find('\t')));
    if (const char* to = getenv("WALKS_REWRITE")) {
        std::ofstream rewrite(std::string(to) == "1" ? Source(name) : to + ("/" + name));
        for (const std::string& l : out)
            rewrite << l << "\n";
        return;
    }
    size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first])
        ++first;
    if (first == expected.size() && first == actual.size())
        return;
    std::ostringstream shown;
    for (size_t i = first; i < first + 12; ++i)
        shown << (i < expected.size() ? expected[i] : "(end)") << "  |  "
              << (i < actual.size() ? actual[i] : "(end)") << "\n";
    ADD_FAILURE() << Source(name) << ":" << first + 1
                  << ": the walk differs from its record (recorded | seen now):\n"
                  << shown.str();
}

// Each walk file's steps say what it walks through.
TEST_F(Walk, Training)
{
    Play("training");
}

TEST_F(Walk, MenuPages)
{
    Play("menu");
}

TEST_F(Walk, OnlineMatch)
{
    Play("online");
}

} // namespace
