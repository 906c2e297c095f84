// CSocketEngine's send thread and receive thread.
#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <new>

#include "online/net/SocketEngine.h"

namespace {

const int kSendAttempts = 5;
const int kIdleWaits = 4;

// poll that resumes after signals: > 0 ready, 0 timed out, -1 failed.
int WaitFor(pollfd* fds, int count, int timeoutMs)
{
    int rc;
    do {
        rc = poll(fds, (nfds_t)count, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc;
}

} // namespace

// --- send thread ---------------------------------------------------------------------------

CSocketEngine::SendThread::~SendThread()
{
    Halt();
    delete[] m_buffer;
}

int CSocketEngine::SendThread::Start(CSocketEngine* owner)
{
    m_owner = owner;
    {
        CVortanMutexLock lock(m_wakeLock);
        m_halt = 0;
        m_wakes = 0;
    }
    return IVortanThread::Start();
}

void CSocketEngine::SendThread::Halt()
{
    {
        CVortanMutexLock lock(m_wakeLock);
        m_halt = 1;
        m_wakeSignal.Broadcast();
    }
    IVortanThread::Stop();
}

void CSocketEngine::SendThread::Wake()
{
    CVortanMutexLock lock(m_wakeLock);
    ++m_wakes;
    m_wakeSignal.Broadcast();
}

void CSocketEngine::SendThread::WaitForWake()
{
    CVortanMutexLock lock(m_wakeLock);
    if (!lock.IsLocked())
        return;
    while (m_wakes == 0 && !m_halt && IsRunning()) {
        if (m_wakeSignal.Wait(m_wakeLock) != VORTAN_OK)
            break;
    }
    m_wakes = 0;
}

int CSocketEngine::SendThread::WriteAll(int length, int* code, int* detail)
{
    int written = 0;
    int failures = 0;
    pollfd wait = {m_owner->m_socket, POLLOUT, 0};
    // A peer that reads slowly is waited for; one that has taken nothing for the stall bound
    // while this write waits is given up. The send wait is only how often that is checked.
    u64 progress = m_owner->m_clock.GetTimeNs();
    while (written < length) {
        wait.revents = 0;
        int rc = WaitFor(&wait, 1, m_owner->m_sendTimeoutMs);
        if (m_owner->IsClosing())
            return 0;
        if (rc < 0) {
            *code = SOCKET_FAILED;
            *detail = SOCKET_DETAIL_SELECT;
            return 0;
        }
        if (rc == 0) {
            const u64 stall = (u64)m_owner->m_stallMs.load() * 1000000ull;
            if (m_owner->m_clock.GetTimeNs() - progress < stall)
                continue;
            *code = SOCKET_TIMED_OUT;
            *detail = SOCKET_DETAIL_SEND_WAIT;
            return 0;
        }
        // Never blocks: what does not fit now waits for the next writable wait.
        ssize_t sent = send(m_owner->m_socket, m_buffer + written, (size_t)(length - written),
                            MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            written += (int)sent;
            failures = 0;
            progress = m_owner->m_clock.GetTimeNs();
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (++failures >= kSendAttempts) {
            *code = SOCKET_CONNECT_OR_SEND_FAILED;
            *detail = SOCKET_DETAIL_SEND;
            return 0;
        }
    }
    return 1;
}

void CSocketEngine::SendThread::Run()
{
    Body();
    // Marked before the queue is emptied and the last status goes out: whoever sees the status
    // finds the thread ended, and a send that comes later is reported, not queued (Send).
    m_owner->m_sendEnded.store(1);
    if (m_failureCode >= 0) {
        m_owner->EmptyOutbound();
        m_owner->PostStatus(m_failureCode, m_failureDetail);
    }
}

void CSocketEngine::SendThread::Body()
{
    m_failureCode = -1;
    while (IsRunning()) {
        if (m_owner->IsClosing())
            return;
        int length = 0;
        {
            CVortanMutexLock lock(m_owner->m_sendLock);
            if (!lock.IsLocked())
                return;
            if (m_owner->m_outbound.empty()) {
                lock.Unlock();
                WaitForWake();
                continue;
            }
            // Messages from the front, as many as one write takes: a burst of small answers
            // goes out at the pace of the writes, not one message per pause.
            std::deque<Entry>& queue = m_owner->m_outbound;
            size_t count = 0;
            int total = 0;
            while (count < queue.size() &&
                   (count == 0 || queue[count].length <= SEND_BATCH_BYTES - total)) {
                total += queue[count].length;
                ++count;
            }
            if (total > m_capacity) {
                u8* grown = new (std::nothrow) u8[total];
                if (!grown)
                    return;
                delete[] m_buffer;
                m_buffer = grown;
                m_capacity = total;
            }
            for (size_t i = 0; i < count; ++i) {
                Entry entry = queue.front();
                memcpy(m_buffer + length, entry.data, (size_t)entry.length);
                length += entry.length;
                delete[] entry.data;
                queue.pop_front();
            }
            m_owner->m_outboundBytes -= length;
            // Marked under the lock that emptied the queue: whoever finds the queue empty
            // finds these messages still being written.
            m_owner->m_writing.store(1);
        }
        const int written =
            !m_owner->IsClosing() && WriteAll(length, &m_failureCode, &m_failureDetail);
        m_owner->m_writing.store(0);
        if (!written)
            return;
        VortanSleep(1);
    }
}

// --- receive thread --------------------------------------------------------------------------

CSocketEngine::ReceiveThread::~ReceiveThread()
{
    Halt();
}

int CSocketEngine::ReceiveThread::Start(CSocketEngine* owner)
{
    m_owner = owner;
    return IVortanThread::Start();
}

void CSocketEngine::ReceiveThread::Halt()
{
    IVortanThread::Stop();
}

void CSocketEngine::ReceiveThread::Run()
{
    int idleWaits = 0;
    pollfd fds[2];
    while (IsRunning() && !m_owner->IsClosing()) {
        // While too much waits for the main thread, only the wake pipe is watched: Run wakes
        // this thread once it has delivered enough, and the peer meanwhile waits on TCP.
        const bool paused = m_owner->IsInboundFull();
        fds[0] = {m_owner->m_pipeRead, POLLIN, 0};
        fds[1] = {paused ? -1 : m_owner->m_socket, POLLIN, 0};
        int rc = WaitFor(fds, 2, m_owner->m_receiveTimeoutMs);
        if (rc > 0 && (fds[0].revents & POLLIN)) {
            i32 token = 0;
            while (read(m_owner->m_pipeRead, &token, sizeof(token)) == (ssize_t)sizeof(token)) {
                if (token == -1 && m_owner->IsClosing())
                    return;
            }
        }
        if (!m_owner->m_observer || m_owner->IsClosing())
            return;
        if (rc < 0) {
            m_owner->PostStatus(SOCKET_FAILED, SOCKET_DETAIL_SELECT);
            return;
        }
        if (rc == 0 && paused)
            continue; // the wait was ours, not the peer's silence
        if (rc == 0) {
            if (++idleWaits >= kIdleWaits) {
                m_owner->PostStatus(SOCKET_TIMED_OUT, SOCKET_DETAIL_RECEIVE_IDLE);
                return;
            }
            continue;
        }
        if (!(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            // Woken through the pipe without a close under way: nothing for this connection.
            if (fds[0].revents & POLLIN)
                continue;
            m_owner->PostStatus(SOCKET_FAILED, SOCKET_DETAIL_RECEIVE);
            return;
        }
        ssize_t got;
        do {
            got = recv(m_owner->m_socket, m_buffer, sizeof(m_buffer), 0);
        } while (got < 0 && errno == EINTR);
        if (m_owner->IsClosing())
            return;
        if (got == 0) {
            m_owner->PostStatus(SOCKET_CLOSED, SOCKET_DETAIL_NONE);
            return;
        }
        if (got < 0 || !m_owner->PostData(m_buffer, (int)got)) {
            m_owner->PostStatus(SOCKET_FAILED, SOCKET_DETAIL_RECEIVE);
            return;
        }
        idleWaits = 0;
    }
}
