// fuzz_seeds: writes the seed corpora of the fuzz targets, one directory per target under
// OUT, from the built data packs and their entries, the tests' sample files, sound files made
// at build time and a few small inputs made here.
//
//   fuzz_seeds OUT SOURCE_DIR FILE...
//
// FILEs are data packs (.dmp) and sound files (.wav, .ogg); SOURCE_DIR is the source tree,
// whose tests/data/xml samples are taken too.
#include <ctype.h>
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/VortanMediaPack.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "game/VexGameContext.h"
#include "game/VexMatchMessages.h"
#include "game/VexMessageBatch.h"
#include "online/protocol/ASN1Sequence.h"
#include "online/protocol/ASN1SequenceOf.h"
#include "platform/OrloStatsStore.h"
#include "tests/support/PackWriter.h"
#include "tools/ToolFiles.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Files; // name, bytes

// Largest seed taken whole; larger packs are repacked with their entries cut short.
const size_t kMaxSeed = 64 * 1024;
const size_t kCutEntry = 256;
const size_t kCutSound = 8192;

std::string g_out;
int g_written = 0;
bool g_failed = false;

std::string SafeName(const std::string& name)
{
    std::string safe;
    for (char c : name)
        safe += (isalnum((unsigned char)c) || c == '.' || c == '-' || c == '_') ? c : '_';
    return safe.empty() ? "seed" : safe;
}

