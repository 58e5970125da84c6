#include "edge_tools/hard_soft_edges.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

#include "edge_tools/edge_queries.h"

#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

void describe_front_command(ComponentDescription& description, char const* user_name, char const* icon,
                            char const* ui_hints)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Surface")
        .component_user_name(user_name)
        .icon(icon)
        .ui_hints(ui_hints);
}

// Runs the worker on one item with the front command's two values.
bool run_edges_operator(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool outline, bool hard)
{
    Component const worker = Component::create("EdgesOperator");
    if (!worker)
        return true;
    worker["outline"].set_value(outline, true);
    worker["hard"].set_value(hard, true);
    execute(worker, item.component());
    return true;
}

// A selected polygon other than f beside the edge, or kNoIndex.
Index selected_neighbour(MeshInterface const& mesh, Index f, VertexPair const& e)
{
    for (Index g : mesh.point_polygons(e.v1))
        if (g != f && mesh.polygon_selected(g) && polygon_has_side(mesh.polygon_vertices(g), e.v1, e.v2))
            return g;
    return kNoIndex;
}

} // namespace

bool EdgesOperator::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return true;
    bool const hard = attribute("hard").value().as_bool();
    bool const outline_only = attribute("outline").value().as_bool();
    MeshEditContext const edit(mesh.get(), component());
    if (selection_mode() == kSelectEdges) {
        for (VertexPair const e : to_vector(mesh->selected_edges()))
            if (mesh->edge_exists(e))
                mesh->set_edge_hard(e, hard);
        return true;
    }
    if (selection_mode() != kSelectPolygons)
        return true;
    // Outline edges have one selected polygon beside them (a border edge of a selected polygon
    // counts); inner edges have two. Each inner edge is taken once, from the lower of its two
    // polygons. The outline changes for the hard commands and for softening the outline; the
    // patch commands leave the outline of a softened region as it was.
    bool const touch_outline = hard || outline_only;
    bool const touch_inner = !outline_only;
    // Hardening a whole patch needs no telling outline from inside: every side goes hard.
    bool const every_side = touch_outline && touch_inner && hard;
    if (every_side) {
        mesh->set_sides_hard(to_vector(mesh->selected_polygons()), true);
        return true;
    }
    for (Index f : to_vector(mesh->selected_polygons())) {
        PolygonVertices const v = mesh->polygon_vertices(f);
        for (std::uint16_t k = 0; k < v.count; ++k) {
            Index const neighbour = selected_neighbour(*mesh, f, v.edge(k));
            bool const inner = neighbour != kNoIndex;
            if (inner ? touch_inner && f < neighbour : touch_outline)
                mesh->set_side_hard(f, k, hard);
        }
    }
    return true;
}

bool HardEdgesPatchCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    return run_edges_operator(item, false, true);
}

bool SoftEdgesPatchCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    return run_edges_operator(item, false, false);
}

bool HardEdgesOutlineCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    return run_edges_operator(item, true, true);
}

bool SoftEdgesOutlineCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    return run_edges_operator(item, true, false);
}

bool EdgesOperator::describe(ComponentDescription& description)
{
    // Only the front commands run it, so it stays out of the menus.
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Command")
        .component_user_name("EdgesOperator")
        .tag("hidden", true)
        .attribute("hard", Parameter::PT_BOOL)
        .undoable(true)
        .attribute("outline", Parameter::PT_BOOL)
        .undoable(true);
    return true;
}

bool HardEdgesPatchCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Hard Edge", "/icons/edit_hardedge.png", "model_tools");
    return true;
}

bool SoftEdgesPatchCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Soft Edge", "/icons/edit_softedge.png", "model_tools");
    return true;
}

bool HardEdgesOutlineCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Hard Edge Outline", "/icons/edit_hardedgeoutline.png", "surface_tools");
    return true;
}

bool SoftEdgesOutlineCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Soft Edge Outline", "/icons/edit_softedgeoutline.png", "model_tools");
    return true;
}

Status register_hard_soft_edges(PluginModuleRegistrar& registrar)
{
    register_component_class<EdgesOperator>(registrar, "EdgesOperator");
    register_component_class<HardEdgesPatchCommand>(registrar, "HardEdgesPatchCommand");
    register_component_class<SoftEdgesPatchCommand>(registrar, "SoftEdgesPatchCommand");
    register_component_class<HardEdgesOutlineCommand>(registrar, "HardEdgesOutlineCommand");
    register_component_class<SoftEdgesOutlineCommand>(registrar, "SoftEdgesOutlineCommand");
    return Status(0);
}

} // namespace tolvir
