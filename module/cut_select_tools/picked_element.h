#pragma once

#include "vornsdk/mesh.h"
#include "vornsdk/picking.h"

namespace tolvir {

// The mesh element a pick points at, as the hover commands and Tweak read it.
struct PickedElement {
    enum Kind { kNone = -1, kPoint = 0, kEdge = 1, kPolygon = 2 };
    int kind = kNone;
    VORNSDK::Index point = VORNSDK::kNoIndex;
    VORNSDK::Index polygon = VORNSDK::kNoIndex;
    VORNSDK::VertexPair edge;
};

// The picked point when the hit lies closer to it than a quarter of the picked edge's length, else
// the picked edge when the hit lies along it from its first point (the cosine between the two
// directions above 0.95), else the picked polygon; kNone when none of them exists in the mesh.
// The hit is compared in the mesh's own coordinates (the pick's local hit), which its indices are.
PickedElement picked_element(VORNSDK::MeshInterface const& mesh, VORNSDK::PickRecord const& pick);

} // namespace tolvir
