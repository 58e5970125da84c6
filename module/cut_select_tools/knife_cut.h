#pragma once

#include "cut_select_tools/knife_plane.h"

#include "vornsdk/mesh.h"

#include <cstddef>

namespace tolvir {

// What a cut does with the two sides of the knife plane beyond dividing the polygons.
enum class KnifeRemove { None = 0, SideA = 1, SideB = 2, Separate = 3 };

// A drawn line in the mesh's own coordinates: its start and end, and the point it is seen from.
struct KnifeLine {
    VORNSDK::Vector3d start, end, origin;
};

// What a cut changed.
struct KnifeCutResult {
    // Polygons the drawn line crosses from side to side, and of these the ones divided.
    std::size_t crossed = 0, divided = 0;
    // Polygons where the line ends inside.
    std::size_t end_hits = 0;
    // Polygons removed with side A or B, and polygons made to close the openings (caps, and the
    // polygons of bands from a loop to the hole inside it).
    std::size_t removed = 0, caps = 0;
    bool changed = false;
};

// Cuts the mesh along the plane through the line and its origin, where the line (as the origin
// sees it) crosses the polygons. Only the selected polygons are considered, or every polygon when
// none is selected.
//
// A polygon the line crosses is divided along the plane: one piece keeps its index, the others are
// new polygons with its material and selection; a polygon crossed more than twice (a concave one)
// is divided where the line reaches across it, between pairs of crossings within the line. The cut
// points on a side are shared by every polygon along that side, polygons the cut does not divide
// included (the line's ends, and the borders of the considered polygons), so the surface stays
// closed: no crack, no dangling point. A crossing at a point lying exactly on the plane, or within
// a billionth of the side's length or of the point's coordinates from it, uses that point instead
// of a new one, so no sliver is made. Per-corner values are mixed along the split sides, and the
// pieces of a hard or selected side stay so.
//
// With SideA or SideB, each connected part of that side that the cut separates from the other
// side is removed and the opening is capped; with Separate, such parts get their own copies of the
// cut points they share with the rest and both openings are capped (cap_loops: a loop and the hole
// inside it are joined by a band rather than capped, so a ring-shaped section keeps its hole). A part still
// joined to the other side (a line that stops inside the surface) is left cut as with None. When
// anything was removed or detached, every point that no polygon uses is removed. Points within a
// billionth of their coordinates' size from the plane count as on it, so a second cut along the
// first changes nothing.
//
// A line that crosses nothing changes nothing. Element indices other than those removed stay valid.
KnifeCutResult knife_cut(VORNSDK::MeshInterface& mesh, KnifeLine const& line, KnifeRemove remove);

} // namespace tolvir
