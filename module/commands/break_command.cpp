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

// Removes the selected polygons of the source mesh: the piece that was just copied out.
void remove_selected_polygons(MeshInterface& mesh)
{
    for (Index f : to_vector(mesh.selected_polygons()))
        mesh.remove_polygon(f);
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
    // Pieces only ever leave the source, so the first remaining polygon never moves backwards:
    // a cursor finds it without rescanning the vacated slots.
    Index first = 0;
    for (int k = 1; source->polygons().count() > 0; ++k) {
        while (!source->polygon_exists(first))
            ++first;
        PolyMarker seed;
        seed.insert(first);
        select_connected(*source, seed, true);
        copy_mesh_to_clipboard(*source, true);
        remove_selected_polygons(*source);
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
