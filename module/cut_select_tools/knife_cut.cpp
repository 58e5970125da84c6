#include "cut_select_tools/knife_cut.h"

#include "cut_select_tools/seam_caps.h"
#include "edge_tools/corner_values.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

// A crossing this close to an end of a side, relative to the side's length or to the size of the
// end's coordinates, is taken to lie on that end: a new point there would make a sliver (a second
// cut along the first, say, whose crossings differ from the first one's points by rounding).
constexpr double kSnap = 1e-9;

double largest_coordinate(Vector3d const& p) { return std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z)}); }

enum Side : std::uint8_t { kUnknown = 0, kBelow = 1, kAbove = 2 };

// The point where the plane crosses a side: a new point on it, or one of its ends.
struct CutPoint {
    VertexPair side;
    Index point;
    // Where a new point lies, as the fraction of the way from side.sorted_v1().
    double at;
    bool fresh;
    // The side's marks, kept for its pieces.
    bool hard, selected;
    // Made for the line's end inside a polygon rather than by a division.
    bool for_end;
    // The crossing lies within the line as the origin sees it.
    bool within;
};

// Whether polygon vertices v run along the side a-b in either direction.
bool has_side(PolygonVertices const& v, Index a, Index b)
{
    for (std::uint16_t k = 0; k < v.count; ++k)
        if (v[k] == a)
            return v[(k + 1) % v.count] == b || v[(k + v.count - 1) % v.count] == b;
    return false;
}

// A corner of a polygon being divided, in its winding order.
struct Entry {
    CornerSource source;
    std::uint8_t side;
    bool seam;
    // For a seam corner: whether its crossing lies within the line; for a new point, its cut.
    bool within = false;
    std::size_t cut = SIZE_MAX;
};

class Cutter {
public:
    Cutter(MeshInterface& mesh, KnifeLine const& line)
        : mesh_(mesh), plane_(knife_plane(line.start, line.end, line.origin)),
          sight_(line.start, line.end, line.origin), normal_length_(length(plane_.normal)),
          sides_(mesh.points().slots(), kUnknown)
    {
    }

    KnifeCutResult run(KnifeRemove remove)
    {
        if (plane_.degenerate())
            return result_;
        classify_all();
        result_.crossed = crossed_.size();
        result_.end_hits = end_hits_.size();
        for (Index f : crossed_)
            divide(f);
        mark_split_sides();
        for (EndHit const& hit : end_hits_)
            if (mesh_.polygon_exists(hit.polygon))
                cut_point(hit.side, true);
        close_sides();
        if (remove != KnifeRemove::None && part_sides(remove))
            remove_unused_points();
        return result_;
    }

private:
    struct EndHit {
        Index polygon;
        VertexPair side;
    };

    // Below when n.p + d < 0, unless the point lies within a billionth of its coordinates' size
    // from the plane: such a point (a point of an earlier cut along the same plane, off it by
    // rounding) counts as on the plane, which is above.
    std::uint8_t side_of(Index p)
    {
        std::uint8_t& s = sides_[p];
        if (s == kUnknown) {
            Vector3d const q = mesh_.point_position(p);
            double const side = plane_.side(q);
            s = side < 0 && -side > kSnap * normal_length_ * largest_coordinate(q) ? kBelow : kAbove;
        }
        return s;
    }

    void classify_all()
    {
        SelectionSet<Index> const& selected = mesh_.selected_polygons();
        if (selected.empty())
            for (Index f : mesh_.polygons())
                classify(f);
        else
            for (Index f : each(selected))
                classify(f);
    }

    // Crossed polygons (two or more crossings within the line) are divided; a polygon with one
    // keeps the side where the line ends inside it.
    void classify(Index f)
    {
        PolygonVertices const v = mesh_.polygon_vertices(f);
        if (v.count == 0)
            return;
        std::uint8_t const first = side_of(v[0]);
        std::uint16_t k = 1;
        while (k < v.count && side_of(v[k]) == first)
            ++k;
        if (k == v.count)
            return;
        int counted = 0;
        VertexPair end_side;
        for (k = 0; k < v.count; ++k) {
            Index const a = v[k], b = v[(k + 1) % v.count];
            if (side_of(a) == side_of(b) || !within_line(a, b))
                continue;
            if (counted++ == 0)
                end_side = {a, b};
        }
        if (counted >= 2)
            crossed_.push_back(f);
        else if (counted == 1)
            end_hits_.push_back({f, end_side});
    }

