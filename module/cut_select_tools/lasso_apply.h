#pragma once

#include "vornsdk/component.h"
#include "vornsdk/math.h"

#include <span>

namespace tolvir {

// What a lasso takes and how.
struct LassoOptions {
    // Kinds of item taken in item mode.
    bool meshes = true, cameras = false, lights = false;
    // Deselect instead of select.
    bool deselect = false;
    // Edges and polygons count only with all their points inside, rather than with one.
    bool exclusive = true;
};

// Selects (or deselects) what the outline encloses in the viewport, by the current selection mode:
// in item mode the items whose bounding-box centres project inside, in point, edge and polygon
// mode the elements of the first selected item's mesh whose points project inside, through the
// host's list selection commands ("SelectPoints", "DeselectEdges", ...), each point projected and
// tested once. Points and items behind the eye are never taken; with the application's
// "SelectionOcclusion" on, neither are points whose normals face away from the view.
// An empty outline, a viewport that is none, an empty selection or a selected item without a
// mesh change nothing. Answers whether it ran a selection change.
bool lasso_apply(std::span<VORNSDK::Vector3d const> outline, VORNSDK::Component const& viewport,
                 LassoOptions const& options);

} // namespace tolvir
