// Recorded walks: the whole program (intro, title, the stand-in service's login, the game's
// screens, the online menu) of one or two devices in this process on the stand-in clock, driven
// by the steps of a walk file in tests/walks ("A> " and "B> " lines, listed at Step) and
// compared line by line with what the file recorded after each step: the state dump's lines
// that went ("A- ") and appeared ("A+ ") in the dump's order, the stored settings among them
// ("setting <key> <value>"), the sounds the game played ("A! sound <id> <frequency>") and what
// the device's services were asked: a buzz ("A! buzz <pattern>"), a page opened ("A! url <url>",
// the session's random texts in it by their shape) and any other call ("A! device <call>").
// After a tab comes a reader's note; "#" lines are comments. WALKS_REWRITE=1 writes what was
// seen into the file (=<dir>: into that folder), keeping the notes of the lines that stayed and
// marking the others "unread", and fails: a written record is read and committed, not passed.
#include <gtest/gtest.h> // before X11's macros (None, Bool)

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "VortanSound/VortanMusicElements.h"
#include "engine/VortanTimer.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "game/StateGame.h"
#include "game/VexStateDump.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetworkSession.h"
#include "online/net/SocketEngine.h"
#include "online/protocol/ASN1Builders.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/LoginTestSupport.h"
#include "tests/online/StandInProcess.h"
#include "tests/support/VirtualDisplay.h"
#include "tests/ui/RecordingBusService.h"

namespace {

vtest::DisplayEnvironment* const g_env = vtest::AddDisplayEnvironment();
typedef std::vector<std::string> Lines;

// The device's vibrator and browser on a private system bus, recording each call before it
// answers (the bus library reads its address once per process: before the first program).
struct DeviceServices {
    DeviceServices() { recorder.Start(dir, {"com.nokia.mce", "com.nokia.osso_browser"}); }
    vtest::TempDir dir;
    bustest::RecordingBus recorder;
    size_t taken = 0; // the record's octets already read
};
std::unique_ptr<DeviceServices> g_services;

// The game, with what it plays heard: nothing while a shot is computed ahead or the sounds are
// off, and the ambient sounds (17 on: at random, the loop on every step) left out.
class WalkGame : public CStateGame {
public:
    void PlaySound(int id, u32 flags, int frequency) override
    {
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
    CSocketEngine* Engine(int channel)
    {
        COrloNetworkSession* s = Session();
        return !s ? nullptr : channel ? s->GetGameEngine() : s->GetLobbyEngine();
    }
    // A step in which nothing comes from the service: what comes is taken in by the walk's
    // Settle, at the same step in every run.
    void Frame() override
    {
        if (!game)
            return;                        // the program has ended
        setenv("HOME", m_home.c_str(), 1); // the settings' path is read from it
        CSocketEngine* held[2] = {Engine(0), Engine(1)};
        for (CSocketEngine* e : held)
            RemoveListener(e);
        COrlogateApplication::Frame();
        for (CSocketEngine* e : held)
            if (e && (e == Engine(0) || e == Engine(1)))
                AddListener(e);
        if (IsQuitRequested())
            game = nullptr; // ended: the game and the menu are gone
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
            if (XkbKeycodeToKeysym(GetDisplay(), e.xkey.keycode, 0, 0) != sym)
                e.xkey.state = ShiftMask;
        }
        HandleXEvent(&e);
    }
    // What a player meets: the dump's lines (not the frame rate, nor the last battle's end kept
    // for the end-to-end runs), the tune that plays and the settings as stored.
    Lines State()
    {
        std::string text = "screens\n";
        if (game) {
            text.clear();
            dump.Compose(game, text);
            COrloMenuState::DumpSection(this, text);
        }
        Lines out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.compare(0, 4, "fps ") != 0 && line.compare(0, 5, "last_") != 0)
                out.push_back(line);
        const std::string tune = VortanUTF8Of(GetRememberedMusic()); // what a player hears
        if (!GetMusicMute() && !tune.empty())
            out.push_back("music " + tune.substr(tune.rfind('/') + 1));
        COrloStatsStore stored;
        CVortanString path;
        setenv("HOME", m_home.c_str(), 1); // this device's, not the last one stepped
        GetUserDataPath(path, CVortanString("stats.dat"));
        // Read again only when the file was written again (a save renames a new file in).
        struct stat st = {};
        const std::string file = VortanUTF8Of(path);
        const std::string written =
            stat(file.c_str(), &st) != 0
                ? ""
                : std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
                      std::to_string(st.st_mtim.tv_sec) + " " + std::to_string(st.st_mtim.tv_nsec);
        if (written == m_written) {
            out.insert(out.end(), m_settings.begin(), m_settings.end());
            return out;
        }
        m_written = written;
        m_settings.clear();
        const bool opened = stored.Open(path) == VORTAN_OK;
        for (int i = 0; opened && i < stored.GetCount(); ++i) {
            const COrloStatsEntry* e = stored.GetAt(i);
            const std::string key = VortanUTF8Of(e->name);
            std::string value = e->kind == ORLO_STATS_BOOL ? std::to_string(e->boolValue)
                                                           : std::to_string(e->intValue);
            if (e->kind == ORLO_STATS_STRING)
                value = key == "__Orlo_UID" || key == "__Orlo_Password" // random: their length
                            ? std::to_string(e->stringValue.GetLength()) + " characters"
                            : VortanUTF8Of(e->stringValue);
            m_settings.push_back("setting " + key + " " + value);
        }
        out.insert(out.end(), m_settings.begin(), m_settings.end());
        return out;
    }
    // The first line that starts with the text; with "a & b", whether lines start with each
    // ("!a": none starts so).
    std::string Find(const std::string& heads)
    {
        const Lines state = State();
        std::string found;
        for (size_t from = 0, to = 0; to != std::string::npos; from = to + 3) {
            to = heads.find(" & ", from);
            const std::string head = heads.substr(from, to - from);
            const bool absent = head[0] == '!';
            auto line = std::find_if(state.begin(), state.end(), [&](const std::string& l) {
                return l.compare(0, head.size() - absent, head, absent, std::string::npos) == 0;
            });
            if ((line == state.end()) != absent)
                return std::string();
            found = !found.empty() ? found : absent ? head : *line;
        }
        return found;
    }

