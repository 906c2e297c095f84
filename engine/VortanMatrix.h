// CVortanMatrix: 4 x 4 float matrix, element index = 4 x row + column.
//
// Transforms use column vectors: a point p maps to M.p, the translation is in elements 3, 7
// and 11, and element 15 is 1 for affine matrices. The perspective matrix is the exception:
// it is laid out for GL (-1 in element 11, the depth term in element 14) and handed to the
// GLES2 layer unchanged. The default constructor leaves the elements unset.
#pragma once
#include "engine/VortanVector.h"

class CVortanMatrix {
public:
    CVortanMatrix() {}

    float& operator[](int index) { return m[index]; }
    float operator[](int index) const { return m[index]; }
    const float* GetData() const { return m; }

    void SetIdentity();
    void Copy(const CVortanMatrix& other);
    // Diagonal sx, sy, sz, 1; every other element 0.
    void SetScale(float sx, float sy, float sz);
    void SetRotationX(float radians);
    void SetRotationY(float radians);
    void SetRotationZ(float radians);
    // Rotation by `radians` about a unit axis; no translation.
    void SetRotationAxisAngle(const CVortanVector3& axis, float radians);
    // Upper 3 x 3 = Rx(ax) . Ry(ay) . Rz(az); translation 0, last row (0, 0, 0, 1).
    void SetRotationEuler(float ax, float ay, float az);
    // Looks from eye towards target with the world's vertical axis implied; the translation
    // is the eye.
    void SetLookAt(const CVortanVector3& eye, const CVortanVector3& target);
    // GL-layout perspective projection.
    void SetPerspective(float fovY, float aspect, float zNear, float zFar);
    // this = a . b (a or b may be this matrix).
    void Multiply(const CVortanMatrix& a, const CVortanMatrix& b);
    // Upper 3 x 3 of this = that of a . b; this keeps its own translation and last row.
    void MultiplyRotation(const CVortanMatrix& a, const CVortanMatrix& b);
    // In place, for a rotation plus translation: R becomes its transpose and the translation
    // becomes -R^T.t; last row (0, 0, 0, 1).
    void GetRigidInverse();

    // v = R.v + t.
    void TransformPoint(CVortanVector3& v) const;
    // v = R.v.
    void TransformDirection(CVortanVector3& v) const;
    // v = R^T.(v - t).
    void InverseTransformPoint(CVortanVector3& v) const;
    // v = R^T.v.
    void InverseTransformDirection(CVortanVector3& v) const;

    float m[16];
};
