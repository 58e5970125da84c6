#include "edge_tools/insert_loop.h"

#include "edge_tools/edge_loop.h"
#include "edge_tools/edge_ring.h"
#include "edge_tools/edge_text.h"
#include "edge_tools/loop_insertion.h"
#include "edge_tools/remove_edges.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"
#include "framework/selection.h"

#include "vornsdk/draw.h"
#include "vornsdk/history.h"
#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

// The attributes are driven from the viewport and the tool's key actions rather than the panel, and
// each click commits its own undo step, so attribute changes are not recorded on their own.
DescriptionBuilder internal_attribute(DescriptionBuilder const& builder, char const* name, Parameter::PType type)
{
    return builder.attribute(name, type).show_ui(false).undoable(false);
}

} // namespace

bool EdgeOps::describe(ComponentDescription& description)
{
    DescriptionBuilder const tool = DescriptionBuilder(description)
                                        .category("InteractiveTool")
                                        .sub_category("Edit")
                                        .component_user_name("Insert Loop")
                                        .icon("/icons/edit_insertedge.png")
                                        .ui_hints("model_tools");

    internal_attribute(tool, "SnapCenter", Parameter::PT_BOOL).user_name("Snap to Center").default_value(false);
    internal_attribute(tool, "Stops", Parameter::PT_DOUBLE)
        .user_name("Stopper")
        .default_value(0.0)
        .min(0.0)
        .max(0.5);
    internal_attribute(tool, "flow", Parameter::PT_BOOL).user_name("Flow Constrain").default_value(false);
    internal_attribute(tool, "Stops2", Parameter::PT_DOUBLE)
        .user_name("StopperD")
        .default_value(0.0)
        .min(0.0)
        .max(0.5);
    internal_attribute(tool, "Edge", Parameter::PT_STRING).user_name("Current Edge");
    internal_attribute(tool, "Cut", Parameter::PT_DOUBLE).user_name("Cut").min(0).max(1).step(0.05);
    internal_attribute(tool, "Slices", Parameter::PT_INT).user_name("Slices").default_value(1).min(1);
    internal_attribute(tool, "Mirror", Parameter::PT_BOOL).user_name("Mirror").default_value(false);
    internal_attribute(tool, "Absolute", Parameter::PT_BOOL).user_name("Absolute").default_value(false);

    set_key_bindings(description, {
                                      {"IncSlice", "Up", "Moment"},
                                      {"DecSlice", "Down", "Moment"},
                                      {"Mirror", "'", "Moment"},
                                      {"RemoveLoop", "Ctrl", "Moment"},
                                      {"SlideLoop", "Shift", "Moment"},
                                  });
    return true;
}

namespace {

// The mesh and item transform the previews are drawn for: the first selected item's.
struct HoverTarget {
    Component item;
    ComponentInterfacePtrT<MeshInterface> mesh;
    Matrix4d world;
};

std::optional<HoverTarget> hover_target()
{
    ComponentList const selection = current_selection();
    if (selection.empty())
        return std::nullopt;
    HoverTarget target{selection.front(), ComponentInterfacePtrT<MeshInterface>(selection.front()), Matrix4d::identity()};
    if (!target.mesh)
        return std::nullopt;
    if (auto* item = get_interface<SceneItemInterface>(selection.front()))
        target.world = item->world_matrix();
    return target;
}

void set_tool_color(DrawInterface& draw, char const* preference)
{
    Vector4f const c = app_node()[preference].as_Vector4f();
    draw.set_color(c.x, c.y, c.z, c.w);
}

} // namespace

void EdgeOps::on_activate(Component const&)
{
    if (auto const mesh = first_selected_mesh())
        polygon_selection_empty_ = mesh->selected_polygons().empty();
}

