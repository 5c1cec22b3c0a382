// The layer's arithmetic: 3- and 4-vectors, and 4 x 4 matrices read and
// written as (row, column) while stored column by column, as OpenGL keeps
// them. All in single precision, summed in the order Mesa sums, so that the
// layer's results round as the desktop's do.
#pragma once

#include <array>
#include <cmath>

namespace ffp {

constexpr double kPi = 3.14159265358979323846;

using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

// A 4 x 4 matrix: m[column * 4 + row] holds the element at (row, column).
struct Mat4 {
    std::array<float, 16> m;

    // The element at (row, column).
    float& operator()(int row, int column)
    {
        return m[column * 4 + row];
    }
    float operator()(int row, int column) const
    {
        return m[column * 4 + row];
    }
    // This matrix times v: a point (w 1) or a direction (w 0) carried through it.
    Vec4 apply(const Vec4& v) const
    {
        const Mat4& a = *this;
        Vec4 out;
        for (int row = 0; row < 4; ++row)
            out[row] = a(row, 0) * v[0] + a(row, 1) * v[1] + a(row, 2) * v[2] + a(row, 3) * v[3];
        return out;
    }
};

// A 3 x 3 matrix, m[row * 3 + column] at (row, column).
struct Mat3 {
    std::array<float, 9> m;

    // The element at (row, column).
    float operator()(int row, int column) const
    {
        return m[row * 3 + column];
    }
    // This matrix times v.
    Vec3 apply(const Vec3& v) const
    {
        const Mat3& n = *this;
        return {n(0, 0) * v[0] + n(0, 1) * v[1] + n(0, 2) * v[2],
                n(1, 0) * v[0] + n(1, 1) * v[1] + n(1, 2) * v[2],
                n(2, 0) * v[0] + n(2, 1) * v[1] + n(2, 2) * v[2]};
    }
};

constexpr Mat4 kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// The product a * b.
inline Mat4 product(const Mat4& a, const Mat4& b)
{
    Mat4 p{};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            p(row, col) = a(row, 0) * b(0, col) + a(row, 1) * b(1, col) + a(row, 2) * b(2, col) +
                          a(row, 3) * b(3, col);
    return p;
}

// The inverse transpose of m's upper 3 x 3, which carries normals to eye
// space (not renormalised afterwards, as with GL_NORMALIZE off); the
// identity when that 3 x 3 is singular, as in Mesa, which then carries
// normals through unchanged. Worked out in double, then rounded.
inline Mat3 inverseTranspose(const Mat4& m)
{
    const double a = m(0, 0), b = m(0, 1), c = m(0, 2);
    const double d = m(1, 0), e = m(1, 1), f = m(1, 2);
    const double g = m(2, 0), h = m(2, 1), i = m(2, 2);
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0)
        return {{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    const double s = 1.0 / det;
    // (M^-1)^T is the cofactor matrix divided by the determinant.
    return {{float((e * i - f * h) * s), float((f * g - d * i) * s), float((d * h - e * g) * s),
             float((c * h - b * i) * s), float((a * i - c * g) * s), float((b * g - a * h) * s),
             float((b * f - c * e) * s), float((c * d - a * f) * s), float((a * e - b * d) * s)}};
}

// The x, y and z of a 4-vector.
inline Vec3 xyz(const Vec4& v)
{
    return {v[0], v[1], v[2]};
}

// a + b.
inline Vec3 plus(const Vec3& a, const Vec3& b)
{
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

// a - b.
inline Vec3 minus(const Vec3& a, const Vec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// a . b.
inline float dot(const Vec3& a, const Vec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// a x b, right-handed.
inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// v scaled to unit length; a zero vector stays zero.
inline Vec3 normalise(const Vec3& v)
{
    const float length = std::sqrt(dot(v, v));
    if (length == 0.0f)
        return v;
    return {v[0] / length, v[1] / length, v[2] / length};
}

} // namespace ffp
