#include "teskar/mesh_journal.h"

#include "vornsdk/plugin.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace teskar {

using namespace VORNSDK;

namespace {

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

bool same_values(std::vector<float> const& a, std::vector<float> const& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

} // namespace

MeshJournal::MeshJournal(Mesh& mesh)
    : mesh_(&mesh), keep_(mesh.owner_ ? mesh.owner_->component() : Component()),
      first_new_point_(mesh.points_.slots()), first_new_polygon_(mesh.polygons_.slots()),
      scan_point_(first_new_point_), scan_polygon_(first_new_polygon_)
{
}

MeshJournal::Slice MeshJournal::States::keep(std::span<Index const> list)
{
    Slice const s{static_cast<std::uint32_t>(pool.size()), static_cast<std::uint32_t>(list.size())};
    pool.insert(pool.end(), list.begin(), list.end());
    return s;
}

bool MeshJournal::any_added_alive() const
{
    Mesh const& m = *mesh_;
    for (Index p = scan_point_; p < m.points_.slots(); ++p)
        if (m.point_exists(p))
            return true;
    for (Index f = scan_polygon_; f < m.polygons_.slots(); ++f)
        if (m.polygon_exists(f))
            return true;
    return false;
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
    for (auto const& s : before_.marks)
        if (s.marks != m.side_marks_[s.f])
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
        if (it == now.end() || !same_values(it->second, v.values))
            return false;
    }
    if (any_added_alive())
        return false;
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
           s.long_marks == m.long_side_marks_;
}

void MeshJournal::save_position(Index p)
{
    if (p >= first_new_point_ || !saved_positions_.first_time(p))
        return;
    before_.points.push_back({p, mesh_->point_exists(p), mesh_->positions_[p], mesh_->history_.tick()});
}

void MeshJournal::save_positions(std::span<Index const> points)
{
    // One tick serves them all: the states of different points are never weighed against each
    // other.
    std::uint64_t const tick = mesh_->history_.tick();
    for (Index p : points)
        if (p < first_new_point_ && saved_positions_.first_time(p))
            before_.points.push_back({p, true, mesh_->positions_[p], tick});
}

void MeshJournal::reserve_positions(std::size_t count)
{
    // Room grows geometrically, so that many small calls stay linear.
    std::size_t const needed = before_.points.size() + count;
    if (needed > before_.points.capacity())
        before_.points.reserve(std::max(needed, 2 * before_.points.capacity()));
}

void MeshJournal::reserve_marks(std::size_t count)
{
    std::size_t const needed = before_.marks.size() + count;
    if (needed > before_.marks.capacity())
        before_.marks.reserve(std::max(needed, 2 * before_.marks.capacity()));
}

void MeshJournal::save_adjacency(Index p)
{
    if (p >= first_new_point_ || !saved_adjacency_.first_time(p))
        return;
    before_.adjacency.push_back({p, before_.keep(mesh_->point_polys_.get(p)), mesh_->history_.tick()});
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
    if (f >= first_new_polygon_ || !saved_polygons_.first_time(f))
        return;
    save_polygon_into(before_, f, mesh_->history_.tick());
}

void MeshJournal::save_marks(Index f)
{
    if (f >= first_new_polygon_ || !saved_marks_.first_time(f))
        return;
    before_.marks.push_back({f, mesh_->side_marks_[f], mesh_->history_.tick()});
}

MeshJournal::Sets MeshJournal::sets_state(std::uint64_t tick) const
{
    return {mesh_->sel_points_, mesh_->sel_polys_, mesh_->sel_edges_, mesh_->long_side_marks_, tick};
}

void MeshJournal::save_sets()
{
    if (!before_.sets)
        before_.sets = sets_state(mesh_->history_.tick());
}

