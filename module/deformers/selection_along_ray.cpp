#include "deformers/selection_along_ray.h"

#include "framework/selection.h"

#include <algorithm>

namespace tolvir {

using namespace VORNSDK;

std::optional<SelectionAlongRay> selection_along_ray(ViewportInterface const& view, Matrix4d const& to_mesh,
                                                     MeshInterface const& mesh, int mode, double x, double y)
{
    SelectionAlongRay seen;
    seen.origin = transform_point(to_mesh, view.unproject({x, y, 0.0}));
    seen.direction = unit(transform_point(to_mesh, view.unproject({x, y, 0.99})) - seen.origin);
    std::vector<Index> const points = selection_points(mesh, mode);
    if (points.empty() || seen.direction == Vector3d{})
        return std::nullopt;
    seen.positions.resize(points.size());
    mesh.point_positions(points, seen.positions);
    seen.front = seen.back = dot(seen.positions.front() - seen.origin, seen.direction);
    for (Vector3d const& p : seen.positions) {
        double const along = dot(p - seen.origin, seen.direction);
        seen.front = std::min(seen.front, along);
        seen.back = std::max(seen.back, along);
    }
    return seen;
}

} // namespace tolvir
