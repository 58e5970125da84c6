#include "teskar/mesh_journal.h"

#include "vornsdk/plugin.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace teskar {

using namespace VORNSDK;

namespace {

std::uint32_t next_journal_id()
{
    static std::uint32_t id = 0;
    return ++id;
}

// Keeps, for every element, the state with the earliest tick; a and b list each element once.
// move_in adapts a state of b to a (its slices point into b's pool).
template <class State, class Key, class MoveIn>
void merge_earliest(std::vector<State>& a, std::vector<State>& b, Key key, MoveIn move_in)
{
    std::unordered_map<Index, std::size_t> where;
    for (std::size_t i = 0; i < a.size(); ++i)
        where.emplace(key(a[i]), i);
    for (State& s : b) {
        auto it = where.find(key(s));
        if (it == where.end())
            a.push_back(move_in(s));
        else if (s.tick < a[it->second].tick)
            a[it->second] = move_in(s);
    }
    b.clear();
}

} // namespace

MeshJournal::MeshJournal(Mesh& mesh)
    : mesh_(&mesh), keep_(mesh.owner_ ? mesh.owner_->component() : Component()), id_(next_journal_id())
{
}

MeshJournal::Slice MeshJournal::States::keep(std::span<Index const> list)
{
    Slice const s{static_cast<std::uint32_t>(pool.size()), static_cast<std::uint32_t>(list.size())};
    pool.insert(pool.end(), list.begin(), list.end());
    return s;
}

bool MeshJournal::unchanged() const
{
    Mesh const& m = *mesh_;
    for (auto const& s : before_.points)
        if (s.occupied != m.point_exists(s.p) || (s.occupied && !same_bits(s.position, m.positions_[s.p])))
            return false;
    for (auto const& s : before_.adjacency)
        if (!std::ranges::equal(before_.get(s.polygons), m.point_polys_.get(s.p)))
            return false;
    // Each saved polygon brought its values in every map that had some; the same count of values
    // now, each equal to the saved one, means the same values.
    std::size_t values_now = 0;
    for (auto const& s : before_.polygons) {
        if (s.occupied != m.polygon_exists(s.f))
            return false;
        if (!s.occupied)
            continue;
        if (s.material != m.materials_[s.f] || !std::ranges::equal(before_.get(s.vertices), m.corners_.get(s.f)))
            return false;
        for (auto const& map : m.maps_)
            values_now += map.values.contains(s.f);
    }
    if (values_now != before_.maps.size())
        return false;
    for (auto const& v : before_.maps) {
        auto const& now = m.maps_[v.map].values;
        auto it = now.find(v.f);
        if (it == now.end() || it->second.size() != v.values.size() ||
            std::memcmp(it->second.data(), v.values.data(), v.values.size() * sizeof(float)) != 0)
            return false;
    }
    if (!before_.sets)
        return true;
    // Edges compare with their orientation, which undo puts back too.
    auto const same_edges = [](OrderedSet<VertexPair> const& a, OrderedSet<VertexPair> const& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](VertexPair x, VertexPair y) {
                   return x.v1 == y.v1 && x.v2 == y.v2;
               });
    };
    Sets const& s = *before_.sets;
    return s.points == m.sel_points_ && s.polygons == m.sel_polys_ && same_edges(s.edges, m.sel_edges_) &&
           same_edges(s.hard, m.hard_);
}

void MeshJournal::save_position(Index p)
{
    if (mesh_->position_stamp_[p] == id_)
        return;
    mesh_->position_stamp_[p] = id_;
    before_.points.push_back({p, mesh_->point_exists(p), mesh_->positions_[p], UndoHistory::instance().tick()});
}

void MeshJournal::reserve_positions(std::size_t count)
{
    // Room grows geometrically, so that many small calls stay linear.
    std::size_t const needed = before_.points.size() + count;
    if (needed > before_.points.capacity())
        before_.points.reserve(std::max(needed, 2 * before_.points.capacity()));
}

void MeshJournal::save_positions(std::span<Index const> points)
{
    reserve_positions(points.size());
    auto const tick = UndoHistory::instance().tick();
    for (Index p : points) {
        if (!mesh_->point_exists(p) || mesh_->position_stamp_[p] == id_)
            continue;
        mesh_->position_stamp_[p] = id_;
        before_.points.push_back({p, true, mesh_->positions_[p], tick});
    }
}

