#include "teskar/host_commands.h"
#include "teskar/host_plugin.h"

#include <vector>

namespace teskar {

using namespace VORNSDK;

namespace {

PolyMarker polygons_beside(Mesh const& mesh, VertexPair const& e)
{
    PolyMarker beside;
    mesh.polygons_of_edge(e, beside);
    return beside;
}

bool share_a_polygon(PolyMarker const& a, PolyMarker const& b)
{
    for (Index f : a)
        if (b.contains(f))
            return true;
    return false;
}

// The edge by which a loop that came to v along e goes on, oriented away from v; an invalid pair
// when the loop ends at v. A border edge goes on along the border when v has exactly one other
// border edge; an inner edge goes straight through a vertex of four two-sided edges, leaving by
// the one edge that shares no polygon with e.
VertexPair loop_continuation(Mesh const& mesh, VertexPair const& e, Index v)
{
    PolyMarker const beside = polygons_beside(mesh, e);
    EdgeMarker around;
    mesh.edges_of_point(v, around);
    VertexPair next;
    int candidates = 0;
    if (beside.size() == 1) {
        for (VertexPair const& other : around)
            if (!(other == e) && polygons_beside(mesh, other).size() == 1) {
                next = other;
                ++candidates;
            }
    } else if (beside.size() == 2 && around.size() == 4) {
        for (VertexPair const& other : around) {
            if (other == e)
                continue;
            PolyMarker const other_beside = polygons_beside(mesh, other);
            if (other_beside.size() != 2)
                return {};
            if (!share_a_polygon(beside, other_beside)) {
                next = other;
                ++candidates;
            }
        }
    }
    if (candidates != 1)
        return {};
    return {v, next.other_vertex(v)};
}

// Adds to loop the edges met walking from start's v2 onwards, until the walk ends or comes
// back to a vertex it has passed (which closes a loop).
void walk_loop(Mesh const& mesh, VertexPair const& start, VertexMarker& passed, EdgeMarker& loop)
{
    VertexPair e = start;
    for (;;) {
        VertexPair const next = loop_continuation(mesh, e, e.v2);
        if (next.invalid() || loop.contains(next))
            return;
        loop.insert(next);
        if (!passed.insert(next.v2))
            return;
        e = next;
    }
}

// The side of a quad across from e, running beside it in the same direction; invalid when f is
// not a quad with e as a side.
VertexPair opposite_side(Mesh const& mesh, Index f, VertexPair const& e)
{
    PolygonVertices const list = mesh.polygon_vertices(f);
    if (list.count != 4)
        return {};
    for (std::size_t k = 0; k < 4; ++k) {
        VertexPair const side = list.edge(k);
        if (side == e) {
            VertexPair const across{list[(k + 3) % 4], list[(k + 2) % 4]};
            return side.same_direction(e) ? across : across.flip();
        }
    }
    return {};
}

// Adds to ring the edges met stepping across quads from e through polygon f, until the ring
// reaches a polygon that is not a quad, an edge that is not between exactly two polygons, or an
// edge it holds already.
void walk_ring(Mesh const& mesh, VertexPair e, Index f, EdgeMarker& ring)
{
    for (;;) {
        VertexPair const across = opposite_side(mesh, f, e);
        if (across.invalid() || !ring.insert(across))
            return;
        PolyMarker const beside = polygons_beside(mesh, across);
        if (beside.size() != 2)
            return;
        Index const next = *beside.begin() == f ? *++beside.begin() : *beside.begin();
        e = across;
        f = next;
    }
}

// Adds to the edge selection, for each selected edge not already covered, the edges that
// gather() collects through it.
template <class Gather>
void extend_edge_selection(Mesh& mesh, Gather gather)
{
    EdgeMarker covered;
    for (VertexPair const& start : to_vector(mesh.selected_edges())) {
        if (covered.contains(start))
            continue;
        EdgeMarker found;
        found.insert(start);
        gather(start, found);
        for (VertexPair const& e : found) {
            covered.insert(e);
            mesh.set_edge_selection(e, true);
        }
    }
}

// Extends the edge selection to the whole edge loop through each selected edge.
class SelectLoop : public MeshCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        describe_command(d, "SelectLoop", "Select");
        return true;
    }

protected:
    void edit_mesh(Mesh& mesh) override
    {
        extend_edge_selection(mesh, [&](VertexPair const& start, EdgeMarker& loop) {
            VertexMarker passed;
            passed.insert(start.v1);
            passed.insert(start.v2);
            walk_loop(mesh, start, passed, loop);
            walk_loop(mesh, start.flip(), passed, loop);
        });
    }
};

// Extends the edge selection to the whole edge ring through each selected edge.
class SelectRing : public MeshCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        describe_command(d, "SelectRing", "Select");
        return true;
    }

protected:
    void edit_mesh(Mesh& mesh) override
    {
        extend_edge_selection(mesh, [&](VertexPair const& start, EdgeMarker& ring) {
            PolyMarker const beside = polygons_beside(mesh, start);
            if (beside.size() <= 2)
                for (Index f : beside)
                    walk_ring(mesh, start, f, ring);
        });
    }
};

} // namespace

void register_selection_commands(Registry& registry)
{
    register_host_plugin<SelectLoop>(registry, "SelectLoop");
    register_host_plugin<SelectRing>(registry, "SelectRing");
}

} // namespace teskar
