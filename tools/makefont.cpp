// makefont: makes a bitmap font (an XML description and its page images) from a system font.
//
//   makefont [options] OUTPUT.fnt
//     --family NAME        font family, as fontconfig knows it (default "DejaVu Sans")
//     --size PIXELS        em size in pixels, 4 to 256 (default 16)
//     --bold               the bold face
//     --chars LIST         character codes: comma-separated numbers and ranges A-B (decimal,
//                          or hexadecimal with 0x), up to 0xFFFF (default 32-126,160-255);
//                          "_" is always included, it stands in for missing characters
//     --line-height N      line height in pixels (default: the font's ascent + descent)
//     --page-width N       page image width, a power of two 16 to 4096 (default 256)
//     --page-height N      largest page image height, likewise (default 256)
//
// The description has "font/info", "font/common" ($lineHeight, $base, $scaleW, $scaleH,
// $pages), "font/pages" (one "page" with $id and $file per page image) and "font/chars"
// ($count, one "char" per glyph with $id, $x, $y, $width, $height, $xoffset, $yoffset,
// $xadvance and $page). The page images are OUTPUT_0.png, OUTPUT_1.png, ... beside it (the
// description's name without its extension): white glyphs whose alpha is the coverage, on
// transparent. Files are written to a temporary name and renamed into place.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <set>
#include <string>
#include <vector>

#include "tools/VortanFontRaster.h"