void MeshJournal::save_added_point(Index p)
{
    mesh_->position_stamp_[p] = id_;
    mesh_->adjacency_stamp_[p] = id_;
    auto const tick = UndoHistory::instance().tick();
    before_.points.push_back({p, false, {}, tick});
    before_.adjacency.push_back({p, Slice{}, tick});
}

void MeshJournal::save_added(Index first_point, Index points, Index first_polygon, Index polygons)
{
    auto const tick = UndoHistory::instance().tick();
    before_.points.reserve(before_.points.size() + points);
    before_.adjacency.reserve(before_.adjacency.size() + points);
    before_.polygons.reserve(before_.polygons.size() + polygons);
    for (Index p = first_point; p < first_point + points; ++p) {
        mesh_->position_stamp_[p] = id_;
        mesh_->adjacency_stamp_[p] = id_;
        before_.points.push_back({p, false, {}, tick});
        before_.adjacency.push_back({p, Slice{}, tick});
    }
    for (Index f = first_polygon; f < first_polygon + polygons; ++f) {
        mesh_->polygon_stamp_[f] = id_;
        before_.polygons.push_back({f, false, Slice{}, 0, tick});
    }
}

void MeshJournal::save_adjacency(Index p)
{
    if (mesh_->adjacency_stamp_[p] == id_)
        return;
    mesh_->adjacency_stamp_[p] = id_;
    before_.adjacency.push_back({p, before_.keep(mesh_->point_polys_.get(p)), UndoHistory::instance().tick()});
}

void MeshJournal::save_polygon_into(States& states, Index f, std::uint64_t tick) const
{
    PolygonState s{f, mesh_->polygon_exists(f), Slice{}, 0, tick};
    if (s.occupied) {
        s.vertices = states.keep(mesh_->corners_.get(f));
        s.material = mesh_->materials_[f];
        for (std::size_t m = 0; m < mesh_->maps_.size(); ++m) {
            auto it = mesh_->maps_[m].values.find(f);
            if (it != mesh_->maps_[m].values.end())
                states.maps.push_back({f, m, it->second});
        }
    }
    states.polygons.push_back(s);
}

void MeshJournal::save_polygon(Index f)
{
    if (mesh_->polygon_stamp_[f] == id_)
        return;
    mesh_->polygon_stamp_[f] = id_;
    save_polygon_into(before_, f, UndoHistory::instance().tick());
}

void MeshJournal::save_added_polygon(Index f)
{
    mesh_->polygon_stamp_[f] = id_;
    before_.polygons.push_back({f, false, Slice{}, 0, UndoHistory::instance().tick()});
}

MeshJournal::Sets MeshJournal::sets_state(std::uint64_t tick) const
{
    return {mesh_->sel_points_, mesh_->sel_polys_, mesh_->sel_edges_, mesh_->hard_, tick};
}

void MeshJournal::save_sets()
{
    if (!before_.sets)
        before_.sets = sets_state(UndoHistory::instance().tick());
}

MeshJournal::States MeshJournal::capture(States const& states) const
{
    States now;
    now.points.reserve(states.points.size());
    now.adjacency.reserve(states.adjacency.size());
    now.polygons.reserve(states.polygons.size());
    for (auto const& s : states.points)
        now.points.push_back({s.p, mesh_->point_exists(s.p), mesh_->positions_[s.p], s.tick});
    for (auto const& s : states.adjacency)
        now.adjacency.push_back({s.p, now.keep(mesh_->point_polys_.get(s.p)), s.tick});
    for (auto const& s : states.polygons)
        save_polygon_into(now, s.f, s.tick);
    if (states.sets)
        now.sets = sets_state(states.sets->tick);
    return now;
}

void MeshJournal::apply(States const& states)
{
    Mesh& m = *mesh_;
    for (auto const& s : states.points) {
        m.points_.set_occupied(s.p, s.occupied);
        m.positions_[s.p] = s.position;
    }
    for (auto const& s : states.adjacency)
        m.point_polys_.assign(s.p, states.get(s.polygons));
    for (auto const& s : states.polygons) {
        m.polygons_.set_occupied(s.f, s.occupied);
        m.corners_.assign(s.f, states.get(s.vertices));
        m.materials_[s.f] = s.material;
        if (!m.maps_.empty())
            for (auto& map : m.maps_)
                map.values.erase(s.f);
    }
    for (auto const& v : states.maps)
        m.maps_[v.map].values[v.f] = v.values;
    if (states.sets) {
        for (Index p : m.sel_points_)
            m.point_selected_[p] = 0;
        for (Index f : m.sel_polys_)
            m.poly_selected_[f] = 0;
        m.sel_points_ = states.sets->points;
        m.sel_polys_ = states.sets->polygons;
        m.sel_edges_ = states.sets->edges;
        m.hard_ = states.sets->hard;
        for (Index p : m.sel_points_)
            m.point_selected_[p] = 1;
        for (Index f : m.sel_polys_)
            m.poly_selected_[f] = 1;
    }
    m.changed();
}

