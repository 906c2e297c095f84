// makescene: turns a battlefield's text source into the scene file (".scn") the game reads.
//
//   makescene IN.txt OUT.scn
//
// The source has one item a line; "#" starts a comment, blank lines are skipped:
//   spawn <side 0|1> <x> <y>                          three per side, in order 0, 1, 2
//   block <x> <y> <shape 0..39> <material> <variant 0..3> <layer 0..3>
//   marker <x> <y>
// Positions are in world units (the water line at y = 0, y upward); the material is one of
// paper, metal, ice, bouncy. Positions are packed into one signed byte each by the camera's
// quantiser, so a value the byte cannot hold (below minus the world scale, at or above it) is
// refused, as are unknown words, shapes, materials, variants and layers out of range, other
// than three spawn points per side, more blocks than the block list takes (223) and more
// markers than the count byte holds. The file is version 110 with the default header words;
// each spawn entry carries its side's team colour.
// Exit status: 0 success, 1 a bad source (every problem is printed as "file:line: message"),
// 2 bad arguments.
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/VortanColor.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexCamera.h"
#include "tools/ToolFiles.h"

namespace {

// What the block list and the count bytes take.
const int kMaxBlocks = 223;
const int kMaxMarkers = 255;
const int kShapes = 40;
const char* const kMaterials[] = {"paper", "metal", "ice", "bouncy"};
// The scene's team colours, as the game writes them back.
const u32 kTeamColours[2] = {0xFFFF5D37u, 0xFF3A92FFu};

struct Block {
    i8 x, y;
    u8 shape, material, variant, layer;
};

class Source {
public:
    explicit Source(const char* path) : m_path(path), m_problems(0) {}

    bool Read(const std::string& text)
    {
        std::istringstream in(text);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            size_t hash = line.find('#');
            if (hash != std::string::npos)
                line.resize(hash);
            std::istringstream words(line);
            std::vector<std::string> w;
            std::string word;
            while (words >> word)
                w.push_back(word);
            if (!w.empty())
                ReadLine(number, w);
        }
        for (int side = 0; side < 2; ++side) {
            if (m_spawns[side].size() != 3)
                Problem(0, "side %d has %zu spawn points, not 3", side, m_spawns[side].size());
        }
        if ((int)m_blocks.size() > kMaxBlocks)
            Problem(0, "%zu blocks: the block list takes at most %d", m_blocks.size(), kMaxBlocks);
        if ((int)m_markers.size() > kMaxMarkers)
            Problem(0, "%zu markers: the count byte holds at most %d", m_markers.size(),
                    kMaxMarkers);
        return m_problems == 0;
    }

    // Version 110: tag, header words, players, blocks, markers.
    std::string Bytes() const
    {
        std::string out = "v110";
        for (int i = 0; i < 4; ++i)
            PutWord(&out, (u32)i);
        for (int i = 0; i < 16; ++i)
            PutWord(&out, (u32)(i % 4));
        out.push_back(2);
        for (int side = 0; side < 2; ++side) {
            u32 colour = CVortanColor(kTeamColours[side]).ToARGB();
            for (const std::pair<i8, i8>& p : m_spawns[side]) {
                out.push_back((char)p.first);
                out.push_back((char)p.second);
                PutWord(&out, colour);
            }
        }
        out.push_back((char)(u8)m_blocks.size());
        for (const Block& b : m_blocks) {
            const u8 record[6] = {(u8)b.x, (u8)b.y, b.shape, b.material, b.variant, b.layer};
            out.append((const char*)record, 6);
        }
        out.push_back((char)(u8)m_markers.size());
        for (const std::pair<i8, i8>& p : m_markers) {
            out.push_back((char)p.first);
            out.push_back((char)p.second);
        }
        return out;
    }

private:
    void ReadLine(int line, const std::vector<std::string>& w)
    {
        const std::string& what = w[0];
        size_t expected = what == "spawn" ? 4 : what == "block" ? 7 : what == "marker" ? 3 : 0;
        if (!expected) {
            Problem(line, "unknown item \"%s\"", what.c_str());
            return;
        }
        if (w.size() != expected) {
            Problem(line, "%s takes %zu values, not %zu", what.c_str(), expected - 1, w.size() - 1);
            return;
        }
        if (what == "spawn") {
            int side;
            i8 x, y;
            if (Integer(line, w[1], "side", 0, 1, &side) && Position(line, w[2], w[3], &x, &y))
                m_spawns[side].push_back(std::make_pair(x, y));
        } else if (what == "block") {
            Block b;
            int shape = 0, material = -1, variant = 0, layer = 0;
            bool ok = Position(line, w[1], w[2], &b.x, &b.y);
            ok = Integer(line, w[3], "shape", 0, kShapes - 1, &shape) && ok;
            for (int m = 0; m < 4; ++m) {
                if (w[4] == kMaterials[m])
                    material = m;
            }
            if (material < 0) {
                Problem(line, "unknown material \"%s\" (paper, metal, ice or bouncy)",
                        w[4].c_str());
                ok = false;
            }
            ok = Integer(line, w[5], "variant", 0, 3, &variant) && ok;
            ok = Integer(line, w[6], "layer", 0, 3, &layer) && ok;
            if (ok) {
                b.shape = (u8)shape;
                b.material = (u8)material;
                b.variant = (u8)variant;
                b.layer = (u8)layer;
                m_blocks.push_back(b);
            }
        } else {
            i8 x, y;
            if (Position(line, w[1], w[2], &x, &y))
                m_markers.push_back(std::make_pair(x, y));
        }
    }