namespace {

int Usage(const char* problem)
{
    if (problem)
        fprintf(stderr, "makefont: %s\n", problem);
    fprintf(stderr, "usage: makefont [--family NAME] [--size PIXELS] [--bold] [--chars LIST] "
                    "[--line-height N]\n"
                    "                [--page-width N] [--page-height N] OUTPUT.fnt\n");
    return 2;
}

bool ParseNumber(const std::string& text, long min, long max, long* out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(text.c_str(), &end, 0);
    if (errno || !end || *end || v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool ParseChars(const std::string& list, std::set<unsigned>& codes)
{
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty())
            return false;
        size_t dash = item.find('-', 1);
        long a = 0, b = 0;
        if (dash == std::string::npos) {
            if (!ParseNumber(item, 1, 0xFFFF, &a))
                return false;
            b = a;
        } else if (!ParseNumber(item.substr(0, dash), 1, 0xFFFF, &a) ||
                   !ParseNumber(item.substr(dash + 1), 1, 0xFFFF, &b) || b < a) {
            return false;
        }
        for (long c = a; c <= b; ++c) {
            if (c < 0xD800 || c > 0xDFFF) // UTF-16 surrogates are not characters
                codes.insert((unsigned)c);
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return !codes.empty();
}

std::string XmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool PowerOfTwo(long v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string family = "DejaVu Sans", chars = "32-126,160-255", output;
    long size = 16, lineHeight = 0, pageWidth = 256, pageHeight = 256;
    bool bold = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                fprintf(stderr, "makefont: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--family") {
            const char* v = value("--family");
            if (!v || !*v)
                return Usage("--family needs a name");
            family = v;
        } else if (arg == "--size") {
            const char* v = value("--size");
            if (!v || !ParseNumber(v, 4, 256, &size))
                return Usage("--size takes a pixel size from 4 to 256");
        } else if (arg == "--bold") {
            bold = true;
        } else if (arg == "--chars") {
            const char* v = value("--chars");
            if (!v)
                return Usage(nullptr);
            chars = v;
        } else if (arg == "--line-height") {
            const char* v = value("--line-height");
            if (!v || !ParseNumber(v, 1, 1024, &lineHeight))
                return Usage("--line-height takes a number from 1 to 1024");
        } else if (arg == "--page-width" || arg == "--page-height") {
            const char* v = value(arg.c_str());
            long n = 0;
            if (!v || !ParseNumber(v, 16, 4096, &n) || !PowerOfTwo(n))
                return Usage("page sizes are powers of two from 16 to 4096");
            (arg == "--page-width" ? pageWidth : pageHeight) = n;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (output.empty()) {
            output = arg;
        } else {
            return Usage("only one output file");
        }
    }
    if (output.empty())
        return Usage("no output file");
    std::set<unsigned> codes;
    if (!ParseChars(chars, codes))
        return Usage("--chars takes codes and ranges such as 32-126,160-255");
    codes.insert('_');

    fontraster::Rasterizer raster(family, (int)size, bold);
    std::string resolved = raster.ResolvedFamily();
    if (strcasecmp(resolved.c_str(), family.c_str()) != 0) {
        fprintf(stderr,
                "makefont: the font family \"%s\" is not installed (fontconfig offers \"%s\")\n",
                family.c_str(), resolved.c_str());
        return 1;
    }
    int ascent = 0, descent = 0;
    raster.Metrics(&ascent, &descent);
    if (!lineHeight)
        lineHeight = ascent + descent;

    std::vector<fontraster::Glyph> glyphs;
    for (unsigned code : codes) {
        fontraster::Glyph g;
        g.id = (int)code;
        g.code = code;
        if (!raster.Render(g, ascent)) {
            fprintf(stderr, "makefont: character %u could not be drawn\n", code);
            return 1;
        }
        glyphs.push_back(g);
    }
    std::vector<fontraster::Page> pages;
    if (!fontraster::Pack(glyphs, (int)pageWidth, (int)pageHeight, pages)) {
        fprintf(stderr, "makefont: a glyph is larger than a %ld x %ld page\n", pageWidth,
                pageHeight);
        return 1;
    }

    // OUTPUT without its extension names the pages; the description refers to their bare names.
    std::string dir, base = output;
    size_t slash = output.rfind('/');
    if (slash != std::string::npos) {
        dir = output.substr(0, slash + 1);
        base = output.substr(slash + 1);
    }
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base = base.substr(0, dot);
    if (base.empty())
        return Usage("the output needs a file name");

    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<font>\n";
    char line[256];
    snprintf(line, sizeof(line), "  <info face=\"%s\" size=\"%ld\" bold=\"%d\"/>\n",
             XmlEscape(family).c_str(), size, bold ? 1 : 0);
    xml += line;
    snprintf(line, sizeof(line),
             "  <common lineHeight=\"%ld\" base=\"%d\" scaleW=\"%ld\" scaleH=\"%d\" "
             "pages=\"%zu\"/>\n  <pages>\n",
             lineHeight, ascent, pageWidth, pages.empty() ? 0 : pages[0].height, pages.size());
    xml += line;
    for (size_t p = 0; p < pages.size(); ++p) {
        std::string file = base + "_" + std::to_string(p) + ".png";
        std::vector<unsigned char> png;
        if (!fontraster::PagePng(pages[p], png) ||
            !fontraster::WriteFileAtomically(dir + file, png.data(), png.size())) {
            fprintf(stderr, "makefont: cannot write %s%s\n", dir.c_str(), file.c_str());
            return 1;
        }
        snprintf(line, sizeof(line), "    <page id=\"%zu\" file=\"%s\"/>\n", p,
                 XmlEscape(file).c_str());
        xml += line;
    }
    snprintf(line, sizeof(line), "  </pages>\n  <chars count=\"%zu\">\n", glyphs.size());
    xml += line;
    for (const fontraster::Glyph& g : glyphs) {
        snprintf(line, sizeof(line),
                 "    <char id=\"%d\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" xoffset=\"%d\" "
                 "yoffset=\"%d\" "
                 "xadvance=\"%d\" page=\"%d\"/>\n",
                 g.id, g.x, g.y, g.width, g.height, g.xoffset, g.yoffset, g.xadvance, g.page);
        xml += line;
    }
    xml += "  </chars>\n</font>\n";
    if (!fontraster::WriteFileAtomically(output, xml.data(), xml.size())) {
        fprintf(stderr, "makefont: cannot write %s\n", output.c_str());
        return 1;
    }
    printf("%s: %zu glyphs on %zu page(s), line height %ld\n", output.c_str(), glyphs.size(),
           pages.size(), lineHeight);
    return 0;
}
