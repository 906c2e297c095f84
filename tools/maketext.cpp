// maketext: turns a UTF-8 text source into the UTF-16LE text that the data packs hold.
//
//   maketext [--crlf] [--bom] [--language] IN.txt OUT.txt
//
// --crlf ends every line with CR LF (a source line may end with LF or CR LF); without it the
// line ends stay as they are. --bom writes a byte-order mark first. --language checks that the
// source is a language table: a header with "NAME=" and "CODE=" (and optionally "FLAGS=" and
// "SPECIAL_CHARS=") lines, then "<n>=<text>" lines with n counting up from 0 without repeats
// (gaps are allowed); empty lines and lines starting with "#" are left out of the output.
// Invalid UTF-8 fails. Exit status: 0 success, 1 failure, 2 bad arguments.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "tools/ToolFiles.h"

namespace {

// Strict UTF-8 to code points: no overlong forms, no surrogates, nothing above U+10FFFF.
bool Decode(const std::string& in, std::vector<unsigned>* out, size_t* badOffset)
{
    size_t i = 0;
    while (i < in.size()) {
        unsigned char c = (unsigned char)in[i];
        unsigned cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            extra = 3;
        } else {
            *badOffset = i;
            return false;
        }
        if (extra > 0 && i + (size_t)extra >= in.size()) {
            *badOffset = i;
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = (unsigned char)in[i + k];
            if ((d & 0xC0) != 0x80) {
                *badOffset = i;
                return false;
            }
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            *badOffset = i;
            return false;
        }
        out->push_back(cp);
        i += (size_t)extra + 1;
    }
    return true;
}

std::vector<std::vector<unsigned>> SplitLines(const std::vector<unsigned>& text, bool* lastEnded)
{
    std::vector<std::vector<unsigned>> lines(1);
    *lastEnded = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n') {
            lines.emplace_back();
            continue;
        }
        lines.back().push_back(text[i]);
    }
    if (lines.size() > 1 && lines.back().empty()) {
        lines.pop_back();
        *lastEnded = true;
    }
    return lines;
}

bool StartsWith(const std::vector<unsigned>& line, const char* key)
{
    size_t n = strlen(key);
    if (line.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (line[i] != (unsigned char)key[i])
            return false;
    }
    return true;
}

// Checks a language table and drops its comment and empty lines.
bool CheckLanguage(std::vector<std::vector<unsigned>>* lines)
{
    std::vector<std::vector<unsigned>> kept;
    bool inTable = false, haveName = false, haveCode = false;
    long last = -1;
    for (size_t i = 0; i < lines->size(); ++i) {
        const std::vector<unsigned>& line = (*lines)[i];
        if (line.empty() || line[0] == '#')
            continue;
        size_t digits = 0;
        while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
            ++digits;
        if (digits > 0 && digits < line.size() && line[digits] == '=') {
            if (digits > 6 || (digits > 1 && line[0] == '0')) {
                fprintf(stderr, "maketext: line %zu: bad text number\n", i + 1);
                return false;
            }
            long n = 0;
            for (size_t k = 0; k < digits; ++k)
                n = n * 10 + (long)(line[k] - '0');
            if (n <= last) {
                fprintf(stderr, "maketext: line %zu: text %ld after text %ld\n", i + 1, n, last);
                return false;
            }
            for (unsigned c : line) {
                if (c == '\r') {
                    fprintf(stderr, "maketext: line %zu: a CR inside a text\n", i + 1);
                    return false;
                }
            }
            last = n;
            inTable = true;
        } else if (!inTable && (StartsWith(line, "NAME=") || StartsWith(line, "CODE=") ||
                                StartsWith(line, "FLAGS=") || StartsWith(line, "SPECIAL_CHARS="))) {
            if (StartsWith(line, "NAME="))
                haveName = line.size() > 5;
            if (StartsWith(line, "CODE="))
                haveCode = line.size() > 5;
        } else {
            fprintf(stderr, "maketext: line %zu is neither a header field nor a numbered text\n",
                    i + 1);
            return false;
        }
        kept.push_back(line);
    }
    if (!haveName || !haveCode) {
        fprintf(stderr, "maketext: the header needs NAME= and CODE=\n");
        return false;
    }
    *lines = kept;
    return true;
}

void PutUnit(std::string* out, unsigned u)
{
    out->push_back((char)(u & 0xFF));
    out->push_back((char)((u >> 8) & 0xFF));
}

void PutCodePoint(std::string* out, unsigned cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        PutUnit(out, 0xD800 + (cp >> 10));
        PutUnit(out, 0xDC00 + (cp & 0x3FF));
    } else {
        PutUnit(out, cp);
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool crlf = false, bom = false, language = false;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--crlf"))
            crlf = true;
        else if (!strcmp(argv[i], "--bom"))
            bom = true;
        else if (!strcmp(argv[i], "--language"))
            language = true;
        else
            paths.push_back(argv[i]);
    }
    if (paths.size() != 2) {
        fprintf(stderr, "usage: maketext [--crlf] [--bom] [--language] IN.txt OUT.txt\n");
        return 2;
    }
    std::string source;
    if (!toolfiles::ReadFile(paths[0], &source)) {
        fprintf(stderr, "maketext: cannot read %s\n", paths[0]);
        return 1;
    }
    std::vector<unsigned> text;
    size_t bad = 0;
    if (!Decode(source, &text, &bad)) {
        fprintf(stderr, "maketext: %s: invalid UTF-8 at byte %zu\n", paths[0], bad);
        return 1;
    }
    if (!text.empty() && text[0] == 0xFEFF)
        text.erase(text.begin());
    for (unsigned c : text) {
        if (c == 0) {
            fprintf(stderr, "maketext: %s: a NUL character\n", paths[0]);
            return 1;
        }
    }

    std::string out;
    if (bom)
        PutUnit(&out, 0xFEFF);
    if (crlf || language) {
        bool lastEnded = false;
        std::vector<std::vector<unsigned>> lines = SplitLines(text, &lastEnded);
        if (language && !CheckLanguage(&lines))
            return 1;
        for (const std::vector<unsigned>& line : lines) {
            for (unsigned c : line)
                PutCodePoint(&out, c);
            // Every line of a language table ends with CR LF, the last one too.
            PutUnit(&out, '\r');
            PutUnit(&out, '\n');
        }
    } else {
        for (unsigned c : text)
            PutCodePoint(&out, c);
    }
    if (!toolfiles::WriteFileAtomically(paths[1], out.data(), out.size())) {
        fprintf(stderr, "maketext: cannot write %s\n", paths[1]);
        return 1;
    }
    return 0;
}
