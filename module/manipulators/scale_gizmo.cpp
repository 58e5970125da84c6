#include "manipulators/scale_gizmo.h"

#include "manipulators/gizmo_library.h"

#include "vornsdk/host.h"
#include "vornsdk/parameter.h"

#include <new>

namespace tolvir {

using namespace VORNSDK;

namespace {

// The "center" box: the only handle whose direction is (1, 1, 1).
constexpr Vector3d kUniform{1, 1, 1};
// Uniform scale change per pixel of horizontal pointer motion.
constexpr double kScalePerPixel = 0.01;

} // namespace

// Small cubes in place of arrow cones at the axis tips.
ScaleGizmo::ScaleGizmo(AttributePtr scale, AttributePtr position, double axis_factor)
    : ToolGizmo(make_headed_axis_gizmo(make_box_mesh(1.0), {0.1, 0.1, 0.1})), scale_(std::move(scale)),
      position_(std::move(position)), axis_factor_(axis_factor)
{
}

Dragger* ScaleGizmo::create_dragger(GizmoHandle const& handle, InputDeviceState const& event)
{
    show_cursor(false);
    Vector3d const direction = handle.direction();
    if (direction == kUniform)
        return new (std::nothrow) ScreenDragger2d(event);
    Vector3d const p = handle_position(handle);
    return new (std::nothrow) LineDragger(event, p, p + direction, true, true);
}

void ScaleGizmo::apply_drag(GizmoHandle const& handle, DragValue const& value)
{
    Vector3d change;
    if (handle.direction() == kUniform) {
        double const d = value.step_vector.x * kScalePerPixel;
        change = {d, d, d};
    } else {
        change = value.step_vector * axis_factor_;
    }
    scale_.set_value(Parameter(scale_.as_Vector3d() + change), true);
}

void ScaleGizmo::update() { place(Matrix4d::translation(position_.as_Vector3d())); }

} // namespace tolvir
