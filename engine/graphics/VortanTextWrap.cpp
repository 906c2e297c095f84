// Line wrapping against a pixel width, breaking inside words that do not fit a line.
#include "engine/graphics/VortanTextWrap.h"

#include "engine/graphics/VortanBitmapFont.h"

int CVortanFontMeasure::Width(const CVortanString& text)
{
    return m_font ? m_font->GetTextWidth(text, m_flags) : 0;
}

namespace {

// Collects the lines: stores the first `max`, or joins them all with line feeds, and counts
// them.
class LineSink {
public:
    LineSink(CVortanString* lines, int max, CVortanString* joined)
        : m_lines(lines), m_max(max), m_joined(joined), m_count(0)
    {}
    void Emit(const CVortanString& line)
    {
        if (m_lines && m_count < m_max)
            m_lines[m_count] = line;
        if (m_joined) {
            if (m_count)
                m_joined->AppendChar('\n');
            m_joined->Append(line);
        }
        ++m_count;
    }
    int Count() const { return m_count; }

private:
    CVortanString* m_lines;
    int m_max;
    CVortanString* m_joined;
    int m_count;
};

CVortanString Range(const CVortanString& text, int from, int to)
{
    CVortanString out;
    for (int i = from; i < to; ++i)
        out.AppendChar(text.GetAt(i));
    return out;
}

// One paragraph (no line feeds) into lines.
void WrapParagraph(const CVortanString& text, int width, CVortanTextMeasure& measure,
                   LineSink& sink)
{
    CVortanString line;
    int lastSpace = -1; // index in `line` of its last space, -1 for none
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i) {
        const unsigned short c = text.GetAt(i);
        CVortanString wider = line;
        wider.AppendChar(c);
        if (line.IsEmpty() || measure.Width(wider) <= width) {
            line = wider;
            if (c == ' ')
                lastSpace = line.GetLength() - 1;
            continue;
        }
        if (c == ' ') {
            // The space that runs over ends the line and is dropped.
            sink.Emit(line);
            line = CVortanString();
            lastSpace = -1;
            continue;
        }
        if (lastSpace >= 0) {
            // Break at the last space: the word begun after it moves to the next line.
            int end = lastSpace;
            while (end > 0 && line.GetAt(end - 1) == ' ')
                --end;
            sink.Emit(Range(line, 0, end));
            line = Range(line, lastSpace + 1, line.GetLength());
            lastSpace = -1;
            --i; // the character is tried again on the new line
            continue;
        }
        // A word wider than the line: broken at the edge.
        sink.Emit(line);
        line = CVortanString();
        line.AppendChar(c);
    }
    sink.Emit(line);
}

// Each paragraph (up to a line feed) is wrapped on its own.
int WrapInto(const CVortanString& text, int width, CVortanTextMeasure& measure, LineSink& sink)
{
    const int length = text.GetLength();
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i == length || text.GetAt(i) == '\n') {
            WrapParagraph(Range(text, start, i), width, measure, sink);
            start = i + 1;
        }
    }
    return sink.Count();
}

} // namespace

int CVortanTextWrap::Wrap(const CVortanString& text, int width, CVortanTextMeasure& measure,
                          CVortanString* lines, int maxLines)
{
    LineSink sink(lines, maxLines, nullptr);
    return WrapInto(text, width, measure, sink);
}

int CVortanTextWrap::WrapToText(const CVortanString& text, int width, CVortanTextMeasure& measure,
                                CVortanString& out)
{
    out = CVortanString();
    LineSink sink(nullptr, 0, &out);
    return WrapInto(text, width, measure, sink);
}
