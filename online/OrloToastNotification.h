// COrloToastNotification: short messages shown one at a time in a strip that slides up from
// the bottom edge of the screen.
//
// Until the online client's toast with its layout is built, this is a stand-in whose layout
// never loads: Init fails, the application deletes it and runs without toasts, and every
// operation below is harmless.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloToastNotificationInterface.h"

class COrloToastNotification : public IOrloToastNotification {
public:
    COrloToastNotification() : m_showing(0), m_currentKind(1) {}
    virtual ~COrloToastNotification() {}

    // Stores the application and builds the layout at the graphics size; the build's result.
    int Init(COrloApplication* application) override
    {
        m_application = application;
        return Build(0, 0);
    }
    int OnResize(int width, int height) override
    {
        Build(width, height);
        return VORTAN_OK;
    }
    // Nothing is shown, so nothing is consumed.
    int OnPointerDown(int, int, int) override { return 0; }
    int OnPointerUp(int, int, int) override { return 0; }
    int OnPointerMove(int, int, int) override { return 0; }

    // Builds the toast's widgets from its layout: VORTAN_E_MISSING (the layout is not available).
    virtual int Build(int width, int height)
    {
        (void)width;
        (void)height;
        return VORTAN_E_MISSING;
    }
    virtual void SetShowing(bool showing) { m_showing = showing ? 1 : 0; }
    bool IsShowing() override { return m_showing != 0; }
    int GetCurrentKind() override { return m_currentKind; }

    // Queues a message (duration in seconds, 0 = the default; kind selects the icon). 1.
    int AddMessage(const CVortanString& text, float duration, int kind) override
    {
        (void)text;
        (void)duration;
        (void)kind;
        return 1;
    }

private:
    int m_showing;
    int m_currentKind;
};
