#include "engine/VortanMatrix.h"

#include <string.h>

#include "engine/VortanMath.h"

void CVortanMatrix::SetIdentity()
{
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void CVortanMatrix::Copy(const CVortanMatrix& other)
{
    if (&other != this)
        memcpy(m, other.m, sizeof(m));
}

void CVortanMatrix::SetScale(float sx, float sy, float sz)
{
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = sx;
    m[5] = sy;
    m[10] = sz;
    m[15] = 1.0f;
}

void CVortanMatrix::SetRotationX(float radians)
{
    float c = VortanCos(radians);
    float s = VortanSin(radians);
    SetIdentity();
    m[5] = c;
    m[6] = -s;
    m[9] = s;
    m[10] = c;
}

void CVortanMatrix::SetRotationY(float radians)
{
    float c = VortanCos(radians);
    float s = VortanSin(radians);
    SetIdentity();
    m[0] = c;
    m[2] = s;
    m[8] = -s;
    m[10] = c;
}

void CVortanMatrix::SetRotationZ(float radians)
{
    float c = VortanCos(radians);
    float s = VortanSin(radians);
    SetIdentity();
    m[0] = c;
    m[1] = -s;
    m[4] = s;
    m[5] = c;
}

void CVortanMatrix::SetRotationAxisAngle(const CVortanVector3& axis, float radians)
{
    float c = VortanCos(radians);
    float s = VortanSin(radians);
    float t = 1.0f - c;
    float x = axis.x, y = axis.y, z = axis.z;
    m[0] = c + x * x * t;
    m[1] = t * x * y - s * z;
    m[2] = t * x * z + s * y;
    m[4] = t * x * y + s * z;
    m[5] = c + y * y * t;
    m[6] = t * y * z - s * x;
    m[8] = t * x * z - s * y;
    m[9] = t * y * z + s * x;
    m[10] = c + z * z * t;
    m[3] = m[7] = m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CVortanMatrix::SetRotationEuler(float ax, float ay, float az)
{
    CVortanMatrix rx, ry, rz, rxy;
    rx.SetRotationX(ax);
    ry.SetRotationY(ay);
    rz.SetRotationZ(az);
    rxy.Multiply(rx, ry);
    Multiply(rxy, rz);
    m[3] = m[7] = m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CVortanMatrix::SetLookAt(const CVortanVector3& eye, const CVortanVector3& target)
{
    CVortanVector3 f, r, u;
    f.SetDifference(target, eye);
    f.Normalize();
    r.Set(f.z, 0.0f, -f.x);
    r.Normalize();
    u.Cross(f, r);
    m[0] = r.x;
    m[4] = r.y;
    m[8] = r.z;
    m[1] = u.x;
    m[5] = u.y;
    m[9] = u.z;
    m[2] = f.x;
    m[6] = f.y;
    m[10] = f.z;
    m[3] = eye.x;
    m[7] = eye.y;
    m[11] = eye.z;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CVortanMatrix::SetPerspective(float fovY, float aspect, float zNear, float zFar)
{
    float top = VortanTan(fovY / 2.0f) * zNear;
    float right = top * aspect;
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = zNear / right;
    m[5] = zNear / top;
    m[10] = -(zFar + zNear) / (zFar - zNear);
    m[11] = -1.0f;
    m[14] = -2.0f * zFar * zNear / (zFar - zNear);
}

void CVortanMatrix::Multiply(const CVortanMatrix& a, const CVortanMatrix& b)
{
    float r[16];
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            r[row * 4 + col] = a.m[row * 4 + 0] * b.m[0 + col] + a.m[row * 4 + 1] * b.m[4 + col] +
                               a.m[row * 4 + 2] * b.m[8 + col] + a.m[row * 4 + 3] * b.m[12 + col];
        }
    }
    memcpy(m, r, sizeof(m));
}

void CVortanMatrix::MultiplyRotation(const CVortanMatrix& a, const CVortanMatrix& b)
{
    float r[9];
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            r[row * 3 + col] = a.m[row * 4 + 0] * b.m[0 + col] + a.m[row * 4 + 1] * b.m[4 + col] +
                               a.m[row * 4 + 2] * b.m[8 + col];
        }
    }
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            m[row * 4 + col] = r[row * 3 + col];
}

void CVortanMatrix::GetRigidInverse()
{
    float tx = m[3], ty = m[7], tz = m[11];
    float t;
    t = m[1];
    m[1] = m[4];
    m[4] = t;
    t = m[2];
    m[2] = m[8];
    m[8] = t;
    t = m[6];
    m[6] = m[9];
    m[9] = t;
    // The transposed rotation is now in place: new translation = -(R^T).t.
    m[3] = -(m[0] * tx + m[1] * ty + m[2] * tz);
    m[7] = -(m[4] * tx + m[5] * ty + m[6] * tz);
    m[11] = -(m[8] * tx + m[9] * ty + m[10] * tz);
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CVortanMatrix::TransformPoint(CVortanVector3& v) const
{
    float x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[1] * y + m[2] * z + m[3];
    v.y = m[4] * x + m[5] * y + m[6] * z + m[7];
    v.z = m[8] * x + m[9] * y + m[10] * z + m[11];
}

void CVortanMatrix::TransformDirection(CVortanVector3& v) const
{
    float x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[1] * y + m[2] * z;
    v.y = m[4] * x + m[5] * y + m[6] * z;
    v.z = m[8] * x + m[9] * y + m[10] * z;
}

void CVortanMatrix::InverseTransformPoint(CVortanVector3& v) const
{
    float x = v.x - m[3], y = v.y - m[7], z = v.z - m[11];
    v.x = m[0] * x + m[4] * y + m[8] * z;
    v.y = m[1] * x + m[5] * y + m[9] * z;
    v.z = m[2] * x + m[6] * y + m[10] * z;
}

void CVortanMatrix::InverseTransformDirection(CVortanVector3& v) const
{
    float x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[4] * y + m[8] * z;
    v.y = m[1] * x + m[5] * y + m[9] * z;
    v.z = m[2] * x + m[6] * y + m[10] * z;
}
