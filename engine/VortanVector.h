// CVortanVector2, CVortanVector3: float vectors, copied by value. The default constructors
// leave the components unset.
#pragma once

class CVortanVector2 {
public:
    CVortanVector2() {}
    CVortanVector2(float ax, float ay) : x(ax), y(ay) {}
    CVortanVector2(const CVortanVector2& o) : x(o.x), y(o.y) {}
    ~CVortanVector2() {}

    static CVortanVector2* Create();

    void Set(float ax, float ay)
    {
        x = ax;
        y = ay;
    }
    CVortanVector2& operator=(const CVortanVector2& o)
    {
        x = o.x;
        y = o.y;
        return *this;
    }
    CVortanVector2& operator+=(const CVortanVector2& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    CVortanVector2& operator-=(const CVortanVector2& o)
    {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    CVortanVector2& operator*=(float s)
    {
        x *= s;
        y *= s;
        return *this;
    }
    // Multiplies by 1 / s (no check for s = 0).
    CVortanVector2& operator/=(float s);
    void Scale(float s)
    {
        x *= s;
        y *= s;
    }
    void SetDifference(const CVortanVector2& a, const CVortanVector2& b);

    float LengthSquared() const { return x * x + y * y; }
    float Length() const;
    // Divides by the length and returns the old length. A vector of length 0 is left
    // unchanged and 0 is returned (no NaN).
    float Normalize();
    // Scales to length l and returns the old length; a vector of length 0 is left unchanged
    // and 0 is returned.
    float SetLength(float l);
    // x' = x cos a - y sin a, y' = x sin a + y cos a.
    void Rotate(float radians);
    // When y is 0 it is set to 1e-5 in this vector first. a = atan(x / y); a - pi when y > 0,
    // else a.
    float GetAngle();
    // 0 when |x| > |y|, else 1.
    int GetDominantAxis() const;
    // 1 when both componentwise differences are below epsilon in absolute value.
    int EqualsWithin(const CVortanVector2& o, float epsilon) const;

    float x, y;
};

class CVortanVector3 {
public:
    CVortanVector3() {}
    CVortanVector3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
    CVortanVector3(const CVortanVector3& o) : x(o.x), y(o.y), z(o.z) {}
    ~CVortanVector3() {}

    static CVortanVector3* Create();

    void Set(float ax, float ay, float az)
    {
        x = ax;
        y = ay;
        z = az;
    }
    CVortanVector3& operator=(const CVortanVector3& o)
    {
        x = o.x;
        y = o.y;
        z = o.z;
        return *this;
    }
    // Copies three floats; a null pointer gives (0, 0, 0).
    void SetFrom(const float* v);
    void SetFrom(const CVortanVector3* v);
    void SetDifference(const CVortanVector3& a, const CVortanVector3& b);

    float Dot(const CVortanVector3& o) const { return x * o.x + y * o.y + z * o.z; }
    float Length() const;
    // this = a x b (a or b may be this vector).
    void Cross(const CVortanVector3& a, const CVortanVector3& b);
    // A length within +-0.0001 leaves the vector unchanged; returns the length.
    float Normalize();
    // The same guard; otherwise scales to length l; returns the old length.
    float SetLength(float l);
    // 2 when |z| exceeds the larger of |x| and |y|; else 1 when |x| < |y|; else 0.
    int GetDominantAxis() const;
    int EqualsWithin(const CVortanVector3& o, float epsilon) const;

    float x, y, z;
};
