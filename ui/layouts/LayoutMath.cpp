// Aspect fitting and the float-to-int clamp of the layouts.
#include "ui/layouts/LayoutMath.h"

#include <limits.h>
#include <math.h>

int LayoutClampToInt(float value)
{
    if (value != value)
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return (int)value;
}

// a + b, limited to the int range.
static int ClampSum(int a, int b)
{
    long long sum = (long long)a + (long long)b;
    return sum > INT_MAX ? INT_MAX : (sum < INT_MIN ? INT_MIN : (int)sum);
}

bool FitRectToAspect(CVortanRect& rect, float aspect, float position)
{
    int w = rect.GetWidth(), h = rect.GetHeight();
    if (w <= 0 || h <= 0 || !(aspect > 0.0f) || !isfinite(aspect))
        return false;
    if (((float)w / (float)h) / aspect <= 1.0f) {
        int n = LayoutClampToInt(roundf((float)w / aspect));
        rect.top =
            ClampSum(rect.top, LayoutClampToInt(floorf(0.5f + ((float)h - (float)n) * position)));
        rect.bottom = ClampSum(rect.top, n);
    } else {
        int n = LayoutClampToInt(roundf(aspect * (float)h));
        rect.left =
            ClampSum(rect.left, LayoutClampToInt(floorf(0.5f + ((float)w - (float)n) * position)));
        rect.right = ClampSum(rect.left, n);
    }
    return true;
}
