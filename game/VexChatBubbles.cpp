// CVexChatBubbles: adding, ageing, line splitting and drawing of the speech bubbles.
#include "game/VexChatBubbles.h"

#include <math.h>
#include <new>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanTextWrap.h"
#include "game/VexRenderer.h"

namespace {
const int kBubbleImage = 63;
const int kPointerImage = 64;
const u32 kWhite = 0xFFFFFFFFu;
const u32 kText = 0xFF303030u;

int FontWidth(const CVortanString& text, void* context)
{
    CVortanBitmapFont* font = (CVortanBitmapFont*)context;
    return font ? font->GetTextWidth(text, 0) : 8 * text.GetLength();
}

class FnMeasure : public CVortanTextMeasure {
public:
    FnMeasure(CVexChatBubbles::MeasureFn fn, void* context) : m_fn(fn), m_context(context) {}
    int Width(const CVortanString& text) override { return m_fn(text, m_context); }

private:
    CVexChatBubbles::MeasureFn m_fn;
    void* m_context;
};
} // namespace

CVexChatBubbles::CVexChatBubbles() : m_renderer(nullptr) {}

CVexChatBubbles::~CVexChatBubbles()
{
    Clear();
}

void CVexChatBubbles::Delete(CVexBubble* bubble)
{
    if (!bubble)
        return;
    delete bubble->text;
    delete bubble->name;
    delete bubble;
}

CVexBubble* CVexChatBubbles::AddBubble(const CVortanString& text, const CVortanString& name,
                                       u32 colour, const CVortanVector2& anchor,
                                       const CVortanVector2& offset, int multiLine)
{
    if (text.IsEmpty())
        return nullptr;
    CVexBubble* bubble = new (std::nothrow) CVexBubble();
    if (!bubble)
        return nullptr;
    bubble->text = new (std::nothrow) CVortanString("  ");
    bubble->name = new (std::nothrow) CVortanString(name);
    if (!bubble->text || !bubble->name) {
        Delete(bubble);
        return nullptr;
    }
    bubble->text->Append(text);
    bubble->text->Append(CVortanString("  "));
    bubble->anchor = anchor;
    bubble->offset = offset;
    bubble->lifetime = VEX_BUBBLE_LIFETIME;
    bubble->colour = colour;
    bubble->multiLine = multiLine ? 1 : 0;
    if (m_bubbles.Add(bubble) != VORTAN_OK) {
        Delete(bubble);
        return nullptr;
    }
    return bubble;
}

void CVexChatBubbles::Clear()
{
    for (int i = 0; i < m_bubbles.GetCount(); ++i)
        Delete(GetAt(i));
    m_bubbles.RemoveAll();
}

void CVexChatBubbles::Update(float dt)
{
    for (int i = 0; i < m_bubbles.GetCount();) {
        CVexBubble* bubble = GetAt(i);
        if (bubble->lifetime > 0.0f)
            bubble->lifetime -= dt;
        if (bubble->lifetime <= 0.0f) {
            m_bubbles.RemoveAt(i);
            Delete(bubble);
            continue;
        }
        ++i;
    }
}

int CVexChatBubbles::SplitLines(const CVexBubble& bubble, float corner, float screenWidth,
                                MeasureFn measure, void* context, CVortanString* lines,
                                float* halfWidth, int maxLines)
{
    const CVortanString& text = *bubble.text;
    if (!bubble.multiLine) {
        CVortanString line = text;
        float half = corner + measure(line, context) * 0.5f;
        // Each pass cuts eight characters of the text before the mark, so it always ends.
        CVortanString body = text;
        while (half >= 0.55f * screenWidth && !body.IsEmpty()) {
            const int keep = body.GetLength() > 8 ? body.GetLength() - 8 : 0;
            body.SetLength(keep);
            line = body;
            line.Append(CVortanString(" [more]"));
            half = corner + measure(line, context) * 0.5f;
        }
        lines[0] = line;
        *halfWidth = half;
        return 1;
    }
    if (maxLines > VEX_BUBBLE_LINES)
        maxLines = VEX_BUBBLE_LINES;
    if (maxLines < 1)
        maxLines = 1;
    // Lines as wide as a shortened single line may be (the half width below 0.55 of the
    // screen), so that a long chat line wraps instead of running off the screen.
    const int width = (int)ceilf(2.0f * (0.55f * screenWidth - corner)) - 1;
    FnMeasure fn(measure, context);
    int count = CVortanTextWrap::Wrap(text, width, fn, lines, maxLines);
    if (count > maxLines)
        count = maxLines;
    int widest = 0;
    for (int i = 0; i < count; ++i) {
        const int w = measure(lines[i], context);
        if (w > widest)
            widest = w;
    }
    *halfWidth = corner + widest * 0.5f;
    return count;
}

