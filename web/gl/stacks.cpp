#include "web/gl/stacks.h"

#include <cmath>

namespace ffp {

// Only the modelview's changes reach the normal matrix.
void MatrixStacks::changed()
{
    if (selected_ == Stack::Modelview)
        normalMatrixStale_ = true;
}

void MatrixStacks::select(Stack stack)
{
    selected_ = stack;
}

void MatrixStacks::loadIdentity()
{
    selected().back() = kIdentity;
    changed();
}

bool MatrixStacks::push()
{
    if (static_cast<int>(selected().size()) >= kDepth)
        return false;
    selected().push_back(selected().back());
    return true;
}

bool MatrixStacks::pop()
{
    if (selected().size() <= 1)
        return false;
    selected().pop_back();
    changed();
    return true;
}

void MatrixStacks::multiply(const Mat4& m)
{
    selected().back() = product(selected().back(), m);
    changed();
}

// The top times a translation, which leaves the upper 3 x 3 (and so the
// normal matrix) as it was.
void MatrixStacks::translate(float x, float y, float z)
{
    Mat4& m = selected().back();
    for (int row = 0; row < 4; ++row)
        m(row, 3) = m(row, 0) * x + m(row, 1) * y + m(row, 2) * z + m(row, 3);
}

// The top times a rotation about an axis through the origin, counter-clockwise
// seen from the axis's tip. Rotations about a coordinate axis are built
// exactly, as Mesa builds them.
void MatrixStacks::rotate(float degrees, float x, float y, float z)
{
    // The angle in radians rounded to a float, and its sine and cosine in float, as Mesa's.
    const float radians = static_cast<float>(degrees * kPi / 180.0);
    const float s = std::sin(radians), c = std::cos(radians);
    Mat4 r = kIdentity;
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        const float sz = z < 0.0f ? -s : s;
        r(0, 0) = c, r(1, 1) = c, r(0, 1) = -sz, r(1, 0) = sz;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        const float sy = y < 0.0f ? -s : s;
        r(0, 0) = c, r(2, 2) = c, r(0, 2) = sy, r(2, 0) = -sy;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        const float sx = x < 0.0f ? -s : s;
        r(1, 1) = c, r(2, 2) = c, r(1, 2) = -sx, r(2, 1) = sx;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;
        x /= length, y /= length, z /= length;
        // The products of the axis's parts first, then times 1 - c, as Mesa rounds them.
        const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        const float k = 1.0f - c;
        r(0, 0) = k * xx + c, r(0, 1) = k * xy - z * s, r(0, 2) = k * zx + y * s;
        r(1, 0) = k * xy + z * s, r(1, 1) = k * yy + c, r(1, 2) = k * yz - x * s;
        r(2, 0) = k * zx - y * s, r(2, 1) = k * yz + x * s, r(2, 2) = k * zz + c;
    }
    multiply(r);
}

// The top times a scale along each axis.
void MatrixStacks::scale(float x, float y, float z)
{
    Mat4& m = selected().back();
    for (int row = 0; row < 4; ++row)
        m(row, 0) *= x, m(row, 1) *= y, m(row, 2) *= z;
    changed();
}

// The top times a symmetric frustum: fovy is the full vertical angle, aspect
// width / height.
void MatrixStacks::perspective(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double radians = fovyDegrees / 2 * kPi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = std::cos(radians) / sine;
    Mat4 m{};
    m(0, 0) = static_cast<float>(cotangent / aspect);
    m(1, 1) = static_cast<float>(cotangent);
    m(2, 2) = static_cast<float>(-(zFar + zNear) / deltaZ);
    m(3, 2) = -1.0f;
    m(2, 3) = static_cast<float>(-2 * zNear * zFar / deltaZ);
    multiply(m);
}

// The top times the view from an eye towards a centre, built in single
// precision like GLU's: side = forward x up, then up again as side x forward.
void MatrixStacks::lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                          double centreZ, double upX, double upY, double upZ)
{
    const Vec3 forward =
        normalise({float(centreX - eyeX), float(centreY - eyeY), float(centreZ - eyeZ)});
    const Vec3 side = normalise(cross(forward, {float(upX), float(upY), float(upZ)}));
    const Vec3 up = cross(side, forward);
    Mat4 m = kIdentity;
    for (int k = 0; k < 3; ++k)
        m(0, k) = side[k], m(1, k) = up[k], m(2, k) = -forward[k];
    multiply(m);
    translate(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

const Mat4& MatrixStacks::top(Stack stack) const
{
    return (stack == Stack::Modelview ? modelview_ : projection_).back();
}

const Mat3& MatrixStacks::normalMatrix()
{
    if (normalMatrixStale_) {
        normalMatrix_ = inverseTranspose(modelview_.back());
        normalMatrixStale_ = false;
    }
    return normalMatrix_;
}

} // namespace ffp
