#pragma once

#include "edge_tools/edge_ring.h"

#include "vornsdk/mesh.h"

#include <optional>
#include <span>
#include <vector>

namespace tolvir {

// The fractions at which each ring edge is cut: [t] for one slice; with mirror, t folded into the
// half nearer the first point and its mirror image; for n slices, n - 1 cuts dividing the edge
// into n equal parts.
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

// Divides polygon f along the segment between its vertices u and w: f keeps the half that runs
// from u to w along its winding, and a new polygon modelled on f (and selected when f is) takes
// the other. Nothing happens when u and w are not both in f or are neighbours there. Answers f
// and the new polygon.
std::optional<std::pair<VORNSDK::Index, VORNSDK::Index>> split_polygon(VORNSDK::MeshInterface& mesh, VORNSDK::Index f,
                                                                       VORNSDK::Index u, VORNSDK::Index w);

// Inserts one loop per fraction across a ring of at least two edges: every ring edge is split at
// the fractions (the new points go into every polygon along the edge) and the new points are
// joined across the polygons between neighbouring ring edges, and between the last and the first
// where they share a polygon (a closed ring). With absolute_length set, every edge is instead cut
// at the fraction times that length from its first point, kept inside the edge.
void insert_loops(VORNSDK::MeshInterface& mesh, EdgeRing const& ring, std::span<double const> fractions,
                  std::optional<double> absolute_length = std::nullopt);

// The rings that run through the selected polygons, taken in selection order: a run of quads,
// each across the previous one's ring edge, makes one ring from the far side of its first quad to
// the far side of its last, so that the loop cuts those quads only; a quad not across the
// previous one starts a new run, and a quad standing alone is cut between its first and third
// sides.
std::vector<EdgeRing> rings_through_selection(VORNSDK::MeshInterface const& mesh);

} // namespace tolvir
