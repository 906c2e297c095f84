// The speech bubble: its pieces, the background arrangement and the hiding click.
#include "ui/widgets/Bubble.h"

#include <new>
#include <stdio.h>
#include <string.h>

#include "engine/graphics/VortanSurface.h"
#include "ui/WidgetCast.h"

namespace {

const char* const kArrowWords[] = {"left-up",  "left-down", "right-up",    "right-down",
                                   "top-left", "top-right", "bottom-left", "bottom-right"};

} // namespace

CBubble::CBubble() : m_rebuild(true), m_arrow(0), m_pieces{nullptr, nullptr, nullptr} {}

CBubble::~CBubble() {}

int CBubble::ArrowFromWord(const char* word)
{
    if (!word)
        return BUBBLE_ARROW_NONE;
    for (int i = 0; i < 8; ++i) {
        if (strcmp(word, kArrowWords[i]) == 0)
            return i + 1;
    }
    return BUBBLE_ARROW_NONE;
}

CWidget* CBubble::CreateInstance() const
{
    return new (std::nothrow) CBubble();
}

int CBubble::Startup(COrloApplication* context, COrloResourceManager* resources,
                     const CVortanRect& rect)
{
    int rc = CButton::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    for (int i = 0; i < 3; ++i)
        m_pieces[i] = nullptr;
    return VORTAN_OK;
}

void CBubble::DeletePieces()
{
    for (int i = 0; i < 3; ++i) {
        if (m_pieces[i]) {
            m_pieces[i]->Shutdown();
            delete m_pieces[i];
            m_pieces[i] = nullptr;
        }
    }
}

void CBubble::Shutdown()
{
    DeletePieces();
    CButton::Shutdown();
}

int CBubble::Click()
{
    SetVisible(false);
    return CButton::Click();
}

void CBubble::CopyFrom(const CWidget* other)
{
    CButton::CopyFrom(other);
    const CBubble* source = WidgetCast<CBubble>(other);
    if (!source)
        return;
    m_arrow = source->m_arrow;
    for (int i = 0; i < 3; ++i) {
        if (m_pieces[i]) {
            m_pieces[i]->Shutdown();
            delete m_pieces[i];
            m_pieces[i] = nullptr;
        }
        if (!source->m_pieces[i])
            continue;
        CWidget* copy = source->m_pieces[i]->Clone();
        m_pieces[i] = WidgetCast<CImageWidget>(copy);
        if (copy && !m_pieces[i]) {
            copy->Shutdown();
            delete copy;
        }
    }
}

int CBubble::UpdateSelf(float dt)
{
    if (m_rebuild) {
        m_rebuild = false;
        for (int i = 0; i < 3; ++i) {
            char name[32];
            snprintf(name, sizeof(name), "bg%d_template", i);
            CWidget* taken = DetachTemplate(CVortanString(name));
            CImageWidget* image = WidgetCast<CImageWidget>(taken);
            if (image && image->GetImage()) {
                if (m_pieces[i]) {
                    m_pieces[i]->Shutdown();
                    delete m_pieces[i];
                }
                image->SetImageFlags(image->GetImageFlags() | IMAGE_ANIMATION_STOPPED);
                m_pieces[i] = image;
            } else if (taken) {
                taken->Shutdown();
                delete taken;
            }
        }
        Arrange();
    }
    int rc = CButton::UpdateSelf(dt);
    if (rc != VORTAN_OK)
        ReportError(rc);
    return rc;
}

void CBubble::AddBackground(int piece, int frame, int x, int y, int width, int height)
{
    // A piece under a pixel across would draw nothing useful (and mirrored sizes below zero
    // would draw the sheet reversed): it is left out.
    if (width < 1 || height < 1)
        return;
    CWidget* copy = m_pieces[piece]->Clone();
    CImageWidget* image = WidgetCast<CImageWidget>(copy);
    if (!image) {
        if (copy) {
            copy->Shutdown();
            delete copy;
        }
        return;
    }
    image->SetFrame(frame);
    CVortanRect rect;
    rect.Set(x, y, x + width, y + height);
    image->SetRect(rect);
    InsertChild(image, 0);
}

void CBubble::Arrange()
{
    if (!m_pieces[0] || !m_pieces[1] || !m_pieces[2])
        return;
    const int w = GetWidth();
    const int h = GetHeight();
    const int cw = m_pieces[0]->GetWidth();
    const int ch = m_pieces[0]->GetHeight();
    AddBackground(0, 4, cw, ch, w - 2 * cw, h - 2 * ch);
    AddBackground(0, 0, 0, 0, cw, ch);
    AddBackground(0, 2, w - cw, 0, cw, ch);
    AddBackground(0, 6, 0, h - ch, cw, ch);
    AddBackground(0, 8, w - cw, h - ch, cw, ch);
    const int lv = h - 3 * ch;
    const int lh = w - 3 * cw;
    bool left = true, right = true, top = true, bottom = true;
    switch (m_arrow) {
    case BUBBLE_ARROW_LEFT_UP:
        AddBackground(1, 0, 0, ch, cw, ch);
        AddBackground(0, 3, 0, 2 * ch, cw, lv);
        left = false;
        break;
    case BUBBLE_ARROW_LEFT_DOWN:
        AddBackground(1, 2, 0, h - 2 * ch, cw, ch);
        AddBackground(0, 3, 0, ch, cw, lv);
        left = false;
        break;
    case BUBBLE_ARROW_RIGHT_UP:
        AddBackground(1, 1, w - cw, ch, cw, ch);
        AddBackground(0, 5, w - cw, 2 * ch, cw, lv);
        right = false;
        break;
    case BUBBLE_ARROW_RIGHT_DOWN:
        AddBackground(1, 3, w - cw, h - 2 * ch, cw, ch);
        AddBackground(0, 5, w - cw, ch, cw, lv);
        right = false;
        break;
    case BUBBLE_ARROW_TOP_LEFT:
        AddBackground(2, 0, cw, 0, cw, ch);
        AddBackground(0, 1, 2 * cw, 0, lh, ch);
        top = false;
        break;
    case BUBBLE_ARROW_TOP_RIGHT:
        AddBackground(2, 1, w - 2 * cw, 0, cw, ch);
        AddBackground(0, 1, cw, 0, lh, ch);
        top = false;
        break;
    case BUBBLE_ARROW_BOTTOM_LEFT:
        AddBackground(2, 2, cw, h - ch, cw, ch);
        AddBackground(0, 7, 2 * cw, h - ch, lh, ch);
        bottom = false;
        break;
    case BUBBLE_ARROW_BOTTOM_RIGHT:
        AddBackground(2, 3, w - 2 * cw, h - ch, cw, ch);
        AddBackground(0, 7, cw, h - ch, lh, ch);
        bottom = false;
        break;
    default:
        break;
    }
    if (left)
        AddBackground(0, 3, 0, ch, cw, h - 2 * ch);
    if (right)
        AddBackground(0, 5, w - cw, ch, cw, h - 2 * ch);
    if (top)
        AddBackground(0, 1, cw, 0, w - 2 * cw, ch);
    if (bottom)
        AddBackground(0, 7, cw, h - ch, w - 2 * cw, ch);
}
