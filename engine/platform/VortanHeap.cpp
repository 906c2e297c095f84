// VortanKeepFrameHeap: the heap's top is returned to the system only beyond 4 MB of slack.
#include "engine/platform/VortanHeap.h"

#include <malloc.h>

void VortanKeepFrameHeap()
{
    // Enough for the GL driver's per-frame buffers to stay between frames, small enough that
    // what loading frees goes back to the system.
    mallopt(M_TRIM_THRESHOLD, 4 * 1024 * 1024);
}