    // Whether the plane crosses the side a-b (whose ends lie on either side of it) within the
    // line. From the end below, as the cut point is made: the polygons on either side of a side
    // that the line ends on must agree whether the crossing counts.
    bool within_line(Index a, Index b)
    {
        bool const a_below = side_of(a) == kBelow;
        Vector3d const below = mesh_.point_position(a_below ? a : b), above = mesh_.point_position(a_below ? b : a);
        return sight_.within(below + (above - below) * crossing_fraction(plane_, below, above));
    }

    // The cut point of a side whose ends lie on either side of the plane (its place in cuts_),
    // made on first use. The crossing is computed from the end below, so that it does not depend
    // on which polygon asks.
    std::size_t cut_point(VertexPair const& side, bool for_end)
    {
        auto const [it, made] = cut_index_.try_emplace(side.key(), cuts_.size());
        if (!made) {
            cuts_[it->second].for_end |= for_end;
            return it->second;
        }
        Index const low = side.sorted_v1(), high = side.sorted_v2();
        bool const low_below = side_of(low) == kBelow;
        Index const below = low_below ? low : high, above = low_below ? high : low;
        Vector3d const pb = mesh_.point_position(below), pa = mesh_.point_position(above);
        CutPoint cut{{low, high}, kNoIndex, 0, false, false, false, for_end, within_line(low, high)};
        double const t = plane_.side(pa) == 0 ? 1.0 : crossing_fraction(plane_, pb, pa);
        Vector3d const p = pb + (pa - pb) * t;
        double const reach = kSnap * std::max({length(pa - pb), largest_coordinate(pa), largest_coordinate(pb)});
        if (length(p - pa) <= reach) {
            cut.point = above;
        } else if (length(p - pb) <= reach) {
            cut.point = below;
        } else {
            cut.point = mesh_.add_point(p);
            cut.at = low_below ? t : 1 - t;
            cut.fresh = true;
            cut.hard = mesh_.edge_hard(side);
            cut.selected = mesh_.selected_edges().contains(side);
        }
        cuts_.push_back(cut);
        return cuts_.size() - 1;
    }

    // The corners of f with its cut points in place: new points as corners of their own, ends of
    // sides that the plane crosses at that end marked as lying on the seam.
    bool build_cycle(Index f)
    {
        cycle_.clear();
        PolygonVertices const v = mesh_.polygon_vertices(f);
        std::vector<std::pair<Index, bool>> on_seam;
        for (std::uint16_t k = 0; k < v.count; ++k) {
            std::uint16_t const k1 = static_cast<std::uint16_t>((k + 1) % v.count);
            Index const a = v[k], b = v[k1];
            cycle_.push_back({{a, k, k, 0.0}, side_of(a), false});
            if (side_of(a) == side_of(b))
                continue;
            std::size_t const c = cut_point({a, b}, false);
            CutPoint const& cut = cuts_[c];
            if (!cut.fresh) {
                on_seam.emplace_back(cut.point, cut.within);
                continue;
            }
            double const s = a == cut.side.v1 ? cut.at : 1 - cut.at;
            cycle_.push_back({{cut.point, k, k1, s}, 0, true, cut.within, c});
        }
        for (Entry& e : cycle_)
            for (auto const& [point, within] : on_seam)
                if (e.source.point == point) {
                    e.seam = true;
                    e.within |= within;
                }
        return cycle_.size() <= kMaxPolygonVertices;
    }

    // A maximal run of corners of one kind in the cycle: first and count of cycle positions.
    struct Run {
        std::size_t first, count;
        std::uint8_t side;
    };

