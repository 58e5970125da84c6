#include "cut_select_tools/knife_gizmo.h"

#include "cut_select_tools/drawing_plane.h"

#include "vornsdk/parameter.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tolvir {

using namespace VORNSDK;

namespace {

// The parts stand on a unit line from (0, 0, 0) to (1, 0, 0) that the placement stretches from
// the start to the end point, so the ends are points and the line their segment. "end2" comes
// first: where both ends meet (a line just begun) a press takes the end that moves.
Component make_knife_gizmo()
{
    Component gizmo = Component::create("Gizmo");
    auto* g = get_interface<GizmoInterface>(gizmo);
    if (!g)
        return gizmo;
    int const a = g->add_vertex({0, 0, 0}), b = g->add_vertex({1, 0, 0});
    if (GizmoPart* end2 = g->add_part("end2", 1.0f, 0.5f, 0.0f, 0))
        end2->add_segment(b, b);
    if (GizmoPart* end1 = g->add_part("end1", 1.0f, 0.5f, 0.0f, 0))
        end1->add_segment(a, a);
    if (GizmoPart* line = g->add_part("axis_line", 1.0f, 0.85f, 0.2f, 0)) {
        line->set_direction({1, 0, 0});
        line->add_segment(a, b);
    }
    g->finish(1);
    return gizmo;
}

} // namespace

double viewport_grid_size()
{
    Component const grid = Component::create("ViewportGrid");
    double const size = grid ? grid["GridSize"].as_double() : 0.0;
    return size > 0 ? size : 1.0;
}

Vector3d snap_to_grid(Vector3d const& p, double grid_size)
{
    double const s = 0.5 * grid_size;
    Vector3d out;
    for (int k = 0; k < 3; ++k)
        out[k] = std::floor((p[k] + s / 2) / s) * s;
    return out;
}

KnifeGizmo::KnifeGizmo(AttributePtr start, AttributePtr end, AttributePtr origin, AttributePtr grid)
    : ToolGizmo(make_knife_gizmo()), start_(std::move(start)), end_(std::move(end)), origin_(std::move(origin)),
      grid_(std::move(grid))
{
}

Dragger* KnifeGizmo::create_dragger(GizmoHandle const& handle, InputDeviceState const& event)
{
    Vector3d const s = start_.as_Vector3d(), e = end_.as_Vector3d();
    Vector3d through = handle.name() == String("end1") ? s : e;
    // The line is dragged by the point pressed, so that it stays under the pointer.
    if (auto const* view = get_interface<ViewportInterface>(event.viewport); view && handle.name() == String("axis_line")) {
        Vector3d const a = view->project(s), b = view->project(e);
        double const dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        double const t = len2 > 0 ? ((event.pointer_x() - a.x) * dx + (event.pointer_y() - a.y) * dy) / len2 : 0.0;
        through = s + (e - s) * std::clamp(t, 0.0, 1.0);
    }
    return new (std::nothrow) ScreenDragger(event, through, Matrix4d::identity());
}

void KnifeGizmo::begin_drag(GizmoHandle const&, InputDeviceState const& event)
{
    start_at_press_ = start_.as_Vector3d();
    end_at_press_ = end_.as_Vector3d();
    viewport_ = event.viewport;
    grid_size_ = viewport_grid_size();
}

void KnifeGizmo::apply_drag(GizmoHandle const& handle, DragValue const& value)
{
    // Counted from the press, so that snapping never swallows small steps.
    auto const snapped = [&](Vector3d const& p) { return grid_.as_bool() ? snap_to_grid(p, grid_size_) : p; };
    String const name = handle.name();
    if (name == String("end2")) {
        end_.set_value(Parameter(snapped(end_at_press_ + value.total_vector)), true);
        return;
    }
    Vector3d const start = snapped(start_at_press_ + value.total_vector);
    if (auto const* view = get_interface<ViewportInterface>(viewport_))
        origin_.set_value(Parameter(seen_from(*view, start)), false);
    if (name == String("end1")) {
        start_.set_value(Parameter(start), true);
    } else if (name == String("axis_line")) {
        start_.set_value(Parameter(start), false);
        end_.set_value(Parameter(start + (end_at_press_ - start_at_press_)), true);
    }
}

// The parts' unit line has no extent across it, so only the first column of the placement and its
// translation matter.
void KnifeGizmo::update()
{
    Vector3d const s = start_.as_Vector3d(), along = end_.as_Vector3d() - s;
    Matrix4d placement;
    for (int r = 0; r < 3; ++r) {
        placement(r, 0) = along[r];
        placement(r, 3) = s[r];
    }
    place(placement);
}

} // namespace tolvir
