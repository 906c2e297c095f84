// The text widget: text and display text, fonts through the manager, drawing with the caret
// and the editing session.
#include "ui/widgets/TextWidget.h"

#include <inttypes.h>
#include <new>
#include <stdio.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanTextWrap.h"
#include "engine/platform/VortanTextInput.h"
#include "platform/OrloApplication.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloResourceManager.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/ClipOverlap.h"

namespace {

const u32 kWhite = 0xFFFFFFFF;
// Drawing flags added to every text: blend the glyphs; while editing, tags are plain text.
const u32 kDrawBlend = 0x80;
const u32 kDrawEditing = 0x400080;

} // namespace

CTextWidget::CTextWidget()
    : m_input(false), m_password(false), m_focused(false), m_font(nullptr), m_emptyColor(kWhite),
      m_textColor(kWhite), m_session(nullptr), m_drawFlags(0), m_caret(0.0f), m_maxLength(0),
      m_localKey(-1), m_titleKey(-1), m_wrappedWidth(-1), m_wrappedFont(nullptr),
      m_wrappedScale(0.0f)
{}

CTextWidget::~CTextWidget()
{
    delete m_session;
}

CWidget* CTextWidget::CreateInstance() const
{
    return new (std::nothrow) CTextWidget();
}

int CTextWidget::Startup(COrloApplication* context, COrloResourceManager* resources,
                         const CVortanRect& rect)
{
    return StartupWithFont(context, resources, rect, nullptr);
}

int CTextWidget::StartupWithFont(COrloApplication* context, COrloResourceManager* resources,
                                 const CVortanRect& rect, CVortanBitmapFont* font)
{
    int rc = CWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_textColor = kWhite;
    m_emptyColor = kWhite;
    m_text.Empty();
    m_displayText.Empty();
    m_title.Empty();
    m_drawFlags = 0;
    m_focused = false;
    m_password = false;
    m_input = false;
    m_localKey = -1;
    m_titleKey = -1;
    m_caret = 0.0f;
    SetFont(font);
    return VORTAN_OK;
}

void CTextWidget::DropFont()
{
    CVortanBitmapFont* old = m_font;
    m_font = nullptr;
    if (!old)
        return;
    COrloResourceManager* manager = GetResourceManager();
    if (!manager || !manager->ReleaseFont(old)) {
        old->Unload();
        delete old;
    }
}

void CTextWidget::SetFont(CVortanBitmapFont* font)
{
    if (font == m_font)
        return;
    DropFont();
    if (font) {
        COrloResourceManager* manager = GetResourceManager();
        if (manager && !manager->AddRefFont(font)) {
            // A font made elsewhere: the manager keeps it from now on, so every widget (and
            // every clone) holding it has a counted reference and the last one unloads it.
            char name[48];
            snprintf(name, sizeof(name), "font@0x%016" PRIxPTR, (uintptr_t)font);
            manager->AddFont(CVortanString(name), font);
        }
    }
    m_font = font;
}

void CTextWidget::SetDisplayText(const CVortanString& text)
{
    m_displayText = text;
    if (m_password) {
        for (int i = 0; i < m_displayText.GetLength(); ++i)
            m_displayText.SetAt(i, '*');
    }
}

void CTextWidget::SetText(const CVortanString& text)
{
    SetDisplayText(text);
    if (text.Compare(m_text) == 0)
        return;
    m_text = text;
    m_onChanged.Call(this);
}

void CTextWidget::SetInputMode(bool enabled, int maxLength)
{
    m_input = enabled;
    m_maxLength = maxLength;
    SetPassThrough(!enabled);
    if (!enabled)
        EndSession();
}

void CTextWidget::SetPassword(bool password)
{
    if (password == m_password)
        return;
    m_password = password;
    SetDisplayText(m_text);
}

void CTextWidget::SetLocalizationKey(int key)
{
    m_localKey = key;
    RefreshLocalizedText();
}

void CTextWidget::SetTitleKey(int key)
{
    m_titleKey = key;
    RefreshLocalizedText();
}

void CTextWidget::RefreshLocalizedText()
{
    COrloApplication* context = GetContext();
    COrloLanguage* language = context ? context->GetLanguage() : nullptr;
    if (language) {
        if (m_localKey != -1)
            SetDisplayText(language->GetText(m_localKey));
        if (m_titleKey != -1)
            m_title = language->GetText(m_titleKey);
    }
    CWidget::RefreshLocalizedText();
}

u32 CTextWidget::LanguageFlags() const
{
    COrloApplication* context = GetContext();
    COrloLanguage* language = context ? context->GetLanguage() : nullptr;
    if (!language || !language->GetCurrentLanguage())
        return 0;
    return (u32)language->GetCurrentLanguage()->flags;
}

