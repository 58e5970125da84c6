#include "deformers/twist.h"

#include "deformers/points_box.h"
#include "deformers/selection_along_ray.h"
#include "deformers/twist_points.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"
#include "framework/selection.h"
#include "manipulators/gizmo_library.h"
#include "manipulators/tool_gizmo.h"

#include "vornsdk/draw.h"
#include "vornsdk/gizmo.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace tolvir {

using namespace VORNSDK;

namespace {

constexpr float kRadiansPerPixel = 0.05f;
constexpr double kRingRadiansPerPixel = 1.0 / 57;
constexpr double kSnapStep = std::numbers::pi / 12;
constexpr double kQuarterTurn = std::numbers::pi / 2;

double snapped(double angle, double step) { return std::round(angle / step) * step; }

// A turn that takes +y onto the direction a (the identity for a zero direction).
Matrix4d turn_y_onto(Vector3d const& a)
{
    Vector3d const y = unit(a);
    if (y == Vector3d{})
        return Matrix4d::identity();
    Vector3d const helper = std::abs(y.x) < 0.9 ? Vector3d{1, 0, 0} : Vector3d{0, 0, 1};
    Vector3d const z = unit(cross(helper, y));
    Vector3d const x = cross(y, z);
    Matrix4d m;
    for (int r = 0; r < 3; ++r) {
        m(r, 0) = x[r];
        m(r, 1) = y[r];
        m(r, 2) = z[r];
    }
    return m;
}

// A gizmo of one ring part, named after the angle it turns.
Component make_ring_gizmo(char const* name, float r, float g, float b)
{
    Component gizmo = Component::create("Gizmo");
    auto* gi = get_interface<GizmoInterface>(gizmo);
    if (!gi)
        return gizmo;
    if (GizmoPart* part = gi->add_part(name, r, g, b, 0)) {
        part->set_direction({0, 1, 0});
        part->add_mesh(make_ring_mesh(32, 0.92, 1.0), Matrix4d::identity());
    }
    gi->finish(1);
    return gizmo;
}

bool same_gizmo(GizmoHandle const& handle, ToolGizmo const* gizmo) { return gizmo && handle.gizmo() == gizmo->component(); }

} // namespace

bool Twist::describe(ComponentDescription& description)
{
    // No defaults: activation places the axis from the selection.
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Deform")
        .component_user_name("Twist")
        .icon("/icons/deform_twist.png")
        .ui_hints("model_tools")
        .attribute("far", Parameter::PT_VECTOR3D)
        .user_name("Far")
        .ui_flags(1)
        .attribute("near", Parameter::PT_VECTOR3D)
        .user_name("Near")
        .ui_flags(1)
        .attribute("twist_far", Parameter::PT_DOUBLE)
        .user_name("Twist Far")
        .ui_flags(2)
        .attribute("twist_near", Parameter::PT_DOUBLE)
        .user_name("Twist Near")
        .ui_flags(2);

    set_key_bindings(description, {
                                      {"Snaps", "Shift", "Sticky"},
                                      {"Mode", "N", "Toggle"},
                                  });
    return true;
}

Matrix4d Twist::item_matrix() const
{
    auto const* item = get_interface<SceneItemInterface>(item_);
    return item ? item->world_matrix() : Matrix4d::identity();
}

// The far end at the top of the box's longest side (y first, then x, then z among equals), so
// that a drag, which turns the far end, turns the top of a standing bar over its fixed foot.
void Twist::derive_axis(Component const& item)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item);
    if (!mesh)
        return;
    Vector3d lo, hi;
    points_box(*mesh, selection_points(*mesh, selection_mode()), lo, hi);
    Vector3d const size = hi - lo;
    int axis = 1;
    for (int k : {0, 2})
        if (size[k] > size[axis])
            axis = k;
    Vector3d top = (lo + hi) * 0.5, foot = top;
    top[axis] = hi[axis];
    foot[axis] = lo[axis];
    attribute("far").set_value(top);
    attribute("near").set_value(foot);
    double const across = std::max(size[(axis + 1) % 3], size[(axis + 2) % 3]);
    ring_radius_ = across > 0 ? 0.75 * across : size[axis] > 0 ? 0.25 * size[axis] : 1.0;
    range_defined_ = true;
}

