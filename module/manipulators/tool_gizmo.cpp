#include "manipulators/tool_gizmo.h"

namespace tolvir {

using namespace VORNSDK;

ToolGizmo::ToolGizmo(Component gizmo, Matrix4d const& placement)
    : placement_(placement), component_(std::move(gizmo)), gizmo_(get_interface<GizmoInterface>(component_))
{
}

ToolGizmo::~ToolGizmo() = default;

void ToolGizmo::begin_drag(GizmoHandle const&, InputDeviceState const&) {}

void ToolGizmo::end_drag(GizmoHandle const&) {}

// A gizmo without attributes of its own stands wherever its tool last put it (set_transform).
void ToolGizmo::update() { place(placement_); }

void ToolGizmo::set_transform(Matrix4d const& placement)
{
    placement_ = placement;
    update();
}

// The component draws its parts at placement x own matrix. The own matrix (the size and turn the
// gizmo was built with) is cleaned up into translation x rotation x scale and written back as
// such, and the new placement replaces the old one rather than being multiplied onto it, so that
// repeated updates never compound.
void ToolGizmo::place(Matrix4d const& placement)
{
    placement_ = placement;
    if (!gizmo_)
        return;
    Vector3d t, r, s;
    decompose_matrix_xyz(gizmo_->matrix(), t, r, s);
    gizmo_->set_matrix(Matrix4d::translation(t) * rotation_xyz(r) * Matrix4d::scaling(s));
    gizmo_->set_placement(placement);
}

} // namespace tolvir
