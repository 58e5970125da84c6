#include "edge_tools/make_circular.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

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

// A vertex of a selected polygon lies on the selection's outline when some polygon around it is
// not selected, or when it belongs to one polygon only.
VertexMarker outline_vertices(MeshInterface const& mesh)
{
    VertexMarker outline;
    for (Index f : each(mesh.selected_polygons()))
        for (Index v : mesh.polygon_vertices(f)) {
            auto const around = mesh.point_polygons(v);
            bool const edge_of_selection =
                around.size() == 1 || std::any_of(around.begin(), around.end(), [&](Index g) { return !mesh.polygon_selected(g); });
            if (edge_of_selection)
                outline.insert(v);
        }
    return outline;
}

// The outline in counter-clockwise order about the normal sum, starting at its first vertex;
// each step takes the first unvisited neighbour that lies counter-clockwise of the current one.
std::vector<Index> order_outline(MeshInterface const& mesh, VertexMarker const& outline, Vector3d const& centre,
                                 Vector3d const& normal_sum)
{
    VertexMarker remaining = outline;
    VertexMarker visited;
    Index current = *outline.begin();
    std::vector<Index> ordered{current};
    visited.insert(current);
    for (std::size_t round = 0; round < outline.size(); ++round) {
        Vector3d const b = unit(mesh.point_position(current) - centre);
        for (Index v : remaining) {
            if (v == current || visited.contains(v) || !mesh.edge_exists({current, v}))
                continue;
            Vector3d const a = unit(mesh.point_position(v) - centre);
            if (dot(cross(a, b), normal_sum) < 0) {
                ordered.push_back(v);
                visited.insert(v);
                remaining.erase(v);
                current = v;
                break;
            }
        }
    }
    return ordered;
}

} // namespace

bool CirclifyCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return true;
    MeshEditContext const edit(mesh.get(), component());
    VertexMarker const outline = outline_vertices(*mesh);
    if (outline.empty())
        return true;
    Vector3d centre, normal_sum;
    for (Index v : outline) {
        centre += mesh->point_position(v);
        normal_sum += normal_of(*mesh, v);
    }
    centre = centre / double(outline.size());
    std::vector<Index> const ordered = order_outline(*mesh, outline, centre, normal_sum);

    double radius = std::numeric_limits<double>::infinity();
    Vector3d ordered_normals;
    for (Index v : ordered) {
        radius = std::min(radius, length(mesh->point_position(v) - centre));
        ordered_normals += normal_of(*mesh, v);
    }
    Vector3d const x = unit(mesh->point_position(ordered.front()) - centre);
    Vector3d const n = unit(ordered_normals);
    Vector3d const y = cross(n, x);
    std::size_t const k = ordered.size();
    for (std::size_t i = 0; i < k; ++i) {
        double const angle = double(i) / double(k) * 6.283185307179586;
        mesh->set_point_position(ordered[i], centre + x * (radius * std::cos(angle)) + y * (radius * std::sin(angle)));
    }

    Index const middle = mesh->add_point(centre);
    for (Index f : to_vector(mesh->selected_polygons()))
        mesh->remove_polygon(f);
    // A fan of quads, each spanning two outline segments; an odd outline ends with a triangle.
    for (std::size_t i = 0; i < k; i += 2) {
        CompactIndexArray fan{middle};
        for (std::size_t j = i; j <= i + 2 && j <= k; ++j)
            fan.push_back(ordered[j % k]);
        Index const f = mesh->add_polygon(fan);
        if (f != kNoIndex)
            mesh->finish_polygon(f);
    }
    mesh->update();
    return true;
}

Status register_make_circular(PluginModuleRegistrar& registrar)
{
    register_component_class<CirclifyCommand>(registrar, "Make Circular");
    return Status(0);
}

} // namespace tolvir
