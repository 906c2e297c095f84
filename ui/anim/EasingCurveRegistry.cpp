// CEasingCurveRegistry: the named curve factories and the step fallback.
#include "ui/anim/EasingCurveRegistry.h"

namespace {
// "none" names no curve: its factory refuses, so the registry gives a step.
IEasingCurve* CreateNone(int, const float*)
{
    return nullptr;
}
} // namespace

int CEasingCurveRegistry::RegisterDefaults()
{
    Insert(L"none", CreateNone);
    Insert(L"zero", CEasingCurveZero::Create);
    Insert(L"one", CEasingCurveOne::Create);
    Insert(L"linear", CEasingCurveLinear::Create);
    Insert(L"step", CEasingCurveStep::Create);
    Insert(L"smoothstep", CEasingCurveSmoothstep::Create);
    Insert(L"smoothstep_out", CEasingCurveSmoothstepOut::Create);
    Insert(L"pow2", CEasingCurvePow2::Create);
    Insert(L"pow3", CEasingCurvePow3::Create);
    Insert(L"pow4", CEasingCurvePow4::Create);
    Insert(L"one_minus_pow4", CEasingCurveOneMinusPow4::Create);
    Insert(L"one_minus_pow5", CEasingCurveOneMinusPow5::Create);
    Insert(L"pow8", CEasingCurvePow8::Create);
    Insert(L"one_minus_pow8", CEasingCurveOneMinusPow8::Create);
    Insert(L"one_minus_invert_pow4", CEasingCurveOneMinusInvertPow4::Create);
    Insert(L"expo_inout", CEasingCurveExpoInOut::Create);
    return VORTAN_OK;
}

int CEasingCurveRegistry::Insert(const CHashString& name, EasingCurveFactory factory)
{
    int rc = m_factories.Add(name, factory);
    return rc == VORTAN_OK ? 1 : 0;
}

int CEasingCurveRegistry::Find(const CHashString& name) const
{
    return m_factories.FindKey(name);
}

IEasingCurve* CEasingCurveRegistry::Create(const CVortanString& name, int validate, int paramCount,
                                           const float* params) const
{
    int i = m_factories.FindKey(CHashString(name));
    if (i >= 0) {
        EasingCurveFactory factory = m_factories.ElementAt(i).value;
        IEasingCurve* curve = factory ? factory(paramCount, params) : nullptr;
        if (curve) {
            if (!validate || curve->IsValid())
                return curve;
            delete curve;
        }
    }
    return CEasingCurveStep::Create(0, nullptr);
}