void EdgeOps::on_action_pressed(String const& action)
{
    if (action == String("flow"))
        attribute("flow").set_value(true);
    else if (action == String("IncSlice"))
        attribute("Slices").set_value(attribute("Slices").as_int() + 1);
    else if (action == String("DecSlice"))
        attribute("Slices").set_value(attribute("Slices").as_int() - 1);
    else if (action == String("Mirror"))
        attribute("Mirror").set_value(!attribute("Mirror").as_bool());
    else if (action == String("RemoveLoop"))
        mode_ = kRemoveLoop;
    else if (action == String("SlideLoop"))
        mode_ = kSlideLoop;
}

void EdgeOps::on_action_released(String const& action)
{
    if (action == String("flow"))
        attribute("flow").set_value(false);
    else if (action == String("RemoveLoop") || action == String("SlideLoop"))
        mode_ = kInsert;
}

void EdgeOps::on_pointer_moved(InputRecord const& input, float, float, bool)
{
    Component const picking = Component::create("Picking");
    auto* picker = get_interface<PickingInterface>(picking);
    if (!picker)
        return;
    pick_ = PickRecord();
    hovered_ = VertexPair();
    picker->pick(ViewportPoint(input.state), pick_);
    auto const target = hover_target();
    // Only the first selected item is cut: another item under the pointer counts as nothing.
    if (target && pick_.item != target->item)
        pick_ = PickRecord();
    if (!target || !target->mesh->polygon_exists(pick_.polygon))
        return;
    MeshInterface const& mesh = *target->mesh;
    Vector3d const p = transform_point(inverse(target->world), pick_.hit);
    PolygonVertices const v = mesh.polygon_vertices(pick_.polygon);
    std::vector<VertexPair> sides;
    for (std::uint16_t k = 0; k < v.count; ++k)
        sides.push_back(v.edge(k));
    hovered_ = nearest_edge(mesh, sides, p);
    if (hovered_.invalid())
        return;
    EdgeCut const cut = cut_on_edge(mesh.point_position(hovered_.v1), mesh.point_position(hovered_.v2), p,
                                    attribute("Stops").as_double(), attribute("Stops2").as_double(),
                                    attribute("SnapCenter").as_bool());
    pick_.local_hit = cut.point;
    cut_ = cut.fraction;
}

void EdgeOps::on_draw(DrawInterface& draw)
{
    if (mode_ == kRemoveLoop)
        draw_loop_preview(draw);
    else
        draw_ring_preview(draw);
}

void EdgeOps::draw_ring_preview(DrawInterface& draw) const
{
    auto const target = hover_target();
    if (!target || hovered_.invalid())
        return;
    MeshInterface const& mesh = *target->mesh;
    bool const absolute = attribute("Absolute").as_bool();
    // Absolute cuts above the middle measure from the other end of the edge. The folded fraction
    // stays local to the preview, so the tool's cut fraction keeps pairing with the hovered edge.
    VertexPair edge = hovered_;
    double t = cut_;
    if (absolute && t > 0.5) {
        edge = edge.flip();
        t = 1 - t;
    }
    LoopBand const band = band_of_ring(mesh, build_ring(mesh, edge));
    if (band.quads.empty())
        return;
    double const reach = length(mesh.point_position(edge.v2) - mesh.point_position(edge.v1));
    std::vector<double> const fractions = loop_fractions(t, attribute("Slices").as_int(), attribute("Mirror").as_bool());
    auto const point = [&](std::size_t i, std::size_t j) {
        VertexPair const& e = band.edges[i % band.edges.size()];
        Vector3d const a = mesh.point_position(e.v1), b = mesh.point_position(e.v2);
        Vector3d const p = absolute ? a + unit(b - a) * (fractions[j] * reach) : a + (b - a) * fractions[j];
        return transform_point(target->world, p);
    };
    set_tool_color(draw, "ToolColor");
    for (std::size_t i = 0; i < band.quads.size(); ++i)
        for (std::size_t j = 0; j < fractions.size(); ++j)
            draw.draw_line(point(i + 1, j), point(i, j));
}

