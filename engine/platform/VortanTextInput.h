// CVortanTextInput: the text-entry buffer behind a text field.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class IVortanApplication;

class CVortanTextInput {
public:
    CVortanTextInput();
    virtual ~CVortanTextInput();

    // A new, empty text input on the heap.
    static CVortanTextInput* Create();

    // Keeps the application (and its window), the caption and the maximum length in UTF-16
    // units, and takes the starting text as SetText does. Returns VORTAN_OK.
    int Init(IVortanApplication* application, const CVortanString& text, const CVortanString& title,
             u32 maxLength);

    // One typed UTF-16 unit: Enter (13 or 10) ends the entry, Backspace (8) removes the last
    // unit, other control characters (below 32, and 127) are dropped, anything else is
    // appended while the text is shorter than the maximum length. Nothing is taken while
    // the entry is done.
    virtual void OnChar(unsigned short ch);
    // Makes the input accept characters again after Enter.
    virtual void ResetDone();
    void ClearDone() { m_done = 0; }

    // Assigns the text, cut to the maximum length.
    void SetText(const CVortanString& text);
    const CVortanString& GetText() const { return m_text; }
    const CVortanString& GetTitle() const { return m_title; }
    // The text, or in password mode as many "*" as the text has units.
    const CVortanString& GetDisplayText();

    void SetPasswordMode(int password) { m_password = password; }
    int GetPasswordMode() const { return m_password; }
    int IsDone() const { return m_done; }
    u32 GetMaxLength() const { return m_maxLength; }
    IVortanApplication* GetApplication() const { return m_application; }
    unsigned long GetWindow() const { return m_window; }

private:
    CVortanTextInput(const CVortanTextInput&) = delete;
    CVortanTextInput& operator=(const CVortanTextInput&) = delete;

    CVortanString m_text;
    CVortanString m_title;
    CVortanString m_display; // masked copy for password mode
    u32 m_maxLength;
    i32 m_done;
    i32 m_password;
    unsigned long m_window; // X window of the application
    IVortanApplication* m_application;
};