void Twist::build_gizmos()
{
    far_ring_ = &add_gizmo(std::make_unique<BasicGizmo>(make_ring_gizmo("far", 1.0f, 0.8f, 0.25f)));
    near_ring_ = &add_gizmo(std::make_unique<BasicGizmo>(make_ring_gizmo("near", 0.25f, 0.8f, 1.0f)));
    for (ToolGizmo** mover : {&near_mover_, &far_mover_}) {
        Component gizmo = make_translate_gizmo();
        if (auto* g = get_interface<GizmoInterface>(gizmo))
            g->set_matrix(Matrix4d::scaling({0.5, 0.5, 0.5}));
        *mover = &add_gizmo(std::make_unique<BasicGizmo>(std::move(gizmo)));
    }
}

// Each ring stands where its angle turns the selection: the ring of "twist_near" at the far end,
// the ring of "twist_far" at the near end, both square to the axis. The translate gizmos stand on
// the ends they move, turned like the item.
void Twist::place_gizmos()
{
    if (!far_ring_)
        return;
    Matrix4d const world = item_matrix();
    Vector3d const near_point = transform_point(world, attribute("near").as_Vector3d());
    Vector3d const far_point = transform_point(world, attribute("far").as_Vector3d());
    Matrix4d const turn = turn_y_onto(near_point - far_point);
    Matrix4d const size = Matrix4d::scaling({ring_radius_, ring_radius_, ring_radius_});
    for (ToolGizmo* ring : {far_ring_, near_ring_})
        if (ring->gizmo())
            ring->gizmo()->set_matrix(size);
    near_ring_->set_transform(Matrix4d::translation(far_point) * turn);
    far_ring_->set_transform(Matrix4d::translation(near_point) * turn);
    Vector3d t, r, s;
    decompose_matrix_xyz(world, t, r, s);
    near_mover_->set_transform(Matrix4d::translation(near_point) * rotation_xyz(r));
    far_mover_->set_transform(Matrix4d::translation(far_point) * rotation_xyz(r));
}

void Twist::on_activate(Component const&)
{
    item_ = first_selected_mesh().component();
    if (!item_)
        display_message(String("Twist requires one or more meshes to be selected."));
    set_gizmos_on(false);
    range_mode_ = true;
    build_gizmos();
    reapply_with([&] {
        if (item_)
            derive_axis(item_);
    });
    place_gizmos();
}

void Twist::attribute_changed(std::uint32_t index)
{
    String const name = attribute_name(index);
    if (name == String("near") || name == String("far"))
        place_gizmos();
}

void Twist::on_action_pressed(String const& action)
{
    if (action == String("Snaps")) {
        snap_ = true;
        place_gizmos();
    } else if (action == String("Mode")) {
        set_gizmos_on(true);
        range_mode_ = false;
        if (!range_defined_ && item_) {
            reapply_with([&] { derive_axis(item_); });
            place_gizmos();
        }
    }
}

void Twist::on_action_released(String const& action)
{
    if (action == String("Snaps")) {
        snap_ = false;
        place_gizmos();
    } else if (action == String("Mode")) {
        set_gizmos_on(false);
        range_mode_ = true;
    }
}

void Twist::on_draw(DrawInterface& draw)
{
    if (!range_defined_)
        return;
    Matrix4d const world = item_matrix();
    draw.set_color(1.0f, 1.0f, 1.0f, 0.5f);
    draw.draw_line(transform_point(world, attribute("near").as_Vector3d()), transform_point(world, attribute("far").as_Vector3d()));
}

