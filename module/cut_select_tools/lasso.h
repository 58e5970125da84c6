#pragma once

#include "framework/command.h"
#include "framework/interactive_modifier.h"

#include "vornsdk/math.h"

#include <vector>

namespace tolvir {

// Selects or deselects what lies inside a shape drawn over a viewport (lasso_apply): items in
// item mode, the points, edges or polygons of the first selected mesh otherwise.
//
// A press starts the shape at the pointer: a freeform outline that follows the pointer, a
// rectangle ("Marquee", also whatever "shape" says when the right button is pressed) or a circle
// ("Radial", 36 points) around the press. Holding Shift at the press deselects instead. The release
// applies the shape, as an undo step of its own named "Lasso". Changing an attribute selects
// nothing by itself.
class LassoSelect : public InteractiveModifier {
public:
    static constexpr int kFreeform = 0, kMarquee = 1, kRadial = 2;
    static constexpr int kRadialPoints = 36;

    static bool describe(VORNSDK::ComponentDescription& description);

    void on_draw_first(VORNSDK::DrawInterface& draw) override;
    void on_draw(VORNSDK::DrawInterface& draw) override;
    bool on_button_pressed(InputRecord const& input) override;
    void on_button_released(InputRecord const& input) override;
    void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down) override;
    void reapply() override;
    // The attributes are read at the next press and release; a change applies nothing.
    void handle_attribute_change(std::uint32_t value) override;
    // A lasso needs a drawn shape: run without one it refuses, with a message.
    bool v_execute(VORNSDK::Context& context) override;

    // The shape being drawn, in viewport pixels (x, y, 1).
    std::vector<VORNSDK::Vector3d> const& outline() const { return points_; }
    bool subtracting() const { return subtract_; }

private:
    void set_color(VORNSDK::DrawInterface& draw, float alpha) const;

    std::vector<VORNSDK::Vector3d> points_;
    int shape_ = kFreeform;
    bool subtract_ = false;
    VORNSDK::Vector3d start_;
};

// Applies a stored outline ("Points", pixel points of "Viewport") to the first selected mesh, so
// that a lasso selection can be recorded and replayed. "SelectionStyle" is "Exclusive" (the
// elements of the current mode are deselected first), "Add" or "Subtract". Edges and polygons count
// as soon as one of their points is inside.
class LassoCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