void EdgeOps::draw_loop_preview(DrawInterface& draw) const
{
    auto const target = hover_target();
    if (!target || hovered_.invalid())
        return;
    set_tool_color(draw, "ToolColor2");
    for (VertexPair const& e : build_edge_loop(*target->mesh, hovered_))
        draw.draw_line(transform_point(target->world, target->mesh->point_position(e.v1)),
                       transform_point(target->world, target->mesh->point_position(e.v2)));
}

bool EdgeOps::on_button_pressed(InputRecord const& input)
{
    if (!pick_.valid())
        return false;
    if (mode_ == kRemoveLoop) {
        remove_hovered_loop();
        return true;
    }
    ComponentInterfacePtrT<MeshInterface> const picked(pick_.item);
    if (picked && !picked->selected_polygons().empty()) {
        attribute("Cut").set_value(0.5);
        return true;
    }
    add_loop(input);
    return true;
}

void EdgeOps::remove_hovered_loop()
{
    auto const target = hover_target();
    if (target && !hovered_.invalid()) {
        EdgeLoop const loop = build_edge_loop(*target->mesh, hovered_);
        Component const remover = Component::create("RemoveEdges");
        if (remover) {
            remover["EdgeList"].set_value(String(edge_list_text(loop)), true);
            // Its own undo step, so that a later re-run of the tool's edit does not take it back.
            HistoryTransaction removal("Remove Loop");
            HistoryContext const context(removal, false);
            execute(remover, Component());
        }
    }
    hovered_ = VertexPair();
}

void EdgeOps::add_loop(InputRecord const& input)
{
    HistoryTransaction click("Add Loop");
    HistoryContext const context(click, true);
    // One insertion for the click, not one per attribute.
    change_together([&] {
        attribute("Edge").set_value(String(edge_text(hovered_)));
        attribute("Cut").set_value(cut_);
        attribute("flow").set_value(input.state.buttons.test(kButtonMiddle));
    });
    int const slices = attribute("Slices").as_int();
    bool const mirror = attribute("Mirror").as_bool();
    bool const absolute = attribute("Absolute").as_bool();
    commit();
    attribute("Slices").set_value(slices);
    attribute("Mirror").set_value(mirror);
    attribute("Absolute").set_value(absolute);
}

void EdgeOps::apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return;
    // A tool run as a command was never activated: its mode follows the mesh as it is now.
    if (!active())
        polygon_selection_empty_ = mesh->selected_polygons().empty();
    // A loop at an end of the ring edges would lie on existing points; left unset, "Cut" means
    // the middle of the ring.
    Parameter const cut = attribute("Cut").value();
    double const t = cut.valid() ? cut.as_double() : 0.5;
    int const slices = attribute("Slices").as_int();
    bool const mirror = attribute("Mirror").as_bool();
    if (!polygon_selection_empty_) {
        std::vector<double> const fractions = loop_fractions(t, slices, mirror);
        for (LoopBand const& band : bands_through_selection(*mesh))
            insert_loops(*mesh, band, fractions);
        return;
    }
    std::string const text = attribute("Edge").as_string().to_utf8();
    std::string_view rest = text;
    VertexPair edge;
    if (!read_edge_text(rest, edge))
        return;
    bool const absolute = attribute("Absolute").as_bool();
    double fraction = t;
    // As in the preview: absolute cuts above the middle measure from the edge's other end.
    if (absolute && fraction > 0.5) {
        edge = edge.flip();
        fraction = 1 - fraction;
    }
    std::vector<double> const fractions = loop_fractions(fraction, slices, mirror);
    std::optional<double> reach;
    if (absolute)
        reach = length(mesh->point_position(edge.v2) - mesh->point_position(edge.v1));
    insert_loops(*mesh, band_of_ring(*mesh, build_ring(*mesh, edge)), fractions, reach);
}

Status register_insert_loop(PluginModuleRegistrar& registrar)
{
    register_component_class<EdgeOps>(registrar, "InsertLoop");
    // The tool runs RemoveEdges by name to take a loop out again.
    register_component_class<RemoveEdges>(registrar, "RemoveEdges");
    return Status(0);
}

} // namespace tolvir
