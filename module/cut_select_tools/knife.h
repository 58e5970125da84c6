#pragma once

#include "framework/interactive_modifier.h"

#include "vornsdk/math.h"

namespace tolvir {

// Cuts the selected meshes along the plane through a line drawn in the viewport and the point it
// is seen from (knife_cut), removing or detaching a side as "Remove" says.
//
// The first press draws a line on the drawing plane: it starts at the pointer and its end follows
// the pointer until the release. The line's gizmo then lets its ends and the line itself be
// dragged; a press away from it moves the line there. The cut follows every change at once, in
// the tool's open undo step. "Redraw" keeps the cut made so far (its own "Knife" undo step) and
// draws a new line at the pointer; "Add" keeps it and moves a copy of the line to the pointer,
// for parallel cuts. "Remove+" and "Remove-" step through the removal modes.
class Knife : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);

    void copy_from(VORNSDK::Plugin const& source) override;
    void attribute_changed(std::uint32_t value) override;
    void on_activate(VORNSDK::Component const& tool) override;
    void on_deactivate() override;
    void on_action_pressed(VORNSDK::String const& action) override;
    void on_action_released(VORNSDK::String const& action) override;
    void on_draw(VORNSDK::DrawInterface& draw) override;
    // The gizmo of a line that has length.
    void draw_gizmos(VORNSDK::DrawInterface& draw) override;
    bool on_button_pressed(InputRecord const& input) override;
    void on_button_released(InputRecord const& input) override;
    void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down) override;
    // The cut on one item, in its own coordinates unless the edit is in world coordinates.
    void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item) override;

    // Whether the next press draws a new line rather than moving the present one.
    bool new_line() const { return new_line_; }

private:
    bool start_line(InputRecord const& input);
    bool move_line(InputRecord const& input, VORNSDK::Vector3d const& start, VORNSDK::Vector3d const& end);
    // Applies the line as it is, closes its undo step and keeps "Remove" and "Grid" for the next.
    void keep_cut();

    // False when no mesh was selected at activation: the tool then does nothing.
    bool ready_ = false;
    bool new_line_ = true;
};

} // namespace tolvir