MeshJournal::States MeshJournal::capture(States const& states) const
{
    States now;
    now.points.reserve(states.points.size());
    now.adjacency.reserve(states.adjacency.size());
    now.polygons.reserve(states.polygons.size());
    now.marks.reserve(states.marks.size());
    for (auto const& s : states.points)
        now.points.push_back({s.p, mesh_->point_exists(s.p), mesh_->positions_[s.p], s.tick});
    for (auto const& s : states.adjacency)
        now.adjacency.push_back({s.p, now.keep(mesh_->point_polys_.get(s.p)), s.tick});
    for (auto const& s : states.polygons)
        save_polygon_into(now, s.f, s.tick);
    for (auto const& s : states.marks)
        now.marks.push_back({s.f, mesh_->side_marks_[s.f], s.tick});
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
        m.log_point(s.p);
    }
    for (auto const& s : states.adjacency)
        m.point_polys_.assign(s.p, states.get(s.polygons));
    for (auto const& s : states.polygons) {
        m.polygons_.set_occupied(s.f, s.occupied);
        m.corners_.assign(s.f, states.get(s.vertices));
        m.materials_[s.f] = s.material;
        m.log_polygon(s.f);
        if (!m.maps_.empty())
            for (auto& map : m.maps_)
                map.values.erase(s.f);
    }
    for (auto const& v : states.maps)
        m.maps_[v.map].values[v.f] = v.values;
    for (auto const& s : states.marks) {
        m.side_marks_[s.f] = s.marks;
        m.ever_marked_ = m.ever_marked_ || s.marks != 0;
    }
    if (states.sets) {
        for (Index p : m.sel_points_)
            m.point_selected_[p] = 0;
        for (Index f : m.sel_polys_)
            m.poly_selected_[f] = 0;
        m.sel_points_ = states.sets->points;
        m.sel_polys_ = states.sets->polygons;
        m.sel_edges_ = states.sets->edges;
        m.long_side_marks_ = states.sets->long_marks;
        m.ever_marked_ = m.ever_marked_ || !m.long_side_marks_.empty();
        for (Index p : m.sel_points_)
            m.point_selected_[p] = 1;
        for (Index f : m.sel_polys_)
            m.poly_selected_[f] = 1;
    }
    m.changed();
}

MeshJournal::Added MeshJournal::capture_added() const
{
    Mesh const& m = *mesh_;
    Added added;
    for (Index p = scan_point_; p < m.points_.slots(); ++p) {
        if (!m.point_exists(p))
            continue;
        added.points.push_back({p, true, m.positions_[p], 0});
        auto const around = m.point_polys_.get(p);
        added.adjacency.push_back({p, {static_cast<std::uint32_t>(added.pool.size()), static_cast<std::uint32_t>(around.size())}, 0});
        added.pool.insert(added.pool.end(), around.begin(), around.end());
    }
    for (Index f = scan_polygon_; f < m.polygons_.slots(); ++f) {
        if (!m.polygon_exists(f))
            continue;
        auto const list = m.corners_.get(f);
        added.polygons.push_back({f, true, {static_cast<std::uint32_t>(added.pool.size()), static_cast<std::uint32_t>(list.size())}, m.materials_[f], 0});
        added.pool.insert(added.pool.end(), list.begin(), list.end());
        added.marks.push_back({f, m.side_marks_[f], 0});
        for (std::size_t map = 0; map < m.maps_.size(); ++map) {
            auto it = m.maps_[map].values.find(f);
            if (it != m.maps_[map].values.end())
                added.maps.push_back({f, map, it->second});
        }
    }
    return added;
}

void MeshJournal::vacate_added()
{
    Mesh& m = *mesh_;
    for (Index p = scan_point_; p < m.points_.slots(); ++p) {
        if (!m.point_exists(p))
            continue;
        m.points_.set_occupied(p, false);
        m.point_polys_.clear(p);
        m.log_point(p);
    }
    for (Index f = scan_polygon_; f < m.polygons_.slots(); ++f) {
        if (!m.polygon_exists(f))
            continue;
        m.polygons_.set_occupied(f, false);
        m.corners_.clear(f);
        m.materials_[f] = 0;
        m.side_marks_[f] = 0;
        for (auto& map : m.maps_)
            map.values.erase(f);
        m.log_polygon(f);
    }
    m.changed();
}

void MeshJournal::restore_added(Added const& added)
{
    Mesh& m = *mesh_;
    auto const get = [&](Slice s) { return std::span<Index const>(added.pool.data() + s.offset, s.count); };
    for (auto const& s : added.points) {
        m.points_.set_occupied(s.p, true);
        m.positions_[s.p] = s.position;
        m.log_point(s.p);
    }
    for (auto const& s : added.adjacency)
        m.point_polys_.assign(s.p, get(s.polygons));
    for (auto const& s : added.polygons) {
        m.polygons_.set_occupied(s.f, true);
        m.corners_.assign(s.f, get(s.vertices));
        m.materials_[s.f] = s.material;
        m.log_polygon(s.f);
    }
    for (auto const& s : added.marks) {
        m.side_marks_[s.f] = s.marks;
        m.ever_marked_ = m.ever_marked_ || s.marks != 0;
    }
    for (auto const& v : added.maps)
        m.maps_[v.map].values[v.f] = v.values;
    m.changed();
}

