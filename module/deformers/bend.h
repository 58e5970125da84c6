#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

class ToolGizmo;

// The range along the spine over which a deformer acts; it carries no behaviour of its own here.
class AutoRange {};

// Curls the selected part of the active mesh along an arc.
//
// Activation takes the range from the selection's bounding box: the spine runs up the chosen
// axis from the centre of the box's low face ("start") to the centre of its high face ("end").
// Horizontal drags set the bend angle (left button, 0.02 rad per pixel) or the direction of the
// bend around the spine (right button); the translate gizmo moves "start". With "Range Set"
// cleared, the next press first redefines the range in the view: the spine runs up the screen
// from the front of the selection under the pointer. Every change re-applies the bend to the
// selection as it was before the tool, within the tool's one undo step. While the "Snaps" action
// is held, drags turn in whole steps of 15 degrees.
class Bend : public AutoRange, public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);

    void attribute_changed(std::uint32_t index) override;
    void on_activate(VORNSDK::Component const& tool) override;
    void on_action_pressed(VORNSDK::String const& action) override;
    void on_action_released(VORNSDK::String const& action) override;
    bool on_button_pressed(InputRecord const& input) override;
    void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down) override;
    Dragger* gizmo_query(VORNSDK::GizmoHandle const& handle, InputRecord const& input) override;
    void on_gizmo_dragged(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item) override;

    bool snapping() const { return snap_; }

private:
    // The box of the item's selection, and the range on it.
    void derive_range(VORNSDK::Component const& item);
    // The spine up "axis" through the box "bmin", "bmax": frame, start and end.
    void place_range_on_box();
    // "origin", the centre of the bend circle as shown.
    void update_center();
    // The spine along the view ray of a press, starting at the front of the selection.
    void define_range(InputRecord const& input);
    void place_gizmo();
    VORNSDK::Matrix4d item_matrix() const;

    VORNSDK::Component item_;
    ToolGizmo* gizmo_ = nullptr;
    double accumulated_x_ = 0, accumulated_y_ = 0;
    double angle_at_press_ = 0, twist_at_press_ = 0;
    bool snap_ = false;
};

} // namespace tolvir
