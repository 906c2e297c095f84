// CBubble: a button drawn as a speech bubble: a nine-piece frame from a 3 x 3 sprite sheet and
// an arrow on one of eight places of its border, built once behind its content.
#pragma once
#include "ui/widgets/Button.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

// Arrow codes: the side and the corner the arrow sits beside.
enum {
    BUBBLE_ARROW_NONE = 0,
    BUBBLE_ARROW_LEFT_UP = 1,
    BUBBLE_ARROW_LEFT_DOWN = 2,
    BUBBLE_ARROW_RIGHT_UP = 3,
    BUBBLE_ARROW_RIGHT_DOWN = 4,
    BUBBLE_ARROW_TOP_LEFT = 5,
    BUBBLE_ARROW_TOP_RIGHT = 6,
    BUBBLE_ARROW_BOTTOM_LEFT = 7,
    BUBBLE_ARROW_BOTTOM_RIGHT = 8
};

class CBubble : public CButton {
public:
    CBubble();
    virtual ~CBubble();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Bubble(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    int GetArrow() const { return m_arrow; }
    void SetArrow(int code) { m_arrow = code; }
    // The layout keyword's code; 0 for anything else.
    static int ArrowFromWord(const char* word);
    // Piece 0 the frame sheet, 1 the side arrows, 2 the top and bottom arrows; null when
    // missing.
    CImageWidget* GetPiece(int i) const { return (i >= 0 && i < 3) ? m_pieces[i] : nullptr; }
    bool NeedsRebuild() const { return m_rebuild; }

    // Hides the bubble, then fires onclick.
    int Click() override;
    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    // The first update takes the three "bg%d_template" pieces and builds the background.
    int UpdateSelf(float dt) override;

    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

private:
    void Arrange();
    // A clone of the piece showing the frame at the rect, inserted behind everything; nothing
    // for a size below one pixel.
    void AddBackground(int piece, int frame, int x, int y, int width, int height);
    void DeletePieces();

    bool m_rebuild;
    i32 m_arrow;
    CImageWidget* m_pieces[3];
};
