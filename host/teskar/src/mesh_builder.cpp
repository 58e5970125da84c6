#include "teskar/mesh_builder.h"

namespace teskar {

using namespace VORNSDK;

MeshBuilder::MeshBuilder(Mesh& mesh, std::size_t points_hint, std::size_t polygons_hint, std::size_t corners_hint)
    : mesh_(mesh), bulk_(mesh.polygons_.slots() == 0 && !mesh.journal())
{
    if (!bulk_) {
        mesh.reserve(static_cast<Index>(points_hint), static_cast<Index>(polygons_hint));
        return;
    }
    mesh.points_.reserve(points_hint);
    mesh.positions_.reserve(points_hint);
    mesh.point_selected_.reserve(points_hint);
    mesh.point_polys_.reserve(points_hint, corners_hint);
    mesh.polygons_.reserve(polygons_hint);
    mesh.corners_.reserve(polygons_hint, corners_hint);
    mesh.materials_.reserve(polygons_hint);
    mesh.poly_selected_.reserve(polygons_hint);
    mesh.side_marks_.reserve(polygons_hint);
}

void MeshBuilder::reserve_polygons(std::size_t polygons, std::size_t corners)
{
    if (!bulk_) {
        mesh_.reserve(0, static_cast<Index>(polygons));
        return;
    }
    std::size_t const nf = mesh_.polygons_.slots() + polygons;
    mesh_.point_polys_.reserve(mesh_.points_.slots(), corners);
    mesh_.polygons_.reserve(nf);
    mesh_.corners_.reserve(nf, corners);
    mesh_.materials_.reserve(nf);
    mesh_.poly_selected_.reserve(nf);
    mesh_.side_marks_.reserve(nf);
}

Index MeshBuilder::add_point(Vector3d const& position)
{
    if (!bulk_)
        return mesh_.add_point(position);
    Index const p = mesh_.points_.allocate();
    mesh_.positions_.push_back(position);
    mesh_.point_selected_.push_back(0);
    return p;
}

Index MeshBuilder::add_points(std::span<Vector3d const> positions)
{
    Index const first = mesh_.points_.slots();
    if (!bulk_) {
        for (Vector3d const& p : positions)
            mesh_.add_point(p);
        return first;
    }
    mesh_.points_.allocate(static_cast<Index>(positions.size()));
    mesh_.positions_.insert(mesh_.positions_.end(), positions.begin(), positions.end());
    mesh_.point_selected_.resize(mesh_.point_selected_.size() + positions.size(), 0);
    return first;
}

Index MeshBuilder::add_polygon(std::span<Index const> vertices)
{
    if (!bulk_) {
        CompactIndexArray list;
        for (Index v : vertices)
            list.push_back(v);
        return vertices.size() > kMaxPolygonVertices ? kNoIndex : mesh_.add_polygon(list);
    }
    if (vertices.size() > kMaxPolygonVertices || !mesh_.valid_vertex_list(vertices))
        return kNoIndex;
    return add_checked_polygon(vertices);
}

Index MeshBuilder::add_checked_polygon(std::span<Index const> vertices)
{
    if (!bulk_)
        return add_polygon(vertices);
    Index const f = mesh_.polygons_.allocate();
    mesh_.corners_.append_exact(vertices);
    mesh_.materials_.push_back(0);
    mesh_.poly_selected_.push_back(0);
    mesh_.side_marks_.push_back(0);
    for (Index v : vertices)
        mesh_.point_polys_.count(v);
    return f;
}

Index MeshBuilder::add_checked_polygons(std::span<std::uint16_t const> sizes, std::span<Index const> vertices)
{
    Index const first = mesh_.polygons_.slots();
    if (!bulk_) {
        for (std::size_t k = 0, at = 0; k < sizes.size(); at += sizes[k++])
            add_checked_polygon(vertices.subspan(at, sizes[k]));
        return first;
    }
    std::size_t const n = sizes.size();
    mesh_.polygons_.allocate(static_cast<Index>(n));
    mesh_.corners_.append_exact(sizes, vertices);
    mesh_.materials_.resize(mesh_.materials_.size() + n, 0);
    mesh_.poly_selected_.resize(mesh_.poly_selected_.size() + n, 0);
    mesh_.side_marks_.resize(mesh_.side_marks_.size() + n, 0);
    for (Index v : vertices)
        mesh_.point_polys_.count(v);
    return first;
}

void MeshBuilder::finish()
{
    if (!bulk_)
        return;
    bulk_ = false;
    ListPool& around = mesh_.point_polys_;
    around.resize(mesh_.points_.slots());
    around.lay_out_counted(0);
    // Filling from the last polygon back leaves each point's list in ascending order.
    for (Index f = mesh_.polygons_.slots(); f-- > 0;)
        for (Index v : mesh_.corners_.get(f))
            around.fill(v, f);
    around.end_fill(0);
    // Nothing logged the polygons one by one: whatever keeps up with the log starts over.
    mesh_.log_polygons_.clear();
    mesh_.log_points_.clear();
    ++mesh_.log_epoch_;
    mesh_.changed();
}

} // namespace teskar