    // The cycle cut into arcs (corners off the seam, one side each) and the seam corners where the
    // boundary passes from one side to the other; seam corners where it only touches the plane
    // belong to the arc around them. Arc i lies between crossings i - 1 and i. False when every
    // corner lies on the seam.
    bool arcs_and_crossings(std::vector<Run>& arcs, std::vector<Run>& crossings) const
    {
        std::size_t const n = cycle_.size();
        std::size_t start = 0;
        while (start < n && cycle_[start].seam)
            ++start;
        if (start == n)
            return false;
        // Maximal runs from a corner off the seam: arc, seam run, arc, ..., the sides changing
        // only across seam runs. A trailing arc continues the first one.
        std::vector<Run> runs;
        for (std::size_t i = 0; i < n;) {
            Entry const& e = cycle_[(start + i) % n];
            std::size_t j = i + 1;
            while (j < n && cycle_[(start + j) % n].seam == e.seam && (e.seam || cycle_[(start + j) % n].side == e.side))
                ++j;
            runs.push_back({(start + i) % n, j - i, e.seam ? std::uint8_t(kUnknown) : e.side});
            i = j;
        }
        if (runs.size() % 2 == 1) {
            if (runs.size() == 1) {
                arcs.push_back(runs.front());
                return true;
            }
            runs.front().first = runs.back().first;
            runs.front().count += runs.back().count;
            runs.pop_back();
        }
        // Now runs[2i] is an arc and runs[2i + 1] the seam run after it.
        std::size_t const q = runs.size() / 2;
        auto const arc = [&](std::size_t i) -> Run const& { return runs[2 * (i % q)]; };
        auto const crosses = [&](std::size_t i) { return arc(i).side != arc(i + 1).side; };
        std::size_t first = 0;
        while (first < q && !crosses(first))
            ++first;
        if (first == q) {
            arcs.push_back({arc(0).first, n, arc(0).side});
            return true;
        }
        Run current = arc(first + 1);
        for (std::size_t j = first + 1; j <= first + q; ++j) {
            Run const& seam = runs[2 * (j % q) + 1];
            if (crosses(j)) {
                arcs.push_back(current);
                crossings.push_back(seam);
                current = arc(j + 1);
            } else {
                current.count += seam.count + arc(j + 1).count;
            }
        }
        return true;
    }

    Vector3d position(std::size_t i) const { return mesh_.point_position(cycle_[i].source.point); }

