#include "manipulators/translate_gizmo.h"

#include "manipulators/gizmo_library.h"

#include "vornsdk/parameter.h"
#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

TranslateGizmo::TranslateGizmo(AttributePtr position, AttributePtr orientation)
    : ToolGizmo(make_translate_gizmo()), position_(std::move(position)), orientation_(std::move(orientation))
{
}

Matrix4d TranslateGizmo::orientation() const { return gizmo_orientation(active_scene(), orientation_); }

Dragger* TranslateGizmo::create_dragger(GizmoHandle const& handle, InputDeviceState const& event)
{
    return translate_dragger(handle, event, orientation());
}

void TranslateGizmo::apply_drag(GizmoHandle const& handle, DragValue const& value)
{
    if (handle.name() == String("center")) {
        apply_translation(position_, value);
        return;
    }
    position_.set_value(Parameter(position_.as_Vector3d() + handle.direction() * value.step), true);
}

void TranslateGizmo::update() { place(Matrix4d::translation(position_.as_Vector3d()) * orientation()); }

} // namespace tolvir
