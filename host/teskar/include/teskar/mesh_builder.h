#pragma once

#include "teskar/mesh.h"

#include <span>

namespace teskar {

// Fills a new mesh in bulk. Points and polygons go straight into the mesh's arrays, sized once
// from the hints, and the lists of the polygons around each point are laid out once, exactly,
// when the builder finishes: so a mesh of n quads is built in O(n) and takes no more memory than
// it keeps. Until then the mesh must not be used.
//
// The mesh must have had no polygons (it may have points) and not be recorded by the undo history
// (made in the recording step, or with none open); otherwise the builder adds through the mesh's
// own operations.
class MeshBuilder {
public:
    MeshBuilder(Mesh& mesh, std::size_t points_hint, std::size_t polygons_hint, std::size_t corners_hint);
    MeshBuilder(MeshBuilder const&) = delete;
    MeshBuilder& operator=(MeshBuilder const&) = delete;
    ~MeshBuilder() { finish(); }

    // Room for that many more polygons and corners, for readers that learn the counts late.
    void reserve_polygons(std::size_t polygons, std::size_t corners);

    VORNSDK::Index add_point(VORNSDK::Vector3d const& position);
    // Points in a row; answers the first one's index.
    VORNSDK::Index add_points(std::span<VORNSDK::Vector3d const> positions);
    // A polygon of three or more distinct points of the mesh; kNoIndex, adding nothing, otherwise.
    VORNSDK::Index add_polygon(std::span<VORNSDK::Index const> vertices);
    // add_polygon for a reader that has checked the list already (at least three distinct points
    // of the mesh, no more than kMaxPolygonVertices): the check is not repeated.
    VORNSDK::Index add_checked_polygon(std::span<VORNSDK::Index const> vertices);
    // add_checked_polygon for polygons in a row, sizes[k] vertices each taken from vertices in
    // order; answers the first one's index.
    VORNSDK::Index add_checked_polygons(std::span<std::uint16_t const> sizes, std::span<VORNSDK::Index const> vertices);
    // Makes the mesh whole; further additions go through the mesh's own operations.
    void finish();

private:
    Mesh& mesh_;
    bool bulk_;
};

} // namespace teskar
