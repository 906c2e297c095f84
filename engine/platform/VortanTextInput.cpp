// CVortanTextInput: the text-entry buffer behind a text field.
#include "engine/platform/VortanTextInput.h"

#include <new>

#include "engine/platform/VortanApplication.h"

CVortanTextInput::CVortanTextInput()
    : m_maxLength(0), m_done(0), m_password(0), m_window(0), m_application(nullptr)
{}

CVortanTextInput::~CVortanTextInput() {}

CVortanTextInput* CVortanTextInput::Create()
{
    return new (std::nothrow) CVortanTextInput();
}

int CVortanTextInput::Init(IVortanApplication* application, const CVortanString& text,
                           const CVortanString& title, u32 maxLength)
{
    m_application = application;
    m_window = application ? application->GetWindow() : 0;
    m_maxLength = maxLength;
    m_title = title;
    SetText(text);
    return VORTAN_OK;
}

void CVortanTextInput::OnChar(unsigned short ch)
{
    if (m_done)
        return;
    if (ch == 13 || ch == 10) {
        m_done = 1;
        return;
    }
    if (ch == 8) {
        int length = m_text.GetLength();
        if (length > 0)
            m_text.SetLength(length - 1);
        return;
    }
    // Control characters (tab, escape, delete, ...) never become part of the text.
    if (ch < 32 || ch == 127)
        return;
    if ((u32)m_text.GetLength() < m_maxLength)
        m_text.AppendChar(ch);
}

void CVortanTextInput::ResetDone()
{
    m_done = 0;
}

void CVortanTextInput::SetText(const CVortanString& text)
{
    m_text = text;
    if ((u32)m_text.GetLength() > m_maxLength)
        m_text.SetLength((int)m_maxLength);
}

const CVortanString& CVortanTextInput::GetDisplayText()
{
    if (!m_password)
        return m_text;
    int length = m_text.GetLength();
    m_display.Empty();
    if (length > 0) {
        unsigned short* units = m_display.AllocBuffer(length + 1);
        for (int i = 0; units && i < length; ++i)
            units[i] = '*';
    }
    return m_display;
}
