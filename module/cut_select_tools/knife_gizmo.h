#pragma once

#include "manipulators/tool_gizmo.h"

#include "vornsdk/attribute.h"

namespace tolvir {

// The knife's line on screen: the handles "end1" and "end2" at its start and end, and
// "axis_line" between them. Dragging an end moves that end point; dragging the line moves both
// ends by the same amount. Each drag follows the pointer in the screen plane through the point
// pressed. With "Grid" on, a dragged end lands on the grid (snap_to_grid with the host's
// "ViewportGrid" size); a dragged line keeps its length and direction and puts its start there.
//
// Whenever the start moves, "Origin" becomes the point its view ray starts from, so the knife
// keeps cutting where the line is seen.
class KnifeGizmo : public ToolGizmo {
public:
    KnifeGizmo(VORNSDK::AttributePtr start, VORNSDK::AttributePtr end, VORNSDK::AttributePtr origin,
               VORNSDK::AttributePtr grid);

    Dragger* create_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void begin_drag(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void apply_drag(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    // Stretches the handles' unit line from the start to the end point.
    void update() override;

private:
    VORNSDK::AttributePtr start_, end_, origin_, grid_;
    VORNSDK::Vector3d start_at_press_, end_at_press_;
    VORNSDK::Component viewport_;
    double grid_size_ = 1;
};

// Each coordinate moved to the nearest multiple of half the grid size, halves rounding up.
VORNSDK::Vector3d snap_to_grid(VORNSDK::Vector3d const& p, double grid_size);

// The size the host's "ViewportGrid" reports; 1 when it reports none.
double viewport_grid_size();

} // namespace tolvir
