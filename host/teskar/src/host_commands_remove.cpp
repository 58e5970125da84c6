#include "teskar/host_commands.h"
#include "teskar/host_plugin.h"

#include "vornsdk/scene.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace teskar {

using namespace VORNSDK;

namespace {

// Where a run of shared vertices lies in a polygon's vertex list: its first position and length,
// walking forward (cyclically).
struct Run {
    std::size_t first = 0;
    std::size_t length = 0;
};

// The single cyclic run of list's vertices that are members of shared; none when they are
// scattered over more than one run or make up the whole list.
std::optional<Run> single_run(std::vector<Index> const& list, VertexMarker const& shared)
{
    std::size_t const n = list.size();
    std::size_t members = 0;
    std::size_t starts = 0;
    Run run;
    for (std::size_t k = 0; k < n; ++k) {
        if (!shared.contains(list[k]))
            continue;
        ++members;
        if (!shared.contains(list[(k + n - 1) % n])) {
            ++starts;
            run.first = k;
        }
    }
    if (starts != 1)
        return std::nullopt;
    run.length = members;
    return run;
}

// Whether the two runs hold the same vertices in the same or in reverse order, so that they are
// one chain of sides of both polygons.
bool same_chain(std::vector<Index> const& a, Run const& ra, std::vector<Index> const& b, Run const& rb)
{
    auto at_a = [&](std::size_t k) { return a[(ra.first + k) % a.size()]; };
    auto at_b = [&](std::size_t k) { return b[(rb.first + k) % b.size()]; };
    bool forward = true, backward = true;
    for (std::size_t k = 0; k < ra.length; ++k) {
        forward = forward && at_a(k) == at_b(k);
        backward = backward && at_a(k) == at_b(ra.length - 1 - k);
    }
    return forward || backward;
}

std::vector<Index> vertex_list(Mesh const& mesh, Index f)
{
    PolygonVertices const list = mesh.polygon_vertices(f);
    return {list.begin(), list.end()};
}

// Merges the polygons on both sides of e into the one with the lower index, dropping the run of
// vertices and sides they share (and the points inside the run that no polygon uses any more). Leaves the mesh alone when e is not between exactly two
// polygons or when the two touch anywhere outside one unbroken shared run.
void merge_across(Mesh& mesh, VertexPair const& e)
{
    PolyMarker beside;
    if (mesh.polygons_of_edge(e, beside) != 2)
        return;
    Index const keep = std::min(*beside.begin(), *++beside.begin());
    Index const gone = std::max(*beside.begin(), *++beside.begin());
    std::vector<Index> const a = vertex_list(mesh, keep);
    std::vector<Index> const b = vertex_list(mesh, gone);
    VertexMarker in_b;
    for (Index v : b)
        in_b.insert(v);
    VertexMarker shared;
    for (Index v : a)
        if (in_b.contains(v))
            shared.insert(v);
    std::optional<Run> const run_a = single_run(a, shared);
    std::optional<Run> const run_b = single_run(b, shared);
    if (!run_a || !run_b || !same_chain(a, *run_a, b, *run_b))
        return;

    // The merged outline: keep's own vertices from the end of the run round to its start, then
    // gone's own vertices back to the end. Gone walks the run backwards when both polygons face
    // the same way; otherwise its part is reversed to match.
    std::size_t const na = a.size(), nb = b.size();
    Index const run_start = a[run_a->first];
    CompactIndexArray merged;
    for (std::size_t k = run_a->length - 1; k < na; ++k)
        merged.push_back(a[(run_a->first + k) % na]);
    std::vector<Index> others;
    for (std::size_t k = run_b->length; k < nb; ++k)
        others.push_back(b[(run_b->first + k) % nb]);
    if (b[run_b->first] == run_start)
        std::reverse(others.begin(), others.end());
    merged.push_back(run_start);
    for (Index v : others)
        merged.push_back(v);
    if (cycle_runs_along_others(mesh, {merged.data(), merged.size()}, keep, gone) || !mesh.set_polygon_vertices(keep, merged))
        return;
    mesh.remove_polygon(gone);
    // Points inside the shared run that no other polygon uses would be left floating.
    for (std::size_t k = 1; k + 1 < run_a->length; ++k) {
        Index const v = a[(run_a->first + k) % na];
        if (mesh.point_polygons(v).empty())
            mesh.remove_point(v);
    }
}

template <class T>
std::vector<T> snapshot(SelectionSet<T> const& set)
{
    std::vector<T> items;
    for (T const item : each(set))
        items.push_back(item);
    return items;
}

// Removes the selected elements of the current selection mode: points from every polygon, edges
// by merging the polygons beside them, or whole polygons.
class Remove : public MeshCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        describe_command(d, "Remove", "Edit");
        return true;
    }

protected:
    void edit_mesh(Mesh& mesh) override
    {
        switch (selection_mode()) {
        case kSelectPoints:
            for (Index p : snapshot(mesh.selected_points()))
                mesh.remove_point(p);
            break;
        case kSelectEdges:
            for (VertexPair const& e : snapshot(mesh.selected_edges()))
                merge_across(mesh, e);
            break;
        case kSelectPolygons:
            for (Index f : snapshot(mesh.selected_polygons()))
                mesh.remove_polygon(f);
            break;
        default:
            break;
        }
    }
};

} // namespace

void register_remove_command(Registry& registry) { register_host_plugin<Remove>(registry, "Remove"); }

} // namespace teskar
