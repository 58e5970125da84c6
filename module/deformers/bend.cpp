#include "deformers/bend.h"

#include "deformers/bend_points.h"
#include "deformers/selection_along_ray.h"
#include "deformers/points_box.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"
#include "framework/selection.h"
#include "manipulators/gizmo_library.h"
#include "manipulators/tool_gizmo.h"

#include "vornsdk/gizmo.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

namespace tolvir {

using namespace VORNSDK;

namespace {

constexpr double kRadiansPerPixel = 0.02;
constexpr double kSnapStep = std::numbers::pi / 12;

// The frame whose y axis (the spine) runs along the mesh's y, z or x for axis 0, 1 or 2: the
// identity with two columns exchanged.
Matrix4d axis_frame(int axis)
{
    Matrix4d m;
    auto const swap_columns = [&](int a, int b) {
        for (int r = 0; r < 4; ++r)
            std::swap(m(r, a), m(r, b));
    };
    if (axis == 1)
        swap_columns(1, 2);
    else if (axis == 2)
        swap_columns(0, 1);
    return m;
}

// The mesh axis along which the spine of an axis frame runs.
int spine_axis(int axis) { return axis == 1 ? 2 : axis == 2 ? 0 : 1; }

double snapped(double angle, bool snap) { return snap ? std::round(angle / kSnapStep) * kSnapStep : angle; }

// The length of the range: how far the end lies up the spine from the start.
double range_length(Matrix4d const& frame, Vector3d const& start, Vector3d const& end)
{
    return transform_point(frame, end - start).y - transform_point(frame, Vector3d{}).y;
}

} // namespace

bool Bend::describe(ComponentDescription& description)
{
    DescriptionBuilder const tool = DescriptionBuilder(description)
                                        .category("InteractiveTool")
                                        .sub_category("Deform")
                                        .component_user_name("Bend")
                                        .icon("/icons/deform_bend.png")
                                        .ui_hints("model_tools");

    tool.attribute("set", Parameter::PT_BOOL).user_name("Range Set").default_value(true);
    tool.attribute("origin", Parameter::PT_VECTOR3D).user_name("Bend Center");
    tool.attribute("start", Parameter::PT_VECTOR3D).user_name("Bend Start");
    tool.attribute("end", Parameter::PT_VECTOR3D).user_name("Bend End");
    tool.attribute("trans", Parameter::PT_MATRIX4D).user_name("Matrix");
    tool.attribute("angle", Parameter::PT_DOUBLE).user_name("Angle").ui_flags(2);
    tool.attribute("twist", Parameter::PT_DOUBLE).user_name("Twist").ui_flags(2);

    // Unlabelled working values: the selection's bounding box, from which the range is taken,
    // and flags kept for the panel.
    for (char const* corner : {"bmin", "bmax"})
        tool.attribute(corner, Parameter::PT_VECTOR3D);
    for (char const* flag : {"twistd", "twistd2", "angled", "mat_d", "mat_d2"})
        tool.attribute(flag, Parameter::PT_BOOL);

    tool.attribute("axis", Parameter::PT_INT).default_value(2).button_group({"X", "Y", "Z"});

    set_key_bindings(description, {{"Snaps", "Ctrl", "Sticky"}});
    return true;
}

Matrix4d Bend::item_matrix() const
{
    auto const* item = get_interface<SceneItemInterface>(item_);
    return item ? item->world_matrix() : Matrix4d::identity();
}

// The spine runs up the chosen axis through the middle of the box, from its low face to its high
// face, so that a change of axis bends the same selection the other way up.
void Bend::place_range_on_box()
{
    int const axis = std::clamp(attribute("axis").as_int(), 0, 2);
    int const spine = spine_axis(axis);
    Vector3d const lo = attribute("bmin").as_Vector3d(), hi = attribute("bmax").as_Vector3d();
    Vector3d start = (lo + hi) * 0.5, end = start;
    start[spine] = lo[spine];
    end[spine] = hi[spine];
    attribute("trans").set_value(axis_frame(axis));
    attribute("start").set_value(start);
    attribute("end").set_value(end);
}

void Bend::derive_range(Component const& item)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item);
    if (!mesh)
        return;
    Vector3d lo, hi;
    points_box(*mesh, selection_points(*mesh, selection_mode()), lo, hi);
    attribute("bmin").set_value(lo);
    attribute("bmax").set_value(hi);
    place_range_on_box();
}

void Bend::update_center()
{
    double const angle = attribute("angle").as_double();
    double const reach = length(attribute("end").as_Vector3d() - attribute("start").as_Vector3d());
    attribute("origin").set_value(angle != 0 ? Vector3d{-reach / angle, 0, 0} : Vector3d{});
}

void Bend::place_gizmo()
{
    if (!gizmo_)
        return;
    Matrix4d const world = item_matrix();
    Vector3d t, r, s;
    decompose_matrix_xyz(world, t, r, s);
    gizmo_->set_transform(Matrix4d::translation(transform_point(world, attribute("start").as_Vector3d())) * rotation_xyz(r));
}

