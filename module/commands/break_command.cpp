#include "commands/break_command.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

#include "commands/mesh_text.h"
#include "commands/scene_items.h"

#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"

#include <vector>

namespace tolvir {

using namespace VORNSDK;

bool BreakCommand::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Break")
        .icon("/icons/edit_array.png");
    return true;
}

namespace {

// Takes the selected polygons of the source mesh, the piece that was just copied out, out of the
// selection and of the polygons still to be broken off.
void set_piece_aside(MeshInterface& mesh, std::vector<std::uint8_t>& taken)
{
    for (Index f : to_vector(mesh.selected_polygons())) {
        taken[f] = 1;
        mesh.set_polygon_selection(f, false);
    }
}

// Selects the piece around polygon first: every polygon not yet taken that reaches it through
// shared points.
void select_piece(MeshInterface& mesh, Index first, std::vector<std::uint8_t> const& taken)
{
    FastIndexStack frontier;
    frontier.push(first);
    mesh.set_polygon_selection(first, true);
    while (!frontier.empty()) {
        Index const f = frontier.pop();
        for (Index p : mesh.polygon_vertices(f))
            for (Index g : mesh.point_polygons(p))
                if (!taken[g] && mesh.set_polygon_selection(g, true))
                    frontier.push(g);
    }
}

} // namespace

bool BreakCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const source(item.component());
    if (!source)
        return true;
    Component const group = create_scene_item(active_scene(), "Object", "New Container", true);
    MeshEditContext const edit(source.get(), component());
    String const base = item.component()["Name"].value().as_string();
    // The source leaves the scene at the end, so its polygons need not leave it piece by piece:
    // each piece is set aside instead, which spares the undo history a copy of every polygon.
    // Pieces only ever leave, so the first polygon not yet taken never moves backwards: a cursor
    // finds it without rescanning.
    std::vector<std::uint8_t> taken(source->polygons().slots(), 0);
    Index first = 0;
    for (int k = 1;; ++k) {
        while (first < taken.size() && (taken[first] || !source->polygon_exists(first)))
            ++first;
        if (first == taken.size())
            break;
        select_piece(*source, first, taken);
        copy_mesh_to_clipboard(*source, true);
        set_piece_aside(*source, taken);
        Component const piece = create_scene_item(group, "SceneObject", base + String("_") + String::number(static_cast<long long>(k)), true);
        auto* mesh = get_interface<MeshInterface>(piece);
        String const text = clipboard_text();
        if (mesh) {
            MeshEditContext const piece_edit(mesh, component());
            if (!text.empty())
                read_mesh_text(*mesh, text);
        }
    }
    if (auto* node = get_interface<TreeNodeInterface>(item.component()))
        node->set_parent(ComponentInterfacePtrT<TreeNodeInterface>());
    return true;
}

Status register_break(PluginModuleRegistrar& registrar)
{
    register_component_class<BreakCommand>(registrar, "Break");
    return Status(0);
}

} // namespace tolvir
