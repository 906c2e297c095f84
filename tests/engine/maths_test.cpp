// Vectors, the 4 x 4 matrix, the maths wrappers and the callback quicksort.
#include <limits.h>
#include <math.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/VortanMath.h"
#include "engine/VortanMatrix.h"
#include "engine/VortanVector.h"

namespace {

const double kPi = 3.14159265358979323846;

void ExpectVec(const CVortanVector3& v, double x, double y, double z, double eps = 1e-6)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectMatrixNear(const CVortanMatrix& a, const CVortanMatrix& b, double eps = 1e-6)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
}

bool AllFinite(const CVortanMatrix& m)
{
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m.m[i]))
            return false;
    return true;
}

} // namespace

// ---- 2D vector ----

TEST(Vector2, ZeroLengthNormalizeAndSetLengthLeaveTheVectorAndReturnZero)
{
    CVortanVector2 v(0.0f, 0.0f);
    EXPECT_EQ(v.Normalize(), 0.0f);
    EXPECT_EQ(v.SetLength(5.0f), 0.0f);
    EXPECT_TRUE(v.x == 0.0f && v.y == 0.0f);
    // Components so small that the squared length underflows to 0: still no NaN.
    CVortanVector2 tiny(1e-30f, -1e-30f);
    EXPECT_EQ(tiny.Normalize(), 0.0f);
    EXPECT_EQ(tiny.SetLength(2.0f), 0.0f);
    EXPECT_TRUE(tiny.x == 1e-30f && tiny.y == -1e-30f);
    // Otherwise both return the old length.
    CVortanVector2 w(3.0f, 4.0f);
    EXPECT_FLOAT_EQ(w.SetLength(10.0f), 5.0f);
    EXPECT_FLOAT_EQ(w.x, 6.0f);
    EXPECT_FLOAT_EQ(w.y, 8.0f);
    EXPECT_FLOAT_EQ(w.Normalize(), 10.0f);
    EXPECT_FLOAT_EQ(w.y, 0.8f);
}

TEST(Vector2, GetAngleSetsAZeroYInPlace)
{
    CVortanVector2 v(1.0f, 0.0f);
    float a = v.GetAngle();
    EXPECT_EQ(v.y, 1e-5f);
    EXPECT_NEAR(a, atan(100000.0) - kPi, 1e-6);
    // y < 0: atan(x / y) as it is; y > 0: minus pi.
    CVortanVector2 up(0.0f, 2.0f);
    EXPECT_NEAR(up.GetAngle(), -kPi, 1e-6);
    CVortanVector2 diagDown(1.0f, -1.0f);
    EXPECT_NEAR(diagDown.GetAngle(), -kPi / 4, 1e-6);
    EXPECT_EQ(diagDown.y, -1.0f);
}

TEST(Vector2, RotateDominantAxisAndEquality)
{
    CVortanVector2 v(1.0f, 0.0f);
    v.Rotate((float)(kPi / 2));
    EXPECT_NEAR(v.x, 0.0, 1e-6);
    EXPECT_NEAR(v.y, 1.0, 1e-6);
    EXPECT_EQ(CVortanVector2(-3.0f, 1.0f).GetDominantAxis(), 0);
    EXPECT_EQ(CVortanVector2(1.0f, 1.0f).GetDominantAxis(), 1); // a tie goes to y
    CVortanVector2 a(1.0f, 1.0f), b(1.25f, 1.0f);
    EXPECT_EQ(a.EqualsWithin(b, 0.5f), 1);
    EXPECT_EQ(a.EqualsWithin(b, 0.25f), 0); // the difference must be below epsilon
}

