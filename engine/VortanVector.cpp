#include "engine/VortanVector.h"

#include <new>

#include "engine/VortanMath.h"

// ---- CVortanVector2 ----

CVortanVector2* CVortanVector2::Create()
{
    return new (std::nothrow) CVortanVector2();
}

CVortanVector2& CVortanVector2::operator/=(float s)
{
    float inv = 1.0f / s;
    x *= inv;
    y *= inv;
    return *this;
}

void CVortanVector2::SetDifference(const CVortanVector2& a, const CVortanVector2& b)
{
    x = a.x - b.x;
    y = a.y - b.y;
}

float CVortanVector2::Length() const
{
    return VortanSqrt(x * x + y * y);
}

float CVortanVector2::Normalize()
{
    float length = Length();
    if (length == 0.0f)
        return 0.0f;
    x /= length;
    y /= length;
    return length;
}

float CVortanVector2::SetLength(float l)
{
    float length = Length();
    if (length == 0.0f)
        return 0.0f;
    float f = l / length;
    x *= f;
    y *= f;
    return length;
}

void CVortanVector2::Rotate(float radians)
{
    float c = VortanCos(radians);
    float s = VortanSin(radians);
    float nx = x * c - y * s;
    float ny = x * s + y * c;
    x = nx;
    y = ny;
}

float CVortanVector2::GetAngle()
{
    if (y == 0.0f)
        y = 1e-5f;
    float a = VortanAtan(x / y);
    if (y > 0.0f)
        return a - VORTAN_PI;
    return a;
}

int CVortanVector2::GetDominantAxis() const
{
    return VortanFabs(x) > VortanFabs(y) ? 0 : 1;
}

int CVortanVector2::EqualsWithin(const CVortanVector2& o, float epsilon) const
{
    return (VortanFabs(x - o.x) < epsilon && VortanFabs(y - o.y) < epsilon) ? 1 : 0;
}

// ---- CVortanVector3 ----

CVortanVector3* CVortanVector3::Create()
{
    return new (std::nothrow) CVortanVector3();
}

void CVortanVector3::SetFrom(const float* v)
{
    if (!v) {
        x = y = z = 0.0f;
        return;
    }
    x = v[0];
    y = v[1];
    z = v[2];
}

void CVortanVector3::SetFrom(const CVortanVector3* v)
{
    if (!v) {
        x = y = z = 0.0f;
        return;
    }
    x = v->x;
    y = v->y;
    z = v->z;
}

void CVortanVector3::SetDifference(const CVortanVector3& a, const CVortanVector3& b)
{
    x = a.x - b.x;
    y = a.y - b.y;
    z = a.z - b.z;
}

float CVortanVector3::Length() const
{
    return VortanSqrt(x * x + y * y + z * z);
}

void CVortanVector3::Cross(const CVortanVector3& a, const CVortanVector3& b)
{
    float cx = a.y * b.z - a.z * b.y;
    float cy = a.z * b.x - a.x * b.z;
    float cz = a.x * b.y - a.y * b.x;
    x = cx;
    y = cy;
    z = cz;
}

float CVortanVector3::Normalize()
{
    float length = Length();
    if (length >= -0.0001f && length <= 0.0001f)
        return length;
    x /= length;
    y /= length;
    z /= length;
    return length;
}

float CVortanVector3::SetLength(float l)
{
    float length = Length();
    if (length >= -0.0001f && length <= 0.0001f)
        return length;
    float f = l / length;
    x *= f;
    y *= f;
    z *= f;
    return length;
}

int CVortanVector3::GetDominantAxis() const
{
    float ax = VortanFabs(x);
    float ay = VortanFabs(y);
    float az = VortanFabs(z);
    float larger = ax > ay ? ax : ay;
    if (az > larger)
        return 2;
    if (ax < ay)
        return 1;
    return 0;
}

int CVortanVector3::EqualsWithin(const CVortanVector3& o, float epsilon) const
{
    return (VortanFabs(x - o.x) < epsilon && VortanFabs(y - o.y) < epsilon &&
            VortanFabs(z - o.z) < epsilon)
               ? 1
               : 0;
}
