// IVortanRunnable: an object that the application runs once per frame on the main thread
// with the frame's delta time, while it is registered (AddListener / RemoveListener).
#pragma once
#include "engine/VortanID.h"

class IVortanRunnable : public CVortanID {
public:
    IVortanRunnable() : m_attached(0) {}
    virtual ~IVortanRunnable() {}

    // One frame's work; delta in seconds.
    virtual void Run(float deltaSeconds) = 0;

    // Set by the application while the object is in its runnable list.
    int IsAttached() const { return m_attached; }
    void SetAttached(int attached) { m_attached = attached; }

private:
    int m_attached;
};
