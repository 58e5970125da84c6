#include "cut_select_tools/knife.h"

#include "cut_select_tools/drawing_plane.h"
#include "cut_select_tools/knife_cut.h"
#include "cut_select_tools/knife_gizmo.h"
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

#include <algorithm>
#include <memory>
#include <optional>

namespace tolvir {

using namespace VORNSDK;

bool Knife::describe(ComponentDescription& description)
{
    // Each cut is bracketed in a history transaction of its own, so attribute changes are not
    // recorded separately. "Origin" and "Grid" are working state of the tool and its gizmo and
    // stay out of the panel.
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Multiply")
        .component_user_name("Knife")
        .icon("/icons/edit_knife.png")
        .attribute("Start", Parameter::PT_VECTOR3D)
        .undoable(false)
        .user_name("Start Position")
        .ui_flags(1)
        .attribute("End", Parameter::PT_VECTOR3D)
        .undoable(false)
        .user_name("End Position")
        .ui_flags(1)
        .attribute("Origin", Parameter::PT_VECTOR3D)
        .undoable(false)
        .show_ui(false)
        .user_name("Origin - to be hidden")
        .attribute("Grid", Parameter::PT_BOOL)
        .undoable(false)
        .show_ui(false)
        .user_name("Grid Snap")
        .default_value(false)
        .attribute("Remove", Parameter::PT_INT)
        .undoable(false)
        .user_name("Remove")
        .default_value(0)
        .button_group({"None", "Side A", "Side B", "Separate"});

    set_key_bindings(description, {
                                      {"Add", "Shift+RMB", "Moment"},
                                      {"Redraw", "RMB", "Moment"},
                                      {"Remove+", "Up", "Normal"},
                                      {"Remove-", "Down", "Normal"},
                                  });
    return true;
}

namespace {

// Where the pointer meets the drawing plane, on the grid when "Grid" is on.
std::optional<Vector3d> drawn_point(ViewportInterface const& view, InputRecord const& input, bool grid)
{
    auto const p = on_drawing_plane(view, input.state.pointer_x(), input.state.pointer_y());
    if (!p || !grid)
        return p;
    return snap_to_grid(*p, viewport_grid_size());
}

} // namespace

void Knife::copy_from(Plugin const& source)
{
    InteractiveModifier::copy_from(source);
    if (auto const* other = dynamic_cast<Knife const*>(&source))
        new_line_ = other->new_line_;
}

void Knife::attribute_changed(std::uint32_t) { refresh_gizmos(); }

void Knife::on_activate(Component const&)
{
    if (!first_selected_mesh()) {
        display_message("Knife requires one of more meshes to be selected.");
        return;
    }
    ready_ = true;
    add_gizmo(std::make_unique<KnifeGizmo>(attribute("Start"), attribute("End"), attribute("Origin"), attribute("Grid")));
    set_gizmos_on(true);
}

void Knife::on_deactivate()
{
    clear_gizmos();
    set_gizmos_on(false);
    ready_ = false;
}

bool Knife::start_line(InputRecord const& input)
{
    auto const* view = get_interface<ViewportInterface>(input.state.viewport);
    if (!view)
        return false;
    auto const p = drawn_point(*view, input, attribute("Grid").as_bool());
    if (!p)
        return false;
    change_together([&] {
        attribute("Start").set_value(Parameter(*p));
        attribute("End").set_value(Parameter(*p));
        attribute("Origin").set_value(Parameter(seen_from(*view, *p)));
    });
    refresh_gizmos();
    // The end follows the pointer as a drag of its handle. Should no drag begin, moves with the
    // button held set the end until the release.
    new_line_ = !start_gizmo_drag(input);
    return true;
}

// The line from start to end, moved parallel to itself until its middle lies on the pointer's view
// ray, becomes the knife's line. False without a viewport to see it in.
bool Knife::move_line(InputRecord const& input, Vector3d const& start, Vector3d const& end)
{
    auto const* view = get_interface<ViewportInterface>(input.state.viewport);
    if (!view)
        return false;
    ViewRay const ray = view_ray(*view, input.state.pointer_x(), input.state.pointer_y());
    Vector3d const middle = start + (end - start) * 0.5;
    double const d2 = dot(ray.direction, ray.direction);
    double const k = d2 == 0 ? 0.0 : dot(middle - ray.origin, ray.direction) / d2;
    Vector3d const shift = ray.origin + ray.direction * k - middle;
    change_together([&] {
        attribute("Start").set_value(Parameter(start + shift));
        attribute("End").set_value(Parameter(end + shift));
        attribute("Origin").set_value(Parameter(seen_from(*view, start + shift)));
    });
    refresh_gizmos();
    return true;
}

void Knife::keep_cut()
{
    AttributePtr const remove = attribute("Remove"), grid = attribute("Grid");
    int const mode = remove.as_int();
    bool const snapping = grid.as_bool();
    // Values a script stored without notification are cut before the step closes.
    change_together([] {});
    commit();
    remove.set_value(mode, false);
    grid.set_value(snapping, false);
    refresh_gizmos();
}

void Knife::on_action_pressed(String const& action)
{
    if (!ready_)
        return;
    AttributePtr const remove = attribute("Remove");
    if (action == String("Remove+")) {
        int const next = remove.as_int() + 1;
        remove.set_value(next > 3 ? 0 : next, true);
    } else if (action == String("Remove-")) {
        int const next = remove.as_int() - 1;
        remove.set_value(next < 0 ? 3 : next, true);
    } else if (action == String("Redraw")) {
        keep_cut();
        new_line_ = true;
        start_line(current_input());
    } else if (action == String("Add")) {
        Vector3d const start = attribute("Start").as_Vector3d(), end = attribute("End").as_Vector3d();
        keep_cut();
        move_line(current_input(), start, end);
    }
}

// A line drawn with the key held ends where the key is let go.
void Knife::on_action_released(String const& action)
{
    if (action == String("Redraw") && dragging())
        button_released(current_input().kind, current_input().state);
}

void Knife::on_draw(DrawInterface& draw)
{
    Vector3d const start = attribute("Start").as_Vector3d(), end = attribute("End").as_Vector3d();
    if (!ready_ || start == end)
        return;
    Vector4f const c = app_node()["ToolColor"].as_Vector4f();
    draw.set_color(c.x, c.y, c.z, c.w);
    draw.draw_point(start, 7);
    draw.draw_point(end, 7);
}

void Knife::draw_gizmos(DrawInterface& draw)
{
    if (attribute("Start").as_Vector3d() != attribute("End").as_Vector3d())
        InteractiveModifier::draw_gizmos(draw);
}

bool Knife::on_button_pressed(InputRecord const& input)
{
    if (!ready_)
        return false;
    if (new_line_)
        return start_line(input);
    // The line jumps under the pointer and is dragged on from there.
    if (move_line(input, attribute("Start").as_Vector3d(), attribute("End").as_Vector3d()))
        start_gizmo_drag(input);
    return true;
}

void Knife::on_pointer_moved(InputRecord const& input, float, float, bool button_down)
{
    if (!ready_ || !button_down || !new_line_)
        return;
    auto const* view = get_interface<ViewportInterface>(input.state.viewport);
    if (!view)
        return;
    if (auto const p = drawn_point(*view, input, attribute("Grid").as_bool()))
        attribute("End").set_value(Parameter(*p), true);
}

void Knife::on_button_released(InputRecord const&) { new_line_ = false; }

void Knife::apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item)
{
    int const mode = selection_mode();
    if (mode != kSelectPoints && mode != kSelectEdges && mode != kSelectPolygons)
        return;
    auto* mesh = get_interface<MeshInterface>(item.component());
    if (!mesh)
        return;
    KnifeLine line{attribute("Start").as_Vector3d(), attribute("End").as_Vector3d(), attribute("Origin").as_Vector3d()};
    if (!world_coordinates()) {
        Matrix4d const to_item = item->inverse_world_matrix();
        line = {transform_point(to_item, line.start), transform_point(to_item, line.end),
                transform_point(to_item, line.origin)};
    }
    auto const remove = static_cast<KnifeRemove>(std::clamp(attribute("Remove").as_int(), 0, 3));
    // In use, the tool's own step (named "Knife" too) records the cut; a transaction inside it
    // would only be merged into it again, at the cost of the whole cut's records.
    if (active()) {
        knife_cut(*mesh, line, remove);
        return;
    }
    HistoryTransaction step("Knife");
    HistoryContext const recording(step, false);
    knife_cut(*mesh, line, remove);
}

Status register_knife(PluginModuleRegistrar& registrar)
{
    register_component_class<Knife>(registrar, "Knife");
    return Status(0);
}

} // namespace tolvir
