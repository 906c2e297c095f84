// Socket helpers the network benchmarks share.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

#include <stddef.h>

#include "engine/VortanTypes.h"

namespace benchnet {

// A socket listening on a free loopback port, which goes to `port`.
inline int Listen(int* port, int backlog)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a;
    memset(&a, 0, sizeof(a));
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr*)&a, sizeof(a));
    listen(fd, backlog);
    socklen_t n = sizeof(a);
    getsockname(fd, (sockaddr*)&a, &n);
    *port = ntohs(a.sin_port);
    return fd;
}

// Writes all `n` bytes to `fd`, or stops at the first failed send.
inline void WriteAll(int fd, const u8* bytes, size_t n)
{
    while (n > 0) {
        ssize_t k = send(fd, bytes, n, MSG_NOSIGNAL);
        if (k <= 0)
            return;
        bytes += k;
        n -= (size_t)k;
    }
}

} // namespace benchnet
