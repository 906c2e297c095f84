// Fixed-size integer names used throughout the engine.
#pragma once
#include <stddef.h>
#include <stdint.h>

typedef int8_t i8;
typedef uint8_t u8;
typedef int16_t i16;
typedef uint16_t u16;
typedef int32_t i32;
typedef uint32_t u32;
typedef int64_t i64;
typedef uint64_t u64;

// Engine result codes (VortanResultName in engine/VortanResult.h gives their names).
enum {
    VORTAN_OK = 1,
    VORTAN_E_ARGUMENT = 2,
    VORTAN_E_RANGE = 3,
    VORTAN_E_MALFORMED = 4,
    VORTAN_E_NOMEMORY = 7,
    VORTAN_E_MISSING = 8,
    VORTAN_E_FAIL = 9,
    VORTAN_E_OPEN = 10,
    VORTAN_E_VERSION = 11,
    VORTAN_E_LOCKED = 1000,
    VORTAN_E_BRIDGE_BUSY = VORTAN_E_LOCKED, // a surface's X drawable bridge is already open
    VORTAN_E_BRIDGE_FAILED = 1001           // the X pixmap or its graphics context was not made
};

// Running out of memory. Every allocation is checked where it is made: objects and buffers
// come from new (std::nothrow) or malloc, or from the engine's containers, which report a
// failed growth. An operation that returns a result code returns VORTAN_E_NOMEMORY when an
// allocation fails and leaves its object as its other failures leave it; an operation that
// returns an object returns null; one without a result leaves its output as it was or empty,
// as its description says. No exception crosses an interface of the engine or of the layers
// built on it: where a standard container or std::string (whose allocations throw) serves
// inside a function, that function catches std::bad_alloc and turns it into the above.

// Little-endian 32-bit words in byte buffers (the byte order of every file format here).
inline u32 VortanReadLE32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

inline void VortanWriteLE32(u8* p, u32 v)
{
    p[0] = (u8)v;
    p[1] = (u8)(v >> 8);
    p[2] = (u8)(v >> 16);
    p[3] = (u8)(v >> 24);
}
