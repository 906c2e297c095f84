// CEasingCurveRegistry: curve names to factories; creating a curve by name never fails.
#pragma once
#include "engine/HashString.h"
#include "engine/VortanMap.h"
#include "ui/anim/EasingCurve.h"

// Makes a curve from its parameters (the built-in ones read none); null refuses.
typedef IEasingCurve* (*EasingCurveFactory)(int paramCount, const float* params);

class CEasingCurveRegistry {
public:
    // Enters the sixteen built-in names. VORTAN_OK.
    int RegisterDefaults();
    // 1 for a new name; 0 when the name is present (the first factory stays).
    int Insert(const CHashString& name, EasingCurveFactory factory);
    // Index of the name, -1 when absent.
    int Find(const CHashString& name) const;
    // A new curve owned by the caller: the named one, or a step curve when the name is
    // unknown, its factory gives none, or validate is set and the curve is not valid. Null
    // only when out of memory.
    IEasingCurve* Create(const CVortanString& name, int validate = 0, int paramCount = 0,
                         const float* params = nullptr) const;
    int GetCount() const { return m_factories.GetSize(); }

private:
    CVortanMap<CHashString, EasingCurveFactory> m_factories;
};
