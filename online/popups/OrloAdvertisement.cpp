// COrloAdvertisement: receiving a record, waiting, showing it (now, after the match or on
// exit), the countdown and the picture strip's frames, the links, and asking for the next one.
#include "online/popups/OrloAdvertisement.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/PopupLayout.h"
#include "online/popups/ServerImage.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloState.h"
#include "platform/OrloWebServer.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"

namespace {

const u32 kGlRgba = 0x1908;         // GL_RGBA
const u32 kGlUnsignedByte = 0x1401; // GL_UNSIGNED_BYTE

CWidget* FindNamed(CWidget* root, const char* name)
{
    return root ? root->FindChild(CVortanString(name), -1) : nullptr;
}

// Numbers the surfaces of the adverts, so that each is registered under a name of its own.
int g_surfaceSerial = 0;

} // namespace

COrloAdvertisement::COrloAdvertisement()
    : m_shown(0), m_root(nullptr), m_sequences(nullptr), m_imageWidget(nullptr),
      m_closeElapsed(0.0f), m_image(nullptr), m_imageLength(0), m_surface(nullptr), m_delay(0.0f),
      m_closeCountdown(0.0f), m_currentFrame(0), m_frameClock(0.0f), m_pending(0),
      m_quitAfterClose(0)
{}

COrloAdvertisement::~COrloAdvertisement()
{
    Release();
}

COrlogateApplication* COrloAdvertisement::Gate() const
{
    return dynamic_cast<COrlogateApplication*>(m_application);
}

COrloNetworkSession* COrloAdvertisement::AdvertSession() const
{
    COrlogateApplication* gate = Gate();
    if (!gate || gate->GetEditionFlag() != 0)
        return nullptr;
    return dynamic_cast<COrloNetworkSession*>(gate->GetNetworkSession());
}

