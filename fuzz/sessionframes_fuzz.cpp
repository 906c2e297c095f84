// The network session's framing: received chunks of any size and content, on either channel,
// reassembled into messages and dispatched.
#include <stdlib.h>

#include "fuzz/FuzzSupport.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrlogateApplication.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Received language packs are written under the home directory: keep them in scratch.
    static bool once = (setenv("HOME", vfuzz::ScratchDir().c_str(), 1), true);
    (void)once;
    static COrlogateApplication* app = new COrlogateApplication();
    COrloNetworkSession session;
    if (session.Init(app, nullptr) != VORTAN_OK)
        return 0;
    // Each chunk: one octet of header (bit 7 the channel, bits 0-6 the length), then its bytes.
    size_t at = 0;
    while (at < size) {
        const int channel = data[at] >> 7;
        size_t length = (size_t)(data[at] & 0x7F) + 1;
        ++at;
        if (length > size - at)
            length = size - at;
        if (length == 0)
            break;
        session.ReassembleSocketData(channel, data + at, (int)length);
        // Memory follows the bytes that arrived, never an announced length.
        VFUZZ_CHECK(session.GetChannelCapacity(channel) <= 2 * (int)size + 65536);
        at += length;
    }
    session.Shutdown();
    return 0;
}
