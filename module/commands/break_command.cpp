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

// What Break knows of each polygon of the source.
enum PolygonState : std::uint8_t { kFree, kTaken, kInPiece };

// Takes the polygons of the piece that was just copied out out of the selection and of the
// polygons still to be broken off.
void set_piece_aside(MeshInterface& mesh, std::vector<Index>& piece, std::vector<std::uint8_t>& state)
{
    for (Index f : piece) {
        state[f] = kTaken;
        mesh.set_polygon_selection(f, false);
    }
    piece.clear();
}

// Adds to piece, and selects, every polygon not yet in a piece that reaches polygon first through
// shared points. The walk does not pass through polygons that were in the piece before it (a
// selection made before Break), as the selection it makes would not.
void select_piece(MeshInterface& mesh, Index first, std::vector<std::uint8_t>& state, std::vector<Index>& piece,
                  std::vector<Index>& frontier)
{
    frontier.assign(1, first);
    if (state[first] == kFree)
        piece.push_back(first);
    state[first] = kInPiece;
    while (!frontier.empty()) {
        Index const f = frontier.back();
        frontier.pop_back();
        for (Index p : mesh.polygon_vertices(f))
            for (Index g : mesh.point_polygons(p))
                if (state[g] == kFree) {
                    state[g] = kInPiece;
                    piece.push_back(g);
                    frontier.push_back(g);
                }
    }
    for (Index f : piece)
        mesh.set_polygon_selection(f, true);
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
    std::vector<std::uint8_t> state(source->polygons().slots(), kFree);
    // A selection made before Break goes with the first piece.
    std::vector<Index> piece = to_vector(source->selected_polygons()), frontier;
    for (Index f : piece)
        state[f] = kInPiece;
    Index first = 0;
    for (int k = 1;; ++k) {
        while (first < state.size() && (state[first] == kTaken || !source->polygon_exists(first)))
            ++first;
        if (first == state.size())
            break;
        select_piece(*source, first, state, piece, frontier);
        copy_mesh_to_clipboard(*source, true);
        set_piece_aside(*source, piece, state);
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