    // The calls the device's services recorded since the last look (those of this device: a
    // call waits for its answer), the session's random texts in them by their shape.
    void Heard()
    {
        std::ifstream record(g_services->dir.File("records"), std::ios::binary);
        record.seekg((std::streamoff)g_services->taken);
        const std::string calls((std::istreambuf_iterator<char>(record)),
                                std::istreambuf_iterator<char>());
        if (calls.find('\n') == std::string::npos)
            return;
        COrloNetworkSession* s = Session();
        const std::string token = s ? VortanUTF8Of(s->GetLoginToken()) : "";
        const std::string check = s ? VortanUTF8Of(s->BuildLinkToken()) : "";
        for (size_t at = 0, end; (end = calls.find('\n', at)) != std::string::npos; at = end + 1) {
            g_services->taken += end + 1 - at;
            std::string call = calls.substr(at, end - at), verb = call.substr(0, call.find(' '));
            for (auto random : {std::make_pair(token, "the session's token"),
                                std::make_pair(check, "the link's check")}) {
                const size_t found =
                    random.first.empty() ? std::string::npos : call.find(random.first);
                if (found != std::string::npos &&
                    random.first.find_first_not_of("0123456789abcdef") == std::string::npos)
                    call.replace(found, random.first.size(),
                                 "<" + std::string(random.second) + ": " +
                                     std::to_string(random.first.size()) + " of 0-9a-f>");
            }
            outputs.push_back(verb == "req_vibrator_pattern_activate"
                                  ? "buzz" + call.substr(verb.size())
                              : verb == "load_url" ? "url" + call.substr(verb.size())
                                                   : "device " + call);
        }
    }

    WalkGame* game;
    CVexStateDump dump{nullptr};
    Lines seen, outputs;

private:
    std::string m_home;
    std::string m_written; // the settings file as last read: inode, size, time written
    Lines m_settings;
};

