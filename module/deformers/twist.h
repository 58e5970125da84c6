#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

class ToolGizmo;

// Turns the selected points of the active mesh about the axis from "far" to "near", by an angle
// that runs linearly from "twist_near" at the far end to "twist_far" at the near end.
//
// Activation lays the axis along the longest side of the selection's bounding box. While the
// tool is in range mode (after activation, and while the "Mode" toggle is off) a press lays the
// axis along the pointer's view ray through the selection, far end nearest the eye, and zeroes
// both angles; its release shows the gizmos and leaves range mode. Horizontal drags turn the far
// end (0.05 rad per pixel; with Ctrl held, whole quarter turns); the two rings turn either end
// (1/57 rad per pixel) and two translate gizmos move the ends. While the "Snaps" action is held,
// drags turn in whole steps of 15 degrees. Every change re-applies the twist to the selection as
// it was before the tool, within the tool's one undo step.
class Twist : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);

    void attribute_changed(std::uint32_t index) override;
    void on_activate(VORNSDK::Component const& tool) override;
    bool can_resume() override { return true; }
    void on_action_pressed(VORNSDK::String const& action) override;
    void on_action_released(VORNSDK::String const& action) override;
    void on_draw(VORNSDK::DrawInterface& draw) override;
    bool on_button_pressed(InputRecord const& input) override;
    void on_button_released(InputRecord const& input) override;
    void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down) override;
    Dragger* gizmo_query(VORNSDK::GizmoHandle const& handle, InputRecord const& input) override;
    void on_gizmo_dragged(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item) override;

    bool range_mode() const { return range_mode_; }
    bool snapping() const { return snap_; }

private:
    // The axis along the longest side of the box of the item's selection.
    void derive_axis(VORNSDK::Component const& item);
    // The axis along the view ray of a press.
    void define_axis(InputRecord const& input);
    void build_gizmos();
    void place_gizmos();
    VORNSDK::Matrix4d item_matrix() const;

    VORNSDK::Component item_;
    // The rings (far, near) and the translate gizmos (near, far), in the tool's gizmo list.
    ToolGizmo* far_ring_ = nullptr;
    ToolGizmo* near_ring_ = nullptr;
    ToolGizmo* near_mover_ = nullptr;
    ToolGizmo* far_mover_ = nullptr;
    double ring_radius_ = 1;
    double twist_far_at_press_ = 0, twist_near_at_press_ = 0;
    double accumulated_x_ = 0;
    bool snap_ = false;
    bool range_mode_ = true;
    bool range_defined_ = false;
};

} // namespace tolvir