// The axis runs along the view ray through the selection: far at its front, near at its back.
void Twist::define_axis(InputRecord const& input)
{
    auto const* view = get_interface<ViewportInterface>(input.state.viewport);
    ComponentInterfacePtrT<MeshInterface> const mesh(item_);
    if (!view || !mesh)
        return;
    // Measured on the selection as it was before the twist.
    reapply_with([&] {
        auto const seen = selection_along_ray(*view, inverse(item_matrix()), *mesh, selection_mode(),
                                              input.state.pointer_x(), input.state.pointer_y());
        if (!seen)
            return;
        attribute("near").set_value(seen->origin + seen->direction * seen->back);
        attribute("far").set_value(seen->origin + seen->direction * seen->front);
        attribute("twist_near").set_value(0.0);
        attribute("twist_far").set_value(0.0);
        range_defined_ = true;
    });
    place_gizmos();
}

bool Twist::on_button_pressed(InputRecord const& input)
{
    if (range_mode_)
        define_axis(input);
    accumulated_x_ = 0;
    twist_near_at_press_ = attribute("twist_near").as_double();
    twist_far_at_press_ = attribute("twist_far").as_double();
    return true;
}

void Twist::on_button_released(InputRecord const&)
{
    if (!range_mode_)
        return;
    set_gizmos_on(true);
    range_mode_ = false;
}

void Twist::on_pointer_moved(InputRecord const& input, float dx, float, bool button_down)
{
    if (!button_down)
        return;
    accumulated_x_ += dx;
    double angle = twist_near_at_press_ + static_cast<float>(accumulated_x_) * kRadiansPerPixel;
    if (input.state.modifiers.test(kModifierCtrl))
        angle = snapped(angle, kQuarterTurn);
    else if (snap_)
        angle = snapped(angle, kSnapStep);
    attribute("twist_near").set_value(angle);
}

Dragger* Twist::gizmo_query(GizmoHandle const& handle, InputRecord const& input)
{
    twist_near_at_press_ = attribute("twist_near").as_double();
    twist_far_at_press_ = attribute("twist_far").as_double();
    if (same_gizmo(handle, near_ring_) || same_gizmo(handle, far_ring_))
        return new (std::nothrow) ScreenDragger2d(input.state);
    return translate_dragger(handle, input.state, Matrix4d::identity());
}

void Twist::on_gizmo_dragged(GizmoHandle const& handle, DragValue const& value)
{
    double const turn = value.total_vector.x * kRingRadiansPerPixel;
    auto const ring_angle = [&](double at_press) { return snap_ ? snapped(at_press + turn, kSnapStep) : at_press + turn; };
    Matrix4d const world = item_matrix();
    auto const move = [&](AttributePtr const& end) {
        end.set_value(transform_point(inverse(world), transform_point(world, end.as_Vector3d()) + value.step_vector));
    };
    if (same_gizmo(handle, near_ring_))
        attribute("twist_near").set_value(ring_angle(twist_near_at_press_));
    else if (same_gizmo(handle, far_ring_))
        attribute("twist_far").set_value(ring_angle(twist_far_at_press_));
    else if (same_gizmo(handle, near_mover_))
        move(attribute("near"));
    else if (same_gizmo(handle, far_mover_))
        move(attribute("far"));
}

void Twist::apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return;
    // Run as a command, the tool was never activated: the axis comes from the selection.
    if (!active() && !(attribute("near").value().valid() && attribute("far").value().valid()))
        derive_axis(item.component());
    TwistParameters twist;
    twist.far = attribute("far").as_Vector3d();
    twist.near = attribute("near").as_Vector3d();
    twist.twist_far = attribute("twist_far").as_double();
    twist.twist_near = attribute("twist_near").as_double();
    if (!twists(twist))
        return;
    std::vector<Index> const points = selection_points(*mesh, selection_mode());
    mesh->move_points(points, [&](std::span<Vector3d> positions) { twist_points(twist, positions); });
}

Status register_twist(PluginModuleRegistrar& registrar)
{
    register_component_class<Twist>(registrar, "Twist");
    return Status(0);
}

} // namespace tolvir
