// Wrapping a text into lines no wider than a width: at line feeds, at the last space before a
// line would run over, and inside a word that is wider than a line on its own.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class CVortanBitmapFont;

// The pixel width of a text, as the caller draws it.
class CVortanTextMeasure {
public:
    virtual ~CVortanTextMeasure() {}
    virtual int Width(const CVortanString& text) = 0;
};

// Widths in a bitmap font, as it draws them with the given flags.
class CVortanFontMeasure : public CVortanTextMeasure {
public:
    CVortanFontMeasure(CVortanBitmapFont* font, u32 flags) : m_font(font), m_flags(flags) {}
    int Width(const CVortanString& text) override;

private:
    CVortanBitmapFont* m_font;
    u32 m_flags;
};

class CVortanTextWrap {
public:
    // Splits the text into lines of at most `width` pixels. A line feed always ends a line; a
    // line that would run over breaks at its last space (the spaces at the break are dropped);
    // a word wider than the width is broken where it reaches the edge. A line holds at least
    // one character, so a character wider than the width stands alone. The first `maxLines`
    // lines are stored in `lines` (which may be null with maxLines 0); returns how many lines
    // the whole text makes (1 for an empty text).
    static int Wrap(const CVortanString& text, int width, CVortanTextMeasure& measure,
                    CVortanString* lines, int maxLines);
    // The text with its lines joined by line feeds; returns the line count.
    static int WrapToText(const CVortanString& text, int width, CVortanTextMeasure& measure,
                          CVortanString& out);
};
