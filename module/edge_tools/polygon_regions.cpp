#include "edge_tools/polygon_regions.h"

#include <unordered_map>

namespace tolvir {

using namespace VORNSDK;

namespace {

// The polygons of the set that have e as a side.
std::size_t polygons_in_set(MeshInterface const& mesh, VertexPair const& e, PolyMarker const& set)
{
    PolyMarker beside;
    mesh.polygons_of_edge(e, beside);
    std::size_t n = 0;
    for (Index f : beside)
        n += set.contains(f) ? 1 : 0;
    return n;
}

} // namespace

std::vector<std::vector<Index>> edge_connected_regions(MeshInterface const& mesh, std::span<Index const> polygons)
{
    PolyMarker pending;
    for (Index f : polygons)
        pending.insert(f);
    std::vector<std::vector<Index>> regions;
    PolyMarker seen;
    for (Index seed : polygons) {
        if (seen.contains(seed))
            continue;
        PolyMarker members;
        FastIndexStack stack;
        stack.push(seed);
        seen.insert(seed);
        while (!stack.empty()) {
            Index const f = stack.pop();
            members.insert(f);
            PolygonVertices const v = mesh.polygon_vertices(f);
            for (std::uint16_t k = 0; k < v.count; ++k) {
                PolyMarker beside;
                mesh.polygons_of_edge(v.edge(k), beside);
                for (Index g : beside)
                    if (pending.contains(g) && seen.insert(g))
                        stack.push(g);
            }
        }
        std::vector<Index> region;
        for (Index f : polygons)
            if (members.contains(f) && (region.empty() || region.back() != f))
                region.push_back(f);
        regions.push_back(std::move(region));
    }
    return regions;
}

std::optional<std::vector<Index>> region_outline_loop(MeshInterface const& mesh, std::span<Index const> region)
{
    PolyMarker members;
    for (Index f : region)
        members.insert(f);
    // Each outline point must start exactly one outline side, or the outline is no simple loop.
    std::unordered_map<Index, Index> next;
    Index start = kNoIndex;
    for (Index f : region) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        for (std::uint16_t k = 0; k < v.count; ++k) {
            VertexPair const side = v.edge(k);
            if (polygons_in_set(mesh, side, members) != 1)
                continue;
            if (!next.emplace(side.v1, side.v2).second)
                return std::nullopt;
        }
    }
    for (Index f : region)
        for (Index v : mesh.polygon_vertices(f))
            if (start == kNoIndex && next.contains(v))
                start = v;
    if (start == kNoIndex)
        return std::nullopt;
    std::vector<Index> loop{start};
    for (Index at = next[start]; at != start; at = next[at]) {
        if (loop.size() == next.size() || !next.contains(at))
            return std::nullopt;
        loop.push_back(at);
    }
    if (loop.size() != next.size())
        return std::nullopt;
    return loop;
}

} // namespace tolvir
