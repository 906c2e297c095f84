// CVexChatBubbles: short texts in speech bubbles over the battle (the opponent's chat lines,
// the training hints, the own greeting), each shown for six seconds.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CVexRenderer;

// Seconds a bubble stays, and the lines one bubble shows at most.
#define VEX_BUBBLE_LIFETIME 6.0f
#define VEX_BUBBLE_LINES 16

struct CVexBubble {
    CVortanString* text; // owned
    CVortanString* name; // owned
    CVortanVector2 anchor;
    CVortanVector2 offset;
    float lifetime;
    u32 colour;
    u32 multiLine;
};

class CVexChatBubbles {
public:
    CVexChatBubbles();
    virtual ~CVexChatBubbles();

    void SetRenderer(CVexRenderer* renderer) { m_renderer = renderer; }
    // A new bubble for six seconds: the text framed by two spaces on each side. Null for an
    // empty text (or without memory).
    CVexBubble* AddBubble(const CVortanString& text, const CVortanString& name, u32 colour,
                          const CVortanVector2& anchor, const CVortanVector2& offset,
                          int multiLine);
    void Clear();
    // Ages every bubble; one whose time is up goes.
    void Update(float dt);
    void Render();

    int GetCount() const { return m_bubbles.GetCount(); }
    CVexBubble* GetAt(int i) const { return (CVexBubble*)m_bubbles.GetAt(i); }

    // The lines a bubble shows with text widths from `measure` (pixels) against a screen of
    // `screenWidth`: a one-line text loses eight characters at a time with " [more]" after
    // it until it fits in 0.55 of the screen (or nothing is left to cut); a multi-line text is
    // split at line feeds and wrapped to the same width (a word wider than that is broken),
    // the first `maxLines` lines kept (at most sixteen). Returns the line count; *halfWidth
    // gets the corner size plus half the widest line.
    typedef int (*MeasureFn)(const CVortanString& text, void* context);
    static int SplitLines(const CVexBubble& bubble, float corner, float screenWidth,
                          MeasureFn measure, void* context, CVortanString* lines, float* halfWidth,
                          int maxLines = VEX_BUBBLE_LINES);

    // The centre of a box of half size (hx, hy) with corners of size u for an anchor, on a
    // screen of w x h: against the right edge for an anchor at or right of the centre line,
    // else the left; at the anchor's height, kept on screen and above 0.85 of the height.
    static void PlaceBox(const CVortanVector2& anchor, float hx, float hy, float u, float w,
                         float h, CVortanVector2& centre);

    // A bubble's lines and box for a font of `lineHeight` on a screen of w x h: no more lines
    // than the box can hold between the top and 0.85 of the height. The box's centre and half
    // size without its corners (which add u = lineHeight x 0.3 all round). Returns the lines.
    static int Layout(const CVexBubble& bubble, float lineHeight, float w, float h,
                      MeasureFn measure, void* context, CVortanString* lines,
                      CVortanVector2& centre, CVortanVector2& half);

private:
    CVexChatBubbles(const CVexChatBubbles&) = delete;
    CVexChatBubbles& operator=(const CVexChatBubbles&) = delete;
    static void Delete(CVexBubble* bubble);

    CVexRenderer* m_renderer;
    CVortanPtrArray m_bubbles; // CVexBubble*, owned, in the order added
};