// Points trade their positions and occupancy with their saved states in place: the states then
// hold what the other direction needs, so a large move is undone in one pass, without a copy.
void MeshJournal::swap_points(std::vector<PointState>& states)
{
    Mesh& m = *mesh_;
    for (auto& s : states) {
        bool const occupied = m.point_exists(s.p);
        m.points_.set_occupied(s.p, s.occupied);
        s.occupied = occupied;
        std::swap(m.positions_[s.p], s.position);
        m.log_point(s.p);
    }
}

// While a step is undone its point states wait in after_, and in before_ while it is done.
void MeshJournal::undo()
{
    std::vector<PointState> points = std::move(before_.points);
    before_.points.clear();
    after_ = capture(before_);
    added_after_ = capture_added();
    vacate_added();
    swap_points(points);
    after_.points = std::move(points);
    apply(before_);
}

void MeshJournal::redo()
{
    restore_added(added_after_);
    swap_points(after_.points);
    before_.points = std::move(after_.points);
    after_.points.clear();
    apply(after_);
}

void MeshJournal::revert()
{
    // The slots the step added go with their elements: nothing outside the step knew them, and
    // an edit run again from the start takes the same slots again instead of growing the mesh
    // by its size each time.
    //
    // The saved states stay: the mesh is now as they describe it, so they are still this step's
    // states from before its changes. An edit applied again (a drag step of a tool) then saves
    // nothing for the elements it changed last time, instead of copying them all once more.
    apply(before_);
    mesh_->drop_slots(first_new_point_, first_new_polygon_);
    scan_point_ = first_new_point_;
    scan_polygon_ = first_new_polygon_;
    after_ = States();
    added_after_ = Added();
}

void MeshJournal::mark_saved()
{
    for (SavedBits* bits : {&saved_positions_, &saved_adjacency_, &saved_polygons_, &saved_marks_})
        bits->clear();
    for (auto const& s : before_.points)
        saved_positions_.first_time(s.p);
    for (auto const& s : before_.adjacency)
        saved_adjacency_.first_time(s.p);
    for (auto const& s : before_.polygons)
        saved_polygons_.first_time(s.f);
    for (auto const& s : before_.marks)
        saved_marks_.first_time(s.f);
}

void MeshJournal::absorb(StepPart& other_part)
{
    auto& other = static_cast<MeshJournal&>(other_part);
    // Elements new to either step are new to the merged one: their saved states say nothing.
    first_new_point_ = std::min(first_new_point_, other.first_new_point_);
    first_new_polygon_ = std::min(first_new_polygon_, other.first_new_polygon_);
    scan_point_ = std::min(scan_point_, other.scan_point_);
    scan_polygon_ = std::min(scan_polygon_, other.scan_polygon_);
    for (States* states : {&before_, &other.before_}) {
        std::erase_if(states->points, [&](PointState const& s) { return s.p >= first_new_point_; });
        std::erase_if(states->adjacency, [&](AdjacencyState const& s) { return s.p >= first_new_point_; });
        std::erase_if(states->polygons, [&](PolygonState const& s) { return s.f >= first_new_polygon_; });
        std::erase_if(states->marks, [&](MarkState const& s) { return s.f >= first_new_polygon_; });
        std::erase_if(states->maps, [&](MapValues const& v) { return v.f >= first_new_polygon_; });
    }
    States& theirs = other.before_;
    merge_earliest(before_.points, theirs.points, [](PointState const& s) { return s.p; },
                   [](PointState const& s) { return s; });
    merge_earliest(before_.adjacency, theirs.adjacency, [](AdjacencyState const& s) { return s.p; },
                   [&](AdjacencyState s) {
                       s.polygons = before_.keep(theirs.get(s.polygons));
                       return s;
                   });
    merge_earliest(before_.marks, theirs.marks, [](MarkState const& s) { return s.f; },
                   [](MarkState const& s) { return s; });
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
    mark_saved();
}

} // namespace teskar
