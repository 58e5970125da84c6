// The mesh operations that act on many elements at once: positions read and moved in bulk,
// whole meshes and many polygons added, and the slots a taken-back step had added dropped.
#include "teskar/mesh.h"
#include "teskar/mesh_builder.h"

#include "teskar/history.h"
#include "teskar/mesh_journal.h"

#include <algorithm>
#include <array>

namespace teskar {

using namespace VORNSDK;

void Mesh::point_positions(std::span<Index const> points, std::span<Vector3d> out) const
{
    std::size_t const n = std::min(points.size(), out.size());
    for (std::size_t k = 0; k < n; ++k)
        out[k] = point_exists(points[k]) ? positions_[points[k]] : Vector3d{};
}

void Mesh::move_points(std::span<Index const> points, std::function<void(std::span<Vector3d>)> const& move)
{
    constexpr std::size_t kBlock = 1024;
    std::array<Index, kBlock> live;
    std::array<Vector3d, kBlock> block;
    MeshJournal* const j = journal();
    if (j)
        j->reserve_positions(points.size());
    // A move of a good part of the mesh starts the geometry log over rather than naming every
    // point: its readers would rebuild anyway.
    bool const start_over = points.size() * 4 > points_.slots();
    bool moved = false;
    for (std::size_t first = 0; first < points.size();) {
        std::size_t n = 0;
        for (; first < points.size() && n < kBlock; ++first)
            if (point_exists(points[first]))
                live[n++] = points[first];
        if (n == 0)
            continue;
        if (j)
            j->save_positions({live.data(), n});
        for (std::size_t k = 0; k < n; ++k)
            block[k] = positions_[live[k]];
        move({block.data(), n});
        for (std::size_t k = 0; k < n; ++k)
            positions_[live[k]] = block[k];
        if (!start_over)
            for (std::size_t k = 0; k < n; ++k)
                log_point(live[k]);
        moved = true;
    }
    if (moved && start_over)
        start_log_over();
    if (moved)
        changed();
}

void Mesh::drop_slots(Index points, Index polygons)
{
    if (points >= points_.slots() && polygons >= polygons_.slots())
        return;
    if (points < points_.slots()) {
        points_.truncate(points);
        positions_.resize(points);
        point_polys_.truncate(points);
        point_selected_.resize(points);
    }
    if (polygons < polygons_.slots()) {
        polygons_.truncate(polygons);
        corners_.truncate(polygons);
        materials_.resize(polygons);
        poly_selected_.resize(polygons);
        side_marks_.resize(polygons);
        std::erase_if(long_side_marks_, [&](std::uint64_t key) { return (key >> 16) >= polygons; });
        for (auto& map : maps_)
            std::erase_if(map.values, [&](auto const& entry) { return entry.first >= polygons; });
    }
    // The log may name the dropped slots: readers start over.
    start_log_over();
    changed();
}

void Mesh::start_log_over()
{
    log_polygons_.clear();
    log_points_.clear();
    log_epoch_ = new_log_epoch();
}

namespace {

// A source mesh in the form add_geometry stamps out: points numbered from 0 in index order,
// polygons with their corners in those numbers and the hard marks of their first sides, and for
// every point the polygons that use it.
struct Pattern {
    std::vector<Vector3d> positions;
    std::vector<Index> corner_start{0}, corners;
    std::vector<Index> use_start, uses;
    std::vector<std::uint16_t> materials;
    std::vector<std::uint8_t> marks;
    // Hard sides past the first eight: polygon and side.
    std::vector<std::pair<Index, std::size_t>> long_marks;
    bool any_marks = false;
    // Per map of the target: the values of every polygon (empty for a polygon without values).
    std::vector<std::pair<std::size_t, std::vector<std::vector<float>>>> maps;