void Add(const std::string& target, const std::string& name, const std::string& bytes)
{
    const std::string dir = g_out + "/" + target;
    mkdir(g_out.c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/" + SafeName(name);
    if (!toolfiles::WriteFileAtomically(path, bytes.data(), bytes.size())) {
        fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
        g_failed = true;
        return;
    }
    ++g_written;
}

std::string Extension(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// UTF-16LE of UTF-8 text, with a byte-order mark when asked.
std::string Utf16(const std::string& utf8, bool bom)
{
    CVortanString s;
    s.AssignUTF8(utf8.c_str(), -1);
    std::string out = bom ? std::string("\xff\xfe", 2) : std::string();
    for (int i = 0; i < s.GetLength(); ++i)
        vtest::PutU16(&out, s.GetAt(i));
    return out;
}

// The entries of a pack, read with the engine's pack reader.
Files ReadPack(const std::string& path)
{
    Files entries;
    CVortanMediaPack pack;
    if (pack.Open(CVortanString(path.c_str())) != VORTAN_OK) {
        fprintf(stderr, "fuzz_seeds: %s is not a pack\n", path.c_str());
        g_failed = true;
        return entries;
    }
    for (int i = 0; i < pack.GetEntryCount(); ++i) {
        std::string name;
        const CVortanString& wide = pack.GetEntryAt(i)->m_name;
        for (int k = 0; k < wide.GetLength(); ++k)
            name += (char)wide.GetAt(k);
        std::string data((size_t)pack.GetEntry(CVortanString(), i), '\0');
        if (!data.empty() && pack.GetFile()->Read(&data[0], (int)data.size()) != (int)data.size())
            data.clear();
        entries.push_back({name, data});
    }
    return entries;
}

// A font description with only its first glyph lines: a small seed loads quickly.
std::string FewGlyphs(const std::string& description)
{
    const int kGlyphs = 24;
    std::string out;
    int glyphs = 0;
    size_t start = 0;
    while (start < description.size()) {
        size_t end = description.find('\n', start);
        end = end == std::string::npos ? description.size() : end + 1;
        const std::string line = description.substr(start, end - start);
        if (line.find("<char ") == std::string::npos || glyphs++ < kGlyphs)
            out += line;
        start = end;
    }
    return out;
}

struct Collected {
    Files metas, atlases, fonts;
};

// Routes one data file to the targets that read its kind.
void Route(const std::string& prefix, const std::string& name, const std::string& data,
           Collected& c)
{
    const std::string bare = BaseName(name);
    const std::string ext = Extension(bare);
    const std::string seed = prefix + "-" + bare;
    if (ext == "wav" || ext == "ogg") {
        // Long sounds cut short: the loaders take what is there.
        Add(ext == "wav" ? "wave" : "ogg", seed, data.substr(0, kCutSound));
        return;
    }
    if (data.size() > kMaxSeed)
        return;
    if (ext == "xml" || ext == "six" || ext == "meta")
        Add("xml", seed, data);
    if (bare == "dmp.meta")
        c.metas.push_back({seed, data});
    if (ext == "six")
        c.atlases.push_back({seed, data});
    if (ext == "fnt") {
        Add("xml", seed, FewGlyphs(data));
        c.fonts.push_back({seed, FewGlyphs(data)});
    }
    if (ext == "txt")
        Add("utf8", seed, data);
    if (ext == "scn")
        Add("scene", seed, data);
    if (ext == "png" || ext == "jpg")
        Add("serverimage", seed, data);
}

void FromPack(const std::string& path, Collected& c)
{
    const std::string packName = BaseName(path);
    std::string bytes;
    if (!toolfiles::ReadFile(path, &bytes)) {
        fprintf(stderr, "fuzz_seeds: cannot read %s\n", path.c_str());
        g_failed = true;
        return;
    }
    Files entries = ReadPack(path);
    if (bytes.size() <= kMaxSeed) {
        Add("pack", packName, bytes);
    } else {
        // The same table with every entry's data cut short.
        vtest::PackEntries cut;
        for (const auto& e : entries)
            cut.push_back({e.first, e.second.substr(0, kCutEntry)});
        Add("pack", "cut-" + packName, vtest::MakePack(cut));
    }
    const std::string prefix = packName.substr(0, packName.rfind('.'));
    for (const auto& e : entries)
        Route(prefix, e.first, e.second, c);
    // A language pack's text is its first entry, whatever its name.
    if (packName.compare(0, 13, "orlolanguage_") == 0 && !entries.empty())
        Add("language", prefix, entries[0].second);
}

void FromTestSamples(const std::string& sourceDir, Collected& c)
{
    const std::string dir = sourceDir + "/tests/data/xml";
    DIR* d = opendir(dir.c_str());
    if (!d) {
        fprintf(stderr, "fuzz_seeds: no samples in %s\n", dir.c_str());
        g_failed = true;
        return;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    }
    closedir(d);
    for (const std::string& name : names) {
        std::string data;
        if (toolfiles::ReadFile(dir + "/" + name, &data))
            Route("tests", name, data, c);
    }
}

// Layouts: each test layout, a NUL and the file it imports.
void Layouts(const std::string& sourceDir)
{
    const std::string dir = sourceDir + "/tests/ui/layouts/";
    std::string sub;
    toolfiles::ReadFile(dir + "sub.xml", &sub);
    const char* names[] = {"placement.xml", "types.xml",  "events.xml",   "actions.xml",
                           "imports.xml",   "self.xml",   "rebuild1.xml", "areas.xml",
                           "scrolling.xml", "drawing.xml"};
    for (const char* name : names) {
        std::string data;
        if (!toolfiles::ReadFile(dir + name, &data)) {
            fprintf(stderr, "fuzz_seeds: no layout %s\n", name);
            g_failed = true;
            continue;
        }
        Add("layout", name, data + '\0' + sub);
    }
    std::string ping, pong;
    toolfiles::ReadFile(dir + "ping.xml", &ping);
    toolfiles::ReadFile(dir + "pong.xml", &pong);
    Add("layout", "mutual", ping + '\0' + pong);
}

// A batch packed by the game from the given messages (each its bytes).
std::string PackedBatch(const std::vector<std::string>& messages)
{
    CVortanPtrArray pending;
    for (const std::string& m : messages)
        pending.Add(CVexMessage::Create((u8)m[0], (const u8*)m.data(), (u32)m.size(), 1));
    CVexGameContext game;
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    CVexMessage* batch = nullptr;
    if (batcher.FlushBatch(pending, execution, scheduled, &batch) != VORTAN_OK) {
        g_failed = true;
        return std::string();
    }
    return std::string((const char*)batch->payload, batch->size);
}

template <class T>
std::string Message(const T& body, i32 executeAt)
{
    std::string m(T::kSize, '\0');
    VexWriteMessage(body, 7, executeAt, (u8*)&m[0], (u32)m.size());
    return m;
}

// Match message batches: one of every type that travels in them, one block stick, the empty
// batch, and one whose last entry is cut short.
void Batches()
{
    const CVortanVector2 v(1.5f, -6.9f);
    std::vector<std::string> shot = {
        Message(CVexMsgSettlePositions{v, v}, 0),
        Message(CVexMsgSpawnProjectile{0, 2, 5}, 0),
        Message(CVexMsgLaunchProjectile{0, v, 5}, 0),
        Message(CVexMsgPhysicsSwitch{1}, 0),
        Message(CVexMsgPlayerKnock{1, v, 1}, 66),
        Message(CVexMsgWhip{0, v}, 66),
        Message(CVexMsgBlockState{3, 10, -20, 40, v}, 99),
        Message(CVexMsgBlockStick{4, 30, 2, 1, v, 0.9f, 0.1f, 1.0f}, 99),
        Message(CVexMsgBlockDestroyed{5}, 132),
        Message(CVexMsgExplosion{0xFF808080u, 1, v, 0.5f}, 132),
        Message(CVexMsgPlayerDamage{1, 20, 80}, 132),
        Message(CVexMsgPlaceProjectile{0, v, 5}, 165),
        Message(CVexMsgProjectileGone{0, 1, 5}, 165),
        Message(CVexMsgPlayerOut{1, 1}, 198),
    };
    Add("batch", "shot", PackedBatch(shot));
    Add("batch", "stick", PackedBatch({shot[7]}));
    Add("batch", "empty", PackedBatch({}));
    std::string cut = PackedBatch(shot);
    cut.resize(cut.size() - 2 - 8);
    Add("batch", "cut", cut);
}

// Game data as the battle receives it, each message after its two-byte length: a turn for the
// sender, the shot's batch, an acknowledgement, and a round start for a level that is not there.
void GameData()
{
    const CVortanVector2 v(0.5f, 1.0f);
    std::vector<std::string> shot = {
        Message(CVexMsgSettlePositions{v, v}, 0),
        Message(CVexMsgSpawnProjectile{0, 2, 5}, 0),
        Message(CVexMsgLaunchProjectile{0, v, 5}, 0),
        Message(CVexMsgPhysicsSwitch{1}, 0),
        Message(CVexMsgBlockState{40, 10, -20, 40, v}, 33),
        Message(CVexMsgPlayerDamage{1, 20, 80}, 33),
        Message(CVexMsgPlayerOut{1, 1}, 66),
    };
    auto framed = [](const std::vector<std::string>& messages) {
        std::string out;
        for (const std::string& m : messages) {
            out += (char)(m.size() & 0xFF);
            out += (char)(m.size() >> 8);
            out += m;
        }
        return out;
    };
    std::string ack(12, '\0');
    ack[0] = 1;
    Add("gamedata", "turn-and-shot",
        framed({Message(CVexMsgNextTurn{0}, -1), PackedBatch(shot), ack}));
    Add("gamedata", "round", framed({Message(CVexMsgRoundBegin{1, 25, 0, 2}, -1)}));
    Add("gamedata", "timed", framed(shot));
}

void MadeHere()
{
    // Packs: nested names, a name found only by containment, an empty entry, one entry whose
    // data runs past the end of the file.
    Add("pack", "nested.dmp",
        vtest::MakePack({{"/fonts/font.png", "PNG"},
                         {"/fonts/bigfont.png", "BIG"},
                         {"/menu_ui.xml", "<a/>"},
                         {"/ui.xml", "<b/>"},
                         {"/empty", ""}}));
    std::string overlong = vtest::MakePack({{"/a", "0123456789"}});
    overlong.resize(overlong.size() - 4);
    Add("pack", "overlong.dmp", overlong);

    // Language texts: ordered, with gaps, out of order, a padded number, a last line without
    // its line end, a right-to-left pack and one asking for special characters.
    Add("language", "ordered",
        Utf16("NAME=Test\r\nCODE=te\r\nFLAGS=VE_TEXT_RIGHT\r\nSPECIAL_CHARS=0\r\n0=zero\r\n1=one "
              "\\n two\r\n2=two\r\n",
              true));
    Add("language", "gaps",
        Utf16("NAME=Gaps\r\nCODE=ga\r\n0=zero\r\n3=three\r\n2=late\r\n007=seven\r\n5=five", false));
    Add("language", "rtl",
        Utf16("NAME=\xd7\xa2\xd7\x91\xd7\xa8\xd7\x99\xd7\xaa\r\nCODE=he\r\nFLAGS=VE_TEXT_RIGHT|"
              "VE_TEXT_RIGHT_TO_LEFT\r\n0=\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d\r\n",
              true));
    Add("language", "special", Utf16("NAME=Special\r\nSPECIAL_CHARS=1\r\n0=x\r\n", true));

    // Scan: format, NUL, text.
    const char* scans[][2] = {
        {"%d,%d", "12, -7"},
        {"%f", "1,5"},
        {"%s:%d", "name:3"},
        {"%d %d", "abc"},
        {"%x", "1F"},
        {"%x", "0x1F"},
        {"%f %f %f", "1.5 -.25 3"},
        {"%s", "whole text"},
        {"%d%%%s,%f", "5% word, 2.5"},
        {"%q%d", "5"},
        {"(%d;%d)", "(10;20)"},
        {"%s %s %s", "a b c"},
    };
    int n = 0;
    for (const auto& s : scans)
        Add("scan", "scan-" + std::to_string(n++), std::string(s[0]) + '\0' + s[1]);

    // Achievement definitions (16-bit units after a byte-order mark) and unlocks files.
    {
        const char* text = "achievement 1 {\n name \"One\"\n description \"Two\nlines\"\n"
                           " surfaceName \"a.png\"\n}\n{ achievement 2 { name \"x\" } }\n"
                           "achievement 3 x achievement 4 { { } name \"Four\" }\r\n";
        std::string wide("\xff\xfe", 2);
        for (const char* c = text; *c; ++c)
            wide += std::string(1, *c) + '\0';
        Add("achdefs", "grammar", wide);
    }
    Add("achunlocks", "two",
        std::string("\1\0\0\0\2\0\0\0", 8) +
            std::string("\3\0\0\0\xea\x07\x0b\0\x07\0\0\0\x0a\0\x3b\0", 16) +
            std::string("\x0f\0\0\0\xe8\x07\0\0\x1f\0\x17\0\x3b\0\x3b\0", 16));
    Add("achunlocks", "cut", std::string("\1\0\0\0\xff\xff\xff\x7f\3\0\0", 11));

    // Server pictures: the headers of a PNG and of a baseline JPEG, and a cut JPEG.
    Add("serverimage", "png",
        std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x1e\0\0\0\x3c\x08\x06\0\0\0", 29));
    Add("serverimage", "jpeg",
        std::string("\xff\xd8\xff\xe0\0\x10JFIF\0\1\1\0\0\1\0\1\0\0"
                    "\xff\xc0\0\x11\x08\0\x3c\0\x1e\x03\x01\x22\0\x02\x11\x01\x03\x11\x01",
                    39));
    Add("serverimage", "cut", std::string("\xff\xd8\xff\xe0\0\x10JF", 8));

    // UTF-8: one- to four-byte forms, overlong and cut sequences, stray continuation bytes.
    Add("utf8", "forms", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z");
    Add("utf8", "broken",
        "\xc3\xe2\x82\xf0\x9f\x98\x80\x80\xbf\xc0\x80\xed\xa0\x80\xf8\x88\x80\x80");
    Add("utf8", "cut", "ok\xf0\x9f\x98");

    // Settings files written by the settings store itself: every kind, and none.
    const std::string empty = g_out + "/settings/empty.dat";
    const std::string full = g_out + "/settings/kinds.dat";
    mkdir((g_out + "/settings").c_str(), 0755);
    {
        COrloStatsStore store;
        store.Open(CVortanString(empty.c_str()));
        store.Clear();
        g_failed |= store.Save() != 1;
    }
    {
        COrloStatsStore store;
        store.Open(CVortanString(full.c_str()));
        store.Clear();
        store.AddEntry(CVortanString("__Orlo_Language"))->SetString(CVortanString("en"));
        store.AddEntry(CVortanString("sound_volume"))->SetInt(-7);
        store.AddEntry(CVortanString("music"))->SetBool(1);
        store.AddEntry(CVortanString("games_played"))->SetExtraInt(123456);
        CVortanString wide;
        wide.AssignUTF8("Gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac", -1);
        store.AddEntry(wide)->SetString(wide);
        g_failed |= store.Save() != 1;
    }
    g_written += 2;
}

// Wire messages for the codec's target, each after its field count and kinds (0 int, 1 int64,
// 2 text, 3 bytes, 4 integer list, 5 record list): what the client itself writes, with
// texts of every form and lengths in the long form.
void WireMessages()
{
    i32 kind = 2, negative = -129;
    i64 game = 4294967296ll;
    CVortanString hi("hi"), wide;
    wide.AssignUTF8("Gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac \xf0\x9f\x98\x80", -1);
    CVortanString longText;
    longText.SetLength(300);
    u8 payload[200];
    for (int i = 0; i < 200; ++i)
        payload[i] = (u8)(i * 7);
    u8* bytes = payload;
    i32 length = 200;
    CVortanArray<i32> list;
    for (i32 v : {0, -1, 128, -32769, 2147483647})
        list.SetAtGrow(list.GetSize(), v);

    struct Seed {
        const char* name;
        int tag;
        std::string kinds;
    };
    const Seed seeds[] = {{"chat", 64, {0, 2, 0}},
                          {"ack", 28, {}},
                          {"game", 13, {1, 3}},
                          {"texts", 30, {2, 2, 0, 1}},
                          {"list", 38, {0, 4, 2}}};
    for (const Seed& seed : seeds) {
        CASN1_Message message(seed.tag);
        int texts = 0;
        for (char k : seed.kinds) {
            switch (k) {
            case 0:
                message.AddField(new CASN1_IntField(texts ? &negative : &kind));
                break;
            case 1:
                message.AddField(new CASN1_LongIntField(&game));
                break;
            case 2:
                message.AddField(new CASN1_StringField(texts == 0   ? &hi
                                                       : texts == 1 ? &wide
                                                                    : &longText));
                ++texts;
                break;
            case 3:
                message.AddField(new CASN1_ByteArrayField(&bytes, &length));
                break;
            default:
                message.AddField(new CASN1_SequenceOf<CASN1_IntField>(&list));
                break;
            }
        }
        std::string out(1, (char)seed.kinds.size());
        out += seed.kinds;
        std::string wire((size_t)message.Encode(nullptr, 0), '\0');
        message.Encode((u8*)&wire[0], (int)wire.size());
        Add("asn1", seed.name, out + wire);
    }
    // A record list by hand (the client writes none): two records of [0] int, [1] int64,
    // [2] text, after two integers, then an empty integer list.
    const char records[] = "\x04\x00\x00\x05\x04"
                           "\xb4\x1f\x80\x01\x01\x81\x01\x02\x82\x15"
                           "\x30\x08\x80\x01\x07\x81\x01\x00\x82\x00"
                           "\x30\x09\x80\x01\xff\x81\x01\x05\x82\x01\x41\x83\x00";
    Add("asn1", "records", std::string(records, sizeof records - 1));
}

// Received chunks for the session's framing: a chunk header octet (bit 7 the channel, bits 0-6
// the length - 1) before each piece of a message stream.
void SessionFrames()
{
    // A notification, a ping, a game-data message and a message announcing far too much.
    const std::string note("\xbf\x2d\x09\x80\x01\x01\x81\x01\x41\x82\x01\x00", 12);
    const std::string ping("\xbf\x2c\x03\x80\x01\x05", 6);
    const std::string data("\xad\x05\x80\x03\x01\x02\x03", 7);
    const std::string huge("\xad\x84\x7f\xff\xff\xff\x80", 7);
    std::string whole = note + ping + note;
    Add("sessionframes", "whole", std::string(1, (char)(whole.size() - 1)) + whole);
    std::string bytewise;
    for (char c : whole)
        bytewise += std::string(1, '\0') + c;
    Add("sessionframes", "bytewise", bytewise);
    Add("sessionframes", "game", std::string(1, (char)(0x80 | (data.size() - 1))) + data);
    Add("sessionframes", "huge", std::string(1, (char)(huge.size() - 1)) + huge);
}

// Item pack lists and chunks for the menu's pack handlers: segments of an op octet (0 a list,
// 1 a chunk, 2 a check run, 3 an item description), two octets of length and the message.
void ItemPacks()
{
    auto segment = [](int op, const std::string& message) {
        return std::string(1, (char)op) + (char)(message.size() >> 8) +
               (char)(message.size() & 0xFF) + message;
    };
    // One pack of five octets ("hello", its MD5), version 1; then its one chunk.
    const std::string list("\xbf\x57\x1f\x80\x1d\x30\x1b\x80\x01\x01\x81\x01\x01\x82\x10"
                           "\x5d\x41\x40\x2a\xbc\x4b\x2a\x76\xb9\x71\x9d\x91\x10\x17\xc5\x92"
                           "\x83\x01\x05",
                           34);
    const std::string chunk("\xbf\x59\x10\x80\x01\x01\x81\x01\x00\x82\x05hello\x83\x01\x00", 19);
    const std::string check(1, '\0');
    Add("itempacks", "whole",
        segment(0, list) + segment(2, check) + segment(1, chunk) + segment(2, check));
    Add("itempacks", "stalled",
        segment(0, list) + segment(2, check) + segment(2 | (6 << 2), check) +
            segment(2 | (6 << 2), check) + segment(2 | (6 << 2), check));
    Add("itempacks", "twice", segment(0, list) + segment(0, list) + segment(2, check));
    Add("itempacks", "descriptions",
        segment(3, "<item><attributes type=\"Hat\" variable=\"20\" filename=\"top.png\"/>"
                   "</item>") +
            segment(3, "<item><attributes type=\"battleground\" battlefilename=\"b.png\" "
                       "uniquefilename=\"u.png\" variable=\"-2147483648\"/></item>"));
}

void Combined(const Collected& c)
{
    // Resource descriptions: each pack description with each atlas, and alone.
    for (size_t m = 0; m < c.metas.size(); ++m) {
        Add("resources", c.metas[m].first, c.metas[m].second);
        for (size_t a = 0; a < c.atlases.size() && a < 3; ++a)
            Add("resources", c.metas[m].first + "+" + c.atlases[a].first,
                c.metas[m].second + '\0' + c.atlases[a].second);
    }
    // Font descriptions with text to draw: plain, and with a colour tag and line breaks.
    for (const auto& f : c.fonts) {
        Add("font", f.first, f.second);
        Add("font", f.first + "+text",
            f.second + '\0' +
                "Hello $COLOR=0xFF336699World\r\nGr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: fuzz_seeds OUT SOURCE_DIR FILE...\n");
        return 2;
    }
    g_out = argv[1];
    mkdir(g_out.c_str(), 0755);
    Collected collected;
    for (int i = 3; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string ext = Extension(path);
        if (ext == "dmp") {
            FromPack(path, collected);
        } else {
            std::string data;
            if (!toolfiles::ReadFile(path, &data)) {
                fprintf(stderr, "fuzz_seeds: cannot read %s\n", path.c_str());
                g_failed = true;
                continue;
            }
            Route("made", BaseName(path), data, collected);
        }
    }
    FromTestSamples(argv[2], collected);
    MadeHere();
    Layouts(argv[2]);
    Batches();
    GameData();
    WireMessages();
    SessionFrames();
    ItemPacks();
    Combined(collected);
    printf("fuzz_seeds: %d seeds in %s\n", g_written, g_out.c_str());
    return g_failed ? 1 : 0;
}
