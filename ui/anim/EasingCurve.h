// IEasingCurve and the built-in curves: stateless maps of normalised time to progress.
#pragma once

class IEasingCurve {
public:
    virtual ~IEasingCurve() {}
    // The curve's value at t; t is not clamped.
    virtual float Evaluate(float t) const = 0;
    virtual bool IsValid() const { return true; }
    // A new curve of the same class, owned by the caller (null when out of memory).
    virtual IEasingCurve* Clone() const = 0;
};

#define EASING_CURVE_CLASS(Class)                                                                  \
    class Class : public IEasingCurve {                                                            \
    public:                                                                                        \
        float Evaluate(float t) const override;                                                    \
        IEasingCurve* Clone() const override { return Create(0, nullptr); }                        \
        static IEasingCurve* Create(int paramCount, const float* params);                          \
    };

EASING_CURVE_CLASS(CEasingCurveZero)
EASING_CURVE_CLASS(CEasingCurveOne)
EASING_CURVE_CLASS(CEasingCurveLinear)
EASING_CURVE_CLASS(CEasingCurveStep)
EASING_CURVE_CLASS(CEasingCurveSmoothstep)
EASING_CURVE_CLASS(CEasingCurveSmoothstepOut)
EASING_CURVE_CLASS(CEasingCurvePow2)
EASING_CURVE_CLASS(CEasingCurvePow3)
EASING_CURVE_CLASS(CEasingCurvePow4)
EASING_CURVE_CLASS(CEasingCurveOneMinusPow4)
EASING_CURVE_CLASS(CEasingCurveOneMinusPow5)
EASING_CURVE_CLASS(CEasingCurvePow8)
EASING_CURVE_CLASS(CEasingCurveOneMinusPow8)
EASING_CURVE_CLASS(CEasingCurveOneMinusInvertPow4)
EASING_CURVE_CLASS(CEasingCurveExpoInOut)

#undef EASING_CURVE_CLASS