TEST(Vector3, NormalizeGuardsNearZeroLengthsCrossDotSetFromAndDominantAxis)
{
    CVortanVector3 small(0.00005f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(small.Normalize(), 0.00005f);
    EXPECT_FLOAT_EQ(small.SetLength(1.0f), 0.00005f);
    EXPECT_EQ(small.x, 0.00005f);
    CVortanVector3 w(2.0f, 3.0f, 6.0f);
    EXPECT_FLOAT_EQ(w.SetLength(14.0f), 7.0f);
    ExpectVec(w, 4, 6, 12, 1e-5);
    CVortanVector3 a(1, 2, 3), b(4, 5, 6), c;
    c.Cross(a, b);
    ExpectVec(c, -3, 6, -3, 0);
    EXPECT_EQ(a.Dot(b), 32.0f);
    // Cross into one of its own operands.
    a.Cross(a, b);
    ExpectVec(a, -3, 6, -3, 0);
    CVortanVector3 s(7, 7, 7);
    s.SetFrom((const float*)nullptr);
    ExpectVec(s, 0, 0, 0, 0);
    EXPECT_EQ(CVortanVector3(1, 1, 1).GetDominantAxis(), 0);
    EXPECT_EQ(CVortanVector3(1, 2, 2).GetDominantAxis(), 1);
    EXPECT_EQ(CVortanVector3(1, -2, -3).GetDominantAxis(), 2);
    EXPECT_EQ(CVortanVector3(1, 2, 3).EqualsWithin(CVortanVector3(1, 2, 3.5f), 0.2f), 0);
}

// ---- matrix ----

TEST(Matrix, AxisRotationsTurnTheAxesTheRightWay)
{
    // A quarter turn about z takes x to y, about x takes y to z, about y takes z to x.
    CVortanMatrix m[3];
    m[0].SetRotationZ((float)(kPi / 2));
    m[1].SetRotationX((float)(kPi / 2));
    m[2].SetRotationY((float)(kPi / 2));
    for (int k = 0; k < 3; ++k) {
        CVortanVector3 v(k == 0, k == 1, k == 2);
        m[k].TransformDirection(v);
        ExpectVec(v, k == 2, k == 0, k == 1);
        // Pure rotations: no translation, last row (0, 0, 0, 1).
        EXPECT_TRUE(m[k].m[3] == 0 && m[k].m[7] == 0 && m[k].m[11] == 0 && m[k].m[15] == 1) << k;
    }
}

TEST(Matrix, AxisAngleAgreesWithTheAxisRotationsAndRodrigues)
{
    CVortanMatrix a, b;
    for (float angle : {0.3f, -1.2f, 2.5f}) {
        a.SetRotationAxisAngle(CVortanVector3(1, 0, 0), angle);
        b.SetRotationX(angle);
        ExpectMatrixNear(a, b);
        a.SetRotationAxisAngle(CVortanVector3(0, 0, 1), angle);
        b.SetRotationZ(angle);
        ExpectMatrixNear(a, b);
    }
    // A general axis: compare with Rodrigues' formula applied directly to a vector.
    CVortanVector3 axis(1, 2, 2);
    axis.Normalize();
    const double angle = 0.7;
    a.SetRotationAxisAngle(axis, (float)angle);
    const double k[3] = {axis.x, axis.y, axis.z};
    const double p[3] = {0.5, -1.0, 2.0};
    const double kxp[3] = {k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2],
                           k[0] * p[1] - k[1] * p[0]};
    const double kdp = k[0] * p[0] + k[1] * p[1] + k[2] * p[2];
    double expect[3];
    for (int i = 0; i < 3; ++i)
        expect[i] = p[i] * cos(angle) + kxp[i] * sin(angle) + k[i] * kdp * (1 - cos(angle));
    CVortanVector3 v((float)p[0], (float)p[1], (float)p[2]);
    a.TransformDirection(v);
    ExpectVec(v, expect[0], expect[1], expect[2], 1e-5);
}

