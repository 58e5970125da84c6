#pragma once

#include "vornsdk/mesh.h"

#include <cstddef>
#include <span>

namespace tolvir {

// Closes the openings of a surface cut open along the given points: every loop of them joined by
// border sides (sides of one polygon only) gets a polygon that runs the other way round from the
// polygons along it, and takes the material of the polygon along its first side. Open chains, loops
// of more than 65535 points and loops that already outline a polygon get none. Answers the number
// of caps made; other polygons and points stay as they were.
std::size_t cap_loops(VORNSDK::MeshInterface& mesh, std::span<VORNSDK::Index const> points);

} // namespace tolvir