int CTextWidget::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!m_font || !gc)
        return VORTAN_OK;
    if (!m_input || !m_focused) {
        const u32 color = m_text.IsEmpty() ? m_emptyColor : m_textColor;
        const u32 flags = m_drawFlags | LanguageFlags() | kDrawBlend;
        // The font wraps only at spaces: a word wider than the widget would be cut at its
        // edge, so a multi-line text is drawn as wrapped here, long words broken.
        const CVortanString& shown = (flags & VORTAN_TEXT_MULTILINE)
                                         ? WrappedDisplayText(rect.right - rect.left, flags)
                                         : m_displayText;
        m_font->DrawText(rect, gc, shown, color, flags);
        return VORTAN_OK;
    }
    const CVortanString caret("|");
    const u32 flags = m_drawFlags | kDrawEditing;
    const int c = m_font->GetTextWidth(caret, flags);
    const int w = m_font->GetTextWidth(m_displayText, flags);
    CVortanRect narrowed = rect;
    narrowed.right -= c;
    u32 textFlags = flags;
    if (w > rect.right - rect.left)
        textFlags |= VORTAN_TEXT_RIGHT;
    // Text wider than the field is drawn right-aligned and runs out past its left edge: the
    // field's rectangle clips it.
    const CVortanRect saved = gc->GetClipRect();
    const CVortanRect clip = ClipOverlapOrEmpty(saved, rect);
    gc->SetClipRect(&clip);
    m_font->DrawText(narrowed, gc, m_displayText, m_textColor, textFlags);
    gc->SetClipRect(&saved);
    if (m_caret >= 0.0f) {
        CVortanRect at = narrowed;
        if (textFlags & VORTAN_TEXT_RIGHT)
            at.left = narrowed.right;
        else
            at.left = rect.left + w;
        at.right = at.left + c;
        m_font->DrawText(at, gc, caret, m_textColor, flags & ~(u32)VORTAN_TEXT_RIGHT);
    }
    return VORTAN_OK;
}

const CVortanString& CTextWidget::WrappedDisplayText(int width, u32 flags)
{
    if (width != m_wrappedWidth || m_font != m_wrappedFont ||
        m_font->GetScale() != m_wrappedScale || !(m_displayText == m_wrappedFrom)) {
        CVortanFontMeasure measure(m_font, flags & VORTAN_TEXT_NO_TAGS);
        CVortanTextWrap::WrapToText(m_displayText, width, measure, m_wrapped);
        m_wrappedFrom = m_displayText;
        m_wrappedWidth = width;
        m_wrappedFont = m_font;
        m_wrappedScale = m_font->GetScale();
    }
    return m_wrapped;
}

void CTextWidget::EndSession()
{
    if (!m_session)
        return;
    m_session->ClearDone();
    delete m_session;
    m_session = nullptr;
}

void CTextWidget::OnChar(int character)
{
    if (m_input && m_focused && m_session)
        m_session->OnChar((unsigned short)character);
}

void CTextWidget::OnPointerDown(int, int, int) {}

void CTextWidget::OnPointerUp(int button, int x, int y)
{
    if (!m_input || button != 0 || !m_focused)
        return;
    if (HitTest(x, y)) {
        SetDisplayText(m_text);
        EndSession();
        m_session = CVortanTextInput::Create();
        if (!m_session)
            return;
        m_session->Init(GetContext(), m_text, m_title, m_maxLength > 0 ? (u32)m_maxLength : 0u);
        m_session->SetPasswordMode(m_password ? 1 : 0);
        m_session->ClearDone();
        m_caret = 0.0f;
    } else if (m_session) {
        SetText(m_session->GetText());
        EndSession();
    }
}

int CTextWidget::UpdateSelf(float dt)
{
    if (!m_input || !m_focused || !m_session)
        return VORTAN_OK;
    SetText(m_session->GetText());
    if (m_session && m_session->IsDone()) {
        m_onFinished.Call(this);
        EndSession();
        m_focused = false;
    }
    if (m_caret < 0.5f)
        m_caret += dt;
    else
        m_caret = -0.5f;
    return VORTAN_OK;
}

void CTextWidget::OnFocusGained(CWidget* previous)
{
    CWidget::OnFocusGained(previous);
    m_focused = true;
}

void CTextWidget::OnFocusLost(CWidget* next)
{
    CWidget::OnFocusLost(next);
    m_focused = false;
    EndSession();
}

void CTextWidget::CopyFrom(const CWidget* other)
{
    CWidget::CopyFrom(other);
    const CTextWidget* source = WidgetCast<CTextWidget>(other);
    if (!source)
        return;
    SetFont(source->m_font);
    m_textColor = source->m_textColor;
    m_emptyColor = source->m_emptyColor;
    m_text = source->m_text;
    m_displayText = source->m_displayText;
    m_onChanged = source->m_onChanged;
    m_onFinished = source->m_onFinished;
    m_input = source->m_input;
    m_password = source->m_password;
    m_drawFlags = source->m_drawFlags;
    m_localKey = source->m_localKey;
    m_maxLength = source->m_maxLength;
    m_caret = 0.0f;
}

void CTextWidget::Shutdown()
{
    DropFont();
    EndSession();
    CWidget::Shutdown();
}
