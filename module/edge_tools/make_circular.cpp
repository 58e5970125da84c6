#include "edge_tools/make_circular.h"

#include "edge_tools/polygon_regions.h"
#include "framework/description_builder.h"
#include "framework/registration.h"

#include "vornsdk/host.h"
#include "vornsdk/mesh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

bool CirclifyCommand::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Make Circular")
        .icon("/icons/edit_array.png");
    return true;
}

namespace {

Vector3d normal_of(MeshInterface const& mesh, Index v)
{
    Vector3f const n = mesh.point_normal(v);
    return {n.x, n.y, n.z};
}

// Twice the loop's area vector (Newell's method): its direction tells which way the loop turns.
Vector3d loop_area(MeshInterface const& mesh, std::vector<Index> const& loop)
{
    Vector3d sum;
    for (std::size_t k = 0; k < loop.size(); ++k) {
        Vector3d const a = mesh.point_position(loop[k]);
        Vector3d const b = mesh.point_position(loop[(k + 1) % loop.size()]);
        sum += Vector3d{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
    }
    return sum;
}

// Puts the outline's points on the circle about their centre that passes through the nearest of
// them, evenly spaced from the first one, turning about the outline's normal the way the outline
// itself turns (counter-clockwise for a surface that faces the way its normals point).
void place_on_circle(MeshInterface& mesh, std::vector<Index> const& outline, Vector3d const& centre,
                     Vector3d const& normal_sum)
{
    double radius = std::numeric_limits<double>::infinity();
    for (Index v : outline)
        radius = std::min(radius, length(mesh.point_position(v) - centre));
    Vector3d const x = unit(mesh.point_position(outline.front()) - centre);
    Vector3d const n = unit(normal_sum);
    double const turn = dot(loop_area(mesh, outline), normal_sum) < 0 ? -1.0 : 1.0;
    Vector3d const y = cross(n, x) * turn;
    std::size_t const k = outline.size();
    for (std::size_t i = 0; i < k; ++i) {
        double const angle = double(i) / double(k) * 6.283185307179586;
        mesh.set_point_position(outline[i], centre + x * (radius * std::cos(angle)) + y * (radius * std::sin(angle)));
    }
}

// Replaces the region by a fan of quads around a new centre point, each spanning two outline
// segments (an odd outline ends with a triangle). The fan takes the region's material and
// selection; points inside the region that no polygon uses any more go with it.
void fill_with_fan(MeshInterface& mesh, std::vector<Index> const& region, std::vector<Index> const& outline,
                   Vector3d const& centre)
{
    Component const material = mesh.polygon_material(region.front());
    bool const selected = mesh.polygon_selected(region.front());
    VertexMarker inside;
    for (Index f : region)
        for (Index v : mesh.polygon_vertices(f))
            inside.insert(v);
    for (Index v : outline)
        inside.erase(v);
    Index const middle = mesh.add_point(centre);
    for (Index f : region)
        mesh.remove_polygon(f);
    std::size_t const k = outline.size();
    for (std::size_t i = 0; i < k; i += 2) {
        CompactIndexArray fan{middle};
        for (std::size_t j = i; j <= i + 2 && j <= k; ++j)
            fan.push_back(outline[j % k]);
        Index const f = mesh.add_polygon(fan);
        if (f == kNoIndex)
            continue;
        mesh.set_polygon_material(f, material);
        if (selected)
            mesh.set_polygon_selection(f, true);
        mesh.finish_polygon(f);
    }
    for (Index v : inside)
        if (mesh.point_polygons(v).empty())
            mesh.remove_point(v);
}

// The sum of the region's polygons' area vectors: which way the region faces as a whole.
Vector3d region_area(MeshInterface const& mesh, std::vector<Index> const& region)
{
    Vector3d sum;
    for (Index f : region) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        sum += loop_area(mesh, std::vector<Index>(v.begin(), v.end()));
    }
    return sum;
}

// Makes one region circular; false (and no change) when its outline is not one simple loop, or
// gives no plane to lay the disc in.
bool make_region_circular(MeshInterface& mesh, std::vector<Index> const& region)
{
    std::optional<std::vector<Index>> loop = region_outline_loop(mesh, region);
    if (!loop || loop->size() < 3)
        return false;
    Vector3d centre, normal_sum;
    for (Index v : *loop) {
        centre += mesh.point_position(v);
        normal_sum += normal_of(mesh, v);
    }
    centre = centre / double(loop->size());
    // The point normals of a region round a corner can cancel out; the region's own facing
    // stands in for them then.
    Vector3d const x = unit(mesh.point_position(loop->front()) - centre);
    if (length(cross(unit(normal_sum), x)) < 1e-6)
        normal_sum = region_area(mesh, region);
    if (length(cross(unit(normal_sum), x)) < 1e-6)
        return false;
    // The fan follows the outline in the region's winding, so that it runs along its
    // neighbours the way the region did.
    place_on_circle(mesh, *loop, centre, normal_sum);
    fill_with_fan(mesh, region, *loop, centre);
    return true;
}

} // namespace

bool CirclifyCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return true;
    MeshEditContext const edit(mesh.get(), component());
    std::vector<Index> const selected = to_vector(mesh->selected_polygons());
    std::size_t skipped = 0;
    for (std::vector<Index> const& region : edge_connected_regions(*mesh, selected))
        if (!make_region_circular(*mesh, region))
            ++skipped;
    if (skipped > 0)
        display_message(String("Make Circular: a selected region was left unchanged: its outline is not one closed loop, or it faces no single way."));
    mesh->update();
    return true;
}

Status register_make_circular(PluginModuleRegistrar& registrar)
{
    register_component_class<CirclifyCommand>(registrar, "Make Circular");
    return Status(0);
}

} // namespace tolvir
