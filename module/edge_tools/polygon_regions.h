#pragma once

#include "vornsdk/mesh.h"

#include <optional>
#include <span>
#include <vector>

namespace tolvir {

// The polygons split into regions joined through shared sides (polygons that touch only at a
// point are in different regions). Regions come in the order of their first polygon in the list,
// and each keeps the list's order.
std::vector<std::vector<VORNSDK::Index>> edge_connected_regions(VORNSDK::MeshInterface const& mesh,
                                                                std::span<VORNSDK::Index const> polygons);

// The outline of a region as one closed cycle of points, each side walked the way the region's
// polygon runs along it, starting at the first outline point met walking the region's polygons in
// order. None when the outline is empty (a closed surface), splits into several loops (a region
// with a hole), or passes a point twice.
std::optional<std::vector<VORNSDK::Index>> region_outline_loop(VORNSDK::MeshInterface const& mesh,
                                                               std::span<VORNSDK::Index const> region);

} // namespace tolvir
