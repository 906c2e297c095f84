// CSocketEngine: one TCP connection to a server of the online service, with a send thread, a
// receive thread and the queues through which they reach the main thread.
#pragma once
#include <atomic>
#include <deque>
#include <vector>

#include "engine/VortanCondition.h"
#include "engine/VortanMutex.h"
#include "engine/VortanRunnable.h"
#include "engine/VortanString.h"
#include "engine/VortanThread.h"
#include "engine/VortanTimer.h"
#include "engine/VortanTypes.h"

class IVortanApplication;

// Status pairs (code, detail) are the engine's only failure reports.
enum {
    SOCKET_FAILED = 0,
    SOCKET_CONNECTED = 1,
    SOCKET_CONNECT_OR_SEND_FAILED = 2,
    SOCKET_TIMED_OUT = 3,
    SOCKET_CLOSED = 4
};
enum {
    SOCKET_DETAIL_NONE = 0,
    SOCKET_DETAIL_SOCKET = 1,
    SOCKET_DETAIL_CONNECT = 2,
    SOCKET_DETAIL_THREAD = 4,
    SOCKET_DETAIL_SELECT = 5,
    SOCKET_DETAIL_RECEIVE_IDLE = 6,
    SOCKET_DETAIL_RECEIVE = 7,
    SOCKET_DETAIL_PIPE = 8,
    SOCKET_DETAIL_SEND_WAIT = 9,
    SOCKET_DETAIL_SEND = 10,
    // More waited to be sent than the outbound queue holds: the connection is given up.
    SOCKET_DETAIL_QUEUE_FULL = 11
};

class ISocketEngineObserver {
public:
    virtual ~ISocketEngineObserver() {}
    virtual void OnSocketStatus(int code, int detail) = 0;
    // The bytes are valid only during the call.
    virtual void OnSocketData(const unsigned char* bytes, int length) = 0;
};

class CSocketEngine : public IVortanRunnable {
public:
    // One queued item: received or outbound bytes (owned), or a status (no bytes).
    struct Entry {
        u8* data;
        int length;
        int code;
        int detail;
    };

    // What the outbound queue holds at most; a message past either bound fails the connection.
    static constexpr int OUTBOUND_MAX_MESSAGES = 16384;
    static constexpr int OUTBOUND_MAX_BYTES = 16 << 20;
    // What one write takes from the front of the queue at most (always one message or more).
    static constexpr int SEND_BATCH_BYTES = 65536;
    // While the outbound queue holds this much, Run takes no more received data: the answers
    // it would make wait until the peer reads. Far below the bounds above, so that a peer that
    // only sends fast never reaches them (one chunk makes at most one answer per message).
    static constexpr int OUTBOUND_HOLD_MESSAGES = 4096;
    static constexpr int OUTBOUND_HOLD_BYTES = 1 << 20;
    // While more than this waits to be delivered, the receive thread reads nothing more (the
    // sender is then slowed by TCP itself).
    static constexpr int INBOUND_MAX_BYTES = 1 << 20;
    // The share of a frame one Run gives to delivering data (at least one chunk is delivered).
    static constexpr int RUN_BUDGET_MS = 8;
    // A peer that reads nothing for this long while messages wait is given up.
    static constexpr int SEND_STALL_MS = 30000;

    class SendThread : public IVortanThread {
    public:
        SendThread() : m_owner(nullptr), m_buffer(nullptr), m_capacity(0), m_wakes(0), m_halt(0) {}
        ~SendThread() override;
        void Run() override;
        int Start(CSocketEngine* owner);
        // Ends the body (also one asleep waiting for work) and joins it.
        void Halt();
        // Wakes the body; a wake given before the body sleeps is kept, not lost.
        void Wake();

    private:
        // Sleeps until a wake is pending or the body is to end.
        void WaitForWake();
        // The loop of Run: takes and writes the queued messages until it ends.
        void Body();
        // Writes the whole buffer; 1, or 0 with the failure's status pair set (none when the
        // engine is closing). Waits as long as the peer keeps reading: it fails on a peer that
        // took nothing for the stall bound.
        int WriteAll(int length, int* code, int* detail);

        CSocketEngine* m_owner;
        u8* m_buffer;
        int m_capacity;
        CVortanMutex m_wakeLock;
        CVortanCondition m_wakeSignal;
        int m_wakes; // guarded by m_wakeLock
        int m_halt;  // guarded by m_wakeLock
        int m_failureCode;
        int m_failureDetail;
    };

    class ReceiveThread : public IVortanThread {
    public:
        ReceiveThread() : m_owner(nullptr) {}
        ~ReceiveThread() override;
        void Run() override;
        int Start(CSocketEngine* owner);
        void Halt();

    private:
        CSocketEngine* m_owner;
        u8 m_buffer[65536];
    };

    CSocketEngine();
    ~CSocketEngine() override;