class Walk : public ntest::FactoryTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->display && g_env->display->Ok()) << "Xvfb did not start";
        if (!g_services)
            g_services.reset(new DeviceServices());
        VortanTestClock::Set(5000000000ull);
        // The music goes nowhere: an audio server's client draws from the C library's random
        // numbers on its own threads, which the game's screens draw from too.
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "fakesink");
        setenv("STANDIN_CLOCK", "manual", 1); // its timers run on a walk's clock, when it follows
        setenv("ORLO_HOME_KEY", "1", 1);      // Home shows the start page, also in a match
        server.reset(new ntest::StandIn(state.Path(), 0, 0));
        ASSERT_GT(server->lobby, 0);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(server->lobby)).c_str(), 1);
    }
    void TearDown() override
    {
        devices.clear();
        server.reset();
        for (const std::string& key : seams)
            unsetenv(key.c_str());
        VortanTestClock::Clear();
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr);
        unsetenv("ORLO_LOBBY");
    }
    // One step of every device's clock; after each device's step, what it sent is answered.
    void Frame()
    {
        if (stepping)
            stepping->Heard(); // what the step's own input asked for
        VortanTestClock::Advance(33000000ull);
        // Once a walk has set the stand-in's clock going ("service clock"), it follows the
        // walk's a second at a time, and the pings it then sends are taken in.
        if (m_serviceBehind >= 0 && (m_serviceBehind += 33) >= 1000 && !devices.empty()) {
            m_serviceBehind -= 1000;
            const std::string answer = ntest::ControlLine(server->control, "clock 1");
            EXPECT_EQ("ok", answer.substr(0, 2)) << answer;
            if (answer != "ok 0")
                Settle(devices.begin()->second.get());
        }
        if (Sends() != m_settled && stepping) // the step's own input sent something
            Settle(stepping);
        for (auto& d : devices) {
            const u32 before = Sends();
            d.second->Frame();
            d.second->Heard();
            // A connection that heard nothing for 60 s of the walk's clock closes: unless the
            // service's clock follows the walk's, at 40 s the walk's own ping is answered.
            COrloNetworkSession* s = d.second->Session();
            if (Sends() != before || (m_serviceBehind < 0 && s && s->GetIdleTime() > 40.0f))
                Settle(d.second.get());
        }
    }
    u32 Sends()
    {
        u32 n = 0;
        for (auto& d : devices)
            for (int channel = 0; channel < 2; ++channel)
                n += d.second->Engine(channel) ? d.second->Engine(channel)->GetSendCount() : 0;
        return n;
    }
    // The sender's connections, then every device's, each in turn get a ping of the walk's own,
    // and this again while more is sent: the service answers a ping after what came before it on
    // that connection, so once the sender's are back the service has taken in what it sent,
    // and once every device's are back each has heard what the service sent it meanwhile, on
    // each connection in the same order in every run. The game connection goes first: what
    // comes on it can make the lobby answer (a rematch announces the match items there); and a
    // device that answers what it heard starts the round again as its sender, before another
    // connection is heard that could get what the answer caused before or after its ping.
    void Settle(Device* sender)
    {
        for (u32 before = 0, pings = 0; Sends() != before + 2 * pings;) { // ping and echo
            before = Sends();
            pings = 0;
            std::vector<Device*> order(1, sender);
            for (auto& d : devices)
                order.push_back(d.second.get());
            bool answered = false;
            for (size_t k = 0; k < order.size() && !answered; ++k)
                for (int channel = 1; channel >= 0 && !answered; --channel) {
                    Device* d = order[k];
                    COrloNetworkSession* s = d->Session();
                    CSocketEngine* e = d->Engine(channel);
                    if (!e || !e->IsConnected(false))
                        continue;
                    u8 bytes[16];
                    const i32 ping = (1 << 30) + (i32)m_pings++;
                    e->Send(bytes, ASN1_EncodePing(bytes, sizeof bytes, ping));
                    ++pings;
                    ASSERT_TRUE(vtest::WaitUntil( // this connection alone is heard meanwhile
                        [&] {
                            if (d->Session() != s || !e->IsConnected(false))
                                return true;
                            e->Run(0.0f);
                            return s->GetLastPing(channel) == ping;
                        },
                        60000));
                    d->Heard();
                    answered = Sends() != before + 2 * pings;
                    sender = answered ? d : sender;
                }
        }
        m_settled = Sends();
    }
    void Step(Device& d, const std::string& action);
    void Play(const std::string& name);

    vtest::TempDir state;
    std::map<char, vtest::TempDir> homes;
    std::map<char, std::unique_ptr<Device>> devices;
    std::unique_ptr<ntest::StandIn> server;
    std::set<std::string> seams;
    u32 m_pings = 0;
    u32 m_settled = 0;          // what had been sent when the last sends were settled
    Device* stepping = nullptr; // the device of the step being played
    int m_serviceBehind = -1;   // ms the stand-in's clock is behind, once it follows the walk's
};

