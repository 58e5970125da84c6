#include "manipulators/rotate_gizmo_hpb.h"

#include "manipulators/gizmo_library.h"

#include "vornsdk/host.h"
#include "vornsdk/parameter.h"
#include "vornsdk/viewport.h"

#include <new>
#include <numbers>

namespace tolvir {

using namespace VORNSDK;

namespace {

constexpr double kRadiansPerPixel = 0.025;
constexpr int kRingSegments = 48;

// Cyclic change of axes (x, y, z) -> (z, x, y). Under it a turn about y becomes a turn about z,
// about x one about y and about z one about x, so Ry(h) Rx(p) Rz(b) becomes the XYZ Euler rotation
// of the angles (b, p, h), for which the host has both directions of conversion.
Matrix4d const& to_permuted()
{
    static Matrix4d const p = [] {
        Matrix4d m;
        m.m[0] = 0, m.m[2] = 1;
        m.m[4] = 1, m.m[5] = 0;
        m.m[9] = 1, m.m[10] = 0;
        return m;
    }();
    return p;
}

// The rings: which angle each turns (its direction in (h, p, b)) and the plane it lies in.
struct Ring {
    char const* name;
    Vector3d direction;
    Vector3d u, v; // the ring's plane
    float r, g, b;
};

constexpr Ring kRings[3] = {
    {"h", {1, 0, 0}, {0, 0, 1}, {1, 0, 0}, 0.85f, 0.7f, 0.7f}, // about y
    {"p", {0, 1, 0}, {0, 1, 0}, {0, 0, 1}, 0.7f, 0.7f, 0.85f}, // about x
    {"b", {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 0.7f, 0.85f, 0.7f}, // about z
};

// The axis gizmo "h", "b", "p" with a ring of unit radius for each angle. Each ring is a part of
// its own under its angle's name, so a press on the ring or on the axis line does the same.
Component make_rotate_gizmo()
{
    Component gizmo = make_axis_gizmo("h", "b", "p", 1.0, 1.0);
    auto* g = get_interface<GizmoInterface>(gizmo);
    if (!g)
        return gizmo;
    for (Ring const& ring : kRings) {
        GizmoPart* axis = g->find_part(ring.name);
        if (axis)
            axis->set_direction(ring.direction);
        GizmoPart* part = g->add_part(ring.name, ring.r, ring.g, ring.b, 0);
        if (!part)
            part = axis;
        if (!part)
            continue;
        part->set_direction(ring.direction);
        int first = -1, previous = -1;
        for (int i = 0; i < kRingSegments; ++i) {
            double const a = 2 * std::numbers::pi * i / kRingSegments;
            int const vertex = g->add_vertex(ring.u * std::cos(a) + ring.v * std::sin(a));
            if (previous >= 0)
                part->add_segment(previous, vertex);
            else
                first = vertex;
            previous = vertex;
        }
        part->add_segment(previous, first);
    }
    g->finish(1);
    return gizmo;
}

} // namespace

Matrix4d hpb_rotation(Vector3d const& hpb)
{
    Matrix4d const& p = to_permuted();
    return transpose(p) * rotation_xyz({hpb.z, hpb.y, hpb.x}) * p;
}

Vector3d hpb_angles(Matrix4d const& rotation, Vector3d const& previous)
{
    Matrix4d const& p = to_permuted();
    Vector3d const bph = find_best_xyz_rotation(p * rotation * transpose(p), {previous.z, previous.y, previous.x});
    return {bph.z, bph.y, bph.x};
}

RotateGizmoHpb::RotateGizmoHpb(AttributePtr rotation, AttributePtr position)
    : ToolGizmo(make_rotate_gizmo()), rotation_(std::move(rotation)), position_(std::move(position))
{
}

Dragger* RotateGizmoHpb::create_dragger(GizmoHandle const&, InputDeviceState const& event)
{
    show_cursor(false);
    return new (std::nothrow) ScreenDragger2d(event);
}

void RotateGizmoHpb::begin_drag(GizmoHandle const& handle, InputDeviceState const& event)
{
    if (handle.name() != String("center"))
        return;
    if (auto const* viewport = get_interface<ViewportInterface>(event.viewport)) {
        double const x = event.pointer_x(), y = event.pointer_y();
        view_axis_ = unit(viewport->unproject({x, y, 0.0}) - viewport->unproject({x, y, 0.99}));
    }
    start_rotation_ = rotation_.as_Vector3d();
}

void RotateGizmoHpb::apply_drag(GizmoHandle const& handle, DragValue const& value)
{
    if (handle.name() == String("center")) {
        if (!owner())
            return;
        // Rebuilt from the press each time, so the angles cannot drift over a long drag.
        double const angle = value.total_vector.y * kRadiansPerPixel * sensitivity_;
        Matrix4d const turned = Matrix4d::rotation_axis(view_axis_, angle) * hpb_rotation(start_rotation_);
        rotation_.set_value(Parameter(hpb_angles(turned, start_rotation_)), true);
        return;
    }
    double const pixels = handle.name() == String("p") ? value.step_vector.y : value.step_vector.x;
    double const amount = pixels * kRadiansPerPixel * sensitivity_;
    rotation_.set_value(Parameter(rotation_.as_Vector3d() + handle.direction() * amount), true);
}

void RotateGizmoHpb::update()
{
    place(Matrix4d::translation(position_.as_Vector3d()) * hpb_rotation(rotation_.as_Vector3d()));
}

} // namespace tolvir
