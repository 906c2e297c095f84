// tools/makefont: the description and page images it writes, checked with Debian's Python
// (xml.etree for the description, zlib for the PNG pages), and its handling of bad input.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

std::string Tool()
{
    return vtest::BinaryDir() + "/tools/makefont";
}

// Reads the description and its pages and prints "ok" or the first problem: every glyph
// rectangle lies on its page, pages are white wherever they are not transparent, every glyph
// with a rectangle has some coverage, and nothing outside the rectangles is drawn.
const char* kCheck = R"PY(
import os, struct, sys, zlib
import xml.etree.ElementTree as ET

def png(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    pos, idat, w, h = 8, b'', 0, 0
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b'IHDR':
            w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and ctype == 6, 'RGBA 8-bit expected'
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    raw = zlib.decompress(idat)
    rows, prev, stride = [], bytearray(w * 4), w * 4
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return w, h, rows

fnt = sys.argv[1]
root = ET.parse(fnt).getroot()
line_height = int(root.find('common').get('lineHeight'))
pages = [p.get('file') for p in root.find('pages')]
chars = root.find('chars')
glyphs = chars.findall('char')
assert int(chars.get('count')) == len(glyphs), 'count'
images = [png(os.path.join(os.path.dirname(fnt), f)) for f in pages]
covered = [set() for _ in images]
ids = []
for g in glyphs:
    v = {k: int(g.get(k)) for k in ('id', 'x', 'y', 'width', 'height', 'xoffset', 'yoffset', 'xadvance', 'page')}
    ids.append(v['id'])
    w, h, rows = images[v['page']]
    assert v['x'] >= 0 and v['y'] >= 0 and v['x'] + v['width'] <= w and v['y'] + v['height'] <= h, 'rect %d' % v['id']
    assert v['xadvance'] > 0 or v['width'] == 0, 'advance %d' % v['id']  # U+00AD has neither
    ink = 0
    for yy in range(v['y'], v['y'] + v['height']):
        for xx in range(v['x'], v['x'] + v['width']):
            covered[v['page']].add((xx, yy))
            ink += rows[yy][xx * 4 + 3]
    assert v['width'] == 0 or ink > 0, 'empty glyph %d' % v['id']
for p, (w, h, rows) in enumerate(images):
    for y in range(h):
        for x in range(w):
            r, g, b, a = rows[y][x * 4:x * 4 + 4]
            if a:
                assert (r, g, b) == (255, 255, 255), 'not white at %d,%d' % (x, y)
                assert (x, y) in covered[p], 'stray pixel at %d,%d' % (x, y)
assert len(set(ids)) == len(ids), 'duplicate ids'
print('ok %d %d %d %s' % (len(glyphs), line_height, len(pages), ','.join(str(i) for i in sorted(ids))))
)PY";

std::string Check(const std::string& fnt)
{
    std::string out;
    int status = vtest::RunProgram({vtest::Python(), "-c", kCheck, fnt}, &out);
    EXPECT_EQ(0, status) << out;
    return out;
}

using vtest::Exists;

} // namespace

TEST(MakeFont, WritesADescriptionWithWhiteGlyphPages)
{
    vtest::TempDir dir;
    std::string out;
    ASSERT_EQ(0, vtest::RunProgram({Tool(), "--size", "18", dir.File("menu.fnt")}, &out)) << out;
    std::string report = Check(dir.File("menu.fnt"));
    ASSERT_EQ(0u, report.find("ok 191 ")) << report; // 32-126 and 160-255
    EXPECT_NE(std::string::npos, report.find(",95,"));
    EXPECT_TRUE(Exists(dir.File("menu_0.png")));
    EXPECT_FALSE(Exists(dir.File("menu.fnt.tmp")));
    EXPECT_FALSE(Exists(dir.File("menu_0.png.tmp")));
}

TEST(MakeFont, UnderscoreIsAlwaysThereAndSmallPagesSpillOver)
{
    vtest::TempDir dir;
    std::string out;
    ASSERT_EQ(0, vtest::RunProgram({Tool(), "--size", "30", "--chars", "0x41-0x5A,0x263A",
                                    "--page-width", "64", "--page-height", "64", "--line-height",
                                    "40", dir.File("big.xml")},
                                   &out))
        << out;
    std::string report = Check(dir.File("big.xml"));
    ASSERT_EQ(0u, report.find("ok 28 40 ")) << report; // A-Z, U+263A and "_"
    EXPECT_NE(std::string::npos, report.find(",95,9786"));
    int pages = 0;
    sscanf(report.c_str(), "ok %*d %*d %d", &pages);
    EXPECT_GT(pages, 1);
    EXPECT_TRUE(Exists(dir.File("big_1.png")));
}

TEST(MakeFont, BadArgumentsAreRefusedWithoutWritingAnything)
{
    vtest::TempDir dir;
    std::string f = dir.File("x.fnt");
    const std::vector<std::vector<std::string>> usage = {{},
                                                         {"--size", "3", f},
                                                         {"--size", "12x", f},
                                                         {"--size"},
                                                         {"--chars", "90-65", f},
                                                         {"--chars", "65,,66", f},
                                                         {"--chars", "0x10000", f},
                                                         {"--page-width", "100", f},
                                                         {"--frobnicate", f},
                                                         {f, f}};
    const std::vector<std::vector<std::string>> failing = {
        {"--family", "No Such Family Anywhere", f},
        {"--size", "200", "--page-width", "16", "--page-height", "16", f},
        {dir.File("missing/dir/x.fnt")}};
    for (auto* list : {&usage, &failing}) {
        for (auto args : *list) {
            args.insert(args.begin(), Tool());
            EXPECT_EQ(list == &usage ? 2 : 1, vtest::RunProgram(args)) << args.size();
        }
    }
    EXPECT_FALSE(Exists(f));
}
