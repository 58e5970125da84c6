#pragma once

#include "vornsdk/mesh.h"

namespace tolvir {

// The polygons on the sides of an edge, as far as a manifold edge has them: counted among the
// polygons around the edge's lower point, no further than the second.
struct EdgePolygons {
    int count = 0;
    VORNSDK::Index first = VORNSDK::kNoIndex;
    VORNSDK::Index second = VORNSDK::kNoIndex;
};

EdgePolygons edge_polygons(VORNSDK::MeshInterface const& mesh, VORNSDK::VertexPair const& edge);

// An edge with exactly one polygon beside it, unless it is a seam of a per-corner map.
bool is_border_edge(VORNSDK::MeshInterface const& mesh, VORNSDK::VertexPair const& edge);

// Whether the polygon's vertex cycle has a side between a and b (either way round).
bool polygon_has_side(VORNSDK::PolygonVertices const& vertices, VORNSDK::Index a, VORNSDK::Index b);

} // namespace tolvir
