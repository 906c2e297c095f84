// VortanKeepFrameHeap: the process's heap kept at its high-water mark between frames.
#pragma once

// The allocator otherwise hands the top of the heap back to the system whenever a large
// block there is freed (as the GL driver's per-frame buffers are) and takes it again on the
// next frame, faulting every page in anew. Called once at start, before the first frame.
void VortanKeepFrameHeap();
