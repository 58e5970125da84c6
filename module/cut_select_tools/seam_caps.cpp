#include "cut_select_tools/seam_caps.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

bool border(MeshInterface const& mesh, Index a, Index b)
{
    PolyMarker beside;
    return mesh.polygons_of_edge({a, b}, beside) == 1;
}

// Whether a polygon around the loop's first point has exactly the loop's points.
bool outlines_a_polygon(MeshInterface const& mesh, CompactIndexArray const& loop)
{
    for (Index g : mesh.point_polygons(loop[0])) {
        PolygonVertices const v = mesh.polygon_vertices(g);
        if (v.count == loop.size() &&
            std::all_of(loop.begin(), loop.end(), [&](Index p) { return std::find(v.begin(), v.end(), p) != v.end(); }))
            return true;
    }
    return false;
}

} // namespace

std::size_t cap_loops(MeshInterface& mesh, std::span<Index const> points)
{
    VertexMarker among;
    for (Index p : points)
        if (mesh.point_exists(p))
            among.insert(p);
    // For a border side a -> b of a polygon, the cap runs b -> a.
    struct Step {
        Index to, beside;
    };
    std::unordered_map<Index, Step> next;
    std::vector<Index> starts;
    for (Index a : among)
        for (Index g : mesh.point_polygons(a)) {
            PolygonVertices const v = mesh.polygon_vertices(g);
            auto const k = static_cast<std::size_t>(std::find(v.begin(), v.end(), a) - v.begin());
            Index const b = v[(k + 1) % v.count];
            if (among.contains(b) && border(mesh, a, b) && next.try_emplace(b, Step{a, g}).second)
                starts.push_back(b);
        }
    std::size_t caps = 0;
    VertexMarker walked;
    CompactIndexArray loop;
    for (Index start : starts) {
        if (walked.contains(start))
            continue;
        loop.clear();
        bool closed = false;
        for (Index p = start;;) {
            walked.insert(p);
            if (!loop.push_back(p))
                break;
            auto const it = next.find(p);
            if (it == next.end())
                break;
            p = it->second.to;
            if (p == start) {
                closed = true;
                break;
            }
            if (walked.contains(p))
                break;
        }
        if (!closed || loop.size() < 3 || outlines_a_polygon(mesh, loop))
            continue;
        Index const cap = mesh.add_polygon(loop);
        if (cap == kNoIndex)
            continue;
        mesh.set_polygon_material(cap, mesh.polygon_material(next.at(start).beside));
        ++caps;
    }
    return caps;
}

} // namespace tolvir
