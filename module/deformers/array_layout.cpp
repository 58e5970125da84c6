#include "deformers/array_layout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tolvir {

using namespace VORNSDK;

Vector3d linear_step(Vector3i const& number, Vector3d const& distance, Vector3d const& size, int use)
{
    Vector3d const count{double(std::max(number.x, 1)), double(std::max(number.y, 1)), double(std::max(number.z, 1))};
    switch (use) {
    case kDistanceGap: return size + distance;
    case kDistanceOffset: return distance;
    case kDistanceTotal: return {distance.x / count.x, distance.y / count.y, distance.z / count.z};
    case kDistanceBetween:
        return {(distance.x - size.x) / count.x, (distance.y - size.y) / count.y, (distance.z - size.z) / count.z};
    default: return {};
    }
}

std::vector<Vector3d> linear_offsets(Vector3i const& number, Vector3d const& step, bool mesh_repeats)
{
    auto const count = [&](int n) { return mesh_repeats ? std::max(n, 1) : n == 0 ? 1 : std::max(n, 0); };
    int const nx = count(number.x), ny = count(number.y), nz = count(number.z);
    std::vector<Vector3d> out;
    if (nx * ny * nz > 1)
        out.reserve(static_cast<std::size_t>(nx * ny * nz - 1));
    auto const cell = [&](int i, int j, int k) {
        if (i != 0 || j != 0 || k != 0)
            out.push_back({i * step.x, j * step.y, k * step.z});
    };
    if (mesh_repeats) {
        for (int i = 0; i < nx; ++i)
            for (int j = 0; j < ny; ++j)
                for (int k = 0; k < nz; ++k)
                    cell(i, j, k);
    } else {
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i)
                    cell(i, j, k);
    }
    return out;
}

RadialLayout radial_layout(int count, double angle, double rise, int axis, Vector3d const& origin)
{
    RadialLayout layout;
    layout.count = std::max(count, 2);
    constexpr double kTurn = 2 * std::numbers::pi;
    bool const full_turn = std::abs(angle - kTurn) < kTurn * 0.005555555555555556;
    layout.angle_step = angle / (full_turn ? layout.count : layout.count - 1);
    layout.rise_step = rise / layout.count;
    layout.axis = std::clamp(axis, 0, 2);
    layout.origin = origin;
    return layout;
}

Matrix4d radial_transform(RadialLayout const& layout, int i)
{
    double const a = i * layout.angle_step;
    Vector3d angles, lift;
    angles[layout.axis] = a;
    lift[layout.axis] = i * layout.rise_step;
    return Matrix4d::translation(layout.origin + lift) * rotation_xyz(angles) * Matrix4d::translation(-layout.origin);
}

} // namespace tolvir
