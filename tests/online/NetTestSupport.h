// The network tests' helpers: a loopback listener, a bare application to register runnables
// with, a recording socket observer, and a small BER writer for the server's messages.
#pragma once
#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/platform/VortanApplication.h"
#include "online/net/SocketEngine.h"
#include "tests/support/TestSupport.h"

namespace ntest {

// A listening TCP socket on 127.0.0.1 at a port the system picks.
class Listener {
public:
    explicit Listener(int receiveBuffer = 0)
    {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        if (receiveBuffer > 0)
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
        sockaddr_in address;
        memset(&address, 0, sizeof(address));
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, (sockaddr*)&address, sizeof(address));
        listen(fd, 8);
        socklen_t size = sizeof(address);
        getsockname(fd, (sockaddr*)&address, &size);
        port = ntohs(address.sin_port);
    }
    ~Listener()
    {
        if (fd >= 0)
            close(fd);
    }
    // The next connection, or -1 after the wait.
    int Accept(int timeoutMs = 5000)
    {
        pollfd wait = {fd, POLLIN, 0};
        if (poll(&wait, 1, timeoutMs) <= 0)
            return -1;
        return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    }
    void Close()
    {
        close(fd);
        fd = -1;
    }

    int fd;
    int port;
};

// The descriptor of this process's socket connected to 127.0.0.1:port (the engine's side).
inline int FindClientSocket(int port)
{
    int found = -1;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (dirent* entry = readdir(dir)) {
        int fd = atoi(entry->d_name);
        if (entry->d_name[0] == '.' || fd == dirfd(dir))
            continue;
        sockaddr_in address;
        socklen_t size = sizeof(address);
        if (getpeername(fd, (sockaddr*)&address, &size) == 0 && address.sin_family == AF_INET &&
            ntohs(address.sin_port) == port)
            found = fd;
    }
    closedir(dir);
    return found;
}

// This process's resident size in bytes.
inline long long ResidentBytes()
{
    long long pages = 0, resident = 0;
    FILE* file = fopen("/proc/self/statm", "r");
    if (!file)
        return 0;
    if (fscanf(file, "%lld %lld", &pages, &resident) != 2)
        resident = 0;
    fclose(file);
    return resident * sysconf(_SC_PAGESIZE);
}

inline void WriteAll(int fd, const std::vector<u8>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += (size_t)n;
    }
}

// Reads what is there within the wait, appending to `out`; false once the peer closed.
inline bool ReadSome(int fd, std::vector<u8>* out, int timeoutMs = 50)
{
    pollfd wait = {fd, POLLIN, 0};
    if (poll(&wait, 1, timeoutMs) <= 0)
        return true;
    u8 buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
    if (n <= 0)
        return false;
    out->insert(out->end(), buffer, buffer + n);
    return true;
}

// An application that is never shown: only its runnable list is used.
class BareApp : public IVortanApplication {
public:
    void Update() override {}
};

// Records the statuses and data an engine delivers, with the calling thread's id.
class RecordingObserver : public ISocketEngineObserver {
public:
    void OnSocketStatus(int code, int detail) override
    {
        events.push_back("S" + std::to_string(code) + "," + std::to_string(detail));
    }
    void OnSocketData(const unsigned char* bytes, int length) override
    {
        events.push_back("D" + std::to_string(length));
        data.insert(data.end(), bytes, bytes + length);
    }
    int Count(const std::string& event) const
    {
        int n = 0;
        for (size_t i = 0; i < events.size(); ++i)
            n += events[i] == event;
        return n;
    }
    std::vector<std::string> events;
    std::vector<u8> data;
};

