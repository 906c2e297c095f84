// A battlefield like the game's largest level, built in code for the lockstep test and the
// world benchmark: 220 static blocks stacked in 32 columns over the water (three columns
// left open), two squibs dropped over opposite ends and three projectiles just fired.
#pragma once
#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanMD5.h"
#include "game/VexPhysicsWorld.h"

namespace vexscene {

struct Box {
    float x, y, hx, hy;
    u32 kind;
    float weight, restitution, friction;
    u32 mask;
    float vx, vy; // world units per step
};

const int kBlocks = 220;

inline std::vector<Box> Battlefield()
{
    static const float kHalfWidths[] = {0.1f, 0.075f, 0.1f, 0.05f, 0.1f};
    static const float kHalfHeights[] = {0.05f, 0.025f, 0.075f, 0.05f, 0.1f, 0.025f};
    static const float kRestitutions[] = {0.1f, 0.3f, 0.05f, 0.8f};
    static const float kFrictions[] = {0.5f, 0.9f, 0.1f, 0.6f};
    int counts[32];
    int total = 0;
    for (int c = 0; c < 32; ++c) {
        const bool gap = c == 6 || c == 7 || c == 24;
        counts[c] = gap ? 0 : 4 + (c * 7) % 6;
        total += counts[c];
    }
    for (int c = 8; total < kBlocks; c = c == 23 ? 8 : c + 1, ++total)
        ++counts[c];
    std::vector<Box> boxes;
    float tops[32];
    int k = 0;
    for (int c = 0; c < 32; ++c) {
        float y = 0.0f;
        for (int i = 0; i < counts[c]; ++i, ++k) {
            const float hx = kHalfWidths[(c + i) % 5];
            const float hy = kHalfHeights[(c * 3 + i) % 6];
            boxes.push_back({-3.1f + 0.2f * (float)c, y + hy, hx, hy, (u32)VEX_BODY_STATIC, 0.0f,
                             kRestitutions[k % 4], kFrictions[k % 4], 0x11111111u, 0.0f, 0.0f});
            y += 2.0f * hy;
        }
        tops[c] = y;
    }
    // The squibs (player 0 left, player 1 right), then the projectiles in flight.
    boxes.push_back({-2.5f, tops[3] + 0.3f, 0.05f, 0.05f, (u32)VEX_BODY_DYNAMIC, 20.0f, 0.05f, 0.5f,
                     0x11101u, 0.0f, 0.0f});
    boxes.push_back({2.5f, tops[28] + 0.3f, 0.05f, 0.05f, (u32)VEX_BODY_DYNAMIC, 20.0f, 0.05f, 0.5f,
                     0x11110u, 0.0f, 0.0f});
    boxes.push_back({-2.4f, tops[3] + 0.6f, 0.025f, 0.025f, (u32)VEX_BODY_DYNAMIC, 15.0f, 0.2f,
                     0.5f, 0x11111111u, 0.08f, 0.06f});
    boxes.push_back({-2.3f, tops[4] + 0.7f, 0.025f, 0.025f, (u32)VEX_BODY_DYNAMIC, 15.0f, 0.2f,
                     0.5f, 0x11111111u, 0.05f, 0.1f});
    boxes.push_back({2.4f, tops[28] + 0.6f, 0.025f, 0.025f, (u32)VEX_BODY_DYNAMIC, 15.0f, 0.2f,
                     0.5f, 0x11111111u, -0.07f, 0.09f});
    return boxes;
}

inline void Populate(CVexPhysicsWorld& world, const std::vector<Box>& boxes)
{
    for (const Box& b : boxes) {
        CVexPhysicsBodyDesc desc;
        desc.position.Set(b.x, b.y);
        desc.halfSize.Set(b.hx, b.hy);
        desc.kind = b.kind;
        desc.weight = b.weight;
        desc.restitution = b.restitution;
        desc.friction = b.friction;
        CVexPhysicsBody* body = world.AddBody(desc);
        body->mask = b.mask;
        body->velocity.Set(b.vx, b.vy);
    }
}

// The state of every body as bytes: the vectors a step writes, the rest flags and time.
inline void AppendState(const CVexPhysicsWorld& world, std::string& out)
{
    for (int i = 0; i < world.GetBodyCount(); ++i) {
        const CVexPhysicsBody* b = world.GetBody(i);
        const float values[] = {
            b->position.x,  b->position.y,  b->previous.x,         b->previous.y,
            b->stepStart.x, b->stepStart.y, b->stepDisplacement.x, b->stepDisplacement.y,
            b->velocity.x,  b->velocity.y,  b->impulseSum.x,       b->impulseSum.y,
            b->restTime};
        for (float v : values) {
            u8 bytes[4];
            u32 word;
            memcpy(&word, &v, 4);
            VortanWriteLE32(bytes, word);
            out.append((const char*)bytes, 4);
        }
        out.push_back((char)b->asleep);
    }
}

} // namespace vexscene
