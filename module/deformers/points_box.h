#pragma once

#include "vornsdk/math.h"
#include "vornsdk/mesh.h"

#include <span>

namespace tolvir {

// The box of some points of a mesh: its minimum and maximum corners; both (0, 0, 0) for no points.
void points_box(VORNSDK::MeshInterface const& mesh, std::span<VORNSDK::Index const> points, VORNSDK::Vector3d& min,
                VORNSDK::Vector3d& max);

} // namespace tolvir
