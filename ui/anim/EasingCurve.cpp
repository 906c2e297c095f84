// The built-in easing curves, each in single precision.
#include "ui/anim/EasingCurve.h"

#include <math.h>

#include <new>

#define EASING_CURVE_BODY(Class, expression)                                                       \
    float Class::Evaluate(float t) const                                                           \
    {                                                                                              \
        return expression;                                                                         \
    }                                                                                              \
    IEasingCurve* Class::Create(int, const float*)                                                 \
    {                                                                                              \
        return new (std::nothrow) Class();                                                         \
    }

EASING_CURVE_BODY(CEasingCurveZero, ((void)t, 0.0f))
EASING_CURVE_BODY(CEasingCurveOne, ((void)t, 1.0f))
EASING_CURVE_BODY(CEasingCurveLinear, t)
EASING_CURVE_BODY(CEasingCurveStep, t < 0.5f ? 0.0f : 1.0f)
EASING_CURVE_BODY(CEasingCurveSmoothstep, t* t*(3.0f - 2.0f * t))
EASING_CURVE_BODY(CEasingCurveSmoothstepOut, 1.0f + t * t * (2.0f * t - 3.0f))
EASING_CURVE_BODY(CEasingCurvePow2, t* t)
EASING_CURVE_BODY(CEasingCurvePow3, t* t* t)
EASING_CURVE_BODY(CEasingCurvePow4, (t * t) * (t * t))
EASING_CURVE_BODY(CEasingCurveOneMinusPow4, 1.0f - (t * t) * (t * t))
EASING_CURVE_BODY(CEasingCurveOneMinusPow5, 1.0f - ((t * t) * (t * t)) * t)
EASING_CURVE_BODY(CEasingCurvePow8, ((t * t) * (t * t)) * ((t * t) * (t * t)))
EASING_CURVE_BODY(CEasingCurveOneMinusPow8, 1.0f - ((t * t) * (t * t)) * ((t * t) * (t * t)))
EASING_CURVE_BODY(CEasingCurveOneMinusInvertPow4,
                  1.0f - ((1.0f - t) * (1.0f - t)) * ((1.0f - t) * (1.0f - t)))

float CEasingCurveExpoInOut::Evaluate(float t) const
{
    float u = 2.0f * t;
    if (u < 1.0f)
        return 0.5f * powf(2.0f, 10.0f * (u - 1.0f)) - 0.0005f;
    return 0.50025f * (2.0f - powf(2.0f, -10.0f * (u - 1.0f)));
}

IEasingCurve* CEasingCurveExpoInOut::Create(int, const float*)
{
    return new (std::nothrow) CEasingCurveExpoInOut();
}

// This file's macros end here (the build may compile it together with others).
#undef EASING_CURVE_BODY