TEST(Matrix, EulerAppliesZThenYThenX)
{
    const float ax = 0.4f, ay = -0.9f, az = 1.3f;
    CVortanMatrix e, rx, ry, rz;
    e.SetRotationEuler(ax, ay, az);
    rx.SetRotationX(ax);
    ry.SetRotationY(ay);
    rz.SetRotationZ(az);
    CVortanVector3 v(0.3f, -2.0f, 1.1f), w = v;
    e.TransformDirection(v);
    rz.TransformDirection(w);
    ry.TransformDirection(w);
    rx.TransformDirection(w);
    ExpectVec(v, w.x, w.y, w.z, 1e-5);
}

TEST(Matrix, MultiplyComposesAndMayWriteIntoAnOperand)
{
    CVortanMatrix t, r, tr, check;
    t.SetIdentity();
    t.m[3] = 1;
    t.m[7] = 2;
    t.m[11] = 3; // translation lives in 3, 7, 11
    r.SetRotationZ(0.5f);
    tr.Multiply(t, r); // rotate, then translate
    CVortanVector3 p(1, 1, 0);
    tr.TransformPoint(p);
    ExpectVec(p, cos(0.5) - sin(0.5) + 1, sin(0.5) + cos(0.5) + 2, 3, 1e-6);
    check.Copy(t);
    check.Multiply(check, r);
    ExpectMatrixNear(check, tr, 0);
    check.Copy(r);
    check.Multiply(t, check);
    ExpectMatrixNear(check, tr, 0);
}

TEST(Matrix, MultiplyRotationKeepsOwnTranslationAndLastRow)
{
    CVortanMatrix a, b, out;
    a.SetRotationX(0.3f);
    a.m[3] = 9; // must not leak into the result
    b.SetRotationY(0.8f);
    for (int i = 0; i < 16; ++i)
        out.m[i] = 100.0f + i;
    out.MultiplyRotation(a, b);
    CVortanMatrix full;
    CVortanMatrix a0 = a;
    a0.m[3] = 0;
    full.Multiply(a0, b);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            EXPECT_FLOAT_EQ(out.m[row * 4 + col], full.m[row * 4 + col]);
    for (int i : {3, 7, 11, 12, 13, 14, 15})
        EXPECT_EQ(out.m[i], 100.0f + i);
}

TEST(Matrix, RigidInverseUndoesTheTransform)
{
    CVortanMatrix e, inv, prod, id;
    e.SetRotationEuler(0.2f, 1.1f, -0.7f);
    e.m[3] = -4;
    e.m[7] = 0.5f;
    e.m[11] = 8;
    inv.Copy(e);
    inv.GetRigidInverse();
    prod.Multiply(inv, e);
    id.SetIdentity();
    ExpectMatrixNear(prod, id, 1e-6);
    CVortanVector3 p(1.5f, -2.5f, 3.25f), q = p;
    e.TransformPoint(q);
    e.InverseTransformPoint(q);
    ExpectVec(q, p.x, p.y, p.z, 1e-5);
    CVortanVector3 d(0.3f, 0.4f, -1.0f), dd = d;
    e.TransformDirection(dd);
    e.InverseTransformDirection(dd);
    ExpectVec(dd, d.x, d.y, d.z, 1e-6);
}

TEST(Matrix, LookAtPutsRightUpForwardInTheColumns)
{
    CVortanMatrix m;
    m.SetLookAt(CVortanVector3(1, 2, 3), CVortanVector3(1, 2, 10));
    // forward (0, 0, 1), right (f.z, 0, -f.x) = (1, 0, 0), up = f x r = (0, 1, 0).
    const float expect[16] = {1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.m[i], expect[i], 1e-6) << i;
    // Looking straight up: no right axis can be found; the matrix stays finite.
    m.SetLookAt(CVortanVector3(0, 0, 0), CVortanVector3(0, 5, 0));
    EXPECT_TRUE(AllFinite(m));
}

