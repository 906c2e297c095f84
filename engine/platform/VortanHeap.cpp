// VortanKeepFrameHeap: the heap's top is returned to the system only beyond 32 MB of slack.
#include "engine/platform/VortanHeap.h"

#include <malloc.h>

void VortanKeepFrameHeap()
{
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
}
