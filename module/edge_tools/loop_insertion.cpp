#include "edge_tools/loop_insertion.h"

#include "edge_tools/edge_queries.h"
#include "framework/small_list.h"

#include <algorithm>
#include <cmath>

namespace tolvir {

using namespace VORNSDK;

std::vector<double> loop_fractions(double t, int slices, bool mirror)
{
    if (slices > 1) {
        std::vector<double> f;
        for (int k = 1; k < slices; ++k)
            f.push_back((1.0 / slices) * k);
        return f;
    }
    if (!mirror)
        return {t};
    double const a = t < 0.5 ? t : 1 - t;
    return {a, 1 - a};
}

EdgeCut cut_on_edge(Vector3d const& a, Vector3d const& b, Vector3d const& p, double stops, double stops2,
                    bool snap_center)
{
    double const len = length(b - a);
    if (len <= kLengthEpsilon)
        return {a, 0.0};
    Vector3d const u = (b - a) / len;
    double d = dot(p - a, u);
    if (stops > 0) {
        double const t = d / len;
        if (t < stops)
            d = stops * len;
        if (t > 1 - stops)
            d = (1 - stops) * len;
    } else if (stops2 > 0) {
        if (d < stops2)
            d = stops2;
        if (d > len - stops2)
            d = len - stops2;
    }
    if (std::abs(len / 2 - d) < 0.2 && snap_center)
        d = len / 2;
    return {a + u * d, length(u * d) / len};
}

std::optional<std::pair<Index, Index>> split_polygon(MeshInterface& mesh, Index f, Index u, Index w)
{
    PolygonVertices const v = mesh.polygon_vertices(f);
    std::size_t const n = v.count;
    auto const iu = std::find(v.begin(), v.end(), u) - v.begin();
    auto const iw = std::find(v.begin(), v.end(), w) - v.begin();
    if (std::size_t(iu) >= n || std::size_t(iw) >= n)
        return std::nullopt;
    std::size_t const gap = (std::size_t(iw) + n - std::size_t(iu)) % n;
    if (gap <= 1 || gap >= n - 1)
        return std::nullopt;
    CompactIndexArray first, second;
    for (std::size_t k = std::size_t(iu);; k = (k + 1) % n) {
        first.push_back(v[k]);
        if (k == std::size_t(iw))
            break;
    }
    for (std::size_t k = std::size_t(iw);; k = (k + 1) % n) {
        second.push_back(v[k]);
        if (k == std::size_t(iu))
            break;
    }
    // The first half keeps the polygon's index (and with it its selection); the second is new.
    Index const b = mesh.add_polygon(second, f);
    if (b == kNoIndex)
        return std::nullopt;
    if (!mesh.set_polygon_vertices(f, first)) {
        mesh.remove_polygon(b);
        return std::nullopt;
    }
    if (mesh.polygon_selected(f))
        mesh.set_polygon_selection(b, true);
    return std::pair{f, b};
}

namespace {

// Splits one ring edge at the given fractions (in order), inserting the new points into every
// polygon that has the edge as a side; appends the new points to out.
void split_edge(MeshInterface& mesh, VertexPair const& e, std::span<double const> fractions,
                std::optional<double> absolute_length, std::vector<Index>& out)
{
    Vector3d const a = mesh.point_position(e.v1), b = mesh.point_position(e.v2);
    double const len = length(b - a);
    SmallIndexList<4> along;
    for (Index f : mesh.point_polygons(e.v1))
        if (polygon_has_side(mesh.polygon_vertices(f), e.v1, e.v2))
            along.push_back(f);
    Index previous = e.v1;
    for (double f : fractions) {
        double const at = absolute_length ? std::clamp(f * *absolute_length / (len > 0 ? len : 1), 0.001, 0.999) : f;
        Index const p = mesh.add_point(a + (b - a) * at);
        for (Index poly : along)
            mesh.insert_point_in_polygon(poly, {previous, e.v2}, p);
        out.push_back(p);
        previous = p;
    }
}

// Joins two new points across every polygon holding both.
void connect(MeshInterface& mesh, Index u, Index w)
{
    SmallIndexList<8> candidates;
    for (Index f : mesh.point_polygons(u))
        candidates.push_back(f);
    for (Index f : candidates) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        if (std::find(v.begin(), v.end(), w) != v.end())
            split_polygon(mesh, f, u, w);
    }
}

bool share_polygon(MeshInterface const& mesh, VertexPair const& a, VertexPair const& b)
{
    PolyMarker pa, pb;
    mesh.polygons_of_edge(a, pa);
    mesh.polygons_of_edge(b, pb);
    return std::any_of(pa.begin(), pa.end(), [&](Index f) { return pb.contains(f); });
}

// The side of quad w opposite e, oriented so that its first point is the corner next to e.v1.
VertexPair opposite_in_quad(PolygonVertices const& w, VertexPair const& e)
{
    if (w.count != 4)
        return {};
    for (int k = 0; k < 4; ++k) {
        if (w[k] == e.v1 && w[(k + 1) % 4] == e.v2)
            return {w[(k + 3) % 4], w[(k + 2) % 4]};
        if (w[k] == e.v2 && w[(k + 1) % 4] == e.v1)
            return {w[(k + 2) % 4], w[(k + 3) % 4]};
    }
    return {};
}

// The first side of polygon b that is also a side of polygon a.
VertexPair shared_side(PolygonVertices const& a, PolygonVertices const& b)
{
    for (std::uint16_t i = 0; i < a.count; ++i)
        for (std::uint16_t j = 0; j < b.count; ++j)
            if (a.edge(i) == b.edge(j))
                return a.edge(i);
    return {};
}

} // namespace

