#include "deformers/points_box.h"

#include <algorithm>

namespace tolvir {

using namespace VORNSDK;

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