int COrloAdvertisement::Init(COrloApplication* application)
{
    m_application = application;
    IVortanGraphicsContext* gc = application ? application->GetGraphics() : nullptr;
    return Build(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
}

void COrloAdvertisement::Release()
{
    TearDown();
    Hide(false);
}

int COrloAdvertisement::OnResize(int width, int height)
{
    // As TearDown, but the old tree goes once the new one is made, so that the pictures and
    // fonts both use are not loaded again.
    Hide(false);
    delete m_sequences;
    m_sequences = nullptr;
    CWidget* old = m_root;
    m_root = nullptr;
    Build(width, height);
    CWidget::Destroy(old);
    return VORTAN_OK;
}

int COrloAdvertisement::OnTitle(CWidget*, void* context, intptr_t, intptr_t)
{
    ((COrloAdvertisement*)context)->OpenLink();
    return 1;
}

int COrloAdvertisement::OnClick(CWidget*, void* context, intptr_t, intptr_t)
{
    COrloAdvertisement* self = (COrloAdvertisement*)context;
    const CVortanString link(self->m_clickLink);
    self->CloseAdvert(&link);
    return 1;
}

int COrloAdvertisement::OnOk(CWidget*, void* context, intptr_t, intptr_t)
{
    COrloAdvertisement* self = (COrloAdvertisement*)context;
    const CVortanString link(self->m_okLink);
    self->CloseAdvert(&link);
    return 1;
}

int COrloAdvertisement::OnClose(CWidget*, void* context, intptr_t, intptr_t)
{
    ((COrloAdvertisement*)context)->CloseAdvert(nullptr);
    return 1;
}

int COrloAdvertisement::Build(int width, int height)
{
    if (!m_sequences)
        m_sequences = new (std::nothrow) CUIActionSequenceList();
    const PopupEvent events[] = {{"ad_title", CUIDelegate(OnTitle, this)},
                                 {"ad_click", CUIDelegate(OnClick, this)},
                                 {"ad_ok", CUIDelegate(OnOk, this)},
                                 {"ad_close", CUIDelegate(OnClose, this)}};
    return BuildPopupTree(m_application, ORLO_ADVERT_LAYOUT, m_sequences, events, 4, width, height,
                          &m_root);
}

void COrloAdvertisement::TearDown()
{
    Hide(false);
    delete m_sequences;
    m_sequences = nullptr;
    CWidget::Destroy(m_root);
    m_root = nullptr;
}

int COrloAdvertisement::Show(const CVortanString& firstText, const CVortanString& clickLink,
                             int imageLength, const u8* image, int delayMs, int closeCountdownMs,
                             const CVortanArray<i32>* frameTimesMs, const CVortanString& okLink,
                             int flags, const CVortanString& title, const CVortanString& titleLink)
{
    COrlogateApplication* gate = Gate();
    if (!m_application)
        return 0;
    Hide(false);
    if (gate && gate->GetEditionFlag() != 0)
        return 1;
    if (!m_root) {
        IVortanGraphicsContext* gc = m_application->GetGraphics();
        int rc = Build(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
        if (rc != VORTAN_OK)
            return rc;
    }
    m_firstText = firstText;
    m_clickLink = clickLink;
    m_quitAfterClose = 0;
    m_frameTimes.RemoveAll();
    m_surface = nullptr;
    if (image && imageLength > 0) {
        m_image = new (std::nothrow) u8[(size_t)imageLength];
        if (m_image) {
            memcpy(m_image, image, (size_t)imageLength);
            m_imageLength = imageLength;
        }
        for (int i = 0; frameTimesMs && i < frameTimesMs->GetSize(); ++i)
            m_frameTimes.SetAtGrow(m_frameTimes.GetSize(), (float)(*frameTimesMs)[i] * 0.001f);
    }
    m_closeCountdown = (float)closeCountdownMs * 0.001f;
    m_delay = (float)delayMs * 0.001f;
    if (m_delay <= ORLO_ADVERT_MIN_DELAY)
        m_delay = ORLO_ADVERT_MIN_DELAY;
    m_okLink = okLink;
    m_title = title;
    m_titleLink = titleLink;

    if (flags & ORLO_ADVERT_FLAG_NO_SHOW)
        return 1;
    COrloNetworkSession* session =
        gate ? dynamic_cast<COrloNetworkSession*>(gate->GetNetworkSession()) : nullptr;
    if (session && session->IsJoined())
        return 1;
    if (gate && gate->IsInGame())
        m_pending = 1;
    else
        m_shown = 1;
    return 1;
}

void COrloAdvertisement::Update(float seconds)
{
    COrlogateApplication* gate = Gate();
    if (m_pending && !(gate && gate->IsInGame())) {
        m_pending = 0;
        m_shown = 1;
    }
    if (!m_shown) {
        COrloNetworkSession* session = AdvertSession();
        if (session && m_delay > 0.0f) {
            // A wait that ends exactly at 0 asks too (it would never ask again).
            m_delay -= seconds;
            if (m_delay <= 0.0f)
                session->SendAdvertisementRequest();
        }
        return;
    }
    if (m_image)
        DecodeImage();
    if (m_closeElapsed >= 0.0f) {
        m_closeElapsed += seconds;
        const CVortanString* format = nullptr;
        COrloLanguage* language = m_application ? m_application->GetLanguage() : nullptr;
        if (m_closeElapsed >= m_closeCountdown) {
            if (language)
                SetText("text_closing", language->GetText(ORLO_TEXT_ADVERT_CLOSABLE));
            CWidget* close = FindNamed(m_root, "button_close");
            if (close)
                close->SetVisible(true);
            m_closeElapsed = -1.0f;
        } else {
            if (language)
                format = &language->GetText(ORLO_TEXT_ADVERT_COUNTDOWN);
            // A language text, possibly sent by the server: the safe formatter.
            CVortanString text;
            const CVortanFormatArg left((int)floorf(m_closeCountdown - m_closeElapsed + 0.5f));
            if (format)
                text.FormatArgs(format->GetBuffer(), &left, 1);
            SetText("text_closing", text);
            CWidget* closing = FindNamed(m_root, "text_closing");
            if (closing)
                closing->SetVisible(true);
        }
    }
    if (m_frameTimes.GetSize() > 0) {
        m_frameClock += seconds;
        if (m_currentFrame >= m_frameTimes.GetSize())
            m_currentFrame = 0;
        const float due = m_frameTimes[m_currentFrame];
        if (m_frameClock >= due) {
            // A time of 0 or less moves one frame per update, and the clock starts again.
            m_frameClock = due > 0.0f ? m_frameClock - due : 0.0f;
            m_currentFrame = (m_currentFrame + 1) % m_frameTimes.GetSize();
        }
        if (m_imageWidget)
            m_imageWidget->SetFrame(m_currentFrame);
    }
    if (m_root)
        m_root->Update(seconds);
}

void COrloAdvertisement::SetText(const char* widget, const CVortanString& text)
{
    CTextWidget* field = WidgetCast<CTextWidget>(FindNamed(m_root, widget));
    if (field)
        field->SetText(text);
}

void COrloAdvertisement::DecodeImage()
{
    CVortanSurface* surface = nullptr;
    if (ServerImageFits(m_image, m_imageLength))
        surface = new (std::nothrow) CVortanSurface();
    if (surface) {
        int rc = surface->LoadFromMemory(m_application, m_image, m_imageLength, nullptr);
        if (rc == VORTAN_OK)
            rc = surface->CreateTexture(kGlRgba, kGlUnsignedByte, 0);
        char name[48];
        snprintf(name, sizeof(name), "advert_image_%d", ++g_surfaceSerial);
        if (rc == VORTAN_OK && m_application->AddSurface(CVortanString(name), surface)) {
            int frames = m_frameTimes.GetSize() > 0 ? m_frameTimes.GetSize() : 1;
            // More frames than pixel rows: the picture is one frame.
            if (frames > surface->GetHeight()) {
                frames = 1;
                m_frameTimes.SetSize(1);
            }
            surface->SetFrameSize(surface->GetWidth(), surface->GetHeight() / frames);
            m_surface = surface;
            m_surfaceName = CVortanString(name);
            BuildPanel();
        } else {
            surface->Release();
            delete surface;
        }
    }
    FreeImageBytes();
}

int COrloAdvertisement::BuildPanel()
{
    if (!m_root)
        return 0;
    if (m_closeElapsed >= 0.0f) {
        CButton* close = WidgetCast<CButton>(FindNamed(m_root, "button_close"));
        if (close) {
            close->StopFadeIn();
            close->SetVisible(false);
        }
    } else {
        CWidget* closing = FindNamed(m_root, "text_closing");
        if (closing)
            closing->SetVisible(false);
    }
    if (!m_title.IsEmpty())
        SetText("text_title", m_title);
    m_imageWidget = WidgetCast<CImageWidget>(FindNamed(m_root, "adimage"));
    if (m_imageWidget) {
        m_imageWidget->SetImage(m_surface);
        if (m_frameTimes.GetSize() > 0) {
            m_imageWidget->SetFrameDuration(m_frameTimes[0] / (float)m_frameTimes.GetSize());
            // The frames follow the advert's own clock: the widget's animation, which would
            // move one frame on from the one set, is stopped.
            m_imageWidget->SetImageFlags(m_imageWidget->GetImageFlags() | IMAGE_ANIMATION_STOPPED);
        }
    }
    return 1;
}

void COrloAdvertisement::FreeImageBytes()
{
    delete[] m_image;
    m_image = nullptr;
    m_imageLength = 0;
}

void COrloAdvertisement::ReleaseSurface()
{
    if (m_imageWidget) {
        m_imageWidget->SetImage(nullptr);
        m_imageWidget = nullptr;
    }
    if (!m_surface)
        return;
    if (m_application) {
        m_application->ReleaseSurface(m_surface);
    } else {
        m_surface->Release();
        delete m_surface;
    }
    m_surface = nullptr;
    m_surfaceName.Empty();
}

void COrloAdvertisement::Hide(bool request)
{
    m_frameClock = 0.0f;
    m_delay = 0.0f;
    m_closeCountdown = 0.0f;
    m_closeElapsed = 0.0f;
    m_currentFrame = 0;
    m_shown = 0;
    m_pending = 0;
    ReleaseSurface();
    FreeImageBytes();
    m_frameTimes.RemoveAll();
    if (request) {
        COrloNetworkSession* session = AdvertSession();
        if (session)
            session->SendAdvertisementRequest();
    }
}

void COrloAdvertisement::CloseAdvert(const CVortanString* link)
{
    COrlogateApplication* gate = Gate();
    if (link && gate && gate->GetDevice())
        gate->GetDevice()->OpenUrl(*link);
    const int quit = m_quitAfterClose;
    Hide(!quit);
    if (quit) {
        m_quitAfterClose = 0;
        if (m_application)
            m_application->RequestQuit();
    }
}

void COrloAdvertisement::OpenLink()
{
    if (!m_titleLink.IsEmpty()) {
        const CVortanString link(m_titleLink);
        CloseAdvert(&link);
        return;
    }
    COrlogateApplication* gate = Gate();
    COrloNetworkSession* session =
        gate ? dynamic_cast<COrloNetworkSession*>(gate->GetNetworkSession()) : nullptr;
    CVortanString link(ORLO_FORWARD_ADDRESS "?link=buyfull");
    if (session)
        link.Append(session->GetGameQuery());
    CloseAdvert(&link);
}

void COrloAdvertisement::ShowOnExit()
{
    if (AdvertSession() && m_delay > 0.0f) {
        m_shown = 1;
        m_quitAfterClose = 1;
        return;
    }
    m_quitAfterClose = 0;
    if (m_application)
        m_application->RequestQuit();
}

void COrloAdvertisement::Render()
{
    if (!m_shown || !m_root || !m_application)
        return;
    IVortanGraphicsContext* gc = m_application->GetGraphics();
    if (gc)
        m_root->RenderAt(gc);
}

int COrloAdvertisement::OnPointerDown(int button, int x, int y)
{
    if (m_root) {
        m_root->ParentToLocal(x, y);
        m_root->DispatchPointerDown(button, x, y);
    }
    return 1;
}

int COrloAdvertisement::OnPointerUp(int button, int x, int y)
{
    if (m_root) {
        m_root->ParentToLocal(x, y);
        m_root->DispatchPointerUp(button, x, y);
    }
    return 1;
}

int COrloAdvertisement::OnPointerMove(int button, int x, int y)
{
    if (m_root) {
        m_root->ParentToLocal(x, y);
        m_root->DispatchPointerMove(button, x, y);
    }
    return 1;
}
