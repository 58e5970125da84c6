#include "teskar/mesh.h"

#include "teskar/history.h"
#include "teskar/mesh_journal.h"

#include "vornsdk/plugin.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace teskar {

using namespace VORNSDK;

namespace {

// Position of v in a vertex list, or -1.
std::ptrdiff_t position_of(std::span<Index const> list, Index v)
{
    auto it = std::find(list.begin(), list.end(), v);
    return it == list.end() ? -1 : it - list.begin();
}

// Whether the list has the side (a, b) in either direction.
bool has_side(std::span<Index const> list, Index a, Index b)
{
    std::ptrdiff_t const k = position_of(list, a);
    if (k < 0)
        return false;
    std::size_t const n = list.size();
    return list[(k + 1) % n] == b || list[(k + n - 1) % n] == b;
}

std::vector<Index> sorted_copy(std::span<Index const> list)
{
    std::vector<Index> s(list.begin(), list.end());
    std::sort(s.begin(), s.end());
    return s;
}

} // namespace

Mesh::Mesh(Plugin* owner) : owner_(owner), history_(UndoHistory::instance())
{
    if (auto const* record = UndoHistory::instance().recording())
        born_in_ = record->id;
}

Mesh::~Mesh() = default;

MeshJournal* Mesh::find_journal()
{
    journal_generation_ = history_.generation();
    auto const* record = history_.recording();
    journal_ = record && record->id == born_in_
                   ? nullptr
                   : history_.part_for<MeshJournal>(this, [&] { return std::make_unique<MeshJournal>(*this); });
    return journal_;
}

void Mesh::touch_position(Index p)
{
    if (auto* j = journal())
        j->save_position(p);
}

void Mesh::touch_adjacency(Index p)
{
    if (auto* j = journal())
        j->save_adjacency(p);
}

void Mesh::touch_polygon(Index f)
{
    if (auto* j = journal())
        j->save_polygon(f);
}

void Mesh::touch_marks(Index f)
{
    // Marking a polygon's sides one after another saves its marks once.
    MeshJournal* const j = journal();
    if (!j || (f == marks_saved_for_ && journal_generation_ == marks_saved_generation_))
        return;
    j->save_marks(f);
    marks_saved_for_ = f;
    marks_saved_generation_ = journal_generation_;
}

void Mesh::touch_sets()
{
    if (auto* j = journal())
        j->save_sets();
}

void Mesh::set_point_position(Index p, Vector3d const& position)
{
    if (!point_exists(p))
        return;
    touch_position(p);
    positions_[p] = position;
    log_point(p);
    changed();
}

Index Mesh::add_point(Vector3d const& position)
{
    // The step's journal, made before the slot, knows the point for one it did not have.
    journal();
    Index const p = points_.allocate();
    positions_.push_back(position);
    point_polys_.resize(points_.slots());
    point_selected_.push_back(0);
    changed();
    return p;
}

void Mesh::remove_point(Index p)
{
    if (!point_exists(p))
        return;
    std::vector<Index> const around(point_polys_.get(p).begin(), point_polys_.get(p).end());
    std::vector<Index> left_behind;
    auto const drop = [&](Index f) {
        for (Index v : corners_.get(f))
            if (v != p)
                left_behind.push_back(v);
        remove_polygon(f);
    };
    // Polygons too small to lose a point go first, so that the others' sides closing their gaps
    // are checked against what stays.
    for (Index f : around)
        if (corners_.size(f) <= 3)
            drop(f);
    for (Index f : around) {
        if (!polygon_exists(f))
            continue;
        auto const list = corners_.get(f);
        std::size_t const n = list.size();
        std::size_t const k = std::size_t(position_of(list, p));
        VertexPair const bridge{list[(k + n - 1) % n], list[(k + 1) % n]};
        // The side that closes the gap must not crowd an edge or run along a neighbour the same
        // way; the polygon goes with the point then.
        if (!room_for_side(bridge, f)) {
            drop(f);
            continue;
        }
        insert_scratch_.clear();
        for (Index v : list)
            if (v != p)
                insert_scratch_.push_back(v);
        replace_vertices(f, insert_scratch_);
    }
    // Points that only the removed polygons used go with them.
    for (Index v : left_behind)
        if (point_exists(v) && point_polys_.get(v).empty())
            remove_point(v);
    set_point_selection(p, false);
    touch_position(p);
    points_.set_occupied(p, false);
    log_point(p);
    changed();
}

