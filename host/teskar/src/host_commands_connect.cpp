#include "teskar/host_commands.h"
#include "teskar/host_plugin.h"

#include <vector>

namespace teskar {

using namespace VORNSDK;

namespace {

// Splits polygon f along the segment between two of its vertices, at positions i < j of its
// list. Both halves are modelled on f and take over its selection state; f goes.
void split_polygon(Mesh& mesh, Index f, std::size_t i, std::size_t j)
{
    PolygonVertices const list = mesh.polygon_vertices(f);
    CompactIndexArray first, second;
    for (std::size_t k = i; k <= j; ++k)
        first.push_back(list[k]);
    for (std::size_t k = j; k != i; k = (k + 1) % list.count)
        second.push_back(list[k]);
    second.push_back(list[i]);
    bool const selected = mesh.polygon_selected(f);
    Index const a = mesh.add_polygon(first, f);
    Index const b = mesh.add_polygon(second, f);
    mesh.remove_polygon(f);
    mesh.set_polygon_selection(a, selected);
    mesh.set_polygon_selection(b, selected);
}

// Splits every selected edge at its midpoint and joins the new points across each polygon that
// holds exactly two of them. The joining edges replace the edge selection.
class Connect : public MeshCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        describe_command(d, "Connect", "Edit");
        return true;
    }

protected:
    void edit_mesh(Mesh& mesh) override
    {
        std::vector<VertexPair> edges;
        for (VertexPair const e : each(mesh.selected_edges()))
            edges.push_back(e);
        if (edges.empty())
            return;

        VertexMarker midpoints;
        PolyMarker touched;
        for (VertexPair const& e : edges) {
            PolyMarker beside;
            if (mesh.polygons_of_edge(e, beside) == 0)
                continue;
            Index const m = mesh.add_point((mesh.point_position(e.v1) + mesh.point_position(e.v2)) * 0.5);
            midpoints.insert(m);
            for (Index f : beside) {
                mesh.insert_point_in_polygon(f, e, m);
                touched.insert(f);
            }
        }

        EdgeArray joins;
        for (Index f : touched) {
            PolygonVertices const list = mesh.polygon_vertices(f);
            std::vector<std::size_t> at;
            for (std::size_t k = 0; k < list.count; ++k)
                if (midpoints.contains(list[k]))
                    at.push_back(k);
            if (at.size() != 2)
                continue;
            joins.push_back({list[at[0]], list[at[1]]});
            split_polygon(mesh, f, at[0], at[1]);
        }

        mesh.select_all(kElementEdges, false);
        for (VertexPair const& e : joins)
            mesh.set_edge_selection(e, true);
    }
};

} // namespace

void register_connect_command(Registry& registry) { register_host_plugin<Connect>(registry, "Connect"); }

} // namespace teskar
