#include "edge_tools/edge_loop.h"

#include "edge_tools/edge_queries.h"

#include <cmath>

namespace tolvir {

using namespace VORNSDK;

void VertexLoop::push_front(Index v)
{
    vertices_.push_front(v);
    members_.insert(v);
}

void VertexLoop::push_back(Index v)
{
    vertices_.push_back(v);
    members_.insert(v);
}

namespace {

std::optional<Index> next_along_border(MeshInterface const& mesh, Index prev, Index cur)
{
    if (!is_border_edge(mesh, {prev, cur}))
        return std::nullopt;
    VertexMarker neighbours;
    mesh.neighbours_of_point(cur, neighbours);
    for (Index w : neighbours)
        if (w != prev && is_border_edge(mesh, {cur, w}))
            return w;
    return std::nullopt;
}

std::optional<Index> next_straight_across(MeshInterface const& mesh, VertexPair const& e, EdgePolygons const& sides)
{
    Index const cur = e.v2;
    EdgeMarker edges;
    mesh.edges_of_point(cur, edges);
    if (edges.size() != 4)
        return std::nullopt;
    for (VertexPair const f : edges)
        if (edge_polygons(mesh, f).count != 2)
            return std::nullopt;
    for (VertexPair const f : edges) {
        if (f == e)
            continue;
        EdgePolygons const other = edge_polygons(mesh, f);
        bool const shares = other.first == sides.first || other.first == sides.second || other.second == sides.first ||
                            other.second == sides.second;
        if (!shares)
            return f.other_vertex(cur);
    }
    return std::nullopt;
}

} // namespace

std::optional<Index> next_loop_vertex(MeshInterface const& mesh, Index prev, Index cur)
{
    VertexPair const e{prev, cur};
    EdgePolygons const sides = edge_polygons(mesh, e);
    if (sides.count == 1)
        return next_along_border(mesh, prev, cur);
    if (sides.count == 2)
        return next_straight_across(mesh, e, sides);
    return std::nullopt;
}

VertexLoop build_vertex_loop(MeshInterface const& mesh, Index a, Index b)
{
    VertexLoop loop;
    loop.push_back(a);
    loop.push_back(b);
    for (Index prev = a, cur = b;;) {
        auto const next = next_loop_vertex(mesh, prev, cur);
        if (!next || loop.contains(*next))
            break;
        loop.push_back(*next);
        prev = cur;
        cur = *next;
    }
    for (Index prev = b, cur = a;;) {
        auto const next = next_loop_vertex(mesh, prev, cur);
        if (!next || loop.contains(*next))
            break;
        loop.push_front(*next);
        prev = cur;
        cur = *next;
    }
    return loop;
}

EdgeLoop build_edge_loop(MeshInterface const& mesh, VertexPair const& e)
{
    VertexLoop const loop = build_vertex_loop(mesh, e.v1, e.v2);
    EdgeLoop edges;
    // The first pair tried closes the loop: it exists exactly when the loop is closed.
    Index prev = loop.back();
    for (Index cur : loop) {
        if (mesh.edge_exists({prev, cur}))
            edges.push_back({prev, cur});
        prev = cur;
    }
    return edges;
}

VertexPair nearest_edge(MeshInterface const& mesh, std::span<VertexPair const> candidates, Vector3d const& point)
{
    double best_distance = 999999.0;
    VertexPair best;
    for (VertexPair const& e : candidates) {
        Vector3d const a = mesh.point_position(e.v1);
        Vector3d const u = unit(mesh.point_position(e.v2) - a);
        Vector3d const w = point - a;
        double const c = dot(u, unit(w));
        double const d = std::abs(length(w) * std::sqrt(std::max(0.0, 1.0 - c * c)));
        if (d < best_distance) {
            best_distance = d;
            best = e;
        }
    }
    return best;
}

} // namespace tolvir
