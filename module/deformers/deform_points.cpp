#include "deformers/deform_points.h"

#include <algorithm>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

void deform_points(MeshInterface& mesh, std::span<Index const> points,
                   std::function<void(std::span<Vector3d>)> const& deform)
{
    if (points.empty())
        return;
    std::vector<Vector3d> positions(points.size());
    mesh.point_positions(points, positions);
    deform(positions);
    mesh.set_point_positions(points, positions);
}

void points_box(MeshInterface const& mesh, std::span<Index const> points, Vector3d& min, Vector3d& max)
{
    min = max = Vector3d{};
    if (points.empty())
        return;
    min = max = mesh.point_position(points.front());
    for (Index p : points) {
        Vector3d const q = mesh.point_position(p);
        for (int k = 0; k < 3; ++k) {
            min[k] = std::min(min[k], q[k]);
            max[k] = std::max(max[k], q[k]);
        }
    }
}

} // namespace tolvir
