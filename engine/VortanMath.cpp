#include "engine/VortanMath.h"

#include <math.h>

int VortanAbs(int value)
{
    // The most negative int has no positive counterpart; it is returned unchanged.
    return value < 0 ? (int)(0u - (unsigned)value) : value;
}

float VortanFabs(float value)
{
    return fabsf(value);
}

float VortanSqrt(float value)
{
    if (!(value >= 0.0f))
        return sqrtf(value);
    return __builtin_sqrtf(value);
}

float VortanPow(float base, float exponent)
{
    return powf(base, exponent);
}

float VortanSin(float radians)
{
    return sinf(radians);
}

float VortanCos(float radians)
{
    return cosf(radians);
}

float VortanTan(float radians)
{
    return tanf(radians);
}

float VortanAtan(float value)
{
    return atanf(value);
}

int IsPowerOfTwo(unsigned int value)
{
    return (value != 0 && (value & (value - 1)) == 0) ? 1 : 0;
}

namespace {

// Partition with the first element as pivot; returns the pivot's final index.
int Partition(void* context, void* context2, int first, int last, VortanSortCompare compare,
              VortanSortSwap swap)
{
    const int pivot = first;
    int i = first;
    int j = last;
    while (i < j) {
        while (i < last && compare(context, i, pivot) >= 0)
            ++i;
        while (j > first && compare(context, j, pivot) < 0)
            --j;
        if (i < j)
            swap(context, context2, i, j);
    }
    if (j != pivot)
        swap(context, context2, pivot, j);
    return j;
}

} // namespace

void QuickSort(void* context, void* context2, int first, int last, VortanSortCompare compare,
               VortanSortSwap swap)
{
    if (!compare || !swap)
        return;
    // Recurse into the smaller part and loop on the larger one, so that the stack stays
    // shallow on sorted input.
    while (last > first) {
        int p = Partition(context, context2, first, last, compare, swap);
        if (p - first < last - p) {
            QuickSort(context, context2, first, p - 1, compare, swap);
            first = p + 1;
        } else {
            QuickSort(context, context2, p + 1, last, compare, swap);
            last = p - 1;
        }
    }
}
