// CImageWidget: draws one image of the resource manager in its rectangle (stretched, fitted to
// its aspect or unscaled), a part of it or the frames of a sprite sheet, and fades in on
// request over one second.
#pragma once
#include "ui/Widget.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CVortanSurface;
class IEasingCurve;

// Mode bits.
enum {
    IMAGE_STRETCH = 0x1,           // scaled to the rectangle
    IMAGE_WHOLE_ONLY = 0x2,        // drawn only when the rectangle lies wholly on the target
    IMAGE_ANIMATION_STOPPED = 0x4, // the frame clock stands still
    IMAGE_KEEP_ASPECT = 0x8,       // with stretch: fitted to the frame's aspect, centred
    IMAGE_UNCLIPPED = 0x10,        // drawn with clipping off
    IMAGE_FADING = 0x20            // a fade-in is running
};

class CImageWidget : public CWidget {
public:
    CImageWidget();
    virtual ~CImageWidget();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Image(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type (re-uses a kept widget of this class).
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    virtual CVortanSurface* GetImage() const { return m_image; }
    // Takes a reference of the manager on the image (registering an image the manager does
    // not know under a name made from its address) and gives the previous one back.
    virtual void SetImage(CVortanSurface* image);

    u32 GetImageFlags() const { return m_mode; }
    void SetImageFlags(u32 bits) { m_mode = bits; }
    // The part of the image drawn: the source rect when set, else the current frame's
    // rectangle. False without either.
    bool GetSourceRect(CVortanRect& out) const;
    // In image pixels; it replaces the frame.
    void SetSourceRect(const CVortanRect& rect);
    void ClearSourceRect() { m_hasSourceRect = false; }
    bool HasSourceRect() const { return m_hasSourceRect; }
    float GetFrameDuration() const { return m_frameDuration; }
    void SetFrameDuration(float seconds) { m_frameDuration = seconds; }
    float GetAnimationClock() const { return m_clock; }
    // Columns x rows of the image's frames; at least 1.
    int GetFrameCount() const;
    int GetFrame() const;
    // Moves the clock to the frame index modulo the count; returns the index divided by the
    // count.
    int SetFrame(int index);
    float GetFadeTimeLeft() const { return m_fadeLeft; }
    // This widget (when visible) and its visible image descendants fade in over 1.0 s.
    void StartFadeIn();
    // Ends the fade of this widget and of every image descendant at full opacity.
    void StopFadeIn();

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    int UpdateSelf(float dt) override;
    void OnVisibilityChanged(bool visible) override;

private:
    void BeginFade();
    void EndFade();
    static void FadeVisibleDescendants(CWidget* widget);
    static void StopDescendants(CWidget* widget);

    CVortanSurface* m_image;
    bool m_hasSourceRect;
    bool m_ownsImage; // held without a reference of the manager: deleted here
    CVortanRect m_sourceRect;
    u32 m_mode;
    float m_frameDuration;
    float m_clock;
    float m_fadeLeft;
    IEasingCurve* m_fadeCurve;
};