    bool Integer(int line, const std::string& text, const char* what, int low, int high, int* out)
    {
        char* end = nullptr;
        long v = strtol(text.c_str(), &end, 10);
        if (text.empty() || *end || v < low || v > high) {
            Problem(line, "%s \"%s\" is not a whole number in %d..%d", what, text.c_str(), low,
                    high);
            return false;
        }
        *out = (int)v;
        return true;
    }

    bool Coordinate(int line, const std::string& text, float scale, float* out)
    {
        char* end = nullptr;
        float v = strtof(text.c_str(), &end);
        if (text.empty() || *end || !isfinite(v)) {
            Problem(line, "\"%s\" is not a number", text.c_str());
            return false;
        }
        // The byte holds -128..127 sixty-fourths of half the world scale: -S up to below +S.
        if (!(v >= -scale && v < scale)) {
            Problem(line, "%s lies outside the battlefield (%g up to below %g)", text.c_str(),
                    -scale, scale);
            return false;
        }
        *out = v;
        return true;
    }

    bool Position(int line, const std::string& tx, const std::string& ty, i8* x, i8* y)
    {
        CVexCamera camera;
        const float scale = camera.GetWorldScale();
        CVortanVector2 v(0.0f, 0.0f);
        bool ok = Coordinate(line, tx, scale, &v.x);
        ok = Coordinate(line, ty, scale, &v.y) && ok;
        if (!ok)
            return false;
        camera.QuantizePosition(v, *x, *y);
        return true;
    }

    void Problem(int line, const char* format, ...) __attribute__((format(printf, 3, 4)))
    {
        char text[512];
        va_list args;
        va_start(args, format);
        vsnprintf(text, sizeof text, format, args);
        va_end(args);
        if (line > 0)
            fprintf(stderr, "%s:%d: %s\n", m_path, line, text);
        else
            fprintf(stderr, "%s: %s\n", m_path, text);
        ++m_problems;
    }

    static void PutWord(std::string* out, u32 v)
    {
        u8 b[4];
        VortanWriteLE32(b, v);
        out->append((const char*)b, 4);
    }

    const char* m_path;
    int m_problems;
    std::vector<std::pair<i8, i8>> m_spawns[2];
    std::vector<Block> m_blocks;
    std::vector<std::pair<i8, i8>> m_markers;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: makescene IN.txt OUT.scn\n");
        return 2;
    }
    std::string text;
    if (!toolfiles::ReadFile(argv[1], &text)) {
        fprintf(stderr, "makescene: cannot read %s\n", argv[1]);
        return 1;
    }
    Source source(argv[1]);
    if (!source.Read(text))
        return 1;
    std::string bytes = source.Bytes();
    if (!toolfiles::WriteFileAtomically(argv[2], bytes.data(), bytes.size())) {
        fprintf(stderr, "makescene: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
