// COrloToastNotification: the queue, the strip's slide in and out, taps, and rebuilding.
#include "online/popups/OrloToastNotification.h"

#include <math.h>

#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "online/popups/PopupLayout.h"
#include "platform/OrloApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/widgets/TextWidget.h"

namespace {

const char* const kIcons[3] = {"toast_icon_message", "toast_icon_challenge",
                               "toast_icon_achievement"};

// The icon shown for a kind: 0 message, 1 challenge, 2 achievement, -1 none.
int IconOf(int kind)
{
    switch (kind) {
    case 1:
        return 0;
    case 3:
    case -1:
        return 1;
    case 4:
        return 2;
    default:
        return -1;
    }
}

CWidget* FindToastNamed(CWidget* root, const char* name)
{
    return root ? root->FindChild(CVortanString(name), -1) : nullptr;
}

} // namespace

COrloToastNotification::COrloToastNotification()
    : m_root(nullptr), m_hitArea(nullptr), m_background(nullptr), m_sequences(nullptr),
      m_elapsed(-1.0f), m_duration(ORLO_TOAST_DEFAULT_DURATION), m_dismissed(0), m_showing(0),
      m_shownCount(0), m_currentKind(KIND_MESSAGE)
{
    m_current.duration = 0.0f;
    m_current.kind = 0;
}

COrloToastNotification::~COrloToastNotification()
{
    Release();
}

