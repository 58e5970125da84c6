#pragma once

#include "vornsdk/math.h"
#include "vornsdk/mesh.h"

#include <functional>
#include <span>

namespace tolvir {

// Moves points of a mesh by a function over many positions at once: the positions are read in
// bulk, handed to deform, and written back in bulk (each recorded for undo).
void deform_points(VORNSDK::MeshInterface& mesh, std::span<VORNSDK::Index const> points,
                   std::function<void(std::span<VORNSDK::Vector3d>)> const& deform);

// The box of some points of a mesh: its minimum and maximum corners; both (0, 0, 0) for no points.
void points_box(VORNSDK::MeshInterface const& mesh, std::span<VORNSDK::Index const> points, VORNSDK::Vector3d& min,
                VORNSDK::Vector3d& max);

} // namespace tolvir
