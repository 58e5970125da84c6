#include "edge_tools/loop_insertion.h"

#include "edge_tools/corner_values.h"
#include "edge_tools/edge_queries.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace tolvir {

using namespace VORNSDK;

std::vector<double> loop_fractions(double t, int slices, bool mirror)
{
    std::vector<double> f;
    if (slices > 1) {
        for (int k = 1; k < slices; ++k)
            f.push_back((1.0 / slices) * k);
    } else if (!mirror) {
        f.push_back(t);
    } else {
        double const a = t < 0.5 ? t : 1 - t;
        f = {a, 1 - a};
    }
    std::erase_if(f, [](double x) { return !(x > 0 && x < 1); });
    std::sort(f.begin(), f.end());
    f.erase(std::unique(f.begin(), f.end()), f.end());
    return f;
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

namespace {

// Whether q is a quad with e and g as opposite sides.
bool opposite_sides(PolygonVertices const& q, VertexPair const& e, VertexPair const& g)
{
    if (q.count != 4)
        return false;
    for (std::size_t k = 0; k < 4; ++k)
        if (q.edge(k) == e)
            return q.edge((k + 2) % 4) == g;
    return false;
}

// A quad not yet used that has a and b as opposite sides, or kNoIndex.
Index quad_between(MeshInterface const& mesh, VertexPair const& a, VertexPair const& b, PolyMarker const& used)
{
    for (Index f : mesh.point_polygons(a.v1))
        if (!used.contains(f) && opposite_sides(mesh.polygon_vertices(f), a, b))
            return f;
    return kNoIndex;
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

// The polygon across e from f when e has exactly two polygons, else kNoIndex.
Index across(MeshInterface const& mesh, VertexPair const& e, Index f)
{
    PolyMarker beside;
    if (mesh.polygons_of_edge(e, beside) != 2 || !beside.contains(f))
        return kNoIndex;
    for (Index g : beside)
        if (g != f)
            return g;
    return kNoIndex;
}

// A band being grown through selected quads from one seed quad.
class BandWalk {
public:
    BandWalk(MeshInterface const& mesh, PolyMarker const& selected, PolyMarker const& taken)
        : mesh_(mesh), selected_(selected), taken_(taken)
    {
    }

    // The band through seed across its sides k and k + 2.
    LoopBand grow(Index seed, std::size_t k)
    {
        PolygonVertices const v = mesh_.polygon_vertices(seed);
        VertexPair const side = v.edge(k);
        edges_ = EdgeRing();
        quads_.clear();
        members_ = PolyMarker();
        edges_.push_back(side);
        edges_.push_back(opposite_in_quad(v, side));
        quads_.push_back(seed);
        members_.insert(seed);
        bool const closed = walk(true);
        if (!closed)
            walk(false);
        return {edges_, {quads_.begin(), quads_.end()}};
    }

private:
    bool usable(Index g) const
    {
        return g != kNoIndex && selected_.contains(g) && !taken_.contains(g) && !members_.contains(g) &&
               mesh_.polygon_vertices(g).count == 4;
    }

    // Steps on across the band's back (forward) or front edge while the quad beyond is a usable
    // selected quad; true when the band comes round to its start.
    bool walk(bool forward)
    {
        for (;;) {
            VertexPair const edge = forward ? edges_.back() : edges_.front();
            Index const g = across(mesh_, edge, forward ? quads_.back() : quads_.front());
            if (!usable(g))
                return false;
            VertexPair const next = opposite_in_quad(mesh_.polygon_vertices(g), edge);
            if (next.invalid())
                return false;
            if (forward && next == edges_.front()) {
                quads_.push_back(g);
                return true;
            }
            if (edges_.contains(next))
                return false;
            members_.insert(g);
            if (forward) {
                edges_.push_back(next);
                quads_.push_back(g);
            } else {
                edges_.push_front(next);
                quads_.push_front(g);
            }
        }
    }

    MeshInterface const& mesh_;
    PolyMarker const& selected_;
    PolyMarker const& taken_;
    EdgeRing edges_;
    std::deque<Index> quads_;
    PolyMarker members_;
};

double side_length(MeshInterface const& mesh, VertexPair const& e)
{
    return length(mesh.point_position(e.v2) - mesh.point_position(e.v1));
}

// Which of two bands through a quad to keep (its sides ka in band a, kb in band b): the one
// with more quads, then the one whose sides in that quad are longer, then the side with the
// lower point numbers.
bool preferred(MeshInterface const& mesh, Index quad, LoopBand const& a, std::size_t ka, LoopBand const& b, std::size_t kb)
{
    if (a.quads.size() != b.quads.size())
        return a.quads.size() > b.quads.size();
    PolygonVertices const v = mesh.polygon_vertices(quad);
    double const la = side_length(mesh, v.edge(ka)) + side_length(mesh, v.edge(ka + 2));
    double const lb = side_length(mesh, v.edge(kb)) + side_length(mesh, v.edge(kb + 2));
    if (std::abs(la - lb) > 1e-9 * std::max(la, lb))
        return la > lb;
    return std::min(v.edge(ka).key(), v.edge(ka + 2).key()) < std::min(v.edge(kb).key(), v.edge(kb + 2).key());
}

// Orients the band so that the lower-keyed ring side of its seed runs from its lower point.
void orient(MeshInterface const& mesh, LoopBand& band, Index seed, std::size_t k)
{
    PolygonVertices const v = mesh.polygon_vertices(seed);
    VertexPair const a = v.edge(k), b = v.edge(k + 2);
    VertexPair const key_side = a.key() < b.key() ? a : b;
    for (VertexPair const& e : band.edges)
        if (e == key_side) {
            if (e.v1 > e.v2)
                band.edges.flip_all();
            return;
        }
}

} // namespace

LoopBand band_of_ring(MeshInterface const& mesh, EdgeRing const& ring)
{
    LoopBand band;
    if (ring.empty())
        return band;
    band.edges.push_back(ring[0]);
    PolyMarker used;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        Index const q = quad_between(mesh, ring[i], ring[i + 1], used);
        if (q == kNoIndex)
            return band;
        used.insert(q);
        band.quads.push_back(q);
        band.edges.push_back(ring[i + 1]);
    }
    if (ring.size() > 1) {
        Index const q = quad_between(mesh, ring.back(), ring.front(), used);
        if (q != kNoIndex)
            band.quads.push_back(q);
    }
    return band;
}

std::vector<LoopBand> bands_through_selection(MeshInterface const& mesh)
{
    std::vector<Index> seeds;
    PolyMarker selected;
    for (Index f : each(mesh.selected_polygons()))
        if (mesh.polygon_vertices(f).count == 4) {
            seeds.push_back(f);
            selected.insert(f);
        }
    std::sort(seeds.begin(), seeds.end());
    PolyMarker taken;
    EdgeMarker claimed;
    std::vector<LoopBand> bands;
    for (Index seed : seeds) {
        if (taken.contains(seed))
            continue;
        BandWalk walk(mesh, selected, taken);
        LoopBand across_first = walk.grow(seed, 0);
        LoopBand across_second = walk.grow(seed, 1);
        bool const first_wins = preferred(mesh, seed, across_first, 0, across_second, 1);
        std::pair<LoopBand*, std::size_t> const order[2] = {
            first_wins ? std::pair{&across_first, std::size_t(0)} : std::pair{&across_second, std::size_t(1)},
            first_wins ? std::pair{&across_second, std::size_t(1)} : std::pair{&across_first, std::size_t(0)}};
        taken.insert(seed);
        for (auto const& [band, k] : order) {
            if (std::any_of(band->edges.begin(), band->edges.end(), [&](VertexPair const& e) { return claimed.contains(e); }))
                continue;
            for (Index q : band->quads)
                taken.insert(q);
            for (VertexPair const& e : band->edges)
                claimed.insert(e);
            orient(mesh, *band, seed, k);
            bands.push_back(std::move(*band));
            break;
        }
    }
    return bands;
}

namespace {

// The new points of one ring edge inside a rebuilt polygon's vertex cycle: where they start and
// whether the polygon runs along the edge from its first point (the points then come in order).
struct CutRun {
    std::size_t ring_edge;
    std::size_t start;
    bool forward;
};

// Everything the rebuild of one band needs, computed before the mesh changes.
class LoopBuilder {
public:
    LoopBuilder(MeshInterface& mesh, LoopBand const& band, std::size_t cuts_per_edge)
        : mesh_(mesh), band_(band), m_(cuts_per_edge)
    {
        // Positions in the marker are ring positions: the ring holds each edge once.
        index_.reserve(band.edges.size());
        for (VertexPair const& e : band.edges)
            index_.insert(e);
    }

    // Whether the band matches the mesh and every rebuilt polygon stays within the vertex limit.
    bool valid()
    {
        std::size_t const n = band_.edges.size();
        if (n < 2 || m_ == 0 || index_.size() != n || (band_.quads.size() != n - 1 && band_.quads.size() != n))
            return false;
        for (VertexPair const& e : band_.edges) {
            PolyMarker beside;
            std::size_t const count = mesh_.polygons_of_edge(e, beside);
            if (count == 0 || count > 2)
                return false;
            for (Index f : beside)
                if (touched_.insert(f))
                    if (expanded_size(f) > kMaxPolygonVertices)
                        return false;
        }
        PolyMarker quads;
        for (std::size_t i = 0; i < band_.quads.size(); ++i) {
            Index const q = band_.quads[i];
            if (!quads.insert(q) || !mesh_.polygon_exists(q) ||
                !opposite_sides(mesh_.polygon_vertices(q), band_.edges[i], band_.edges[(i + 1) % n]))
                return false;
        }
        return true;
    }

    // Adds the new points of every ring edge at the given fractions of it.
    void add_points(std::span<double const> fractions, std::optional<double> absolute_length)
    {
        at_.reserve(band_.edges.size() * m_);
        cuts_.reserve(band_.edges.size() * m_);
        for (VertexPair const& e : band_.edges) {
            Vector3d const a = mesh_.point_position(e.v1), b = mesh_.point_position(e.v2);
            std::size_t const first = at_.size();
            for (double f : fractions)
                at_.push_back(f);
            if (absolute_length)
                place_absolute(first, *absolute_length / std::max(length(b - a), kLengthEpsilon));
            for (std::size_t j = first; j < at_.size(); ++j)
                cuts_.push_back(mesh_.add_point(a + (b - a) * at_[j]));
        }
    }

    // Rebuilds every polygon along the ring: quads of the band become slices, the others gain the
    // new points along their ring sides. Then the pieces of hard and selected ring edges are
    // marked like the edge they came from.
    void rebuild()
    {
        std::vector<bool> hard, selected;
        for (VertexPair const& e : band_.edges) {
            hard.push_back(mesh_.edge_hard(e));
            selected.push_back(mesh_.selected_edges().contains(e));
        }
        PolyMarker in_band;
        in_band.reserve(band_.quads.size());
        for (std::size_t i = 0; i < band_.quads.size(); ++i) {
            in_band.insert(band_.quads[i]);
            slice(band_.quads[i], i);
        }
        for (Index f : touched_)
            if (!in_band.contains(f))
                widen(f);
        for (std::size_t i = 0; i < band_.edges.size(); ++i) {
            if (!hard[i] && !selected[i])
                continue;
            VertexPair const e = band_.edges[i];
            Index previous = e.v1;
            for (std::size_t j = 0; j <= m_; ++j) {
                Index const next = j < m_ ? cuts_[i * m_ + j] : e.v2;
                if (hard[i])
                    mesh_.set_edge_hard({previous, next}, true);
                if (selected[i])
                    mesh_.set_edge_selection({previous, next}, true);
                previous = next;
            }
        }
    }

private:
    // Keeps the cuts of one edge inside it, in order and apart: scaled by the edge's own length
    // they may fall beyond its ends or on top of each other.
    void place_absolute(std::size_t first, double scale)
    {
        std::size_t const m = at_.size() - first;
        double const gap = std::min(1e-3, 1.0 / double(m + 1));
        double low = 0;
        for (std::size_t j = first; j < at_.size(); ++j)
            low = at_[j] = std::max(at_[j] * scale, low + gap);
        double high = 1;
        for (std::size_t j = at_.size(); j-- > first;)
            high = at_[j] = std::min(at_[j], high - gap);
    }

    std::optional<std::size_t> ring_edge(Index a, Index b) const
    {
        std::size_t const i = index_.position({a, b});
        return i < band_.edges.size() ? std::optional<std::size_t>(i) : std::nullopt;
    }

    std::size_t expanded_size(Index f) const
    {
        PolygonVertices const v = mesh_.polygon_vertices(f);
        std::size_t size = v.count;
        for (std::uint16_t k = 0; k < v.count; ++k)
            if (ring_edge(v[k], v[(k + 1) % v.count]))
                size += m_;
        return size;
    }

    // Polygon f's vertex cycle with the new points of its ring sides in place.
    void expand(Index f)
    {
        cycle_.clear();
        runs_.clear();
        PolygonVertices const v = mesh_.polygon_vertices(f);
        for (std::uint16_t k = 0; k < v.count; ++k) {
            std::uint16_t const k1 = static_cast<std::uint16_t>((k + 1) % v.count);
            cycle_.push_back({v[k], k, k, 0.0});
            std::optional<std::size_t> const i = ring_edge(v[k], v[k1]);
            if (!i)
                continue;
            bool const forward = band_.edges[*i].v1 == v[k];
            runs_.push_back({*i, cycle_.size(), forward});
            for (std::size_t jj = 0; jj < m_; ++jj) {
                std::size_t const j = *i * m_ + (forward ? jj : m_ - 1 - jj);
                cycle_.push_back({cuts_[j], k, k1, forward ? at_[j] : 1 - at_[j]});
            }
        }
    }

    // Where new point j of ring edge i sits in the expanded cycle.
    std::size_t position(std::size_t i, std::size_t j) const
    {
        for (CutRun const& run : runs_)
            if (run.ring_edge == i)
                return run.start + (run.forward ? j : m_ - 1 - j);
        return 0;
    }

    // Appends the expanded cycle from position a round to position b, both included.
    void append_segment(std::vector<CornerSource>& out, std::size_t a, std::size_t b) const
    {
        for (std::size_t k = a;; k = (k + 1) % cycle_.size()) {
            out.push_back(cycle_[k]);
            if (k == b)
                return;
        }
    }

    void widen(Index f)
    {
        expand(f);
        PolygonProperties const before = properties(f);
        replace(f, cycle_, before);
    }

    // Cuts band quad f (between ring edges slot and slot + 1) into m + 1 slices along the lines
    // joining the matching new points of its two ring edges.
    void slice(Index f, std::size_t slot)
    {
        expand(f);
        std::size_t const p = slot, q = (slot + 1) % band_.edges.size();
        bool const forward = std::any_of(runs_.begin(), runs_.end(), [&](CutRun const& r) { return r.ring_edge == p && r.forward; });
        auto const at_p = [&](std::size_t j) { return position(p, j); };
        auto const at_q = [&](std::size_t j) { return position(q, j); };
        PolygonProperties const before = properties(f);
        bool const was_selected = mesh_.polygon_selected(f);
        // Slice k runs between the k-th and (k + 1)-th lines across the quad; the first keeps
        // the quad's index and is written last, once the others no longer need its old list.
        auto const build = [&](std::size_t k) {
            slice_.clear();
            if (forward) {
                if (k == 0) {
                    append_segment(slice_, at_q(0), at_p(0));
                } else if (k == m_) {
                    append_segment(slice_, at_p(m_ - 1), at_q(m_ - 1));
                } else {
                    append_segment(slice_, at_p(k - 1), at_p(k));
                    append_segment(slice_, at_q(k), at_q(k - 1));
                }
            } else if (k == 0) {
                append_segment(slice_, at_p(0), at_q(0));
            } else if (k == m_) {
                append_segment(slice_, at_q(m_ - 1), at_p(m_ - 1));
            } else {
                append_segment(slice_, at_q(k - 1), at_q(k));
                append_segment(slice_, at_p(k), at_p(k - 1));
            }
        };
        for (std::size_t k = 1; k <= m_; ++k) {
            build(k);
            Index const g = mesh_.add_polygon(points_of(slice_), f);
            if (g == kNoIndex)
                continue;
            set_interpolated_values(mesh_, g, slice_, before);
            if (was_selected)
                mesh_.set_polygon_selection(g, true);
        }
        build(0);
        replace(f, slice_, before);
    }

    PolygonProperties properties(Index f) const { return properties_to_keep(mesh_, f); }

    CompactIndexArray const& points_of(std::vector<CornerSource> const& corners)
    {
        list_.clear();
        for (CornerSource const& c : corners)
            list_.push_back(c.point);
        return list_;
    }

    void replace(Index f, std::vector<CornerSource> const& corners, PolygonProperties const& before)
    {
        if (mesh_.set_polygon_vertices(f, points_of(corners)))
            set_interpolated_values(mesh_, f, corners, before);
    }

    MeshInterface& mesh_;
    LoopBand const& band_;
    std::size_t m_;
    EdgeMarker index_;
    PolyMarker touched_;
    std::vector<double> at_;
    std::vector<Index> cuts_;
    std::vector<CornerSource> cycle_, slice_;
    std::vector<CutRun> runs_;
    CompactIndexArray list_;
};

} // namespace

bool insert_loops(MeshInterface& mesh, LoopBand const& band, std::span<double const> fractions,
                  std::optional<double> absolute_length)
{
    LoopBuilder builder(mesh, band, fractions.size());
    if (!builder.valid())
        return false;
    builder.add_points(fractions, absolute_length);
    builder.rebuild();
    return true;
}

} // namespace tolvir