bool Mesh::room_for_side(VertexPair const& side, Index f) const
{
    std::size_t others = 0;
    for (Index g : point_polys_.get(side.v1)) {
        if (g == f)
            continue;
        auto const list = corners_.get(g);
        std::size_t const n = list.size();
        std::size_t const k = std::size_t(position_of(list, side.v1));
        if (list[(k + 1) % n] == side.v2)
            return false;
        others += list[(k + n - 1) % n] == side.v2 ? 1 : 0;
    }
    return others < 2;
}

Vector3f Mesh::point_normal(Index p) const
{
    Vector3d sum;
    for (Index f : point_polygons(p)) {
        auto const list = corners_.get(f);
        // Newell's method: the vector's length is twice the polygon's area.
        for (std::size_t k = 0; k < list.size(); ++k) {
            Vector3d const& a = positions_[list[k]];
            Vector3d const& b = positions_[list[(k + 1) % list.size()]];
            sum += Vector3d{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
        }
    }
    Vector3d const n = unit(sum);
    return {float(n.x), float(n.y), float(n.z)};
}

PolygonVertices Mesh::polygon_vertices(Index f) const
{
    if (!polygon_exists(f))
        return {};
    auto const list = corners_.get(f);
    return {list.data(), static_cast<std::uint16_t>(list.size())};
}

bool Mesh::valid_vertex_list(std::span<Index const> vertices) const
{
    if (vertices.size() < 3)
        return false;
    for (Index v : vertices)
        if (!point_exists(v))
            return false;
    // Small polygons are checked pairwise; sorting pays off only for long vertex lists.
    if (vertices.size() <= 16) {
        for (std::size_t i = 0; i < vertices.size(); ++i)
            for (std::size_t j = i + 1; j < vertices.size(); ++j)
                if (vertices[i] == vertices[j])
                    return false;
        return true;
    }
    auto const sorted = sorted_copy(vertices);
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

Index Mesh::new_polygon(CompactIndexArray const& vertices)
{
    // The step's journal, made before the slot, knows the polygon for one it did not have.
    journal();
    Index const f = polygons_.allocate();
    corners_.resize(polygons_.slots());
    materials_.push_back(0);
    poly_selected_.push_back(0);
    side_marks_.push_back(0);
    corners_.assign(f, {vertices.data(), vertices.size()});
    for (Index v : vertices) {
        touch_adjacency(v);
        point_polys_.push_back(v, f);
    }
    log_polygon(f);
    changed();
    return f;
}

Index Mesh::add_polygon(CompactIndexArray const& vertices) { return add_polygon(vertices, kDefaultPolygon); }

Index Mesh::add_polygon(CompactIndexArray const& vertices, Index model)
{
    if (!valid_vertex_list({vertices.data(), vertices.size()}))
        return kNoIndex;
    Index const f = new_polygon(vertices);
    if (model != kDefaultPolygon && polygon_exists(model)) {
        materials_[f] = materials_[model];
        // Corners keep the model's values where they share its points; new points take the
        // model's mean value.
        auto const model_list = corners_.get(model);
        for (auto& map : maps_) {
            auto it = map.values.find(model);
            if (it == map.values.end())
                continue;
            std::vector<float> const& mv = it->second;
            std::size_t const dim = static_cast<std::size_t>(map.dimension);
            std::vector<float> mean(dim, 0.0f);
            for (std::size_t k = 0; k < model_list.size(); ++k)
                for (std::size_t d = 0; d < dim; ++d)
                    mean[d] += mv[k * dim + d] / static_cast<float>(model_list.size());
            std::vector<float> values;
            for (Index v : vertices) {
                std::ptrdiff_t const k = position_of(model_list, v);
                for (std::size_t d = 0; d < dim; ++d)
                    values.push_back(k >= 0 ? mv[static_cast<std::size_t>(k) * dim + d] : mean[d]);
            }
            map.values[f] = std::move(values);
        }
    }
    return f;
}

void Mesh::remove_polygon(Index f)
{
    if (!polygon_exists(f))
        return;
    old_scratch_.assign(corners_.get(f).begin(), corners_.get(f).end());
    std::vector<Index> const& old = old_scratch_;
    std::vector<VertexPair> const marked = marked_sides(f, old);
    touch_polygon(f);
    for (Index v : old) {
        touch_adjacency(v);
        point_polys_.erase_value(v, f);
    }
    set_polygon_selection(f, false);
    corners_.clear(f);
    materials_[f] = 0;
    for (auto& map : maps_)
        map.values.erase(f);
    polygons_.set_occupied(f, false);
    if (!marked.empty())
        pass_on_marks(f, old.size(), marked);
    forget_vanished_edges(old);
    log_polygon(f);
    changed();
}

namespace {

// Whether v is in a list: a scan for short lists, a binary search of the sorted copy otherwise.
class Membership {
public:
    explicit Membership(std::span<Index const> list) : list_(list)
    {
        if (list.size() > 16)
            sorted_ = sorted_copy(list);
    }
    bool contains(Index v) const
    {
        if (sorted_.empty())
            return std::find(list_.begin(), list_.end(), v) != list_.end();
        return std::binary_search(sorted_.begin(), sorted_.end(), v);
    }

private:
    std::span<Index const> list_;
    std::vector<Index> sorted_;
};

} // namespace

void Mesh::replace_vertices(Index f, std::span<Index const> vertices)
{
    // Copies, since the lists may live in the pool that the edit moves.
    old_scratch_.assign(corners_.get(f).begin(), corners_.get(f).end());
    fresh_scratch_.assign(vertices.begin(), vertices.end());
    std::vector<Index> const& old = old_scratch_;
    std::vector<Index> const& fresh = fresh_scratch_;
    std::vector<VertexPair> const marked = marked_sides(f, old);
    touch_polygon(f);
    Membership const in_old(old), in_fresh(fresh);
    for (Index v : old)
        if (!in_fresh.contains(v)) {
            touch_adjacency(v);
            point_polys_.erase_value(v, f);
        }
    for (Index v : fresh)
        if (!in_old.contains(v)) {
            touch_adjacency(v);
            point_polys_.push_back(v, f);
        }
    corners_.assign(f, fresh);
    // Per-corner values follow their points; corners at new points take the mean value.
    for (auto& map : maps_) {
        auto it = map.values.find(f);
        if (it == map.values.end())
            continue;
        std::vector<float> const mv = it->second;
        std::size_t const dim = static_cast<std::size_t>(map.dimension);
        std::vector<float> mean(dim, 0.0f);
        for (std::size_t k = 0; k < old.size(); ++k)
            for (std::size_t d = 0; d < dim; ++d)
                mean[d] += mv[k * dim + d] / static_cast<float>(old.size());
        std::vector<float> values;
        for (Index v : fresh) {
            std::ptrdiff_t const k = position_of(old, v);
            for (std::size_t d = 0; d < dim; ++d)
                values.push_back(k >= 0 ? mv[static_cast<std::size_t>(k) * dim + d] : mean[d]);
        }
        it->second = std::move(values);
    }
    if (!marked.empty())
        pass_on_marks(f, old.size(), marked);
    forget_vanished_edges(old);
    log_polygon(f);
    changed();
}

bool Mesh::set_polygon_vertices(Index f, CompactIndexArray const& vertices)
{
    if (!polygon_exists(f) || !valid_vertex_list({vertices.data(), vertices.size()}))
        return false;
    replace_vertices(f, {vertices.data(), vertices.size()});
    return true;
}

bool Mesh::insert_point_in_polygon(Index f, VertexPair const& edge, Index p)
{
    if (!polygon_exists(f) || !point_exists(p))
        return false;
    auto const list = corners_.get(f);
    if (list.size() >= kMaxPolygonVertices || position_of(list, p) >= 0)
        return false;
    std::size_t const n = list.size();
    for (std::size_t k = 0; k < n; ++k) {
        Index const a = list[k], b = list[(k + 1) % n];
        if ((a == edge.v1 && b == edge.v2) || (a == edge.v2 && b == edge.v1)) {
            // Both halves of a split side keep its hardness and selection.
            bool const hard = edge_hard(edge), selected = sel_edges_.contains(edge);
            insert_scratch_.assign(list.begin(), list.end());
            insert_scratch_.insert(insert_scratch_.begin() + static_cast<std::ptrdiff_t>(k + 1), p);
            replace_vertices(f, insert_scratch_);
            if (hard) {
                mark_side(f, k, true);
                mark_side(f, k + 1, true);
            }
            if (selected)
                for (VertexPair const half : {VertexPair{a, p}, VertexPair{p, b}})
                    set_edge_selection(half, true);
            return true;
        }
    }
    return false;
}

void Mesh::flip_polygon(Index f)
{
    if (!polygon_exists(f))
        return;
    std::vector<Index> reversed(corners_.get(f).rbegin(), corners_.get(f).rend());
    replace_vertices(f, reversed);
}

std::optional<std::uint16_t> Mesh::material_id(Component const& material)
{
    if (!material)
        return 0;
    for (std::size_t i = 1; i < material_table_.size(); ++i)
        if (material_table_[i] == material)
            return static_cast<std::uint16_t>(i);
    if (material_table_.size() > kMaxMaterials)
        return std::nullopt;
    material_table_.push_back(material);
    return static_cast<std::uint16_t>(material_table_.size() - 1);
}

Component Mesh::polygon_material(Index f) const
{
    return polygon_exists(f) ? material_table_[materials_[f]] : Component();
}

void Mesh::set_polygon_material(Index f, Component const& material)
{
    if (!polygon_exists(f))
        return;
    std::optional<std::uint16_t> const id = material_id(material);
    if (!id || materials_[f] == *id)
        return;
    touch_polygon(f);
    materials_[f] = *id;
    changed();
}

PolygonProperties Mesh::polygon_properties(Index f) const
{
    PolygonProperties props;
    if (!polygon_exists(f))
        return props;
    props.material = polygon_material(f);
    for (std::size_t m = 0; m < maps_.size(); ++m)
        props.corner_values.push_back(corner_values(m, f));
    return props;
}

void Mesh::set_polygon_properties(Index f, PolygonProperties const& properties)
{
    if (!polygon_exists(f))
        return;
    set_polygon_material(f, properties.material);
    for (std::size_t m = 0; m < maps_.size() && m < properties.corner_values.size(); ++m)
        set_corner_values(m, f, properties.corner_values[m]);
}

void Mesh::prepare_polygons(int, Index expected) { reserve(0, expected); }

void Mesh::reserve(Index points, Index polygons)
{
    std::size_t const np = points_.slots() + std::size_t(points);
    points_.reserve(np);
    positions_.reserve(np);
    point_selected_.reserve(np);
    // Four is the room a short list gets: enough for the points of a quad mesh.
    point_polys_.reserve(np, 4 * np);
    std::size_t const nf = polygons_.slots() + std::size_t(polygons);
    polygons_.reserve(nf);
    corners_.reserve(nf, 4 * nf);
    materials_.reserve(nf);
    poly_selected_.reserve(nf);
    side_marks_.reserve(nf);
}

void Mesh::finish_polygon(Index) { changed(); }

void Mesh::trim_log()
{
    std::size_t const limit = 1024 + 2 * (std::size_t(points_.slots()) + polygons_.slots());
    if (log_polygons_.size() + log_points_.size() <= limit)
        return;
    log_polygons_.clear();
    log_points_.clear();
    log_epoch_ = new_log_epoch();
}

std::uint64_t Mesh::new_log_epoch()
{
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

void Mesh::update() { changed(); }

void Mesh::close_edit()
{
    if (nesting_ > 0 && --nesting_ == 0)
        update();
}

bool Mesh::edge_exists(VertexPair const& e) const
{
    if (e.invalid() || !point_exists(e.v1))
        return false;
    for (Index f : point_polys_.get(e.v1))
        if (has_side(corners_.get(f), e.v1, e.v2))
            return true;
    return false;
}

std::size_t Mesh::polygons_of_edge(VertexPair const& e, PolyMarker& out) const
{
    if (e.invalid() || !point_exists(e.v1))
        return 0;
    std::size_t n = 0;
    for (Index f : point_polys_.get(e.v1))
        if (has_side(corners_.get(f), e.v1, e.v2)) {
            out.insert(f);
            ++n;
        }
    return n;
}

void Mesh::polygons_of_point(Index p, PolyMarker& out) const
{
    for (Index f : point_polygons(p))
        out.insert(f);
}

void Mesh::edges_of_point(Index p, EdgeMarker& out) const
{
    for (Index f : point_polygons(p)) {
        auto const list = corners_.get(f);
        std::size_t const n = list.size();
        auto const k = static_cast<std::size_t>(position_of(list, p));
        out.insert({p, list[(k + 1) % n]});
        out.insert({p, list[(k + n - 1) % n]});
    }
}

void Mesh::neighbours_of_point(Index p, VertexMarker& out) const
{
    for (Index f : point_polygons(p)) {
        auto const list = corners_.get(f);
        std::size_t const n = list.size();
        auto const k = static_cast<std::size_t>(position_of(list, p));
        out.insert(list[(k + 1) % n]);
        out.insert(list[(k + n - 1) % n]);
    }
}

std::span<Index const> Mesh::point_polygons(Index p) const
{
    return point_exists(p) ? point_polys_.get(p) : std::span<Index const>();
}

bool Mesh::set_point_selection(Index p, bool selected)
{
    if (selected ? !point_exists(p) || point_selected_[p] : !point_selected(p))
        return false;
    touch_sets();
    point_selected_[p] = selected;
    if (selected)
        sel_points_.insert(p);
    else
        sel_points_.erase(p);
    changed();
    return true;
}

bool Mesh::set_edge_selection(VertexPair const& e, bool selected)
{
    if (selected ? sel_edges_.contains(e) || !edge_exists(e) : !sel_edges_.contains(e))
        return false;
    touch_sets();
    if (selected)
        sel_edges_.insert(e);
    else
        sel_edges_.erase(e);
    changed();
    return true;
}

bool Mesh::set_polygon_selection(Index f, bool selected)
{
    if (selected ? !polygon_exists(f) || poly_selected_[f] : !polygon_selected(f))
        return false;
    touch_sets();
    poly_selected_[f] = selected;
    if (selected)
        sel_polys_.insert(f);
    else
        sel_polys_.erase(f);
    changed();
    return true;
}

void Mesh::select_all(int kind, bool selected)
{
    if (kind == kElementPoints) {
        if (!selected) {
            for (Index p : sel_points_)
                point_selected_[p] = 0;
            if (!sel_points_.empty())
                touch_sets();
            sel_points_.clear();
        } else {
            for (Index p : points_)
                set_point_selection(p, true);
        }
    } else if (kind == kElementEdges) {
        if (!selected) {
            if (!sel_edges_.empty())
                touch_sets();
            sel_edges_.clear();
        } else {
            for (Index f : polygons_) {
                auto const list = corners_.get(f);
                for (std::size_t k = 0; k < list.size(); ++k)
                    set_edge_selection({list[k], list[(k + 1) % list.size()]}, true);
            }
        }
    } else if (kind == kElementPolygons) {
        if (!selected) {
            for (Index f : sel_polys_)
                poly_selected_[f] = 0;
            if (!sel_polys_.empty())
                touch_sets();
            sel_polys_.clear();
        } else {
            for (Index f : polygons_)
                set_polygon_selection(f, true);
        }
    }
    changed();
}

std::optional<std::pair<Index, std::size_t>> Mesh::side_of(VertexPair const& e, Index except) const
{
    if (e.invalid() || !point_exists(e.v1))
        return std::nullopt;
    for (Index f : point_polys_.get(e.v1)) {
        if (f == except)
            continue;
        auto const list = corners_.get(f);
        std::ptrdiff_t const k = position_of(list, e.v1);
        std::size_t const n = list.size();
        if (list[(std::size_t(k) + 1) % n] == e.v2)
            return std::pair{f, std::size_t(k)};
        if (list[(std::size_t(k) + n - 1) % n] == e.v2)
            return std::pair{f, (std::size_t(k) + n - 1) % n};
    }
    return std::nullopt;
}

bool Mesh::edge_hard(VertexPair const& e) const
{
    if (!ever_marked_ || e.invalid() || !point_exists(e.v1))
        return false;
    for (Index f : point_polys_.get(e.v1)) {
        auto const list = corners_.get(f);
        std::size_t const k = std::size_t(position_of(list, e.v1));
        std::size_t const n = list.size();
        if ((list[(k + 1) % n] == e.v2 && side_marked_hard(f, k)) ||
            (list[(k + n - 1) % n] == e.v2 && side_marked_hard(f, (k + n - 1) % n)))
            return true;
    }
    return false;
}

void Mesh::mark_side(Index f, std::size_t k, bool hard)
{
    if (side_marked_hard(f, k) == hard)
        return;
    touch_marks(f);
    ever_marked_ = ever_marked_ || hard;
    if (k < kMarkBits) {
        side_marks_[f] = static_cast<std::uint8_t>(hard ? side_marks_[f] | 1u << k : side_marks_[f] & ~(1u << k));
    } else {
        touch_sets();
        if (hard)
            long_side_marks_.insert(long_side_key(f, k));
        else
            long_side_marks_.erase(long_side_key(f, k));
    }
    changed();
}

void Mesh::set_edge_hard(VertexPair const& e, bool hard)
{
    if (hard) {
        if (edge_hard(e))
            return;
        if (auto const side = side_of(e, kNoIndex))
            mark_side(side->first, side->second, true);
        return;
    }
    for (Index f : point_polygons(e.v1)) {
        auto const list = corners_.get(f);
        std::size_t const n = list.size();
        for (std::size_t k = 0; k < n; ++k)
            if (VertexPair{list[k], list[(k + 1) % n]} == e && side_marked_hard(f, k))
                mark_side(f, k, false);
    }
}

void Mesh::set_side_hard(Index f, std::size_t k, bool hard)
{
    if (!polygon_exists(f) || k >= corners_.size(f))
        return;
    if (hard) {
        mark_side(f, k, true);
        return;
    }
    auto const list = corners_.get(f);
    set_edge_hard({list[k], list[(k + 1) % list.size()]}, false);
}

void Mesh::set_sides_hard(std::span<Index const> polygons, bool hard)
{
    if (!hard) {
        for (Index f : polygons)
            for (std::size_t k = 0, n = polygon_exists(f) ? corners_.size(f) : 0; k < n; ++k)
                set_side_hard(f, k, false);
        return;
    }
    if (MeshJournal* const j = journal())
        j->reserve_marks(polygons.size());
    bool marked = false;
    for (Index f : polygons) {
        if (!polygon_exists(f))
            continue;
        std::size_t const n = corners_.size(f);
        if (n > kMarkBits) {
            for (std::size_t k = 0; k < n; ++k)
                mark_side(f, k, true);
            continue;
        }
        auto const all = static_cast<std::uint8_t>((1u << n) - 1);
        if ((side_marks_[f] & all) == all)
            continue;
        touch_marks(f);
        side_marks_[f] = static_cast<std::uint8_t>(side_marks_[f] | all);
        marked = true;
    }
    if (marked) {
        ever_marked_ = true;
        changed();
    }
}

std::size_t Mesh::hard_edge_count() const
{
    std::size_t count = 0;
    for (Index f : polygons_) {
        if (side_marks_[f] == 0 && long_side_marks_.empty())
            continue;
        auto const list = corners_.get(f);
        for (VertexPair const& e : marked_sides(f, list)) {
            // Each edge counts once: at the lowest polygon marking it.
            bool lower = false;
            for (Index g : point_polys_.get(e.v1))
                if (g < f) {
                    auto const other = corners_.get(g);
                    std::size_t const k = std::size_t(position_of(other, e.v1));
                    std::size_t const n = other.size();
                    lower = lower || (other[(k + 1) % n] == e.v2 && side_marked_hard(g, k)) ||
                            (other[(k + n - 1) % n] == e.v2 && side_marked_hard(g, (k + n - 1) % n));
                }
            count += lower ? 0 : 1;
        }
    }
    return count;
}

std::vector<VertexPair> Mesh::marked_sides(Index f, std::span<Index const> list) const
{
    std::vector<VertexPair> marked;
    std::size_t const n = list.size();
    if (side_marks_[f] != 0)
        for (std::size_t k = 0; k < std::min(n, kMarkBits); ++k)
            if (side_marks_[f] >> k & 1)
                marked.push_back({list[k], list[(k + 1) % n]});
    if (!long_side_marks_.empty())
        for (std::size_t k = kMarkBits; k < n; ++k)
            if (long_side_marks_.contains(long_side_key(f, k)))
                marked.push_back({list[k], list[(k + 1) % n]});
    return marked;
}

void Mesh::pass_on_marks(Index f, std::size_t old_size, std::vector<VertexPair> const& marked)
{
    // The marks sat on the sides of the old list: clear them all, then mark the sides the
    // polygon still has and hand the others on.
    touch_marks(f);
    side_marks_[f] = 0;
    if (!long_side_marks_.empty()) {
        touch_sets();
        for (std::size_t k = kMarkBits; k < old_size; ++k)
            long_side_marks_.erase(long_side_key(f, k));
    }
    for (VertexPair const& e : marked) {
        auto const list = corners_.get(f);
        bool kept = false;
        for (std::size_t k = 0; k < list.size() && !kept; ++k)
            if (VertexPair{list[k], list[(k + 1) % list.size()]} == e) {
                mark_side(f, k, true);
                kept = true;
            }
        if (!kept)
            if (auto const side = side_of(e, f))
                mark_side(side->first, side->second, true);
    }
    changed();
}

void Mesh::forget_vanished_edges(std::vector<Index> const& old_vertices)
{
    if (sel_edges_.empty())
        return;
    std::size_t const n = old_vertices.size();
    for (std::size_t k = 0; k < n; ++k) {
        VertexPair const e{old_vertices[k], old_vertices[(k + 1) % n]};
        if (sel_edges_.contains(e) && !edge_exists(e)) {
            touch_sets();
            sel_edges_.erase(e);
        }
    }
}

String Mesh::vertex_map_name(std::size_t map) const { return map < maps_.size() ? maps_[map].name : String(); }

int Mesh::vertex_map_dimension(std::size_t map) const { return map < maps_.size() ? maps_[map].dimension : 0; }

std::size_t Mesh::add_vertex_map(String const& name, int dimension)
{
    for (std::size_t m = 0; m < maps_.size(); ++m)
        if (maps_[m].name == name)
            return m;
    maps_.push_back({name, std::max(1, dimension), {}});
    return maps_.size() - 1;
}

std::vector<float> const& Mesh::corner_values(std::size_t map, Index f) const
{
    static std::vector<float> const kNone;
    if (map >= maps_.size())
        return kNone;
    auto it = maps_[map].values.find(f);
    return it == maps_[map].values.end() ? kNone : it->second;
}

void Mesh::set_corner_values(std::size_t map, Index f, std::vector<float> values)
{
    if (map >= maps_.size() || !polygon_exists(f))
        return;
    if (!values.empty() && values.size() != corners_.size(f) * static_cast<std::size_t>(maps_[map].dimension))
        return;
    touch_polygon(f);
    if (values.empty())
        maps_[map].values.erase(f);
    else
        maps_[map].values[f] = std::move(values);
    changed();
}

void Mesh::bounding_box(Vector3d& min, Vector3d& max) const
{
    if (box_revision_ != revision_) {
        double const inf = std::numeric_limits<double>::infinity();
        box_min_ = {inf, inf, inf};
        box_max_ = {-inf, -inf, -inf};
        for (Index p : points_)
            for (int k = 0; k < 3; ++k) {
                box_min_[k] = std::min(box_min_[k], positions_[p][k]);
                box_max_[k] = std::max(box_max_[k], positions_[p][k]);
            }
        box_revision_ = revision_;
    }
    min = box_min_;
    max = box_max_;
}

std::size_t Mesh::count_edges() const
{
    EdgeMarker edges;
    for (Index f : polygons_) {
        auto const list = corners_.get(f);
        for (std::size_t k = 0; k < list.size(); ++k)
            edges.insert({list[k], list[(k + 1) % list.size()]});
    }
    return edges.size();
}

std::size_t Mesh::memory_bytes() const
{
    return positions_.capacity() * sizeof(Vector3d) + point_polys_.memory_bytes() + point_selected_.capacity() +
           corners_.memory_bytes() + materials_.capacity() * sizeof(std::uint16_t) + poly_selected_.capacity() +
           side_marks_.capacity() + long_side_marks_.size() * 3 * sizeof(std::uint64_t) + points_.slots() +
           polygons_.slots();
}

} // namespace teskar
