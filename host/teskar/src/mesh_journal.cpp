#include "teskar/mesh_journal.h"

#include "vornsdk/plugin.h"

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
template <class State, class Key>
void merge_earliest(std::vector<State>& a, std::vector<State>& b, Key key)
{
    std::unordered_map<Index, std::size_t> where;
    for (std::size_t i = 0; i < a.size(); ++i)
        where.emplace(key(a[i]), i);
    for (State& s : b) {
        auto it = where.find(key(s));
        if (it == where.end())
            a.push_back(std::move(s));
        else if (s.tick < a[it->second].tick)
            a[it->second] = std::move(s);
    }
    b.clear();
}

} // namespace

MeshJournal::MeshJournal(Mesh& mesh)
    : mesh_(&mesh), keep_(mesh.owner_ ? mesh.owner_->component() : Component()), id_(next_journal_id())
{
}

bool MeshJournal::empty() const
{
    return before_.points.empty() && before_.adjacency.empty() && before_.polygons.empty() && !before_.sets;
}

void MeshJournal::save_position(Index p)
{
    if (mesh_->position_stamp_[p] == id_)
        return;
    mesh_->position_stamp_[p] = id_;
    before_.points.push_back({p, mesh_->point_exists(p), mesh_->positions_[p], UndoHistory::instance().tick()});
}

void MeshJournal::save_added_point(Index p)
{
    mesh_->position_stamp_[p] = id_;
    mesh_->adjacency_stamp_[p] = id_;
    auto const tick = UndoHistory::instance().tick();
    before_.points.push_back({p, false, {}, tick});
    before_.adjacency.push_back({p, {}, tick});
}

void MeshJournal::save_adjacency(Index p)
{
    if (mesh_->adjacency_stamp_[p] == id_)
        return;
    mesh_->adjacency_stamp_[p] = id_;
    auto const list = mesh_->point_polys_.get(p);
    before_.adjacency.push_back({p, {list.begin(), list.end()}, UndoHistory::instance().tick()});
}

MeshJournal::PolygonState MeshJournal::polygon_state(Index f, std::uint64_t tick) const
{
    PolygonState s{f, mesh_->polygon_exists(f), {}, 0, {}, tick};
    if (s.occupied) {
        auto const list = mesh_->corners_.get(f);
        s.vertices.assign(list.begin(), list.end());
        s.material = mesh_->materials_[f];
        for (std::size_t m = 0; m < mesh_->maps_.size(); ++m) {
            auto it = mesh_->maps_[m].values.find(f);
            if (it != mesh_->maps_[m].values.end())
                s.maps.emplace_back(m, it->second);
        }
    }
    return s;
}

void MeshJournal::save_polygon(Index f)
{
    if (mesh_->polygon_stamp_[f] == id_)
        return;
    mesh_->polygon_stamp_[f] = id_;
    before_.polygons.push_back(polygon_state(f, UndoHistory::instance().tick()));
}

void MeshJournal::save_added_polygon(Index f)
{
    mesh_->polygon_stamp_[f] = id_;
    before_.polygons.push_back({f, false, {}, 0, {}, UndoHistory::instance().tick()});
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
    for (auto const& s : states.adjacency) {
        auto const list = mesh_->point_polys_.get(s.p);
        now.adjacency.push_back({s.p, {list.begin(), list.end()}, s.tick});
    }
    for (auto const& s : states.polygons)
        now.polygons.push_back(polygon_state(s.f, s.tick));
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
        m.point_polys_.assign(s.p, s.polygons);
    for (auto const& s : states.polygons) {
        m.polygons_.set_occupied(s.f, s.occupied);
        m.corners_.assign(s.f, s.vertices);
        m.materials_[s.f] = s.material;
        for (auto& map : m.maps_)
            map.values.erase(s.f);
        for (auto const& [map, values] : s.maps)
            m.maps_[map].values[s.f] = values;
    }
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
    apply(before_);
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
    merge_earliest(before_.points, other.before_.points, [](PointState const& s) { return s.p; });
    merge_earliest(before_.adjacency, other.before_.adjacency, [](AdjacencyState const& s) { return s.p; });
    merge_earliest(before_.polygons, other.before_.polygons, [](PolygonState const& s) { return s.f; });
    if (other.before_.sets && (!before_.sets || other.before_.sets->tick < before_.sets->tick))
        before_.sets = std::move(other.before_.sets);
    other.before_.sets.reset();
    stamp();
}

} // namespace teskar