void insert_loops(MeshInterface& mesh, EdgeRing const& ring, std::span<double const> fractions,
                  std::optional<double> absolute_length)
{
    if (ring.size() < 2 || fractions.empty())
        return;
    bool const closed = share_polygon(mesh, ring.front(), ring.back());
    // The new points of ring edge i are cuts[i * m .. i * m + m), m being the number of fractions.
    std::size_t const m = fractions.size();
    std::vector<Index> cuts;
    cuts.reserve(ring.size() * m);
    for (VertexPair const& e : ring)
        split_edge(mesh, e, fractions, absolute_length, cuts);
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        for (std::size_t j = 0; j < m; ++j)
            connect(mesh, cuts[(i + 1) * m + j], cuts[i * m + j]);
    if (closed)
        for (std::size_t j = 0; j < m; ++j)
            connect(mesh, cuts[j], cuts[(ring.size() - 1) * m + j]);
}

std::vector<EdgeRing> rings_through_selection(MeshInterface const& mesh)
{
    std::vector<EdgeRing> rings;
    std::vector<Index> const selected = to_vector(mesh.selected_polygons());
    std::size_t i = 0;
    while (i < selected.size()) {
        // A run starts at the far side of its first polygon from the next selected polygon; a
        // polygon standing alone is cut between its first and third sides.
        PolygonVertices const first = mesh.polygon_vertices(selected[i]);
        VertexPair toward = i + 1 < selected.size() ? shared_side(first, mesh.polygon_vertices(selected[i + 1])) : VertexPair{};
        if (toward.invalid())
            toward = first.edge(0);
        VertexPair current = opposite_in_quad(first, toward);
        if (current.invalid()) {
            ++i;
            continue;
        }
        EdgeRing ring;
        ring.push_back(current);
        std::size_t k = i;
        for (; k < selected.size(); ++k) {
            PolygonVertices const quad = mesh.polygon_vertices(selected[k]);
            if (k > i && !polygon_has_side(quad, current.v1, current.v2))
                break;
            VertexPair const next = opposite_in_quad(quad, current);
            if (next.invalid() || ring.contains(next))
                break;
            ring.push_back(next);
            current = next;
        }
        rings.push_back(std::move(ring));
        i = std::max(k, i + 1);
    }
    return rings;
}

} // namespace tolvir
