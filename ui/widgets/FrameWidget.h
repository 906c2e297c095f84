// CFrameWidget: a resizable frame drawn with a GLSL program of its own: a background image
// stretched over the widget, a nine-slice border image over it and a mask image, laid out like
// the border, whose alpha gives the frame its outline.
#pragma once
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/SharedSurface.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CVortan3DProgram;

class CFrameWidget : public CImageWidget {
public:
    CFrameWidget();
    virtual ~CFrameWidget();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Frame(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "frame".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // The name the program is shared under in the resource manager.
    static const char* const SHADER_NAME;

    virtual CVortanSurface* GetMaskImage() const { return m_mask.surface; }
    virtual void SetMaskImage(CVortanSurface* image);
    virtual CVortanSurface* GetBorderImage() const { return m_border.surface; }
    virtual void SetBorderImage(CVortanSurface* image);
    // Takes the shared program from the manager, or builds and registers it.
    virtual void CreateShader();
    virtual void OnFrameChanged();

    CVortan3DProgram* GetShader() const { return m_program; }
    // "frame:<background>:<border>:<mask>:<width>:<height>", handles as numbers.
    CVortanString MakeCacheKey() const;
    // The inner rect of the nine-slice and the background's insets (left, top, right, bottom)
    // in background pixels.
    static void ComputeSlices(const CVortanRect& rect, CVortanSurface* background,
                              CVortanSurface* border, CVortanRect& inner, CVortanRect& insets);

    void SetImage(CVortanSurface* image) override;
    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    int UpdateSelf(float dt) override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;

private:
    void ReleaseProgram();

    CSharedSurface m_mask;
    CSharedSurface m_border;
    CVortan3DProgram* m_program;
    bool m_ownsProgram; // not registered with the manager: deleted here
};