    // Which crossing each crossing joins across the inside of the polygon: neighbours in their
    // order along the cut line, as the polygon's plane meets the knife's.
    std::optional<std::vector<std::size_t>> partners(std::vector<Run> const& crossings) const
    {
        std::size_t const m = crossings.size();
        std::vector<std::size_t> partner(m);
        if (m == 2) {
            partner = {1, 0};
            return partner;
        }
        Vector3d normal;
        for (std::size_t i = 0; i < cycle_.size(); ++i) {
            Vector3d const a = position(i), b = position((i + 1) % cycle_.size());
            normal += Vector3d{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
        }
        Vector3d const along = cross(plane_.normal, normal);
        if (along == Vector3d{})
            return std::nullopt;
        std::vector<std::size_t> order(m);
        std::iota(order.begin(), order.end(), 0);
        std::vector<double> at(m);
        for (std::size_t i = 0; i < m; ++i)
            at[i] = dot(position(crossings[i].first), along);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return at[a] < at[b]; });
        for (std::size_t i = 0; i < m; i += 2) {
            partner[order[i]] = order[i + 1];
            partner[order[i + 1]] = order[i];
        }
        return partner;
    }

    void append_run(std::vector<CornerSource>& out, Run const& run) const
    {
        for (std::size_t i = 0; i < run.count; ++i)
            out.push_back(cycle_[(run.first + i) % cycle_.size()].source);
    }

    // Divides a crossed polygon into its pieces on either side of the plane; a polygon that the
    // plane only touches stays whole and counts as a piece of its side. Only crossings paired with
    // one another within the line are joined: where the line ends inside the polygon, the piece
    // runs on round the outline past the crossing (which keeps its cut point when it lies within
    // the line, as for a line ending inside any polygon), and such a piece belongs to neither side.
    // A polygon whose seam corners cannot be paired up across it (an edge lying in the plane where
    // the boundary passes through it, a polygon folded over the cut line), or whose pieces would
    // be joined along an edge the mesh has already, is left whole; the cut points on its sides
    // still go into it.
    void divide(Index f)
    {
        if (!build_cycle(f))
            return;
        std::vector<Run> arcs, crossings;
        if (!arcs_and_crossings(arcs, crossings))
            return;
        if (crossings.empty()) {
            (arcs.front().side == kBelow ? below_ : above_).push_back(f);
            return;
        }
        if (std::any_of(crossings.begin(), crossings.end(), [](Run const& r) { return r.count != 1; }))
            return;
        auto const partner = partners(crossings);
        if (!partner)
            return;
        std::size_t const m = crossings.size();
        auto const at = [&](std::size_t j) -> Entry const& { return cycle_[crossings[j].first]; };
        std::vector<bool> joined(m);
        bool any_joined = false, ends_inside = false;
        for (std::size_t j = 0; j < m; ++j) {
            joined[j] = at(j).within && at((*partner)[j]).within;
            any_joined |= joined[j];
            if (at(j).within && !joined[j]) {
                ends_inside = true;
                if (at(j).cut != SIZE_MAX)
                    cuts_[at(j).cut].for_end = true;
            }
        }
        result_.end_hits += ends_inside;
        if (!any_joined)
            return;
        // A line across the polygon that the mesh has already (a polygon folded over another one
        // that the cut divides the same way) would be run by more than two polygons.
        for (std::size_t j = 0; j < m; ++j)
            if (joined[j] && mesh_.edge_exists({at(j).source.point, at((*partner)[j]).source.point}))
                return;
        // Arc i lies between crossings i - 1 and i. A piece follows an arc to its crossing, goes
        // across the polygon to that crossing's partner when the two are joined, and follows the
        // arc after the partner, or else the arc after the crossing.
        std::vector<std::vector<CornerSource>> pieces;
        std::vector<std::uint8_t> piece_sides;
        std::vector<bool> done(m, false);
        for (std::size_t i = 0; i < m; ++i) {
            if (done[i])
                continue;
            std::vector<CornerSource> piece;
            std::uint8_t side = arcs[i].side;
            for (std::size_t j = i;;) {
                if (done[j])
                    return;
                done[j] = true;
                append_run(piece, arcs[j]);
                std::size_t next = (j + 1) % m;
                if (joined[j]) {
                    append_run(piece, crossings[j]);
                    append_run(piece, crossings[(*partner)[j]]);
                    next = ((*partner)[j] + 1) % m;
                    if (arcs[next].side != arcs[j].side)
                        return;
                } else {
                    // A new point there goes into the piece with the rest of its side's polygons.
                    if (at(j).cut == SIZE_MAX)
                        append_run(piece, crossings[j]);
                    side = kUnknown;
                }
                if (next == i)
                    break;
                j = next;
            }
            // Begin at the crossing the piece comes from, as the outline runs.
            std::rotate(piece.begin(), piece.end() - 1, piece.end());
            pieces.push_back(std::move(piece));
            piece_sides.push_back(side);
        }
        write_pieces(f, pieces, piece_sides);
    }

    void write_pieces(Index f, std::vector<std::vector<CornerSource>> const& pieces,
                      std::vector<std::uint8_t> const& piece_sides)
    {
        PolygonProperties const before = properties_to_keep(mesh_, f);
        bool const selected = mesh_.polygon_selected(f);
        // The new pieces come first, so that the sides f keeps in them do not vanish for a moment.
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            Index const g = mesh_.add_polygon(points_of(pieces[i]), f);
            if (g == kNoIndex)
                continue;
            set_interpolated_values(mesh_, g, pieces[i], before);
            if (selected)
                mesh_.set_polygon_selection(g, true);
            keep_side(g, piece_sides[i]);
        }
        if (mesh_.set_polygon_vertices(f, points_of(pieces[0])))
            set_interpolated_values(mesh_, f, pieces[0], before);
        keep_side(f, piece_sides[0]);
        ++result_.divided;
        result_.changed = true;
    }

    // A piece on both sides (where the line ends inside its polygon) seeds no part.
    void keep_side(Index g, std::uint8_t side)
    {
        if (side != kUnknown)
            (side == kBelow ? below_ : above_).push_back(g);
    }

    void mark_split_sides()
    {
        for (CutPoint const& cut : cuts_) {
            if (!cut.fresh || (!cut.hard && !cut.selected))
                continue;
            for (VertexPair const half : {VertexPair{cut.side.v1, cut.point}, VertexPair{cut.point, cut.side.v2}}) {
                if (cut.hard)
                    mesh_.set_edge_hard(half, true);
                if (cut.selected)
                    mesh_.set_edge_selection(half, true);
            }
        }
    }

    // Puts every new cut point that a piece uses, or that marks where the line ends, into the
    // polygons still running along its whole side, so that no crack opens there; the other new
    // points go again.
    void close_sides()
    {
        std::vector<Index> along;
        for (CutPoint const& cut : cuts_) {
            if (!cut.fresh)
                continue;
            if (!cut.for_end && mesh_.point_polygons(cut.point).empty()) {
                mesh_.remove_point(cut.point);
                continue;
            }
            along.clear();
            for (Index g : mesh_.point_polygons(cut.side.v1))
                if (has_side(mesh_.polygon_vertices(g), cut.side.v1, cut.side.v2))
                    along.push_back(g);
            for (Index g : along)
                insert_cut(g, cut);
            seam_.push_back(cut.point);
        }
        for (CutPoint const& cut : cuts_)
            if (!cut.fresh)
                seam_.push_back(cut.point);
    }

    void insert_cut(Index g, CutPoint const& cut)
    {
        PolygonProperties const before = properties_to_keep(mesh_, g);
        if (!mesh_.insert_point_in_polygon(g, cut.side, cut.point))
            return;
        result_.changed = true;
        if (before.corner_values.empty())
            return;
        PolygonVertices const v = mesh_.polygon_vertices(g);
        std::vector<CornerSource> corners;
        std::uint16_t old = 0;
        for (std::uint16_t k = 0; k < v.count; ++k) {
            if (v[k] != cut.point) {
                corners.push_back({v[k], old, old, 0.0});
                ++old;
                continue;
            }
            std::uint16_t const n = static_cast<std::uint16_t>(v.count - 1);
            std::uint16_t const k0 = static_cast<std::uint16_t>((old + n - 1) % n), k1 = static_cast<std::uint16_t>(old % n);
            double const s = v[(k + v.count - 1) % v.count] == cut.side.v1 ? cut.at : 1 - cut.at;
            corners.push_back({cut.point, k0, k1, s});
        }
        set_interpolated_values(mesh_, g, corners, before);
    }

    // Side A or B, or both apart: each connected part of the chosen side is gathered from its
    // pieces through points off the seam, and acted on only when it reaches no point of the other
    // side, that is when the cut separates it. True when that changed anything.
    bool part_sides(KnifeRemove remove)
    {
        std::vector<Index> const& seeds = remove == KnifeRemove::SideB ? above_ : below_;
        std::uint8_t const other_side = remove == KnifeRemove::SideB ? kBelow : kAbove;
        if (seeds.empty())
            return false;
        std::size_t const points = mesh_.points().slots(), polygons = mesh_.polygons().slots();
        on_seam_.assign(points, 0);
        for (Index p : seam_)
            on_seam_[p] = 1;
        // Each polygon's state: not reached, reached in a part the cut separates, or reached in a
        // part it does not.
        enum : std::uint8_t { kFree = 0, kParted = 1, kJoined = 2 };
        std::vector<std::uint8_t> state(polygons, kFree), passed(points, 0);
        // Breadth first, each polygon's corners fetched into the cache when it is queued, well ahead
        // of its turn: the walk waits on the mesh's scattered lists more than it computes (a third
        // faster than depth first on a grid's half).
        std::vector<Index> queue;
        auto const enqueue = [&](Index h) {
            state[h] = kParted;
            __builtin_prefetch(mesh_.polygon_vertices(h).first);
            queue.push_back(h);
        };
        bool any = false;
        for (Index seed : seeds) {
            if (state[seed] != kFree || !mesh_.polygon_exists(seed))
                continue;
            queue.clear();
            bool joined = false;
            enqueue(seed);
            for (std::size_t next = 0; next < queue.size(); ++next) {
                PolygonVertices const corners = mesh_.polygon_vertices(queue[next]);
                for (std::uint16_t k = 0; k < corners.count; ++k) {
                    Index const v = corners[k], w = corners[k + 1 == corners.count ? 0 : k + 1];
                    // A polygon lying wholly on the seam (an earlier cap, a face in the plane)
                    // goes with the part it closes, the one it shares a side with.
                    if (on_seam_[v] && on_seam_[w])
                        for (Index h : mesh_.point_polygons(v))
                            if (state[h] == kFree && on_seam(mesh_.polygon_vertices(h)) &&
                                has_side(mesh_.polygon_vertices(h), v, w))
                                enqueue(h);
                    if (on_seam_[v] || passed[v])
                        continue;
                    passed[v] = 1;
                    // Points off the seam are the mesh's own: the cut's new points all lie on it.
                    joined |= side_of(v) == other_side;
                    for (Index h : mesh_.point_polygons(v))
                        if (state[h] == kFree)
                            enqueue(h);
                }
            }
            if (joined)
                for (Index g : queue)
                    state[g] = kJoined;
            any |= !joined;
        }
        if (!any)
            return false;
        auto const parted = [&](Index g) { return g < state.size() && state[g] == kParted; };
        std::size_t changes = 0;
        if (remove == KnifeRemove::Separate) {
            changes = detach(parted);
        } else {
            // In index order, which keeps the host's bookkeeping of neighbouring polygons together.
            for (Index g = 0; g < state.size(); ++g)
                if (state[g] == kParted) {
                    mesh_.remove_polygon(g);
                    ++result_.removed;
                }
            changes = result_.removed;
        }
        result_.caps = cap_loops(mesh_, seam_, plane_.normal);
        changes += result_.caps;
        result_.changed |= changes > 0;
        return changes > 0;
    }

    bool on_seam(PolygonVertices const& v) const
    {
        return std::all_of(v.begin(), v.end(), [&](Index p) { return on_seam_[p] != 0; });
    }

    // Gives the polygons of the parts their own copies of the seam points they share with the
    // rest of the mesh. Answers the number of copies.
    template <class Parted>
    std::size_t detach(Parted const& parted)
    {
        std::vector<Index> touching;
        PolyMarker seen;
        for (Index p : seam_) {
            auto const around = mesh_.point_polygons(p);
            if (std::all_of(around.begin(), around.end(), parted)) {
                on_seam_[p] = 0;
                continue;
            }
            for (Index g : around)
                if (parted(g) && seen.insert(g))
                    touching.push_back(g);
        }
        std::unordered_map<Index, Index> copies;
        std::vector<Index> made_copies;
        std::vector<CornerSource> corners;
        std::vector<std::pair<bool, bool>> marks;
        for (Index g : touching) {
            PolygonVertices const v = mesh_.polygon_vertices(g);
            corners.clear();
            marks.clear();
            for (std::uint16_t k = 0; k < v.count; ++k) {
                Index p = v[k];
                if (on_seam_[p]) {
                    auto [it, made] = copies.try_emplace(p, kNoIndex);
                    if (made) {
                        it->second = mesh_.add_point(mesh_.point_position(p));
                        made_copies.push_back(it->second);
                    }
                    p = it->second;
                }
                corners.push_back({p, k, k, 0.0});
                VertexPair const side = v.edge(k);
                marks.emplace_back(mesh_.edge_hard(side), mesh_.selected_edges().contains(side));
            }
            PolygonProperties const before = properties_to_keep(mesh_, g);
            if (!mesh_.set_polygon_vertices(g, points_of(corners)))
                continue;
            set_interpolated_values(mesh_, g, corners, before);
            for (std::size_t k = 0; k < corners.size(); ++k) {
                VertexPair const side{corners[k].point, corners[(k + 1) % corners.size()].point};
                if (marks[k].first)
                    mesh_.set_edge_hard(side, true);
                if (marks[k].second)
                    mesh_.set_edge_selection(side, true);
            }
        }
        on_seam_.resize(mesh_.points().slots(), 0);
        for (Index copy : made_copies) {
            seam_.push_back(copy);
            on_seam_[copy] = 1;
        }
        return made_copies.size();
    }

    void remove_unused_points()
    {
        std::vector<Index> unused;
        for (Index p : mesh_.points())
            if (mesh_.point_polygons(p).empty())
                unused.push_back(p);
        for (Index p : unused)
            mesh_.remove_point(p);
    }

    MeshInterface& mesh_;
    KnifePlane const plane_;
    KnifeSight const sight_;
    double const normal_length_;
    std::vector<std::uint8_t> sides_;
    std::vector<Index> crossed_;
    std::vector<EndHit> end_hits_;
    std::vector<CutPoint> cuts_;
    std::unordered_map<std::uint64_t, std::size_t> cut_index_;
    std::vector<Entry> cycle_;
    // The pieces of the crossed polygons on either side, and the points the cut runs through.
    std::vector<Index> below_, above_, seam_;
    std::vector<std::uint8_t> on_seam_;
    KnifeCutResult result_;
};

} // namespace

KnifeCutResult knife_cut(MeshInterface& mesh, KnifeLine const& line, KnifeRemove remove)
{
    return Cutter(mesh, line).run(remove);
}

} // namespace tolvir
