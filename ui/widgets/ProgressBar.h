// CProgressBar: a background image and, over it, the share of a progress image that grows
// from one side with the value, switching to a low-progress image below a limit.
#pragma once
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/SharedSurface.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

enum { PROGRESS_LEFT = 0, PROGRESS_TOP = 1, PROGRESS_RIGHT = 2, PROGRESS_BOTTOM = 3 };

class CProgressBar : public CImageWidget {
public:
    CProgressBar();
    virtual ~CProgressBar();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::ProgressBar(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "progressbar".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // Shared through the resource manager; the old surface is given back.
    void SetProgressImage(CVortanSurface* surface);
    void SetProgressLowImage(CVortanSurface* surface);
    CVortanSurface* GetProgressImage() const { return m_progress.surface; }
    CVortanSurface* GetProgressLowImage() const { return m_low.surface; }
    // Kept within 0..1.
    void SetValue(float value);
    float GetValue() const { return m_value; }
    void SetLowLimit(float limit);
    float GetLowLimit() const { return m_lowLimit; }
    void SetSide(int side);
    int GetSide() const { return m_side; }

    void Shutdown() override;
    CWidget* CreateInstance() const override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    // The image widget's part, both images, value, low limit and side.
    void CopyFrom(const CWidget* other) override;

private:
    CSharedSurface m_progress;
    CSharedSurface m_low;
    float m_value;
    float m_lowLimit;
    int m_side;
};
