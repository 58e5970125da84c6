#include "edge_tools/edge_queries.h"

namespace tolvir {

using namespace VORNSDK;

bool polygon_has_side(PolygonVertices const& vertices, Index a, Index b)
{
    std::size_t const n = vertices.count;
    for (std::size_t k = 0; k < n; ++k)
        if (vertices[k] == a)
            return vertices[(k + 1) % n] == b || vertices[(k + n - 1) % n] == b;
    return false;
}

EdgePolygons edge_polygons(MeshInterface const& mesh, VertexPair const& edge)
{
    EdgePolygons out;
    if (edge.invalid())
        return out;
    for (Index f : mesh.point_polygons(edge.sorted_v1())) {
        if (!polygon_has_side(mesh.polygon_vertices(f), edge.v1, edge.v2))
            continue;
        if (out.count == 0)
            out.first = f;
        else
            out.second = f;
        if (++out.count == 2)
            break;
    }
    return out;
}

bool is_border_edge(MeshInterface const& mesh, VertexPair const& edge)
{
    return !mesh.is_map_seam(edge) && edge_polygons(mesh, edge).count == 1;
}

} // namespace tolvir