void CVexChatBubbles::PlaceBox(const CVortanVector2& anchor, float hx, float hy, float u, float w,
                               float h, CVortanVector2& centre)
{
    const float margin = 0.05f * w;
    const float lower = 0.85f * h;
    centre.x = anchor.x >= 0.5f * w ? w - margin - hx : hx + margin;
    centre.y = anchor.y;
    if (centre.y - hy - u < 0.0f)
        centre.y = hy + u;
    if (centre.y + hy + u > lower)
        centre.y = lower - hy - u;
}

int CVexChatBubbles::Layout(const CVexBubble& bubble, float lineHeight, float w, float h,
                            MeasureFn measure, void* context, CVortanString* lines,
                            CVortanVector2& centre, CVortanVector2& half)
{
    const float u = lineHeight * 0.75f * 0.4f;
    // The box with its corners must fit between the top and the lower limit.
    const int fit = lineHeight > 0.0f ? (int)((0.85f * h - 2.0f * u) / lineHeight) : 1;
    float halfWidth = 0.0f;
    const int count = SplitLines(bubble, u, w, measure, context, lines, &halfWidth, fit);
    half = CVortanVector2(0.8f * halfWidth, 0.5f * lineHeight * count);
    PlaceBox(bubble.anchor, half.x, half.y, u, w, h, centre);
    return count;
}

void CVexChatBubbles::Render()
{
    if (!m_renderer)
        return;
    CVortanBitmapFont* font = m_renderer->GetFont();
    const float lineHeight = font ? (float)font->GetLineHeight() : 16.0f;
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    const float u = lineHeight * 0.75f * 0.4f;
    CVortanString lines[VEX_BUBBLE_LINES];
    for (int b = 0; b < m_bubbles.GetCount(); ++b) {
        const CVexBubble& bubble = *GetAt(b);
        for (int i = 0; i < VEX_BUBBLE_LINES; ++i)
            lines[i] = CVortanString();
        CVortanVector2 centre, half;
        const int count = Layout(bubble, lineHeight, w, h, FontWidth, font, lines, centre, half);
        const float hx = half.x, hy = half.y;
        const float cx = centre.x, cy = centre.y;
        const float dx = bubble.offset.x - bubble.anchor.x, dy = bubble.offset.y - bubble.anchor.y;
        const int right = dx >= 0.0f, down = dy >= 0.0f;
        CVortanSurface* sheet = m_renderer->GetImage(kBubbleImage);
        CVortanSurface* pointer = m_renderer->GetImage(kPointerImage);
        // Nine parts: corners of size u, edges and centre stretched between them.
        const float xs[3] = {cx - hx - u * 0.5f, cx, cx + hx + u * 0.5f};
        const float ys[3] = {cy - hy - u * 0.5f, cy, cy + hy + u * 0.5f};
        const float ws[3] = {u * 0.5f, hx, u * 0.5f};
        const float hs[3] = {u * 0.5f, hy, u * 0.5f};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                const CVortanVector2 centre(xs[col], ys[row]), half(ws[col], hs[row]);
                const bool corner = row != 1 && col != 1;
                if (corner && (col == 2) == (right != 0) && (row == 2) == (down != 0))
                    m_renderer->DrawScreenFrame(centre, half, kWhite, col / 2, row / 2, 2, 2,
                                                pointer);
                else
                    m_renderer->DrawScreenFrame(centre, half, kWhite, col, row, 3, 3, sheet);
            }
        for (int i = 0; i < count; ++i)
            // Dark on the white bubble, so that the words can be read.
            m_renderer->DrawText((int)cx, (int)(cy - hy + lineHeight * i), lines[i], kText, 0x5210);
    }
}
