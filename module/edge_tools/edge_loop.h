#pragma once

#include "vornsdk/mesh.h"

#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace tolvir {

// Vertices joined end to end, each at most once; membership costs O(1).
class VertexLoop {
public:
    void push_front(VORNSDK::Index v);
    void push_back(VORNSDK::Index v);
    bool contains(VORNSDK::Index v) const { return members_.contains(v); }
    std::size_t size() const { return vertices_.size(); }
    VORNSDK::Index operator[](std::size_t i) const { return vertices_[i]; }
    VORNSDK::Index front() const { return vertices_.front(); }
    VORNSDK::Index back() const { return vertices_.back(); }
    auto begin() const { return vertices_.begin(); }
    auto end() const { return vertices_.end(); }

private:
    std::deque<VORNSDK::Index> vertices_;
    VORNSDK::VertexMarker members_;
};

// The edges between consecutive vertices of a loop, in loop order, each oriented along the loop.
using EdgeLoop = std::vector<VORNSDK::VertexPair>;

// The loop step from the edge (prev, cur): the vertex that continues the loop straight through
// cur, or nothing. Between two polygons it needs cur to have exactly four edges, each between
// two polygons, and leaves by the edge sharing no polygon with (prev, cur); along a border it
// follows the next border edge at cur.
std::optional<VORNSDK::Index> next_loop_vertex(VORNSDK::MeshInterface const& mesh, VORNSDK::Index prev,
                                               VORNSDK::Index cur);

// The loop through the vertices a and b: from b onwards at the back, from a backwards at the front.
VertexLoop build_vertex_loop(VORNSDK::MeshInterface const& mesh, VORNSDK::Index a, VORNSDK::Index b);

// The edges of the loop through e; a closed loop of n vertices gives n edges, an open one n - 1.
EdgeLoop build_edge_loop(VORNSDK::MeshInterface const& mesh, VORNSDK::VertexPair const& e);

// Of the candidates, the edge whose line (not segment) passes nearest the point; ties keep the
// earlier edge. Invalid when there are no candidates.
VORNSDK::VertexPair nearest_edge(VORNSDK::MeshInterface const& mesh, std::span<VORNSDK::VertexPair const> candidates,
                                 VORNSDK::Vector3d const& point);

} // namespace tolvir
