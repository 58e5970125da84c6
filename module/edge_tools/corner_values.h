#pragma once

#include "vornsdk/mesh.h"

#include <cstdint>
#include <span>

namespace tolvir {

// Where a corner of a rebuilt polygon takes its per-corner values from: corners k0 and k1 of the
// polygon it replaces, mixed by s (a corner kept from that polygon has k0 == k1).
struct CornerSource {
    VORNSDK::Index point;
    std::uint16_t k0, k1;
    double s;
};

// The points of the corners, in order.
VORNSDK::CompactIndexArray points_of(std::span<CornerSource const> corners);

// The properties of f, or nothing when the mesh has no per-corner maps (the material then stays
// with the polygon and its copies on its own).
VORNSDK::PolygonProperties properties_to_keep(VORNSDK::MeshInterface const& mesh, VORNSDK::Index f);

// Gives polygon f, rebuilt from corners, the material and per-corner values of the polygon it
// replaces (before, taken from it ahead of the rebuild), each value mixed along the old sides.
// Does nothing when before holds no per-corner values.
void set_interpolated_values(VORNSDK::MeshInterface& mesh, VORNSDK::Index f, std::span<CornerSource const> corners,
                             VORNSDK::PolygonProperties const& before);

} // namespace tolvir