// The steps of a walk:
//   start | restart          the device's program starts (again, on the same home)
//   frames <n>               n steps of 33 ms of every device
//   until <text>             steps until Find(text) finds a line (at most 5 minutes)
//   still <text>             steps until the line that starts so stays the same for 10 steps
//   tap <x> <y>              a finger down, up again a step later, and 6 steps more (a menu
//   tapw <name> | tapg <id>  button clicks 0.15 s after): on the point, the middle of the
//                            menu's widget, or the middle of the game's button
//   drag <x> <y> <dx> <dy> <n> | aim <dx> <dy> <n>
//                            a finger moved by (dx, dy) over n steps, from (x, y) or the
//                            device's own squib
//   pinch <x> <y> <d0> <d1> <n>  two fingers d0 apart on a line, moved to d1 apart
//   key <keysym name> | type <text> | erase <n> (n BackSpace keys)
//   seed <key> <n>           a setting stored as the program would (a cleared training scene)
//   resize <w> <h>           the window's new size, as the window manager tells it
//   env <name> [<value>]     a test seam's variable set (without a value: unset) for the rest
//                            of the walk
//   service <command>        a line to the stand-in's control port (tools/standin/control.py),
//                            answered "ok", then what it sent is taken in ("$SRC" the sources,
//                            "$BIN" the build); after "clock <s>" the stand-in's clock follows
//                            the walk's; "restart": the service ends and starts again on its
//                            state and ports, and the devices find it as after a restart
void Walk::Step(Device& d, const std::string& action)
{
    std::istringstream in(action);
    std::string verb, rest;
    in >> verb;
    std::getline(in >> std::ws, rest);
    std::istringstream args(rest);
    int x = 0, y = 0, dx = 0, dy = 0, n = 1, l, t, r, b;
    if (verb == "until" || verb == "frames") {
        args >> n;
        for (int i = 0; verb == "frames" ? i < n : i < 9000 && d.Find(rest).empty(); ++i)
            Frame();
        ASSERT_FALSE(verb == "until" && d.Find(rest).empty()) << "never came: " << rest;
    } else if (verb == "still") {
        std::string last = d.Find(rest);
        for (int i = 0, same = 0; i < 9000 && same < 10; ++i, last = d.Find(rest)) {
            Frame();
            same = d.Find(rest) == last ? same + 1 : 0;
        }
    } else if (verb == "tap" || verb == "tapw" || verb == "tapg") {
        std::istringstream line(d.Find((verb == "tapw" ? "widget " : "gamebutton ") + rest + " "));
        std::string word;
        line >> word >> word;
        if (verb == "tapg")
            line >> word; // the button's picture
        if (verb == "tap")
            args >> x >> y;
        else if (line >> l >> t >> r >> b)
            x = (l + r) / 2, y = (t + b) / 2;
        else
            FAIL() << "not on the screen: " << rest;
        d.X(ButtonPress, 1, x, y);
        Frame();
        d.X(ButtonRelease, 1, x, y);
        for (int i = 0; i < 6; ++i)
            Frame();
    } else if (verb == "drag" || verb == "aim") {
        std::istringstream squib(
            verb == "aim" ? d.Find("squib" + d.Find("local_side ").substr(11) + "_screen ") : "");
        if (verb == "drag")
            args >> x >> y;
        else
            ASSERT_TRUE(squib >> rest >> x >> y && x >= 0 && x < 800 && y >= 0 && y < 480)
                << "the own squib is not on the screen";
        args >> dx >> dy >> n;
        d.X(ButtonPress, 1, x, y);
        for (int i = 1; i <= n; ++i) {
            Frame();
            d.X(MotionNotify, 0, x + dx * i / n, y + dy * i / n);
        }
        Frame();
        d.X(ButtonRelease, 1, x + dx, y + dy);
        Frame();
    } else if (verb == "pinch") {
        int d0, d1;
        args >> x >> y >> d0 >> d1 >> n;
        d.X(ButtonPress, 1, x - d0 / 2, y);
        d.X(ButtonPress, 2, x + d0 / 2, y);
        for (int i = 1; i <= n; ++i) {
            Frame();
            const int half = (d0 + (d1 - d0) * i / n) / 2; // an X motion event names no finger
            d.HandlePointer({VORTAN_POINTER_MOVE, 1, x + half, y});
            d.HandlePointer({VORTAN_POINTER_MOVE, 0, x - half, y});
        }
        Frame();
        d.X(ButtonRelease, 2, x + d1 / 2, y);
        d.X(ButtonRelease, 1, x - d1 / 2, y);
        Frame();
    } else if (verb == "key" || verb == "type" || verb == "erase") {
        args >> n;
        const std::string keys = verb == "type" ? rest : std::string(verb == "key" ? 1 : n, ' ');
        for (char c : keys) {
            d.X(KeyPress, 0, 0, 0,
                verb == "key"     ? XStringToKeysym(rest.c_str())
                : verb == "erase" ? XK_BackSpace
                : c == ' '        ? XK_space
                                  : (unsigned long)(unsigned char)c);
            Frame();
        }
    } else if (verb == "seed") {
        std::string key;
        args >> key >> n;
        d.GetSettings()->AddEntry(CVortanString(key.c_str()))->SetInt(n);
        ASSERT_EQ(VORTAN_OK, d.GetSettings()->Save());
    } else if (verb == "resize") {
        XEvent e = {};
        e.type = ConfigureNotify;
        args >> e.xconfigure.width >> e.xconfigure.height;
        d.HandleXEvent(&e);
        Frame();
    } else if (verb == "env") { // a test seam read from the environment (the turn's time)
        std::string key, value;
        args >> key >> value;
        value.empty() ? unsetenv(key.c_str()) : setenv(key.c_str(), value.c_str(), 1);
        seams.insert(key);
    } else if (verb == "service") {
        for (size_t at; (at = rest.find("$SRC")) != std::string::npos;)
            rest.replace(at, 4, vtest::SourceDir());
        for (size_t at; (at = rest.find("$BIN")) != std::string::npos;)
            rest.replace(at, 4, vtest::BinaryDir());
        const int lobby = server->lobby, game = server->game;
        if (rest == "restart")
            server.reset(), server.reset(new ntest::StandIn(state.Path(), lobby, game));
        ASSERT_EQ(lobby, server->lobby) << "the service did not start again on its port";
        const std::string answer =
            ntest::ControlLine(server->control, rest == "restart" ? "logins" : rest);
        ASSERT_EQ("ok", answer.substr(0, 2)) << rest << ": " << answer;
        if (rest.compare(0, 6, "clock ") == 0)
            m_serviceBehind = 0;
        Settle(&d);
    } else {
        FAIL() << "no such step: " << action;
    }
}

