#include "manipulators/gizmo_library.h"

#include "vornsdk/mesh.h"
#include "vornsdk/parameter.h"
#include "vornsdk/scene.h"

#include <new>
#include <numbers>

namespace tolvir {

using namespace VORNSDK;

namespace {

struct AxisStyle {
    float r, g, b;
    Vector3d direction;
};

constexpr AxisStyle kAxes[3] = {
    {1.0f, 0.0f, 0.0f, {1, 0, 0}},
    {0.0f, 1.0f, 0.0f, {0, 1, 0}},
    {0.1f, 0.35f, 1.0f, {0, 0, 1}},
};

// Turns the head mesh's +y onto each axis.
Matrix4d const& head_turn(int axis)
{
    static Matrix4d const turns[3] = {Matrix4d::rotation_z(-std::numbers::pi / 2), Matrix4d::identity(),
                                      Matrix4d::rotation_x(std::numbers::pi / 2)};
    return turns[axis];
}

} // namespace

Component make_cone_mesh(int sides)
{
    Component mesh = Component::create("RawMesh");
    auto* m = get_interface<MeshInterface>(mesh);
    if (!m || sides < 3)
        return mesh;
    CompactIndexArray base;
    for (int i = 0; i < sides; ++i) {
        double const a = 2 * std::numbers::pi * i / sides;
        base.push_back(m->add_point({0.5 * std::cos(a), -0.5, 0.5 * std::sin(a)}));
    }
    Index const apex = m->add_point({0.0, 0.5, 0.0});
    // Sides wind outwards seen from outside; the base, seen from below, faces down.
    for (int i = 0; i < sides; ++i)
        m->add_polygon({base[(i + 1) % sides], base[i], apex});
    m->add_polygon(base);
    m->update();
    return mesh;
}

Component make_box_mesh(double edge)
{
    Component mesh = Component::create("RawMesh");
    auto* m = get_interface<MeshInterface>(mesh);
    if (!m)
        return mesh;
    double const h = 0.5 * edge;
    Index p[8];
    for (int i = 0; i < 8; ++i)
        p[i] = m->add_point({i & 1 ? h : -h, i & 2 ? h : -h, i & 4 ? h : -h});
    // Corner i has x from bit 0, y from bit 1, z from bit 2; faces wind outwards.
    m->add_polygon({p[0], p[2], p[3], p[1]}); // z-
    m->add_polygon({p[4], p[5], p[7], p[6]}); // z+
    m->add_polygon({p[0], p[1], p[5], p[4]}); // y-
    m->add_polygon({p[2], p[6], p[7], p[3]}); // y+
    m->add_polygon({p[0], p[4], p[6], p[2]}); // x-
    m->add_polygon({p[1], p[3], p[7], p[5]}); // x+
    m->update();
    return mesh;
}

Component make_ring_mesh(int sides, double inner, double outer)
{
    Component mesh = Component::create("RawMesh");
    auto* m = get_interface<MeshInterface>(mesh);
    if (!m || sides < 3)
        return mesh;
    for (int i = 0; i < sides; ++i) {
        double const a = 2 * std::numbers::pi * i / sides;
        m->add_point({inner * std::cos(a), 0.0, inner * std::sin(a)});
        m->add_point({outer * std::cos(a), 0.0, outer * std::sin(a)});
    }
    // Point 2i is on the inner circle, 2i + 1 on the outer; each quad winds to face +y.
    for (Index i = 0; i < Index(sides); ++i) {
        Index const j = (i + 1) % Index(sides);
        m->add_polygon({2 * i, 2 * j, 2 * j + 1, 2 * i + 1});
    }
    m->update();
    return mesh;
}

Component make_axis_gizmo(String const& name1, String const& name2, String const& name3, double length, double scale)
{
    Component gizmo = Component::create("Gizmo");
    auto* g = get_interface<GizmoInterface>(gizmo);
    if (!g)
        return gizmo;
    String const* names[3] = {&name1, &name2, &name3};
    for (int i = 0; i < 3; ++i) {
        AxisStyle const& style = kAxes[i];
        GizmoPart* part = g->add_part(*names[i], style.r, style.g, style.b, 0);
        if (!part)
            continue;
        part->set_direction(style.direction);
        int const a = g->add_vertex(style.direction * (0.1 * length));
        int const b = g->add_vertex(style.direction * (length * scale));
        part->add_segment(a, b);
    }
    if (GizmoPart* center = g->add_part("center", 1.0f, 0.5f, 0.0f, 0)) {
        center->set_direction({1, 1, 1});
        center->add_mesh(make_box_mesh(0.2 * length), Matrix4d::identity());
    }
    return gizmo;
}

Component make_headed_axis_gizmo(Component const& head, Vector3d const& head_scale)
{
    Component gizmo = make_axis_gizmo("x", "y", "z", 1.0, 1.0);
    auto* g = get_interface<GizmoInterface>(gizmo);
    if (!g)
        return gizmo;
    char const* names[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i)
        if (GizmoPart* part = g->find_part(names[i]))
            part->add_mesh(head, Matrix4d::translation(kAxes[i].direction) * head_turn(i) *
                                     Matrix4d::scaling(head_scale));
    g->finish(1);
    return gizmo;
}

Component make_translate_gizmo() { return make_headed_axis_gizmo(make_cone_mesh(16), {0.1, 0.2, 0.1}); }

Vector3d handle_position(GizmoHandle const& handle) { return handle.part().placement().translation_part(); }

Dragger* translate_dragger(GizmoHandle const& handle, InputDeviceState const& event, Matrix4d const& orientation)
{
    Vector3d const p = handle_position(handle);
    if (handle.name() == String("center"))
        return new (std::nothrow) ScreenDragger(event, p, orientation);
    Vector3d const d = transform_vector(handle.part().placement() * handle.matrix(), handle.direction());
    return new (std::nothrow) LineDragger(event, p, p + d, true, true);
}

void apply_translation(AttributePtr const& attribute, DragValue const& value)
{
    attribute.set_value(Parameter(attribute.as_Vector3d() + value.step_vector), true);
}

Matrix4d gizmo_orientation(Component const& scene, AttributePtr const& orientation)
{
    if (!orientation.valid() || orientation.as_string() == String("World"))
        return Matrix4d::identity();
    ComponentList const selection = current_selection(scene);
    if (selection.empty())
        return Matrix4d::identity();
    auto const* item = get_interface<SceneItemInterface>(selection.front());
    if (!item)
        return Matrix4d::identity();
    Vector3d t, r, s;
    decompose_matrix_xyz(item->placement(), t, r, s);
    return rotation_xyz(r);
}

} // namespace tolvir
