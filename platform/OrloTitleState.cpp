// COrloTitleState: the title picture, its fades and the start of the online part.
#include "platform/OrloTitleState.h"

#include <math.h>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanExitStatus.h"
#include "platform/OrloApplication.h"

namespace {
const float kFadeIn = 0.5f;
const float kMenuStart = 2.5f;
const float kTitleDuration = 3.0f;

// A rectangle of the picture scaled by s and centred on a W x H target.
CVortanRect ScaledCentred(float s, int pw, int ph, int W, int H)
{
    int sw = (int)floorf(s * (float)pw + 0.5f);
    int sh = (int)floorf(s * (float)ph + 0.5f);
    int left = (int)floorf(-0.5f * (float)sw + 0.5f * (float)W + 0.5f);
    int top = (int)floorf(-0.5f * (float)sh + 0.5f * (float)H + 0.5f);
    CVortanRect rect;
    rect.Set(left, top, left + sw, top + sh);
    return rect;
}
} // namespace

COrloTitleState::COrloTitleState()
    : m_time(0.0f), m_background(nullptr), m_title(nullptr), m_menuStarted(0), m_holding(0),
      m_packProblem(0)
{}

COrloTitleState::~COrloTitleState() {}

int COrloTitleState::Init(COrloApplication* application)
{
    m_application = application;
    if (m_application &&
        !m_application->OpenPack(CVortanString(ORLO_TITLE_PACK), ORLO_PACK_BESIDE_PROGRAM)) {
        // The title still runs: without pictures it ends at once (see Update and Unload).
        CVortanString path;
        m_application->GetResourcePath(path, CVortanString(ORLO_TITLE_PACK));
        m_packProblem = VortanReportPackProblem("title pack", path, false);
    }
    return VORTAN_OK;
}

void COrloTitleState::Release()
{
    if (!m_application)
        return;
    if (m_background)
        m_application->ReleaseSurface(m_background);
    if (m_title)
        m_application->ReleaseSurface(m_title);
    m_application->ClosePack(CVortanString(ORLO_TITLE_PACK), ORLO_PACK_BESIDE_PROGRAM);
}

CVortanSurface* COrloTitleState::GetPicture(const char* base)
{
    CVortanString name(base);
    name.Append(CVortanString(".jpg"));
    CVortanSurface* surface = m_application->GetSurface(name);
    if (surface)
        return surface;
    name = base;
    name.Append(CVortanString(".png"));
    return m_application->GetSurface(name);
}

void COrloTitleState::LoadBackground(bool landscape)
{
    // The new picture is taken before the old one is let go: when both are the same, it
    // stays loaded instead of being decoded again.
    CVortanSurface* background =
        GetPicture(landscape ? "background-horizontal" : "background-vertical");
    if (m_background)
        m_application->ReleaseSurface(m_background);
    m_background = background;
}

int COrloTitleState::Load()
{
    if (m_application) {
        IVortanGraphicsContext* graphics = m_application->GetGraphics();
        bool landscape = !graphics || graphics->GetWidth() > graphics->GetHeight();
        LoadBackground(landscape);
        if (!m_title)
            m_title = GetPicture("title");
        if (!m_background && !m_title && !m_packProblem) {
            // The pack opened but gives none of its pictures.
            CVortanString path;
            m_application->GetResourcePath(path, CVortanString(ORLO_TITLE_PACK));
            VortanPrintError("title pack %s is damaged: it holds no usable picture",
                             VortanBytesOf(path).c_str());
            m_packProblem = VORTAN_EXIT_PACK_DAMAGED;
        }
    }
    m_time = 0.0f;
    return VORTAN_OK;
}

int COrloTitleState::OnResize(int width, int height)
{
    if (m_application)
        LoadBackground(!(width < height));
    return VORTAN_OK;
}

void COrloTitleState::StartMenu()
{
    m_menuStarted = 1;
    if (m_application && m_application->CreateSessionAndMenu() != VORTAN_OK)
        m_holding = 1;
}

void COrloTitleState::Unload()
{
    if (m_menuStarted)
        return;
    m_menuStarted = 1;
    // Leaving the title early still starts the online part, exactly once; but not while the
    // program shuts down.
    if (m_application && !m_application->IsExiting() &&
        m_application->CreateSessionAndMenu() != VORTAN_OK && m_packProblem) {
        // Nothing was shown and there is nothing to go on to: the program ends for the pack
        // (whose problem was told when it was found).
        VortanSetExitStatus(m_packProblem);
    }
}

int COrloTitleState::Update(float seconds)
{
    if (!m_background && !m_title) {
        Finish();
        return 1;
    }
    m_time += seconds;
    if (m_time >= kTitleDuration && !m_holding)
        Finish();
    return 1;
}

void COrloTitleState::Render()
{
    IVortanGraphicsContext* graphics = m_application ? m_application->GetGraphics() : nullptr;
    if (!graphics)
        return;
    if (!m_background && !m_title) {
        m_application->DrawReloadScreen();
        return;
    }
    graphics->Clear(0xFF000000u, nullptr);
    int W = graphics->GetWidth();
    int H = graphics->GetHeight();

    if (m_background && m_background->GetWidth() > 0 && m_background->GetHeight() > 0) {
        int bw = m_background->GetWidth();
        int bh = m_background->GetHeight();
        float sx = (float)W / (float)bw;
        float sy = (float)H / (float)bh;
        CVortanRect rect = ScaledCentred(sx > sy ? sx : sy, bw, bh, W, H);
        graphics->BlitStretch(&rect, m_background, nullptr, 0);
    }

    if (m_title && m_title->GetWidth() > 0 && m_title->GetHeight() > 0) {
        int tw = m_title->GetWidth();
        int th = m_title->GetHeight();
        if (tw <= W && th <= H) {
            graphics->BlitUnit(0.0f, 0.0f, m_title, nullptr,
                               VORTAN_BLIT_CENTER_X | VORTAN_BLIT_CENTER_Y | VORTAN_BLIT_ALPHA);
        } else {
            float sx = (float)W / (float)tw;
            float sy = (float)H / (float)th;
            CVortanRect rect = ScaledCentred(sx < sy ? sx : sy, tw, th, W, H);
            graphics->BlitStretch(&rect, m_title, nullptr, VORTAN_BLIT_ALPHA);
        }
    }

    if (m_time <= kFadeIn)
        graphics->Darken(nullptr, 2.0f * m_time);
    if (m_time >= kMenuStart) {
        if (!m_menuStarted)
            StartMenu();
        if (!m_holding) {
            float amount = 1.0f - 2.0f * (m_time - kMenuStart);
            graphics->Darken(nullptr, amount > 0.0f ? amount : 0.0f);
        }
    }
}