// The lines that went ("A- ") and came ("A+ ") from one state to the next, as sequences: in
// the order of the states, a line shown twice or two lines that swapped places among them.
Lines Differences(char who, const Lines& was, const Lines& now)
{
    // lengths[i][k]: the longest common subsequence of was[i..] and now[k..].
    std::vector<std::vector<int>> lengths(was.size() + 1, std::vector<int>(now.size() + 1));
    for (size_t i = was.size(); i-- > 0;)
        for (size_t k = now.size(); k-- > 0;)
            lengths[i][k] = was[i] == now[k] ? lengths[i + 1][k + 1] + 1
                                             : std::max(lengths[i + 1][k], lengths[i][k + 1]);
    Lines out;
    size_t i = 0, k = 0;
    while (i < was.size() || k < now.size())
        if (i < was.size() && k < now.size() && was[i] == now[k])
            ++i, ++k;
        else if (k == now.size() || (i < was.size() && lengths[i + 1][k] >= lengths[i][k + 1]))
            out.push_back(std::string(1, who) + "- " + was[i++]);
        else
            out.push_back(std::string(1, who) + "+ " + now[k++]);
    return out;
}

// Plays the walk file and compares what was seen with what it recorded.
void Walk::Play(const std::string& name)
{
    const std::string source = vtest::SourceDir() + "/tests/walks/" + name + ".walk";
    std::ifstream in(source);
    ASSERT_TRUE(in) << source;
    Lines file, out;
    std::map<std::string, std::string> notes; // "<step>|<line>": its note
    int step = 0;
    for (std::string line; std::getline(in, line);) {
        file.push_back(line);
        step += line.size() > 2 && line[1] == '>';
        if (line.find('\t') != std::string::npos)
            notes[std::to_string(step) + "|" + line.substr(0, line.find('\t'))] =
                line.substr(line.find('\t'));
    }
    step = 0;
    for (const std::string& line : file) {
        const bool isStep = line.size() > 2 && line[1] == '>';
        if (line.empty() || line[0] == '#' || (isStep && HasFailure()))
            out.push_back(line); // after a failure the steps are kept, unplayed
        if (!isStep || HasFailure())
            continue;
        out.push_back(line);
        ++step;
        const char who = line[0];
        if (line.substr(3) == "start" || line.substr(3) == "restart") {
            std::unique_ptr<Device>& d = devices[who];
            stepping = nullptr;
            Lines seen = d ? d->seen : Lines(); // a restart shows what changed
            d.reset();                          // the old one is gone before the new one starts
            d.reset(new Device(homes[who].Path()));
            d->seen = seen;
            EXPECT_NE(nullptr, d->game) << "device " << who << " did not start";
            if (!d->game)
                devices.erase(who);
        } else if (devices.count(who)) {
            stepping = devices[who].get();
            Step(*stepping, line.substr(3));
            stepping->Heard();
        } else {
            ADD_FAILURE() << "device " << who << " has not started";
        }
        for (auto& d : devices) {
            Lines now = d.second->State(), &was = d.second->seen, none;
            Lines& heard = d.second->game ? d.second->game->heard : none;
            Lines changes = Differences(d.first, was, now);
            for (Lines* out : {&heard, &d.second->outputs}) {
                for (size_t i = 0, k = 1; i < out->size(); i += k) {
                    for (k = 1; i + k < out->size() && (*out)[i + k] == (*out)[i];)
                        ++k; // asked for on several steps in a row: shown once, counted
                    changes.push_back(std::string(1, d.first) + "! " + (*out)[i] +
                                      (k > 1 ? " x" + std::to_string(k) : ""));
                }
                out->clear();
            }
            was.swap(now);
            for (const std::string& c : changes) {
                int width = 0, box = 1 << 30; // a text wider than its widget is cut on screen
                (void)sscanf(c.c_str(), "%*c+ textsize %*s %d %*d %d", &width, &box);
                EXPECT_LE(width, box) << name << ": a text cut by its box: " << c;
                auto note = notes.find(std::to_string(step) + "|" + c);
                out.push_back(c + (note != notes.end() ? note->second : "\tunread"));
            }
        }
    }
    if (const char* to = getenv("WALKS_REWRITE")) {
        const std::string written = std::string(to) == "1" ? source : to + ("/" + name);
        std::ofstream rewrite(written);
        for (const std::string& l : out)
            rewrite << l << "\n";
        FAIL() << "the record was written to " << written << ", not compared: read its "
               << "\"unread\" lines, then commit it";
    }
    size_t i = 0;
    auto Text = [](const Lines& lines, size_t i) {
        return i < lines.size() ? lines[i].substr(0, lines[i].find('\t')) : "(end)";
    };
    while ((i < file.size() || i < out.size()) && Text(file, i) == Text(out, i))
        ++i;
    std::string shown[2];
    for (size_t k = i; k < i + 5 && (k < file.size() || k < out.size()); ++k)
        for (int side = 0; side < 2; ++side)
            shown[side] += Text(side ? out : file, k) + "\n";
    if (i < file.size() || i < out.size())
        ADD_FAILURE() << source << ":" << i + 1 << ": the walk differs from its record: it has\n"
                      << shown[0] << "and now is\n"
                      << shown[1];
}

// Every walk file is a test of its own, named after it (Walk.rematch): a new file is walked
// as soon as it is there. Each file's comments say what it walks through.
const bool walksRegistered = [] {
    std::set<std::string> names;
    if (DIR* folder = opendir((vtest::SourceDir() + "/tests/walks").c_str())) {
        for (dirent* e; (e = readdir(folder)) != nullptr;) {
            const std::string file = e->d_name;
            if (file.size() > 5 && file.compare(file.size() - 5, 5, ".walk") == 0)
                names.insert(file.substr(0, file.size() - 5));
        }
        closedir(folder);
    }
    for (const std::string& name : names) {
        struct Walking : Walk {
            explicit Walking(const std::string& n) : name(n) {}
            void TestBody() override { Play(name); }
            std::string name;
        };
        ::testing::RegisterTest("Walk", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                [name]() -> Walk* { return new Walking(name); });
    }
    return !names.empty();
}();

TEST(Walks, AreFound)
{
    EXPECT_TRUE(walksRegistered) << "no walk in " << vtest::SourceDir() << "/tests/walks";
}

} // namespace
