// Random numbers of the engine application (the C library's generator).
#include <stdlib.h>

#include "engine/VortanTimer.h"
#include "engine/platform/VortanApplication.h"

void IVortanApplication::SeedRandom()
{
    CVortanTimer timer;
    srand(timer.GetTimeMs());
}

void IVortanApplication::SeedRandomValue(unsigned int seed)
{
    srand(seed);
}

int IVortanApplication::RandomInt(int min, int max)
{
    // An empty or inverted range has nothing to choose from but min.
    i64 range = (i64)max - (i64)min + 1;
    if (range <= 0)
        return min;
    return (int)((i64)rand() % range + (i64)min);
}

float IVortanApplication::RandomFloat(float min, float max)
{
    return min + (max - min) * (float)rand() * (1.0f / 2147483648.0f);
}

double IVortanApplication::RandomDouble(double min, double max)
{
    return min + (max - min) * (double)rand() / 2147483647.0;
}