int COrloToastNotification::Init(COrloApplication* application)
{
    m_application = application;
    IVortanGraphicsContext* gc = application ? application->GetGraphics() : nullptr;
    return Build(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
}

void COrloToastNotification::Release()
{
    for (int i = 0; i < m_queue.GetCount(); ++i)
        delete (CEntry*)m_queue.GetAt(i);
    m_queue.RemoveAll();
    DeleteWidgets();
}

void COrloToastNotification::DeleteWidgets()
{
    delete m_sequences;
    m_sequences = nullptr;
    CWidget::Destroy(m_root);
    m_root = nullptr;
    m_hitArea = nullptr;
    m_background = nullptr;
}

int COrloToastNotification::OnResize(int width, int height)
{
    Build(width, height);
    return VORTAN_OK;
}

int COrloToastNotification::DismissDelegate(CWidget*, void* context, intptr_t, intptr_t)
{
    ((COrloToastNotification*)context)->Dismiss();
    return 1;
}

int COrloToastNotification::Build(int width, int height)
{
    // The old tree goes once the new one is made, so that the pictures and fonts both use are
    // not loaded again.
    CWidget* old = m_root;
    m_root = nullptr;
    m_hitArea = nullptr;
    m_background = nullptr;
    delete m_sequences;
    m_sequences = new (std::nothrow) CUIActionSequenceList();
    const PopupEvent events[] = {{"toast_click", CUIDelegate(DismissDelegate, this)}};
    int rc = BuildPopupTree(m_application, ORLO_TOAST_LAYOUT, m_sequences, events, 1, width, height,
                            &m_root);
    CWidget::Destroy(old);
    m_hitArea = FindToastNamed(m_root, "toast_hitarea");
    m_background = FindToastNamed(m_root, "toast_bg");

    if (m_elapsed >= 0.0f) {
        // A toast with its own duration goes on where it was; any other ends here (also when
        // the widgets could not be made) and the next one waiting is shown.
        const float elapsed = m_elapsed;
        const CEntry current = m_current;
        if (current.duration > 0.0f && elapsed < current.duration && ShowItem(current, true)) {
            m_elapsed = elapsed;
            Update(0.0f);
        } else {
            EndToast();
        }
    }
    return rc;
}

int COrloToastNotification::AddMessage(const CVortanString& text, float duration, int kind)
{
    for (int i = 0; i < m_queue.GetCount(); ++i) {
        if (((CEntry*)m_queue.GetAt(i))->text == text)
            return 1;
    }
    CEntry* entry = new (std::nothrow) CEntry();
    if (!entry)
        return 1;
    entry->text = text;
    entry->duration = duration;
    entry->kind = kind == 0 ? KIND_MESSAGE : kind;
    if (kind == KIND_ACHIEVEMENT)
        entry->text.Append(CVortanString("\n\nAchievement unlocked!"));
    if (m_queue.Add(entry) != VORTAN_OK) {
        delete entry;
        return 1;
    }
    if (m_elapsed < 0.0f) {
        m_queue.RemoveAt(m_queue.GetCount() - 1);
        ShowItem(*entry);
        delete entry;
    }
    return 1;
}

int COrloToastNotification::ShowItem(const CEntry& entry, bool again)
{
    CWidget* icons[3];
    for (int i = 0; i < 3; ++i)
        icons[i] = FindToastNamed(m_root, kIcons[i]);
    if (!m_hitArea || !icons[0] || !icons[1] || !icons[2])
        return 0;
    const int shown = IconOf(entry.kind);
    for (int i = 0; i < 3; ++i)
        icons[i]->SetVisible(i == shown);
    CTextWidget* message = WidgetCast<CTextWidget>(FindToastNamed(m_root, "toast_message"));
    if (message)
        message->SetText(entry.text);
    m_duration = entry.duration > 0.0f ? entry.duration : ORLO_TOAST_DEFAULT_DURATION;
    m_currentKind = entry.kind;
    m_showing = 1;
    m_elapsed = 0.0f;
    if (&entry != &m_current)
        m_current = entry;
    if (!again)
        ++m_shownCount;
    return 1;
}

void COrloToastNotification::ClearCurrent()
{
    m_current.text.Empty();
    m_current.duration = 0.0f;
}

void COrloToastNotification::EndToast()
{
    m_elapsed = -1.0f;
    m_dismissed = 0;
    m_showing = 0;
    ClearCurrent();
    if (m_queue.GetCount() > 0) {
        CEntry* next = (CEntry*)m_queue.GetAt(0);
        m_queue.RemoveAt(0);
        ShowItem(*next);
        delete next;
    }
}

void COrloToastNotification::EndKind(int kind)
{
    for (int i = m_queue.GetCount() - 1; i >= 0; --i) {
        CEntry* entry = (CEntry*)m_queue.GetAt(i);
        if (entry->kind != kind)
            continue;
        m_queue.RemoveAt(i);
        delete entry;
    }
    if (m_elapsed >= 0.0f && m_currentKind == kind)
        EndToast();
}

void COrloToastNotification::Dismiss()
{
    const float slideOut = m_duration - ORLO_TOAST_SLIDE_TIME;
    if (!m_dismissed && m_elapsed < slideOut) {
        m_elapsed = slideOut;
        m_dismissed = 1;
    }
    ClearCurrent();
}

void COrloToastNotification::PlaceStrip(float y)
{
    const int top = (int)floorf(y + 0.5f);
    m_hitArea->SetPosition(m_hitArea->GetRect().left, top);
    if (m_background)
        m_background->SetPosition(m_background->GetRect().left, top);
}

void COrloToastNotification::Update(float seconds)
{
    if (m_elapsed < 0.0f)
        return;
    m_elapsed += seconds;
    if (m_root)
        m_root->Update(seconds);
    if (m_elapsed >= m_duration) {
        EndToast();
        return;
    }
    if (!m_hitArea || !m_hitArea->GetParent())
        return;
    const float bottom = (float)m_hitArea->GetParent()->GetClientRect().bottom;
    const float h = (float)m_hitArea->GetHeight();
    const float slideOut = m_duration - ORLO_TOAST_SLIDE_TIME;
    if (m_elapsed <= ORLO_TOAST_SLIDE_TIME)
        PlaceStrip(bottom - h * 2.0f * m_elapsed);
    else if (m_elapsed <= slideOut)
        PlaceStrip(bottom - h);
    else
        PlaceStrip(bottom - h * (1.0f - 2.0f * (m_elapsed - slideOut)));
}

void COrloToastNotification::Render()
{
    if (!m_root || m_elapsed < 0.0f || !m_application)
        return;
    m_application->ResetIdle();
    IVortanGraphicsContext* gc = m_application->GetGraphics();
    if (gc)
        m_root->RenderAt(gc);
}

int COrloToastNotification::OnPointerDown(int button, int x, int y)
{
    if (m_elapsed < 0.0f || !m_root || !m_hitArea)
        return 0;
    int rx = x, ry = y;
    m_root->ParentToLocal(rx, ry);
    m_root->DispatchPointerDown(button, rx, ry);
    if (!m_hitArea)
        return 0;
    m_hitArea->ConvertPoint(nullptr, x, y);
    return m_hitArea->HitTest(x, y) ? 1 : 0;
}

int COrloToastNotification::OnPointerUp(int button, int x, int y)
{
    if (m_elapsed < 0.0f || !m_root || !m_hitArea)
        return 0;
    int rx = x, ry = y;
    m_root->ParentToLocal(rx, ry);
    m_root->DispatchPointerUp(button, rx, ry);
    CWidget* hit = FindToastNamed(m_root, "toast_hitarea");
    if (!hit)
        return 0;
    hit->ConvertPoint(nullptr, x, y);
    return hit->HitTest(x, y) ? 1 : 0;
}

int COrloToastNotification::OnPointerMove(int button, int x, int y)
{
    if (m_elapsed < 0.0f || !m_root || !m_hitArea)
        return 0;
    int rx = x, ry = y;
    m_root->ParentToLocal(rx, ry);
    m_root->DispatchPointerMove(button, rx, ry);
    CWidget* hit = FindToastNamed(m_root, "toast_hitarea");
    if (!hit)
        return 0;
    hit->ConvertPoint(nullptr, x, y);
    return hit->HitTest(x, y) ? 1 : 0;
}
