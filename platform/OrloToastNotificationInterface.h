// IOrloToastNotification: the toast as the application drives it: short messages shown one
// at a time above every screen. The online client's COrloToastNotification implements it.
#pragma once
#include "platform/OrloNotification.h"

class CVortanString;

class IOrloToastNotification : public COrloNotification {
public:
    // The kind of a challenge toast (a tap on it opens the challenge dialog).
    enum { KIND_CHALLENGE = 3 };

    virtual ~IOrloToastNotification() {}

    // Queues a message (duration in seconds, 0 = the default; kind selects the icon). 1.
    virtual int AddMessage(const CVortanString& text, float duration, int kind) = 0;
    // A message is on screen.
    virtual bool IsShowing() = 0;
    // The kind of the message on screen.
    virtual int GetCurrentKind() = 0;
    // Takes the messages of the kind away: the one on screen ends at once (the next waiting
    // one follows) and the waiting ones are dropped.
    virtual void EndKind(int kind) = 0;
};
