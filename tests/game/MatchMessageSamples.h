// One sample of every match message type for the tests: field values chosen at the edges of
// their widths, the message's name in the catalogue script (tests/game/match_messages.py),
// and the game's writer and reader of it, with the fields as text in layout order.
#pragma once
#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "game/VexMatchMessages.h"
#include "tests/support/HexText.h"
#include "tests/support/TestSupport.h"

namespace mtest {

template <class T>
inline std::string Text(T v)
{
    return std::to_string(+v); // bytes as numbers
}
// Nine significant digits bring every float back exactly.
inline std::string Text(float v)
{
    char s[32];
    snprintf(s, sizeof s, "%.9g", (double)v);
    return s;
}

typedef std::vector<std::string> Fields;

template <int T, int Timed, int Send>
Fields FieldsOf(const CVexMsgHeaderOnly<T, Timed, Send>&)
{
    return {};
}
template <int T, int Timed>
Fields FieldsOf(const CVexMsgWord<T, Timed>& m)
{
    return {Text(m.value)};
}
inline Fields FieldsOf(const CVexMsgRoundBegin& m)
{
    return {Text(m.firstSide), Text(m.level), Text(m.spawn0), Text(m.spawn1)};
}
inline Fields FieldsOf(const CVexMsgRoundResult& m)
{
    return {Text(m.winner)};
}
inline Fields FieldsOf(const CVexMsgGameOver& m)
{
    return {Text(m.poster), Text(m.roundsWon0), Text(m.roundsWon1), Text(m.winner), Text(m.reason)};
}
inline Fields FieldsOf(const CVexMsgMatchEnd& m)
{
    return {Text(m.ownSide), Text(m.left)};
}
inline Fields FieldsOf(const CVexMsgLeaveBattle& m)
{
    return {Text(m.ownSide), Text(m.value)};
}
inline Fields FieldsOf(const CVexMsgPlayerOut& m)
{
    return {Text(m.side), Text(m.mode)};
}
inline Fields FieldsOf(const CVexMsgSettlePositions& m)
{
    return {Text(m.position0.x), Text(m.position0.y), Text(m.position1.x), Text(m.position1.y)};
}
inline Fields FieldsOf(const CVexMsgPlayerKnock& m)
{
    return {Text(m.side), Text(m.push.x), Text(m.push.y), Text(m.cameraFlag)};
}
inline Fields FieldsOf(const CVexMsgPlayerDamage& m)
{
    return {Text(m.side), Text(m.damage), Text(m.health)};
}
inline Fields FieldsOf(const CVexMsgWhip& m)
{
    return {Text(m.side), Text(m.vector.x), Text(m.vector.y)};
}
inline Fields FieldsOf(const CVexMsgSpawnProjectile& m)
{
    return {Text(m.side), Text(m.projectileType), Text(m.slot)};
}
template <int T>
Fields FieldsOf(const CVexMsgProjectileVector<T>& m)
{
    return {Text(m.side), Text(m.vector.x), Text(m.vector.y), Text(m.slot)};
}
inline Fields FieldsOf(const CVexMsgProjectileGone& m)
{
    return {Text(m.side), Text(m.value), Text(m.slot)};
}
inline Fields FieldsOf(const CVexMsgBlockState& m)
{
    return {Text(m.id), Text(m.x), Text(m.y), Text(m.hitPoints), Text(m.push.x), Text(m.push.y)};
}
inline Fields FieldsOf(const CVexMsgBlockDestroyed& m)
{
    return {Text(m.id)};
}
inline Fields FieldsOf(const CVexMsgBlockStick& m)
{
    return {Text(m.id),     Text(m.hitPoints), Text(m.material),    Text(m.variant), Text(m.push.x),
            Text(m.push.y), Text(m.friction),  Text(m.restitution), Text(m.delay)};
}
inline Fields FieldsOf(const CVexMsgExplosion& m)
{
    return {Text(m.colour), Text(m.kind), Text(m.position.x), Text(m.position.y), Text(m.size)};
}
inline Fields FieldsOf(const CVexMsgEquipment& m)
{
    Fields f{Text(m.ownSide), Text(m.count)};
    for (u32 v : m.first)
        f.push_back(Text(v));
    for (u32 v : m.fifth)
        f.push_back(Text(v));
    for (u32 v : m.third)
        f.push_back(Text(v));
    return f;
}

// One type's sample with its writer and reader.
struct Sample {
    std::string name; // as the catalogue script names it
    u32 type;
    u32 size;
    int timed;
    int send;
    Fields fields; // the sample's values
    // Writes the sample with the header: the size, or 0 when it does not fit.
    std::function<u32(u32 seq, i32 executeAt, u8* out, u32 capacity)> write;
    // Reads the bytes as the sample's type: the result code and, on success, the fields.
    std::function<int(const u8* bytes, u32 size, Fields* out)> read;
};

template <class T>
Sample MakeSample(const std::string& name, const T& body)
{
    Sample s;
    s.name = name;
    s.type = T::kType;
    s.size = T::kSize;
    s.timed = T::kTimed;
    s.send = T::kSend;
    s.fields = FieldsOf(body);
    s.write = [body](u32 seq, i32 at, u8* out, u32 capacity) {
        return VexWriteMessage(body, seq, at, out, capacity);
    };
    s.read = [](const u8* bytes, u32 size, Fields* out) {
        T read;
        int result = VexReadMessage(bytes, size, read);
        if (result == VORTAN_OK && out)
            *out = FieldsOf(read);
        return result;
    };
    return s;
}

// Every type that has a layout, in the catalogue's order.
inline std::vector<Sample> AllSamples()
{
    CVexMsgEquipment equipment = {1, 3, {7, 0xFFFFFFFFu, 9, 0}, {1, 2, 3, 0}, {40, 50, 60, 0}};
    return {
        MakeSample("Ack", CVexMsgAck()),
        MakeSample("RoundBegin", CVexMsgRoundBegin{1, 19, 2, -7}),
        MakeSample("BattleBegin", CVexMsgBattleBegin{1}),
        MakeSample("RoundResult", CVexMsgRoundResult{255}),
        MakeSample("AimingBegin", CVexMsgAimingBegin()),
        MakeSample("GameOver", CVexMsgGameOver{1, 2, 250, 0, 3}),
        MakeSample("NextTurn", CVexMsgNextTurn{0xFFFFFFFFu}),
        MakeSample("MatchEnd", CVexMsgMatchEnd{255, 0x80000001u}),
        MakeSample("LeaveBattle", CVexMsgLeaveBattle{1, 200}),
        MakeSample("PhysicsSwitch", CVexMsgPhysicsSwitch{1}),
        MakeSample("PlayerOut", CVexMsgPlayerOut{1, 2}),
        MakeSample("SettlePositions", CVexMsgSettlePositions{CVortanVector2(-6.9f, 1e-38f),
                                                             CVortanVector2(3.4e38f, -0.1f)}),
        MakeSample("PlayerKnock", CVexMsgPlayerKnock{1, CVortanVector2(-2.415f, 0.35f), 1}),
        MakeSample("Ready", CVexMsgReady{1}),
        MakeSample("GiveUp", CVexMsgGiveUp{0}),
        MakeSample("PlayerDamage", CVexMsgPlayerDamage{1, 4000000000u, -25}),
        MakeSample("SquashCheck", CVexMsgSquashCheck()),
        MakeSample("Whip", CVexMsgWhip{0, CVortanVector2(0.125f, -1.0f / 3.0f)}),
        MakeSample("SpawnProjectile", CVexMsgSpawnProjectile{1, 4, -128}),
        MakeSample("PlaceProjectile", CVexMsgPlaceProjectile{1, CVortanVector2(12.5f, -0.5f), 31}),
        MakeSample("LaunchProjectile",
                   CVexMsgLaunchProjectile{0, CVortanVector2(-20.7f, 2.07f), 7}),
        MakeSample("ProjectileGone", CVexMsgProjectileGone{0, 1, 127}),
        MakeSample("BlockState",
                   CVexMsgBlockState{222, -128, 127, 65536, CVortanVector2(1.5f, -6.9f)}),
        MakeSample("BlockDestroyed", CVexMsgBlockDestroyed{255}),
        MakeSample("BlockStick", CVexMsgBlockStick{17, 300, 2, -1, CVortanVector2(0.5f, 0.25f),
                                                   0.9f, 0.05f, 1.75f}),
        MakeSample("Explosion",
                   CVexMsgExplosion{0xFF808080u, 3, CVortanVector2(-4.0f, 9.75f), 0.6f}),
        MakeSample("ClockReset", CVexMsgClockReset()),
        MakeSample("PlaybackDone", CVexMsgPlaybackDone{1}),
        MakeSample("Equipment", equipment),
    };
}

// The catalogue script's output for the given input lines, one line each.
inline std::vector<std::string> RunCatalogue(const std::string& input)
{
    std::string out;
    int status = vtest::RunProgram(
        {vtest::Python(), vtest::SourceDir() + "/tests/game/match_messages.py"}, &out, input);
    std::vector<std::string> lines;
    if (status != 0)
        return lines;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        if (end == std::string::npos)
            end = out.size();
        lines.push_back(out.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// The script's input line for a sample with the given header.
inline std::string CatalogueLine(const Sample& s, u32 seq, i32 executeAt)
{
    std::string line = s.name + " " + std::to_string(seq) + " " + std::to_string(executeAt);
    for (const std::string& f : s.fields)
        line += " " + f;
    return line;
}

using vtest::FromHex;
using vtest::Hex;

} // namespace mtest
