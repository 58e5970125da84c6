#include "teskar/host_commands.h"
#include "teskar/host_plugin.h"

#include "vornsdk/attribute.h"

#include <unordered_map>
#include <utility>
#include <vector>

namespace teskar {

using namespace VORNSDK;

namespace {

// Twice the area-weighted normal of the polygon (Newell's method).
Vector3d area_normal(Mesh const& mesh, Index f)
{
    PolygonVertices const list = mesh.polygon_vertices(f);
    Vector3d sum;
    for (std::size_t k = 0; k < list.count; ++k) {
        Vector3d const a = mesh.point_position(list[k]);
        Vector3d const b = mesh.point_position(list[(k + 1) % list.count]);
        sum += Vector3d{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
    }
    return sum;
}

// How many polygons of the region have e as a side.
std::size_t region_polygons_of_edge(Mesh const& mesh, VertexPair const& e, PolyMarker const& region)
{
    PolyMarker beside;
    mesh.polygons_of_edge(e, beside);
    std::size_t n = 0;
    for (Index f : beside)
        n += region.contains(f) ? 1 : 0;
    return n;
}

// Groups the corners of the region's polygons at each point into fans: two polygons' corners at
// a point are in one fan when the polygons share a side through that point and both are in the
// region. key() names a corner's fan.
class CornerFans {
public:
    CornerFans(Mesh const& mesh, PolyMarker const& region)
    {
        for (Index f : region) {
            PolygonVertices const list = mesh.polygon_vertices(f);
            for (std::size_t k = 0; k < list.count; ++k) {
                VertexPair const side = list.edge(k);
                PolyMarker beside;
                mesh.polygons_of_edge(side, beside);
                for (Index g : beside)
                    if (g != f && region.contains(g)) {
                        join(corner(f, side.v1), corner(g, side.v1));
                        join(corner(f, side.v2), corner(g, side.v2));
                    }
            }
        }
    }

    std::uint64_t key(Index f, Index v) { return find(corner(f, v)); }

private:
    static std::uint64_t corner(Index f, Index v) { return (std::uint64_t(f) << 32) | v; }

    std::uint64_t find(std::uint64_t c)
    {
        std::uint64_t root = c;
        for (auto it = parent_.find(root); it != parent_.end() && it->second != root; it = parent_.find(root))
            root = it->second;
        while (c != root) {
            std::uint64_t const up = parent_[c];
            parent_[c] = root;
            c = up;
        }
        return root;
    }

    void join(std::uint64_t a, std::uint64_t b)
    {
        std::uint64_t const ra = find(a), rb = find(b);
        if (ra != rb)
            parent_[std::max(ra, rb)] = std::min(ra, rb);
    }

    std::unordered_map<std::uint64_t, std::uint64_t> parent_;
};

// Extrudes the selected polygons as one region: they move onto copies of their points, pushed
// along the region's normal by "Distance", and every side on the region's outline gets a wall
// quad joining the old side to the new one.
class Extend : public MeshCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        describe_command(d, "Extend", "Edit");
        add_attribute(d, "Distance", Parameter::PT_DOUBLE, 0.0);
        return true;
    }

protected:
    void edit_mesh(Mesh& mesh) override
    {
        std::vector<Index> faces;
        PolyMarker region;
        for (Index f : each(mesh.selected_polygons())) {
            faces.push_back(f);
            region.insert(f);
        }
        if (faces.empty())
            return;

        Vector3d normal;
        for (Index f : faces)
            normal += area_normal(mesh, f);
        Vector3d const offset = unit(normal) * attribute("Distance").as_double();

        // Each point is copied once per fan of region polygons around it joined through sides
        // of the region, so that regions touching at a point only get walls of their own.
        std::vector<Index> originals;
        std::unordered_map<std::uint64_t, Index> copy_of;
        CornerFans fans(mesh, region);
        for (Index f : faces)
            for (Index v : mesh.polygon_vertices(f)) {
                if (!copy_of.contains(fans.key(f, v)))
                    copy_of.emplace(fans.key(f, v), mesh.add_point(mesh.point_position(v) + offset));
                originals.push_back(v);
            }
        auto const copy = [&](Index f, Index v) { return copy_of.at(fans.key(f, v)); };

        // A wall walks the old side the way the region's polygon did and the copied side the other
        // way, which keeps the winding consistent with the polygons on both of its sides.
        std::vector<std::pair<CompactIndexArray, Index>> walls;
        for (Index f : faces) {
            PolygonVertices const list = mesh.polygon_vertices(f);
            for (std::size_t k = 0; k < list.count; ++k) {
                VertexPair const side = list.edge(k);
                if (region_polygons_of_edge(mesh, side, region) == 1)
                    walls.push_back({{side.v1, side.v2, copy(f, side.v2), copy(f, side.v1)}, f});
            }
        }
        for (auto const& [wall, model] : walls)
            mesh.add_polygon(wall, model);

        for (Index f : faces) {
            PolygonProperties const properties = mesh.polygon_properties(f);
            CompactIndexArray moved;
            for (Index v : mesh.polygon_vertices(f))
                moved.push_back(copy(f, v));
            mesh.set_polygon_vertices(f, moved);
            mesh.set_polygon_properties(f, properties);
        }

        // Points inside the region now belong to no polygon.
        for (Index v : originals)
            if (mesh.point_polygons(v).empty())
                mesh.remove_point(v);
    }
};

} // namespace

void register_extend_command(Registry& registry) { register_host_plugin<Extend>(registry, "Extend"); }

} // namespace teskar