    // Registers the engine as a frame runnable and makes the wake pipe. 1; 0 without an
    // application or when the pipe cannot be made ((0, 8) queued).
    int Init(IVortanApplication* application, ISocketEngineObserver* observer);
    // Connects (bounded wait) and starts both threads: 1 after reporting (1, 0) directly; 0
    // after queuing the failure's status.
    int Connect(const CVortanString& host, int port, void* connection);
    // Queues a copy of the bytes for the send thread; (2, 10) directly when unconnected or when
    // the send thread has ended. A message past the queue's bounds empties it and queues
    // (0, 11); later messages of that connection are dropped.
    void Send(const unsigned char* bytes, int length);
    // How many messages were handed to Send so far (main thread only; tests read it).
    u32 GetSendCount() const { return m_sendCount; }
    int PostStatus(int code, int detail);
    bool IsConnected(bool report);
    bool IsKeepAliveDue();
    // Delivers the received data, then the statuses, on the calling (main) thread: data for at
    // most the run budget, and none while the outbound queue is held (the rest waits, in
    // order, for the next Run).
    void Run(float dt) override;
    // Waits for the queued messages (up to 150 x 100 ms), delivers what arrived, and closes.
    void Close(bool forgetObserver);
    // Undoes Init (and closes a socket still open).
    void Reset();

    int GetPort() const { return m_port; }
    const CVortanString& GetHost() const { return m_host; }
    ISocketEngineObserver* GetObserver() const { return m_observer; }
    bool IsClosing() const { return m_closing.load() != 0; }
    float GetIdleTime() const { return m_idleTime.load(); }
    int GetOutboundCount();
    int GetOutboundBytes();
    // Received bytes not delivered yet (queued or held back by Run).
    int GetInboundBytes() const { return (int)m_inboundBytes.load(); }
    // The receive thread waits for Run to deliver before it reads again.
    bool IsReceivePaused() const { return m_receivePaused.load() != 0; }

    // Test seams: the receive and send waits, the connect bound and the close drain's step.
    void SetTimeouts(int receiveMs, int sendMs);
    void SetConnectTimeout(int ms) { m_connectTimeoutMs = ms; }
    void SetDrainStep(int ms) { m_drainStepMs = ms; }
    // Test seams: the stall bound of a peer that reads nothing, the run budget, and the bound
    // of received bytes held (measured with the program's timer, which a test can step).
    void SetStallLimit(int ms) { m_stallMs.store(ms); }
    void SetRunBudget(int ms) { m_runBudgetMs = ms; }
    void SetInboundLimit(int bytes) { m_inboundLimit.store(bytes); }
    // Test seam: the wake token a close writes, left in the pipe as when the receive thread
    // it was meant for ends before reading it.
    void PutWakeToken();

private:
    CSocketEngine(const CSocketEngine&) = delete;
    CSocketEngine& operator=(const CSocketEngine&) = delete;

    friend class SendThread;
    friend class ReceiveThread;

    static void FreeEntries(std::vector<Entry>& entries);
    static void FreeEntries(std::deque<Entry>& entries);
    void EmptyOutbound();
    // Appends a received chunk (copied); 0 when the copy cannot be made.
    int PostData(const u8* bytes, int length);
    void StopThreads();
    void CloseSocket();
    // Delivers what arrived; `flush` delivers everything regardless of budget and hold.
    void Deliver(float dt, bool flush);
    // True while the outbound queue holds enough that no more answers should be made.
    bool IsOutboundHeld();
    // Called by the receive thread: true (and marked paused) while too much waits for Run.
    bool IsInboundFull();
    // Reports (2, 10) for a send after the send thread ended, once per connection.
    void ReportSendEnded();
    // Frees the received entries not delivered yet (queues and held back).
    void DropInbound();

    IVortanApplication* m_application;
    ISocketEngineObserver* m_observer;
    std::atomic<int> m_closing;
    std::atomic<int> m_sendEnded; // the send thread's body has returned
    std::atomic<int> m_writing;   // the send thread holds messages taken from the queue
    std::deque<Entry> m_outbound; // guarded by m_sendLock
    u32 m_sendCount;              // main thread only
    int m_outboundBytes;          // guarded by m_sendLock
    int m_outboundFull;           // guarded by m_sendLock: the bounds were passed
    int m_inboundIndex;           // guarded by m_receiveLock
    std::vector<Entry> m_inbound[2];
    std::deque<Entry> m_held; // main thread only: taken from the queues, not delivered yet
    std::atomic<long long> m_inboundBytes; // received, not delivered
    std::atomic<int> m_receivePaused;
    std::atomic<int> m_inboundLimit;
    std::atomic<int> m_stallMs;
    int m_runBudgetMs;
    int m_sendEndReported; // main thread only
    CVortanTimer m_clock;
    ReceiveThread* m_receiveThread;
    SendThread* m_sendThread;
    CVortanMutex m_receiveLock;
    CVortanMutex m_sendLock;
    int m_socket;
    int m_pipeRead;
    int m_pipeWrite;
    std::atomic<int> m_receiveTimeoutMs; // read by the threads, set by tests at any time
    std::atomic<int> m_sendTimeoutMs;
    int m_connectTimeoutMs;
    int m_drainStepMs;
    std::atomic<float> m_idleTime;
    int m_port;
    CVortanString m_host;
    void* m_connection;
};
