#pragma once

#include "vornsdk/mesh.h"

#include <deque>

namespace tolvir {

// Edges lying side by side across a strip of quads, each the side of a quad opposite the one
// before it. All members point the same way: their first points run along one side of the strip.
// A ring holds each edge once; membership costs O(1).
class EdgeRing {
public:
    void push_front(VORNSDK::VertexPair const& e);
    void push_back(VORNSDK::VertexPair const& e);
    bool contains(VORNSDK::VertexPair const& e) const { return members_.contains(e); }
    // Flips every member (membership does not depend on direction).
    void flip_all();

    std::size_t size() const { return edges_.size(); }
    bool empty() const { return edges_.empty(); }
    VORNSDK::VertexPair const& operator[](std::size_t i) const { return edges_[i]; }
    VORNSDK::VertexPair const& front() const { return edges_.front(); }
    VORNSDK::VertexPair const& back() const { return edges_.back(); }
    auto begin() const { return edges_.begin(); }
    auto end() const { return edges_.end(); }

private:
    std::deque<VORNSDK::VertexPair> edges_;
    VORNSDK::EdgeMarker members_;
};

// The ring step: the side opposite e of the quad that has e along its winding, oriented so that
// its first point is the corner next to e.v1. Invalid when e has more than two polygons, or no
// quad runs along e that way.
VORNSDK::VertexPair opposite_edge(VORNSDK::MeshInterface const& mesh, VORNSDK::VertexPair const& e);

// Extends the ring from start (which must be an edge of the mesh), adding each new edge at the
// front or at the back, until the ring ends or meets itself.
void walk_ring(VORNSDK::MeshInterface const& mesh, EdgeRing& ring, bool at_front, VORNSDK::VertexPair const& start);

// The whole ring through e, in order from one end to the other, every member oriented like e.
// A closed band gives each of its edges once. A ring of one edge has no quad on either side.
EdgeRing build_ring(VORNSDK::MeshInterface const& mesh, VORNSDK::VertexPair const& e);

} // namespace tolvir
