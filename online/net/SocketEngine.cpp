// CSocketEngine: connecting, the main thread's side (send queue, per-frame delivery, close).
#include "online/net/SocketEngine.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <new>

#include "engine/platform/VortanApplication.h"

namespace {

const int kReceiveTimeoutMs = 30000;
const int kSendTimeoutMs = 1000;
const int kConnectTimeoutMs = 15000;
const int kDrainStepMs = 100;
const int kDrainSteps = 150;
const float kKeepAliveSeconds = 30.0f;

void SetNonBlocking(int fd, bool on)
{
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return;
    fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

// Resolves the host (8-bit text: the low byte of each unit) to an IPv4 address.
bool Resolve(const CVortanString& host, int port, sockaddr_in* address)
{
    std::string name;
    for (int i = 0; i < host.GetLength(); ++i)
        name.push_back((char)(host.GetAt(i) & 0xFF));
    if (name.empty())
        return false;
    addrinfo hints;
    memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    memcpy(address, found->ai_addr, sizeof(*address));
    freeaddrinfo(found);
    address->sin_family = AF_INET;
    address->sin_port = htons((u16)port);
    return true;
}

// A connect that gives up after `timeoutMs`; the socket is blocking again afterwards.
bool ConnectBounded(int fd, const sockaddr_in& address, int timeoutMs)
{
    SetNonBlocking(fd, true);
    // Each message leaves at once: the messages are small and each waits for an answer, which
    // the coalescing of small writes would hold back until the peer's delayed acknowledgement.
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    int rc = connect(fd, (const sockaddr*)&address, sizeof(address));
    if (rc != 0) {
        if (errno != EINPROGRESS)
            return false;
        pollfd wait = {fd, POLLOUT, 0};
        do {
            rc = poll(&wait, 1, timeoutMs);
        } while (rc < 0 && errno == EINTR);
        if (rc <= 0)
            return false;
        int error = 0;
        socklen_t size = sizeof(error);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return false;
    }
    SetNonBlocking(fd, false);
    return true;
}

} // namespace

CSocketEngine::CSocketEngine()
    : m_application(nullptr), m_observer(nullptr), m_closing(0), m_sendEnded(0), m_writing(0),
      m_sendCount(0), m_outboundBytes(0), m_outboundFull(0), m_inboundIndex(0), m_inboundBytes(0),
      m_receivePaused(0), m_inboundLimit(INBOUND_MAX_BYTES), m_stallMs(SEND_STALL_MS),
      m_runBudgetMs(RUN_BUDGET_MS), m_sendEndReported(0), m_receiveThread(nullptr),
      m_sendThread(nullptr), m_socket(-1), m_pipeRead(-1), m_pipeWrite(-1),
      m_receiveTimeoutMs(kReceiveTimeoutMs), m_sendTimeoutMs(kSendTimeoutMs),
      m_connectTimeoutMs(kConnectTimeoutMs), m_drainStepMs(kDrainStepMs), m_idleTime(0.0f),
      m_port(0), m_connection(nullptr)
{}

CSocketEngine::~CSocketEngine()
{
    // The threads end at once: the closing flag is up and their socket shut down.
    m_closing.store(1);
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
    StopThreads();
    CloseSocket();
    if (m_application)
        m_application->RemoveListener(this);
    FreeEntries(m_outbound);
    FreeEntries(m_inbound[0]);
    FreeEntries(m_inbound[1]);
    FreeEntries(m_held);
    if (m_pipeRead >= 0)
        close(m_pipeRead);
    if (m_pipeWrite >= 0)
        close(m_pipeWrite);
}

void CSocketEngine::FreeEntries(std::vector<Entry>& entries)
{
    for (size_t i = 0; i < entries.size(); ++i)
        delete[] entries[i].data;
    entries.clear();
}

void CSocketEngine::FreeEntries(std::deque<Entry>& entries)
{
    for (size_t i = 0; i < entries.size(); ++i)
        delete[] entries[i].data;
    entries.clear();
}

int CSocketEngine::Init(IVortanApplication* application, ISocketEngineObserver* observer)
{
    if (!application)
        return 0;
    m_application = application;
    m_observer = observer;
    m_idleTime.store(0.0f);
    m_application->AddListener(this);
    m_socket = -1;
    int ends[2];
    if (pipe(ends) != 0) {
        PostStatus(SOCKET_FAILED, SOCKET_DETAIL_PIPE);
        return 0;
    }
    m_pipeRead = ends[0];
    m_pipeWrite = ends[1];
    SetNonBlocking(m_pipeRead, true);
    SetNonBlocking(m_pipeWrite, true);
    return 1;
}

void CSocketEngine::SetTimeouts(int receiveMs, int sendMs)
{
    m_receiveTimeoutMs = receiveMs;
    m_sendTimeoutMs = sendMs;
}

int CSocketEngine::Connect(const CVortanString& host, int port, void* connection)
{
    m_port = port;
    m_connection = connection;
    m_idleTime.store(0.0f);
    m_host = host;

    sockaddr_in address;
    memset(&address, 0, sizeof(address));
    if (port < 1 || port > 65535 || !Resolve(host, port, &address)) {
        PostStatus(SOCKET_CONNECT_OR_SEND_FAILED, SOCKET_DETAIL_CONNECT);
        return 0;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        PostStatus(SOCKET_FAILED, SOCKET_DETAIL_SOCKET);
        return 0;
    }
    if (!ConnectBounded(fd, address, m_connectTimeoutMs)) {
        close(fd);
        PostStatus(SOCKET_CONNECT_OR_SEND_FAILED, SOCKET_DETAIL_CONNECT);
        return 0;
    }
    m_socket = fd;
    {
        // A wake an earlier close left in the pipe (its receive thread ended before reading
        // it) belongs to that connection, not to this one.
        i32 token = 0;
        while (read(m_pipeRead, &token, sizeof(token)) > 0) {}
    }
    {
        // What is still queued came from an earlier attempt or connection (its threads have
        // ended): delivered now it would be taken for news of this one, a failure or close
        // that ends it as it starts.
        DropInbound();
        CVortanMutexLock lock(m_receiveLock);
        m_inboundIndex = 0;
    }

    {
        // Messages an earlier connection left unsent belong to it.
        CVortanMutexLock lock(m_sendLock);
        FreeEntries(m_outbound);
        m_outboundBytes = 0;
        m_outboundFull = 0;
    }
    m_sendEnded.store(0);
    m_sendEndReported = 0;
    m_writing.store(0);
    m_receiveThread = new (std::nothrow) ReceiveThread();
    m_sendThread = m_receiveThread ? new (std::nothrow) SendThread() : nullptr;
    if (!m_receiveThread || !m_sendThread || !m_receiveThread->Start(this) ||
        !m_sendThread->Start(this)) {
        StopThreads();
        CloseSocket();
        PostStatus(SOCKET_FAILED, SOCKET_DETAIL_THREAD);
        return 0;
    }
    if (m_observer)
        m_observer->OnSocketStatus(SOCKET_CONNECTED, SOCKET_DETAIL_NONE);
    return 1;
}

void CSocketEngine::Send(const unsigned char* bytes, int length)
{
    if (length < 1 || !bytes)
        return;
    ++m_sendCount;
    if (!IsConnected(false)) {
        if (m_observer)
            m_observer->OnSocketStatus(SOCKET_CONNECT_OR_SEND_FAILED, SOCKET_DETAIL_SEND);
        return;
    }
    if (m_sendEnded.load()) {
        ReportSendEnded();
        return;
    }
    u8* copy = new (std::nothrow) u8[length];
    if (!copy)
        return;
    memcpy(copy, bytes, (size_t)length);
    bool full = false;
    bool ended = false;
    {
        CVortanMutexLock lock(m_sendLock);
        if (!lock.IsLocked() || m_outboundFull) {
            delete[] copy;
            return;
        }
        // Asked again under the lock: the send thread marks its end before it empties the
        // queue under this lock, so the message either goes in before the queue is emptied
        // or finds the mark here, never into a queue that no thread takes from.
        ended = m_sendEnded.load() != 0;
        if (ended) {
            delete[] copy;
        } else if ((int)m_outbound.size() >= OUTBOUND_MAX_MESSAGES ||
                   length > OUTBOUND_MAX_BYTES - m_outboundBytes) {
            // A peer that sends faster than it reads would otherwise grow the queue without end.
            delete[] copy;
            FreeEntries(m_outbound);
            m_outboundBytes = 0;
            m_outboundFull = 1;
            full = true;
        } else {
            bool wasEmpty = m_outbound.empty();
            m_outbound.push_back(Entry{copy, length, -1, 0});
            m_outboundBytes += length;
            if (wasEmpty)
                m_sendThread->Wake();
        }
    }
    // Reported after the lock: the two locks are never held together.
    if (full)
        PostStatus(SOCKET_FAILED, SOCKET_DETAIL_QUEUE_FULL);
    else if (ended)
        ReportSendEnded();
}

void CSocketEngine::ReportSendEnded()
{
    // Once for the connection: the answers to a backlog of received messages, delivered after
    // the send thread gave up, would otherwise each report the same failure.
    if (m_sendEndReported || !m_observer)
        return;
    m_sendEndReported = 1;
    m_observer->OnSocketStatus(SOCKET_CONNECT_OR_SEND_FAILED, SOCKET_DETAIL_SEND);
}

int CSocketEngine::PostStatus(int code, int detail)
{
    CVortanMutexLock lock(m_receiveLock);
    m_inbound[m_inboundIndex].push_back(Entry{nullptr, 0, code, detail});
    return 0;
}

int CSocketEngine::PostData(const u8* bytes, int length)
{
    u8* copy = new (std::nothrow) u8[length];
    if (!copy)
        return 0;
    memcpy(copy, bytes, (size_t)length);
    m_inboundBytes.fetch_add(length);
    CVortanMutexLock lock(m_receiveLock);
    m_inbound[m_inboundIndex].push_back(Entry{copy, length, -1, 0});
    return 1;
}

bool CSocketEngine::IsInboundFull()
{
    const long long limit = m_inboundLimit.load();
    if (m_inboundBytes.load() <= limit)
        return false;
    // Marked before the count is read again: a Run that delivers in between either sees the
    // mark (and wakes this thread) or has lowered the count read here.
    m_receivePaused.store(1);
    if (m_inboundBytes.load() <= limit) {
        m_receivePaused.store(0);
        return false;
    }
    return true;
}

void CSocketEngine::DropInbound()
{
    {
        CVortanMutexLock lock(m_receiveLock);
        FreeEntries(m_inbound[0]);
        FreeEntries(m_inbound[1]);
    }
    FreeEntries(m_held);
    m_inboundBytes.store(0);
    m_receivePaused.store(0);
}

bool CSocketEngine::IsOutboundHeld()
{
    CVortanMutexLock lock(m_sendLock);
    return (int)m_outbound.size() >= OUTBOUND_HOLD_MESSAGES ||
           m_outboundBytes >= OUTBOUND_HOLD_BYTES;
}

bool CSocketEngine::IsConnected(bool report)
{
    if (m_closing.load())
        return false;
    if (m_socket >= 0 && m_receiveThread && m_sendThread)
        return true;
    if (report && m_observer)
        m_observer->OnSocketStatus(SOCKET_CLOSED, SOCKET_DETAIL_NONE);
    return false;
}

bool CSocketEngine::IsKeepAliveDue()
{
    if (m_idleTime.load() >= kKeepAliveSeconds) {
        m_idleTime.store(0.0f);
        return true;
    }
    return false;
}

int CSocketEngine::GetOutboundCount()
{
    CVortanMutexLock lock(m_sendLock);
    return (int)m_outbound.size();
}

int CSocketEngine::GetOutboundBytes()
{
    CVortanMutexLock lock(m_sendLock);
    return m_outboundBytes;
}

void CSocketEngine::Run(float dt)
{
    Deliver(dt, false);
}

void CSocketEngine::Deliver(float dt, bool flush)
{
    if (IsConnected(false))
        m_idleTime.store(m_idleTime.load() + dt);

    {
        CVortanMutexLock lock(m_receiveLock);
        if (!lock.IsLocked())
            return;
        int index = m_inboundIndex;
        m_inboundIndex = 1 - index;
        std::vector<Entry>& queue = m_inbound[index];
        m_held.insert(m_held.end(), queue.begin(), queue.end());
        queue.clear();
    }
    if (m_held.empty())
        return;

    // A flood of received data is delivered over several frames: each Run stops when its
    // budget is spent, or while the answers already made wait for the peer to read them. What
    // is left stays in order for the next Run; statuses behind it wait with it.
    const u64 started = m_clock.GetTimeNs();
    const u64 budget = (u64)m_runBudgetMs * 1000000ull;
    bool deliveredAny = false;
    std::vector<Entry> statuses;
    while (!m_held.empty()) {
        Entry entry = m_held.front();
        if (entry.data && !flush &&
            ((deliveredAny && m_clock.GetTimeNs() - started >= budget) || IsOutboundHeld()))
            break;
        // Taken off before the call: a close from inside it delivers what follows itself.
        m_held.pop_front();
        if (entry.data) {
            if (m_observer) {
                m_idleTime.store(0.0f);
                m_observer->OnSocketData(entry.data, entry.length);
            }
            delete[] entry.data;
            m_inboundBytes.fetch_sub(entry.length);
            deliveredAny = true;
        } else {
            statuses.push_back(entry);
        }
    }
    // A receive thread that stopped reading for the backlog reads again.
    if (m_receivePaused.load() && m_inboundBytes.load() <= m_inboundLimit.load() &&
        m_receivePaused.exchange(0)) {
        const i32 token = 1;
        ssize_t written = write(m_pipeWrite, &token, sizeof(token));
        (void)written;
    }
    for (size_t i = 0; i < statuses.size(); ++i) {
        if (m_observer)
            m_observer->OnSocketStatus(statuses[i].code, statuses[i].detail);
    }
}

void CSocketEngine::PutWakeToken()
{
    const i32 token = -1;
    ssize_t written = write(m_pipeWrite, &token, sizeof(token));
    (void)written;
}

void CSocketEngine::EmptyOutbound()
{
    CVortanMutexLock lock(m_sendLock);
    FreeEntries(m_outbound);
    m_outboundBytes = 0;
}

void CSocketEngine::Close(bool forgetObserver)
{
    if (m_closing.load() || !IsConnected(false))
        return;

    for (int step = 0; step < kDrainSteps; ++step) {
        // Messages the send thread has taken from the queue count until they are written.
        if ((GetOutboundCount() == 0 && !m_writing.load()) || m_sendEnded.load())
            break;
        m_sendThread->Wake();
        VortanSleep(m_drainStepMs);
    }
    Deliver(0.0f, true);
    Deliver(0.0f, true);

    m_closing.store(1);
    // Shut the socket down first: a send blocked on a peer that never reads returns at once.
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
    if (m_receiveThread && m_receiveThread->IsRunning()) {
        const i32 token = -1;
        ssize_t written = write(m_pipeWrite, &token, sizeof(token));
        (void)written;
    }
    StopThreads();
    CloseSocket();
    m_port = 0;
    if (forgetObserver)
        m_observer = nullptr;
    m_host.Empty();
    m_closing.store(0);
}

void CSocketEngine::StopThreads()
{
    if (m_receiveThread) {
        m_receiveThread->Halt();
        delete m_receiveThread;
        m_receiveThread = nullptr;
    }
    if (m_sendThread) {
        m_sendThread->Halt();
        delete m_sendThread;
        m_sendThread = nullptr;
    }
}

void CSocketEngine::CloseSocket()
{
    if (m_socket >= 0) {
        close(m_socket);
        m_socket = -1;
    }
}

void CSocketEngine::Reset()
{
    if (m_application)
        m_application->RemoveListener(this);
    m_closing.store(1);
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
    StopThreads();
    CloseSocket();
    m_closing.store(0);
    EmptyOutbound();
    DropInbound();
    if (m_pipeRead >= 0)
        close(m_pipeRead);
    if (m_pipeWrite >= 0)
        close(m_pipeWrite);
    m_pipeRead = -1;
    m_pipeWrite = -1;
    m_port = 0;
    m_application = nullptr;
}
