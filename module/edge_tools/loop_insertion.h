#pragma once

#include "edge_tools/edge_ring.h"

#include "vornsdk/mesh.h"

#include <optional>
#include <span>
#include <vector>

namespace tolvir {

// The fractions at which each ring edge is cut, ascending, each strictly between 0 and 1 and
// none twice: [t] for one slice; with mirror, t folded into the half nearer the first point and
// its mirror image (one cut when t is the middle); for n slices, n - 1 cuts dividing the edge into
// n equal parts. A cut at an end of the edge would coincide with an existing point, so t = 0 or 1
// gives no cut at all.
std::vector<double> loop_fractions(double t, int slices, bool mirror);

// Where the pointer cuts the hovered edge: the projection of p onto the edge, kept away from the
// ends by the stoppers (a fraction, else a distance) and pulled to the middle when snapping is on
// and it lies within 0.2 of it.
struct EdgeCut {
    VORNSDK::Vector3d point;
    double fraction = 0;
};
EdgeCut cut_on_edge(VORNSDK::Vector3d const& a, VORNSDK::Vector3d const& b, VORNSDK::Vector3d const& p, double stops,
                    double stops2, bool snap_center);

// A ring of edges together with the quads it crosses: quads[i] lies between edges[i] and
// edges[i + 1], each pair being opposite sides of it; a closed band has one more quad, between
// its last edge and its first.
struct LoopBand {
    EdgeRing edges;
    std::vector<VORNSDK::Index> quads;
    bool closed() const { return edges.size() > 1 && quads.size() == edges.size(); }
};

// The band of a ring built by build_ring: the quads between its neighbouring edges, each used
// once, and the closing quad when its last and first edges are opposite sides of a further one.
// The ring is cut short before the first pair of neighbours with no unused quad between them.
LoopBand band_of_ring(VORNSDK::MeshInterface const& mesh, EdgeRing const& ring);

// The bands that run through the selected quads, independent of the order of the selection and
// of where each polygon's vertex list starts. Quads are taken by ascending index; each one not yet
// in a band starts a band that runs straight on through neighbouring selected quads, across
// whichever pair of its opposite sides reaches more of them (ties: the pair of longer sides, then
// the pair holding the side with the lowest point indices). No two bands share a quad or an edge;
// a quad that could only start a band sharing an edge with an earlier one is left uncut. Each
// band is oriented so that, of the two ring sides of the quad that started it, the one with the
// lower point numbers runs from its lower-numbered point.
std::vector<LoopBand> bands_through_selection(VORNSDK::MeshInterface const& mesh);

// Inserts one loop per fraction across the band: every ring edge is split at the fractions (its
// new points also go into the polygons beyond the band that have it as a side), and every quad
// of the band is divided into slices joining the new points of its two ring edges. Fractions must
// be ascending and inside (0, 1). With absolute_length set, every edge is instead cut at the
// fraction times that length from its first point, kept inside the edge and in order.
//
// The first slice of a quad keeps the quad's index, the others are new polygons with its
// material and selection; per-corner values are interpolated along the split sides; the pieces
// of a hard or selected ring edge stay hard or selected. Answers false, changing nothing, when the
// band does not match the mesh (a missing edge, an edge with more than two polygons, a quad that
// is not a quad between its two ring edges, a quad used twice) or there is no fraction.
bool insert_loops(VORNSDK::MeshInterface& mesh, LoopBand const& band, std::span<double const> fractions,
                  std::optional<double> absolute_length = std::nullopt);

} // namespace tolvir
