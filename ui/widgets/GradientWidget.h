// CGradientWidget: fills its rectangle with a two-colour gradient, vertical or horizontal,
// or shows its image for the radial kind.
#pragma once
#include "ui/widgets/ImageWidget.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

// The direction in the top four bits of the image mode word.
enum {
    GRADIENT_VERTICAL = 0x00000000,
    GRADIENT_HORIZONTAL = 0x10000000,
    GRADIENT_RADIAL = 0x20000000,
    GRADIENT_DIRECTION_MASK = 0xF0000000u
};

class CGradientWidget : public CImageWidget {
public:
    CGradientWidget();
    virtual ~CGradientWidget();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Gradient(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "gradient".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // The colour is stored opaque, whatever alpha was passed.
    void SetColor1(u32 argb) { m_color1 = argb | 0xFF000000u; }
    void SetColor2(u32 argb) { m_color2 = argb | 0xFF000000u; }
    u32 GetColor1() const { return m_color1; }
    u32 GetColor2() const { return m_color2; }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    CWidget* CreateInstance() const override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    void CopyFrom(const CWidget* other) override;

private:
    u32 m_color1;
    u32 m_color2;
};
