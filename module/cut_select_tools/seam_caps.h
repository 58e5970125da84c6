#pragma once

#include "vornsdk/mesh.h"

#include <cstddef>
#include <span>

namespace tolvir {

// Closes the openings of a surface cut open along the given points, which lie in the plane across
// normal: every loop of them joined by border sides (sides of one polygon only) gets a polygon that
// runs the other way round from the polygons along it, and takes the material of the polygon along
// its first side. A loop inside another one that runs the other way (the inside of a ring-shaped
// cross-section) is the edge of a hole: the loop around it is joined to it by a band of quads, or
// of triangles when the two have different numbers of points, instead of both getting a cap. A
// loop around more than one hole is left open with its holes. Open chains, loops of more than
// 65535 points and loops that already outline a polygon get none. Answers the number of polygons
// made; other polygons and points stay as they were.
std::size_t cap_loops(VORNSDK::MeshInterface& mesh, std::span<VORNSDK::Index const> points,
                      VORNSDK::Vector3d const& normal);

} // namespace tolvir
