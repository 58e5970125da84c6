#include "cut_select_tools/drawing_plane.h"

#include <cmath>

namespace tolvir {

using namespace VORNSDK;

ViewRay view_ray(ViewportInterface const& view, double x, double y)
{
    Vector3d const near = view.unproject({x, y, 0.0}), far = view.unproject({x, y, 1.0});
    return {near, far - near};
}

Vector3d drawing_plane_normal(ViewportInterface const& view)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    view.rect(left, top, right, bottom);
    ViewRay const centre = view_ray(view, 0.5 * (left + right), 0.5 * (top + bottom));
    Vector3d const d = unit(centre.direction);
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::abs(d[k]) > std::abs(d[axis]))
            axis = k;
    Vector3d normal;
    normal[axis] = 1;
    return normal;
}

std::optional<Vector3d> on_drawing_plane(ViewportInterface const& view, double x, double y)
{
    Vector3d const n = drawing_plane_normal(view);
    ViewRay const ray = view_ray(view, x, y);
    double const along = dot(ray.direction, n);
    if (along == 0)
        return std::nullopt;
    Vector3d const p = ray.origin + ray.direction * (-dot(ray.origin, n) / along);
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
        return std::nullopt;
    return p;
}

Vector3d seen_from(ViewportInterface const& view, Vector3d const& p)
{
    Vector3d const screen = view.project(p);
    return view.unproject({screen.x, screen.y, 0.0});
}

} // namespace tolvir