// A server message written field by field: [n] ints, texts, bytes and longs under one tag.
class Ber {
public:
    explicit Ber(int tag) : m_tag(tag) {}
    Ber& Int(int field, long long value)
    {
        std::vector<u8> content;
        // Minimal two's complement.
        for (int n = 1; n <= 8; ++n) {
            long long low = -(1LL << (8 * n - 1)), high = (1LL << (8 * n - 1)) - 1;
            if (n == 8 || (value >= low && value <= high)) {
                for (int i = n - 1; i >= 0; --i)
                    content.push_back((u8)((unsigned long long)value >> (8 * i)));
                break;
            }
        }
        return Field(field, content);
    }
    Ber& Text(int field, const std::string& text)
    {
        return Field(field, std::vector<u8>(text.begin(), text.end()));
    }
    Ber& Bytes(int field, const std::vector<u8>& bytes) { return Field(field, bytes); }
    // A list field: each record's fields under the universal sequence octet.
    Ber& List(int field, const std::vector<Ber>& records)
    {
        std::vector<u8> content;
        for (size_t i = 0; i < records.size(); ++i) {
            content.push_back(0x30);
            Length(content, records[i].m_body.size());
            content.insert(content.end(), records[i].m_body.begin(), records[i].m_body.end());
        }
        m_body.push_back((u8)(0xA0 | field));
        Length(m_body, content.size());
        m_body.insert(m_body.end(), content.begin(), content.end());
        return *this;
    }
    // A constructed field holding another writer's fields.
    Ber& Nested(int field, const Ber& inner)
    {
        m_body.push_back((u8)(0xA0 | field));
        Length(m_body, inner.m_body.size());
        m_body.insert(m_body.end(), inner.m_body.begin(), inner.m_body.end());
        return *this;
    }
    // Raw octets appended to the body.
    Ber& Raw(const std::vector<u8>& octets)
    {
        m_body.insert(m_body.end(), octets.begin(), octets.end());
        return *this;
    }
    std::vector<u8> Build() const
    {
        std::vector<u8> out;
        if (m_tag < 31) {
            out.push_back((u8)(0xA0 | m_tag));
        } else {
            out.push_back(0xBF);
            out.push_back((u8)m_tag);
        }
        Length(out, m_body.size());
        out.insert(out.end(), m_body.begin(), m_body.end());
        return out;
    }
    static void Length(std::vector<u8>& out, size_t n)
    {
        if (n < 128) {
            out.push_back((u8)n);
            return;
        }
        int octets = n < 256 ? 1 : n < 65536 ? 2 : n < (1u << 24) ? 3 : 4;
        out.push_back((u8)(0x80 | octets));
        for (int i = octets - 1; i >= 0; --i)
            out.push_back((u8)(n >> (8 * i)));
    }

private:
    Ber& Field(int field, const std::vector<u8>& content)
    {
        m_body.push_back((u8)(0x80 | field));
        Length(m_body, content.size());
        m_body.insert(m_body.end(), content.begin(), content.end());
        return *this;
    }

    int m_tag;
    std::vector<u8> m_body;
};

// The lobby's game begin (tag 12): the game, its players, the match flag and the game server on
// this machine's port.
inline std::vector<u8> GameBegin(long long game, const std::vector<Ber>& players, int match,
                                 int port)
{
    const std::string server = "127.0.0.1:" + std::to_string(port);
    return Ber(12)
        .Int(0, game)
        .List(1, players)
        .Int(2, match)
        .Int(3, 0)
        .Text(4, server)
        .Int(5, 0)
        .Build();
}

// Splits a stream of messages (identifier of one octet, or 0xBF and one octet; short or long
// length) into whole messages; what is left over stays in `stream`.
inline std::vector<std::vector<u8>> SplitMessages(std::vector<u8>& stream)
{
    std::vector<std::vector<u8>> out;
    for (;;) {
        size_t at = stream.size() > 0 && stream[0] == 0xBF ? 2 : 1;
        if (stream.size() < at + 1)
            break;
        size_t length = stream[at];
        size_t header = at + 1;
        if (length & 0x80) {
            size_t octets = length & 0x7F;
            if (stream.size() < header + octets)
                break;
            length = 0;
            for (size_t i = 0; i < octets; ++i)
                length = (length << 8) | stream[header + i];
            header += octets;
        }
        if (stream.size() < header + length)
            break;
        out.push_back(std::vector<u8>(stream.begin(), stream.begin() + (long)(header + length)));
        stream.erase(stream.begin(), stream.begin() + (long)(header + length));
    }
    return out;
}

// The tag of a whole message.
inline int TagOf(const std::vector<u8>& message)
{
    if (message.empty())
        return -1;
    return message[0] == 0xBF ? message[1] : (message[0] & 0x1F);
}

// Runs the engine's frame until the condition holds or the wait ends.
inline bool PumpUntil(CSocketEngine& engine, const std::function<bool()>& condition,
                      int timeoutMs = 10000)
{
    return vtest::WaitUntil(
        [&]() {
            engine.Run(0.016f);
            return condition();
        },
        timeoutMs);
}

} // namespace ntest
