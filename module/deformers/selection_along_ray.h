#pragma once

#include "vornsdk/math.h"
#include "vornsdk/mesh.h"
#include "vornsdk/viewport.h"

#include <optional>
#include <vector>

namespace tolvir {

// A mesh's selected points seen along the view ray through a pixel, all in the mesh's
// coordinates: the ray (a unit direction), the points' positions and how far along the ray the
// nearest and the farthest of them lie.
struct SelectionAlongRay {
    VORNSDK::Vector3d origin, direction;
    std::vector<VORNSDK::Vector3d> positions;
    double front = 0, back = 0;
};

// Nothing when the selection (by selection mode) is empty or the pixel makes no ray.
std::optional<SelectionAlongRay> selection_along_ray(VORNSDK::ViewportInterface const& view,
                                                     VORNSDK::Matrix4d const& to_mesh,
                                                     VORNSDK::MeshInterface const& mesh, int mode, double x,
                                                     double y);

} // namespace tolvir
