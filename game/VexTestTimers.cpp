// Test seams: shorter battle timers for the two-copy runs (see the header).
#include "game/VexTestTimers.h"

#include <stdlib.h>

namespace {
float SecondsFrom(const char* name)
{
    const char* text = getenv(name);
    if (!text || !text[0])
        return 30.0f;
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    if (*end != '\0' || value < 5 || value > 30)
        return 30.0f;
    return (float)value;
}
} // namespace

float VexTurnLimitSeconds()
{
    return SecondsFrom("ORLO_TURN_SECONDS");
}

float VexUnackedHoldSeconds()
{
    return SecondsFrom("ORLO_UNACKED_HOLD_SECONDS");
}
