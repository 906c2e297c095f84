// Easing curves: the sixteen names, single-precision values, and the step fallback.
#include <gtest/gtest.h>
#include <string.h>

#include <memory>

#include "ui/anim/EasingCurveRegistry.h"

namespace {

u32 Bits(float v)
{
    u32 b;
    memcpy(&b, &v, 4);
    return b;
}

struct Expected {
    const char* name;
    u32 values[10];
};

// Computed with Python, rounding every intermediate result to single precision (struct pack
// and unpack), powers in double rounded once.
const float kTimes[] = {0.0f,         0.100000001f, 0.25f, 0.300000012f, 0.5f,
                        0.699999988f, 0.899999976f, 1.0f,  -0.5f,        1.5f};
const Expected kExpected[] = {
    {"zero",
     {0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u,
      0x00000000u, 0x00000000u, 0x00000000u}},
    {"one",
     {0x3F800000u, 0x3F800000u, 0x3F800000u, 0x3F800000u, 0x3F800000u, 0x3F800000u, 0x3F800000u,
      0x3F800000u, 0x3F800000u, 0x3F800000u}},
    {"linear",
     {0x00000000u, 0x3DCCCCCDu, 0x3E800000u, 0x3E99999Au, 0x3F000000u, 0x3F333333u, 0x3F666666u,
      0x3F800000u, 0xBF000000u, 0x3FC00000u}},
    {"step",
     {0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u, 0x3F800000u, 0x3F800000u, 0x3F800000u,
      0x3F800000u, 0x00000000u, 0x3F800000u}},
    {"smoothstep",
     {0x00000000u, 0x3CE56042u, 0x3E200000u, 0x3E5D2F1Cu, 0x3F000000u, 0x3F48B439u, 0x3F78D4FDu,
      0x3F800000u, 0x3F800000u, 0x00000000u}},
    {"smoothstep_out",
     {0x3F800000u, 0x3F78D4FEu, 0x3F580000u, 0x3F48B439u, 0x3F000000u, 0x3E5D2F1Cu, 0x3CE56060u,
      0x00000000u, 0x00000000u, 0x3F800000u}},
    {"pow2",
     {0x00000000u, 0x3C23D70Bu, 0x3D800000u, 0x3DB851ECu, 0x3E800000u, 0x3EFAE147u, 0x3F4F5C28u,
      0x3F800000u, 0x3E800000u, 0x40100000u}},
    {"pow3",
     {0x00000000u, 0x3A83126Fu, 0x3C800000u, 0x3CDD2F1Cu, 0x3E000000u, 0x3EAF9DB2u, 0x3F3A9FBDu,
      0x3F800000u, 0xBE000000u, 0x40580000u}},
    {"pow4",
     {0x00000000u, 0x38D1B719u, 0x3B800000u, 0x3C04B5DDu, 0x3D800000u, 0x3E75DCC5u, 0x3F27F62Au,
      0x3F800000u, 0x3D800000u, 0x40A20000u}},
    {"one_minus_pow4",
     {0x3F800000u, 0x3F7FF972u, 0x3F7F0000u, 0x3F7DED29u, 0x3F700000u, 0x3F4288CFu, 0x3EB013ACu,
      0x00000000u, 0x3F700000u, 0xC0820000u}},
    {"one_minus_pow5",
     {0x3F800000u, 0x3F7FFF58u, 0x3F7FC000u, 0x3F7F60BFu, 0x3F780000u, 0x3F54F95Eu, 0x3ED1AB4Eu,
      0x00000000u, 0x3F840000u, 0xC0D30000u}},
    {"pow8",
     {0x00000000u, 0x322BCC7Au, 0x37800000u, 0x3889981Au, 0x3B800000u, 0x3D6C204Fu, 0x3EDC662Fu,
      0x3F800000u, 0x3B800000u, 0x41CD0800u}},
    {"one_minus_pow8",
     {0x3F800000u, 0x3F800000u, 0x3F7FFF00u, 0x3F7FFBB3u, 0x3F7F0000u, 0x3F713DFBu, 0x3F11CCE8u,
      0x00000000u, 0x3F7F0000u, 0xC1C50800u}},
    {"one_minus_invert_pow4",
     {0x00000000u, 0x3EB013ACu, 0x3F2F0000u, 0x3F4288CFu, 0x3F700000u, 0x3F7DED29u, 0x3F7FF972u,
      0x3F800000u, 0xC0820000u, 0x3F700000u}},
    {"expo_inout",
     {0xB7449BC0u, 0x3ABE76C8u, 0x3C77CED9u, 0x3CFBE76Fu, 0x3F001062u, 0x3F781FBEu, 0x3F7FA0B4u,
      0x3F800060u, 0xBA02F26Fu, 0x3F80105Eu}},
};

std::unique_ptr<IEasingCurve> Make(const CEasingCurveRegistry& registry, const char* name)
{
    return std::unique_ptr<IEasingCurve>(registry.Create(CVortanString(name)));
}

// Ulps between two floats of the same sign.
long Ulps(float a, float b)
{
    long d = (long)Bits(a) - (long)Bits(b);
    return d < 0 ? -d : d;
}

} // namespace