TEST(Matrix, PerspectiveIsTheGLFrustum)
{
    // Written from the usual GL perspective: f = 1 / tan(fov / 2), stored for GL.
    const double fov = 1.0, aspect = 800.0 / 480.0, zn = 0.5, zf = 100.0;
    CVortanMatrix m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = 42.0f;
    m.SetPerspective((float)fov, (float)aspect, (float)zn, (float)zf);
    const double f = 1.0 / tan(fov / 2);
    for (int i = 0; i < 16; ++i) {
        double expect = 0;
        switch (i) {
        case 0:
            expect = f / aspect;
            break;
        case 5:
            expect = f;
            break;
        case 10:
            expect = (zf + zn) / (zn - zf);
            break;
        case 11:
            expect = -1;
            break;
        case 14:
            expect = 2 * zf * zn / (zn - zf);
            break;
        }
        EXPECT_NEAR(m.m[i], expect, 1e-5 * (1 + fabs(expect))) << i;
    }
}

// ---- wrappers ----

TEST(MathWrappers, PowersOfTwoAbsAndSqrt)
{
    EXPECT_EQ(IsPowerOfTwo(0), 0);
    EXPECT_EQ(IsPowerOfTwo(6), 0);
    EXPECT_EQ(IsPowerOfTwo(0x80000000u), 1);
    EXPECT_EQ(VortanAbs(INT_MIN), INT_MIN); // no overflow trap
    EXPECT_TRUE(std::isnan(VortanSqrt(-1.0f)));
}

// ---- quicksort ----

namespace {

struct SortData {
    std::vector<int> values;
    int swaps = 0;
    int selfSwaps = 0;
};

int CompareDiff(void* ctx, int i, int j)
{
    SortData* d = static_cast<SortData*>(ctx);
    return d->values[i] - d->values[j];
}

int CompareOrder(void* ctx, int i, int j)
{
    SortData* d = static_cast<SortData*>(ctx);
    return (d->values[i] > d->values[j]) - (d->values[i] < d->values[j]);
}

void SwapValues(void* ctx, void* ctx2, int i, int j)
{
    SortData* d = static_cast<SortData*>(ctx);
    EXPECT_EQ(ctx2, (void*)&d->swaps);
    if (i == j)
        ++d->selfSwaps;
    std::swap(d->values[i], d->values[j]);
    ++d->swaps;
}

void Sort(SortData& d, int first, int last, VortanSortCompare cmp = CompareDiff)
{
    QuickSort(&d, &d.swaps, first, last, cmp, SwapValues);
}

} // namespace

TEST(QuickSort, RandomArraysMatchTheStandardSortAndTouchOnlyTheRange)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        int n = 2 + (int)(rng() % 200);
        int range = (round % 3 == 0) ? 5 : 100000; // many duplicates in every third round
        SortData d;
        for (int i = 0; i < n; ++i)
            d.values.push_back((int)(rng() % range) - range / 2);
        int first = (int)(rng() % n);
        int last = first + (int)(rng() % (n - first));
        std::vector<int> expect = d.values;
        std::sort(expect.begin() + first, expect.begin() + last + 1, std::greater<int>());
        Sort(d, first, last, (round & 1) ? CompareDiff : CompareOrder);
        ASSERT_EQ(d.values, expect) << "round " << round;
        EXPECT_EQ(d.selfSwaps, 0);
    }
}

TEST(QuickSort, SortedReversedEqualAndEmptyInput)
{
    // Ascending input is the worst case of a first-element pivot (one element split off per
    // pass); the result must still be right.
    const int n = 3000;
    SortData asc, desc, same;
    for (int i = 0; i < n; ++i) {
        asc.values.push_back(i);
        desc.values.push_back(n - i);
    }
    same.values.assign(n, 7);
    for (SortData* d : {&asc, &desc, &same})
        Sort(*d, 0, n - 1);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(asc.values[i], n - 1 - i);
        ASSERT_EQ(desc.values[i], n - i);
    }
    EXPECT_EQ(same.values, std::vector<int>(n, 7));
    EXPECT_EQ(same.selfSwaps, 0);
    SortData one;
    one.values = {5};
    Sort(one, 0, 0);
    Sort(one, 0, -1);
    EXPECT_EQ(one.swaps, 0);
}
