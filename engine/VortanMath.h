// Thin wrappers over the single-precision maths functions, and a quicksort over callbacks.
#pragma once

#define VORTAN_PI 3.1415927f

int VortanAbs(int value);
float VortanFabs(float value);
// The processor's square root; a negative or NaN argument goes through the library's sqrtf
// so that the domain error is reported the library's way.
float VortanSqrt(float value);
float VortanPow(float base, float exponent);
float VortanSin(float radians);
float VortanCos(float radians);
float VortanTan(float radians);
float VortanAtan(float value);
// 1 for a non-zero power of two, else 0.
int IsPowerOfTwo(unsigned int value);

// Sorts the index range [first, last] of a container the function never sees.
// compare (context, i, j) compares elements i and j; swap (context, context2, i, j) exchanges
// them. Elements that compare >= 0 against the pivot end before it, so a compare of a - b
// sorts in descending order.
typedef int (*VortanSortCompare)(void* context, int i, int j);
typedef void (*VortanSortSwap)(void* context, void* context2, int i, int j);
void QuickSort(void* context, void* context2, int first, int last, VortanSortCompare compare,
               VortanSortSwap swap);
