// COrloNetConnection: asking the connectivity library for a connection and waiting for it.
#include "online/net/OrloNetConnection.h"

#include <new>

#include "engine/VortanTimer.h"

namespace {

const int kWaitBoundMs = 10000;
const int kDispatchStepMs = 50;

} // namespace

COrloNetConnection::COrloNetConnection()
    : m_connectivity(new (std::nothrow) CDesktopConnectivity()), m_subscribed(0), m_connected(0),
      m_waitBoundMs(kWaitBoundMs)
{}

COrloNetConnection::COrloNetConnection(IOrloConnectivity* connectivity)
    : m_connectivity(connectivity ? connectivity : new (std::nothrow) CDesktopConnectivity()),
      m_subscribed(0), m_connected(0), m_waitBoundMs(kWaitBoundMs)
{}

COrloNetConnection::~COrloNetConnection()
{
    if (m_connectivity)
        m_connectivity->SetListener(nullptr);
    delete m_connectivity;
}

int COrloNetConnection::Open()
{
    if (m_connected)
        return 1;
    if (!m_connectivity)
        return 0;
    m_connectivity->SetListener(this);
    m_subscribed = 1;
    if (m_connectivity->RequestConnection()) {
        while (m_connectivity->DispatchEvents(0)) {}
    }
    CVortanTimer timer;
    const u64 start = timer.GetTimeUs();
    // Bounded both by time and by passes (a stand-in clock may stand still).
    const int passes = m_waitBoundMs / kDispatchStepMs + 1;
    for (int pass = 0; pass < passes && !m_connected; ++pass) {
        if ((timer.GetTimeUs() - start) / 1000 >= (u64)m_waitBoundMs)
            break;
        m_connectivity->DispatchEvents(kDispatchStepMs);
    }
    if (m_connected)
        return 1;
    Close();
    return 0;
}

void COrloNetConnection::Close()
{
    if (m_subscribed && m_connectivity)
        m_connectivity->SetListener(nullptr);
    m_subscribed = 0;
    m_connected = 0;
}

int COrloNetConnection::EnsureConnected()
{
    if (m_connected)
        return 1;
    Close();
    return Open();
}

void COrloNetConnection::OnConnectionEvent(int status)
{
    if (status == IOrloConnectivity::EVENT_CONNECTED)
        m_connected = 1;
    else if (status == IOrloConnectivity::EVENT_DISCONNECTED)
        m_connected = 0;
}
