// COrloAdvertisement: the modal advertisement pop-up supplied by the lobby server.
//
// Until the online client's advertisement is built, this is a stand-in whose layout never
// loads (Init fails) and which is never shown.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloAdvertisementInterface.h"

class COrloAdvertisement : public IOrloAdvertisement {
public:
    COrloAdvertisement() : m_shown(0) {}
    virtual ~COrloAdvertisement() {}

    int Init(COrloApplication* application) override
    {
        m_application = application;
        return Build(0, 0);
    }

    // The record of the server's advertisement message, fields [0] to [9].
    int Show(const CVortanString& firstText, const CVortanString& clickLink, int imageLength,
             const u8* image, int delayMs, int closeCountdownMs,
             const CVortanArray<i32>* frameTimesMs, const CVortanString& okLink, int flags,
             const CVortanString& title, const CVortanString& titleLink) override
    {
        (void)firstText, (void)clickLink, (void)imageLength, (void)image, (void)delayMs;
        (void)closeCountdownMs, (void)frameTimesMs, (void)okLink, (void)flags, (void)title,
            (void)titleLink;
        return 1;
    }
    // VORTAN_E_MISSING: the layout is not available.
    virtual int Build(int width, int height)
    {
        (void)width;
        (void)height;
        return VORTAN_E_MISSING;
    }
    virtual void TearDown() {}
    // Remaining delay in seconds.
    virtual float GetDelay() { return 0.0f; }

    // Shows a waiting advert when the user leaves the program.
    void ShowOnExit() override {}
    // The panel is on screen and takes all input.
    int IsShown() const override { return m_shown; }
    void SetShown(int shown) override { m_shown = shown; }

private:
    int m_shown;
};
