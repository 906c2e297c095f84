// Socket helpers the network benchmarks share.
#pragma once

#include <sys/socket.h>

#include <stddef.h>

#include "engine/VortanTypes.h"

namespace benchnet {

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
