#include "edge_tools/remove_edges.h"

#include "edge_tools/edge_queries.h"
#include "edge_tools/edge_text.h"
#include "framework/description_builder.h"
#include "framework/registration.h"

#include <algorithm>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

std::vector<Index> vertex_list(MeshInterface const& mesh, Index f)
{
    PolygonVertices const v = mesh.polygon_vertices(f);
    return {v.begin(), v.end()};
}

bool has_side(std::vector<Index> const& cycle, Index a, Index b)
{
    return polygon_has_side({cycle.data(), static_cast<std::uint16_t>(cycle.size())}, a, b);
}

// The start of the only run of shared vertices along the cycle (cyclically), or -1 when the
// shared vertices fall into two or more runs, are all of the cycle, or are none of it.
std::ptrdiff_t single_run_start(std::vector<bool> const& shared)
{
    std::size_t const n = shared.size();
    std::ptrdiff_t start = -1;
    for (std::size_t k = 0; k < n; ++k)
        if (shared[k] && !shared[(k + n - 1) % n]) {
            if (start >= 0)
                return -1;
            start = static_cast<std::ptrdiff_t>(k);
        }
    return start;
}

// The vertices of cycle strictly between a and b, walking from a in the direction that does not
// start along the chain (the chain's second vertex is next).
std::vector<Index> path_between(std::vector<Index> const& cycle, Index a, Index b, Index chain_next)
{
    std::size_t const n = cycle.size();
    std::size_t const ia = static_cast<std::size_t>(std::find(cycle.begin(), cycle.end(), a) - cycle.begin());
    bool const forward = cycle[(ia + 1) % n] != chain_next;
    std::vector<Index> path;
    for (std::size_t k = 1; k < n; ++k) {
        Index const v = cycle[forward ? (ia + k) % n : (ia + n - k) % n];
        if (v == b)
            break;
        path.push_back(v);
    }
    return path;
}

} // namespace

bool merge_polygons(MeshInterface& mesh, Index p, Index q)
{
    std::vector<Index> const pv = vertex_list(mesh, p), qv = vertex_list(mesh, q);
    bool const p_smaller = pv.size() <= qv.size();
    std::vector<Index> const& s = p_smaller ? pv : qv;
    std::vector<Index> const& t = p_smaller ? qv : pv;
    VertexMarker in_t;
    for (Index v : t)
        in_t.insert(v);
    std::size_t const n = s.size();
    std::vector<bool> shared(n);
    std::size_t count = 0;
    for (std::size_t k = 0; k < n; ++k)
        count += (shared[k] = in_t.contains(s[k]));
    std::ptrdiff_t const start = single_run_start(shared);
    if (start < 0 || count < 2 || count == n)
        return false;
    // The chain: from the run's start, as long as consecutive shared vertices are sides of t.
    std::vector<Index> chain{s[static_cast<std::size_t>(start)]};
    for (std::size_t k = 1; k < count; ++k) {
        Index const next = s[(static_cast<std::size_t>(start) + k) % n];
        if (!has_side(t, chain.back(), next))
            break;
        chain.push_back(next);
    }
    if (chain.size() < 2)
        return false;
    Index const a = chain.front(), b = chain.back();
    // s from b round to a (outside the chain), then t's vertices between a and b away from it.
    std::size_t const ib = (static_cast<std::size_t>(start) + chain.size() - 1) % n;
    CompactIndexArray merged;
    for (std::size_t k = 0; k < n - chain.size() + 2; ++k)
        merged.push_back(s[(ib + k) % n]);
    Index const chain_next_in_t = chain[1];
    for (Index v : path_between(t, a, b, chain_next_in_t))
        merged.push_back(v);
    if (cycle_runs_along_others(mesh, {merged.data(), merged.size()}, p, q) || !mesh.set_polygon_vertices(p, merged))
        return false;
    mesh.remove_polygon(q);
    // Points inside the chain that no other polygon uses would be left floating.
    for (std::size_t k = 1; k + 1 < chain.size(); ++k)
        if (mesh.point_polygons(chain[k]).empty())
            mesh.remove_point(chain[k]);
    return true;
}

bool RemoveEdges::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return true;
    MeshEditContext const edit(mesh.get(), component());
    std::string const list = attribute("EdgeList").value().as_string().to_utf8();
    for (VertexPair const& e : read_edge_list(list)) {
        if (!mesh->edge_exists(e))
            continue;
        // An edge between more than two polygons belongs to no pair of them.
        PolyMarker beside;
        if (mesh->polygons_of_edge(e, beside) == 2)
            merge_polygons(*mesh, *beside.begin(), *++beside.begin());
    }
    return true;
}

bool RemoveEdges::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("RemoveEdges")
        .attribute("EdgeList", Parameter::PT_STRING);
    return true;
}

} // namespace tolvir
