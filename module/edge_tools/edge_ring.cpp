#include "edge_tools/edge_ring.h"

#include "edge_tools/edge_queries.h"
#include "framework/small_list.h"

namespace tolvir {

using namespace VORNSDK;

void EdgeRing::push_front(VertexPair const& e)
{
    edges_.push_front(e);
    members_.insert(e);
}

void EdgeRing::push_back(VertexPair const& e)
{
    edges_.push_back(e);
    members_.insert(e);
}

void EdgeRing::flip_all()
{
    for (VertexPair& e : edges_)
        e = e.flip();
}

VertexPair opposite_edge(MeshInterface const& mesh, VertexPair const& e)
{
    if (e.invalid())
        return {};
    // The polygons that have e as a side, in the order the mesh lists them around e.v1.
    SmallIndexList<4> around;
    for (Index f : mesh.point_polygons(e.v1))
        if (polygon_has_side(mesh.polygon_vertices(f), e.v1, e.v2))
            around.push_back(f);
    if (around.size() > 2)
        return {};
    for (Index f : around) {
        PolygonVertices const w = mesh.polygon_vertices(f);
        if (w.count != 4)
            continue;
        for (int i = 0; i < 4; ++i)
            if (w[i] == e.v1 && w[(i + 1) % 4] == e.v2)
                return {w[(i + 3) % 4], w[(i + 2) % 4]};
    }
    return {};
}

void walk_ring(MeshInterface const& mesh, EdgeRing& ring, bool at_front, VertexPair const& start)
{
    if (!mesh.edge_exists(start))
        return;
    for (VertexPair next = opposite_edge(mesh, start); !next.invalid(); next = opposite_edge(mesh, next)) {
        if (ring.contains(next))
            return;
        if (at_front)
            ring.push_front(next);
        else
            ring.push_back(next);
    }
}

EdgeRing build_ring(MeshInterface const& mesh, VertexPair const& e)
{
    EdgeRing ring;
    VertexPair const f = e.flip();
    ring.push_back(f);
    // Into the polygon on the far side of e first, then from e into the polygon along its winding.
    walk_ring(mesh, ring, true, f);
    ring.flip_all();
    walk_ring(mesh, ring, false, ring.back());
    return ring;
}

} // namespace tolvir
