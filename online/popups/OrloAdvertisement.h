// COrloAdvertisement: the modal advertisement pop-up the lobby server supplies: a title, an
// animated picture strip, a countdown after which a close button shows, and links that open
// in the browser. It shows at once, after the current match or when the user leaves; when it
// is closed, or an unshown one has waited its time, the lobby is asked for the next one.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/login/LoginController.h"
#include "platform/OrloAdvertisementInterface.h"

class COrloNetworkSession;
class COrlogateApplication;
class CImageWidget;
class CUIActionSequenceList;
class CVortanSurface;
class CWidget;

// The layout file of the advert.
#define ORLO_ADVERT_LAYOUT "ad-root.xml"
// The shortest wait, in seconds, before an unshown advert asks for the next one.
#define ORLO_ADVERT_MIN_DELAY 300.0f
// Flag bit of the record: do not show when it arrives.
#define ORLO_ADVERT_FLAG_NO_SHOW 0x2
// Language texts: the countdown (one integer) and the line shown once it may be closed.
#define ORLO_TEXT_ADVERT_COUNTDOWN 1
#define ORLO_TEXT_ADVERT_CLOSABLE 209

class COrloAdvertisement : public IOrloAdvertisement {
public:
    COrloAdvertisement();
    virtual ~COrloAdvertisement(); // Release

    // Stores the application and builds at the graphics size: the build's result.
    int Init(COrloApplication* application) override;
    void Release() override;
    // Drops the advert without a request and rebuilds at the size. VORTAN_OK.
    int OnResize(int width, int height) override;
    // Passed to the widgets; always consumed, so nothing below a shown advert gets input.
    int OnPointerDown(int button, int x, int y) override;
    int OnPointerUp(int button, int x, int y) override;
    int OnPointerMove(int button, int x, int y) override;
    void Render() override;
    void Update(float seconds) override;

    // The record of the server's advertisement message, fields [0] to [9]. 0 without an
    // application, the build's failure, else 1.
    int Show(const CVortanString& firstText, const CVortanString& clickLink, int imageLength,
             const u8* image, int delayMs, int closeCountdownMs,
             const CVortanArray<i32>* frameTimesMs, const CVortanString& okLink, int flags,
             const CVortanString& title, const CVortanString& titleLink) override;
    // Builds the widgets from the layout: VORTAN_OK or the loader's failure.
    virtual int Build(int width, int height);
    // Drops the advert and deletes the widgets.
    virtual void TearDown();
    // The remaining wait in seconds.
    virtual float GetDelay() { return m_delay; }

    void ShowOnExit() override;
    void Hide(bool request) override;
    int IsShown() const override { return m_shown; }
    void SetShown(int shown) override { m_shown = shown; }

    // The events of the layout.
    void CloseAdvert(const CVortanString* link);
    void OpenLink();

    // Queries for tests.
    int IsPending() const { return m_pending; }
    int GetQuitAfterClose() const { return m_quitAfterClose; }
    float GetCloseElapsed() const { return m_closeElapsed; }
    float GetCloseCountdown() const { return m_closeCountdown; }
    int GetCurrentFrame() const { return m_currentFrame; }
    int GetFrameTimeCount() const { return m_frameTimes.GetSize(); }
    CVortanSurface* GetSurface() const { return m_surface; }
    const CVortanString& GetSurfaceName() const { return m_surfaceName; }
    CWidget* GetRoot() const { return m_root; }

private:
    COrlogateApplication* Gate() const;
    // The session to ask for adverts: the application's, only while the game is edition 0.
    COrloNetworkSession* AdvertSession() const;
    // Decodes the waiting image bytes into the registered surface and fills the panel.
    void DecodeImage();
    int BuildPanel();
    void FreeImageBytes();
    void ReleaseSurface();
    void SetText(const char* widget, const CVortanString& text);
    static int OnTitle(CWidget* sender, void* context, intptr_t, intptr_t);
    static int OnClick(CWidget* sender, void* context, intptr_t, intptr_t);
    static int OnOk(CWidget* sender, void* context, intptr_t, intptr_t);
    static int OnClose(CWidget* sender, void* context, intptr_t, intptr_t);

    int m_shown;
    CWidget* m_root;                    // owned
    CUIActionSequenceList* m_sequences; // owned
    CImageWidget* m_imageWidget;        // not owned: "adimage"
    float m_closeElapsed;
    CVortanString m_firstText;
    CVortanString m_clickLink;
    CVortanString m_okLink;
    CVortanString m_title;
    CVortanString m_titleLink;
    u8* m_image; // owned copy of the record's picture, until decoded
    int m_imageLength;
    CVortanSurface* m_surface; // registered with the resource manager under m_surfaceName
    CVortanString m_surfaceName;
    float m_delay;
    float m_closeCountdown;
    CVortanArray<float> m_frameTimes;
    int m_currentFrame;
    float m_frameClock;
    int m_pending;
    int m_quitAfterClose;
};