void Bend::on_activate(Component const&)
{
    Component gizmo = make_translate_gizmo();
    if (auto* g = get_interface<GizmoInterface>(gizmo))
        g->set_matrix(Matrix4d::scaling({0.5, 0.5, 0.5}));
    gizmo_ = &add_gizmo(std::make_unique<BasicGizmo>(std::move(gizmo)));
    item_ = first_selected_mesh().component();
    if (!item_) {
        display_message(String("Bend requires one or more meshes to be selected."));
        hand_over_to_fallback();
        return;
    }
    set_gizmos_on(true);
    reapply_with([&] {
        attribute("axis").set_value(0);
        derive_range(item_);
        update_center();
    });
    place_gizmo();
}

void Bend::attribute_changed(std::uint32_t index)
{
    if (attribute_name(index) == String("axis"))
        place_range_on_box();
    update_center();
    place_gizmo();
}

void Bend::on_action_pressed(String const& action)
{
    if (action == String("Snaps"))
        snap_ = true;
}

void Bend::on_action_released(String const& action)
{
    if (action == String("Snaps"))
        snap_ = false;
}

// The range runs along the screen's up direction, from the front of the selection on the
// pointer's view ray to the top of the selection (or over its whole height when the press is
// above it); the bend curls towards the screen's right.
void Bend::define_range(InputRecord const& input)
{
    auto const* view = get_interface<ViewportInterface>(input.state.viewport);
    ComponentInterfacePtrT<MeshInterface> const mesh(item_);
    if (!view || !mesh)
        return;
    // Measured on the selection as it was before the bend.
    reapply_with([&] {
        Matrix4d const world = item_matrix();
        auto const seen = selection_along_ray(*view, inverse(world), *mesh, selection_mode(), input.state.pointer_x(),
                                              input.state.pointer_y());
        if (!seen)
            return;
        Vector3d const start = seen->origin + seen->direction * seen->front;

        Matrix4d frame = view->view_matrix() * world;
        frame(0, 3) = frame(1, 3) = frame(2, 3) = 0;
        double lowest = std::numeric_limits<double>::infinity(), highest = -lowest;
        for (Vector3d const& p : seen->positions) {
            double const up = transform_point(frame, p - start).y;
            lowest = std::min(lowest, up);
            highest = std::max(highest, up);
        }
        double const height = highest > kLengthEpsilon ? highest : highest - lowest;
        attribute("set").set_value(true);
        attribute("angle").set_value(0.0);
        attribute("twist").set_value(0.0);
        attribute("trans").set_value(frame);
        attribute("start").set_value(start);
        attribute("end").set_value(start + transform_point(inverse(frame), {0, height, 0}));
        update_center();
    });
}

bool Bend::on_button_pressed(InputRecord const& input)
{
    if (!attribute("set").as_bool())
        define_range(input);
    accumulated_x_ = accumulated_y_ = 0;
    place_gizmo();
    angle_at_press_ = attribute("angle").as_double();
    twist_at_press_ = attribute("twist").as_double();
    return true;
}

void Bend::on_pointer_moved(InputRecord const&, float dx, float dy, bool button_down)
{
    if (!button_down)
        return;
    accumulated_x_ += dx;
    accumulated_y_ += dy;
    double const turn = accumulated_x_ * kRadiansPerPixel;
    int const button = pressed_input().state.button;
    if (button == kButtonLeft)
        attribute("angle").set_value(snapped(angle_at_press_ + turn, snap_));
    else if (button == kButtonRight)
        attribute("twist").set_value(snapped(twist_at_press_ + turn, snap_));
}

Dragger* Bend::gizmo_query(GizmoHandle const& handle, InputRecord const& input)
{
    return translate_dragger(handle, input.state, Matrix4d::identity());
}

// Every handle of the gizmo moves the start: the axes along themselves, the centre in the screen.
void Bend::on_gizmo_dragged(GizmoHandle const&, DragValue const& value)
{
    Matrix4d const world = item_matrix();
    Vector3d const moved = transform_point(world, attribute("start").as_Vector3d()) + value.step_vector;
    attribute("start").set_value(transform_point(inverse(world), moved));
}

void Bend::apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return;
    // Run as a command, the tool was never activated: the range comes from the selection, along
    // the axis given.
    if (!active() && !attribute("trans").value().valid())
        derive_range(item.component());
    BendParameters bend;
    bend.angle = attribute("angle").as_double();
    bend.twist = attribute("twist").as_double();
    bend.start = attribute("start").as_Vector3d();
    bend.frame = attribute("trans").as_Matrix4d();
    bend.length = range_length(bend.frame, bend.start, attribute("end").as_Vector3d());
    if (!bends(bend))
        return;
    std::vector<Index> const points = selection_points(*mesh, selection_mode());
    mesh->move_points(points, [&](std::span<Vector3d> positions) { bend_points(bend, positions); });
}

Status register_bend(PluginModuleRegistrar& registrar)
{
    register_component_class<Bend>(registrar, "Bend");
    return Status(0);
}

} // namespace tolvir
