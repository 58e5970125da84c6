#pragma once

#include "vornsdk/math.h"
#include "vornsdk/viewport.h"

#include <optional>

namespace tolvir {

// The view ray through a viewport pixel: from the world point at depth 0 towards the one at
// depth 1 (the direction is not normalised).
struct ViewRay {
    VORNSDK::Vector3d origin, direction;
};
ViewRay view_ray(VORNSDK::ViewportInterface const& view, double x, double y);

// The normal of the plane lines are drawn on: the world axis along which the view through the
// viewport's centre pixel runs most steeply (x before y before z on a tie). The plane passes
// through the world origin.
VORNSDK::Vector3d drawing_plane_normal(VORNSDK::ViewportInterface const& view);

// Where the view ray through a pixel meets the drawing plane; nothing when it runs along it.
std::optional<VORNSDK::Vector3d> on_drawing_plane(VORNSDK::ViewportInterface const& view, double x, double y);

// The point a line through p is seen from: where the view ray that passes through p starts.
VORNSDK::Vector3d seen_from(VORNSDK::ViewportInterface const& view, VORNSDK::Vector3d const& p);

} // namespace tolvir