TEST(Easing, EveryNamedCurveGivesItsSinglePrecisionValues)
{
    CEasingCurveRegistry registry;
    ASSERT_EQ(registry.RegisterDefaults(), VORTAN_OK);
    EXPECT_EQ(registry.GetCount(), 16);
    for (const Expected& e : kExpected) {
        std::unique_ptr<IEasingCurve> curve = Make(registry, e.name);
        ASSERT_TRUE(curve) << e.name;
        EXPECT_TRUE(curve->IsValid());
        std::unique_ptr<IEasingCurve> copy(curve->Clone());
        for (int i = 0; i < 10; ++i) {
            float v = curve->Evaluate(kTimes[i]);
            float expected;
            memcpy(&expected, &e.values[i], 4);
            if (strcmp(e.name, "expo_inout") == 0) // the C library's powf may differ by an ulp
                EXPECT_LE(Ulps(v, expected), 1) << e.name << " at " << kTimes[i];
            else
                EXPECT_EQ(Bits(v), e.values[i]) << e.name << " at " << kTimes[i];
            EXPECT_EQ(Bits(copy->Evaluate(kTimes[i])), Bits(v));
        }
    }
}

TEST(Easing, ExpoInOutFollowsItsFormulaAtTheMiddleAndOvershootsSlightly)
{
    CEasingCurveRegistry registry;
    registry.RegisterDefaults();
    std::unique_ptr<IEasingCurve> expo = Make(registry, "expo_inout");
    EXPECT_EQ(expo->Evaluate(0.5f), 0.50025f); // 0.50025 * (2 - 2^0)
    EXPECT_LT(expo->Evaluate(0.0f), 0.0f);
    EXPECT_GT(expo->Evaluate(0.0f), -0.00002f);
    EXPECT_GT(expo->Evaluate(1.0f), 1.0f);
    EXPECT_LT(expo->Evaluate(1.0f), 1.00002f);
}

TEST(Easing, UnknownEmptyNoneAndMiscasedNamesGiveAStep)
{
    CEasingCurveRegistry registry;
    registry.RegisterDefaults();
    EXPECT_GE(registry.Find(CHashString(L"none")), 0);
    for (const char* name : {"none", "", "Linear", "bounce", "linear "}) {
        std::unique_ptr<IEasingCurve> curve = Make(registry, name);
        ASSERT_TRUE(curve) << name;
        EXPECT_EQ(curve->Evaluate(0.49f), 0.0f) << name;
        EXPECT_EQ(curve->Evaluate(0.5f), 1.0f) << name;
        EXPECT_EQ(curve->Evaluate(0.3f), 0.0f) << name; // not linear
    }
    CEasingCurveRegistry empty;
    EXPECT_EQ(Make(empty, "linear")->Evaluate(0.7f), 1.0f);
}

namespace {
struct Refused : IEasingCurve {
    float Evaluate(float t) const override { return t; }
    bool IsValid() const override { return false; }
    IEasingCurve* Clone() const override { return new Refused(); }
    static IEasingCurve* Create(int, const float*) { return new Refused(); }
};
} // namespace

TEST(Easing, TheFirstRegistrationWinsAndValidationRefusesInvalidCurves)
{
    CEasingCurveRegistry registry;
    EXPECT_EQ(registry.Insert(CHashString(L"curve"), CEasingCurvePow2::Create), 1);
    EXPECT_EQ(registry.Insert(CHashString(L"curve"), CEasingCurveOne::Create), 0);
    EXPECT_EQ(Make(registry, "curve")->Evaluate(0.5f), 0.25f);
    registry.RegisterDefaults();
    EXPECT_EQ(registry.Insert(CHashString(L"linear"), CEasingCurveZero::Create), 0);
    EXPECT_EQ(Make(registry, "linear")->Evaluate(0.3f), 0.3f);
    EXPECT_EQ(registry.Find(CHashString(L"absent")), -1);

    registry.Insert(CHashString(L"refused"), Refused::Create);
    std::unique_ptr<IEasingCurve> kept(registry.Create(CVortanString("refused"), 0));
    EXPECT_EQ(kept->Evaluate(0.3f), 0.3f);
    std::unique_ptr<IEasingCurve> step(registry.Create(CVortanString("refused"), 1));
    EXPECT_EQ(step->Evaluate(0.3f), 0.0f);
}
