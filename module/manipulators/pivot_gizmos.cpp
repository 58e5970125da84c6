#include "manipulators/pivot_gizmos.h"

#include "framework/pivot.h"
#include "manipulators/gizmo_library.h"

#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

PivotGizmo::PivotGizmo(int mode) : ToolGizmo(make_translate_gizmo()), mode_(mode) {}

Dragger* PivotGizmo::create_dragger(GizmoHandle const& handle, InputDeviceState const& event)
{
    return translate_dragger(handle, event, Matrix4d::identity());
}

void PivotGizmo::apply_drag(GizmoHandle const&, DragValue const& value)
{
    if (current_selection(active_scene()).empty())
        return;
    pivot_move(*this, value.step_vector, mode_);
}

void PivotGizmo::update()
{
    ComponentList const selection = current_selection(active_scene());
    if (selection.empty())
        return;
    place(Matrix4d::translation(pivot_position(selection.front(), mode_)));
}

ScalePivotGizmo::ScalePivotGizmo() : PivotGizmo(kScalePivot) {}

RotatePivotGizmo::RotatePivotGizmo() : PivotGizmo(kRotatePivot) {}

} // namespace tolvir