    std::size_t polygons() const { return corner_start.size() - 1; }
};

} // namespace

std::size_t Mesh::add_geometry(MeshInterface const& source, std::span<Matrix4d const> placements)
{
    if (&source == this || placements.empty() || source.polygons().count() + source.points().count() == 0)
        return 0;

    // A source of the host's own tells which polygon marks a hard side; another says only
    // whether the edge is hard, and each of its polygons marks it then.
    auto const* host_source = dynamic_cast<Mesh const*>(&source);
    Pattern pattern;
    std::vector<Index> number(source.points().slots(), kNoIndex);
    for (Index p : source.points()) {
        number[p] = static_cast<Index>(pattern.positions.size());
        pattern.positions.push_back(source.point_position(p));
    }
    std::vector<Index> use_count(pattern.positions.size(), 0);
    for (Index f : source.polygons()) {
        PolygonVertices const v = source.polygon_vertices(f);
        std::uint8_t marks = 0;
        for (std::size_t k = 0; k < v.count; ++k) {
            pattern.corners.push_back(number[v[k]]);
            ++use_count[number[v[k]]];
            bool const hard = host_source ? host_source->side_marked_hard(f, k) : source.edge_hard(v.edge(k));
            if (hard && k < kMarkBits)
                marks = static_cast<std::uint8_t>(marks | 1u << k);
            else if (hard)
                pattern.long_marks.emplace_back(static_cast<Index>(pattern.polygons()), k);
        }
        pattern.corner_start.push_back(static_cast<Index>(pattern.corners.size()));
        pattern.materials.push_back(material_id(source.polygon_material(f)).value_or(0));
        pattern.marks.push_back(marks);
        pattern.any_marks = pattern.any_marks || marks != 0;
    }
    pattern.use_start.assign(pattern.positions.size() + 1, 0);
    for (std::size_t k = 0; k < use_count.size(); ++k)
        pattern.use_start[k + 1] = pattern.use_start[k] + use_count[k];
    pattern.uses.resize(pattern.corners.size());
    std::vector<Index> filled(pattern.use_start.begin(), pattern.use_start.end() - 1);
    for (std::size_t f = 0; f < pattern.polygons(); ++f)
        for (Index c = pattern.corner_start[f]; c < pattern.corner_start[f + 1]; ++c)
            pattern.uses[filled[pattern.corners[c]]++] = static_cast<Index>(f);
    for (std::size_t m = 0; m < source.num_vertex_maps(); ++m) {
        std::vector<std::vector<float>> values;
        bool any = false;
        for (Index f : source.polygons()) {
            PolygonProperties props = source.polygon_properties(f);
            values.push_back(m < props.corner_values.size() ? std::move(props.corner_values[m]) : std::vector<float>{});
            any = any || !values.back().empty();
        }
        if (any)
            pattern.maps.emplace_back(add_vertex_map(source.vertex_map_name(m), source.vertex_map_dimension(m)),
                                      std::move(values));
    }

    // The step's journal, made before the slots, knows the copies for elements it did not have.
    journal();
    if (!pattern.long_marks.empty())
        touch_sets();
    // Every copy's slots are taken at once and filled copy by copy.
    std::size_t const np = pattern.positions.size(), nf = pattern.polygons(), copies = placements.size();
    Index const first_point = points_.allocate(static_cast<Index>(np * copies));
    Index const first_polygon = polygons_.allocate(static_cast<Index>(nf * copies));
    positions_.resize(points_.slots());
    point_selected_.resize(points_.slots(), 0);
    materials_.resize(polygons_.slots(), 0);
    poly_selected_.resize(polygons_.slots(), 0);
    side_marks_.resize(polygons_.slots(), 0);
    ever_marked_ = ever_marked_ || pattern.any_marks || !pattern.long_marks.empty();
    for (std::size_t c = 0; c < copies; ++c) {
        Matrix4d const& m = placements[c];
        Index const points = first_point + static_cast<Index>(c * np);
        Index const polygons = first_polygon + static_cast<Index>(c * nf);
        bool const affine = m.m[12] == 0 && m.m[13] == 0 && m.m[14] == 0 && m.m[15] == 1;
        Vector3d* out = positions_.data() + points;
        for (Vector3d const& p : pattern.positions)
            *out++ = affine ? Vector3d{m.m[0] * p.x + m.m[1] * p.y + m.m[2] * p.z + m.m[3],
                                       m.m[4] * p.x + m.m[5] * p.y + m.m[6] * p.z + m.m[7],
                                       m.m[8] * p.x + m.m[9] * p.y + m.m[10] * p.z + m.m[11]}
                            : transform_point(m, p);
        point_polys_.resize(points);
        point_polys_.append(pattern.use_start, pattern.uses, polygons);
        corners_.resize(polygons);
        corners_.append(pattern.corner_start, pattern.corners, points);
        std::copy(pattern.materials.begin(), pattern.materials.end(), materials_.begin() + polygons);
        std::copy(pattern.marks.begin(), pattern.marks.end(), side_marks_.begin() + polygons);
        for (auto const& [f, k] : pattern.long_marks)
            long_side_marks_.insert(long_side_key(polygons + f, k));
        for (auto const& [map, values] : pattern.maps)
            for (std::size_t f = 0; f < nf; ++f)
                if (!values[f].empty())
                    maps_[map].values[polygons + static_cast<Index>(f)] = values[f];
        for (std::size_t f = 0; f < nf; ++f)
            log_polygon(polygons + static_cast<Index>(f));
    }
    changed();
    return nf * copies;
}

void Mesh::add_polygons(std::span<std::uint16_t const> sizes, std::span<Index const> corners, std::span<Index> out)
{
    MeshBuilder build(*this, 0, sizes.size(), corners.size());
    std::size_t at = 0;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        out[k] = build.add_polygon(corners.subspan(at, sizes[k]));
        at += sizes[k];
    }
}

} // namespace teskar
