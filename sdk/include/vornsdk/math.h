#pragma once

#include "vornsdk/api.h"

#include <cfloat>
#include <cmath>

namespace VORNSDK {

// Lengths at or below this count as zero: such a vector normalises to the zero vector.
inline constexpr double kLengthEpsilon = DBL_EPSILON;

struct Vector3d {
    double x = 0, y = 0, z = 0;

    constexpr double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    constexpr double& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

    constexpr Vector3d& operator+=(Vector3d const& o) { x += o.x; y += o.y; z += o.z; return *this; }
    constexpr Vector3d& operator-=(Vector3d const& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    constexpr Vector3d& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }

    friend constexpr Vector3d operator+(Vector3d a, Vector3d const& b) { return a += b; }
    friend constexpr Vector3d operator-(Vector3d a, Vector3d const& b) { return a -= b; }
    friend constexpr Vector3d operator-(Vector3d const& a) { return {-a.x, -a.y, -a.z}; }
    friend constexpr Vector3d operator*(Vector3d a, double s) { return a *= s; }
    friend constexpr Vector3d operator*(double s, Vector3d a) { return a *= s; }
    friend constexpr Vector3d operator/(Vector3d const& a, double s) { return {a.x / s, a.y / s, a.z / s}; }
    friend constexpr bool operator==(Vector3d const&, Vector3d const&) = default;
};

struct Vector3i {
    int x = 0, y = 0, z = 0;
    constexpr int operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    friend constexpr bool operator==(Vector3i const&, Vector3i const&) = default;
};

struct Vector3f {
    float x = 0, y = 0, z = 0;
    friend constexpr bool operator==(Vector3f const&, Vector3f const&) = default;
};

struct Vector4f {
    float x = 0, y = 0, z = 0, w = 0;
    friend constexpr bool operator==(Vector4f const&, Vector4f const&) = default;
};

constexpr double dot(Vector3d const& a, Vector3d const& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

constexpr Vector3d cross(Vector3d const& a, Vector3d const& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double length(Vector3d const& v) { return std::sqrt(dot(v, v)); }

// Unit vector along v; the zero vector when |v| is at most kLengthEpsilon.
inline Vector3d unit(Vector3d const& v)
{
    double const len = length(v);
    return len <= kLengthEpsilon ? Vector3d{} : v / len;
}

// 4x4 matrix of doubles, row-major: element (r, c) is m[4 * r + c]; the translation of an affine
// matrix sits in elements 3, 7 and 11. Points are column vectors multiplied on the right.
struct Matrix4d {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    constexpr double operator()(int r, int c) const { return m[4 * r + c]; }
    constexpr double& operator()(int r, int c) { return m[4 * r + c]; }

    static constexpr Matrix4d identity() { return {}; }
    static constexpr Matrix4d translation(Vector3d const& t)
    {
        Matrix4d r;
        r.m[3] = t.x;
        r.m[7] = t.y;
        r.m[11] = t.z;
        return r;
    }
    static constexpr Matrix4d scaling(Vector3d const& s)
    {
        Matrix4d r;
        r.m[0] = s.x;
        r.m[5] = s.y;
        r.m[10] = s.z;
        return r;
    }
    static Matrix4d rotation_x(double angle);
    static Matrix4d rotation_y(double angle);
    static Matrix4d rotation_z(double angle);
    // Right-handed rotation by angle about the direction axis (normalised here).
    static Matrix4d rotation_axis(Vector3d const& axis, double angle);

    constexpr Vector3d translation_part() const { return {m[3], m[7], m[11]}; }

    friend constexpr Matrix4d operator*(Matrix4d const& a, Matrix4d const& b)
    {
        Matrix4d r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                double s = 0;
                for (int k = 0; k < 4; ++k)
                    s += a(i, k) * b(k, j);
                r(i, j) = s;
            }
        return r;
    }
    friend constexpr bool operator==(Matrix4d const&, Matrix4d const&) = default;
};

// M x (p, 1), divided by the resulting w when w is not 0.
constexpr Vector3d transform_point(Matrix4d const& a, Vector3d const& p)
{
    double x = a(0, 0) * p.x + a(0, 1) * p.y + a(0, 2) * p.z + a(0, 3);
    double y = a(1, 0) * p.x + a(1, 1) * p.y + a(1, 2) * p.z + a(1, 3);
    double z = a(2, 0) * p.x + a(2, 1) * p.y + a(2, 2) * p.z + a(2, 3);
    double const w = a(3, 0) * p.x + a(3, 1) * p.y + a(3, 2) * p.z + a(3, 3);
    if (w != 0) {
        x /= w;
        y /= w;
        z /= w;
    }
    return {x, y, z};
}

// M x (v, 0): a direction, translation ignored.
constexpr Vector3d transform_vector(Matrix4d const& a, Vector3d const& v)
{
    return {a(0, 0) * v.x + a(0, 1) * v.y + a(0, 2) * v.z, a(1, 0) * v.x + a(1, 1) * v.y + a(1, 2) * v.z,
            a(2, 0) * v.x + a(2, 1) * v.y + a(2, 2) * v.z};
}

constexpr Matrix4d transpose(Matrix4d const& a)
{
    Matrix4d r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r(i, j) = a(j, i);
    return r;
}

// Full 4x4 inverse. A singular matrix yields false and leaves out untouched.
VORNSDK_API bool invert(Matrix4d const& a, Matrix4d& out);
// The inverse, or the identity for a singular matrix.
VORNSDK_API Matrix4d inverse(Matrix4d const& a);

// Rotation from Euler angles in XYZ order: about x first, then y, then z (R = Rz * Ry * Rx).
VORNSDK_API Matrix4d rotation_xyz(Vector3d const& angles);

// Splits an affine matrix into translation, XYZ Euler rotation and per-axis scale, so that
// M = translation(t) * rotation_xyz(r) * scaling(s). A negative determinant flips the x scale.
VORNSDK_API void decompose_matrix_xyz(Matrix4d const& m, Vector3d& translation, Vector3d& rotation, Vector3d& scale);

// Euler XYZ angles of the pure rotation m, choosing among the equivalent angle sets (and their
// multiples of 2*pi) the one closest to previous, so that angles change continuously while dragging.
VORNSDK_API Vector3d find_best_xyz_rotation(Matrix4d const& m, Vector3d const& previous);

} // namespace VORNSDK
