#pragma once

#include "manipulators/tool_gizmo.h"

#include "vornsdk/attribute.h"

namespace tolvir {

// Rotations given as heading, pitch and bank (radians), the vector (h, p, b):
// heading turns about y, pitch about x and bank about z, bank applied first and heading last,
// so R = Ry(h) * Rx(p) * Rz(b).
VORNSDK::Matrix4d hpb_rotation(VORNSDK::Vector3d const& hpb);
// Heading, pitch and bank of a pure rotation, choosing among the equivalent sets the one closest
// to previous (so that the angles change continuously while dragging).
VORNSDK::Vector3d hpb_angles(VORNSDK::Matrix4d const& rotation, VORNSDK::Vector3d const& previous);

// Changes a heading-pitch-bank attribute. Each ring turns one angle by pointer motion in pixels
// ("h" and "b" by horizontal motion, "p" by vertical motion), 0.025 radians per pixel times the
// sensitivity; "center" turns about the view axis by vertical motion. The rings stand at the
// position attribute, turned by the rotation.
class RotateGizmoHpb : public ToolGizmo {
public:
    RotateGizmoHpb(VORNSDK::AttributePtr rotation, VORNSDK::AttributePtr position);

    Dragger* create_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void begin_drag(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void apply_drag(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void update() override;

    double sensitivity() const { return sensitivity_; }
    void set_sensitivity(double sensitivity) { sensitivity_ = sensitivity; }

private:
    VORNSDK::AttributePtr rotation_;
    VORNSDK::AttributePtr position_;
    double sensitivity_ = 1.0;
    // Of the current "center" drag: the axis pointing from the scene towards the viewer at the
    // press, and the rotation at the press.
    VORNSDK::Vector3d view_axis_;
    VORNSDK::Vector3d start_rotation_;
};

} // namespace tolvir
