// IOrloAdvertisement: the modal advertisement pop-up supplied by the lobby server, as the
// application drives it. The online client's COrloAdvertisement implements it.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanTypes.h"
#include "platform/OrloNotification.h"

class CVortanString;

class IOrloAdvertisement : public COrloNotification {
public:
    virtual ~IOrloAdvertisement() {}

    // The record of the server's advertisement message, fields [0] to [9].
    virtual int Show(const CVortanString& firstText, const CVortanString& clickLink,
                     int imageLength, const u8* image, int delayMs, int closeCountdownMs,
                     const CVortanArray<i32>* frameTimesMs, const CVortanString& okLink, int flags,
                     const CVortanString& title, const CVortanString& titleLink) = 0;
    // Shows a waiting advert when the user leaves the program.
    virtual void ShowOnExit() = 0;
    // Drops the advert (shown or waiting); with request the lobby is asked for the next one.
    virtual void Hide(bool request) { (void)request; }
    // The panel is on screen and takes all input.
    virtual int IsShown() const = 0;
    virtual void SetShown(int shown) = 0;
};
