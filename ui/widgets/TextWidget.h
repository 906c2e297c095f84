// CTextWidget: one text in a bitmap font: a label (localised by a text key), an input field or
// a password field edited through a text input session.
#pragma once
#include "ui/Widget.h"

class CUIXMLLoader;
class CVortanBitmapFont;
class CVortanTextInput;
class CVortanXMLDataNode;

class CTextWidget : public CWidget {
public:
    CTextWidget();
    virtual ~CTextWidget();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::TextWidget(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The common start-up, then every field to its start value and the font set.
    virtual int StartupWithFont(COrloApplication* context, COrloResourceManager* resources,
                                const CVortanRect& rect, CVortanBitmapFont* font);

    // Sets the display text; stores the text and fires onchanged when it differs.
    void SetText(const CVortanString& text);
    // With the password flag every character shows as "*".
    void SetDisplayText(const CVortanString& text);
    const CVortanString& GetText() const { return m_text; }
    const CVortanString& GetDisplayText() const { return m_displayText; }
    const CVortanString& GetTitle() const { return m_title; }
    void SetTitle(const CVortanString& title) { m_title = title; }
    CVortanBitmapFont* GetFont() const { return m_font; }
    // Hands the old font back (or unloads one nobody manages) and takes a reference of the
    // manager on the new one, registering it there when the manager does not know it.
    void SetFont(CVortanBitmapFont* font);
    void SetTextColor(u32 argb) { m_textColor = argb; }
    void SetEmptyTextColor(u32 argb) { m_emptyColor = argb; }
    u32 GetTextColor() const { return m_textColor; }
    u32 GetEmptyTextColor() const { return m_emptyColor; }
    void SetDrawFlags(u32 flags) { m_drawFlags = flags; }
    u32 GetDrawFlags() const { return m_drawFlags; }
    void SetOnChanged(const CUIDelegate& d) { m_onChanged = d; }
    void SetOnFinished(const CUIDelegate& d) { m_onFinished = d; }
    CUIDelegate& GetOnChanged() { return m_onChanged; }
    CUIDelegate& GetOnFinished() { return m_onFinished; }
    // Pass-through becomes the opposite of enabled; disabling ends an open session.
    void SetInputMode(bool enabled, int maxLength);
    bool IsInputEnabled() const { return m_input; }
    int GetMaxLength() const { return m_maxLength; }
    void SetPassword(bool password);
    bool IsPassword() const { return m_password; }
    bool IsFocused() const { return m_focused; }
    void SetLocalizationKey(int key);
    void SetTitleKey(int key);
    int GetLocalizationKey() const { return m_localKey; }
    int GetTitleKey() const { return m_titleKey; }
    float GetCaretClock() const { return m_caret; }
    CVortanTextInput* GetTextInput() const { return m_session; }

    int Startup(COrloApplication* context, COrloResourceManager* resources,
                const CVortanRect& rect) override;
    void Shutdown() override;
    CWidget* CreateInstance() const override;
    void RefreshLocalizedText() override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    void OnChar(int character) override;
    void OnPointerDown(int button, int x, int y) override;
    void OnPointerUp(int button, int x, int y) override;
    int UpdateSelf(float dt) override;
    void CopyFrom(const CWidget* other) override;
    void OnFocusGained(CWidget* previous) override;
    void OnFocusLost(CWidget* next) override;

    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

private:
    void EndSession();
    void DropFont();
    u32 LanguageFlags() const;
    // The display text with line feeds where it wraps at `width`, words wider than that
    // broken; kept until the text, the width or the font changes.
    const CVortanString& WrappedDisplayText(int width, u32 flags);

    bool m_input;
    bool m_password;
    bool m_focused;
    CVortanString m_text;
    CVortanString m_displayText;
    CVortanString m_title;
    CVortanBitmapFont* m_font;
    u32 m_emptyColor;
    u32 m_textColor;
    CVortanTextInput* m_session;
    CUIDelegate m_onChanged;
    CUIDelegate m_onFinished;
    u32 m_drawFlags;
    float m_caret;
    i32 m_maxLength;
    i32 m_localKey;
    i32 m_titleKey;
    CVortanString m_wrapped;
    CVortanString m_wrappedFrom;
    int m_wrappedWidth;
    CVortanBitmapFont* m_wrappedFont;
    float m_wrappedScale;
};