void MeshJournal::undo()
{
    after_ = capture(before_);
    apply(before_);
}

void MeshJournal::redo() { apply(after_); }

void MeshJournal::revert()
{
    // The slots at the end that this part's elements were added in go too: nothing outside the
    // part knew them, and an edit run again from the start takes the same slots again instead of
    // growing the mesh by its size each time.
    auto const added_tail = [](auto const& states, auto const& index, Index slots) {
        std::vector<bool> added(slots, false);
        for (auto const& s : states)
            if (!s.occupied && index(s) < slots)
                added[index(s)] = true;
        Index keep = slots;
        while (keep > 0 && added[keep - 1])
            --keep;
        return keep;
    };
    Index const points = added_tail(before_.points, [](PointState const& s) { return s.p; }, mesh_->points_.slots());
    Index const polygons =
        added_tail(before_.polygons, [](PolygonState const& s) { return s.f; }, mesh_->polygons_.slots());
    // What goes with the dropped slots needs no putting back first.
    std::erase_if(before_.points, [&](PointState const& s) { return s.p >= points; });
    std::erase_if(before_.adjacency, [&](AdjacencyState const& s) { return s.p >= points; });
    std::erase_if(before_.polygons, [&](PolygonState const& s) { return s.f >= polygons; });
    std::erase_if(before_.maps, [&](MapValues const& v) { return v.f >= polygons; });
    apply(before_);
    mesh_->drop_slots(points, polygons);
    before_ = States();
    after_ = States();
    id_ = next_journal_id();
}

void MeshJournal::stamp()
{
    for (auto const& s : before_.points)
        mesh_->position_stamp_[s.p] = id_;
    for (auto const& s : before_.adjacency)
        mesh_->adjacency_stamp_[s.p] = id_;
    for (auto const& s : before_.polygons)
        mesh_->polygon_stamp_[s.f] = id_;
}

void MeshJournal::absorb(StepPart& other_part)
{
    auto& other = static_cast<MeshJournal&>(other_part);
    // A part that holds nothing yet (as after a revert) takes the other's states whole, and its
    // stamps with its name, since the other part goes.
    if (before_.points.empty() && before_.adjacency.empty() && before_.polygons.empty() && before_.maps.empty() &&
        !before_.sets) {
        std::swap(before_, other.before_);
        std::swap(id_, other.id_);
        return;
    }
    States& theirs = other.before_;
    merge_earliest(before_.points, theirs.points, [](PointState const& s) { return s.p; },
                   [](PointState const& s) { return s; });
    merge_earliest(before_.adjacency, theirs.adjacency, [](AdjacencyState const& s) { return s.p; },
                   [&](AdjacencyState s) {
                       s.polygons = before_.keep(theirs.get(s.polygons));
                       return s;
                   });
    // Map values travel with the polygon state they belong to: whichever state of a polygon wins
    // the merge brings its values.
    std::unordered_map<Index, std::uint64_t> their_tick;
    for (auto const& st : theirs.polygons)
        their_tick.emplace(st.f, st.tick);
    merge_earliest(before_.polygons, theirs.polygons, [](PolygonState const& st) { return st.f; },
                   [&](PolygonState st) {
                       st.vertices = before_.keep(theirs.get(st.vertices));
                       return st;
                   });
    std::unordered_map<Index, std::uint64_t> winner;
    for (auto const& st : before_.polygons)
        winner.emplace(st.f, st.tick);
    auto const theirs_won = [&](Index f) {
        auto it = their_tick.find(f);
        return it != their_tick.end() && winner[f] == it->second;
    };
    std::erase_if(before_.maps, [&](MapValues const& v) { return theirs_won(v.f); });
    for (auto& v : theirs.maps)
        if (theirs_won(v.f))
            before_.maps.push_back(std::move(v));
    theirs.maps.clear();
    theirs.pool.clear();
    if (other.before_.sets && (!before_.sets || other.before_.sets->tick < before_.sets->tick))
        before_.sets = std::move(other.before_.sets);
    other.before_.sets.reset();
    stamp();
}

} // namespace teskar
