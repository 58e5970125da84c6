#include "edge_tools/dissolve.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"

#include <algorithm>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

bool BandGlueCommand::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Dissolve")
        .icon("/icons/edit_dissolve.png")
        .ui_hints("model_tools");
    return true;
}

namespace {

// Whether taking v out of its polygons leaves a valid mesh: v is bare, or it only joins two
// sides in a row (two neighbours, not joined by an edge of their own, and no triangle through it
// that would vanish). A point where separate runs of removed edges meet stays a corner.
bool can_drop(MeshInterface const& mesh, Index v)
{
    auto const around = mesh.point_polygons(v);
    if (around.empty())
        return true;
    VertexMarker neighbours;
    mesh.neighbours_of_point(v, neighbours);
    if (neighbours.size() != 2 || mesh.edge_exists({*neighbours.begin(), *++neighbours.begin()}))
        return false;
    return std::all_of(around.begin(), around.end(), [&](Index f) { return mesh.polygon_vertices(f).count > 3; });
}

// Extends the edge selection to whole loops, removes the selected edges (merging the polygons
// beside them) and then the vertices that lay between two removed edges: those touched by an
// even number of selected edges. The ends of an open chain stay.
void dissolve_selected_edges(MeshInterface& mesh, Component const& item)
{
    if (!execute("SelectLoop", item))
        return;
    VertexMarker between;
    for (VertexPair const e : each(mesh.selected_edges())) {
        between.insert(e.v1);
        between.insert(e.v2);
    }
    for (VertexPair const e : each(mesh.selected_edges())) {
        between.toggle(e.v1);
        between.toggle(e.v2);
    }
    if (!execute("Remove", item))
        return;
    std::vector<Index> const doomed(between.begin(), between.end());
    for (Index v : doomed)
        if (can_drop(mesh, v))
            mesh.remove_point(v);
}

// The edges inside the selected region: each edge of a selected polygon goes in once, then is
// toggled once per selected polygon using it, so outline edges (one selected polygon) drop out.
EdgeMarker inner_edges(MeshInterface const& mesh)
{
    EdgeMarker edges;
    for (Index f : each(mesh.selected_polygons())) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        for (std::uint16_t k = 0; k < v.count; ++k)
            edges.insert(v.edge(k));
    }
    for (Index f : each(mesh.selected_polygons())) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        for (std::uint16_t k = 0; k < v.count; ++k)
            edges.toggle(v.edge(k));
    }
    return edges;
}

} // namespace

bool BandGlueCommand::execute_selection(ComponentList const& items)
{
    // The first item's polygon-mode dissolve switches the host to edge mode; the other items
    // must still be dissolved as polygon regions.
    mode_ = selection_mode();
    bool const ok = Command::execute_selection(items);
    mode_.reset();
    return ok;
}

bool BandGlueCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return true;
    MeshEditContext const edit(mesh.get(), component());
    int const mode = mode_.value_or(selection_mode());
    if (mode == kSelectEdges) {
        dissolve_selected_edges(*mesh, item.component());
    } else if (mode == kSelectPolygons) {
        EdgeMarker const inside = inner_edges(*mesh);
        mesh->select_all(kElementEdges, false);
        mesh->select_all(kElementPolygons, false);
        for (VertexPair const e : inside)
            mesh->set_edge_selection(e, true);
        set_selection_mode(kSelectEdges);
        dissolve_selected_edges(*mesh, item.component());
        set_selection_mode(kSelectEdges);
    }
    return true;
}

Status register_dissolve(PluginModuleRegistrar& registrar)
{
    register_component_class<BandGlueCommand>(registrar, "Dissolve");
    return Status(0);
}

} // namespace tolvir
