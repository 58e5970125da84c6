#include "vornsdk/math.h"

#include <algorithm>
#include <numbers>

namespace VORNSDK {

Matrix4d Matrix4d::rotation_x(double a)
{
    Matrix4d r;
    double const c = std::cos(a), s = std::sin(a);
    r(1, 1) = c;
    r(1, 2) = -s;
    r(2, 1) = s;
    r(2, 2) = c;
    return r;
}

Matrix4d Matrix4d::rotation_y(double a)
{
    Matrix4d r;
    double const c = std::cos(a), s = std::sin(a);
    r(0, 0) = c;
    r(0, 2) = s;
    r(2, 0) = -s;
    r(2, 2) = c;
    return r;
}

Matrix4d Matrix4d::rotation_z(double a)
{
    Matrix4d r;
    double const c = std::cos(a), s = std::sin(a);
    r(0, 0) = c;
    r(0, 1) = -s;
    r(1, 0) = s;
    r(1, 1) = c;
    return r;
}

Matrix4d Matrix4d::rotation_axis(Vector3d const& axis, double angle)
{
    Vector3d const u = unit(axis);
    double const c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    Matrix4d r;
    r(0, 0) = t * u.x * u.x + c;
    r(0, 1) = t * u.x * u.y - s * u.z;
    r(0, 2) = t * u.x * u.z + s * u.y;
    r(1, 0) = t * u.x * u.y + s * u.z;
    r(1, 1) = t * u.y * u.y + c;
    r(1, 2) = t * u.y * u.z - s * u.x;
    r(2, 0) = t * u.x * u.z - s * u.y;
    r(2, 1) = t * u.y * u.z + s * u.x;
    r(2, 2) = t * u.z * u.z + c;
    return r;
}

bool invert(Matrix4d const& a, Matrix4d& out)
{
    double const* m = a.m;
    double inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    double const det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0 || !std::isfinite(det))
        return false;
    for (int i = 0; i < 16; ++i)
        out.m[i] = inv[i] / det;
    return true;
}

Matrix4d inverse(Matrix4d const& a)
{
    Matrix4d r;
    invert(a, r);
    return r;
}

Matrix4d rotation_xyz(Vector3d const& angles)
{
    return Matrix4d::rotation_z(angles.z) * Matrix4d::rotation_y(angles.y) * Matrix4d::rotation_x(angles.x);
}

namespace {

// The two Euler angle sets of a rotation matrix (identical in gimbal lock).
void euler_candidates(Matrix4d const& r, Vector3d& first, Vector3d& second)
{
    double const sy = std::clamp(-r(2, 0), -1.0, 1.0);
    double const ay = std::asin(sy);
    if (std::abs(std::cos(ay)) > 1e-9) {
        first = {std::atan2(r(2, 1), r(2, 2)), ay, std::atan2(r(1, 0), r(0, 0))};
        second = {std::atan2(-r(2, 1), -r(2, 2)), std::numbers::pi - ay, std::atan2(-r(1, 0), -r(0, 0))};
    } else {
        first = {std::atan2(-r(1, 2), r(1, 1)), ay, 0.0};
        second = first;
    }
}

double nearest_turn(double angle, double target)
{
    constexpr double kTurn = 2 * std::numbers::pi;
    return angle + kTurn * std::round((target - angle) / kTurn);
}

Vector3d nearest_turns(Vector3d a, Vector3d const& target)
{
    for (int i = 0; i < 3; ++i)
        a[i] = nearest_turn(a[i], target[i]);
    return a;
}

} // namespace

Vector3d find_best_xyz_rotation(Matrix4d const& m, Vector3d const& previous)
{
    Vector3d a, b;
    euler_candidates(m, a, b);
    a = nearest_turns(a, previous);
    b = nearest_turns(b, previous);
    return length(a - previous) <= length(b - previous) ? a : b;
}

void decompose_matrix_xyz(Matrix4d const& m, Vector3d& translation, Vector3d& rotation, Vector3d& scale)
{
    translation = m.translation_part();
    Vector3d cols[3];
    for (int c = 0; c < 3; ++c)
        cols[c] = {m(0, c), m(1, c), m(2, c)};
    scale = {length(cols[0]), length(cols[1]), length(cols[2])};
    if (dot(cross(cols[0], cols[1]), cols[2]) < 0)
        scale.x = -scale.x;
    Matrix4d r;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            r(row, c) = scale[c] != 0 ? cols[c][row] / scale[c] : (row == c ? 1.0 : 0.0);
    rotation = find_best_xyz_rotation(r, Vector3d{});
}

} // namespace VORNSDK
